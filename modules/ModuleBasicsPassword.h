// "Admin Password": sends a new administrator user name and password to
// every current switch.
#pragma once

#include "ModulePage.h"

class QLineEdit;

class TModuleBasicsPassword final : public TModulePage {
    Q_OBJECT
public:
    explicit TModuleBasicsPassword(QWidget* parent);

    QLineEdit* UsernameEdit() const { return m_Username; }
    QLineEdit* PasswordEdit() const { return m_Password; }
    QLineEdit* ConfirmEdit() const { return m_Confirm; }

private:
    // Apply needs a user name, a password and the same confirmation.
    void EventOnFieldChange();

    QLineEdit* m_Username;
    QLineEdit* m_Password;
    QLineEdit* m_Confirm;
};
