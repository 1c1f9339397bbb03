// Editors and texts that many pages share: the spinner with its "(%d - %d)"
// limit label, the IPv4 address field, port and trunk row captions, labelled
// rows of a form, and the encoder of fixed-width text fields.
#pragma once

#include <QLineEdit>
#include <QSpinBox>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <vector>

class QComboBox;
class QFormLayout;
class QLabel;

// "Port.%02d" and "Trunk.%02d" of a 0-based index (captions count from 1).
QString PortCaption(uint32_t index);
QString TrunkCaption(uint32_t index);
// A logical port's caption: the model's ports first, then its trunk groups.
QString LogicalPortCaption(uint32_t index, uint32_t portCount);
// "1, 3" for the mask 0b101: the 1-based numbers of the set bits, rising.
QString MemberListText(uint32_t mask, uint32_t bits = 32);

// A MAC address as a number (first byte highest), for row keys.
namespace Intp {
class TMacAddr;
}
int64_t MacKey(const Intp::TMacAddr& mac);
Intp::TMacAddr MacFromKey(int64_t key);

// A spinner that keeps its value within [minimum, maximum] and shows that
// range in its limit label "(%d - %d)".
class TLimitSpin final : public QSpinBox {
    Q_OBJECT
public:
    TLimitSpin(int minimum, int maximum, int value, QWidget* parent, int step = 1);
    QLabel* LimitLabel() const { return m_Limit; }
    // Sets the range and the label from the same two numbers.
    void SetLimits(int minimum, int maximum);
    // The value changes only by the arrows (and the arrow keys), in steps.
    void SetArrowsOnly(bool on);

private:
    QLabel* m_Limit;
};

// An IPv4 address field: the text is parsed whenever it changes (an
// unusable address reads as 0) and rewritten from the parsed value when the
// field loses the focus.
class TIpEdit final : public QLineEdit {
    Q_OBJECT
public:
    explicit TIpEdit(QWidget* parent);
    // Host byte order; 0 when the text is not a usable address.
    uint32_t Value() const { return m_Value; }
    void SetValue(uint32_t ip);

signals:
    void ValueChanged(uint32_t ip);

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    uint32_t m_Value = 0;
};

// Adds "label" + `field` as a row of `form`; the label's buddy is the field.
QLabel* AddFormRow(QFormLayout* form, const QString& label, QWidget* field);
// A pick list with the given items, the first chosen.
QComboBox* NewChoice(const QStringList& items, QWidget* parent);

// Writes `text` into a fixed-width field of `width` bytes as UTF-8, cut on a
// character boundary so that it never takes more than `width` bytes; the
// rest of the field is zeroed. A text that fills the field has no
// terminating zero.
void PutFixedText(uint8_t* field, size_t width, const QString& text);
// Appends a field of `width` bytes with `text` to `buffer`.
void AppendFixedText(std::vector<uint8_t>& buffer, size_t width, const QString& text);
// The number of UTF-8 bytes of `text`.
size_t Utf8Length(const QString& text);
