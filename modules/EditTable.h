// Building blocks of the list pages: an editable list with its edit
// controls in a form below it (the values of a column are the row slot
// column - 1), and the base of pages whose body is one list.
#pragma once

#include "ModulePage.h"
#include "PageList.h"

#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <utility>
#include <vector>

class QComboBox;
class QBoxLayout;
class QFormLayout;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QSpinBox;
class TWideSpin;

class TEditTable final : public QWidget {
    Q_OBJECT
public:
    // `title`, when given, is a label above the list.
    TEditTable(QStringList headers, QWidget* parent, const QString& title = QString());

    TPageList* List() const { return m_List; }
    TRowEditors* Editors() const { return m_Editors; }
    QFormLayout* Form() const { return m_Form; }
    QLabel* Title() const { return m_Title; }

    // A pick list for `column` under `label`; its item index is the value.
    // `cycles`: a header click gives every row the next choice.
    QComboBox* AddChoice(int column, const QString& label, const QStringList& items, bool cycles = true);
    // A number spinner for `column` within [minimum, maximum].
    QSpinBox* AddSpin(int column, const QString& label, int minimum, int maximum);
    // A spinner for `column` over an unsigned 32-bit range (or any part).
    TWideSpin* AddWideSpin(int column, const QString& label, int64_t minimum, int64_t maximum);

    // Appends a row with its values (slot i for column i + 1).
    int AddRow(const QString& caption, std::vector<int64_t> values, int64_t key = 0);
    // Empties the list and disables the edit controls.
    void Clear();
    // The edited value of `slot` in every row, in list order, one byte each.
    std::vector<uint8_t> EditedBytes(int slot) const;
    int64_t Edited(int row, int slot) const;

private:
    TPageList* m_List;
    TRowEditors* m_Editors;
    QFormLayout* m_Form;
    QLabel* m_Title = nullptr;
};

// A page whose body is one list, emptied on every reload; `emptyOnLeave`:
// leaving the page also empties it.
class TListPage : public TModulePage {
    Q_OBJECT
public:
    TPageList* List() const { return m_List; }

protected:
    TListPage(QString caption, QStringList headers, QWidget* parent, bool emptyOnLeave);

private:
    TPageList* m_List;
};

// A page whose body is one editable list with its edit controls; the table
// empties on every reload (a page that empties more declares its own OnClear,
// the table's included).
class TEditTablePage : public TModulePage {
    Q_OBJECT
public:
    TEditTable* Table() const { return m_Table; }

protected:
    TEditTablePage(QString caption, QStringList headers, QWidget* parent);

private:
    TEditTable* m_Table;
};

// A Set session given its request by SetData(args...); null (nothing sent)
// when SetData refuses the request.
template <class TSet, class... TArgs>
Intp::TSession* NewFilledSet(TArgs&&... args)
{
    auto* set = new TSet;
    if (set->SetData(std::forward<TArgs>(args)...))
        return set;
    delete set;
    return nullptr;
}

// The texts of "Yes" (a set mark) or nothing.
QString YesText(int64_t mark);
// Compares two texts without regard to letter case: <0, 0 or >0.
int CompareNoCase(const QString& a, const QString& b);
// The "&Clear" button with the clear image.
QPushButton* NewClearButton(QWidget* parent);
// Appends to `layout` a row holding `widget` at its right; returns the row
// (for more buttons after it).
QHBoxLayout* AddRightRow(QBoxLayout* layout, QWidget* widget);
