// Column widths and cut-off texts of the console's lists.
//
// Column widths given in pixels for a list are minimums: on this platform's
// fonts a header or a cell may need more. FitColumns keeps each column wide
// enough for its header and its contents, and lets the last column take the
// width that remains, so nothing is cut off while there is room.
#pragma once

#include <QString>

#include <vector>

class QAbstractItemView;
class QModelIndex;
class QTableView;
class QTreeView;
class QVariant;

// Fits the view's columns now and whenever rows are added or changed:
// every column is at least as wide as minimumWidths[column] (missing or 0:
// no minimum; pixels at the view's present font, scaled when the font
// changes, which measures everything afresh), its header and the cells
// measured so far; the last column also takes whatever width the view has
// left. Captions stand at the left of their columns, so that the caption of
// a column wider than the view is still seen. Columns only grow while
// rows come and go (the user may still resize them by hand); resetting the
// model measures afresh. The cost stays small under a flood of rows: a
// hidden view measures nothing until it is shown, a shown one measures a
// bounded number of cells per pass of the event loop, and after a pass in
// which changes went unmeasured, and whenever rows come into sight
// (scrolling, expanding, resizing, showing), it measures the rows in sight.
// Calling it again replaces the minimums.
//
// With `givesWay` (a column other than the last; -1: none) the columns are
// laid out anew whenever they or the view change, and in a view too narrow
// for every column's contents nothing leaves the view while a column can
// give way: `givesWay` first, down to a few characters, then the others but
// the last, down to their minimums and captions (the minimums are then how
// far a column gives way, not a width it keeps while it has room), then
// the last one, down to its caption; texts are then cut with an ellipsis.
// Only then does the view scroll sideways. A column the user sizes by hand
// keeps that width.
void FitColumns(QTreeView* view, const std::vector<int>& minimumWidths = {}, int givesWay = -1);
void FitColumns(QTableView* view, const std::vector<int>& minimumWidths = {}, int givesWay = -1);

// The widest cell measured so far in the column of a view that FitColumns
// looks after (0 for any other view).
int FittedContentWidth(const QAbstractItemView* view, int column);

// Makes the view show each cell's text with its control characters made
// visible (Resources::VisibleText), and show a cell whose text is cut off
// (by its column or by the edge of the view) in full as the cell's tool tip
// when the cell has no tool tip of its own.
void ShowCutTextTips(QAbstractItemView* view);

// The text a view of ShowCutTextTips paints for a cell's display value
// when that value is a text (else a null value). A model shown in such a
// view answers it as the cell's Qt::AccessibleTextRole, so that a screen
// reader hears what is painted, not the raw controls.
QVariant ShownCellText(const QVariant& display);

// The tool tip ShowCutTextTips shows for a cell: its whole text when the
// cell is cut off, else an empty text.
QString CutTextTip(const QAbstractItemView* view, const QModelIndex& index);

// One column of a list whose columns keep set widths (FixColumns).
struct TFixedColumn {
    // How far a column gives way in a view too narrow for every column.
    enum TFloor {
        FloorFew,        // to a few characters (beside its image)
        FloorContents,   // to the widest cell it shows, and never narrower
                         // than that (its caption may be cut)
        FloorCaption,    // to its caption's width
    };
    // Pixels at the reference font, a 12-pixel sans serif (Qt's default
    // 9-point font at 96 dpi): a larger font widens the column in
    // proportion, a smaller one leaves it so.
    int Width = 0;
    // And at least as wide as this text (with a cell's margins) in the font
    // in use. With neither a width nor a sample: its caption's width.
    QString Sample = {};
    // Columns give way in the order of their ranks, the lowest first;
    // columns of one rank give way together, in proportion to their widths;
    // a column of a negative rank never gives way.
    int Rank = 0;
    TFloor Floor = FloorCaption;
};

// Gives the view's columns set widths instead of fitting them to their
// contents, laid out anew whenever the view's width, its font or the cells
// of a column that gives way to its contents change. Column i is
// columns[i] wide; `fillColumn` also takes whatever width the view has
// beside the others. In a view too narrow for that, the columns give way
// rank by rank, each down to its floor, and only then does the view scroll
// sideways. Longer texts are cut with an ellipsis; with ShowCutTextTips a
// cut cell shows its whole text as its tool tip. A column the user sizes by
// hand keeps the width the user gave it. A view whose columns FitColumns
// looked after stops fitting them.
void FixColumns(QTableView* view, const std::vector<TFixedColumn>& columns, int fillColumn);
