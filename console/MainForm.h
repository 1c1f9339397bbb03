// The main window: the device tree, the actions, the transport and timers of
// the protocol library's sessions, and the host of every page.
#pragma once

#include "DeviceTreeModel.h"
#include "FilterForm.h"
#include "Intp.h"
#include "IntpFlatMap.h"
#include "MainFormTimers.h"
#include "ModuleCallback.h"
#include "ModuleFrame.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QStringList>
#include <QSystemTrayIcon>

#include <functional>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSplitter;
class QTimer;
class QToolBar;
class QModelIndex;
class QTreeView;
class TIntpSocketThread;
class TReceivePump;
class TSyslogFrame;
class TSyslogSocketThread;
class TStatusFrame;
class TLocalNetProvider;
class TScanForm;
namespace ConfigFile {
class TConfigLoad;
}

// The "Login" dialog: a user name and a password of at most 16 characters.
class TLoginForm final : public QDialog {
    Q_OBJECT

public:
    explicit TLoginForm(QWidget* parent = nullptr);

    QLabel* m_Label1 = nullptr;
    QLineEdit* m_Username = nullptr;
    QLabel* m_Label2 = nullptr;
    QLineEdit* m_Password = nullptr;
    QPushButton* m_Cancel = nullptr;
    QPushButton* m_Login = nullptr;

private:
    void EventOnEditChange();
};

// Follows up every switch that answers discovery: adds it to the status
// monitor and reads its system settings, its IP configuration and its
// IntpSip record, each read started when the previous one succeeded.
class TFindHook final : public Intp::TWizard {
public:
    static TFindHook& Instance();
    void OnSessionEvent(Intp::TDevice* device, int command, uint16_t status, void* data) override;
};

class TMainForm final : public QMainWindow,
                        public TModuleCallback,
                        public Intp::TDeviceCallback,
                        public Intp::TSessionCallback {
    Q_OBJECT

public:
    // Where the sockets live. The program uses the defaults; tests move the
    // ports so that they never need the well-known ones.
    struct TOptions {
        uint16_t IntpLocalPort = 0;       // any free port
        uint16_t IntpRemotePort = 1638;   // the switches' port
        uint16_t SyslogPort = 514;              // 0: any free port
        Filter::TNetProvider* Net = nullptr;   // null: the host's own tables
        // When set, datagrams go here instead of the protocol socket (tests
        // that must not reach the network); answers whether it was sent.
        std::function<bool(uint32_t ip, const uint8_t* data, size_t length)> SendHook;
    };

    enum TSortMode { SortNone = 0, SortModel = 1, SortIpAddress = 2, SortFilterMethod = 3 };

    explicit TMainForm(QWidget* parent = nullptr);
    TMainForm(const TOptions& options, QWidget* parent = nullptr);
    ~TMainForm() override;

    // The create event: builds every part of the console in its order.
    // Returns false when the user chose to abort (the program then ends).
    bool EventOnMainFormCreate();
    // Stops and joins both socket workers and detaches the window from the
    // protocol library. Safe to call more than once.
    void Shutdown();

    // TModuleCallback
    int GetSelectedDevice(Intp::TDevice*& device) override;
    int GetSelectedDevices(TDeviceList& devices) override;
    int GetCurrentDevice(Intp::TDevice*& device) override { return GetSelectedDevice(device); }
    int GetCurrentDevices(TDeviceList& devices) override { return GetSelectedDevices(devices); }
    void GetAllDevices(TDeviceList& devices) override { EnumDevices(devices); }
    void EnumDevices(TDeviceList& devices) override;
    bool AskLogin(QString& user, QString& password) override;
    bool IsSelectedDevice(Intp::TDevice* device) override;
    bool IsAmongSelected(Intp::TDevice* device) override;
    bool IsCurrentDevice(Intp::TDevice* device) override { return IsSelectedDevice(device); }
    bool IsAmongCurrent(Intp::TDevice* device) override { return IsAmongSelected(device); }
    bool SelectPage(const QString& path) override;
    Filter::TFilterServer* GetFilterServer() override;
    Status::TStatusServer* GetStatusServer() override;
    Syslog::TSyslogServer* GetSyslogServer() override;

    // Intp::TDeviceCallback
    void OnDeviceAdd(Intp::TDevice* device) override;
    void OnDeviceRemove(Intp::TDevice* device) override;
    void OnDeviceFlagsChange(Intp::TDevice* device, uint32_t changed) override;
    void OnDeviceIpChange(Intp::TDevice* device) override;
    void OnDeviceTypeChange(Intp::TDevice* device) override;
    void OnDeviceNameChange(Intp::TDevice* device) override;

    // Intp::TSessionCallback
    void CreateTimer(Intp::TSession* session, unsigned milliseconds) override;
    void DeleteTimer(Intp::TSession* session) override;
    void EnableTimer(Intp::TSession* session, bool enable) override;
    void SendDatagram(uint32_t ip, const uint8_t* data, size_t length) override;
    void Report(Intp::TDevice* device, uint16_t command, uint32_t status, void* data, Intp::TWizard* observer,
                const char* name) override;
    void SetTimeout(Intp::TSession* session, unsigned milliseconds) override;
    void PrefetchTimer(Intp::TSession* session, int step) override { m_SessionTimers.Prefetch(session, step); }

    // Device tree.
    TTreeNode* FindDeviceNode(Intp::TDevice* device) const;
    TTreeNode* GetGroupNode(Intp::TDevice* device, bool create);
    uint16_t UpdateDeviceNode(Intp::TDevice* device, uint16_t code);
    void RemoveDeviceNode(TTreeNode* node);
    void AttachNewNodes();
    void DropWaitingNode(TTreeNode* node);
    void ForgetDeviceNode(TTreeNode* node);
    void NotifyCurrentModule(Intp::TDevice* device, uint16_t code, uint16_t status);
    TModule* GetCurrentModule() const;
    TTreeNode* AddTreeNode(TModule* page, TTreeNode* parent, int image);
    static QString DeviceCaption(const Intp::TDevice* device);
    static int DeviceImage(const Intp::TDevice* device);
    // "logged in", "warning", both or nothing: what the image shows.
    static QString DeviceStateText(const Intp::TDevice* device);

    // Actions.
    void EventOnDiscoveryExecute();
    void EventOnFilterExecute();
    void EventOnLoginExecute();
    void EventOnLogoutExecute();
    void EventOnRebootExecute();
    void EventOnOpenWebExecute();
    void EventOnRefreshExecute();
    void EventOnRefreshAllExecute();
    void EventOnExitExecute();
    void EventOnLoadConfigExecute();
    void EventOnSaveConfigExecute();
    void EventOnTreeSortChange(int mode);

    // The tree's nodes in its view.
    QModelIndex IndexOf(const TTreeNode* node) const;
    TTreeNode* NodeOf(const QModelIndex& index) const;
    TTreeNode* CurrentNode() const;
    // Moves the focus as a click does (the page shown is asked first).
    void SetCurrentNode(TTreeNode* node);
    // The selected nodes, in the order they were selected.
    QList<TTreeNode*> SelectedNodes() const;
    bool IsNodeSelected(const TTreeNode* node) const;
    void SetNodeSelected(TTreeNode* node, bool selected);
    bool IsNodeExpanded(const TTreeNode* node) const;
    QRect NodeRect(const TTreeNode* node) const;

    // Test access.
    QTreeView* Tree() const { return m_Tree; }
    TDeviceTreeModel* TreeModel() const { return m_TreeModel; }
    QComboBox* TreeSort() const { return m_TreeSort; }
    TTreeNode* RootNode() const { return m_RootNode; }
    TTreeNode* DevicesNode() const { return m_DevicesNode; }
    QSplitter* Splitter() const { return m_Splitter; }
    int DeviceCount() const { return m_DeviceCount; }
    bool NodesWaiting() const { return !m_NewNodes.empty(); }
    TModuleFrame* ModuleFrame() const { return m_ModuleFrame; }
    TFilterForm* FilterForm() const { return m_FilterForm; }
    TLoginForm* LoginForm() const { return m_LoginForm; }
    TStatusFrame* StatusFrame() const { return m_StatusFrame; }
    TScanForm* ScanForm() const { return m_ScanForm; }
    QDialog* AboutForm() const { return m_AboutForm; }
    TIntpSocketThread* IntpThread() const { return m_IntpThread.get(); }
    TSyslogSocketThread* SyslogThread() const { return m_SyslogThread.get(); }
    TSyslogFrame* SyslogFrame() const { return m_SyslogFrame; }
    QAction* Action(const QString& objectName) const;
    const TSessionTimerQueue& SessionTimers() const { return m_SessionTimers; }
    size_t SessionTimerCount() const { return m_SessionTimers.Count(); }
    bool Created() const { return m_Created; }
    uint64_t SentCount() const { return m_SentCount; }

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildWindow();
    void BuildActions();
    QAction* MakeAction(const char* objectName, const QString& caption, const QString& bitmap,
                        const QList<QKeySequence>& shortcuts, void (TMainForm::*handler)(),
                        const QString& bitmap24 = QString());
    // Fires the session timers that are due, then arms the window's timer
    // for the next deadline.
    void EventOnSessionTimer();
    void ArmSessionTimer();
    // Milliseconds on the window's monotonic clock.
    int64_t SessionClock() const;
    void InstallTreeSelection();
    void DetachTreeSelection();
    bool EventOnTreeChanging(TTreeNode* selected, TTreeNode* next);
    void EventOnTreeChange(const QModelIndex& current, const QModelIndex& previous);
    void EventOnTreeSelectionChange();
    void EventOnTrayActivated(QSystemTrayIcon::ActivationReason reason);
    // Queues "Cannot send to ..." for the next ShowSendErrors.
    void AddSendError(uint32_t ip, int error);
    void ShowSendErrors();
    void PostSelectionNotify();
    void SortGroupNodes();
    void ExpandDevices();
    void SetDevicesCaption();
    // Widens the tree's pane to show its widest caption of a page or group
    // (not of a device: a switch names itself), up to two fifths of the
    // window, until the user moves the pane's edge himself.
    void WidenTreePane();
    void NoteCaption(TTreeNode* node);
    TModule* ModuleOfNode(TTreeNode* node) const;
    bool IsUnderDevicesNode(TTreeNode* node) const;
    bool IsShown(Intp::TDevice* device) const;
    bool GroupKeyFor(Intp::TDevice* device, uint32_t& key0, uint32_t& key1, QString& caption) const;
    bool GroupMatches(const TTreeNode* group, uint32_t key0, uint32_t key1) const;
    int CompareGroups(const TTreeNode* a, const TTreeNode* b) const;
    void RestoreWindow();
    // Runs `change` with the tree's signals held, then puts the selection
    // back on what is still there.
    void QuietTreeChange(const std::function<void()>& change);
    void ForgetSavedNode(TTreeNode* node);
    void DeleteNode(TTreeNode* node);

    TOptions m_Options;
    std::unique_ptr<TLocalNetProvider> m_LocalNet;
    // Every session's timer, driven by one window timer armed for the
    // earliest deadline.
    TSessionTimerQueue m_SessionTimers;
    QTimer* m_SessionTimer = nullptr;
    int64_t m_SessionTimerDeadline = -1;   // what m_SessionTimer is armed for; -1: stopped
    // Time-outs fired per window event before the rest waits for the next
    // one, so that many at once never freeze the window.
    static constexpr int TimeoutSlice = 512;
    // How long new device nodes that follow each other wait at most before
    // they join the tree: about one frame of the screen.
    static constexpr int NewNodeFrameMs = 16;
    static constexpr qint64 NewNodeShare = 16;
    static constexpr qint64 NewNodeMaxMs = 250;
    QDialog* m_AboutForm = nullptr;
    TFilterForm* m_FilterForm = nullptr;
    ConfigFile::TConfigLoad* m_ConfigLoad = nullptr;   // reads a configuration off the window thread
    TLoginForm* m_LoginForm = nullptr;
    TStatusFrame* m_StatusFrame = nullptr;
    TSyslogFrame* m_SyslogFrame = nullptr;
    std::unique_ptr<TSyslogSocketThread> m_SyslogThread;
    std::unique_ptr<TIntpSocketThread> m_IntpThread;
    TScanForm* m_ScanForm = nullptr;
    TModuleFrame* m_ModuleFrame = nullptr;
    std::vector<std::unique_ptr<TModule>> m_OwnedPages;
    TTreeNode* m_RootNode = nullptr;
    TTreeNode* m_DevicesNode = nullptr;
    int m_DeviceCount = 0;
    // The device node of each device that has one, so that the device
    // observer's calls find it without walking the tree.
    Intp::TFlatMap<const Intp::TDevice*, TTreeNode*> m_DeviceNodes;
    mutable std::pair<const Intp::TDevice*, TTreeNode*> m_LastFound{};   // the last node found
    // New device nodes that follow each other closely (a discovery's
    // answers) wait here, in the order they came, and join the tree
    // together once per frame; a node that comes alone joins at once.
    std::vector<std::unique_ptr<TTreeNode>> m_NewNodes;
    QTimer* m_NewNodeTimer = nullptr;
    QElapsedTimer m_NewNodeClock;
    qint64 m_LastNewNode = -1;   // when the last node was made, on m_NewNodeClock
    int m_NewNodeInterval = NewNodeFrameMs;   // how long the next ones wait at most

    QTreeView* m_Tree = nullptr;
    TDeviceTreeModel* m_TreeModel = nullptr;
    QComboBox* m_TreeSort = nullptr;
    QWidget* m_FuncPages = nullptr;
    QSplitter* m_Splitter = nullptr;
    bool m_PaneMoved = false;             // the user has moved the tree pane's edge
    int m_WidestCaption = 0;              // of the pages and groups, indentation included
    QToolBar* m_ToolBar = nullptr;
    QMenu* m_TaskMenu = nullptr;
    QMenu* m_SettingsMenu = nullptr;
    QMenu* m_HelpMenu = nullptr;
    QMenu* m_TreePopup = nullptr;
    QMenu* m_TrayPopup = nullptr;
    QSystemTrayIcon* m_TrayIcon = nullptr;

    bool m_Created = false;
    uint64_t m_SentCount = 0;
    bool m_ShutDown = false;
    bool m_TreeChanging = false;          // a selection change is being handled or undone
    QStringList m_SendErrors;             // waiting to be shown, one box at a time
    bool m_SendErrorShowing = false;
    bool m_SendErrorPosted = false;
    bool m_SelectionNotifyPosted = false;
    QList<TTreeNode*> m_SavedSelection;   // during QuietTreeChange
    TTreeNode* m_SavedCurrent = nullptr;
};

// The application title.
extern const char* const AppTitle;

// Gives the application its title (as its name, which is also its display
// name). No display name of its own is set, since the desktop would append
// it to the title of every window and dialog ("About - ...").
void SetApplicationTitle();
