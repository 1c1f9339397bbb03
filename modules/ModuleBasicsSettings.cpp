#include "ModuleBasicsSettings.h"

#include "IntpBasics.h"
#include "MessageBoxes.h"
#include "ModuleCallback.h"
#include "PageEditors.h"
#include "Resources.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

} // namespace

TModuleBasicsSettings::TModuleBasicsSettings(QWidget* parent) : TModulePage(QStringLiteral("Switch Setting"), parent)
{
    auto* top = new QHBoxLayout;
    m_Icon = new QToolButton(this);
    m_Icon->setObjectName("m_Icon");
    const QPixmap device = Resources::Bitmap("RC_BITMAP_32X32_DEVICE");
    m_Icon->setIcon(QIcon(device));
    m_Icon->setIconSize(device.size());
    m_Icon->setAutoRaise(true);
    m_Icon->setCursor(Qt::PointingHandCursor);
    m_Icon->setToolTip(QStringLiteral("Open web"));
    m_Type = new QLineEdit(this);
    m_Type->setObjectName("m_Type");
    m_Type->setReadOnly(true);
    m_Type->setAccessibleName(QStringLiteral("Model"));
    top->addWidget(m_Icon);
    top->addWidget(m_Type, 1);
    PageLayout()->addLayout(top);

    auto* form = new QFormLayout;
    std::vector<QWidget*> controls{m_Icon, m_Type};
    auto edit = [&](const char* name, const QString& label) {
        auto* e = new TFixedTextEdit(Intp::SysTextWidth, this);
        e->setObjectName(name);
        controls.push_back(AddFormRow(form, label, e));
        controls.push_back(e);
        return e;
    };
    auto text = [&](const char* name, const QString& label) {
        auto* l = new QLabel(this);
        l->setObjectName(name);
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        controls.push_back(AddFormRow(form, label, l));
        controls.push_back(l);
        return l;
    };
    m_Name = edit("m_Name", QStringLiteral("System &Name:"));
    m_Location = edit("m_Location", QStringLiteral("System &Location:"));
    m_Contact = edit("m_Contact", QStringLiteral("System &Contact:"));
    m_Desc = edit("m_Desc", QStringLiteral("System &Description:"));
    m_OID = text("m_OID", QStringLiteral("System OID:"));
    m_MAC = text("m_MAC", QStringLiteral("Device MAC:"));
    m_FVer = text("m_FVer", QStringLiteral("Firmware Version:"));
    m_KVer = text("m_KVer", QStringLiteral("Kernel Version:"));
    m_HVer = text("m_HVer", QStringLiteral("Hardware Version:"));
    PageLayout()->addLayout(form);
    PageLayout()->addStretch(1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_Web = new QPushButton(Resources::Icon("RC_BITMAP_16X16_INTERNET"), QStringLiteral("&Web"), this);
    m_Web->setObjectName("m_Web");
    buttons->addWidget(m_Web);
    controls.push_back(m_Web);
    PageLayout()->addLayout(buttons);
    AddApplyButton(buttons);
    for (QWidget* w : controls)
        AddDeviceControl(w);
    Reads<Intp::TSessionBasicsSettingsGet>();
    OnFill([this](Intp::TDevice* device) { ShowSystemInfo(device); });
    // The four texts, each in its fixed-width field: as read unless edited.
    OnWrite([this](Intp::TDevice*) -> Intp::TSession* {
        std::vector<uint8_t> request;
        for (const TFixedTextEdit* field : {m_Name, m_Desc, m_Location, m_Contact})
            field->AppendField(request);
        auto* session = new Intp::TSessionBasicsSettingsSet;
        session->SetValue(request.data(), request.size());
        return session;
    });

    connect(m_Web, &QPushButton::clicked, this, &TModuleBasicsSettings::EventOnWebClick);
    connect(m_Icon, &QToolButton::clicked, this, &TModuleBasicsSettings::EventOnWebClick);
}

void TModuleBasicsSettings::ShowSystemInfo(Intp::TDevice* device)
{
    const auto& record = Intp::GetPropertyBasicsSettings(device);
    const bool valid = record.Valid != 0;
    m_Type->setText(Text(device->GetTypeName()));
    // Not valid: the texts stay empty (the reload emptied them) and Apply
    // stays off until a read succeeds.
    if (valid) {
        m_Name->SetReadBytes(device->GetName());
        m_Desc->SetReadBytes(record.Description);
        m_Location->SetReadBytes(record.Location);
        m_Contact->SetReadBytes(record.Contact);
    }
    m_MAC->setText(Text(Intp::MacToText(device->GetMac())));
    m_OID->setText(valid ? Text(Intp::ObjectIdText(record.ObjectId)) : QString());
    m_FVer->setText(valid ? Text(Intp::VersionText(record.FirmwareVersion)) : QString());
    m_KVer->setText(valid ? Text(Intp::VersionText(record.KernelVersion)) : QString());
    m_HVer->setText(valid ? Text(Intp::HardwareVersionText(record.HardwareVersion)) : QString());
}

void TModuleBasicsSettings::EventOnWebClick()
{
    if (!g_ModuleCallback)
        return;
    TDeviceList devices;
    g_ModuleCallback->GetCurrentDevices(devices);
    for (Intp::TDevice* device : devices)
        UserInterface().OpenUrl(QStringLiteral("http://%1").arg(Text(Intp::IpToText(device->GetIp()))));
}
