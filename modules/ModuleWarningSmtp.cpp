#include "ModuleWarningSmtp.h"

#include "IntpWarning.h"
#include "MessageBoxes.h"
#include "PageEditors.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLineEdit* NewTextField(QWidget* parent, const char* name, int maxLength = 0)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    if (maxLength > 0)
        edit->setMaxLength(maxLength);
    return edit;
}

std::string Utf8(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), size_t(bytes.size()));
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
    m_Sender = NewTextField(this, "m_Sender");
    m_Subject = NewTextField(this, "m_Subject");
    m_Account = NewTextField(this, "m_Account", 15);
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
        m_Mode->setCurrentIndex(0);
        m_Address->SetValue(0);
        for (QLineEdit* edit : {m_Sender, m_Subject, m_Account, m_Password, m_Confirm})
            edit->clear();
        m_Recipients->clear();
    });
    OnFill([this](Intp::TDevice* device) {
        m_Count = device->GetSmtpEntryCount();
        const auto& record = Intp::GetPropertyWarningSmtp(device);
        if (!record.Valid)
            return;
        m_Mode->setCurrentIndex(record.Enabled ? 1 : 0);
        m_Address->SetValue(record.Server);
        m_Sender->setText(QString::fromStdString(record.Sender));
        m_Subject->setText(QString::fromStdString(record.Subject));
        m_Account->setText(QString::fromStdString(record.Account));
        QStringList lines;
        for (const std::string& recipient : record.Recipients)
            if (!recipient.empty())
                lines << QString::fromStdString(recipient);
        m_Recipients->setPlainText(lines.join(u'\n'));
    });
    OnReloaded([this](Intp::TDevice* device) {
        ApplyModeRule();
        if (!device)
            ApplyButton()->setEnabled(false);
    });
    OnCheck([this] {
        // A recipient field holds 64 bytes; a longer address would be cut.
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
    for (QLineEdit* edit : {m_Sender, m_Subject, m_Password, m_Confirm})
        connect(edit, &QLineEdit::textChanged, this, &TModuleWarningSmtp::ApplyEntryRule);
    connect(m_Account, &QLineEdit::textChanged, this, &TModuleWarningSmtp::ApplyModeRule);
    connect(m_Recipients, &QPlainTextEdit::textChanged, this, &TModuleWarningSmtp::ApplyEntryRule);
}

QStringList TModuleWarningSmtp::RecipientLines() const
{
    QStringList lines = m_Recipients->toPlainText().split(u'\n');
    lines.removeAll(QString());
    return lines;
}

void TModuleWarningSmtp::ApplyModeRule()
{
    const bool enabled = m_Mode->currentIndex() == 1;
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
    if (m_Mode->currentIndex() != 1)
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
    request.Enabled = m_Mode->currentIndex() == 1;
    request.Server = m_Address->Value();
    request.Sender = Utf8(m_Sender->text());
    request.Subject = Utf8(m_Subject->text());
    request.Account = Utf8(m_Account->text());
    // Exactly the model's count of entries, whatever the mode: the first
    // lines that count, the rest unused.
    request.Recipients.assign(m_Count, std::string());
    const QStringList lines = RecipientLines();
    for (qsizetype i = 0; i < lines.size() && size_t(i) < m_Count; ++i)
        request.Recipients[size_t(i)] = Utf8(lines[i]);
    auto* set = new Intp::TSessionWarningSmtpSet;
    if (set->SetData(request, Utf8(m_Password->text())))
        return set;
    delete set;
    return nullptr;
}
