// The main window as host of the pages, as transport and timer service of
// the protocol library's sessions, and as device observer.
#include "MainForm.h"

#include "IntpSocketThread.h"
#include "MessageBoxes.h"
#include "StatusFrame.h"
#include "SyslogFrame.h"

#include <QLineEdit>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>

// ---------------------------------------------------------------------------
// Host interface
// ---------------------------------------------------------------------------

int TMainForm::GetSelectedDevice(Intp::TDevice*& device)
{
    TDeviceList devices;
    int count = GetSelectedDevices(devices);
    device = count > 0 ? devices.front() : nullptr;
    return count;
}

int TMainForm::GetSelectedDevices(TDeviceList& devices)
{
    TTreeNode* focus = CurrentNode();
    if (!focus || focus->Kind() != TTreeNode::KindDevice)
        return 0;
    int count = 0;
    for (TTreeNode* node : SelectedNodes()) {
        if (node->Kind() == TTreeNode::KindDevice && node->Device) {
            devices.push_back(node->Device);
            ++count;
        }
    }
    return count;
}

void TMainForm::EnumDevices(TDeviceList& devices)
{
    if (!m_DevicesNode)
        return;
    for (int g = 0; g < m_DevicesNode->ChildCount(); ++g) {
        TTreeNode* group = m_DevicesNode->Child(g);
        for (int d = 0; d < group->ChildCount(); ++d)
            if (TTreeNode* node = group->Child(d); node->Device)
                devices.push_back(node->Device);
    }
}

bool TMainForm::AskLogin(QString& user, QString& password)
{
    if (m_LoginForm->exec() != QDialog::Accepted)
        return false;
    user = m_LoginForm->m_Username->text();
    password = m_LoginForm->m_Password->text();
    return true;
}

bool TMainForm::IsSelectedDevice(Intp::TDevice* device)
{
    Intp::TDevice* selected = nullptr;
    return GetSelectedDevice(selected) > 0 && selected == device;
}

bool TMainForm::IsAmongSelected(Intp::TDevice* device)
{
    TDeviceList devices;
    GetSelectedDevices(devices);
    return std::find(devices.begin(), devices.end(), device) != devices.end();
}

bool TMainForm::SelectPage(const QString& path)
{
    TTreeNode* current = m_TreeModel->TopLevel(0);
    if (!current)
        return false;
    QString rest = path;
    while (!rest.isEmpty()) {
        int slash = rest.indexOf('/');
        QString component = slash < 0 ? rest : rest.left(slash);
        rest = slash < 0 ? QString() : rest.mid(slash + 1);
        TTreeNode* match = nullptr;
        for (int i = 0; i < current->ChildCount() && !match; ++i) {
            TTreeNode* child = current->Child(i);
            if (child->Kind() == TTreeNode::KindPage && child->Page() && child->Page()->GetCaption() == component)
                match = child;
        }
        if (!match)
            break;
        current = match;
    }
    SetCurrentNode(current);
    return CurrentNode() == current && IsNodeSelected(current);
}

Filter::TFilterServer* TMainForm::GetFilterServer() { return m_FilterForm; }
Status::TStatusServer* TMainForm::GetStatusServer() { return m_StatusFrame; }
Syslog::TSyslogServer* TMainForm::GetSyslogServer() { return m_SyslogFrame; }

// ---------------------------------------------------------------------------
// Session transport and timers
// ---------------------------------------------------------------------------

int64_t TMainForm::SessionClock() const
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void TMainForm::CreateTimer(Intp::TSession* session, unsigned milliseconds)
{
    if (session && m_SessionTimers.Create(session, milliseconds, SessionClock()))
        ArmSessionTimer();
}

void TMainForm::DeleteTimer(Intp::TSession* session)
{
    // The window's timer stays armed: firing early finds nothing due and
    // arms it again for what is left.
    m_SessionTimers.Delete(session);
}

void TMainForm::EnableTimer(Intp::TSession* session, bool enable)
{
    m_SessionTimers.Enable(session, enable, SessionClock());
    if (enable)
        ArmSessionTimer();
}

void TMainForm::SetTimeout(Intp::TSession* session, unsigned milliseconds)
{
    m_SessionTimers.SetInterval(session, milliseconds, SessionClock());
    ArmSessionTimer();
}

void TMainForm::ArmSessionTimer()
{
    int64_t deadline = 0;
    if (m_ShutDown || !m_SessionTimers.Earliest(deadline)) {
        m_SessionTimer->stop();
        m_SessionTimerDeadline = -1;
        return;
    }
    // Only re-armed when the earliest deadline moved forward of it.
    if (m_SessionTimer->isActive() && m_SessionTimerDeadline >= 0 && m_SessionTimerDeadline <= deadline)
        return;
    m_SessionTimerDeadline = deadline;
    m_SessionTimer->start(int(std::clamp<int64_t>(deadline - SessionClock(), 0, INT32_MAX)));
}

void TMainForm::EventOnSessionTimer()
{
    m_SessionTimerDeadline = -1;
    // Once the library no longer reports to this window, the sessions it
    // timed may be gone.
    if (Intp::GetSessionCallback() != this)
        return;
    const int64_t now = SessionClock();
    // A time-out may start, end or re-arm sessions (its own included); each
    // session due now fires once, and one that has ended never does.
    for (int fired = 0; fired < TimeoutSlice; ++fired) {
        Intp::TSession* session = m_SessionTimers.PopDue(now);
        if (!session)
            break;
        session->OnTimeout();
    }
    ArmSessionTimer();
}

void TMainForm::SendDatagram(uint32_t ip, const uint8_t* data, size_t length)
{
    ++m_SentCount;
    // Never waits: a datagram the socket cannot take now is queued, and one
    // that cannot be queued either fails here.
    const bool sent = m_Options.SendHook ? m_Options.SendHook(ip, data, length)
                                         : m_IntpThread->Send(ip, m_Options.IntpRemotePort, data, length);
    if (!sent)
        AddSendError(ip, errno);
}

void TMainForm::AddSendError(uint32_t ip, int error)
{
    // The session stays pending and ends by its time-out. The error is shown
    // once the current event is over, one box at a time, so a burst of
    // failing sends never stacks boxes or runs the dispatcher re-entrantly.
    m_SendErrors << QString("Cannot send to %1: %2")
                        .arg(QString::fromStdString(Intp::IpToText(ip)), QString::fromLocal8Bit(std::strerror(error)));
    if (!m_SendErrorPosted && !m_SendErrorShowing) {
        m_SendErrorPosted = true;
        QTimer::singleShot(0, this, &TMainForm::ShowSendErrors);
    }
}

void TMainForm::ShowSendErrors()
{
    m_SendErrorPosted = false;
    if (m_SendErrorShowing || m_SendErrors.isEmpty())
        return;
    QString text = m_SendErrors.front();
    if (m_SendErrors.size() > 1)
        text += QString("\n(and %1 more)").arg(m_SendErrors.size() - 1);
    m_SendErrors.clear();
    m_SendErrorShowing = true;
    UserInterface().Message(IUserInterface::IconError, AppTitle, text, IUserInterface::Ok);
    m_SendErrorShowing = false;
    if (!m_SendErrors.isEmpty() && !m_SendErrorPosted) {
        m_SendErrorPosted = true;
        QTimer::singleShot(0, this, &TMainForm::ShowSendErrors);
    }
}

void TMainForm::Report(Intp::TDevice* device, uint16_t command, uint32_t status, void* data, Intp::TWizard* observer,
                       const char*)
{
    NotifyCurrentModule(device, command, uint16_t(status));
    if (observer)
        observer->OnSessionEvent(device, command, uint16_t(status), data);
}

// ---------------------------------------------------------------------------
// Device observer
// ---------------------------------------------------------------------------

void TMainForm::OnDeviceAdd(Intp::TDevice*)
{
    // A device gets its node once its address or model is known.
}

void TMainForm::OnDeviceRemove(Intp::TDevice* device)
{
    if (TTreeNode* node = FindDeviceNode(device)) {
        const bool waiting = node->Waiting;
        RemoveDeviceNode(node);
        if (!waiting)
            NotifyCurrentModule(nullptr, EventDeviceRemoved, 0);
    }
}

void TMainForm::OnDeviceFlagsChange(Intp::TDevice* device, uint32_t) { UpdateDeviceNode(device, EventDeviceFlagsChanged); }

void TMainForm::OnDeviceIpChange(Intp::TDevice* device)
{
    UpdateDeviceNode(device, EventDeviceIpChanged);
    OnDeviceNameChange(device);
}

void TMainForm::OnDeviceTypeChange(Intp::TDevice* device) { UpdateDeviceNode(device, EventDeviceTypeChanged); }

void TMainForm::OnDeviceNameChange(Intp::TDevice* device)
{
    TTreeNode* node = FindDeviceNode(device);
    if (!node)
        return;
    m_TreeModel->NodeChanged(node);
    if (node->Waiting)
        return;
    SortGroupNodes();
    NotifyCurrentModule(device, EventDeviceNameChanged, 0);
}
