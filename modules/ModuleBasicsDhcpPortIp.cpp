#include "ModuleBasicsDhcpPortIp.h"

#include "IntpDhcp.h"
#include "PageEditors.h"
#include "PageList.h"

#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

TModuleBasicsDhcpPortIp::TModuleBasicsDhcpPortIp(QWidget* parent)
    : TModulePage(QStringLiteral("Port and IP Binding"), parent)
{
    m_ListView = new TPageList({QStringLiteral("Port No."), QStringLiteral("Port IP Binding")}, this);
    m_ListView->setObjectName("m_ListView");
    m_ListView->SetColumnWidths({90});
    PageLayout()->addWidget(m_ListView, 1);
    auto* form = new QFormLayout;
    m_IpAddress = new TIpEdit(this);
    m_IpAddress->setObjectName("m_IpAddress");
    QLabel* label = AddFormRow(form, QStringLiteral("&IP Address:"), m_IpAddress);
    PageLayout()->addLayout(form);
    m_Editors = new TRowEditors(m_ListView);
    // A row's address shows as read (also one that is not usable) and stays
    // so until its text is changed; then the edited address of the selected
    // row follows every change, an unusable address counting as no binding
    // (0).
    m_Editors->BindCustom(
        1, 0, m_IpAddress, [this](int64_t ip) { m_IpAddress->SetReadValue(uint32_t(ip)); },
        [](int64_t ip) { return QString::fromStdString(Intp::IpToText(uint32_t(ip))); }, label);
    connect(m_IpAddress, &QLineEdit::textChanged, this, [this] {
        if (!m_IpAddress->KeepsReadValue())
            m_Editors->SetEdited(0, m_IpAddress->Value());
    });
    AddDeviceControl(m_ListView);
    AddApplyButton();
    Reads<Intp::TSessionBasicsDhcpPortIpGet>();
    OnClear([this] {
        m_ListView->Clear();
        m_Editors->Reset();
    });
    OnFill([this](Intp::TDevice* device) {
        const Intp::TPropertyBasicsDhcpPortIp& record = Intp::GetPropertyBasicsDhcpPortIp(device);
        for (uint32_t port = 0; port < device->GetPortCount(); ++port) {
            // Not valid: no bindings shown, and Apply stays off until a read
            // succeeds.
            const uint32_t ip = record.Valid && port < record.Addresses.size() ? record.Addresses[port] : 0;
            m_Editors->AddRow(PortCaption(port), {int64_t(ip)}, port);
        }
    });
    // Every port's edited address, by port number.
    OnWrite([this](Intp::TDevice*) -> Intp::TSession* {
        std::vector<uint32_t> addresses(size_t(m_ListView->RowCount()), 0);
        for (int r = 0; r < m_ListView->RowCount(); ++r) {
            const TPageRow& row = m_ListView->Row(r);
            if (row.Key >= 0 && size_t(row.Key) < addresses.size())
                addresses[size_t(row.Key)] = uint32_t(row.Edited.at(0));
        }
        auto* set = new Intp::TSessionBasicsDhcpPortIpSet;
        set->SetValue(addresses.data(), int(addresses.size()));
        return set;
    });
}
