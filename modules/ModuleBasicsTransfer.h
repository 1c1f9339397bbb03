// The shared shape of the Backup, Restore and Upgrade pages: the built-in
// and remote (TFTP) schemes with their fields, the list of switches, runs in
// batches, and the busy rule.
//
// Built-in transfers run in batches of at most 20: the next batch starts
// when no row of the current one is still transmitting (a switch writing its
// flash does not hold it back). Remote restores and upgrades run in batches
// of 20 the same way; remote backups run one after the other. The page is
// busy, refusing to be left and keeping its list, while any row is still
// transmitting or writing flash.
#pragma once

#include "IntpTransfer.h"
#include "ModuleDeviceList.h"

#include <new>
#include <string>

class QLabel;
class QLineEdit;
class QRadioButton;
class TIpEdit;

class TModuleBasicsTransfer : public TModuleDeviceList {
    Q_OBJECT
public:
    // What differs between the three pages.
    struct TShape {
        QString Caption;
        bool Backup = false;          // local folder and file prefix instead of local and remote files
        QString PickerCaption;        // "&Save ..." / "&Open"
        QString PickerTitle;          // the folder or file dialog's title
        QString ActionName;           // the action button's object name
        QString ActionCaption;
        const char* ActionBitmap = "";
        QString RebootCaption;        // empty: no reboot button
        int ServerMaxLength = 0;      // 0: no limit of its own
        uint16_t BuiltinCode = 0;
        uint16_t RemoteCode = 0;
    };

    static constexpr int BatchSize = 20;

    // The shape of Restore and Upgrade: `kind` is the caption, and the
    // action button's caption and name follow it.
    static TShape UploadShape(const QString& kind, const QString& pickerTitle, const char* actionBitmap,
                              const QString& rebootCaption, uint16_t builtinCode, uint16_t remoteCode);

    TModuleBasicsTransfer(const TShape& shape, QWidget* parent);

    void EventOnActionClick();
    void EventOnOpenClick();
    void EventOnRebootClick();

    QRadioButton* LocalRadio() const { return m_rbLocal; }
    QRadioButton* RemoteRadio() const { return m_rbRemote; }
    QLineEdit* LocalField() const { return m_Local; }
    QPushButton* OpenButton() const { return m_Open; }
    TIpEdit* ServerField() const { return m_ServerIp; }
    // The prefix (Backup) or the remote file name (Restore, Upgrade).
    QLineEdit* NameField() const { return m_Name; }
    QPushButton* ActionButton() const { return m_Action; }
    QPushButton* RebootButton() const { return m_Reboot; }
    QWidget* TopPanel() const { return m_TopPanel; }

protected:
    // The built-in session of the row's device, given its file; null when
    // it cannot be created.
    virtual Intp::TSession* NewBuiltinSession(int row, Intp::TDevice* device, bool& ready) = 0;
    // The remote session of the row's device with its request.
    virtual Intp::TSession* NewRemoteSession(int row, Intp::TDevice* device, bool& ready) = 0;
    // The transfer state a status-0 report carries.
    virtual uint32_t ReportedState(const void* data, bool builtin) const = 0;

    void OnRunEvent(Intp::TDevice* device, int command, uint16_t status, void* data) override;

    const TShape& Shape() const { return m_Shape; }
    // The local folder or file as a path.
    std::string LocalPath() const;
    // The remote request for `fileName` on the TFTP server (port 69).
    Intp::TRemoteRequest RemoteRequest(const QString& fileName) const;
    // The remote file name (Restore, Upgrade) or the prefix (Backup).
    QString NameText() const;
    // The state of an upload report (the second word of a built-in
    // upload's data, the remote transfer's state otherwise).
    static uint32_t UploadState(const void* data, bool builtin);
    // Whether an earlier row's switch has the same IP address: its backup
    // would have the same file name.
    bool SharesAddressWithEarlierRow(int row) const;

private:
    bool IsBuiltin() const;
    bool IsRemoteBackup() const;
    // The inputs are usable with at least one row, and for Restore and
    // Upgrade only when every listed switch is of one model.
    void EnableInputs();
    // Enables the fields of the checked scheme and the action button.
    void ApplySchemeRule();
    void ApplyServerRule();
    bool LocalReady() const;
    // Starts the transfers from `row` on (a batch, or the next remote
    // backup); returns how many started.
    int StartFrom(int row);
    void EnableRunControls(bool on);

    TShape m_Shape;
    QWidget* m_TopPanel;
    QRadioButton* m_rbLocal;
    QRadioButton* m_rbRemote;
    QLineEdit* m_Local;
    QPushButton* m_Open;
    QLabel* m_ServerLabel;
    TIpEdit* m_ServerIp;
    QLabel* m_NameLabel;
    QLineEdit* m_Name;
    QPushButton* m_Action;
    QPushButton* m_Reboot = nullptr;
    bool m_InputsEnabled = false;
};

// Restore and Upgrade: the same page over their own sessions.
template <class TBuiltin, class TRemote>
class TModuleUploadPage : public TModuleBasicsTransfer {
public:
    using TModuleBasicsTransfer::TModuleBasicsTransfer;

protected:
    Intp::TSession* NewBuiltinSession(int, Intp::TDevice*, bool&) override
    {
        auto* session = new (std::nothrow) TBuiltin;
        if (session)
            session->OpenFile(LocalPath());
        return session;
    }
    Intp::TSession* NewRemoteSession(int, Intp::TDevice*, bool&) override
    {
        auto* session = new (std::nothrow) TRemote;
        if (session)
            session->SetRequest(RemoteRequest(NameText()));
        return session;
    }
    uint32_t ReportedState(const void* data, bool builtin) const override { return UploadState(data, builtin); }
};
