// Pages as they are laid out in the real main window at 1280 x 1024: the
// result column of the run lists stays in view, and settings keep their
// natural widths.
#include "ListCheck.h"
#include "ListColumns.h"
#include "MainForm.h"
#include "MainFormFixture.h"
#include "ModuleDeviceList.h"
#include "ModuleFrame.h"
#include "PageList.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QScrollBar>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <gtest/gtest.h>

using namespace TestSupport;

namespace {

class PageLayout : public MainFormFixture {
protected:
    void SetUp() override
    {
        MainFormFixture::SetUp();
        Create(0, RecordSends);
        ASSERT_TRUE(Created);
        Form->resize(1280, 1024);
        Form->show();
        // The model with the longest description.
        Device = Found(10, 6);
        ASSERT_NE(Device, nullptr);
        Device->SetLoggedIn(true);
        Form->SetCurrentNode(Form->FindDeviceNode(Device));
        Settle();
    }
    // Selects the page of that caption and fills it as with no answer.
    QWidget* Show(const QString& caption)
    {
        QTreeWidget* pages = Form->ModuleFrame()->PageTree();
        for (QTreeWidgetItemIterator it(pages); *it; ++it) {
            if ((*it)->text(0) != caption)
                continue;
            pages->setCurrentItem(*it);
            TModule* page = TModuleFrame::PageOf(*it);
            page->Notify(Device, EventPageShown, 0);
            Settle();
            return page->GetControl();
        }
        ADD_FAILURE() << "no page " << caption.toStdString();
        return nullptr;
    }

    void ExpectRunListsWhole(bool addressesWhole);

    TFixedFont Font;
    Intp::TDevice* Device = nullptr;
};

} // namespace

// The four run lists: every caption whole, the addresses and the result
// whole, "Status" in view; the model's long description is what is cut.
void PageLayout::ExpectRunListsWhole(bool addressesWhole)
{
    for (const char* caption : {"Backup", "Restore", "Upgrade", "Save To Flash"}) {
        SCOPED_TRACE(caption);
        auto* page = dynamic_cast<TModuleDeviceList*>(Show(caption));
        ASSERT_NE(page, nullptr);
        TPageList* list = page->List();
        ASSERT_EQ(list->RowCount(), 1);
        const QString error = QStringLiteral("Error: 0x1100");
        list->Model()->SetText(0, 5, error);
        Settle();

        const QHeaderView* header = list->horizontalHeader();
        for (int column = 0; column < 6; ++column)
            EXPECT_GE(header->sectionSize(column), header->sectionSizeHint(column)) << "caption of column " << column;
        if (addressesWhole)
            for (int column : {3, 4})
                EXPECT_GE(header->sectionSize(column), list->sizeHintForIndex(list->Model()->index(0, column)).width())
                    << "column " << column;
        // Status starts and ends inside the list.
        const QRect status = list->visualRect(list->Model()->index(0, 5));
        EXPECT_LE(status.right(), list->viewport()->width());
        if (addressesWhole)
            EXPECT_GE(status.width(), list->sizeHintForIndex(list->Model()->index(0, 5)).width());
        EXPECT_EQ(list->horizontalScrollBar()->maximum(), 0);

        // The model's long description is cut, and offered whole as a tip.
        const QModelIndex model = list->Model()->index(0, 0);
        EXPECT_LT(list->visualRect(model).width(), list->sizeHintForIndex(model).width());
        EXPECT_EQ(CutTextTip(list, model), QString::fromStdString(Device->GetTypeName()));
    }
}

TEST_F(PageLayout, RunListsKeepTheirWidthsAndStatusInView)
{
    ExpectRunListsWhole(true);
}

// A desktop's larger font leaves the pages less room: the other columns
// give way, "Status" stays in view with its caption whole.
class PageLayoutLargerFont : public PageLayout {
protected:
    TFixedFont Larger{12};
};

TEST_F(PageLayoutLargerFont, RunListsKeepStatusInView)
{
    ExpectRunListsWhole(false);
}

TEST_F(PageLayout, SettingsKeepTheirNaturalWidthsAndStayTogether)
{
    QWidget* page = Show("802.1x");
    ASSERT_NE(page, nullptr);
    auto* protocol = page->findChild<QComboBox*>("m_Protocol");
    auto* server = page->findChild<QLineEdit*>("m_ServerIp");
    auto* port = page->findChild<QWidget*>("m_ServerPort");
    ASSERT_TRUE(protocol && server && port);
    ASSERT_GT(page->width(), 500);

    // The choice of "Disable" and "Enable" is as wide as its items, the
    // address field as wide as an address.
    EXPECT_LE(protocol->width(), protocol->sizeHint().width());
    EXPECT_LT(server->width(), page->width() / 2);
    EXPECT_GE(server->width(), server->fontMetrics().horizontalAdvance("255.255.255.255"));

    // A heading sits right above its first row, and the rows go on without
    // gaps; the spare height is left below them.
    QLabel* heading = nullptr;
    for (QLabel* label : page->findChildren<QLabel*>())
        if (label->text() == "Radius Server Settings:")
            heading = label;
    ASSERT_NE(heading, nullptr);
    EXPECT_LE(heading->height(), heading->sizeHint().height() + 4);
    EXPECT_LE(server->y() - heading->geometry().bottom(), 16);
    EXPECT_LE(port->y() - server->geometry().bottom(), 16);
    EXPECT_GT(page->findChild<QWidget*>("m_Apply")->y() - page->findChild<QWidget*>("m_ReAuth")->y(), 100);
}

TEST_F(PageLayout, CommunityColumnsHoldAWholeName)
{
    const QString name = QStringLiteral("snmp-community-of-32-characters!");
    ASSERT_EQ(name.size(), 32);
    for (const char* caption : {"Community", "Trap Settings"}) {
        SCOPED_TRACE(caption);
        QWidget* page = Show(caption);
        ASSERT_NE(page, nullptr);
        auto* list = page->findChild<TPageList*>("m_List");
        ASSERT_NE(list, nullptr);
        const int column = list->Model()->headerData(1, Qt::Horizontal, Qt::DisplayRole) == "Server IP" ? 2 : 1;
        const int needed = list->fontMetrics().horizontalAdvance(name);
        EXPECT_GE(list->horizontalHeader()->sectionSize(column), needed);
    }
}
