#include "ModuleWarningSmtp.h"

#include "IntpWarning.h"
#include "MessageBoxes.h"
#include "PageEditors.h"
#include "PageFields.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QLineEdit* NewTextField(QWidget* parent, const char* name, int maxLength = 0)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    if (maxLength > 0)
        edit->setMaxLength(maxLength);
    return edit;
}

// The account field takes this many characters as typed (a longer account
// read from a switch is shown whole).
constexpr int AccountLength = 15;

TFixedTextEdit* NewFixedField(QWidget* parent, const char* name)
{
    auto* edit = new TFixedTextEdit(Intp::SmtpTextWidth, parent);
    edit->setObjectName(name);
    return edit;
}

} // namespace

TModuleWarningSmtp::TModuleWarningSmtp(QWidget* parent) : TModulePage(QStringLiteral("SMTP Settings"), parent)
{
    auto* form = new QFormLayout;
    m_Mode = NewChoice({QStringLiteral("Disable"), QStringLiteral("Enable")}, this);
    m_Mode->setObjectName("m_Mode");
    m_ModeLabel = AddFormRow(form, QStringLiteral("&Mode:"), m_Mode);
    m_Address = new TIpEdit(this);
    m_Address->setObjectName("m_Address");
    m_Sender = NewFixedField(this, "m_Sender");
    m_Subject = NewFixedField(this, "m_Subject");
    m_Account = NewFixedField(this, "m_Account");
    m_Account->setMaxLength(AccountLength);
    m_Password = NewTextField(this, "m_Password", 15);
    m_Password->setEchoMode(QLineEdit::Password);
    m_Confirm = NewTextField(this, "m_Confirm", 15);
    m_Confirm->setEchoMode(QLineEdit::Password);
    m_Recipients = new QPlainTextEdit(this);
    m_Recipients->setObjectName("m_Recipients");
    m_Recipients->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_Entries = {m_Address, AddFormRow(form, QStringLiteral("Server &IP Address:"), m_Address),
                 m_Sender,  AddFormRow(form, QStringLiteral("Sender &E-mail:"), m_Sender),
                 m_Subject, AddFormRow(form, QStringLiteral("&Subject:"), m_Subject),
                 m_Account, AddFormRow(form, QStringLiteral("&Account:"), m_Account)};
    m_PasswordFields = {m_Password, AddFormRow(form, QStringLiteral("&Password:"), m_Password),
                        m_Confirm, AddFormRow(form, QStringLiteral("&Confirm Password:"), m_Confirm)};
    auto* recipientLabels = new QWidget(this);
    auto* labels = new QVBoxLayout(recipientLabels);
    labels->setContentsMargins(0, 0, 0, 0);
    auto* recipientLabel = new QLabel(QStringLiteral("&Recipients' E-mail:"), recipientLabels);
    recipientLabel->setBuddy(m_Recipients);
    labels->addWidget(recipientLabel);
    labels->addWidget(new QLabel(QStringLiteral("(one line per recipient)"), recipientLabels));
    labels->addStretch(1);
    form->addRow(recipientLabels, m_Recipients);
    m_Entries.push_back(m_Recipients);
    m_Entries.push_back(recipientLabels);
    PageLayout()->addLayout(form, 1);
    AddApplyButton();
    AddDeviceControl(m_Mode);
    AddDeviceControl(m_ModeLabel);
    SetFillsWhileShown(true);
    Reads<Intp::TSessionWarningSmtpGet>();
    OnClear([this] {
        m_Count = 0;
        m_Address->SetValue(0);
        m_Account->setMaxLength(AccountLength);
        for (QLineEdit* edit : {m_Password, m_Confirm})
            edit->clear();
        m_ReadRecipients.clear();
        m_ShownRecipients.clear();
        m_Recipients->clear();
    });
    OnFill([this](Intp::TDevice* device) {
        m_Count = device->GetSmtpEntryCount();
        const auto& record = Intp::GetPropertyWarningSmtp(device);
        if (!record.Valid)
            return;
        m_Mode->SetFlag(record.Enabled);
        m_Address->SetReadValue(record.Server);
        m_Sender->SetReadBytes(record.Sender);
        m_Subject->SetReadBytes(record.Subject);
        const QString account = QString::fromUtf8(record.Account.data(), qsizetype(record.Account.size()));
        m_Account->setMaxLength(std::max(AccountLength, int(account.size())));
        m_Account->SetReadBytes(record.Account);
        QStringList lines;
        for (const std::string& recipient : record.Recipients)
            if (!recipient.empty())
                lines << QString::fromUtf8(recipient.data(), qsizetype(recipient.size()));
        m_Recipients->setPlainText(lines.join(u'\n'));
        m_ReadRecipients = record.Recipients;
        m_ShownRecipients = m_Recipients->toPlainText();
    });
    OnReloaded([this](Intp::TDevice* device) {
        ApplyModeRule();
        if (!device)
            ApplyButton()->setEnabled(false);
    });
    OnCheck([this] {
        // A recipient field holds 64 bytes; a longer address would be cut.
        // The recipients as read go back as they are.
        if (!RecipientsEdited())
            return true;
        for (const QString& line : RecipientLines())
            if (Utf8Length(line) > Intp::SmtpTextWidth) {
                ShowError(QStringLiteral("E-mail address too long!"));
                return false;
            }
        return true;
    });
    OnWrite([this](Intp::TDevice*) { return NewSmtpSet(); });
    OnLeaving([this] { m_Recipients->clear(); });

    connect(m_Mode, &QComboBox::currentIndexChanged, this, &TModuleWarningSmtp::ApplyModeRule);
    connect(m_Address, &TIpEdit::ValueChanged, this, &TModuleWarningSmtp::ApplyEntryRule);
    for (QLineEdit* edit : std::initializer_list<QLineEdit*>{m_Sender, m_Subject, m_Password, m_Confirm})
        connect(edit, &QLineEdit::textChanged, this, &TModuleWarningSmtp::ApplyEntryRule);
    connect(m_Account, &QLineEdit::textChanged, this, &TModuleWarningSmtp::ApplyModeRule);
    connect(m_Recipients, &QPlainTextEdit::textChanged, this, &TModuleWarningSmtp::ApplyEntryRule);
}

bool TModuleWarningSmtp::RecipientsEdited() const
{
    return m_ReadRecipients.size() != m_Count || m_Recipients->toPlainText() != m_ShownRecipients;
}

QStringList TModuleWarningSmtp::RecipientLines() const
{
    QStringList lines = m_Recipients->toPlainText().split(u'\n');
    lines.removeAll(QString());
    return lines;
}

void TModuleWarningSmtp::ApplyModeRule()
{
    const bool enabled = ChoiceValue(m_Mode) == 1;
    for (QWidget* w : m_Entries)
        w->setEnabled(enabled);
    for (QWidget* w : m_PasswordFields)
        w->setEnabled(enabled && !m_Account->text().isEmpty());
    if (enabled)
        ApplyEntryRule();
    else
        ApplyButton()->setEnabled(CurrentDevice() != nullptr);
}

void TModuleWarningSmtp::ApplyEntryRule()
{
    if (ChoiceValue(m_Mode) != 1)
        return;
    const qsizetype lines = RecipientLines().size();
    const bool account = m_Account->text().isEmpty() ||
                         (!m_Password->text().isEmpty() && m_Password->text() == m_Confirm->text());
    ApplyButton()->setEnabled(CurrentDevice() && Intp::IsUsableIp(m_Address->Value()) && !m_Sender->text().isEmpty() &&
                              !m_Subject->text().isEmpty() && account && lines >= 1 && lines <= qsizetype(m_Count));
}

Intp::TSession* TModuleWarningSmtp::NewSmtpSet() const
{
    Intp::TPropertyWarningSmtp request;
    request.Enabled = m_Mode->Flag();
    request.Server = m_Address->SentValue();
    request.Sender = m_Sender->FieldBytes();
    request.Subject = m_Subject->FieldBytes();
    request.Account = m_Account->FieldBytes();
    // Exactly the model's count of entries, whatever the mode: as read while
    // the text is unchanged; else the first lines that count, the rest unused.
    if (!RecipientsEdited()) {
        request.Recipients = m_ReadRecipients;
    } else {
        request.Recipients.assign(m_Count, std::string());
        const QStringList lines = RecipientLines();
        for (qsizetype i = 0; i < lines.size() && size_t(i) < m_Count; ++i)
            request.Recipients[size_t(i)] = FixedFieldText(lines[i], Intp::SmtpTextWidth);
    }
    auto* set = new Intp::TSessionWarningSmtpSet;
    if (set->SetData(request, FixedFieldText(m_Password->text(), Intp::SmtpPasswordWidth)))
        return set;
    delete set;
    return nullptr;
}
