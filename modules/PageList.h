// The lists of the configuration pages: one item model of plain row records
// (never a widget per row) shown in a table view with fixed row heights,
// whole-row selection and the pages' header rules.
//
// - Read-only lists sort on header clicks by one of two rules:
//   SortShared    one sort column and one direction: a click on the sort
//                 column turns the direction over, a click on another
//                 column makes it the sort column, rising;
//   SortPerColumn every column keeps its own direction, neutral at first
//                 (every comparison equal, so the rows keep their record
//                 order); a click makes the column the sort column and turns
//                 its direction over (neutral or falling -> rising, rising
//                 -> falling).
//   Sorting is stable; the comparison is the page's (text by default).
// - Editable lists keep, per row, the values as loaded and as edited;
//   TRowEditors ties the edit controls below the list to the selected row
//   and gives value columns the header rule "every row takes the next choice
//   after the first row's value, wrapping".
#pragma once

#include "ListColumns.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QObject>
#include <QStringList>
#include <QTableView>

#include <cstdint>
#include <functional>
#include <vector>

class QComboBox;
class QSpinBox;
class TWideSpin;

struct TPageRow {
    QStringList Texts;                // one per column
    QIcon Icon;                       // shown in the first column
    QString IconText;                 // what the image means, told to screen readers
    int64_t Key = 0;                  // the page's own key (port index, row number, ...)
    std::vector<int64_t> Loaded;      // editable lists: values as loaded
    std::vector<int64_t> Edited;      // editable lists: values as edited
    int Check = -1;                   // check lists: the first column's Qt::CheckState; -1 no box
};

// Compares two texts byte by byte (UTF-8) with a-z taken as upper case; a
// text that is a prefix of the other sorts first. <0, 0 or >0.
int CompareText(const QString& a, const QString& b);
// Compares UTF-16 texts in code point order (the order of their UTF-8
// bytes), case-sensitive; a text that is a prefix of the other sorts first.
int CompareCodePoints(QStringView a, QStringView b);
// Three-way comparison of two numbers.
template <class T>
int CompareNumbers(T a, T b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

class TPageListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TPageListModel(QStringList headers, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Rows with a check box (TPageRow::Check) are ticked by the user.
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // Rows are appended in one insertion per call.
    void Append(TPageRow row);
    void Append(std::vector<TPageRow> rows);
    void Clear();
    // Removes the given rows (any order; out-of-range rows are skipped).
    void Remove(std::vector<int> rows);
    void SetText(int row, int column, const QString& text);
    // `text` says what the image means (the first cell's accessible
    // description), so the state is not shown by the image alone.
    void SetIcon(int row, const QIcon& icon, const QString& text = QString());
    // Check lists: ticks or unticks a row that has a check box.
    void SetChecked(int row, bool checked);
    bool Checked(int row) const;
    void SetAlignment(int column, Qt::Alignment alignment);
    // Texts made when they are shown: a long list keeps only the values
    // its texts come from. Used for every text a row leaves null.
    using TTextFunction = std::function<QString(const TPageRow& row, int column)>;
    void SetTextFunction(TTextFunction text) { m_TextFunction = std::move(text); }
    // The text a cell shows.
    QString Text(int row, int column) const;
    const TPageRow& Row(int row) const { return m_Rows[size_t(row)]; }
    TPageRow& MutableRow(int row) { return m_Rows[size_t(row)]; }
    const std::vector<TPageRow>& Rows() const { return m_Rows; }
    // Reorders the rows by `less`, stably, keeping the selection on its rows.
    void StableSort(const std::function<bool(const TPageRow&, const TPageRow&)>& less);
    // Puts row order[i] at position i (order is a permutation of the rows).
    void Reorder(const std::vector<uint32_t>& order);

private:
    QStringList m_Headers;
    std::vector<Qt::Alignment> m_Alignment;
    std::vector<TPageRow> m_Rows;
    TTextFunction m_TextFunction;
};

class TPageList : public QTableView {
    Q_OBJECT
public:
    enum TSortRule { SortNone, SortShared, SortPerColumn };
    // Compares rows A and B by `column`: <0, 0 or >0 (before the direction).
    using TCompare = std::function<int(const TPageRow& a, const TPageRow& b, int column)>;

    TPageList(QStringList headers, QWidget* parent);

    TPageListModel* Model() const { return m_Model; }
    int RowCount() const { return m_Model->rowCount(); }
    const TPageRow& Row(int row) const { return m_Model->Row(row); }
    QString Text(int row, int column) const { return m_Model->Text(row, column); }

    // Appends a row of texts; returns its index.
    int AddRow(QStringList texts, int64_t key = 0);
    void Clear();

    // The selected row, or -1.
    int SelectedRow() const;
    // Every selected row, rising (lists that allow several).
    std::vector<int> SelectedRows() const;
    void SelectRow(int row);

    void SetSortRule(TSortRule rule, int column = 0, int direction = 1);
    void SetCompare(TCompare compare) { m_Compare = std::move(compare); }
    // Fast paths for long lists. A numeric key: true (and the key) for the
    // columns that compare as numbers. A text: the text a column compares
    // by, in code point order (case-sensitive; a prefix first), or null.
    using TSortKey = std::function<bool(const TPageRow& row, int column, int64_t& key)>;
    using TSortText = std::function<const QString*(const TPageRow& row, int column)>;
    void SetSortKey(TSortKey key) { m_Key = std::move(key); }
    void SetSortText(TSortText text) { m_Text = std::move(text); }
    // Sorts by the current sort column and direction (after filling).
    void Sort();
    int SortColumn() const { return m_SortColumn; }
    int Direction(int column) const;

    // The minimum widths of the columns, in pixels; a column is also as wide
    // as its header and its contents, and the last one takes the rest.
    void SetColumnWidths(const std::vector<int>& widths);
    // Set widths instead (FixColumns); `fillColumn` (the last column when
    // negative) takes the rest of the list's width. Longer texts are cut
    // with an ellipsis and shown whole as the cell's tool tip.
    void SetFixedColumns(const std::vector<TFixedColumn>& columns, int fillColumn = -1);
    // The width a column needs for a text of that many characters.
    int TextWidth(int characters) const;

signals:
    // After the selected row changed (-1: none), with SelectedRow() already
    // giving `row`, whether the row was chosen by mouse, keys or SelectRow.
    void RowSelected(int row);
    // A header was clicked (after the list's own sort rule ran).
    void HeaderClicked(int column);

private:
    void EventOnHeaderClick(int column);
    void EventOnSelectionMoved();

    TPageListModel* m_Model;
    int m_Reported = -1;   // the row RowSelected last gave
    TSortRule m_Rule = SortNone;
    int m_SortColumn = 0;
    int m_SharedDirection = 1;
    std::vector<int> m_Directions;
    TCompare m_Compare;
    TSortKey m_Key;
    TSortText m_Text;
};

// Ties the edit controls below an editable list to its selected row. Each
// bound column shows one value slot of the rows (TPageRow::Edited[slot]).
// A slot holds the value as read until the user edits that slot of that row
// (through its editor or its header): a value outside an editor's range is
// kept, shown as its number, and sent back unchanged.
class TRowEditors final : public QObject {
    Q_OBJECT
public:
    explicit TRowEditors(TPageList* list);

    // A pick list whose item index is the value; the column shows the item's
    // text. `headerCycles`: a click on the column's header gives every row
    // the next choice after the first row's value, wrapping.
    void BindChoice(int column, int slot, QComboBox* box, QWidget* label = nullptr, bool headerCycles = true);
    // A number spinner; the column shows the value in decimal.
    void BindSpin(int column, int slot, QSpinBox* spin, QWidget* label = nullptr);
    void BindSpin(int column, int slot, TWideSpin* spin, QWidget* label = nullptr);
    // Any other editor: `load` shows a value in it, `text` gives the column
    // text of a value; the editor calls SetEdited when it changes.
    void BindCustom(int column, int slot, QWidget* editor, std::function<void(int64_t)> load,
                    std::function<QString(int64_t)> text, QWidget* label = nullptr);
    // A control enabled only while a row is selected, with no value of its own.
    void AddControl(QWidget* widget) { m_Extra.push_back(widget); }

    // Appends a row whose loaded and edited values are `values`, with its
    // bound columns' texts; returns its index.
    int AddRow(const QString& caption, std::vector<int64_t> values, int64_t key = 0);
    // Writes a value of the selected row and its column text.
    void SetEdited(int slot, int64_t value);
    // Writes a value of one row and its column text.
    void SetRowValue(int row, int slot, int64_t value);
    // Recomputes every bound text of a row from its edited values.
    void UpdateTexts(int row);
    // Disables the editors (no row selected); the list calls it on reload.
    void Reset();

    // The text a column shows for a value.
    QString ColumnText(int column, int64_t value) const;

signals:
    // After a header click changed every row, and after any edit.
    void Edited();

private:
    struct TBinding {
        int Column;
        int Slot;
        QWidget* Editor;
        QWidget* Label;
        int Choices;   // > 0: header cycling over this many choices
        std::function<void(int64_t)> Load;
        std::function<QString(int64_t)> Text;
    };
    void EventOnRowSelected(int row);
    void EventOnHeaderClick(int column);
    void EnableEditors(bool on);

    TPageList* m_List;
    std::vector<TBinding> m_Bindings;
    std::vector<QWidget*> m_Extra;
    bool m_Loading = false;
};
