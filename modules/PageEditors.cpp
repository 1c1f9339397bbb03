#include "PageEditors.h"

#include "Intp.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

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

// --- TLimitSpin --------------------------------------------------------------------

TLimitSpin::TLimitSpin(int minimum, int maximum, int value, QWidget* parent, int step) : QSpinBox(parent)
{
    m_Limit = new QLabel(parent);
    setSingleStep(step);
    SetLimits(minimum, maximum);
    setValue(value);
}

void TLimitSpin::SetLimits(int minimum, int maximum)
{
    setRange(minimum, maximum);
    m_Limit->setText(QString::asprintf("(%d - %d)", minimum, maximum));
}

void TLimitSpin::SetArrowsOnly(bool on)
{
    lineEdit()->setReadOnly(on);
    setStepType(DefaultStepType);
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
            emit ValueChanged(ip);
        }
    });
}

void TIpEdit::SetValue(uint32_t ip)
{
    if (!Intp::IsUsableIp(ip))
        ip = 0;
    setText(QString::fromStdString(Intp::IpToText(ip)));
    m_Value = ip;
}

void TIpEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    setText(QString::fromStdString(Intp::IpToText(m_Value)));
}

// --- Forms -------------------------------------------------------------------------

QLabel* AddFormRow(QFormLayout* form, const QString& label, QWidget* field)
{
    auto* l = new QLabel(label, form->parentWidget());
    l->setBuddy(field);
    form->addRow(l, field);
    return l;
}

QComboBox* NewChoice(const QStringList& items, QWidget* parent)
{
    auto* box = new QComboBox(parent);
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
