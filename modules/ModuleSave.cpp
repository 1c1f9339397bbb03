#include "ModuleSave.h"

#include "IntpBasics.h"
#include "Resources.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include <new>

TModuleSave::TModuleSave(QWidget* parent) : TModuleDeviceList(QStringLiteral("Save To Flash"), parent)
{
    m_Save = new QPushButton(Resources::Icon("RC_BITMAP_16X16_SAVE"), QStringLiteral("&Save"), this);
    m_Save->setObjectName("m_Save");
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(m_Save);
    PageLayout()->addLayout(bottom);
    SetDefaultButton(m_Save);
    OnReloaded([this](Intp::TDevice*) { m_Save->setEnabled(RowCount() > 0); });
    connect(m_Save, &QPushButton::clicked, this, &TModuleSave::EventOnSaveClick);
}

void TModuleSave::EventOnSaveClick()
{
    if (!m_Save->isEnabled() || IsBusy())
        return;
    const TRowFactory make = [](Intp::TDevice*, bool&) { return new (std::nothrow) Intp::TSessionBasicsSave; };
    int started = 0;
    for (int row = RowCount() - 1; row >= 0; --row)
        started += StartRow(row, make, QStringLiteral("Sending request")) ? 1 : 0;
    if (started > 0) {
        SetBusy(true);
        m_Save->setEnabled(false);
    }
}

void TModuleSave::OnRunEvent(Intp::TDevice* device, int command, uint16_t status, void*)
{
    if (!IsBusy() || !device || command != Intp::TSessionBasicsSave::Command)
        return;
    bool busy = false;
    for (int row = RowCount() - 1; row >= 0; --row) {
        if (!IsRowOf(row, device))
            busy = busy || RowImage(row) == ImageRunning;
        else if (status == Intp::StatusOk)
            SetRowState(row, ImageDone, QStringLiteral("Done"));
        else
            SetRowFailure(row, status);
    }
    SetBusy(busy);
    m_Save->setEnabled(!busy);
}
