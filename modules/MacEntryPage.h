// The shape the MAC blacklist and port security pages share: a list of
// addresses, a field for an address typed as 12 hexadecimal digits, and
// "&Add" and "&Delete", which send one request per current device with the
// address the field last parsed to. Selecting a row puts its address into
// the field; the address rule enables Add for an address not listed and
// Delete for one listed, neither for text that is not an address.
#pragma once

#include "Intp.h"
#include "ModulePage.h"

#include <optional>

class QFormLayout;
class QLabel;
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
    // Whether `mac` is listed as the page's rule understands it.
    virtual bool IsListed(const Intp::TMacAddr& mac) const = 0;
    virtual Intp::TSession* NewAddSession(Intp::TDevice* device, const Intp::TMacAddr& mac) = 0;
    virtual Intp::TSession* NewDelSession(Intp::TDevice* device, const Intp::TMacAddr& mac) = 0;
    // A row was selected, before its address goes into the field.
    virtual void OnRowSelected(int) {}

    void Clear() override;
    void AfterReload(Intp::TDevice* device) override;
    void OnLeave() override;

    void AddressRule();
    // Empties the list without emptying the field.
    void EmptyList();

    TPageList* List() const { return m_List; }
    QFormLayout* Form() const { return m_Form; }
    QLineEdit* MacField() const { return m_MAC; }
    QLabel* MacLabel() const { return m_MacLabel; }

private:
    void EventOnListSelect(int row);
    void Send(bool add);

    TPageList* m_List;
    QFormLayout* m_Form;
    QLabel* m_MacLabel;
    QLineEdit* m_MAC;
    QPushButton* m_Add;
    QPushButton* m_Delete;
    int m_MacColumn;
    bool m_Upper;
    std::optional<Intp::TMacAddr> m_Kept;
    bool m_Emptying = false;
};
