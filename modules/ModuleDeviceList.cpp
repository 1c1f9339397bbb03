#include "ModuleDeviceList.h"

#include "IntpBasics.h"
#include "ModuleCallback.h"
#include "PageList.h"
#include "Resources.h"

#include <QVBoxLayout>

#include <cstring>
#include <new>

namespace {

enum TColumn { ColModel, ColKernel, ColFirmware, ColMac, ColIp, ColStatus };

QIcon RowIcon(int image)
{
    static const char* const names[] = {"RC_BITMAP_16X16_NEXT", "RC_BITMAP_16X16_ACCEPT", "RC_BITMAP_16X16_CANCEL",
                                        "RC_BITMAP_16X16_TIMER", "RC_BITMAP_16X16_EDIT"};
    return image >= 0 && image < int(std::size(names)) ? Resources::Icon(names[image]) : QIcon();
}

// What each image means, for screen readers.
QString RowIconText(int image)
{
    static const char* const texts[] = {"running", "done", "failed", "no answer", "writing flash"};
    return image >= 0 && image < int(std::size(texts)) ? QString::fromLatin1(texts[image]) : QString();
}

QString Text(const std::string& text) { return QString::fromStdString(text); }

} // namespace

TModuleDeviceList::TModuleDeviceList(QString caption, QWidget* parent) : TModulePage(std::move(caption), parent)
{
    m_ListView = new TPageList({QStringLiteral("Model"), QStringLiteral("Kernel Ver."), QStringLiteral("Firmware Ver."),
                                QStringLiteral("MAC"), QStringLiteral("IP Address"), QStringLiteral("Status")},
                               this);
    m_ListView->setObjectName("m_ListView");
    m_ListView->setShowGrid(true);
    // The widths of these lists, grown with a larger font, Status taking
    // the rest. In a list too narrow for them the model gives way first
    // (down to a few characters, whole in its tool tip), then the versions
    // (down to the values they show, their captions cut), then the
    // addresses (down to the addresses they show); Status keeps its
    // caption.
    using TFloor = TFixedColumn::TFloor;
    m_ListView->SetFixedColumns({{120, {}, 0, TFloor::FloorFew},
                                 {64, {}, 1, TFloor::FloorContents},
                                 {80, {}, 1, TFloor::FloorContents},
                                 {120, {}, 2, TFloor::FloorContents},
                                 {120, {}, 2, TFloor::FloorContents},
                                 {0, {}, 3, TFloor::FloorCaption}},
                                ColStatus);
    PageLayout()->addWidget(m_ListView, 1);
    SetFillsWhileShown(true);
    OnClear([this] {
        m_ListView->Clear();
        m_Rows.clear();
    });
    OnFill([this](Intp::TDevice*) { FillRows(); });
}

void TModuleDeviceList::Notify(Intp::TDevice*, uint16_t code, uint16_t)
{
    if ((code == EventPageShown || code == EventDeviceRemoved) && !m_Busy)
        Reload();
}

bool TModuleDeviceList::Leave(bool force)
{
    if (m_Busy && !force)
        return false;
    return TModulePage::Leave(force);
}

int TModuleDeviceList::Refresh(bool shown)
{
    if (shown)
        StartOnCurrentDevices([](Intp::TDevice*) { return new Intp::TSessionBasicsSettingsGet; }, this);
    return 0;
}

void TModuleDeviceList::OnSessionEvent(Intp::TDevice* device, int command, uint16_t status, void* data)
{
    if (command != Intp::TPropertyBasicsSettings::GetCommand) {
        OnRunEvent(device, command, status, data);
        return;
    }
    for (int row = 0; row < RowCount(); ++row)
        if (IsRowOf(row, device)) {
            FillVersions(row, device);
            return;
        }
}

int TModuleDeviceList::RowCount() const { return int(m_Rows.size()); }

QString TModuleDeviceList::StatusText(int row) const { return m_ListView->Text(row, ColStatus); }

void TModuleDeviceList::FillRows()
{
    TDeviceList devices;
    if (g_ModuleCallback)
        g_ModuleCallback->GetCurrentDevices(devices);
    for (Intp::TDevice* device : devices) {
        if (!device->IsLoggedIn())
            continue;
        const int row = m_ListView->AddRow({Text(device->GetTypeName()), QString(), QString(),
                                            Text(Intp::MacToText(device->GetMac())),
                                            Text(Intp::IpToText(device->GetIp())), QString()});
        m_Rows.push_back({device->GetMac(), ImageNone});
        FillVersions(row, device);
    }
}

void TModuleDeviceList::FillVersions(int row, Intp::TDevice* device)
{
    const auto& record = Intp::GetPropertyBasicsSettings(device);
    const QString invalid = QStringLiteral("Invalid");
    m_ListView->Model()->SetText(row, ColKernel, record.Valid ? Text(Intp::VersionText(record.KernelVersion)) : invalid);
    m_ListView->Model()->SetText(row, ColFirmware,
                                 record.Valid ? Text(Intp::VersionText(record.FirmwareVersion)) : invalid);
}

Intp::TDevice* TModuleDeviceList::RowDevice(int row) const { return Intp::GetDevice(m_Rows.at(size_t(row)).Mac, false); }

bool TModuleDeviceList::IsRowOf(int row, const Intp::TDevice* device) const
{
    return device && m_Rows.at(size_t(row)).Mac == device->GetMac();
}

void TModuleDeviceList::SetRowState(int row, int image, const QString& text)
{
    m_Rows.at(size_t(row)).Image = image;
    m_ListView->Model()->SetIcon(row, RowIcon(image), RowIconText(image));
    m_ListView->Model()->SetText(row, ColStatus, text);
}

void TModuleDeviceList::ClearRowImages()
{
    for (int row = 0; row < RowCount(); ++row) {
        m_Rows[size_t(row)].Image = ImageNone;
        m_ListView->Model()->SetIcon(row, QIcon());
    }
}

QString TModuleDeviceList::SystemErrorText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

void TModuleDeviceList::SetRowFailure(int row, uint16_t status)
{
    if (status == Intp::StatusTimeout)
        SetRowState(row, ImageTimeout, QStringLiteral("Timeout"));
    else
        SetRowState(row, ImageFailed, QStringLiteral("Error: 0x%1").arg(status, 4, 16, QLatin1Char('0')));
}

bool TModuleDeviceList::StartRow(int row, const TRowFactory& make, const QString& runningText)
{
    Intp::TDevice* device = RowDevice(row);
    if (!device) {
        SetRowState(row, ImageFailed, QStringLiteral("Initialize Error"));
        return false;
    }
    bool ready = true;
    Intp::TSession* session = make(device, ready);
    if (!session) {
        SetRowState(row, ImageFailed, QStringLiteral("Memory insufficient"));
        return false;
    }
    if (!ready || !Intp::StartSession(session, device, this)) {
        const QString reason = StartFailureReason(session);
        delete session;
        SetRowState(row, ImageFailed,
                    reason.isEmpty() ? QStringLiteral("Fail to send request")
                                     : QStringLiteral("Fail to send request (%1)").arg(reason));
        return false;
    }
    SetRowState(row, ImageRunning, runningText);
    return true;
}
