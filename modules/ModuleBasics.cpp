#include "ModuleBasics.h"

#include "IntpBasics.h"
#include "ModuleCallback.h"
#include "PageEditors.h"
#include "PageList.h"
#include "PageReads.h"
#include "Resources.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

QIcon LoginIcon(bool loggedIn)
{
    return Resources::Icon(loggedIn ? "RC_BITMAP_16X16_ACCEPT" : "RC_BITMAP_16X16_CANCEL");
}

} // namespace

TModuleBasics::TModuleBasics(QWidget* parent) : TModulePage(QStringLiteral("Basics"), parent)
{
    auto* form = new QFormLayout;
    m_Username = new QLineEdit(this);
    m_Username->setObjectName("m_Username");
    m_Password = new QLineEdit(this);
    m_Password->setObjectName("m_Password");
    m_Password->setEchoMode(QLineEdit::Password);
    m_Label1 = AddFormRow(form, QStringLiteral("User &Name:"), m_Username);
    m_Label2 = AddFormRow(form, QStringLiteral("&Password:"), m_Password);
    PageLayout()->addLayout(form);

    m_Login = new QPushButton(Resources::Icon("RC_BITMAP_16X16_LOGIN"), QStringLiteral("&Login"), this);
    m_Logout = new QPushButton(Resources::Icon("RC_BITMAP_16X16_LOGOUT"), QStringLiteral("Log&out"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_Login);
    buttons->addWidget(m_Logout);
    buttons->addStretch(1);
    PageLayout()->addLayout(buttons);

    m_Devices = new TPageList({QStringLiteral("IP")}, this);
    m_Devices->horizontalHeader()->hide();
    PageLayout()->addWidget(m_Devices, 1);

    for (QWidget* w : {static_cast<QWidget*>(m_Label1), static_cast<QWidget*>(m_Label2),
                       static_cast<QWidget*>(m_Username), static_cast<QWidget*>(m_Password),
                       static_cast<QWidget*>(m_Logout)})
        AddDeviceControl(w);
    // Login is the page's default button.
    SetDefaultButton(m_Login);
    SetFillsWhileShown(true);
    Reads<Intp::TSessionBasicsSettingsGet>();
    OnClear([this] { m_Devices->Clear(); });
    OnFill([this](Intp::TDevice*) {
        TDeviceList devices;
        if (g_ModuleCallback)
            g_ModuleCallback->GetCurrentDevices(devices);
        for (Intp::TDevice* d : devices) {
            const int row = m_Devices->AddRow({QString::fromStdString(Intp::IpToText(d->GetIp()))}, MacKey(d->GetMac()));
            m_Devices->Model()->SetIcon(row, LoginIcon(d->IsLoggedIn()));
        }
    });
    OnReloaded([this](Intp::TDevice* device) {
        if (device)
            EventOnUsernameChange();
        else
            m_Login->setEnabled(false);
    });

    connect(m_Username, &QLineEdit::textChanged, this, &TModuleBasics::EventOnUsernameChange);
    connect(m_Password, &QLineEdit::textChanged, this, &TModuleBasics::EventOnUsernameChange);
    connect(m_Login, &QPushButton::clicked, this, &TModuleBasics::EventOnLoginClick);
    connect(m_Logout, &QPushButton::clicked, this, &TModuleBasics::EventOnLogoutClick);
}

void TModuleBasics::Notify(Intp::TDevice* device, uint16_t code, uint16_t status)
{
    // Every login reply, from any switch, rebuilds the list from the flags.
    if (code == 0x0002) {
        Reload();
        return;
    }
    TModulePage::Notify(device, code, status);
}

void TModuleBasics::EventOnUsernameChange()
{
    m_Login->setEnabled(CurrentDevice() && !m_Username->text().isEmpty() && !m_Password->text().isEmpty());
}

void TModuleBasics::StartLogin(const uint8_t digest[16])
{
    for (int row = m_Devices->RowCount() - 1; row >= 0; --row)
        m_Devices->Model()->SetIcon(row, QIcon());
    StartLoginSessions(digest, this);
}

void TModuleBasics::EventOnLoginClick()
{
    if (!m_Login->isEnabled())
        return;
    uint8_t digest[16];
    const QByteArray user = m_Username->text().toUtf8(), password = m_Password->text().toUtf8();
    Intp::LoginDigest(std::string_view(user.constData(), size_t(user.size())),
                      std::string_view(password.constData(), size_t(password.size())), digest);
    StartLogin(digest);
}

void TModuleBasics::EventOnLogoutClick()
{
    const uint8_t zero[16] = {};
    StartLogin(zero);
}

void TModuleBasics::OnSessionEvent(Intp::TDevice* device, int, uint16_t, void*)
{
    if (!device)
        return;
    const int64_t key = MacKey(device->GetMac());
    for (int row = m_Devices->RowCount() - 1; row >= 0; --row)
        if (m_Devices->Row(row).Key == key) {
            m_Devices->Model()->SetIcon(row, LoginIcon(device->IsLoggedIn()));
            return;
        }
}
