#include "ModuleBasicsDefault.h"

#include "IntpBasics.h"

#include <QCheckBox>
#include <QVBoxLayout>

TModuleBasicsDefault::TModuleBasicsDefault(QWidget* parent) : TModulePage(QStringLiteral("Factory Default"), parent)
{
    auto box = [this](const char* name, const QString& caption) {
        auto* b = new QCheckBox(caption, this);
        b->setObjectName(name);
        PageLayout()->addWidget(b);
        AddDeviceControl(b);
        return b;
    };
    m_KeepNet = box("m_KeepNet", QStringLiteral("Keep Current IP &Address Settings"));
    m_KeepAuth = box("m_KeepAuth", QStringLiteral("Keep Current &Username and Password"));
    m_Reboot = box("m_Reboot", QStringLiteral("&Reboot"));
    PageLayout()->addStretch(1);
    AddApplyButton();
    OnClear([this] {
        m_KeepNet->setChecked(true);
        m_KeepAuth->setChecked(true);
        m_Reboot->setChecked(false);
    });
    OnWrite([this](Intp::TDevice*) -> Intp::TSession* {
        auto* session = new Intp::TSessionBasicsDefault;
        session->SetReboot(m_Reboot->isChecked() ? 1 : 0);
        session->SetKeepFlags((m_KeepNet->isChecked() ? Intp::DefaultKeepIp : 0u) |
                              (m_KeepAuth->isChecked() ? Intp::DefaultKeepAccount : 0u));
        return session;
    });
}
