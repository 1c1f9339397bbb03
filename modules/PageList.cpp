#include "PageList.h"

#include "ListColumns.h"
#include "PageEditors.h"

#include <QComboBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QSpinBox>
#include <QStyle>

#include <algorithm>

int CompareText(const QString& a, const QString& b)
{
    const QByteArray x = a.toUtf8(), y = b.toUtf8();
    const qsizetype n = std::min(x.size(), y.size());
    for (qsizetype i = 0; i < n; ++i) {
        auto up = [](char c) { return uint8_t(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c); };
        const uint8_t p = up(x[i]), q = up(y[i]);
        if (p != q)
            return p < q ? -1 : 1;
    }
    return CompareNumbers(x.size(), y.size());
}

int CompareCodePoints(QStringView a, QStringView b)
{
    const qsizetype n = std::min(a.size(), b.size());
    const char16_t* x = a.utf16();
    const char16_t* y = b.utf16();
    for (qsizetype i = 0; i < n; ++i) {
        if (x[i] == y[i])
            continue;
        // Surrogates (a code point above U+FFFF) sort above U+E000..U+FFFF.
        auto order = [](char16_t c) { return c >= 0xD800 && c < 0xE000 ? c + 0x2000 : (c >= 0xE000 ? c - 0x800 : c); };
        return order(x[i]) < order(y[i]) ? -1 : 1;
    }
    return CompareNumbers(a.size(), b.size());
}

// --- TPageListModel ----------------------------------------------------------------

TPageListModel::TPageListModel(QStringList headers, QObject* parent)
    : QAbstractTableModel(parent), m_Headers(std::move(headers)), m_Alignment(size_t(m_Headers.size()), Qt::AlignLeft | Qt::AlignVCenter)
{
}

int TPageListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(m_Rows.size()); }

int TPageListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(m_Headers.size()); }

QVariant TPageListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const TPageRow& row = m_Rows[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return Text(index.row(), index.column());
    case Qt::AccessibleTextRole:   // what the list paints
        return ShownCellText(Text(index.row(), index.column()));
    case Qt::DecorationRole:
        return index.column() == 0 && !row.Icon.isNull() ? QVariant(row.Icon) : QVariant();
    case Qt::AccessibleDescriptionRole:
        return index.column() == 0 && !row.Icon.isNull() && !row.IconText.isEmpty() ? QVariant(row.IconText) : QVariant();
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(m_Alignment[size_t(index.column())]);
    case Qt::CheckStateRole:
        return index.column() == 0 && row.Check >= 0 ? QVariant(row.Check) : QVariant();
    default:
        return {};
    }
}

QVariant TPageListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < m_Headers.size())
        return m_Headers[section];
    return {};
}

Qt::ItemFlags TPageListModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == 0 && index.row() < int(m_Rows.size()) && m_Rows[size_t(index.row())].Check >= 0)
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

bool TPageListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::CheckStateRole || !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid) ||
        index.column() != 0 || m_Rows[size_t(index.row())].Check < 0)
        return false;
    SetChecked(index.row(), value.toInt() == Qt::Checked);
    return true;
}

void TPageListModel::SetChecked(int row, bool checked)
{
    if (row < 0 || row >= int(m_Rows.size()))
        return;
    m_Rows[size_t(row)].Check = checked ? Qt::Checked : Qt::Unchecked;
    emit dataChanged(index(row, 0), index(row, 0), {Qt::CheckStateRole});
}

bool TPageListModel::Checked(int row) const
{
    return row >= 0 && row < int(m_Rows.size()) && m_Rows[size_t(row)].Check == Qt::Checked;
}

QString TPageListModel::Text(int row, int column) const
{
    if (row < 0 || row >= int(m_Rows.size()))
        return {};
    const TPageRow& r = m_Rows[size_t(row)];
    QString text = r.Texts.value(column);
    if (text.isNull() && m_TextFunction)
        return m_TextFunction(r, column);
    return text;
}

void TPageListModel::Append(TPageRow row)
{
    const int at = int(m_Rows.size());
    beginInsertRows(QModelIndex(), at, at);
    m_Rows.push_back(std::move(row));
    endInsertRows();
}

void TPageListModel::Append(std::vector<TPageRow> rows)
{
    if (rows.empty())
        return;
    const int at = int(m_Rows.size());
    beginInsertRows(QModelIndex(), at, at + int(rows.size()) - 1);
    std::move(rows.begin(), rows.end(), std::back_inserter(m_Rows));
    endInsertRows();
}

void TPageListModel::Clear()
{
    if (m_Rows.empty())
        return;
    beginResetModel();
    m_Rows.clear();
    m_Rows.shrink_to_fit();
    endResetModel();
}

void TPageListModel::Remove(std::vector<int> rows)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    // From the last, so the earlier indices stay put.
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        if (*it < 0 || *it >= int(m_Rows.size()))
            continue;
        beginRemoveRows(QModelIndex(), *it, *it);
        m_Rows.erase(m_Rows.begin() + *it);
        endRemoveRows();
    }
}

void TPageListModel::SetText(int row, int column, const QString& text)
{
    if (row < 0 || row >= int(m_Rows.size()) || column < 0 || column >= m_Headers.size())
        return;
    QStringList& texts = m_Rows[size_t(row)].Texts;
    while (texts.size() <= column)
        texts.append(QString());
    texts[column] = text;
    emit dataChanged(index(row, column), index(row, column), {Qt::DisplayRole});
}

void TPageListModel::SetIcon(int row, const QIcon& icon, const QString& text)
{
    if (row < 0 || row >= int(m_Rows.size()))
        return;
    m_Rows[size_t(row)].Icon = icon;
    m_Rows[size_t(row)].IconText = text;
    emit dataChanged(index(row, 0), index(row, 0), {Qt::DecorationRole, Qt::AccessibleDescriptionRole});
}

void TPageListModel::SetAlignment(int column, Qt::Alignment alignment)
{
    if (column >= 0 && column < int(m_Alignment.size()))
        m_Alignment[size_t(column)] = alignment;
}

void TPageListModel::StableSort(const std::function<bool(const TPageRow&, const TPageRow&)>& less)
{
    std::vector<uint32_t> order(m_Rows.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = uint32_t(i);
    std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return less(m_Rows[a], m_Rows[b]); });
    Reorder(order);
}

void TPageListModel::Reorder(const std::vector<uint32_t>& order)
{
    if (m_Rows.size() < 2 || order.size() != m_Rows.size())
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<TPageRow> sorted;
    sorted.reserve(m_Rows.size());
    std::vector<int> newPlace(m_Rows.size());
    for (size_t i = 0; i < order.size(); ++i) {
        newPlace[order[i]] = int(i);
        sorted.push_back(std::move(m_Rows[order[i]]));
    }
    m_Rows = std::move(sorted);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& index : from)
        to.append(this->index(newPlace[size_t(index.row())], index.column()));
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

// --- TPageList -------------------------------------------------------------------

TPageList::TPageList(QStringList headers, QWidget* parent) : QTableView(parent)
{
    m_Model = new TPageListModel(std::move(headers), this);
    setModel(m_Model);
    setSelectionBehavior(SelectRows);
    setSelectionMode(SingleSelection);
    setEditTriggers(NoEditTriggers);
    setWordWrap(false);
    setShowGrid(false);
    verticalHeader()->hide();
    // Fixed row heights: a long list costs no per-row measuring.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_Directions.assign(size_t(m_Model->columnCount()), 0);
    // Columns as wide as their headers and contents; control characters of
    // a switch's texts shown as symbols, a cut-off text in full as a tip.
    FitColumns(this);
    ShowCutTextTips(this);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &TPageList::EventOnHeaderClick);
    // RowSelected comes once the current row and the selection agree, so
    // that SelectedRow() gives the same row inside its handlers, however the
    // row was chosen: a mouse click makes the row current before it selects
    // it, the arrow keys and SelectRow do both before either signal.
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this, &TPageList::EventOnSelectionMoved);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &TPageList::EventOnSelectionMoved);
    // Rows that move with their selection are no new choice.
    auto moved = [this] { m_Reported = SelectedRow(); };
    connect(m_Model, &QAbstractItemModel::layoutChanged, this, moved);
    connect(m_Model, &QAbstractItemModel::rowsInserted, this, moved);
    connect(m_Model, &QAbstractItemModel::rowsRemoved, this, moved);
    connect(m_Model, &QAbstractItemModel::rowsMoved, this, moved);
    connect(m_Model, &QAbstractItemModel::modelReset, this, [this] {
        m_Reported = -1;
        emit RowSelected(-1);
    });
}

void TPageList::EventOnSelectionMoved()
{
    const int row = SelectedRow();
    // The current row not yet selected while another still is: a click
    // half done.
    if ((row < 0 && selectionModel()->hasSelection()) || row == m_Reported)
        return;
    m_Reported = row;
    emit RowSelected(row);
}

int TPageList::AddRow(QStringList texts, int64_t key)
{
    TPageRow row;
    row.Texts = std::move(texts);
    row.Key = key;
    m_Model->Append(std::move(row));
    return m_Model->rowCount() - 1;
}

void TPageList::Clear()
{
    selectionModel()->clear();
    m_Model->Clear();
}

int TPageList::SelectedRow() const
{
    const QModelIndex current = selectionModel()->currentIndex();
    return current.isValid() && selectionModel()->isRowSelected(current.row(), QModelIndex()) ? current.row() : -1;
}

std::vector<int> TPageList::SelectedRows() const
{
    std::vector<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void TPageList::SelectRow(int row)
{
    if (row < 0 || row >= m_Model->rowCount())
        return;
    selectionModel()->setCurrentIndex(m_Model->index(row, 0),
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(m_Model->index(row, 0));
}

void TPageList::SetSortRule(TSortRule rule, int column, int direction)
{
    m_Rule = rule;
    m_SortColumn = column;
    m_SharedDirection = direction;
    m_Directions.assign(size_t(m_Model->columnCount()), 0);
}

int TPageList::Direction(int column) const
{
    if (m_Rule == SortShared)
        return column == m_SortColumn ? m_SharedDirection : 0;
    return column >= 0 && column < int(m_Directions.size()) ? m_Directions[size_t(column)] : 0;
}

void TPageList::Sort()
{
    if (m_Rule == SortNone || m_Model->rowCount() < 2)
        return;
    const int column = m_SortColumn;
    const int direction = Direction(column);
    if (direction == 0)
        return;   // neutral: every comparison is equal, the record order stays
    const std::vector<TPageRow>& rows = m_Model->Rows();
    int64_t probe = 0;
    if (m_Key && m_Key(rows[0], column, probe)) {
        // Numbers: sort compact (key, row) pairs.
        std::vector<std::pair<int64_t, uint32_t>> keys(rows.size());
        for (size_t i = 0; i < rows.size(); ++i) {
            keys[i].second = uint32_t(i);
            m_Key(rows[i], column, keys[i].first);
        }
        std::stable_sort(keys.begin(), keys.end(), [direction](const auto& a, const auto& b) {
            return direction > 0 ? a.first < b.first : b.first < a.first;
        });
        std::vector<uint32_t> order(rows.size());
        for (size_t i = 0; i < keys.size(); ++i)
            order[i] = keys[i].second;
        m_Model->Reorder(order);
        return;
    }
    if (m_Text && m_Text(rows[0], column)) {
        std::vector<std::pair<QStringView, uint32_t>> texts(rows.size());
        for (size_t i = 0; i < rows.size(); ++i) {
            const QString* text = m_Text(rows[i], column);
            texts[i] = {text ? QStringView(*text) : QStringView(), uint32_t(i)};
        }
        std::stable_sort(texts.begin(), texts.end(), [direction](const auto& a, const auto& b) {
            return CompareCodePoints(a.first, b.first) * direction < 0;
        });
        std::vector<uint32_t> order(rows.size());
        for (size_t i = 0; i < texts.size(); ++i)
            order[i] = texts[i].second;
        m_Model->Reorder(order);
        return;
    }
    auto compare = m_Compare ? m_Compare : [](const TPageRow& a, const TPageRow& b, int c) {
        return c < a.Texts.size() && c < b.Texts.size() ? CompareText(a.Texts.at(c), b.Texts.at(c)) : 0;
    };
    m_Model->StableSort([&](const TPageRow& a, const TPageRow& b) { return compare(a, b, column) * direction < 0; });
}

void TPageList::EventOnHeaderClick(int column)
{
    if (m_Rule == SortShared) {
        if (column == m_SortColumn)
            m_SharedDirection = -m_SharedDirection;
        else {
            m_SortColumn = column;
            m_SharedDirection = 1;
        }
        Sort();
    } else if (m_Rule == SortPerColumn && column >= 0 && column < int(m_Directions.size())) {
        int& direction = m_Directions[size_t(column)];
        direction = direction == 1 ? -1 : 1;
        m_SortColumn = column;
        Sort();
    }
    emit HeaderClicked(column);
}

void TPageList::SetColumnWidths(const std::vector<int>& widths) { FitColumns(this, widths); }

void TPageList::SetFixedColumns(const std::vector<TFixedColumn>& columns, int fillColumn)
{
    FixColumns(this, columns, fillColumn < 0 ? m_Model->columnCount() - 1 : fillColumn);
}

int TPageList::TextWidth(int characters) const
{
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    return fontMetrics().horizontalAdvance(QString(characters, QLatin1Char('x'))) + 2 * margin;
}

// --- TRowEditors -------------------------------------------------------------------

TRowEditors::TRowEditors(TPageList* list) : QObject(list), m_List(list)
{
    connect(list, &TPageList::RowSelected, this, &TRowEditors::EventOnRowSelected);
    connect(list, &TPageList::HeaderClicked, this, &TRowEditors::EventOnHeaderClick);
}

void TRowEditors::BindChoice(int column, int slot, QComboBox* box, QWidget* label, bool headerCycles)
{
    // A value that is none of the items (as read) shows as its number, in
    // the column and as the editor's extra item, which gives it back.
    TBinding b{column, slot, box, label, headerCycles ? ChoiceCount(box) : 0,
               [box](int64_t v) { SetChoiceValue(box, v); },
               [box](int64_t v) { return ChoiceValueText(box, v); }};
    m_Bindings.push_back(std::move(b));
    connect(box, &QComboBox::currentIndexChanged, this, [this, slot, box](int index) {
        if (!m_Loading && index >= 0)
            SetEdited(slot, ChoiceValue(box));
    });
    EnableEditors(false);
}

void TRowEditors::BindSpin(int column, int slot, QSpinBox* spin, QWidget* label)
{
    // A TLimitSpin shows a row's value outside its limits as it is.
    TBinding b{column, slot, spin, label, 0,
               [spin](int64_t v) {
                   if (auto* limited = qobject_cast<TLimitSpin*>(spin))
                       limited->SetReadValue(v);
                   else
                       spin->setValue(int(v));
               },
               [](int64_t v) { return QString::number(v); }};
    m_Bindings.push_back(std::move(b));
    connect(spin, &QSpinBox::valueChanged, this, [this, slot](int value) {
        if (!m_Loading)
            SetEdited(slot, value);
    });
    EnableEditors(false);
}

void TRowEditors::BindSpin(int column, int slot, TWideSpin* spin, QWidget* label)
{
    TBinding b{column, slot, spin, label, 0, [spin](int64_t v) { spin->SetReadValue(v); },
               [](int64_t v) { return QString::number(v); }};
    m_Bindings.push_back(std::move(b));
    connect(spin, &TWideSpin::ValueChanged, this, [this, slot](int64_t value) {
        if (!m_Loading)
            SetEdited(slot, value);
    });
    EnableEditors(false);
}

void TRowEditors::BindCustom(int column, int slot, QWidget* editor, std::function<void(int64_t)> load,
                             std::function<QString(int64_t)> text, QWidget* label)
{
    m_Bindings.push_back({column, slot, editor, label, 0, std::move(load), std::move(text)});
    EnableEditors(false);
}

QString TRowEditors::ColumnText(int column, int64_t value) const
{
    for (const TBinding& b : m_Bindings)
        if (b.Column == column)
            return b.Text(value);
    return QString::number(value);
}

int TRowEditors::AddRow(const QString& caption, std::vector<int64_t> values, int64_t key)
{
    TPageRow row;
    row.Key = key;
    row.Texts.append(caption);
    for (int c = 1; c < m_List->Model()->columnCount(); ++c)
        row.Texts.append(QString());
    for (const TBinding& b : m_Bindings)
        if (b.Slot < int(values.size()))
            row.Texts[b.Column] = b.Text(values[size_t(b.Slot)]);
    row.Loaded = values;
    row.Edited = std::move(values);
    m_List->Model()->Append(std::move(row));
    return m_List->RowCount() - 1;
}

void TRowEditors::SetRowValue(int row, int slot, int64_t value)
{
    if (row < 0 || row >= m_List->RowCount())
        return;
    TPageRow& r = m_List->Model()->MutableRow(row);
    if (slot < 0)
        return;
    if (slot >= int(r.Edited.size()))
        r.Edited.resize(size_t(slot) + 1, 0);
    r.Edited[size_t(slot)] = value;
    for (const TBinding& b : m_Bindings)
        if (b.Slot == slot)
            m_List->Model()->SetText(row, b.Column, b.Text(value));
}

void TRowEditors::SetEdited(int slot, int64_t value)
{
    const int row = m_List->SelectedRow();
    if (row < 0)
        return;
    SetRowValue(row, slot, value);
    emit Edited();
}

void TRowEditors::UpdateTexts(int row)
{
    if (row < 0 || row >= m_List->RowCount())
        return;
    const TPageRow& r = m_List->Row(row);
    for (const TBinding& b : m_Bindings)
        if (b.Slot < int(r.Edited.size()))
            m_List->Model()->SetText(row, b.Column, b.Text(r.Edited[size_t(b.Slot)]));
}

void TRowEditors::Reset() { EnableEditors(false); }

void TRowEditors::EnableEditors(bool on)
{
    for (const TBinding& b : m_Bindings) {
        b.Editor->setEnabled(on);
        if (b.Label)
            b.Label->setEnabled(on);
    }
    for (QWidget* w : m_Extra)
        w->setEnabled(on);
}

void TRowEditors::EventOnRowSelected(int row)
{
    EnableEditors(row >= 0);
    if (row < 0)
        return;
    const TPageRow& r = m_List->Row(row);
    m_Loading = true;
    for (const TBinding& b : m_Bindings)
        if (b.Slot < int(r.Edited.size()))
            b.Load(r.Edited[size_t(b.Slot)]);
    m_Loading = false;
}

void TRowEditors::EventOnHeaderClick(int column)
{
    if (m_List->RowCount() == 0)
        return;
    for (const TBinding& b : m_Bindings) {
        if (b.Column != column || b.Choices <= 0)
            continue;
        const auto& first = m_List->Row(0).Edited;
        const int64_t current = b.Slot < int(first.size()) ? first[size_t(b.Slot)] : 0;
        const int64_t next = current + 1 >= b.Choices || current < 0 ? 0 : current + 1;
        for (int row = 0; row < m_List->RowCount(); ++row)
            SetRowValue(row, b.Slot, next);
        EventOnRowSelected(m_List->SelectedRow());
        emit Edited();
        return;
    }
}
