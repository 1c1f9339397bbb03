#include "ScanForm.h"

#include "AccessibleNames.h"

#include "ListColumns.h"
#include "MessageBoxes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHideEvent>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QTreeWidget>
#include <QVBoxLayout>

TScanForm::TScanForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Scan Devices ..."));
    auto* layout = new QVBoxLayout(this);

    auto* grid = new QGridLayout;
    auto* interfacesCaption = new QLabel(QStringLiteral("&Interfaces:"), this);
    m_Interfaces = new QComboBox(this);
    m_Interfaces->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_Interfaces->setMinimumContentsLength(40);
    interfacesCaption->setBuddy(m_Interfaces);
    grid->addWidget(interfacesCaption, 0, 0);
    grid->addWidget(m_Interfaces, 0, 1);
    m_IpCaption = new QLabel(QStringLiteral("IP Address:"), this);
    m_IpAddresses = new QLabel(this);
    grid->addWidget(m_IpCaption, 1, 0);
    grid->addWidget(m_IpAddresses, 1, 1);
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);

    m_Promiscuous = new QCheckBox(QStringLiteral("Capture packets in &promiscuous mode"), this);
    layout->addWidget(m_Promiscuous);

    layout->addWidget(new QLabel(QStringLiteral("Devices:"), this));
    m_Devices = new QTreeWidget(this);
    m_Devices->setColumnCount(ColumnCount);
    m_Devices->setHeaderLabels({QString(), QStringLiteral("MAC Address"), QStringLiteral("IP Address")});
    m_Devices->setRootIsDecorated(false);
    m_Devices->setUniformRowHeights(true);
    FitColumns(m_Devices, {40, 160});
    layout->addWidget(m_Devices, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_Scan = new QPushButton(QStringLiteral("&Scan"), this);
    m_Close = new QPushButton(QStringLiteral("&Close"), this);
    m_Scan->setDefault(true);
    buttons->addWidget(m_Scan);
    buttons->addWidget(m_Close);
    layout->addLayout(buttons);

    connect(m_Interfaces, &QComboBox::currentIndexChanged, this, [this](int i) { EventOnInterfaceChange(i); });
    connect(m_Scan, &QPushButton::clicked, this, [this] { Scan(); });
    connect(m_Close, &QPushButton::clicked, this, &QDialog::reject);

    m_Worker = std::make_unique<TWinpcapThread>(this);
    EventOnInterfaceChange(-1);
    NameControls(this, windowTitle());
}

TScanForm::~TScanForm()
{
    // The worker calls back into this dialog: it goes first.
    m_Worker.reset();
}

void TScanForm::AddScanReply(const Scan::TScanFrame& frame)
{
    auto* row = new QTreeWidgetItem;
    row->setText(ColNumber, QString::number(m_Devices->topLevelItemCount() + 1));
    row->setText(ColMac, QString::fromStdString(Intp::MacToText(frame.SwitchMac())));
    row->setText(ColIp, QString::fromStdString(Intp::IpToText(frame.SwitchIp())));
    m_Devices->addTopLevelItem(row);
}

int TScanForm::Scan()
{
    m_Devices->clear();
    const Scan::TCaptureInterface* iface = CurrentInterface();
    int result = m_Worker->SendScan(iface, m_Promiscuous->isChecked());
    if (result != Scan::ScanSent)
        ShowError(Scan::ScanErrorText(result, iface ? QString::fromStdString(iface->Name) : QString()));
    return result;
}

const Scan::TCaptureInterface* TScanForm::CurrentInterface() const
{
    int index = m_Interfaces->currentIndex();
    if (index < 0 || size_t(index) >= m_InterfaceList.size())
        return nullptr;
    return &m_InterfaceList[size_t(index)];
}

void TScanForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FillInterfaces();
}

void TScanForm::hideEvent(QHideEvent* event)
{
    if (!event->spontaneous()) {
        m_Worker->StopCapture();
        m_Devices->clear();
        ReleaseInterfaces();
    }
    QDialog::hideEvent(event);
}

void TScanForm::FillInterfaces()
{
    ReleaseInterfaces();
    m_InterfaceList = Scan::FindCaptureInterfaces();
    QSignalBlocker block(m_Interfaces);
    for (const Scan::TCaptureInterface& iface : m_InterfaceList) {
        QString text = QString::fromStdString(iface.Name);
        if (!iface.Description.empty())
            text += QStringLiteral(" : %1").arg(QString::fromStdString(iface.Description));
        m_Interfaces->addItem(text);
    }
    m_Interfaces->setCurrentIndex(m_InterfaceList.empty() ? -1 : 0);
    block.unblock();
    EventOnInterfaceChange(m_Interfaces->currentIndex());
}

void TScanForm::ReleaseInterfaces()
{
    QSignalBlocker block(m_Interfaces);
    m_Interfaces->clear();
    m_InterfaceList.clear();
    block.unblock();
    EventOnInterfaceChange(-1);
}

void TScanForm::EventOnInterfaceChange(int)
{
    const Scan::TCaptureInterface* iface = CurrentInterface();
    QString text;
    if (iface)
        for (uint32_t ip : iface->Ipv4)
            text += QString::fromStdString(Intp::IpToText(ip)) + QStringLiteral(", ");
    m_IpAddresses->setText(text);
    bool chosen = iface != nullptr;
    m_IpCaption->setEnabled(chosen);
    m_IpAddresses->setEnabled(chosen);
    m_Promiscuous->setEnabled(chosen);
    m_Scan->setEnabled(chosen);
}
