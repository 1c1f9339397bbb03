// Editors and texts that many pages share: the spinner with its "(%d - %d)"
// limit label, the IPv4 address field, port and trunk row captions, labelled
// rows of a form, and the encoder of fixed-width text fields.
#pragma once

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

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
//
// Typing: digits are taken as typed, also past a limit; when the field is
// left (or Return is pressed, or the page commits it before Apply) a value
// outside the limits goes to the nearer limit and text that is no number
// reads as the minimum.
//
// A read value outside the limits (SetReadValue) is shown and kept as it is
// until the user changes the field; the limits apply again from then on.
class TLimitSpin final : public QSpinBox {
    Q_OBJECT
public:
    TLimitSpin(int minimum, int maximum, int value, QWidget* parent, int step = 1);
    QLabel* LimitLabel() const { return m_Limit; }
    // Sets the range and the label from the same two numbers.
    void SetLimits(int minimum, int maximum);
    // The limits (the range may be wider while a read value is kept).
    int Minimum() const { return m_Minimum; }
    int Maximum() const { return m_Maximum; }
    // The value changes only by the arrows (and the arrow keys), in steps.
    void SetArrowsOnly(bool on);
    // Shows a value as read from a switch, kept even outside the limits.
    void SetReadValue(int64_t value);
    // Whether a read value outside the limits is being kept.
    bool KeepsReadValue() const { return m_Keeping; }
    // Back to the value given at construction (the page's default).
    void Reset() { SetReadValue(m_Default); }

    QValidator::State validate(QString& text, int& pos) const override;
    void fixup(QString& text) const override;
    void stepBy(int steps) override;

private:
    QLabel* m_Limit;
    int m_Minimum;
    int m_Maximum;
    int m_Default;
    bool m_Keeping = false;
    bool m_Setting = false;
};

// A spinner over the whole unsigned 32-bit range (or any part of it), with
// the same limit label, typing, clamping and kept read values as TLimitSpin.
class TWideSpin final : public QDoubleSpinBox {
    Q_OBJECT
public:
    TWideSpin(int64_t minimum, int64_t maximum, int64_t value, QWidget* parent);
    QLabel* LimitLabel() const { return m_Limit; }
    int64_t Value() const { return int64_t(value()); }
    void SetValue(int64_t value) { setValue(double(value)); }
    void SetReadValue(int64_t value);
    bool KeepsReadValue() const { return m_Keeping; }
    void Reset() { SetReadValue(m_Default); }

    QValidator::State validate(QString& text, int& pos) const override;
    void fixup(QString& text) const override;
    QString textFromValue(double value) const override;
    double valueFromText(const QString& text) const override;
    void stepBy(int steps) override;

signals:
    // After every change of the value, as a whole number.
    void ValueChanged(int64_t value);

private:
    QLabel* m_Limit;
    int64_t m_Minimum;
    int64_t m_Maximum;
    int64_t m_Default;
    bool m_Keeping = false;
    bool m_Setting = false;
};

// Pick lists whose items stand for values: an item's value is its data
// (Qt::UserRole) or, without data, its index. A value that no item has, as a
// switch may report, is shown as its number in one extra item at the end,
// which gives that value back; choosing another item is the user's edit.
void SetChoiceValue(QComboBox* box, int64_t value);
// The value of the chosen item; -1 when none is chosen.
int64_t ChoiceValue(const QComboBox* box);
// The number of items, the extra one not counted.
int ChoiceCount(const QComboBox* box);
// Removes the extra item (choosing nothing when it was chosen).
void DropKeptChoice(QComboBox* box);
// The text of the item of `value`, or the value's number.
QString ChoiceValueText(const QComboBox* box, int64_t value);

// A pick list of values (index = value unless items carry data) with a
// default item, chosen again on every reload.
//
// On/off flags are "Disable", "Enable" lists: a record's flag is 0 or 1 and
// a request carries 1 or 0.
//
// A view choice is the page's own (a method, what a list shows), filled from
// no record: a reload leaves it as it is.
class TChoice final : public QComboBox {
    Q_OBJECT
public:
    explicit TChoice(QWidget* parent, int defaultIndex = 0) : QComboBox(parent), m_Default(defaultIndex) {}
    void SetValue(int64_t value) { SetChoiceValue(this, value); }
    int64_t Value() const { return ChoiceValue(this); }
    // Whether the chosen item is a read value that no item has.
    bool KeepsReadValue() const;
    void SetDefaultIndex(int index) { m_Default = index; }
    // Back to the default item (view choices are left as they are by the
    // page's reload, not by this).
    void Reset();
    // Shows a flag: item 1 when on, else item 0.
    void SetFlag(bool on) { SetValue(on ? 1 : 0); }
    // The flag for a request: 1 when item 1 is chosen, else 0.
    uint8_t Flag() const { return Value() == 1 ? 1 : 0; }
    void SetViewChoice(bool on) { m_View = on; }
    bool IsViewChoice() const { return m_View; }

private:
    int m_Default;
    bool m_View = false;
};

// A fixed-width text field of `width` bytes. It keeps the bytes read from a
// switch and gives them back, byte for byte, unless its text was changed
// (by the user or any other way); a changed text goes as UTF-8, cut on a
// character boundary to fit.
class TFixedTextEdit final : public QLineEdit {
    Q_OBJECT
public:
    TFixedTextEdit(size_t width, QWidget* parent);
    size_t Width() const { return m_Width; }
    // Shows the bytes read (as UTF-8, invalid bytes as U+FFFD) and keeps them.
    void SetReadBytes(const std::string& bytes);
    // Whether the text differs from what the read bytes show.
    bool Edited() const { return !m_Held || text() != m_Shown; }
    // The field's bytes for a request: the read bytes when not edited,
    // else the text's; at most Width() bytes, without padding.
    std::string FieldBytes() const;
    // Writes the field (Width() bytes, zero padded) at `field`.
    void PutField(uint8_t* field) const;
    // Appends the field to `buffer`.
    void AppendField(std::vector<uint8_t>& buffer) const;
    // Empty, holding nothing read.
    void Reset();

private:
    size_t m_Width;
    bool m_Held = false;
    std::string m_Bytes;
    QString m_Shown;
};

// An IPv4 address field: the text is parsed whenever it changes (an
// unusable address reads as 0) and rewritten from the parsed value when the
// field loses the focus.
//
// An address read from a switch (SetReadValue) is shown as it is, also one
// that is not usable, and kept until the text is changed: SentValue() gives
// it back, and neither leaving the field nor Commit rewrites its text.
class TIpEdit final : public QLineEdit {
    Q_OBJECT
public:
    explicit TIpEdit(QWidget* parent);
    // Host byte order; 0 when the text is not a usable address.
    uint32_t Value() const { return m_Value; }
    void SetValue(uint32_t ip);
    // Shows an address as read and keeps it; emits no ValueChanged (a value
    // shown is no edit).
    void SetReadValue(uint32_t ip);
    // Whether the text still shows the kept read address.
    bool KeepsReadValue() const { return m_Held && text() == m_Shown; }
    // The address a request carries: the kept read address, else Value().
    uint32_t SentValue() const { return KeepsReadValue() ? m_Read : m_Value; }
    // Rewrites the text from the parsed value, as leaving the field does.
    void Commit();

signals:
    void ValueChanged(uint32_t ip);

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    uint32_t m_Value = 0;
    bool m_Held = false;
    bool m_Quiet = false;
    uint32_t m_Read = 0;
    QString m_Shown;
};

// Adds "label" + `field` as a row of `form`; the label's buddy is the field.
QLabel* AddFormRow(QFormLayout* form, const QString& label, QWidget* field);
// Adds "label" + `spin` with its limit label beside it as a row of `form`;
// the label's buddy is the spinner.
QLabel* AddSpinRow(QFormLayout* form, const QString& label, QAbstractSpinBox* spin, QLabel* limit);
// A pick list (a TChoice) with the given items, the first chosen.
TChoice* NewChoice(const QStringList& items, QWidget* parent);

// Writes `text` into a fixed-width field of `width` bytes as UTF-8, cut on a
// character boundary so that it never takes more than `width` bytes; the
// rest of the field is zeroed. A text that fills the field has no
// terminating zero.
void PutFixedText(uint8_t* field, size_t width, const QString& text);
// Appends a field of `width` bytes with `text` to `buffer`.
void AppendFixedText(std::vector<uint8_t>& buffer, size_t width, const QString& text);
// The number of UTF-8 bytes of `text`.
size_t Utf8Length(const QString& text);
