// The syslog event list: a table of rows of one fixed height whose cost per
// inserted or removed batch of rows does not depend on how many rows it
// holds. A plain table keeps a record per row in its row header and walks
// all of them after every change, which with millions of events stalls the
// window; this view finds a row's place by arithmetic (row times height)
// and paints only the rows in sight. The column header, selection, current
// row, keyboard moves, double clicks, tool tips and the item delegate work
// as in a table.
#pragma once

#include <QTableView>

namespace Syslog {

class TSyslogListView : public QTableView {
    Q_OBJECT
public:
    explicit TSyslogListView(QWidget* parent = nullptr);

    // The height of every row, grid line included.
    void SetRowHeight(int height);
    int RowHeight() const { return m_RowHeight; }
    // The first row in sight (the vertical scroll bar counts rows).
    int FirstVisibleRow() const;

    void setModel(QAbstractItemModel* model) override;
    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;
    void reset() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void updateGeometries() override;
    int verticalOffset() const override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    bool isIndexHidden(const QModelIndex& index) const override;
    QSize viewportSizeHint() const override;
    int sizeHintForRow(int row) const override;
    void rowsInserted(const QModelIndex& parent, int first, int last) override;
    void rowsAboutToBeRemoved(const QModelIndex& parent, int first, int last) override;

private:
    int RowCount() const;
    // Rows that fit in the viewport whole (at least one).
    int RowsInSight() const;
    int RowTop(int row) const { return (row - FirstVisibleRow()) * m_RowHeight; }
    int GridExtra() const { return showGrid() ? 1 : 0; }

    int m_RowHeight = 20;
    bool m_InGeometries = false;
    int m_RemovedAbove = 0; // rows about to go that lie above the first in sight
    QAbstractItemModel* m_Rows = nullptr; // an empty model for the unused row header
};

} // namespace Syslog
