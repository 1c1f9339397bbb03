// The discovery filter: where discovery sends its requests and which found
// switches the device tree shows. The rules live in free functions over
// Filter::TFilterSettings so that they can be checked without a window;
// TFilterForm is the dialog that edits the settings and serves them.
#pragma once

#include "FilterServer.h"
#include "LocalNet.h"

#include <QDialog>
#include <QString>
#include <QTreeWidgetItem>
#include <cstdint>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTreeWidget;

namespace Filter {

// The route the host would take to a remote address.
struct TBestRoute {
    uint32_t NextHop = 0xFFFFFFFFu;
    uint32_t IfIndex = 0xFFFFFFFFu;
    QString IfName;
};

// The host's networks and routes, as the dialog needs them.
class TNetProvider {
public:
    virtual ~TNetProvider() = default;
    // The usable local networks, those of the default route's interface first.
    virtual void GetLocalNetworks(TIpMaskVector& networks) = 0;
    // The best route to `address` and the name of its interface; false when
    // either is unknown.
    virtual bool GetBestRoute(uint32_t address, TBestRoute& route) = 0;
};

// --- Rules -----------------------------------------------------------------

bool IsAccepted(const TFilterSettings& settings, uint32_t address);
void GetTargets(const TFilterSettings& settings, TIpMaskList& targets);
// Where a target's request goes: the directed broadcast of its network.
inline uint32_t TargetAddress(const TIpMask& target) { return target.Ip | ~target.Mask; }

// The address, mask and accepted range that the dialog edits.
struct TWorkingRange {
    uint32_t Address = 0;
    uint32_t Mask = 0;
    uint32_t Begin = 0;
    uint32_t End = 0xFFFFFFFFu;
    friend bool operator==(const TWorkingRange&, const TWorkingRange&) = default;
};

// A whole network: begin and end are its first and last addresses.
TWorkingRange NetworkRange(uint32_t address, uint32_t mask);
// The custom method from its fields' parsed values (0 for a field that does
// not parse): an unusable address or an invalid mask reads as 0; a begin or
// end outside the subnet (or unchecked range) falls back to the subnet's own.
TWorkingRange CustomRange(uint32_t addressField, uint32_t maskField, bool ranged, uint32_t beginField,
                          uint32_t endField);
// Whether the range is narrower than the whole subnet.
bool IsPartialRange(const TWorkingRange& range);
// The range-end preset for a typed remote address: its trailing zero bytes
// set to 255. 0 presets 0.
uint32_t RangeEndPreset(uint32_t address);

// Adding a range of remote addresses.
constexpr uint32_t ConfirmRangeEntries = 65;   // this many or more asks first
constexpr uint32_t MaxRangeEntries = 4096;     // more than this is refused
enum class TRangeCheck { Invalid, TooMany, Confirm, Ok };
TRangeCheck CheckRemoteRange(uint32_t begin, uint32_t end);
// The usable addresses from begin to end inclusive, ascending, at most
// MaxRangeEntries of them; never wraps past 255.255.255.255.
std::vector<uint32_t> RangeAddresses(uint32_t begin, uint32_t end);

// Texts of the dialog's boxes.
QString TextInvalidAddress();
QString TextInvalidRange();
QString TextConfirmManyEntries();
QString TextTooManyEntries(uint64_t count);
QString TextNoNetworks();
QString NetworkText(const TIpMask& network);

// One row of the remote list: sorts by address, next hop or interface index,
// as unsigned numbers.
class TRemoteItem final : public QTreeWidgetItem {
public:
    TRemoteItem(uint32_t address, const TBestRoute* route);
    uint32_t Address;
    uint32_t NextHop;
    uint32_t IfIndex;
    bool operator<(const QTreeWidgetItem& other) const override;
};

} // namespace Filter

// "Set Discovery Filter".
class TFilterForm final : public QDialog, public Filter::TFilterServer {
    Q_OBJECT
public:
    // Reads the local networks once from `net` (may be null: no networks,
    // no routes). `net` must outlive the dialog.
    explicit TFilterForm(Filter::TNetProvider* net, QWidget* parent = nullptr);

    // Filter::TFilterServer
    const Filter::TFilterSettings& GetSettings() const override { return m_Settings; }
    bool IsAccepted(uint32_t address) const override { return Filter::IsAccepted(m_Settings, address); }
    void GetTargets(Filter::TIpMaskList& targets) const override { Filter::GetTargets(m_Settings, targets); }

    // Replaces the applied settings (local networks included) and refreshes
    // the controls.
    void LoadSettings(const Filter::TFilterSettings& settings);
    // Fills the controls from the applied settings (done on every showing).
    void RefreshControls();
    // Adds one remote address (nothing when it is listed already).
    void AddRemoteEntry(uint32_t address);
    // The add-range button: checks, asks, then adds.
    void AddRemoteRange(uint32_t begin, uint32_t end);
    const Filter::TWorkingRange& Working() const { return m_Working; }
    bool RemoteShown() const { return m_RemoteShown; }

    void accept() override;

    // Controls, for the tests.
    QRadioButton* m_LocalRadio = nullptr;
    QComboBox* m_SubnetList = nullptr;
    QRadioButton* m_PrimaryRadio = nullptr;
    QLabel* m_PrimaryLabel = nullptr;
    QRadioButton* m_CustomRadio = nullptr;
    QLineEdit* m_IpAddress = nullptr;
    QLineEdit* m_Mask = nullptr;
    QCheckBox* m_Range = nullptr;
    QLineEdit* m_Begin = nullptr;
    QLineEdit* m_End = nullptr;
    QWidget* m_RemotePanel = nullptr;
    QLineEdit* m_RemoteIp = nullptr;
    QPushButton* m_RemoteAdd = nullptr;
    QLineEdit* m_RemoteEnd = nullptr;
    QPushButton* m_RemoteAddRange = nullptr;
    QTreeWidget* m_RemoteList = nullptr;
    QPushButton* m_Delete = nullptr;
    QPushButton* m_Clear = nullptr;
    QPushButton* m_Ok = nullptr;
    QPushButton* m_Cancel = nullptr;
    QPushButton* m_Remote = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Adds a row for an address known not to be listed yet.
    void AddRemoteItem(uint32_t address);
    void BuildControls();
    void EnableMethodControls();
    void EventOnMethodClick();
    void EventOnSubnetChange(int index);
    void EventOnCustomChange();
    void EventOnCustomEditingFinished();
    void EventOnRemoteIpEdited();
    void EventOnRemoteAddClick();
    void EventOnRemoteAddRangeClick();
    void EventOnDeleteClick();
    void EventOnClearClick();
    void EventOnRemoteClick();
    void EventOnHeaderClick(int column);
    void SetNetwork(const Filter::TIpMask& network);
    void ShowWorking();

    Filter::TNetProvider* m_Net;
    Filter::TFilterSettings m_Settings;
    Filter::TWorkingRange m_Working;
    int m_SortColumn = 0;
    bool m_SortAscending = true;
    bool m_RemoteShown = false;
    bool m_Filling = false;
};
