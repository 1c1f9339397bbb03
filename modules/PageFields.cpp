#include "PageFields.h"

#include "Intp.h"
#include "Resources.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QValidator>

#include <arpa/inet.h>

#include <vector>

uint32_t InetAddr(const QString& text)
{
    const QByteArray bytes = text.toLatin1();
    return ntohl(inet_addr(bytes.constData()));
}

// --- TInetAddrEdit ---------------------------------------------------------------

TInetAddrEdit::TInetAddrEdit(QWidget* parent) : QLineEdit(parent)
{
    setMaxLength(15);
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_Value = InetAddr(text);
        emit Changed();
    });
}

void TInetAddrEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    const QString dotted = QString::fromStdString(Intp::IpToText(m_Value));
    if (text() != dotted)
        setText(dotted);
}

// --- MAC address fields ---------------------------------------------------------------

namespace {

// Accepts any text, turning its letters to one case as they are typed.
class TCaseValidator final : public QValidator {
public:
    TCaseValidator(bool upper, QObject* parent) : QValidator(parent), m_Upper(upper) {}
    State validate(QString& input, int&) const override
    {
        input = m_Upper ? input.toUpper() : input.toLower();
        return Acceptable;
    }

private:
    bool m_Upper;
};

} // namespace

QLineEdit* NewMacField(QWidget* parent, bool upper)
{
    auto* field = new QLineEdit(parent);
    field->setMaxLength(12);
    field->setValidator(new TCaseValidator(upper, field));
    return field;
}

std::optional<Intp::TMacAddr> ParseMacText(const QString& text)
{
    const QByteArray bytes = text.toLatin1();
    uint8_t mac[6];
    if (text.size() != 12 || !Intp::ParseMac(std::string_view(bytes.constData(), size_t(bytes.size())), mac))
        return std::nullopt;
    return Intp::TMacAddr(mac);
}

QString MacText(const Intp::TMacAddr& mac) { return QString::fromStdString(Intp::MacToText(mac)); }

// --- Form rows ---------------------------------------------------------------------

TLimitSpin* AddLimitRow(QFormLayout* form, const QString& label, int minimum, int maximum, int value,
                        QLabel** labelOut, int step)
{
    auto* spin = new TLimitSpin(minimum, maximum, value, form->parentWidget(), step);
    spin->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    QLabel* l = AddSpinRow(form, label, spin, spin->LimitLabel());
    if (labelOut)
        *labelOut = l;
    return spin;
}

QStringList DisableEnableItems() { return {QStringLiteral("Disable"), QStringLiteral("Enable")}; }

TChoice* AddChoiceForm(QBoxLayout* layout, const QString& label, const QStringList& items, const char* name,
                         QLabel*& labelOut)
{
    auto* form = new QFormLayout;
    layout->addLayout(form);
    TChoice* choice = NewChoice(items, form->parentWidget());
    choice->setObjectName(name);
    labelOut = AddFormRow(form, label, choice);
    return choice;
}

QLabel* NewHeading(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

std::string FixedFieldText(const QString& text, size_t width)
{
    std::vector<uint8_t> field(width, 0);
    PutFixedText(field.data(), width, text);
    return Intp::FieldText(field.data(), width);
}

void AddAddDeleteButtons(QBoxLayout* layout, QWidget* parent, QPushButton*& add, QPushButton*& del)
{
    add = new QPushButton(Resources::Icon("RC_BITMAP_16X16_ADD"), QStringLiteral("&Add"), parent);
    add->setObjectName("m_Add");
    del = new QPushButton(Resources::Icon("RC_BITMAP_16X16_REMOVE"), QStringLiteral("&Delete"), parent);
    del->setObjectName("m_Delete");
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(add);
    row->addWidget(del);
    layout->addLayout(row);
}
