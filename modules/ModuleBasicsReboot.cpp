#include "ModuleBasicsReboot.h"

#include "PageReads.h"
#include "Resources.h"

#include <QHBoxLayout>
#include <QPushButton>

TModuleBasicsReboot::TModuleBasicsReboot(QWidget* parent) : TModulePage(QStringLiteral("Reboot"), parent)
{
    m_Reboot = new QPushButton(Resources::Icon("RC_BITMAP_16X16_REBOOT"), QStringLiteral("&Reboot"), this);
    m_Reboot->setObjectName("m_Reboot");
    auto* row = new QHBoxLayout;
    row->addWidget(m_Reboot);
    row->addStretch(1);
    PageLayout()->addLayout(row);
    PageLayout()->addStretch(1);
    AddDeviceControl(m_Reboot);
    connect(m_Reboot, &QPushButton::clicked, this, [] { StartRebootSessions(nullptr); });
}
