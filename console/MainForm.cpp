// The main window: layout, actions, the create event and shutdown.
#include "MainForm.h"

#include "AboutForm.h"
#include "AccessibleNames.h"
#include "ConfigFile.h"
#include "IntpSocketThread.h"
#include "JavaTopologyFrame.h"
#include "ListColumns.h"
#include "ScanForm.h"
#include "MessageBoxes.h"
#include "NetProvider.h"
#include "ReceivePump.h"
#include "Resources.h"
#include "PaintThrottle.h"
#include "StatusFrame.h"
#include "SyslogFrame.h"
#include "SyslogSocketThread.h"
#include "WizardFrame.h"
#include "WizardGroupFwFrame.h"
#include "WizardGroupIpFrame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QStyle>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>
#include <QWindowStateChangeEvent>

const char* const AppTitle = "Talvo Orvane Pro";

void SetApplicationTitle() { QApplication::setApplicationName(AppTitle); }

namespace {

// The images of the tree's nodes, by index.
const char* const NodeImages[] = {
    "RC_BITMAP_16X16_DEVICE",   "RC_BITMAP_16X16_DEVICE_LOGIN", "RC_BITMAP_16X16_DEVICE_WARNING",
    "RC_BITMAP_16X16_DEVICE_LOGIN_WARNING", "RC_BITMAP_16X16_ROOT", "RC_BITMAP_16X16_DEVICES",
    "RC_BITMAP_16X16_MONITOR",  "RC_BITMAP_16X16_SYSLOG",       "RC_BITMAP_16X16_TOPOLOGY",
    "RC_BITMAP_16X16_WIZARD",
};

} // namespace

QIcon NodeIcon(int index)
{
    if (index < 0 || index >= int(std::size(NodeImages)))
        return {};
    // One icon per image, shared by the nodes (a device node's icon is
    // asked for whenever its row is painted).
    static std::vector<QIcon> icons;
    if (icons.empty())
        for (const char* name : NodeImages)
            icons.push_back(Resources::Icon(name));
    return icons[size_t(index)];
}

// ---------------------------------------------------------------------------
// Login dialog
// ---------------------------------------------------------------------------

TLoginForm::TLoginForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Login");
    setObjectName("TLoginForm");
    auto* grid = new QGridLayout(this);
    m_Label1 = new QLabel("&Username:", this);
    m_Username = new QLineEdit(this);
    m_Username->setMaxLength(16);
    m_Label1->setBuddy(m_Username);
    m_Label2 = new QLabel("&Password:", this);
    m_Password = new QLineEdit(this);
    m_Password->setMaxLength(16);
    m_Password->setEchoMode(QLineEdit::Password);
    m_Password->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));   // '*'
    m_Label2->setBuddy(m_Password);
    m_Cancel = new QPushButton(Resources::Icon("RC_BITMAP_16X16_CANCEL"), "&Cancel", this);
    m_Login = new QPushButton(Resources::Icon("RC_BITMAP_16X16_LOGIN"), "&Login", this);
    m_Login->setDefault(true);
    grid->addWidget(m_Label1, 0, 0);
    grid->addWidget(m_Username, 0, 1, 1, 2);
    grid->addWidget(m_Label2, 1, 0);
    grid->addWidget(m_Password, 1, 1, 1, 2);
    grid->addWidget(m_Cancel, 2, 1);
    grid->addWidget(m_Login, 2, 2);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    connect(m_Cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_Login, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_Username, &QLineEdit::textChanged, this, &TLoginForm::EventOnEditChange);
    connect(m_Password, &QLineEdit::textChanged, this, &TLoginForm::EventOnEditChange);
}

void TLoginForm::EventOnEditChange()
{
    m_Login->setEnabled(!m_Username->text().isEmpty() && !m_Password->text().isEmpty());
}

// ---------------------------------------------------------------------------
// Construction and the create event
// ---------------------------------------------------------------------------

TMainForm::TMainForm(QWidget* parent) : TMainForm(TOptions{}, parent) {}

TMainForm::TMainForm(const TOptions& options, QWidget* parent) : QMainWindow(parent), m_Options(options)
{
    setObjectName("TMainForm");
    // The protocol socket is bound as soon as the window exists, so that
    // nothing it sends can go out from another port.
    m_IntpThread = std::make_unique<TIntpSocketThread>(m_Options.IntpLocalPort);
    m_IntpThread->SetSendFailureHandler([this](uint32_t ip, int error) { AddSendError(ip, error); });
    // Every key the library hands the queue is a live session.
    m_SessionTimers.KeepPlaceInSessions();
    m_SessionTimer = new QTimer(this);
    m_SessionTimer->setSingleShot(true);
    m_SessionTimer->setTimerType(Qt::PreciseTimer);
    connect(m_SessionTimer, &QTimer::timeout, this, &TMainForm::EventOnSessionTimer);
    m_NewNodeTimer = new QTimer(this);
    m_NewNodeTimer->setSingleShot(true);
    connect(m_NewNodeTimer, &QTimer::timeout, this, &TMainForm::AttachNewNodes);
    m_NewNodeClock.start();
    if (!m_Options.Net) {
        m_LocalNet = std::make_unique<TLocalNetProvider>();
        m_Options.Net = m_LocalNet.get();
    }
    BuildWindow();
    m_AboutForm = new TAboutForm(this);
    m_FilterForm = new TFilterForm(m_Options.Net, this);
    m_ConfigLoad = new ConfigFile::TConfigLoad(*m_FilterForm, this);
    m_LoginForm = new TLoginForm(this);
}

TMainForm::~TMainForm()
{
    Shutdown();
    m_NewNodes.clear();
    DetachTreeSelection();
    // The pages go with the window; none of them may reach back into it.
    if (m_SessionTimer)
        m_SessionTimer->stop();
    if (g_ModuleCallback == this)
        g_ModuleCallback = nullptr;
}

void TMainForm::Shutdown()
{
    if (m_ShutDown)
        return;
    m_ShutDown = true;
    // A configuration still being read is dropped, its thread joined.
    delete m_ConfigLoad;
    m_ConfigLoad = nullptr;
    if (m_IntpThread)
        m_IntpThread->Stop();
    if (m_SyslogThread)
        m_SyslogThread->Stop();
    if (Intp::GetDeviceCallback() == this)
        Intp::SetDeviceCallback(nullptr);
    if (Intp::GetSessionCallback() == this)
        Intp::SetSessionCallback(nullptr);
    if (m_SessionTimer)
        m_SessionTimer->stop();
}

QAction* TMainForm::MakeAction(const char* objectName, const QString& caption, const QString& bitmap,
                               const QList<QKeySequence>& shortcuts, void (TMainForm::*handler)(),
                               const QString& bitmap24)
{
    auto* action = new QAction(caption, this);
    action->setObjectName(objectName);
    // One icon with both sizes: menus draw the 16 x 16 image and the tool
    // bar the 24 x 24 one, also after the tool button has re-read the
    // action's icon (which it does on every change of the action's state).
    QIcon icon;
    for (const QString& name : {bitmap, bitmap24})
        if (QPixmap pixmap = name.isEmpty() ? QPixmap() : Resources::Bitmap(name); !pixmap.isNull())
            icon.addPixmap(pixmap);
    if (!icon.isNull())
        action->setIcon(icon);
    action->setShortcuts(shortcuts);
    if (handler)
        connect(action, &QAction::triggered, this, handler);
    addAction(action);
    return action;
}

QAction* TMainForm::Action(const QString& objectName) const { return findChild<QAction*>(objectName); }

void TMainForm::BuildWindow()
{
    auto* central = new QSplitter(this);
    auto* left = new QWidget(central);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    auto* sortRow = new QHBoxLayout;
    auto* sortLabel = new QLabel("&Sort Devices By:", left);
    m_TreeSort = new QComboBox(left);
    m_TreeSort->addItems({"None", "Model", "IP Address", "Filter Method"});
    sortLabel->setBuddy(m_TreeSort);
    sortRow->addWidget(sortLabel);
    sortRow->addWidget(m_TreeSort, 1);
    leftLayout->addLayout(sortRow);
    m_Tree = new QTreeView(left);
    m_Tree->setObjectName("m_Tree");
    m_TreeModel = new TDeviceTreeModel(m_Tree);
    m_Tree->setModel(m_TreeModel);
    m_Tree->setAccessibleName(QStringLiteral("Devices"));
    m_Tree->setHeaderHidden(true);
    // Every row is one line with a 16 x 16 image: with uniform heights a
    // caption change does not make the view measure its rows again, which
    // otherwise dominates the cost of a discovery of many switches.
    m_Tree->setUniformRowHeights(true);
    m_Tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_Tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_Tree->setContextMenuPolicy(Qt::CustomContextMenu);
    // A caption longer than the pane is wide (a switch's name may be of any
    // length) is cut with an ellipsis at the pane's edge and shows in full
    // as its tool tip; the pane widens for the console's own captions only
    // (pages and groups, see NoteCaption).
    m_Tree->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_Tree->header()->setStretchLastSection(true);
    m_Tree->setTextElideMode(Qt::ElideRight);
    ShowCutTextTips(m_Tree);
    // A discovery changes the tree for every switch it finds.
    ThrottlePaints(m_Tree);
    leftLayout->addWidget(m_Tree, 1);

    m_FuncPages = new QWidget(central);
    m_FuncPages->setObjectName("m_FuncPages");
    auto* pages = new QGridLayout(m_FuncPages);
    pages->setContentsMargins(0, 0, 0, 0);
    central->addWidget(left);
    central->addWidget(m_FuncPages);
    central->setStretchFactor(1, 1);
    central->setChildrenCollapsible(false);
    m_Splitter = central;
    // The pane starts wide enough for the caption of a typical switch.
    const int typical = m_Tree->fontMetrics().horizontalAdvance("SW-0000 (255.255.255.255, 00:00:00:00:00:00)") +
                        3 * m_Tree->indentation() + 32;
    central->setSizes({typical, 1366 - typical});
    setCentralWidget(central);
    connect(central, &QSplitter::splitterMoved, this, [this] { m_PaneMoved = true; });

    BuildActions();

    InstallTreeSelection();
    connect(m_Tree, &QTreeView::customContextMenuRequested, this,
            [this](const QPoint& pos) { m_TreePopup->popup(m_Tree->viewport()->mapToGlobal(pos)); });
    connect(m_TreeSort, &QComboBox::currentIndexChanged, this, &TMainForm::EventOnTreeSortChange);
}

void TMainForm::BuildActions()
{
    QAction* discovery = MakeAction("acDiscovery", "&Discovery", "RC_BITMAP_16X16_DISCOVERY", {QKeySequence("Ctrl+D")},
                                    &TMainForm::EventOnDiscoveryExecute, "RC_BITMAP_24X24_DISCOVERY");
    QAction* filter = MakeAction("acFilter", "Discovery &Filter", "RC_BITMAP_16X16_FILTER", {QKeySequence("Ctrl+F")},
                                 &TMainForm::EventOnFilterExecute, "RC_BITMAP_24X24_FILTER");
    QAction* login = MakeAction("acLogin", "&Login", "RC_BITMAP_16X16_LOGIN", {QKeySequence("Ctrl+L")},
                                &TMainForm::EventOnLoginExecute, "RC_BITMAP_24X24_LOGIN");
    QAction* logout = MakeAction("acLogout", "Log&out", "RC_BITMAP_16X16_LOGOUT", {}, &TMainForm::EventOnLogoutExecute,
                                 "RC_BITMAP_24X24_LOGOUT");
    QAction* reboot = MakeAction("acReboot", "Re&boot", "RC_BITMAP_16X16_REBOOT", {QKeySequence("Ctrl+B")},
                                 &TMainForm::EventOnRebootExecute, "RC_BITMAP_24X24_REBOOT");
    QAction* openWeb = MakeAction("acOpenWeb", "Open &Web", "RC_BITMAP_16X16_INTERNET", {QKeySequence("Ctrl+W")},
                                  &TMainForm::EventOnOpenWebExecute, "RC_BITMAP_24X24_INTERNET");
    QAction* refresh = MakeAction("acRefresh", "&Refresh", "RC_BITMAP_16X16_REFRESH",
                                  {QKeySequence("Ctrl+R"), QKeySequence(Qt::Key_F5)}, &TMainForm::EventOnRefreshExecute,
                                  "RC_BITMAP_24X24_REFRESH");
    QAction* refreshAll = MakeAction("acRefreshAll", "Refresh &All", "RC_BITMAP_16X16_REFRESH_ALL", {},
                                     &TMainForm::EventOnRefreshAllExecute, "RC_BITMAP_24X24_REFRESH_ALL");
    QAction* exitAction = MakeAction("acExit", "E&xit", "RC_BITMAP_16X16_EXIT", {QKeySequence("Ctrl+X")},
                                     &TMainForm::EventOnExitExecute);
    QAction* about = MakeAction("acAbout", "&About", "RC_BITMAP_16X16_ABOUT", {QKeySequence(Qt::Key_F1)}, nullptr,
                                "RC_BITMAP_24X24_ABOUT");
    connect(about, &QAction::triggered, this, [this] { m_AboutForm->exec(); });
    QAction* preference = MakeAction("acPreference", "&Preference", "", {QKeySequence("Ctrl+P")}, nullptr);
    preference->setVisible(false);
    preference->setEnabled(false);
    QAction* loadConfig = MakeAction("acLoadConfig", "Load Config", "RC_BITMAP_16X16_OPEN", {QKeySequence("Ctrl+O")},
                                     &TMainForm::EventOnLoadConfigExecute);
    QAction* saveConfig = MakeAction("acSaveConfig", "Save Config", "RC_BITMAP_16X16_SAVE", {QKeySequence("Ctrl+S")},
                                     &TMainForm::EventOnSaveConfigExecute);
    QAction* groupIp = MakeAction("acGroupIpWizard", "Group IP Wizard", "RC_BITMAP_16X16_WIZARD",
                                  {QKeySequence("Ctrl+I")}, nullptr, "RC_BITMAP_24X24_WIZARD");
    connect(groupIp, &QAction::triggered, this, [this] { SelectPage("Wizards/Group IP Setting"); });
    QAction* groupFw = MakeAction("acGroupFwWizard", "Group Firmware Wizard", "RC_BITMAP_16X16_WIZARD", {}, nullptr,
                                  "RC_BITMAP_24X24_WIZARD");
    connect(groupFw, &QAction::triggered, this, [this] { SelectPage("Wizards/Group Firmware Update"); });
    QAction* scan = MakeAction("acScan", "&Scan Devices ...", "RC_BITMAP_16X16_REFRESH", {QKeySequence("Ctrl+N")},
                               nullptr);
    connect(scan, &QAction::triggered, this, [this] {
        if (m_ScanForm)
            m_ScanForm->exec();
    });
    for (QAction* hidden : {loadConfig, saveConfig, groupIp, groupFw, scan}) {
        hidden->setVisible(false);
        hidden->setEnabled(false);
    }

    // Tool bar, with the 24 x 24 images.
    m_ToolBar = addToolBar("Tools");
    m_ToolBar->setObjectName("m_ToolBar");
    m_ToolBar->setIconSize(QSize(24, 24));
    m_ToolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_ToolBar->addActions({discovery, filter});
    m_ToolBar->addSeparator();
    m_ToolBar->addActions({login, logout, reboot, openWeb});
    m_ToolBar->addSeparator();
    m_ToolBar->addActions({refresh, refreshAll});
    m_ToolBar->addSeparator();
    m_ToolBar->addActions({groupIp, groupFw});
    m_ToolBar->addSeparator();
    m_ToolBar->addAction(about);

    // Menus.
    m_TaskMenu = menuBar()->addMenu("&Task");
    m_TaskMenu->addActions({discovery, filter, scan});
    m_TaskMenu->addSeparator();
    m_TaskMenu->addActions({login, logout, reboot, openWeb});
    m_TaskMenu->addSeparator();
    m_TaskMenu->addActions({refresh, refreshAll});
    m_TaskMenu->addSeparator();
    m_TaskMenu->addAction(exitAction);
    m_SettingsMenu = menuBar()->addMenu("&Settings");
    m_SettingsMenu->addActions({loadConfig, saveConfig});
    m_SettingsMenu->addSeparator();
    m_SettingsMenu->addAction(preference);
    m_SettingsMenu->menuAction()->setVisible(false);
    m_SettingsMenu->menuAction()->setEnabled(false);
    m_HelpMenu = menuBar()->addMenu("&Help");
    m_HelpMenu->addAction(about);

    m_TreePopup = new QMenu(this);
    m_TreePopup->addActions({login, logout, reboot, openWeb});
    m_TreePopup->addSeparator();
    m_TreePopup->addActions({refresh, refreshAll});
    m_TreePopup->addSeparator();
    m_TreePopup->addAction(discovery);

    m_TrayPopup = new QMenu(this);
    m_TrayPopup->addAction(about);
    m_TrayPopup->addSeparator();
    QAction* restore = m_TrayPopup->addAction("&Restore");
    connect(restore, &QAction::triggered, this, &TMainForm::RestoreWindow);
    m_TrayPopup->addAction(exitAction);
}

bool TMainForm::EventOnMainFormCreate()
{
    // 1, 2: icons, caption and tray.
    QIcon appIcon = Resources::Icon("RC_ICON_16X16_DEVICE");
    setWindowIcon(appIcon);
    QApplication::setWindowIcon(appIcon);
    setWindowTitle(AppTitle);
    m_TrayIcon = new QSystemTrayIcon(appIcon, this);
    m_TrayIcon->setToolTip(AppTitle);
    m_TrayIcon->setContextMenu(m_TrayPopup);
    connect(m_TrayIcon, &QSystemTrayIcon::activated, this, &TMainForm::EventOnTrayActivated);
    if (QSystemTrayIcon::isSystemTrayAvailable())
        m_TrayIcon->show();

    // 3, 4: the host interface and the library's callbacks.
    g_ModuleCallback = this;
    Intp::SetDeviceCallback(this);
    Intp::SetSessionCallback(this);

    // 5: the protocol worker.
    m_IntpThread->Start();

    // 6: the root node.
    m_OwnedPages.push_back(std::make_unique<TModuleDummy>(AppTitle));
    m_RootNode = AddTreeNode(m_OwnedPages.back().get(), nullptr, 4);

    // 7: the page host and its page tree.
    m_ModuleFrame = new TModuleFrame(m_FuncPages);
    m_DevicesNode = AddTreeNode(m_ModuleFrame, m_RootNode, 5);
    BuildPageTree(*m_ModuleFrame);

    // 8: the status monitor.
    m_StatusFrame = new TStatusFrame(m_FuncPages);
    AddTreeNode(m_StatusFrame, m_RootNode, 6);

    // 9: the syslog frame and its worker.
    m_SyslogFrame = new TSyslogFrame(m_FuncPages);
    AddTreeNode(m_SyslogFrame, m_RootNode, 7);
    m_SyslogThread = std::make_unique<TSyslogSocketThread>(m_Options.SyslogPort);

    // 10: the syslog port.
    if (!m_SyslogThread->Start()) {
        int answer = UserInterface().Message(IUserInterface::IconWarning, AppTitle,
                                             "Cannot bind SYSLOG port, syslog is currently disabled. Abort?",
                                             IUserInterface::Abort | IUserInterface::Ignore);
        if (answer != IUserInterface::Ignore) {
            QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
            return false;
        }
    }

    // 11: the topology page.
    auto* topology = new TJavaTopologyFrame(m_FuncPages);
    AddTreeNode(topology, m_RootNode, 8);

    // 12: the wizard index and the two group wizards.
    TTreeNode* wizardNode = AddTreeNode(new TWizardFrame(m_FuncPages), m_RootNode, 9);
    AddTreeNode(new TWizardGroupIpFrame(m_FuncPages), wizardNode, 9);
    AddTreeNode(new TWizardGroupFwFrame(m_FuncPages), wizardNode, 9);

    // 13: the group wizard actions.
    for (const char* name : {"acGroupIpWizard", "acGroupFwWizard"}) {
        Action(name)->setVisible(true);
        Action(name)->setEnabled(true);
    }

    // 14: select the root.
    SetCurrentNode(m_RootNode);

    // 15: the settings menu and the configuration file actions.
    m_SettingsMenu->menuAction()->setVisible(true);
    m_SettingsMenu->menuAction()->setEnabled(true);
    for (const char* name : {"acLoadConfig", "acSaveConfig"}) {
        Action(name)->setVisible(true);
        Action(name)->setEnabled(true);
    }

    // 16: the scan dialog.
    m_ScanForm = new TScanForm(this);
    Action("acScan")->setVisible(true);
    Action("acScan")->setEnabled(true);

    // 17: expand the tree.
    m_Tree->expandAll();
    m_Created = true;
    return true;
}

void TMainForm::NoteCaption(TTreeNode* node)
{
    if (!node || !node->InTree())
        return;
    int depth = m_Tree->rootIsDecorated() ? 1 : 0;
    for (TTreeNode* p = node->Parent(); p; p = p->Parent())
        ++depth;
    const int width = m_Tree->sizeHintForIndex(IndexOf(node)).width() + depth * m_Tree->indentation();
    if (width <= m_WidestCaption)
        return;
    m_WidestCaption = width;
    WidenTreePane();
}

void TMainForm::WidenTreePane()
{
    QList<int> sizes = m_Splitter->sizes();
    if (m_PaneMoved || sizes.size() < 2)
        return;
    const int chrome = 2 * m_Tree->frameWidth() + m_Tree->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_Tree);
    const int wanted = std::min(m_WidestCaption + chrome, (sizes[0] + sizes[1]) * 2 / 5);
    if (wanted <= sizes[0])
        return;
    sizes[1] -= wanted - sizes[0];
    sizes[0] = wanted;
    m_Splitter->setSizes(sizes);
}

TTreeNode* TMainForm::AddTreeNode(TModule* page, TTreeNode* parent, int image)
{
    if (!page)
        return nullptr;
    if (QWidget* control = page->GetControl()) {
        control->setParent(m_FuncPages);
        static_cast<QGridLayout*>(m_FuncPages->layout())->addWidget(control, 0, 0);
        control->hide();
        NameControls(control, page->GetCaption());
    }
    auto made = std::make_unique<TTreeNode>(TTreeNode::KindPage);
    made->Branch()->Page = page;
    made->Branch()->Text = page->GetCaption();
    made->Branch()->Image = image;
    TTreeNode* node = m_TreeModel->Append(parent, std::move(made));
    NoteCaption(node);
    return node;
}

// ---------------------------------------------------------------------------
// Window state and shutdown
// ---------------------------------------------------------------------------

void TMainForm::EventOnExitExecute()
{
    Shutdown();
    // Closing a window that is hidden (minimised to the tray) does not end
    // the message loop by itself.
    if (close())
        QCoreApplication::quit();
}

void TMainForm::EventOnLoadConfigExecute()
{
    if (m_ConfigLoad)
        m_ConfigLoad->Start([this] { EventOnDiscoveryExecute(); });
}

void TMainForm::EventOnSaveConfigExecute()
{
    TDeviceList devices;
    EnumDevices(devices);
    ConfigFile::RunSaveConfig(*m_FilterForm, devices);
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    // Every way out stops the workers; the library is detached before its
    // containers are released by the entry point.
    Shutdown();
    QMainWindow::closeEvent(event);
}

void TMainForm::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    // Hide on minimise only when the tray icon can bring the window back.
    if (event->type() == QEvent::WindowStateChange && isMinimized() && m_TrayIcon && m_TrayIcon->isVisible() &&
        QSystemTrayIcon::isSystemTrayAvailable())
        QMetaObject::invokeMethod(this, &QWidget::hide, Qt::QueuedConnection);
}

void TMainForm::EventOnTrayActivated(QSystemTrayIcon::ActivationReason reason)
{
    if (reason == QSystemTrayIcon::DoubleClick)
        RestoreWindow();
}

void TMainForm::RestoreWindow()
{
    showMaximized();
    raise();
    activateWindow();
}
