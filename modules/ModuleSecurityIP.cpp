#include "ModuleSecurityIP.h"

#include "IntpSecurity.h"
#include "MessageBoxes.h"
#include "PageFields.h"
#include "PageList.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TModuleSecurityIP::TModuleSecurityIP(QWidget* parent) : TModulePage(QStringLiteral("IP Security"), parent)
{
    QLabel* modeLabel;
    m_Mode = AddChoiceForm(PageLayout(), QStringLiteral("&Mode:"), DisableEnableItems(), "m_Mode", modeLabel);
    AddDeviceControl(modeLabel);
    AddDeviceControl(m_Mode);

    m_Management = new QWidget(this);
    m_Management->setObjectName("m_Management");
    auto* checks = new QVBoxLayout(m_Management);
    for (const char* item : {"Enable Web Management", "Enable Telnet Management", "Enable SNMP Management"}) {
        m_ManagementItems.push_back(new QCheckBox(QString::fromLatin1(item), m_Management));
        checks->addWidget(m_ManagementItems.back());
    }
    PageLayout()->addWidget(m_Management);

    m_SecureIPs = new TPageList({QStringLiteral("IP")}, this);
    m_SecureIPs->setObjectName("m_SecureIPs");
    m_SecureIPs->horizontalHeader()->hide();
    m_ListLabel = new QLabel(QStringLiteral("Secure &IP List:"), this);
    m_ListLabel->setBuddy(m_SecureIPs);
    PageLayout()->addWidget(m_ListLabel);
    PageLayout()->addWidget(m_SecureIPs, 1);

    auto* row = new QHBoxLayout;
    m_Address = new TInetAddrEdit(this);
    m_Address->setObjectName("m_Address");
    m_AddressLabel = new QLabel(QStringLiteral("&IP Address:"), this);
    m_AddressLabel->setBuddy(m_Address);
    m_Add = new QPushButton(QStringLiteral("Add"), this);
    m_Add->setObjectName("m_Add");
    m_Delete = new QPushButton(QStringLiteral("&Delete"), this);
    m_Delete->setObjectName("m_Delete");
    for (QWidget* w : std::initializer_list<QWidget*>{m_AddressLabel, m_Address, m_Add, m_Delete})
        row->addWidget(w);
    PageLayout()->addLayout(row);
    AddApplyButton();
    Reads<Intp::TSessionSecurityIpGet>();
    OnClear([this] {
        m_Mode->setCurrentIndex(0);
        for (QCheckBox* box : m_ManagementItems)
            box->setChecked(false);
        EmptyList();   // the address field keeps its text
        m_ReadManagement = 0;
        m_ReadAddresses.clear();
    });
    OnFill([this](Intp::TDevice* device) {
        const auto& record = Intp::GetPropertySecurityIp(device);
        if (!record.Valid)
            return;
        m_Capacity = device->GetIpSecurityCount();
        m_ReadManagement = record.Management;
        m_ReadAddresses = record.Addresses;
        m_Mode->SetFlag(record.Enabled);
        for (size_t bit = 0; bit < m_ManagementItems.size(); ++bit)
            m_ManagementItems[bit]->setChecked(record.Management & (1u << bit));
        for (size_t i = 0; i < record.Addresses.size() && i < m_Capacity && record.Addresses[i] != 0; ++i)
            m_SecureIPs->AddRow({QString::fromStdString(Intp::IpToText(record.Addresses[i]))});
    });
    OnReloaded([this](Intp::TDevice*) { EventOnModeChange(); });
    OnLeaving([this] { EmptyList(); });
    OnWrite([this](Intp::TDevice*) {
        Intp::TPropertySecurityIp request;
        // The management bits and the list go out as shown, greyed or not:
        // turning the mode off keeps them on the switch for the day it is
        // turned on again. Bits without a check box and a list not edited
        // go back as read.
        request.Enabled = m_Mode->Flag();
        request.Management = m_ReadManagement & ~uint32_t((1u << m_ManagementItems.size()) - 1);
        for (size_t bit = 0; bit < m_ManagementItems.size(); ++bit)
            if (m_ManagementItems[bit]->isChecked())
                request.Management |= 1u << bit;
        // The list takes the slots up to the first unused one as read (or
        // as many as it has rows, when it grew); the slots after them are
        // not listed and go back as read.
        request.Addresses = m_ReadAddresses;
        request.Addresses.resize(m_Capacity, 0);
        size_t listed = 0;
        while (listed < request.Addresses.size() && request.Addresses[listed] != 0)
            ++listed;
        for (size_t slot = 0; slot < request.Addresses.size(); ++slot) {
            if (slot < size_t(m_SecureIPs->RowCount()))
                request.Addresses[slot] = InetAddr(m_SecureIPs->Text(int(slot), 0));
            else if (slot < listed)
                request.Addresses[slot] = 0;   // deleted from the list
        }
        return NewRequest<Intp::TSessionSecurityIpSet>(request);
    });

    connect(m_Mode, &QComboBox::currentIndexChanged, this, &TModuleSecurityIP::EventOnModeChange);
    connect(m_Address, &TInetAddrEdit::Changed, this, &TModuleSecurityIP::EventOnAddressChange);
    connect(m_SecureIPs, &TPageList::RowSelected, this, &TModuleSecurityIP::EventOnSecureIPsSelect);
    connect(m_Add, &QPushButton::clicked, this, &TModuleSecurityIP::EventOnAddClick);
    connect(m_Delete, &QPushButton::clicked, this, &TModuleSecurityIP::EventOnDeleteClick);
}

void TModuleSecurityIP::EmptyList()
{
    // Emptying the list selects nothing, which must not empty the field.
    m_Emptying = true;
    m_SecureIPs->Clear();
    m_Emptying = false;
}

void TModuleSecurityIP::EventOnModeChange()
{
    const bool on = m_Mode->currentIndex() == 1;
    for (QWidget* w : std::initializer_list<QWidget*>{m_Management, m_ListLabel, m_SecureIPs, m_AddressLabel, m_Address})
        w->setEnabled(on);
    if (on) {
        EventOnAddressChange();
    } else {
        m_Add->setEnabled(false);
        m_Delete->setEnabled(false);
    }
}

void TModuleSecurityIP::EventOnAddressChange()
{
    if (m_Mode->currentIndex() != 1)
        return;
    const bool usable = Intp::IsUsableIp(m_Address->Value());
    m_Add->setEnabled(usable && uint32_t(m_SecureIPs->RowCount()) < m_Capacity);
    m_Delete->setEnabled(usable);
}

void TModuleSecurityIP::EventOnSecureIPsSelect(int row)
{
    if (m_Emptying)
        return;
    m_Address->setText(row >= 0 ? m_SecureIPs->Text(row, 0) : QString());
}

int TModuleSecurityIP::FindEntry(const QString& text) const
{
    for (int row = 0; row < m_SecureIPs->RowCount(); ++row)
        if (m_SecureIPs->Text(row, 0) == text)
            return row;
    return -1;
}

void TModuleSecurityIP::EventOnAddClick()
{
    if (FindEntry(m_Address->text()) >= 0) {
        ShowError(QStringLiteral("Entry already exists!"));
        return;
    }
    m_SecureIPs->AddRow({m_Address->text()});
    if (uint32_t(m_SecureIPs->RowCount()) >= m_Capacity)
        m_Add->setEnabled(false);
}

void TModuleSecurityIP::EventOnDeleteClick()
{
    const int found = FindEntry(m_Address->text());
    if (found < 0) {
        ShowError(QStringLiteral("Entry not found!"));
        return;
    }
    QStringList keep;
    for (int row = 0; row < m_SecureIPs->RowCount(); ++row)
        if (row != found)
            keep << m_SecureIPs->Text(row, 0);
    EmptyList();
    for (const QString& text : keep)
        m_SecureIPs->AddRow({text});
    m_Add->setEnabled(true);
}
