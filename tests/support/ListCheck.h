// Helpers for tests of what a list shows: one fixed application font, so
// that measured widths do not depend on the desktop, and checks that no
// cell of a view is cut off.
#pragma once

#include <QAbstractItemView>
#include <QApplication>
#include <QFont>
#include <QHeaderView>
#include <QTextLayout>
#include <gtest/gtest.h>

namespace TestSupport {

// The application font for the lifetime of the object.
class TFixedFont {
public:
    explicit TFixedFont(double pointSize = 10) : m_Saved(QApplication::font())
    {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPointSizeF(pointSize);
        QApplication::setFont(font);
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

// Whether `part` of `text`, laid out as one left-to-right line in the
// application font, is drawn in reading order (each character right of the
// one before it) and to the right of everything before it in the text.
inline bool ReadsInOrderAfterItsStart(const QString& text, const QString& part)
{
    const qsizetype at = text.lastIndexOf(part);
    if (at < 0 || part.isEmpty())
        return false;
    QTextLayout layout(text, QApplication::font());
    QTextOption option;
    option.setTextDirection(Qt::LeftToRight);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLineWidth(1e6);
    layout.endLayout();
    // The left edge of character i: where the cursor stands before it.
    auto left = [&](qsizetype i) { return line.cursorToX(int(i), QTextLine::Leading); };
    qreal before = -1;
    for (qsizetype i = 0; i < at; ++i)
        before = std::max(before, left(i));
    for (qsizetype i = at; i < at + part.size(); ++i) {
        const qreal x = left(i);
        if (x <= before)
            return false;
        before = x;
    }
    return true;
}

} // namespace TestSupport
