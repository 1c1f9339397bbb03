#include "ModulePage.h"

#include "Intp.h"
#include "IntpPort.h"
#include "ModuleCallback.h"
#include "PageEditors.h"
#include "Resources.h"

#include <QAbstractSpinBox>
#include <QBoxLayout>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

TModulePage::TModulePage(QString caption, QWidget* parent) : QFrame(parent), m_Caption(std::move(caption))
{
    // Painted in full, so the host's wait label behind the page is seen only
    // while the page is hidden.
    setAutoFillBackground(true);
    m_Layout = new QVBoxLayout(this);
    // The read state line, above everything the page adds; plain text, so
    // that the state is never told by a colour alone. Its text is what a
    // screen reader hears (no fixed name), so the reason reaches it.
    m_ReadState = new QLabel(this);
    m_ReadState->setObjectName("m_ReadState");
    m_ReadState->setAccessibleDescription(QStringLiteral("Read state"));
    m_ReadState->setTextFormat(Qt::PlainText);
    m_ReadState->setWordWrap(true);
    m_ReadState->hide();
    m_Layout->addWidget(m_ReadState);
    hide();
}

void TModulePage::AddReadRecord(uint16_t code, std::function<bool(Intp::TDevice*)> valid)
{
    for (const TReadRecord& r : m_ReadRecords)
        if (r.Code == code)
            return;
    m_ReadRecords.push_back({code, std::move(valid)});
}

uint32_t TModulePage::ReadFailure(Intp::TDevice* device) const
{
    if (!device)
        return 0;
    // A failed report says most; then a record not valid (not read at all,
    // when nothing was reported).
    for (const TReadRecord& r : m_ReadRecords)
        if (const std::optional<uint32_t> last = LastReadStatus(device, r.Code); last && *last != 0)
            return *last;
    for (const TReadRecord& r : m_ReadRecords)
        if (!r.Valid(device))
            return LastReadStatus(device, r.Code) ? Intp::StatusTableError : ReadNotDone;
    return 0;
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
    ReadsRecord<Intp::TPropertyPortName>();
    ReadsRecord<Intp::TPropertyPortConfig>();
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
    // A page's own enable rules may enable Apply again; while the read
    // failed it stays disabled.
    m_Apply->installEventFilter(this);
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

void TModulePage::NoteReport(Intp::TDevice* device, uint16_t code, uint16_t status)
{
    for (const TReadRecord& r : m_ReadRecords)
        if (r.Code == code)
            NoteReadStatus(device, code, status);
}

void TModulePage::Notify(Intp::TDevice* device, uint16_t code, uint16_t status)
{
    NoteReport(device, code, status);
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
    ResetValueControls();
    m_ReadFailed = false;   // decided again below
    Intp::TDevice* device = CurrentDevice();
    for (QWidget* widget : m_DeviceControls)
        widget->setEnabled(device != nullptr);
    if (device)
        Fill(device);
    AfterReload(device);
    ShowReadState(device);
    show();
}

void TModulePage::ResetValueControls()
{
    // A page's own modes and view choices are no switch's values: kept.
    for (TChoice* choice : findChildren<TChoice*>())
        if (!choice->IsViewChoice())
            choice->Reset();
    for (TLimitSpin* spin : findChildren<TLimitSpin*>())
        spin->Reset();
    for (TWideSpin* spin : findChildren<TWideSpin*>())
        spin->Reset();
    for (TFixedTextEdit* edit : findChildren<TFixedTextEdit*>())
        edit->Reset();
}

void TModulePage::CommitTypedValues()
{
    for (QAbstractSpinBox* spin : findChildren<QAbstractSpinBox*>())
        spin->interpretText();
    for (TIpEdit* edit : findChildren<TIpEdit*>())
        edit->Commit();
}

void TModulePage::ShowReadState(Intp::TDevice* device)
{
    const uint32_t failure = ReadFailure(device);
    m_ReadFailed = failure != 0;
    m_ReadState->setText(m_ReadFailed ? ReadFailureText(failure) : QString());
    m_ReadState->setVisible(m_ReadFailed);
    if (m_ReadFailed && m_Apply)
        m_Apply->setEnabled(false);
    if (device && !m_ReadRecords.empty())
        NotePageReadState(device, failure);
}

bool TModulePage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_Apply && event->type() == QEvent::EnabledChange && m_ReadFailed && m_Apply->isEnabled())
        m_Apply->setEnabled(false);
    return QFrame::eventFilter(watched, event);
}

void TModulePage::EventOnApplyClick()
{
    if (!m_Apply || !m_Apply->isEnabled())
        return;
    CommitTypedValues();
    if (m_ReadFailed || ReadFailure(CurrentDevice()) != 0 || !PrepareApply())
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
