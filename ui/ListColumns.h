// Column widths and cut-off texts of the console's lists.
//
// Column widths given in pixels for a list are minimums: on this platform's
// fonts a header or a cell may need more. FitColumns keeps each column wide
// enough for its header and its contents, and lets the last column take the
// width that remains, so nothing is cut off while there is room.
#pragma once

#include <vector>

class QAbstractItemView;
class QModelIndex;
class QString;
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
void FitColumns(QTreeView* view, const std::vector<int>& minimumWidths = {});
void FitColumns(QTableView* view, const std::vector<int>& minimumWidths = {});

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

// Gives the view's columns fixed widths instead of fitting them to their
// contents: column i gets widths[i] pixels at the view's present font
// (scaled when the font changes; 0, and never less than: its header's
// width), except `stretchColumn`, which takes whatever width the view has
// beside the others (and at least its own width from `widths`). In a view
// too narrow for them the columns give way before the last one leaves the
// view: the stretching column first, then the others, each down to its
// header's width (see TColumnFixer). Longer texts are cut with an ellipsis;
// with ShowCutTextTips a cut cell shows its whole text as its tool tip.
// The user may still resize the fixed columns by hand. A view whose
// columns FitColumns looked after stops fitting them.
void FixColumns(QTreeView* view, const std::vector<int>& widths, int stretchColumn);
void FixColumns(QTableView* view, const std::vector<int>& widths, int stretchColumn);
