// Discovery, login, logout, reboot, web page and refresh.
#include "MainForm.h"

#include "IntpBasics.h"
#include "IntpIpConf.h"
#include "IntpProtocol.h"
#include "MessageBoxes.h"
#include "PageReads.h"
#include "StatusFrame.h"


#include <exception>

// ---------------------------------------------------------------------------
// Discovery hook
// ---------------------------------------------------------------------------

TFindHook& TFindHook::Instance()
{
    static TFindHook hook;
    return hook;
}

void TFindHook::OnSessionEvent(Intp::TDevice* device, int command, uint16_t status, void*)
{
    if (status != Intp::StatusOk || !device)
        return;
    switch (command) {
    case Intp::TSessionIntpFind::Command: {
        if (Filter::TFilterServer* filter = g_ModuleCallback ? g_ModuleCallback->GetFilterServer() : nullptr)
            if (device->GetType() == 0 || !filter->IsAccepted(device->GetIp()))
                return;
        if (Status::TStatusServer* status = g_ModuleCallback ? g_ModuleCallback->GetStatusServer() : nullptr)
            status->AddDevice(device);
        Intp::StartOwnedSession(std::make_unique<Intp::TSessionBasicsSettingsGet>(), device, this);
        break;
    }
    case Intp::TSessionBasicsSettingsGet::Command:
        Intp::StartOwnedSession(std::make_unique<Intp::TSessionBasicsIPConfGet>(), device, this);
        break;
    case Intp::TSessionBasicsIPConfGet::Command:
        Intp::StartOwnedSession(std::make_unique<Intp::TSessionIntpSipGet>(), device, this);
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------------------
// Actions
// ---------------------------------------------------------------------------

void TMainForm::EventOnDiscoveryExecute()
{
    // A busy page (a transfer, a wizard step) is asked first: discovery
    // deletes every device, which would leave it waiting for ever.
    if (TModule* page = GetCurrentModule(); page && !page->Leave(false))
        return;
    Intp::DeleteAllDevices();
    // The page was left (and hid itself); show it again for what is now
    // selected.
    PostSelectionNotify();
    Filter::TIpMaskList targets;
    if (m_FilterForm)
        m_FilterForm->GetTargets(targets);
    try {
        for (const auto& target : targets)
            Intp::SendFind(&TFindHook::Instance(), Filter::TargetAddress(target));
    } catch (const std::exception& e) {
        UserInterface().Message(IUserInterface::IconError, AppTitle, QString::fromLocal8Bit(e.what()),
                                IUserInterface::Ok);
    }
}

void TMainForm::EventOnFilterExecute()
{
    if (m_FilterForm->exec() == QDialog::Accepted)
        EventOnDiscoveryExecute();
}

void TMainForm::EventOnLoginExecute()
{
    QString user, password;
    if (!AskLogin(user, password))
        return;
    uint8_t digest[16];
    const QByteArray u = user.toUtf8(), p = password.toUtf8();
    Intp::LoginDigest(std::string_view(u.constData(), size_t(u.size())),
                      std::string_view(p.constData(), size_t(p.size())), digest);
    StartLoginSessions(digest, nullptr);
}

void TMainForm::EventOnLogoutExecute()
{
    const uint8_t zero[16] = {};
    StartLoginSessions(zero, nullptr);
}

void TMainForm::EventOnRebootExecute()
{
    if (UserInterface().Message(IUserInterface::IconQuestion, AppTitle, "Are you sure to reboot selected devices?",
                                IUserInterface::Ok | IUserInterface::Cancel) != IUserInterface::Ok)
        return;
    StartRebootSessions(nullptr);
}

void TMainForm::EventOnOpenWebExecute()
{
    TDeviceList devices;
    GetCurrentDevices(devices);
    // When no browser can be started the user is told once, and the other
    // devices' pages are not tried.
    for (Intp::TDevice* device : devices)
        if (!OpenUrlOrTell(QString("http://%1").arg(QString::fromStdString(Intp::IpToText(device->GetIp())))))
            return;
}

void TMainForm::EventOnRefreshExecute()
{
    if (TModule* page = GetCurrentModule())
        page->Refresh(true);
}

void TMainForm::EventOnRefreshAllExecute()
{
    if (TModule* page = GetCurrentModule())
        page->Refresh(false);
}
