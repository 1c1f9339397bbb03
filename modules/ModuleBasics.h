// "Basics": logs the selected switches in or out with one user name and
// password, and lists them by address with their login state.
#pragma once

#include "Intp.h"
#include "ModulePage.h"

class QLabel;
class QLineEdit;
class QPushButton;
class TPageList;

class TModuleBasics final : public TModulePage, public Intp::TWizard {
    Q_OBJECT
public:
    explicit TModuleBasics(QWidget* parent);

    void Notify(Intp::TDevice* device, uint16_t code, uint16_t status) override;
    // A login reply of one of this page's sessions: that row's icon.
    void OnSessionEvent(Intp::TDevice* device, int command, uint16_t status, void* data) override;

    void EventOnUsernameChange();
    void EventOnLoginClick();
    void EventOnLogoutClick();

    QLineEdit* Username() const { return m_Username; }
    QLineEdit* Password() const { return m_Password; }
    QPushButton* LoginButton() const { return m_Login; }
    QPushButton* LogoutButton() const { return m_Logout; }
    TPageList* Devices() const { return m_Devices; }

private:
    void StartLogin(const uint8_t digest[16]);

    QLabel* m_Label1;
    QLineEdit* m_Username;
    QLabel* m_Label2;
    QLineEdit* m_Password;
    QPushButton* m_Login;
    QPushButton* m_Logout;
    TPageList* m_Devices;
};
