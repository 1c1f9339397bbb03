// The shape the MAC blacklist and port security pages share: a list of
// addresses, a field for an address typed as 12 hexadecimal digits, and
// "&Add" and "&Delete", which send one request per current device with the
// address the field last parsed to. Selecting a row puts its address into
// the field; the address rule enables Add for an address not listed and
// Delete for one listed, neither for text that is not an address. Each
// reload empties the list and the field, fills, and runs the address rule
// again; leaving the page empties the list. A page of this shape declares
// its read and fill, its list rule and its two requests.
#pragma once

#include "Intp.h"
#include "ModulePage.h"

#include <functional>
#include <optional>

class QFormLayout;
class QLineEdit;
class QPushButton;
class TPageList;

class TMacEntryPage : public TModulePage {
    Q_OBJECT
public:
    // `macColumn`: the list column showing the addresses; `upper`: the
    // field's letter case.
    TMacEntryPage(const QString& caption, QWidget* parent, const QStringList& headers, int macColumn, bool upper);

protected:
    using TMacRule = std::function<bool(const Intp::TMacAddr& mac)>;
    using TMacRequest = std::function<Intp::TSession*(const Intp::TMacAddr& mac)>;
    // Whether `mac` is listed as the page's rule understands it.
    void ListsBy(TMacRule listed) { m_Listed = std::move(listed); }
    // The requests "&Add" and "&Delete" send for an address (null sends
    // nothing).
    void SendsWith(TMacRequest add, TMacRequest del)
    {
        m_AddRequest = std::move(add);
        m_DelRequest = std::move(del);
    }
    // A row was selected, before its address goes into the field.
    void OnRowPicked(std::function<void(int row)> picked) { m_Picked = std::move(picked); }

    void AddressRule();
    // Empties the list without emptying the field.
    void EmptyList();
    // Empties the list and the field.
    void EmptyEntries();

    TPageList* List() const { return m_List; }
    QFormLayout* Form() const { return m_Form; }

private:
    void EventOnListSelect(int row);
    void Send(bool add);

    TPageList* m_List;
    QFormLayout* m_Form;
    QLineEdit* m_MAC;
    QPushButton* m_Add;
    QPushButton* m_Delete;
    int m_MacColumn;
    bool m_Upper;
    TMacRule m_Listed;
    TMacRequest m_AddRequest;
    TMacRequest m_DelRequest;
    std::function<void(int)> m_Picked;
    std::optional<Intp::TMacAddr> m_Kept;
    bool m_Emptying = false;
};
