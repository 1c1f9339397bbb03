// Helpers for tests of what a list shows: one fixed application font, so
// that measured widths do not depend on the desktop, and checks that no
// cell of a view is cut off.
#pragma once

#include <QAbstractItemView>
#include <QApplication>
#include <QFont>
#include <QHeaderView>
#include <gtest/gtest.h>

namespace TestSupport {

// The application font for the lifetime of the object.
class TFixedFont {
public:
    explicit TFixedFont(int pointSize = 10) : m_Saved(QApplication::font())
    {
        QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), pointSize));
    }
    ~TFixedFont() { QApplication::setFont(m_Saved); }

private:
    QFont m_Saved;
};

// Every cell of the view's top-level rows is as wide as its contents need
// (so its text is drawn whole) and every header section as wide as its
// caption needs.
inline void ExpectNoCellCut(const QAbstractItemView* view, const QHeaderView* header)
{
    const QAbstractItemModel* model = view->model();
    for (int column = 0; column < model->columnCount(); ++column) {
        EXPECT_GE(header->sectionSize(column), header->sectionSizeHint(column))
            << "header of column " << column << ": " << model->headerData(column, Qt::Horizontal).toString().toStdString();
        for (int row = 0; row < model->rowCount(); ++row) {
            const QModelIndex index = model->index(row, column);
            EXPECT_GE(view->visualRect(index).width(), view->sizeHintForIndex(index).width())
                << "row " << row << " column " << column << ": " << index.data().toString().toStdString();
        }
    }
}

} // namespace TestSupport
