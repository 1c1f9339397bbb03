// "SMTP Settings": e-mail warnings, the SMTP server and account, and the
// recipients.
#pragma once

#include "ModulePage.h"

#include <QStringList>

#include <cstdint>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class TIpEdit;

class TModuleWarningSmtp final : public TModulePage {
    Q_OBJECT
public:
    explicit TModuleWarningSmtp(QWidget* parent);

    QComboBox* Mode() const { return m_Mode; }
    TIpEdit* Address() const { return m_Address; }
    QLineEdit* Sender() const { return m_Sender; }
    QLineEdit* Subject() const { return m_Subject; }
    QLineEdit* Account() const { return m_Account; }
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

    QComboBox* m_Mode;
    QLabel* m_ModeLabel;
    TIpEdit* m_Address;
    QLineEdit* m_Sender;
    QLineEdit* m_Subject;
    QLineEdit* m_Account;
    QLineEdit* m_Password;
    QLineEdit* m_Confirm;
    QPlainTextEdit* m_Recipients;
    // The fields of "Enable" mode with their labels, and the password pair.
    std::vector<QWidget*> m_Entries;
    std::vector<QWidget*> m_PasswordFields;
    // The model's recipient count, taken at reload.
    uint32_t m_Count = 0;
};
