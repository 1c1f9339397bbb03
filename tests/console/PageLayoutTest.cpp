// Pages as they are laid out in the real main window at 1280 x 1024: the
// result column of the run lists stays in view, and settings keep their
// natural widths.
#include "IntpBasics.h"
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

    // Each of the four run lists in turn, its one row showing versions and
    // a result.
    template <typename Check>
    void ForEachRunList(Check check)
    {
        auto& settings = Intp::GetPropertyBasicsSettings(Device);
        settings.Valid = 1;
        settings.KernelVersion = 0x0205;
        settings.FirmwareVersion = 0x0112;
        for (const char* caption : {"Backup", "Restore", "Upgrade", "Save To Flash"}) {
            SCOPED_TRACE(caption);
            auto* page = dynamic_cast<TModuleDeviceList*>(Show(caption));
            ASSERT_NE(page, nullptr);
            TPageList* list = page->List();
            ASSERT_EQ(list->RowCount(), 1);
            ASSERT_EQ(list->Text(0, 1), "v2.05");
            list->Model()->SetText(0, 5, QStringLiteral("Error: 0x1100"));
            Settle();
            check(page, list);
        }
    }
    // Makes the page area `width` pixels wide.
    void PageWidth(QWidget* page, int width)
    {
        Form->resize(Form->width() + width - page->width(), Form->height());
        Settle();
        ASSERT_EQ(page->width(), width);
    }
    static bool Whole(TPageList* list, int column)
    {
        const QModelIndex index = list->Model()->index(0, column);
        return list->visualRect(index).width() >= list->sizeHintForIndex(index).width();
    }
    static bool InView(TPageList* list, int column)
    {
        const QHeaderView* header = list->horizontalHeader();
        return header->sectionViewportPosition(column) >= 0 &&
               header->sectionViewportPosition(column) + header->sectionSize(column) <= list->viewport()->width();
    }

    TFixedFont Font;
    Intp::TDevice* Device = nullptr;
};

// At the font the widths are given for (12 pixels, as Qt's default).
class PageLayoutDefaultFont : public PageLayout {
protected:
    TFixedFont Default{9};
};

// A font 1.25 times as large.
class PageLayoutLargerFont : public PageLayout {
protected:
    TFixedFont Larger{11.25};
};

} // namespace

// The four run lists: "Model" 120, "Kernel Ver." 64, "Firmware Ver." 80,
// "MAC" 120 and "IP Address" 120 pixels, "Status" the rest, whole. The
// model's long description is cut, and offered whole as a tip. A narrower
// page cuts the model before anything else.
TEST_F(PageLayoutDefaultFont, RunListsHaveTheirWidthsAndTheModelGivesWayFirst)
{
    ForEachRunList([this](TModuleDeviceList* page, TPageList* list) {
        const QHeaderView* header = list->horizontalHeader();
        const int widths[] = {120, 64, 80, 120, 120};
        for (int column = 0; column < 5; ++column)
            EXPECT_NEAR(header->sectionSize(column), widths[column], 3) << column;
        for (int column = 1; column < 6; ++column)
            EXPECT_TRUE(Whole(list, column)) << column;
        EXPECT_TRUE(InView(list, 5));
        EXPECT_EQ(header->length(), list->viewport()->width());
        const QModelIndex model = list->Model()->index(0, 0);
        EXPECT_FALSE(Whole(list, 0));
        EXPECT_EQ(CutTextTip(list, model), QString::fromStdString(Device->GetTypeName()));

        const std::vector<int> before{header->sectionSize(1), header->sectionSize(2), header->sectionSize(3),
                                      header->sectionSize(4)};
        const int spare = header->sectionSize(5) - header->sectionSizeHint(5);
        PageWidth(page, page->width() - spare - 30);
        EXPECT_NEAR(header->sectionSize(0), 90, 3) << "the model gave way";
        EXPECT_EQ(std::vector<int>({header->sectionSize(1), header->sectionSize(2), header->sectionSize(3),
                                    header->sectionSize(4)}),
                  before);
        EXPECT_EQ(header->sectionSize(5), header->sectionSizeHint(5));
        EXPECT_EQ(list->horizontalScrollBar()->maximum(), 0);
        PageWidth(page, page->width() + spare + 30);
    });
}

// A larger font: the widths grow with it. In a page area of about 530
// pixels the model is cut, the versions show their values, the addresses
// are whole and "Status" keeps its caption in view.
TEST_F(PageLayoutLargerFont, RunListsKeepAddressesVersionsAndStatusInView)
{
    ForEachRunList([this](TModuleDeviceList* page, TPageList* list) {
        const QHeaderView* header = list->horizontalHeader();
        PageWidth(page, 1200);
        const int widths[] = {150, 80, 100, 150, 150};
        for (int column = 0; column < 5; ++column)
            EXPECT_NEAR(header->sectionSize(column), widths[column], 3) << column;

        PageWidth(page, 530);
        for (int column : {1, 2, 3, 4})
            EXPECT_TRUE(Whole(list, column)) << column;
        EXPECT_FALSE(Whole(list, 0));
        EXPECT_TRUE(InView(list, 5));
        EXPECT_GE(header->sectionSize(5), header->sectionSizeHint(5)) << "its caption whole";
        EXPECT_EQ(list->horizontalScrollBar()->maximum(), 0);
        PageWidth(page, 1200);
    });
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
