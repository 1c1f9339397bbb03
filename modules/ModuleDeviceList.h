// The base of the pages that run one operation on every listed switch and
// follow it row by row (backup, restore, upgrade, save to flash): a list of
// the logged-in current switches with their model, versions, MAC and IP
// address, a per-row state image and status text, and a busy flag that
// keeps the list and refuses leaving while a run is in progress.
//
// - Notify rebuilds the list on "page shown" and "device removed", but
//   never while busy;
// - Refresh(true) reads every current switch's system settings with the page
//   as observer (their versions fill the rows as they arrive) and answers 0,
//   so the page shows at once;
// - Leave refuses while busy unless forced.
#pragma once

#include "Intp.h"
#include "ModulePage.h"

#include <functional>
#include <vector>

class TPageList;

class TModuleDeviceList : public TModulePage, public Intp::TWizard {
    Q_OBJECT
public:
    // A row's state; the image shown in its first column.
    enum TRowImage : int {
        ImageNone = -1,     // not started in this run
        ImageRunning = 0,   // request sent, transfer running
        ImageDone = 1,
        ImageFailed = 2,
        ImageTimeout = 3,
        ImageFlash = 4,     // the switch writes its flash
    };

    TModuleDeviceList(QString caption, QWidget* parent);

    void Notify(Intp::TDevice* device, uint16_t code, uint16_t status) override;
    bool Leave(bool force) override;
    int Refresh(bool shown) override;
    void OnSessionEvent(Intp::TDevice* device, int command, uint16_t status, void* data) override;

    bool IsBusy() const { return m_Busy; }
    TPageList* List() const { return m_ListView; }
    int RowCount() const;
    int RowImage(int row) const { return m_Rows.at(size_t(row)).Image; }
    QString StatusText(int row) const;

protected:
    // A report of one of the page's own sessions (anything but "GetSys").
    virtual void OnRunEvent(Intp::TDevice* device, int command, uint16_t status, void* data) = 0;

    // The row's device, looked up by its MAC address; null when gone.
    Intp::TDevice* RowDevice(int row) const;
    bool IsRowOf(int row, const Intp::TDevice* device) const;
    void SetRowState(int row, int image, const QString& text);
    // Every row back to "not started"; the texts stay.
    void ClearRowImages();
    // "Timeout" for 0xFF00, "Error: 0x%04x" for any other status.
    void SetRowFailure(int row, uint16_t status);

    // Makes the row's session: null when it cannot be created; `ready`
    // false when it must not be started.
    using TRowFactory = std::function<Intp::TSession*(Intp::TDevice* device, bool& ready)>;
    // Starts the row's session with this page as observer and shows the
    // outcome in the row ("Initialize Error", "Memory insufficient", "Fail
    // to send request", or `runningText`). True when it started.
    bool StartRow(int row, const TRowFactory& make, const QString& runningText);
    // Why a session that was made could not start, when the page knows (the
    // system's reason a file could not be created, say); shown after "Fail
    // to send request". Empty by default.
    virtual QString StartFailureReason(const Intp::TSession* session) const { return {}; }
    // The system's wording of an error number (errno), for a row's text.
    static QString SystemErrorText(int error);

    void SetBusy(bool busy) { m_Busy = busy; }

private:
    struct TRow {
        Intp::TMacAddr Mac;
        int Image = ImageNone;
    };
    // One row per logged-in current device.
    void FillRows();
    void FillVersions(int row, Intp::TDevice* device);

    TPageList* m_ListView;
    std::vector<TRow> m_Rows;
    bool m_Busy = false;
};
