#include "SyslogListView.h"

#include <QAbstractButton>
#include <QHeaderView>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStringListModel>

#include <algorithm>

namespace Syslog {

namespace {

// Rounds towards minus infinity, so that a point above the viewport maps to
// a row above the first in sight.
int FloorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

} // namespace

TSyslogListView::TSyslogListView(QWidget* parent) : QTableView(parent), m_Rows(new QStringListModel(this))
{
    verticalHeader()->hide();
    // The table's corner button sits where the two headers meet. With no
    // row header there is no corner, and since this view places its headers
    // itself, the button would otherwise stay at the top left at its default
    // size, painted over the first column's header and the first row.
    setCornerButtonEnabled(false);
    for (QAbstractButton* corner : findChildren<QAbstractButton*>(Qt::FindDirectChildrenOnly))
        corner->hide();
    setVerticalScrollMode(ScrollPerItem);
    setHorizontalScrollMode(ScrollPerPixel);
}

void TSyslogListView::SetRowHeight(int height)
{
    m_RowHeight = std::max(1, height);
    updateGeometries();
    viewport()->update();
}

int TSyslogListView::FirstVisibleRow() const { return verticalScrollBar()->value(); }

int TSyslogListView::RowCount() const { return model() ? model()->rowCount(rootIndex()) : 0; }

int TSyslogListView::RowsInSight() const { return std::max(1, viewport()->height() / m_RowHeight); }

void TSyslogListView::setModel(QAbstractItemModel* model)
{
    if (model == this->model())
        return;
    if (this->model())
        disconnect(this->model(), nullptr, this, nullptr);
    QTableView::setModel(model);
    // The row header would keep a record per row and walk them all after
    // every change; rows are placed by arithmetic here, so it is left with
    // no rows at all.
    verticalHeader()->setModel(m_Rows);
    if (!model)
        return;
    connect(model, &QAbstractItemModel::rowsRemoved, this, [this] {
        // The rows that were in sight stay in sight.
        const int first = FirstVisibleRow() - m_RemovedAbove;
        m_RemovedAbove = 0;
        updateGeometries();
        verticalScrollBar()->setValue(first);
        viewport()->update();
    });
    connect(model, &QAbstractItemModel::layoutChanged, this, [this] {
        updateGeometries();
        viewport()->update();
    });
    updateGeometries();
}

void TSyslogListView::reset()
{
    QTableView::reset();
    updateGeometries();
    viewport()->update();
}

void TSyslogListView::rowsInserted(const QModelIndex& parent, int first, int last)
{
    QTableView::rowsInserted(parent, first, last);
    if (parent != rootIndex())
        return;
    updateGeometries();
    if (first <= FirstVisibleRow() + RowsInSight())
        viewport()->update();
}

void TSyslogListView::rowsAboutToBeRemoved(const QModelIndex& parent, int first, int last)
{
    QTableView::rowsAboutToBeRemoved(parent, first, last);
    if (parent == rootIndex())
        m_RemovedAbove = std::max(0, std::min(last, FirstVisibleRow() - 1) - first + 1);
}

void TSyslogListView::updateGeometries()
{
    if (m_InGeometries)
        return;
    m_InGeometries = true;
    QHeaderView* header = horizontalHeader();
    const int headerHeight = header->isHidden() ? 0 : std::max(header->minimumHeight(), header->sizeHint().height());
    setViewportMargins(0, headerHeight, 0, 0);
    const QRect area = viewport()->geometry();
    header->setGeometry(area.left(), area.top() - headerHeight, area.width(), headerHeight);
    if (header->isHidden())
        QMetaObject::invokeMethod(header, "updateGeometries");

    // Across in pixels, down in rows.
    const int width = viewport()->width();
    QScrollBar* across = horizontalScrollBar();
    across->setPageStep(width);
    across->setSingleStep(std::max(2, width / 20));
    across->setRange(0, std::max(0, header->length() - width));
    QScrollBar* down = verticalScrollBar();
    const int inSight = RowsInSight();
    down->setSingleStep(1);
    down->setPageStep(inSight);
    down->setRange(0, std::max(0, RowCount() - inSight));
    QAbstractItemView::updateGeometries();
    m_InGeometries = false;
}

void TSyslogListView::scrollContentsBy(int dx, int dy)
{
    if (dx != 0) {
        horizontalHeader()->setOffset(horizontalScrollBar()->value());
        if (dy == 0) {
            viewport()->scroll(isRightToLeft() ? -dx : dx, 0);
            return;
        }
    }
    if (dy != 0 && dx == 0 && std::abs(dy) < RowsInSight())
        viewport()->scroll(0, dy * m_RowHeight);
    else
        viewport()->update();
}

int TSyslogListView::verticalOffset() const { return FirstVisibleRow() * m_RowHeight; }

bool TSyslogListView::isIndexHidden(const QModelIndex& index) const
{
    return horizontalHeader()->isSectionHidden(index.column());
}

QSize TSyslogListView::viewportSizeHint() const
{
    return {horizontalHeader()->length(), std::min(RowCount(), 32) * m_RowHeight};
}

int TSyslogListView::sizeHintForRow(int) const { return m_RowHeight; }

QRect TSyslogListView::visualRect(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != model() || index.parent() != rootIndex() || isIndexHidden(index))
        return {};
    return {columnViewportPosition(index.column()), RowTop(index.row()), columnWidth(index.column()) - GridExtra(),
            m_RowHeight - GridExtra()};
}

QModelIndex TSyslogListView::indexAt(const QPoint& point) const
{
    if (!model() || point.y() < 0)
        return {};
    const int row = FirstVisibleRow() + point.y() / m_RowHeight;
    const int column = columnAt(point.x());
    if (row >= RowCount() || column < 0)
        return {};
    return model()->index(row, column, rootIndex());
}

void TSyslogListView::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    if (!index.isValid() || index.model() != model() || index.parent() != rootIndex())
        return;
    const int row = index.row(), first = FirstVisibleRow(), inSight = RowsInSight();
    int target = first;
    switch (hint) {
    case PositionAtTop: target = row; break;
    case PositionAtBottom: target = row - inSight + 1; break;
    case PositionAtCenter: target = row - inSight / 2; break;
    case EnsureVisible:
        if (row < first)
            target = row;
        else if (row >= first + inSight)
            target = row - inSight + 1;
        break;
    }
    verticalScrollBar()->setValue(target);

    // The column in sight too, as far as it fits.
    if (isIndexHidden(index))
        return;
    const int left = horizontalHeader()->sectionPosition(index.column());
    const int right = left + columnWidth(index.column());
    const int offset = horizontalScrollBar()->value(), width = viewport()->width();
    if (left < offset)
        horizontalScrollBar()->setValue(left);
    else if (right > offset + width)
        horizontalScrollBar()->setValue(std::min(left, right - width));
}

QModelIndex TSyslogListView::moveCursor(CursorAction action, Qt::KeyboardModifiers)
{
    const int rows = RowCount();
    QHeaderView* header = horizontalHeader();
    if (!model() || rows == 0 || header->count() == 0)
        return {};
    // Columns in their shown order, hidden ones skipped.
    auto visibleColumn = [&](int visual, int step) {
        for (; visual >= 0 && visual < header->count(); visual += step)
            if (!header->isSectionHidden(header->logicalIndex(visual)))
                return header->logicalIndex(visual);
        return -1;
    };
    const QModelIndex current = currentIndex();
    if (!current.isValid()) {
        const int column = visibleColumn(0, 1);
        return column < 0 ? QModelIndex() : model()->index(FirstVisibleRow(), column, rootIndex());
    }
    int row = current.row(), column = current.column();
    const int visual = header->visualIndex(column);
    switch (action) {
    case MoveUp:
    case MovePrevious: --row; break;
    case MoveDown:
    case MoveNext: ++row; break;
    case MovePageUp: row -= RowsInSight(); break;
    case MovePageDown: row += RowsInSight(); break;
    case MoveHome: row = 0; break;
    case MoveEnd: row = rows - 1; break;
    case MoveLeft: column = visibleColumn(visual - 1, -1); break;
    case MoveRight: column = visibleColumn(visual + 1, 1); break;
    }
    if (column < 0)
        column = current.column();
    return model()->index(std::clamp(row, 0, rows - 1), column, rootIndex());
}

void TSyslogListView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command)
{
    if (!model() || !selectionModel())
        return;
    const QRect area = rect.normalized();
    const int rows = RowCount();
    const int top = std::max(0, FirstVisibleRow() + FloorDiv(area.top(), m_RowHeight));
    const int bottom = std::min(rows - 1, FirstVisibleRow() + FloorDiv(area.bottom(), m_RowHeight));
    const int lastColumn = model()->columnCount(rootIndex()) - 1;
    if (top > bottom || lastColumn < 0) {
        selectionModel()->select(QItemSelection(), command);
        return;
    }
    int left = columnAt(area.left()), right = columnAt(area.right());
    if (left < 0)
        left = 0;
    if (right < 0)
        right = lastColumn;
    if (left > right)
        std::swap(left, right);
    if (selectionBehavior() == SelectRows)
        command |= QItemSelectionModel::Rows;
    else if (selectionBehavior() == SelectColumns)
        command |= QItemSelectionModel::Columns;
    const QItemSelection selection(model()->index(top, left, rootIndex()), model()->index(bottom, right, rootIndex()));
    selectionModel()->select(selection, command);
}

QRegion TSyslogListView::visualRegionForSelection(const QItemSelection& selection) const
{
    QRegion region;
    const int first = FirstVisibleRow(), last = first + RowsInSight();
    for (const QItemSelectionRange& range : selection) {
        if (range.parent() != rootIndex() || !range.isValid())
            continue;
        const int top = std::max(range.top(), first), bottom = std::min(range.bottom(), last);
        if (top > bottom)
            continue;
        int left = INT_MAX, right = INT_MIN;
        for (int column = range.left(); column <= range.right(); ++column) {
            if (horizontalHeader()->isSectionHidden(column))
                continue;
            const int x = columnViewportPosition(column);
            left = std::min(left, x);
            right = std::max(right, x + columnWidth(column));
        }
        if (left < right)
            region += QRect(left, RowTop(top), right - left, (bottom - top + 1) * m_RowHeight);
    }
    return region;
}

void TSyslogListView::paintEvent(QPaintEvent* event)
{
    QAbstractItemModel* rows = model();
    QHeaderView* header = horizontalHeader();
    const int count = RowCount();
    if (!rows || count == 0 || header->count() == 0)
        return;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    QPainter painter(viewport());
    const QRect dirty = event->rect();
    const int first = FirstVisibleRow();
    const int top = first + std::max(0, dirty.top()) / m_RowHeight;
    const int bottom = std::min(count - 1, first + std::max(0, dirty.bottom()) / m_RowHeight);
    if (top > bottom)
        return;
    int leftVisual = header->visualIndexAt(dirty.left()), rightVisual = header->visualIndexAt(dirty.right());
    if (leftVisual < 0)
        leftVisual = 0;
    if (rightVisual < 0)
        rightVisual = header->count() - 1;
    if (isRightToLeft())
        std::swap(leftVisual, rightVisual);
    leftVisual = std::min(leftVisual, rightVisual);
    rightVisual = std::max(leftVisual, rightVisual);

    const QModelIndex current = currentIndex();
    const bool focus = (hasFocus() || viewport()->hasFocus()) && current.isValid();
    QItemSelectionModel* selection = selectionModel();
    const int grid = GridExtra();
    for (int row = top; row <= bottom; ++row) {
        const int y = RowTop(row);
        for (int visual = leftVisual; visual <= rightVisual; ++visual) {
            const int column = header->logicalIndex(visual);
            if (header->isSectionHidden(column))
                continue;
            const QModelIndex index = rows->index(row, column, rootIndex());
            QStyleOptionViewItem cell = option;
            cell.rect = QRect(header->sectionViewportPosition(column), y, header->sectionSize(column) - grid,
                              m_RowHeight - grid);
            if (alternatingRowColors() && (row & 1))
                cell.features |= QStyleOptionViewItem::Alternate;
            if (selection && selection->isSelected(index))
                cell.state |= QStyle::State_Selected;
            if (option.state & QStyle::State_Enabled) {
                const bool enabled = rows->flags(index) & Qt::ItemIsEnabled;
                if (!enabled)
                    cell.state &= ~QStyle::State_Enabled;
                cell.palette.setCurrentColorGroup(enabled ? QPalette::Normal : QPalette::Disabled);
            }
            if (focus && index == current)
                cell.state |= QStyle::State_HasFocus;
            style()->drawPrimitive(QStyle::PE_PanelItemViewRow, &cell, &painter, this);
            itemDelegateForIndex(index)->paint(&painter, cell, index);
        }
    }
    if (!grid)
        return;
    const QColor gridColor = QColor::fromRgba(QRgb(style()->styleHint(QStyle::SH_Table_GridLineColor, &option, this)));
    painter.setPen(QPen(gridColor, 0, gridStyle()));
    const int rowsBottom = RowTop(bottom) + m_RowHeight - 1;
    for (int row = top; row <= bottom; ++row) {
        const int y = RowTop(row) + m_RowHeight - 1;
        painter.drawLine(dirty.left(), y, dirty.right(), y);
    }
    for (int visual = leftVisual; visual <= rightVisual; ++visual) {
        const int column = header->logicalIndex(visual);
        if (header->isSectionHidden(column))
            continue;
        const int x = header->sectionViewportPosition(column) + header->sectionSize(column) - 1;
        painter.drawLine(x, std::max(0, dirty.top()), x, std::min(dirty.bottom(), rowsBottom));
    }
}

} // namespace Syslog
