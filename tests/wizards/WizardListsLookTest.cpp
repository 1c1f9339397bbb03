// The wizards' device lists at the width a 1280 pixel window gives them:
// the MAC and IP columns stay in view, so two switches of one model can be
// told apart, and the long model descriptions are cut with their whole
// text as the tool tip.
#include "FakeHost.h"
#include "ListCheck.h"
#include "ListColumns.h"
#include "PageList.h"
#include "WizardSteps.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

using namespace TestSupport;

namespace {

const QString LongModel = "6 port 10/100BaseTX+ 2 port 1000Base Single mode Management Ethernet Switch";

std::vector<TPageRow> TwoOfOneModel(int columns, int first)
{
    std::vector<TPageRow> rows;
    for (int i = first; i < first + 2; ++i) {
        TPageRow row;
        QStringList texts{LongModel};
        if (columns == 5)
            texts << "v1.02" << "v2.10";
        texts << QStringLiteral("00:11:22:33:44:0%1").arg(i) << QStringLiteral("192.168.100.%1").arg(200 + i);
        row.Texts = texts;
        row.Key = i + 1;
        row.Loaded = {5};
        rows.push_back(row);
    }
    return rows;
}

// The columns of `captions` lie whole in the list's view, and their texts
// are not cut.
void ExpectWholeColumns(TPageList* list, const QStringList& captions, const char* when)
{
    QHeaderView* header = list->horizontalHeader();
    for (int column = 0; column < header->count(); ++column) {
        const QString caption = list->model()->headerData(column, Qt::Horizontal).toString();
        if (!captions.contains(caption))
            continue;
        const int left = header->sectionViewportPosition(column);
        EXPECT_GE(left, 0) << caption.toStdString() << " " << when;
        EXPECT_LE(left + header->sectionSize(column), list->viewport()->width()) << caption.toStdString() << " " << when;
        for (int row = 0; row < list->RowCount(); ++row)
            EXPECT_TRUE(CutTextTip(list, list->model()->index(row, column)).isEmpty())
                << caption.toStdString() << " " << when;
    }
}

} // namespace

TEST(WizardListsLook, MacAndIpStayInViewAndTheModelIsCutWithATip)
{
    TFixedFont font;
    TFakeHost host;
    const QStringList ipColumns{"Model", "MAC", "IP"};
    const QStringList fwColumns{"Model", "Kernel Ver.", "Firmware Ver.", "MAC", "IP"};
    for (const QStringList& columns : {ipColumns, fwColumns}) {
        // The pages' share of a 1280 pixel window, and a wide one.
        for (int width : {900, 1500}) {
            TDevicePicker picker(columns, nullptr);
            picker.resize(width, 500);
            picker.show();
            picker.Offer(TwoOfOneModel(int(columns.size()), 0));
            picker.Source()->selectAll();
            picker.EventOnAddClick();
            picker.Offer(TwoOfOneModel(int(columns.size()), 2));
            QTest::qWait(20);
            const std::string when = std::to_string(columns.size()) + " columns at " + std::to_string(width);
            TPageList* chosen = picker.Chosen();
            ASSERT_EQ(chosen->RowCount(), 2) << when;
            ExpectWholeColumns(chosen, {"MAC", "IP", "Kernel Ver.", "Firmware Ver."}, when.c_str());
            ExpectWholeColumns(picker.Source(), {"MAC", "IP", "Kernel Ver.", "Firmware Ver."}, when.c_str());
            EXPECT_EQ(chosen->horizontalScrollBar()->maximum(), 0) << when;
            // The two rows differ in what is seen.
            EXPECT_NE(chosen->Text(0, int(columns.size()) - 2), chosen->Text(1, int(columns.size()) - 2));
            // The model's description is cut where it does not fit, and
            // whole in the tip.
            const QModelIndex model = chosen->model()->index(0, 0);
            const bool cut = chosen->sizeHintForIndex(model).width() > chosen->horizontalHeader()->sectionSize(0);
            EXPECT_EQ(CutTextTip(chosen, model), cut ? LongModel : QString()) << when;
            EXPECT_EQ(chosen->textElideMode(), Qt::ElideRight);
            // Side by side when there is room for both lists, else one above
            // the other.
            if (width == 1500)
                EXPECT_TRUE(picker.SideBySide()) << when;
            if (!picker.SideBySide())
                EXPECT_GT(chosen->mapTo(&picker, QPoint(0, 0)).y(), picker.Source()->mapTo(&picker, QPoint(0, 0)).y());
        }
    }
}
