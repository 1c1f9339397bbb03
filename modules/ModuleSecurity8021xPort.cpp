#include "ModuleSecurity8021xPort.h"

#include "IntpSecurity.h"
#include "PageFields.h"
#include "PageList.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>

#include <vector>

TModuleSecurity8021xPort::TModuleSecurity8021xPort(QWidget* parent) : TModulePage(QStringLiteral("Port Auth"), parent)
{
    m_ListView = new TPageList({QStringLiteral("Port No."), QStringLiteral("Authorize Mode")}, this);
    m_ListView->setObjectName("m_ListView");
    PageLayout()->addWidget(m_ListView, 1);
    auto* form = new QFormLayout;
    PageLayout()->addLayout(form);
    auto* auth = NewChoice({QStringLiteral("Reject"), QStringLiteral("Accept"), QStringLiteral("Authorize"),
                            QStringLiteral("Disable")},
                           this);
    auth->setObjectName("m_Auth");
    m_Editors = new TRowEditors(m_ListView);
    m_Editors->BindChoice(1, 0, auth, AddFormRow(form, QStringLiteral("Authorize &Mode:"), auth));
    AddDeviceControl(m_ListView);
    AddApplyButton();
    Reads<Intp::TSessionSecurity8021xPortGet>();
    OnClear([this] {
        m_ListView->Clear();
        m_Editors->Reset();
    });
    OnFill([this](Intp::TDevice* device) {
        const auto& record = Intp::GetPropertySecurity8021xPort(device);
        for (uint32_t p = 0; p < device->GetPortCount(); ++p) {
            const bool valid = record.Valid && p < record.Modes.size();
            m_Editors->AddRow(PortCaption(p), {valid ? record.Modes[p] : Intp::Security8021xReject}, p);
        }
    });
    OnWrite([this](Intp::TDevice*) {
        std::vector<uint8_t> modes;
        for (const TPageRow& row : m_ListView->Model()->Rows())
            modes.push_back(uint8_t(row.Edited[0]));
        return NewRequest<Intp::TSessionSecurity8021xPortSet>(modes.data(), int(modes.size()));
    });
}
