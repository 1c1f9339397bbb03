#include "WizardFrame.h"

#include "ModuleCallback.h"
#include "Resources.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TWizardFrame::TWizardFrame(QWidget* parent) : QFrame(parent)
{
    setAutoFillBackground(true);
    auto* title = new QLabel(QStringLiteral("Welcome to Wizard Center"), this);
    QFont font = title->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.3);
    title->setFont(font);
    m_GroupIp = new QPushButton(Resources::Icon("RC_BITMAP_24X24_WIZARD"), QStringLiteral("Group IP Setting Wizard"), this);
    m_GroupFw = new QPushButton(Resources::Icon("RC_BITMAP_24X24_WIZARD"), QStringLiteral("Group Firmware Update Wizard"), this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(new QLabel(QStringLiteral("Please select a wizard you need"), this));
    layout->addWidget(m_GroupIp, 0, Qt::AlignLeft);
    layout->addWidget(m_GroupFw, 0, Qt::AlignLeft);
    layout->addStretch(1);
    connect(m_GroupIp, &QPushButton::clicked, this, [] {
        if (g_ModuleCallback)
            g_ModuleCallback->SelectPage(QStringLiteral("Wizards/Group IP Setting"));
    });
    connect(m_GroupFw, &QPushButton::clicked, this, [] {
        if (g_ModuleCallback)
            g_ModuleCallback->SelectPage(QStringLiteral("Wizards/Group Firmware Update"));
    });
    hide();
}
