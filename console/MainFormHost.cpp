// The main window as host of the pages, as transport and timer service of
// the protocol library's sessions, and as device observer.
#include "MainForm.h"

#include "IntpSocketThread.h"
#include "MessageBoxes.h"
#include "StatusFrame.h"
#include "SyslogFrame.h"

#include <QLineEdit>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <QTreeWidget>

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
    auto* focus = static_cast<TTreeNode*>(m_Tree->currentItem());
    if (!focus || focus->Kind() != TTreeNode::KindDevice)
        return 0;
    int count = 0;
    for (QTreeWidgetItem* item : m_Tree->selectedItems()) {
        auto* node = static_cast<TTreeNode*>(item);
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
    for (int g = 0; g < m_DevicesNode->childCount(); ++g) {
        QTreeWidgetItem* group = m_DevicesNode->child(g);
        for (int d = 0; d < group->childCount(); ++d)
            if (auto* node = static_cast<TTreeNode*>(group->child(d)); node->Device)
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
    QTreeWidgetItem* current = m_Tree->topLevelItemCount() ? m_Tree->topLevelItem(0) : nullptr;
    if (!current)
        return false;
    QString rest = path;
    while (!rest.isEmpty()) {
        int slash = rest.indexOf('/');
        QString component = slash < 0 ? rest : rest.left(slash);
        rest = slash < 0 ? QString() : rest.mid(slash + 1);
        QTreeWidgetItem* match = nullptr;
        for (int i = 0; i < current->childCount() && !match; ++i) {
            auto* child = static_cast<TTreeNode*>(current->child(i));
            if (child->Kind() == TTreeNode::KindPage && child->Page && child->Page->GetCaption() == component)
                match = child;
        }
        if (!match)
            break;
        current = match;
    }
    m_Tree->setCurrentItem(current);
    return m_Tree->currentItem() == current && m_Tree->selectedItems().contains(current);
}

Filter::TFilterServer* TMainForm::GetFilterServer() { return m_FilterForm; }
Status::TStatusServer* TMainForm::GetStatusServer() { return m_StatusFrame; }
Syslog::TSyslogServer* TMainForm::GetSyslogServer() { return m_SyslogFrame; }

// ---------------------------------------------------------------------------
// Session transport and timers
// ---------------------------------------------------------------------------

void TMainForm::CreateTimer(Intp::TSession* session, unsigned milliseconds)
{
    if (!session || m_SessionTimers.count(session))
        return;
    // Timers of ended sessions are kept and handed out again: a discovery
    // of many switches starts and ends thousands of sessions in a burst.
    QTimer* timer = nullptr;
    if (!m_IdleTimers.empty()) {
        timer = m_IdleTimers.back();
        m_IdleTimers.pop_back();
    } else {
        timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this, timer] { EventOnSessionTimer(timer); });
    }
    timer->setInterval(int(milliseconds ? milliseconds : 60000));
    m_SessionTimers[session] = timer;
    m_TimerSessions[timer] = session;
    timer->start();
}

void TMainForm::DeleteTimer(Intp::TSession* session)
{
    auto it = m_SessionTimers.find(session);
    if (it == m_SessionTimers.end())
        return;
    QTimer* timer = it->second;
    timer->stop();
    m_SessionTimers.erase(it);
    m_TimerSessions.erase(timer);
    // Kept for the next session rather than destroyed: the session may be
    // deleting itself inside this very timer's tick, and a stopped timer
    // that belongs to no session does nothing.
    if (m_IdleTimers.size() < MaxIdleTimers)
        m_IdleTimers.push_back(timer);
    else
        timer->deleteLater();
}

void TMainForm::EnableTimer(Intp::TSession* session, bool enable)
{
    auto it = m_SessionTimers.find(session);
    if (it == m_SessionTimers.end())
        return;
    if (enable)
        it->second->start();   // a full interval from now
    else
        it->second->stop();
}

void TMainForm::SetTimeout(Intp::TSession* session, unsigned milliseconds)
{
    auto it = m_SessionTimers.find(session);
    if (it == m_SessionTimers.end())
        return;
    QTimer* timer = it->second;
    bool running = timer->isActive();
    timer->setInterval(int(milliseconds ? milliseconds : 60000));
    if (running)
        timer->start();
}

QTimer* TMainForm::SessionTimer(Intp::TSession* session) const
{
    auto it = m_SessionTimers.find(session);
    return it == m_SessionTimers.end() ? nullptr : it->second;
}

void TMainForm::EventOnSessionTimer(QTimer* timer)
{
    auto it = m_TimerSessions.find(timer);
    if (it != m_TimerSessions.end())
        it->second->OnTimeout();
}

void TMainForm::SendDatagram(uint32_t ip, const uint8_t* data, size_t length)
{
    ++m_SentCount;
    const bool sent = m_Options.SendHook ? m_Options.SendHook(ip, data, length)
                                         : m_IntpThread->Send(ip, m_Options.IntpRemotePort, data, length);
    if (sent)
        return;
    // The session stays pending and ends by its time-out. The error is shown
    // once the current event is over, one box at a time, so a burst of
    // failing sends never stacks boxes or runs the dispatcher re-entrantly.
    const int error = errno;
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
        RemoveDeviceNode(node);
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
    node->setText(0, DeviceCaption(device));
    SortGroupNodes();
    NotifyCurrentModule(device, EventDeviceNameChanged, 0);
}
