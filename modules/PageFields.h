// Fields shared by the redundancy, security and SNMP pages: an address field
// that keeps what the text parses to by the socket library's rules, MAC
// address fields of a fixed letter case, spinners with their limit labels on
// form rows, bold section headings, text cut for a fixed-width field, and
// request sessions made in one call.
#pragma once

#include "PageEditors.h"

#include <QLineEdit>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>

class QBoxLayout;
class QComboBox;
class QFormLayout;
class QLabel;
class QPushButton;

namespace Intp {
class TMacAddr;
class TSession;
}

// Parses `text` as inet_addr does (dotted parts in decimal, octal or hex;
// fewer than four parts allowed); text it refuses gives 255.255.255.255.
// Host byte order.
uint32_t InetAddr(const QString& text);

// An address field of at most 15 characters: every change of the text is
// parsed with InetAddr and kept; leaving the field rewrites it as the dotted
// text of the kept address.
class TInetAddrEdit final : public QLineEdit {
    Q_OBJECT
public:
    explicit TInetAddrEdit(QWidget* parent);
    uint32_t Value() const { return m_Value; }

signals:
    // After every change of the text (the kept address already updated).
    void Changed();

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    uint32_t m_Value = 0;
};

// A field for a MAC address typed as 12 hexadecimal digits, shown in lower
// or upper case.
QLineEdit* NewMacField(QWidget* parent, bool upper);
// The address the field's text gives (exactly 12 hexadecimal digits), if any.
std::optional<Intp::TMacAddr> ParseMacText(const QString& text);
// "0A:0B:0C:0D:0E:0F"
QString MacText(const Intp::TMacAddr& mac);

// A spinner with its range label, filed as a form row "label spinner
// (min - max)"; the typed value is pulled to the nearer limit when the field
// is left. Returns the spinner; `label` receives the row's label.
TLimitSpin* AddLimitRow(QFormLayout* form, const QString& label, int minimum, int maximum, int value,
                        QLabel** labelOut = nullptr, int step = 1);

// "Disable", "Enable": the items of a choice that turns a function off or on.
QStringList DisableEnableItems();
// A form of its own appended to `layout` with the one row "label choice"
// (the choice named `name`, its first item chosen); `labelOut` receives the
// row's label.
TChoice* AddChoiceForm(QBoxLayout* layout, const QString& label, const QStringList& items, const char* name,
                         QLabel*& labelOut);

// A bold section heading.
QLabel* NewHeading(const QString& text, QWidget* parent);

// The bytes `text` leaves in a fixed-width field of `width` bytes (cut on a
// character boundary, as the one fixed-width encoder writes it), for the
// requests that take their text fields as strings.
std::string FixedFieldText(const QString& text, size_t width);

// A new session of type TRequest carrying `data` (its SetData arguments);
// null, the session deleted, when SetData refuses the data.
template <class TRequest, class... TData>
Intp::TSession* NewRequest(const TData&... data)
{
    auto* session = new TRequest;
    if constexpr (std::is_same_v<decltype(session->SetData(data...)), bool>) {
        if (!session->SetData(data...)) {
            delete session;
            return nullptr;
        }
    } else {
        session->SetData(data...);
    }
    return session;
}

// "&Add" and "&Delete" with their images, right-aligned in a row appended to
// `layout` (named m_Add and m_Delete).
void AddAddDeleteButtons(QBoxLayout* layout, QWidget* parent, QPushButton*& add, QPushButton*& del);
