#include "ListColumns.h"

#include "VisibleText.h"

#include <QAbstractItemModel>
#include <QEvent>
#include <QFontDatabase>
#include <QHash>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QHelpEvent>
#include <QScrollBar>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QToolTip>
#include <QTreeView>

#include <algorithm>
#include <climits>
#include <numeric>

namespace {

// Cells measured at most per frame (a pass of the event loop, or several
// passes that follow each other within one frame); what changes beyond that
// is caught up by measuring the rows in sight when the frame is over.
constexpr int CellBudget = 32;
constexpr int FrameMs = 16;
// Widths of texts measured before, kept up to this many.
constexpr int CacheSize = 4096;
// Of a longer cell text only this many characters are measured.
constexpr int LongText = 256;

const char* const FitterName = "ColumnFitter";

// How wide a line of typical text is in the view's font: widths given for
// one font are scaled by its change for another.
const QString& SampleLine()
{
    static const QString line = QStringLiteral("The quick brown fox jumps over 12 lazy dogs");
    return line;
}

int SampleWidth(const QWidget* view) { return view->fontMetrics().horizontalAdvance(SampleLine()); }

// The margins a view's cell keeps beside its text.
int CellMargins(const QWidget* view)
{
    return 2 * (view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1);
}

// The width of a cell cut down to a few characters and the ellipsis, with
// room for an image beside them when `image`.
int FewCharacters(const QAbstractItemView* view, bool image)
{
    const QFontMetrics metrics = view->fontMetrics();
    int width = 3 * metrics.averageCharWidth() + metrics.horizontalAdvance(QChar(0x2026)) + CellMargins(view);
    if (image)
        width += view->iconSize().width() + CellMargins(view);
    return width;
}

// Narrows `columns` by up to `excess` pixels altogether, each in proportion
// to its width and no further than its floor.
void GiveWay(const std::vector<int>& columns, std::vector<int>& widths, const std::vector<int>& floors, int excess)
{
    while (excess > 0) {
        int slack = 0, sum = 0;
        for (int column : columns)
            if (widths[size_t(column)] > floors[size_t(column)]) {
                slack += widths[size_t(column)] - floors[size_t(column)];
                sum += widths[size_t(column)];
            }
        if (slack == 0)
            return;
        if (slack <= excess) {
            for (int column : columns)
                widths[size_t(column)] = std::min(widths[size_t(column)], floors[size_t(column)]);
            return;
        }
        int taken = 0;
        for (int column : columns) {
            int& width = widths[size_t(column)];
            if (width <= floors[size_t(column)])
                continue;
            const int share = std::max(1, int(int64_t(excess) * width / sum));
            const int cut = std::min({share, width - floors[size_t(column)], excess - taken});
            width -= cut;
            taken += cut;
        }
        excess -= taken;
    }
}

// Lays the header's columns out in `room` pixels: `widths` as wanted (0 for
// a hidden column), the `fill` column (or -1) widened to take what the
// others leave. Where the room is short, the columns give way rank by rank,
// the lowest first, those of one rank together, each down to its floor; a
// column of a negative rank never gives way. `applying` is set while the
// sections are resized.
void LayOut(QHeaderView* header, std::vector<int>& widths, const std::vector<int>& floors,
            const std::vector<int>& ranks, int fill, int room, bool& applying)
{
    auto total = [&] { return std::accumulate(widths.begin(), widths.end(), 0); };
    if (fill >= 0 && fill < int(widths.size()) && widths[size_t(fill)] > 0)
        widths[size_t(fill)] = std::max(widths[size_t(fill)], room - (total() - widths[size_t(fill)]));
    std::vector<int> order;
    for (int rank : ranks)
        if (rank >= 0)
            order.push_back(rank);
    std::sort(order.begin(), order.end());
    order.erase(std::unique(order.begin(), order.end()), order.end());
    for (int rank : order) {
        if (total() <= room)
            break;
        std::vector<int> columns;
        for (size_t column = 0; column < ranks.size(); ++column)
            if (ranks[column] == rank)
                columns.push_back(int(column));
        GiveWay(columns, widths, floors, total() - room);
    }
    applying = true;
    for (int column = 0; column < int(widths.size()); ++column)
        if (!header->isSectionHidden(column) && header->sectionSize(column) != widths[size_t(column)])
            header->resizeSection(column, widths[size_t(column)]);
    applying = false;
}

class TColumnFitter final : public QObject {
public:
    TColumnFitter(QAbstractItemView* view, QHeaderView* header, QTreeView* tree)
        : QObject(header), m_View(view), m_Header(header), m_Tree(tree)
    {
        setObjectName(FitterName);
        header->setStretchLastSection(false);
        // A column may grow wider than the view (a long message): its
        // caption at its left edge stays in view, where a centred one would
        // not.
        header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        m_Clock.start();
        m_CatchUp.setSingleShot(true);
        connect(&m_CatchUp, &QTimer::timeout, this, &TColumnFitter::CatchUp);
        QAbstractItemModel* model = view->model();
        // Only what changes a cell's width is measured, and the columns are
        // touched only when a cell turned out wider than its column knew.
        connect(model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex& parent, int first, int last) {
            m_Grown = false;
            MeasureRows(parent, first, last, true);
            if (m_Grown)
                Apply(false);
        });
        connect(model, &QAbstractItemModel::dataChanged, this,
                [this](const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles) {
                    if (!roles.isEmpty() && !roles.contains(Qt::DisplayRole) && !roles.contains(Qt::DecorationRole) &&
                        !roles.contains(Qt::FontRole))
                        return;
                    m_Grown = false;
                    MeasureRows(topLeft.parent(), topLeft.row(), bottomRight.row(), false, topLeft.column(),
                                bottomRight.column());
                    if (m_Grown)
                        Apply(false);
                });
        connect(model, &QAbstractItemModel::modelReset, this, &TColumnFitter::Refit);
        connect(model, &QAbstractItemModel::columnsInserted, this, &TColumnFitter::Refit);
        connect(model, &QAbstractItemModel::columnsRemoved, this, &TColumnFitter::Refit);
        connect(model, &QAbstractItemModel::headerDataChanged, this, [this] {
            MeasureHeader();
            Apply(false);
        });
        // The last column follows the others and the width of the view. A
        // column sized by hand keeps the user's width.
        connect(header, &QHeaderView::sectionResized, this, [this](int column, int, int size) {
            if (m_Applying || column == LastColumn())
                return;
            if (m_GivesWay >= 0 && column >= 0) {
                if (size_t(column) >= m_ByHand.size())
                    m_ByHand.resize(size_t(column) + 1, -1);
                m_ByHand[size_t(column)] = size;
            }
            FillLast();
        });
        // Rows that come into sight are measured.
        connect(view->verticalScrollBar(), &QScrollBar::valueChanged, this, &TColumnFitter::CatchUpLater);
        if (tree)
            connect(tree, &QTreeView::expanded, this, &TColumnFitter::CatchUpLater);
        view->viewport()->installEventFilter(this);
        view->installEventFilter(this);
    }

    void SetMinimums(const std::vector<int>& minimums, int givesWay)
    {
        m_Minimums = minimums;
        m_GivesWay = givesWay;
        m_ByHand.clear();
        m_Sample = SampleWidth(m_View);
        Refit();
    }

    int ContentWidth(int column) const
    {
        return column >= 0 && column < int(m_Content.size()) ? m_Content[size_t(column)] : 0;
    }

    // Forgets what was measured, measures the rows in sight and a sample of
    // the others, and sets every column to what it needs.
    void Refit()
    {
        m_Scale = double(SampleWidth(m_View)) / std::max(1, m_Sample);
        m_Content.assign(size_t(std::max(0, m_View->model()->columnCount())), 0);
        m_Widths[0].clear();
        m_Widths[1].clear();
        MeasureHeader();
        if (m_View->isVisible()) {
            m_Stale = false;
            MeasureInSight();
            const int rows = m_View->model()->rowCount(m_View->rootIndex());
            if (rows > 0)
                MeasureRows(m_View->rootIndex(), 0, rows - 1, true);
        }
        Apply(true);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_View) {
            // Another font: every text measures anew, the minimums with it.
            if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
                Refit();
        } else if (event->type() == QEvent::Resize) {
            FillLast();
            CatchUpLater();
        } else if (event->type() == QEvent::Show) {
            CatchUpLater();
        }
        return false;
    }

private:
    int LastColumn() const
    {
        for (int visual = m_Header->count() - 1; visual >= 0; --visual) {
            const int column = m_Header->logicalIndex(visual);
            if (!m_Header->isSectionHidden(column))
                return column;
        }
        return -1;
    }

    void MeasureHeader()
    {
        m_HeaderHints.assign(size_t(m_Header->count()), 0);
        if (!m_Header->isHidden())
            for (int column = 0; column < m_Header->count(); ++column)
                m_HeaderHints[size_t(column)] = m_Header->sectionSizeHint(column);
    }

    int Needed(int column) const
    {
        int width = ContentWidth(column);
        if (column < int(m_Minimums.size()))
            width = std::max(width, int(m_Minimums[size_t(column)] * m_Scale + 0.5));
        if (column < int(m_HeaderHints.size()))
            width = std::max(width, m_HeaderHints[size_t(column)]);
        return width;
    }

    // Widens the columns that need it (with `exact`, also narrows them to
    // what they need), then lets the last one fill the view.
    void Apply(bool exact)
    {
        m_Applying = true;
        const int last = LastColumn();
        for (int column = 0; column < m_Header->count(); ++column) {
            if (column == last || m_Header->isSectionHidden(column))
                continue;
            const int width = Needed(column);
            if (exact ? m_Header->sectionSize(column) != width : m_Header->sectionSize(column) < width)
                m_Header->resizeSection(column, width);
        }
        m_Applying = false;
        FillLast();
    }

    void FillLast()
    {
        const int last = LastColumn();
        if (last < 0 || m_Applying)
            return;
        if (m_GivesWay >= 0) {
            GiveWayWhereNarrow(last);
            return;
        }
        const int others = m_Header->length() - m_Header->sectionSize(last);
        const int width = std::max(Needed(last), m_View->viewport()->width() - others);
        if (m_Header->sectionSize(last) != width) {
            m_Applying = true;
            m_Header->resizeSection(last, width);
            m_Applying = false;
        }
    }

    // With a column that gives way, every column is laid out anew: as wide
    // as its contents and caption, the last one taking the rest. Where the
    // view is too narrow, that column gives way first, down to a few
    // characters, then the others but the last, down to their minimums (how
    // far they give way, here, not widths they keep) and captions, then the
    // last one, down to its caption.
    void GiveWayWhereNarrow(int last)
    {
        const int count = m_Header->count();
        std::vector<int> widths(size_t(count), 0), floors(size_t(count), 0), ranks(size_t(count), -1);
        for (int column = 0; column < count; ++column) {
            if (m_Header->isSectionHidden(column))
                continue;
            const size_t c = size_t(column);
            if (c < m_ByHand.size() && m_ByHand[c] >= 0) {
                widths[c] = m_ByHand[c];
                continue;
            }
            const int caption = c < m_HeaderHints.size() ? m_HeaderHints[c] : 0;
            widths[c] = std::max(ContentWidth(column), caption);
            int floor = caption;
            if (column == m_GivesWay)
                floor = FewCharacters(m_View, false);
            else if (column != last && column < int(m_Minimums.size()))
                floor = std::max(floor, int(m_Minimums[c] * m_Scale + 0.5));
            floors[c] = std::min(floor, widths[c]);
            ranks[c] = column == m_GivesWay ? 0 : column == last ? 2 : 1;
        }
        LayOut(m_Header, widths, floors, ranks, last, m_View->viewport()->width(), m_Applying);
    }

    // Soon (at most a frame from now): a fresh budget, and the rows in
    // sight measured when changes went unmeasured.
    void CatchUpLater()
    {
        m_Stale = true;
        PostCatchUp();
    }

    // The budget comes back once per frame: at the end of this pass when
    // the last refill is a frame old, else when the frame is over. A burst
    // of changes spread over many short passes so costs no more than one
    // frame's cells per frame.
    void PostCatchUp()
    {
        if (m_CatchUp.isActive())
            return;
        m_CatchUp.start(int(std::max<qint64>(0, m_Refilled + FrameMs - m_Clock.elapsed())));
    }

    void CatchUp()
    {
        m_Refilled = m_Clock.elapsed();
        m_Budget = CellBudget;
        if (!m_Stale || !m_View->isVisible())
            return;
        m_Stale = false;
        m_Grown = false;
        MeasureInSight();
        if (m_Grown)
            Apply(false);
    }

    // Takes one cell from this frame's budget; false when it is spent (or the
    // view is not shown), and the change is then caught up later.
    bool TakeCell()
    {
        if (m_View->isVisible() && m_Budget > 0) {
            if (m_Budget-- == CellBudget)
                PostCatchUp();
            return true;
        }
        m_Stale = true;
        if (m_View->isVisible())
            PostCatchUp();
        return false;
    }

    void MeasureInSight()
    {
        const int height = m_View->viewport()->height();
        const int saved = m_Budget;
        m_Budget = INT_MAX;   // the rows in sight are few
        for (int y = 0; y < height;) {
            const QModelIndex index = m_View->indexAt(QPoint(0, y));
            if (!index.isValid())
                break;
            MeasureRow(index.parent(), index.row(), 0, INT_MAX, false);
            const QRect rect = m_View->visualRect(index);
            y = std::max(y + 1, rect.bottom() + 1);
        }
        m_Budget = saved;
    }

    int CellWidth(const QModelIndex& index)
    {
        const QString text = index.data(Qt::DisplayRole).toString();
        const bool icon = !index.data(Qt::DecorationRole).isNull();
        int width;
        if (text.size() > LongText) {
            const int margin = m_View->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_View) + 1;
            width = m_View->fontMetrics().horizontalAdvance(text.left(LongText)) + 2 * margin;
            if (icon)
                width += m_View->iconSize().width() + 2 * margin;
        } else if (!index.data(Qt::FontRole).isNull() || !index.data(Qt::CheckStateRole).isNull()) {
            width = m_View->sizeHintForIndex(index).width();
        } else {
            // A cell of the view's own font: the same text and image take
            // the same width (an item that only changed its image, or a
            // column of few distinct texts, costs no new measurement).
            QHash<QString, int>& cache = m_Widths[icon ? 1 : 0];
            const auto it = cache.constFind(text);
            if (it != cache.constEnd()) {
                width = *it;
            } else {
                width = m_View->sizeHintForIndex(index).width();
                if (cache.size() >= CacheSize)
                    cache.clear();
                cache.insert(text, width);
            }
        }
        if (m_Tree) {
            const int treeColumn = m_Tree->treePosition() < 0 ? m_Header->logicalIndex(0) : m_Tree->treePosition();
            if (index.column() == treeColumn) {
                int depth = m_Tree->rootIsDecorated() ? 1 : 0;
                for (QModelIndex p = index.parent(); p.isValid() && p != m_Tree->rootIndex(); p = p.parent())
                    ++depth;
                width += depth * m_Tree->indentation();
            }
        } else if (const auto* table = qobject_cast<const QTableView*>(m_View); table && table->showGrid()) {
            width += 1;   // the grid line takes one pixel of the cell
        }
        return width;
    }

    // With `below`, also the rows below it (a tree branch that arrives
    // whole, such as a moved group).
    void MeasureRow(const QModelIndex& parent, int row, int firstColumn, int lastColumn, bool below)
    {
        const QAbstractItemModel* model = m_View->model();
        if (m_Content.size() < size_t(std::max(0, model->columnCount(parent))))
            m_Content.resize(size_t(model->columnCount(parent)), 0);
        lastColumn = std::min(lastColumn, int(m_Content.size()) - 1);
        for (int column = std::max(0, firstColumn); column <= lastColumn; ++column) {
            if (m_Header->isSectionHidden(column) || !TakeCell())
                continue;
            const QModelIndex index = model->index(row, column, parent);
            if (!index.isValid())
                continue;
            const int width = CellWidth(index);
            if (width > m_Content[size_t(column)]) {
                m_Content[size_t(column)] = width;
                m_Grown = true;
            }
        }
        const QModelIndex first = model->index(row, 0, parent);
        if (below && m_Tree && m_Budget > 0 && model->hasChildren(first))
            MeasureRows(first, 0, model->rowCount(first) - 1, true);
    }

    // Of many rows an even sample, as far as the budget goes.
    void MeasureRows(const QModelIndex& parent, int first, int last, bool below, int firstColumn = 0,
                     int lastColumn = INT_MAX)
    {
        const int count = last - first + 1;
        const int columns = std::max(1, std::min(lastColumn, m_View->model()->columnCount(parent) - 1) -
                                            std::max(0, firstColumn) + 1);
        if (count <= 0)
            return;
        const int take = std::clamp(m_Budget / columns, 1, count);
        if (take < count)
            m_Stale = true;
        for (int i = 0; i < take; ++i) {
            // i = 0 gives the first row, i = take - 1 the last.
            const int row = take == 1 ? first : first + int(int64_t(i) * (count - 1) / (take - 1));
            MeasureRow(parent, row, firstColumn, lastColumn, below);
        }
    }

    QAbstractItemView* m_View;
    QHeaderView* m_Header;
    QTreeView* m_Tree;   // null for a table
    std::vector<int> m_Minimums;   // at the font m_Sample was measured in
    int m_Sample = 1;
    double m_Scale = 1;   // of the font in use to that font
    std::vector<int> m_Content;   // the widest cell measured, by column
    std::vector<int> m_HeaderHints;   // the width each header caption needs
    QHash<QString, int> m_Widths[2];   // by text, without and with an image
    int m_Budget = CellBudget;   // cells still to be measured in this pass
    bool m_Stale = false;   // changes went unmeasured
    QTimer m_CatchUp;
    QElapsedTimer m_Clock;
    qint64 m_Refilled = -FrameMs;   // when the budget was last refilled, on m_Clock
    bool m_Applying = false;
    bool m_Grown = false;   // a measured cell was wider than its column knew
    int m_GivesWay = -1;   // the column cut first in a view too narrow, or -1
    std::vector<int> m_ByHand;   // with it: the width the user gave a column, or -1
};

TColumnFitter* FitterOf(const QAbstractItemView* view)
{
    for (QObject* child : view->findChildren<QObject*>(FitterName))
        if (auto* fitter = dynamic_cast<TColumnFitter*>(child))
            return fitter;
    return nullptr;
}

void Fit(QAbstractItemView* view, QHeaderView* header, QTreeView* tree, const std::vector<int>& minimumWidths,
         int givesWay)
{
    if (!view || !header || !view->model())
        return;
    TColumnFitter* fitter = FitterOf(view);
    if (!fitter)
        fitter = new TColumnFitter(view, header, tree);
    if (givesWay >= 0)
        view->setTextElideMode(Qt::ElideRight);
    fitter->SetMinimums(minimumWidths, givesWay);
}

class TCutTextDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QString displayText(const QVariant& value, const QLocale& locale) const override
    {
        // Texts before the base class turns line feeds into line separators.
        const QVariant shown = ShownCellText(value);
        return shown.isValid() ? shown.toString() : QStyledItemDelegate::displayText(value, locale);
    }

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override
    {
        if (event && view && event->type() == QEvent::ToolTip && index.isValid() &&
            index.data(Qt::ToolTipRole).isNull()) {
            const QString tip = CutTextTip(view, index);
            if (!tip.isEmpty()) {
                QToolTip::showText(event->globalPos(), tip, view->viewport(), option.rect);
                return true;
            }
        }
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    }
};

} // namespace

void FitColumns(QTreeView* view, const std::vector<int>& minimumWidths, int givesWay)
{
    Fit(view, view ? view->header() : nullptr, view, minimumWidths, givesWay);
}

void FitColumns(QTableView* view, const std::vector<int>& minimumWidths, int givesWay)
{
    Fit(view, view ? view->horizontalHeader() : nullptr, nullptr, minimumWidths, givesWay);
}

int FittedContentWidth(const QAbstractItemView* view, int column)
{
    const TColumnFitter* fitter = view ? FitterOf(view) : nullptr;
    return fitter ? fitter->ContentWidth(column) : 0;
}

void ShowCutTextTips(QAbstractItemView* view)
{
    if (view)
        view->setItemDelegate(new TCutTextDelegate(view));
}

QVariant ShownCellText(const QVariant& display)
{
    if (display.userType() == QMetaType::QString)
        return Resources::VisibleText(display.toString());
    return {};
}

QString CutTextTip(const QAbstractItemView* view, const QModelIndex& index)
{
    if (!view || !index.isValid())
        return {};
    const int needed = view->sizeHintForIndex(index).width();
    const QRect shown = view->visualRect(index).intersected(view->viewport()->rect());
    if (needed <= shown.width())
        return {};
    QAbstractItemDelegate* delegate = view->itemDelegateForIndex(index);
    const QVariant value = index.data(Qt::DisplayRole);
    if (auto* styled = qobject_cast<QStyledItemDelegate*>(delegate))
        return styled->displayText(value, view->locale());
    return value.toString();
}

namespace {

// The sample line's width in the font that set widths are meant for: the
// system's general font at 12 pixels, the size of Qt's default 9-point font
// at 96 dpi.
int ReferenceSampleWidth()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(12);
    return QFontMetrics(font).horizontalAdvance(SampleLine());
}

// Lays out the set columns whenever the view's width or font changes, or a
// cell that a column's floor depends on: each column as wide as it was
// given (grown with a larger font), the filling column taking the rest.
// When the view is too narrow for that, the columns give way rank by rank
// down to their floors; only then does the view scroll sideways. A column
// the user sized by hand keeps the width the user gave it.
class TColumnFixer final : public QObject {
public:
    TColumnFixer(QAbstractItemView* view, QHeaderView* header, const std::vector<TFixedColumn>& columns, int fill)
        : QObject(header), m_View(view), m_Header(header), m_Columns(columns), m_Fill(fill),
          m_Reference(std::max(1, ReferenceSampleWidth()))
    {
        m_Columns.resize(size_t(std::max(0, header->count())));
        m_ByHand.assign(m_Columns.size(), -1);
        view->installEventFilter(this);
        view->viewport()->installEventFilter(this);
        connect(header, &QHeaderView::sectionResized, this, [this](int column, int, int size) {
            if (m_Applying || column == m_Fill || column < 0 || column >= int(m_ByHand.size()))
                return;
            m_ByHand[size_t(column)] = size;
            Place();
        });
        QAbstractItemModel* model = view->model();
        // A reset model gives the header new sections of the default width.
        connect(model, &QAbstractItemModel::modelReset, this, &TColumnFixer::Remeasure);
        connect(model, &QAbstractItemModel::columnsInserted, this, &TColumnFixer::Remeasure);
        connect(model, &QAbstractItemModel::rowsRemoved, this, &TColumnFixer::Remeasure);
        connect(model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex& parent, int first, int last) {
            if (!parent.isValid() && Measure(first, last, 0, int(m_Columns.size()) - 1))
                Place();
        });
        connect(model, &QAbstractItemModel::dataChanged, this,
                [this](const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles) {
                    if (!roles.isEmpty() && !roles.contains(Qt::DisplayRole) && !roles.contains(Qt::DecorationRole))
                        return;
                    if (!topLeft.parent().isValid() &&
                        Measure(topLeft.row(), bottomRight.row(), topLeft.column(), bottomRight.column()))
                        Place();
                });
        Remeasure();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if (watched == m_View && (type == QEvent::FontChange || type == QEvent::StyleChange))
            Remeasure();
        else if (watched != m_View && (type == QEvent::Resize || type == QEvent::Show))
            Place();
        return false;
    }

private:
    // Of the cells in rows first..last and columns from..to, what the
    // floors depend on: the widest cell of a column that gives way to its
    // contents, and whether a column that gives way to a few characters
    // shows an image. True when either grew.
    bool Measure(int first, int last, int from, int to)
    {
        const QAbstractItemModel* model = m_View->model();
        const auto* table = qobject_cast<const QTableView*>(m_View);
        const int grid = table && table->showGrid() ? 1 : 0;
        bool grew = false;
        to = std::min(to, int(m_Columns.size()) - 1);
        for (int column = std::max(0, from); column <= to; ++column) {
            const TFixedColumn::TFloor floor = m_Columns[size_t(column)].Floor;
            if (floor == TFixedColumn::FloorCaption)
                continue;
            for (int row = first; row <= last; ++row) {
                const QModelIndex index = model->index(row, column);
                if (floor == TFixedColumn::FloorFew) {
                    if (!m_Images[size_t(column)] && !index.data(Qt::DecorationRole).isNull())
                        grew = m_Images[size_t(column)] = true;
                    continue;
                }
                const int width = m_View->sizeHintForIndex(index).width() + grid;
                if (width > m_Contents[size_t(column)]) {
                    m_Contents[size_t(column)] = width;
                    grew = true;
                }
            }
        }
        return grew;
    }

    void Remeasure()
    {
        m_Contents.assign(m_Columns.size(), 0);
        m_Images.assign(m_Columns.size(), false);
        const int rows = m_View->model()->rowCount();
        if (rows > 0)
            Measure(0, rows - 1, 0, int(m_Columns.size()) - 1);
        Place();
    }

    void Place()
    {
        const int count = std::min(int(m_Columns.size()), m_Header->count());
        if (count == 0)
            return;
        const double scale = std::max(1.0, double(SampleWidth(m_View)) / m_Reference);
        const QFontMetrics metrics = m_View->fontMetrics();
        const auto* table = qobject_cast<const QTableView*>(m_View);
        const int cell = CellMargins(m_View) + (table && table->showGrid() ? 1 : 0);
        std::vector<int> widths(size_t(count), 0), floors(size_t(count), 0), ranks(size_t(count), -1);
        for (int column = 0; column < count; ++column) {
            if (m_Header->isSectionHidden(column))
                continue;
            const size_t c = size_t(column);
            if (m_ByHand[c] >= 0) {
                widths[c] = floors[c] = m_ByHand[c];
                continue;
            }
            const TFixedColumn& given = m_Columns[c];
            const int caption = m_Header->isHidden() ? 0 : m_Header->sectionSizeHint(column);
            int width = int(given.Width * scale + 0.5);
            if (!given.Sample.isEmpty())
                width = std::max(width, metrics.horizontalAdvance(given.Sample) + cell);
            if (given.Width <= 0 && given.Sample.isEmpty())
                width = caption;
            int floor = caption;
            if (given.Floor == TFixedColumn::FloorFew) {
                floor = FewCharacters(m_View, m_Images[c]);
            } else if (given.Floor == TFixedColumn::FloorContents) {
                // Never cut while it has room: as wide as its widest cell.
                floor = std::max(m_Contents[c], FewCharacters(m_View, false));
                width = std::max(width, m_Contents[c]);
            }
            widths[c] = width;
            floors[c] = std::min(floor, width);
            ranks[c] = given.Rank;
        }
        LayOut(m_Header, widths, floors, ranks, m_Fill, m_View->viewport()->width(), m_Applying);
    }

    QAbstractItemView* m_View;
    QHeaderView* m_Header;
    std::vector<TFixedColumn> m_Columns;
    int m_Fill;
    int m_Reference;   // the sample line's width in the reference font
    std::vector<int> m_ByHand;   // the width the user gave a column, or -1
    std::vector<int> m_Contents;   // the widest cell, by column (contents floors)
    std::vector<bool> m_Images;   // whether a cell shows an image (few-characters floors)
    bool m_Applying = false;
};

const char* const FixerName = "ColumnFixer";

void Fix(QAbstractItemView* view, QHeaderView* header, const std::vector<TFixedColumn>& columns, int fillColumn)
{
    if (!view || !header || !view->model())
        return;
    delete FitterOf(view);
    for (QObject* old : header->findChildren<QObject*>(FixerName, Qt::FindDirectChildrenOnly))
        delete old;
    header->setStretchLastSection(false);
    view->setTextElideMode(Qt::ElideRight);
    for (int column = 0; column < header->count(); ++column)
        header->setSectionResizeMode(column, QHeaderView::Interactive);
    auto* fixer = new TColumnFixer(view, header, columns, fillColumn);
    fixer->setObjectName(FixerName);
}

} // namespace

void FixColumns(QTableView* view, const std::vector<TFixedColumn>& columns, int fillColumn)
{
    Fix(view, view ? view->horizontalHeader() : nullptr, columns, fillColumn);
}
