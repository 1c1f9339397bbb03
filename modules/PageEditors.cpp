#include "PageEditors.h"

#include "Intp.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>

#include <algorithm>
#include <climits>
#include <cstring>

QString PortCaption(uint32_t index) { return QString::asprintf("Port.%02u", index + 1); }

QString TrunkCaption(uint32_t index) { return QString::asprintf("Trunk.%02u", index + 1); }

QString LogicalPortCaption(uint32_t index, uint32_t portCount)
{
    return index < portCount ? PortCaption(index) : TrunkCaption(index - portCount);
}

QString MemberListText(uint32_t mask, uint32_t bits)
{
    QStringList members;
    for (uint32_t i = 0; i < bits && i < 32; ++i)
        if (mask & (1u << i))
            members << QString::number(i + 1);
    return members.join(QStringLiteral(", "));
}

int64_t MacKey(const Intp::TMacAddr& mac)
{
    int64_t key = 0;
    for (size_t i = 0; i < 6; ++i)
        key = (key << 8) | mac[i];
    return key;
}

Intp::TMacAddr MacFromKey(int64_t key)
{
    uint8_t bytes[6];
    for (int i = 5; i >= 0; --i, key >>= 8)
        bytes[i] = uint8_t(key);
    return Intp::TMacAddr(bytes);
}

// --- Typed numbers -----------------------------------------------------------------

namespace {

// Digits (and a sign where the range has negative numbers) are taken while
// typing, whatever the limits; the value is fixed up when the field is left.
QValidator::State TypedNumberState(const QString& text, int64_t minimum)
{
    static const QRegularExpression unsignedDigits(QStringLiteral("^\\s*\\+?\\d{1,11}\\s*$"));
    static const QRegularExpression signedDigits(QStringLiteral("^\\s*[-+]?\\d{1,11}\\s*$"));
    return (minimum < 0 ? signedDigits : unsignedDigits).match(text).hasMatch() ? QValidator::Intermediate
                                                                                  : QValidator::Invalid;
}

// The nearer limit for a typed value outside them; the minimum for text that
// is no number.
QString ClampedText(const QString& text, int64_t minimum, int64_t maximum)
{
    bool ok = false;
    const qlonglong typed = text.trimmed().toLongLong(&ok);
    return QString::number(ok ? std::clamp<int64_t>(typed, minimum, maximum) : minimum);
}

} // namespace

// --- TLimitSpin --------------------------------------------------------------------

TLimitSpin::TLimitSpin(int minimum, int maximum, int value, QWidget* parent, int step)
    : QSpinBox(parent), m_Minimum(minimum), m_Maximum(maximum), m_Default(value)
{
    m_Limit = new QLabel(parent);
    setSingleStep(step);
    setCorrectionMode(CorrectToNearestValue);
    SetLimits(minimum, maximum);
    setValue(value);
    // A changed value ends a kept read value: the limits hold again. Typed
    // values are already within them (fixup); arrows see stepBy.
    connect(this, &QSpinBox::valueChanged, this, [this] {
        if (m_Keeping && !m_Setting) {
            m_Keeping = false;
            const QSignalBlocker quiet(this);
            setRange(m_Minimum, m_Maximum);
        }
    });
}

void TLimitSpin::SetLimits(int minimum, int maximum)
{
    m_Minimum = minimum;
    m_Maximum = maximum;
    m_Keeping = false;
    setRange(minimum, maximum);
    m_Limit->setText(QString::asprintf("(%d - %d)", minimum, maximum));
}

void TLimitSpin::SetArrowsOnly(bool on)
{
    lineEdit()->setReadOnly(on);
    setStepType(DefaultStepType);
}

void TLimitSpin::SetReadValue(int64_t value)
{
    const int v = int(std::clamp<int64_t>(value, INT_MIN, INT_MAX));
    m_Setting = true;
    m_Keeping = v < m_Minimum || v > m_Maximum;
    setRange(std::min(v, m_Minimum), std::max(v, m_Maximum));
    setValue(v);
    if (!m_Keeping)
        setRange(m_Minimum, m_Maximum);
    m_Setting = false;
}

void TLimitSpin::stepBy(int steps)
{
    if (!m_Keeping) {
        QSpinBox::stepBy(steps);
        return;
    }
    // From a kept value the arrows step into the limits.
    const int64_t target = std::clamp<int64_t>(int64_t(value()) + int64_t(steps) * singleStep(), m_Minimum, m_Maximum);
    m_Keeping = false;
    {
        const QSignalBlocker quiet(this);
        setRange(m_Minimum, m_Maximum);
    }
    if (value() == int(target))
        emit valueChanged(value());
    else
        setValue(int(target));
}

QValidator::State TLimitSpin::validate(QString& text, int& pos) const
{
    const QValidator::State state = QSpinBox::validate(text, pos);
    if (state != QValidator::Invalid || lineEdit()->isReadOnly())
        return state;
    return TypedNumberState(text, m_Minimum);
}

void TLimitSpin::fixup(QString& text) const { text = ClampedText(text, m_Minimum, m_Maximum); }

// --- TWideSpin ---------------------------------------------------------------------

TWideSpin::TWideSpin(int64_t minimum, int64_t maximum, int64_t value, QWidget* parent)
    : QDoubleSpinBox(parent), m_Minimum(minimum), m_Maximum(maximum), m_Default(value)
{
    m_Limit = new QLabel(parent);
    m_Limit->setText(QStringLiteral("(%1 - %2)").arg(minimum).arg(maximum));
    setDecimals(0);
    setCorrectionMode(CorrectToNearestValue);
    setRange(double(minimum), double(maximum));
    setValue(double(value));
    connect(this, &QDoubleSpinBox::valueChanged, this, [this](double v) {
        if (m_Keeping && !m_Setting) {
            m_Keeping = false;
            const QSignalBlocker quiet(this);
            setRange(double(m_Minimum), double(m_Maximum));
        }
        emit ValueChanged(int64_t(v));
    });
}

void TWideSpin::SetReadValue(int64_t value)
{
    m_Setting = true;
    m_Keeping = value < m_Minimum || value > m_Maximum;
    setRange(double(std::min(value, m_Minimum)), double(std::max(value, m_Maximum)));
    setValue(double(value));
    if (!m_Keeping)
        setRange(double(m_Minimum), double(m_Maximum));
    m_Setting = false;
}

void TWideSpin::stepBy(int steps)
{
    if (!m_Keeping) {
        QDoubleSpinBox::stepBy(steps);
        return;
    }
    const int64_t target = std::clamp<int64_t>(Value() + steps, m_Minimum, m_Maximum);
    m_Keeping = false;
    {
        const QSignalBlocker quiet(this);
        setRange(double(m_Minimum), double(m_Maximum));
    }
    if (Value() == target)
        emit valueChanged(value());
    else
        SetValue(target);
}

QValidator::State TWideSpin::validate(QString& text, int& pos) const
{
    if (lineEdit()->isReadOnly())
        return QDoubleSpinBox::validate(text, pos);
    if (text.trimmed().isEmpty())
        return QValidator::Intermediate;
    if (TypedNumberState(text, m_Minimum) == QValidator::Invalid)
        return QValidator::Invalid;
    const qlonglong typed = text.trimmed().toLongLong();
    return typed >= int64_t(minimum()) && typed <= int64_t(maximum()) ? QValidator::Acceptable : QValidator::Intermediate;
}

void TWideSpin::fixup(QString& text) const { text = ClampedText(text, m_Minimum, m_Maximum); }

QString TWideSpin::textFromValue(double value) const { return QString::number(qlonglong(value)); }

double TWideSpin::valueFromText(const QString& text) const { return double(text.trimmed().toLongLong()); }

// --- Pick lists of values ----------------------------------------------------------

namespace {

constexpr int KeptRole = Qt::UserRole + 1;

int KeptIndex(const QComboBox* box)
{
    const int last = box->count() - 1;
    return last >= 0 && box->itemData(last, KeptRole).toBool() ? last : -1;
}

int64_t ItemValue(const QComboBox* box, int index)
{
    const QVariant data = box->itemData(index);
    return data.isValid() ? data.toLongLong() : index;
}

} // namespace

int ChoiceCount(const QComboBox* box) { return KeptIndex(box) >= 0 ? box->count() - 1 : box->count(); }

void DropKeptChoice(QComboBox* box)
{
    if (const int kept = KeptIndex(box); kept >= 0)
        box->removeItem(kept);
}

void SetChoiceValue(QComboBox* box, int64_t value)
{
    const int n = ChoiceCount(box);
    for (int i = 0; i < n; ++i)
        if (ItemValue(box, i) == value) {
            box->setCurrentIndex(i);
            DropKeptChoice(box);
            return;
        }
    int kept = KeptIndex(box);
    if (kept < 0) {
        box->addItem(QString::number(value));
        kept = box->count() - 1;
        box->setItemData(kept, true, KeptRole);
    } else {
        box->setItemText(kept, QString::number(value));
    }
    box->setItemData(kept, QVariant::fromValue<qlonglong>(value));
    box->setCurrentIndex(kept);
}

int64_t ChoiceValue(const QComboBox* box)
{
    const int index = box->currentIndex();
    return index < 0 ? -1 : ItemValue(box, index);
}

QString ChoiceValueText(const QComboBox* box, int64_t value)
{
    const int n = ChoiceCount(box);
    for (int i = 0; i < n; ++i)
        if (ItemValue(box, i) == value)
            return box->itemText(i);
    return QString::number(value);
}

bool TChoice::KeepsReadValue() const { return currentIndex() >= 0 && currentIndex() == KeptIndex(this); }

void TChoice::Reset()
{
    DropKeptChoice(this);
    setCurrentIndex(m_Default < count() ? m_Default : -1);
}

// --- TFixedTextEdit ----------------------------------------------------------------

TFixedTextEdit::TFixedTextEdit(size_t width, QWidget* parent) : QLineEdit(parent), m_Width(width) {}

void TFixedTextEdit::SetReadBytes(const std::string& bytes)
{
    m_Bytes = bytes.substr(0, std::min(bytes.find('\0'), m_Width));
    m_Held = true;
    m_Shown = QString::fromUtf8(m_Bytes.data(), qsizetype(m_Bytes.size()));
    setText(m_Shown);
}

std::string TFixedTextEdit::FieldBytes() const
{
    if (!Edited())
        return m_Bytes;
    std::vector<uint8_t> field(m_Width, 0);
    PutFixedText(field.data(), m_Width, text());
    return std::string(reinterpret_cast<const char*>(field.data()),
                       size_t(std::find(field.begin(), field.end(), 0) - field.begin()));
}

void TFixedTextEdit::PutField(uint8_t* field) const
{
    const std::string bytes = FieldBytes();
    std::memset(field, 0, m_Width);
    std::memcpy(field, bytes.data(), std::min(bytes.size(), m_Width));
}

void TFixedTextEdit::AppendField(std::vector<uint8_t>& buffer) const
{
    const size_t at = buffer.size();
    buffer.resize(at + m_Width, 0);
    PutField(buffer.data() + at);
}

void TFixedTextEdit::Reset()
{
    m_Held = false;
    m_Bytes.clear();
    m_Shown.clear();
    clear();
}

// --- TIpEdit -----------------------------------------------------------------------

TIpEdit::TIpEdit(QWidget* parent) : QLineEdit(parent)
{
    setMaxLength(15);
    setText(QStringLiteral("0.0.0.0"));
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
        uint32_t ip = 0;
        if (!Intp::ParseIp(text.trimmed().toStdString(), ip) || !Intp::IsUsableIp(ip))
            ip = 0;
        if (ip != m_Value) {
            m_Value = ip;
            if (!m_Quiet)
                emit ValueChanged(ip);
        }
    });
}

void TIpEdit::SetValue(uint32_t ip)
{
    m_Held = false;
    if (!Intp::IsUsableIp(ip))
        ip = 0;
    setText(QString::fromStdString(Intp::IpToText(ip)));
    m_Value = ip;
}

void TIpEdit::SetReadValue(uint32_t ip)
{
    // Held before the text changes, so that handlers of textChanged already
    // see the read address kept.
    m_Held = true;
    m_Read = ip;
    m_Shown = QString::fromStdString(Intp::IpToText(ip));
    m_Quiet = true;
    setText(m_Shown);
    m_Quiet = false;
}

void TIpEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    Commit();
}

void TIpEdit::Commit()
{
    if (KeepsReadValue())
        return;
    const QString dotted = QString::fromStdString(Intp::IpToText(m_Value));
    if (text() != dotted)
        setText(dotted);
}

// --- Forms -------------------------------------------------------------------------

QLabel* AddFormRow(QFormLayout* form, const QString& label, QWidget* field)
{
    auto* l = new QLabel(label, form->parentWidget());
    l->setBuddy(field);
    form->addRow(l, field);
    return l;
}

QLabel* AddSpinRow(QFormLayout* form, const QString& label, QAbstractSpinBox* spin, QLabel* limit)
{
    // The spinner and its limit label share the row's field, a bare box.
    auto* field = new QWidget(form->parentWidget());
    auto* row = new QHBoxLayout(field);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(spin);
    row->addWidget(limit);
    row->addStretch(1);
    QLabel* l = AddFormRow(form, label, field);
    l->setBuddy(spin);
    return l;
}

TChoice* NewChoice(const QStringList& items, QWidget* parent)
{
    auto* box = new TChoice(parent);
    // As wide as its longest item, never stretched to the page.
    box->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    box->addItems(items);
    box->setCurrentIndex(items.isEmpty() ? -1 : 0);
    return box;
}

// --- Fixed-width text --------------------------------------------------------------

void PutFixedText(uint8_t* field, size_t width, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    Intp::PutFieldText(field, width, std::string_view(utf8.constData(), size_t(utf8.size())));
}

void AppendFixedText(std::vector<uint8_t>& buffer, size_t width, const QString& text)
{
    const size_t at = buffer.size();
    buffer.resize(at + width, 0);
    PutFixedText(buffer.data() + at, width, text);
}

size_t Utf8Length(const QString& text) { return size_t(text.toUtf8().size()); }
