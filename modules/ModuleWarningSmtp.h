// "SMTP Settings": e-mail warnings, the SMTP server and account, and the
// recipients.
#pragma once

#include "ModulePage.h"
#include "PageEditors.h"

#include <QStringList>

#include <cstdint>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class TFixedTextEdit;
class TIpEdit;

class TModuleWarningSmtp final : public TModulePage {
    Q_OBJECT
public:
    explicit TModuleWarningSmtp(QWidget* parent);

    QComboBox* Mode() const { return m_Mode; }
    TIpEdit* Address() const { return m_Address; }
    TFixedTextEdit* Sender() const { return m_Sender; }
    TFixedTextEdit* Subject() const { return m_Subject; }
    TFixedTextEdit* Account() const { return m_Account; }
    QLineEdit* Password() const { return m_Password; }
    QLineEdit* Confirm() const { return m_Confirm; }
    QPlainTextEdit* Recipients() const { return m_Recipients; }

private:
    // The Set carrying the fields; null when the request does not encode.
    Intp::TSession* NewSmtpSet() const;
    void ApplyModeRule();
    // Decides Apply from the entries (in "Enable" mode).
    void ApplyEntryRule();
    // The recipient lines that count: the non-empty ones, in order.
    QStringList RecipientLines() const;

    TChoice* m_Mode;
    QLabel* m_ModeLabel;
    TIpEdit* m_Address;
    TFixedTextEdit* m_Sender;
    TFixedTextEdit* m_Subject;
    TFixedTextEdit* m_Account;
    QLineEdit* m_Password;
    QLineEdit* m_Confirm;
    QPlainTextEdit* m_Recipients;
    // The fields of "Enable" mode with their labels, and the password pair.
    std::vector<QWidget*> m_Entries;
    std::vector<QWidget*> m_PasswordFields;
    // The model's recipient count, taken at reload.
    uint32_t m_Count = 0;
    // The recipients as read and the text they showed: while the text is
    // unchanged they go back as read, byte for byte and in their places.
    std::vector<std::string> m_ReadRecipients;
    QString m_ShownRecipients;
    // Whether the recipients' text is still the one read.
    bool RecipientsEdited() const;
};
