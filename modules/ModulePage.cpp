#include "ModulePage.h"

#include "Intp.h"
#include "IntpPort.h"
#include "ModuleCallback.h"
#include "Resources.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QAbstractSpinBox>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

TModulePage::TModulePage(QString caption, QWidget* parent) : QFrame(parent), m_Caption(std::move(caption))
{
    // Painted in full, so the host's wait label behind the page is seen only
    // while the page is hidden.
    setAutoFillBackground(true);
    m_Layout = new QVBoxLayout(this);
    hide();
}

Intp::TSession* TModulePage::NewGetSession(Intp::TDevice* device, bool shown)
{
    return m_Read ? m_Read(device, shown) : nullptr;
}

void TModulePage::Clear()
{
    if (m_Clear)
        m_Clear();
}

void TModulePage::Fill(Intp::TDevice* device)
{
    if (m_Fill)
        m_Fill(device);
}

bool TModulePage::PrepareApply() { return !m_Check || m_Check(); }

Intp::TSession* TModulePage::NewSetSession(Intp::TDevice* device) { return m_Write ? m_Write(device) : nullptr; }

void TModulePage::AfterReload(Intp::TDevice* device)
{
    if (m_Reloaded)
        m_Reloaded(device);
}

void TModulePage::OnLeave()
{
    if (m_Leaving)
        m_Leaving();
}

void TModulePage::SetReloadCodes(std::initializer_list<uint16_t> codes) { m_ReloadCodes.assign(codes); }

void TModulePage::AddReloadCode(uint16_t code)
{
    if (!IsReloadCode(code))
        m_ReloadCodes.push_back(code);
}

void TModulePage::AddChainStep(uint16_t code, TSessionFactory next) { m_Chain.push_back({code, std::move(next)}); }

void TModulePage::UsePortNames(TSessionFactory afterConfig)
{
    m_PortNames = true;
    AddChainStep(0x0200, [](Intp::TDevice* device) -> Intp::TSession* {
        return Intp::GetPropertyPortName(device).Valid ? new Intp::TSessionPortConfigGet : nullptr;
    });
    if (afterConfig)
        AddChainStep(0x0201, std::move(afterConfig));
    else
        AddReloadCode(0x0201);
}

QPushButton* TModulePage::AddApplyButton(QBoxLayout* layout)
{
    m_Apply = new QPushButton(Resources::Icon("RC_BITMAP_16X16_ACCEPT"), QStringLiteral("&Apply"), this);
    m_Apply->setObjectName("m_Apply");
    connect(m_Apply, &QPushButton::clicked, this, &TModulePage::EventOnApplyClick);
    if (!layout) {
        auto* row = new QHBoxLayout;
        row->addStretch(1);
        row->addWidget(m_Apply);
        m_Layout->addLayout(row);
    } else {
        layout->addWidget(m_Apply);
    }
    AddDeviceControl(m_Apply);
    return m_Apply;
}

Intp::TDevice* TModulePage::CurrentDevice()
{
    Intp::TDevice* device = nullptr;
    if (!g_ModuleCallback || g_ModuleCallback->GetCurrentDevice(device) <= 0)
        return nullptr;
    return device;
}

bool TModulePage::IsCurrent(Intp::TDevice* device)
{
    return device && g_ModuleCallback && g_ModuleCallback->IsCurrentDevice(device);
}

bool TModulePage::IsReloadCode(uint16_t code) const
{
    return std::find(m_ReloadCodes.begin(), m_ReloadCodes.end(), code) != m_ReloadCodes.end();
}

int TModulePage::Refresh(bool shown)
{
    if (m_PortNames && shown)
        return RequestPortNames();
    return StartOnCurrentDevices([this, shown](Intp::TDevice* device) { return NewGetSession(device, shown); });
}

void TModulePage::Notify(Intp::TDevice* device, uint16_t code, uint16_t)
{
    if (code == EventPageShown || code == EventDeviceRemoved) {
        Reload();
        return;
    }
    bool own = IsReloadCode(code);
    for (const TChainStep& step : m_Chain) {
        if (step.Code != code)
            continue;
        own = true;
        if (device && StartOnDevice(step.Next(device), device))
            return;   // the next read's report goes on
        break;
    }
    if (own && IsCurrent(device))
        Reload();
}

bool TModulePage::Leave(bool)
{
    hide();
    OnLeave();
    return true;
}

void TModulePage::Reload()
{
    if (!m_FillsWhileShown)
        hide();
    Clear();
    Intp::TDevice* device = CurrentDevice();
    for (QWidget* widget : m_DeviceControls)
        widget->setEnabled(device != nullptr);
    if (device)
        Fill(device);
    AfterReload(device);
    show();
}

void TModulePage::EventOnApplyClick()
{
    if (!m_Apply || !m_Apply->isEnabled() || !PrepareApply())
        return;
    // The count is not shown; each Set's reply starts its Get, whose report
    // reloads the page.
    StartOnCurrentDevices([this](Intp::TDevice* device) { return NewSetSession(device); });
}

void TModulePage::keyPressEvent(QKeyEvent* event)
{
    QPushButton* button = m_Default ? m_Default : m_Apply;
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && button && button->isVisible()) {
        button->click();
        return;
    }
    QFrame::keyPressEvent(event);
}

bool TModulePage::event(QEvent* event)
{
    if (event->type() == QEvent::Polish && !m_LaidOut) {
        m_LaidOut = true;
        KeepNaturalWidths();
    }
    return QFrame::event(event);
}

void TModulePage::KeepNaturalWidths()
{
    for (QComboBox* box : findChildren<QComboBox*>()) {
        QSizePolicy policy = box->sizePolicy();
        if (policy.horizontalPolicy() != QSizePolicy::Fixed) {
            policy.setHorizontalPolicy(QSizePolicy::Maximum);
            box->setSizePolicy(policy);
        }
    }
    // A text field of a few characters (an address, a name of 32) is as
    // wide as they need; longer texts take the width there is.
    for (QLineEdit* field : findChildren<QLineEdit*>()) {
        const int length = field->maxLength();
        if (length > 64 || qobject_cast<QAbstractSpinBox*>(field->parentWidget()) ||
            qobject_cast<QComboBox*>(field->parentWidget()))
            continue;
        const int x = field->fontMetrics().horizontalAdvance(QLatin1Char('x'));
        const int hint = field->sizeHint().width();
        field->setMaximumWidth(std::max(hint, hint + (length + 1 - 17) * x));
    }
    // Only fields that ask to expand (text fields) take a form's width.
    for (QFormLayout* form : findChildren<QFormLayout*>())
        form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    // Without a list or text area to take the height, the spare height
    // goes below the rows (above the Apply row) instead of between them.
    if (m_Layout->expandingDirections() & Qt::Vertical)
        return;
    const int last = m_Layout->count() - 1;
    QLayout* row = last >= 0 ? m_Layout->itemAt(last)->layout() : nullptr;
    if (m_Apply && row && row->indexOf(m_Apply) >= 0)
        m_Layout->insertStretch(last, 1);
    else
        m_Layout->addStretch(1);
}
