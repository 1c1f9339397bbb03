#include "ModuleBasicsPassword.h"

#include "IntpBasics.h"
#include "PageEditors.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TModuleBasicsPassword::TModuleBasicsPassword(QWidget* parent) : TModulePage(QStringLiteral("Admin Password"), parent)
{
    auto* form = new QFormLayout;
    auto field = [&](const char* name, const QString& label, bool hidden) {
        auto* e = new QLineEdit(this);
        e->setObjectName(name);
        if (hidden)
            e->setEchoMode(QLineEdit::Password);
        AddDeviceControl(AddFormRow(form, label, e));
        AddDeviceControl(e);
        connect(e, &QLineEdit::textChanged, this, &TModuleBasicsPassword::EventOnFieldChange);
        return e;
    };
    m_Username = field("m_Username", QStringLiteral("New &Username:"), false);
    m_Password = field("m_Password", QStringLiteral("New &Password:"), true);
    m_Confirm = field("m_Confirm", QStringLiteral("&Confirm Password:"), true);
    PageLayout()->addLayout(form);
    PageLayout()->addStretch(1);
    AddApplyButton();
    OnClear([this] {
        m_Username->clear();
        m_Password->clear();
        m_Confirm->clear();
    });
    OnWrite([this](Intp::TDevice*) -> Intp::TSession* {
        std::vector<uint8_t> request;
        AppendFixedText(request, Intp::PasswordFieldWidth, m_Username->text());
        AppendFixedText(request, Intp::PasswordFieldWidth, m_Password->text());
        auto* session = new Intp::TSessionBasicsPassword;
        session->SetValue(request.data(), request.size());
        return session;
    });
    OnReloaded([this](Intp::TDevice* device) {
        if (device)
            EventOnFieldChange();
        else
            ApplyButton()->setEnabled(false);
    });
}

void TModuleBasicsPassword::EventOnFieldChange()
{
    ApplyButton()->setEnabled(CurrentDevice() && !m_Username->text().isEmpty() && !m_Password->text().isEmpty() &&
                              m_Password->text() == m_Confirm->text());
}
