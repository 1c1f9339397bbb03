// The base of every configuration page. A page declares what it reads
// (its Get session and the report codes that reload it, or a chain of
// reads), how it fills its controls from a device's records, and how it
// builds its Set; the base does the rest the same way for every page:
//
// - Refresh starts the page's read on every current device and returns how
//   many started (a session that does not start is deleted);
// - Notify reloads on the page's own report codes when the reported device
//   is the current one, on "page shown" (0xFF01) and "device removed"
//   (0xFF03) always, and ignores everything else (Set reports included:
//   the library follows every Set with its Get, whose report reloads);
// - a chain step starts the next read for the reported device and waits
//   for its report instead of reloading;
// - Reload hides the page, clears it, enables the device controls when there
//   is a current device, fills it (from the record or the defaults) and
//   shows it again;
// - before it is first shown, the page is laid out at natural widths, as a
//   settings dialog: drop-down lists and spinners no wider than their
//   contents, and the rows kept together at the top when nothing on the
//   page takes the height;
// - Apply sends one Set per current device, shows nothing and does not
//   reload;
// - the read state: a page whose read of the current device did not succeed
//   (no answer, refused, an unreadable reply, a record not valid) says so in
//   one line at its top and keeps Apply disabled until a read succeeds, so
//   that the defaults it shows never go over the switch's settings. Success
//   is decided from the records the page declares (Reads<TGet>() declares
//   TGet's record; ReadsRecord<T>() adds more): each must be valid and the
//   last report of its Get for that device must have status 0;
// - values kept as read: a reload first resets the page's value controls
//   (TChoice, TLimitSpin, TWideSpin, TFixedTextEdit) to their defaults, so
//   nothing of an earlier device stays on show (a page's own mode and view
//   choices, filled from no record, are left as they are); before Apply
//   builds its request, text typed into a spinner is committed (clamped to
//   its limits) so that what a field shows is what is sent;
// - Return anywhere on the page presses Apply, as a dialog's default button;
// - the page paints its whole area, so what lies behind it stays hidden.
#pragma once

#include "Module.h"
#include "PageReads.h"

#include <QFrame>
#include <QString>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <vector>

class QBoxLayout;
class QLabel;
class QPushButton;
class QVBoxLayout;

namespace Intp {
class TDevice;
class TSession;
}

class TModulePage : public QFrame, public TModule {
    Q_OBJECT
public:
    TModulePage(QString caption, QWidget* parent);

    // TModule
    QString GetCaption() const override { return m_Caption; }
    QWidget* GetControl() override { return this; }
    void Notify(Intp::TDevice* device, uint16_t code, uint16_t status) override;
    bool Leave(bool force) override;
    int Refresh(bool shown) override;

    // Fills the page from the current device (or empties and disables it).
    void Reload();
    // The Apply button's action.
    void EventOnApplyClick();

    QPushButton* ApplyButton() const { return m_Apply; }
    QVBoxLayout* PageLayout() const { return m_Layout; }
    // The line that says why the read failed (hidden while it did not).
    QLabel* ReadStateLabel() const { return m_ReadState; }
    // Why the page's read of `device` did not succeed: 0 when it did, the
    // failing report's status, or ReadNotDone (no report and a record not
    // valid). 0 for a page that declares no records.
    uint32_t ReadFailure(Intp::TDevice* device) const;

protected:
    // --- What a page declares ---------------------------------------------
    //
    // A page declares its work in its constructor with the On... calls
    // below; the virtual hooks they stand behind remain for pages whose
    // work does not fit a declaration (and call the declared work by
    // default).

    // The page's read, started by Refresh on every current device (`shown`:
    // the page is being shown). Undeclared: the page reads nothing.
    using TReadFactory = std::function<Intp::TSession*(Intp::TDevice* device, bool shown)>;
    void OnRead(TReadFactory read) { m_Read = std::move(read); }
    // The common case: one Get session of type TGet, whose Get code reloads
    // the page.
    template <class TGet>
    void Reads()
    {
        OnRead([](Intp::TDevice*, bool) -> Intp::TSession* { return new TGet; });
        AddReloadCode(TGet::Record::GetCommand);
        ReadsRecord<typename TGet::Record>();
    }
    // A record whose read must succeed before the page may write (pages that
    // read several records, in chains or one after another). Its Get code
    // is TRecord::GetCommand.
    template <class TRecord>
    void ReadsRecord()
    {
        AddReadRecord(TRecord::GetCommand, [](auto* device) {
            return device->template GetProperty<TRecord>().Valid != 0;
        });
    }
    void AddReadRecord(uint16_t code, std::function<bool(Intp::TDevice*)> valid);
    // Notes a report's status when it is the Get of a declared record (the
    // base's Notify does; a page with its own Notify calls it first).
    void NoteReport(Intp::TDevice* device, uint16_t code, uint16_t status);
    // Empties the lists and resets the edit controls.
    void OnClear(std::function<void()> clear) { m_Clear = std::move(clear); }
    // Fills the controls from the device's records: their values when the
    // record is valid, the page's defaults when not.
    void OnFill(std::function<void(Intp::TDevice*)> fill) { m_Fill = std::move(fill); }
    // Checks the controls before Apply (showing its own message); false
    // sends nothing.
    void OnCheck(std::function<bool()> check) { m_Check = std::move(check); }
    // One Set for a device carrying the request built from the controls;
    // null sends nothing to that device.
    void OnWrite(TSessionFactory write) { m_Write = std::move(write); }
    // After every reload (device or null): the page's own enable rules.
    void OnReloaded(std::function<void(Intp::TDevice*)> reloaded) { m_Reloaded = std::move(reloaded); }
    // Extra work when the page is left (a read-only list empties itself).
    void OnLeaving(std::function<void()> leaving) { m_Leaving = std::move(leaving); }

    virtual Intp::TSession* NewGetSession(Intp::TDevice* device, bool shown);
    virtual void Clear();
    virtual void Fill(Intp::TDevice* device);
    virtual bool PrepareApply();
    virtual Intp::TSession* NewSetSession(Intp::TDevice* device);
    virtual void AfterReload(Intp::TDevice* device);
    virtual void OnLeave();

    // Report codes (Get codes) that reload the page for the current device.
    void SetReloadCodes(std::initializer_list<uint16_t> codes);
    void AddReloadCode(uint16_t code);
    // A chain step: on a report of `code`, `next` may give the next read for
    // the reported device (null when its record is not valid or nothing is
    // to be read); when that read starts, the page waits for its report;
    // otherwise the report is handled as one of the page's own codes.
    void AddChainStep(uint16_t code, TSessionFactory next);
    // Rows named by the port-name record: Refresh(true) starts the port-name
    // read, a port-name report starts the port configuration read, and the
    // port configuration report may go on with `afterConfig`.
    void UsePortNames(TSessionFactory afterConfig = nullptr);
    // The page fills while shown instead of hiding for the reload.
    void SetFillsWhileShown(bool on) { m_FillsWhileShown = on; }
    // Widgets enabled only while there is a current device.
    void AddDeviceControl(QWidget* widget) { m_DeviceControls.push_back(widget); }
    // Creates the Apply button ("&Apply", the accept image), adds it to
    // `layout` (the page's own layout when null) and makes it a device
    // control.
    QPushButton* AddApplyButton(QBoxLayout* layout = nullptr);

    // The button that Return presses (the Apply button unless set).
    void SetDefaultButton(QPushButton* button) { m_Default = button; }

    // The current device, or null.
    static Intp::TDevice* CurrentDevice();
    static bool IsCurrent(Intp::TDevice* device);

    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    struct TChainStep {
        uint16_t Code;
        TSessionFactory Next;
    };
    bool IsReloadCode(uint16_t code) const;
    void ResetValueControls();
    void CommitTypedValues();
    void ShowReadState(Intp::TDevice* device);
    bool eventFilter(QObject* watched, QEvent* event) override;

    struct TReadRecord {
        uint16_t Code;
        std::function<bool(Intp::TDevice*)> Valid;
    };
    std::vector<TReadRecord> m_ReadRecords;
    QLabel* m_ReadState;
    bool m_ReadFailed = false;
    void KeepNaturalWidths();

    QString m_Caption;
    QVBoxLayout* m_Layout;
    QPushButton* m_Apply = nullptr;
    QPushButton* m_Default = nullptr;
    std::vector<uint16_t> m_ReloadCodes;
    std::vector<TChainStep> m_Chain;
    std::vector<QWidget*> m_DeviceControls;
    TReadFactory m_Read;
    std::function<void()> m_Clear;
    std::function<void(Intp::TDevice*)> m_Fill;
    std::function<bool()> m_Check;
    TSessionFactory m_Write;
    std::function<void(Intp::TDevice*)> m_Reloaded;
    std::function<void()> m_Leaving;
    bool m_PortNames = false;
    bool m_FillsWhileShown = false;
    bool m_LaidOut = false;
};
