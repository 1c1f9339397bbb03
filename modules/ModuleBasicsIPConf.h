// "IP Configuration": gives the selected switches their IP settings in one
// pass (DHCP for all, addresses handed out in order from a range, or settings
// typed for one switch at a time), previews what each switch will receive
// in a tree grouped by the switches' current addresses, and sends one
// "NetSet" per changed switch with the digest of a login asked for at Apply.
#pragma once

#include "Intp.h"
#include "ModulePage.h"

#include <QTreeWidgetItem>

#include <cstdint>
#include <functional>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTreeWidget;

class TModuleBasicsIPConf final : public TModulePage {
    Q_OBJECT
public:
    enum TMethod { MethodDhcp, MethodAutoRange, MethodManual };
    // Node images.
    enum TImage {
        ImageGroup = 0,       // a group of switches sharing one current address
        ImageReady = 1,       // new settings ready
        ImageFailed = 2,      // no address could be given
        ImageReadyKnown = 3,  // new settings ready; the address is a known device's
        ImageUnchanged = 4,   // the switch's current settings
    };

    // What a switch is to receive. The switch is named by its MAC address
    // and looked up when the settings are sent.
    struct TPending {
        Intp::TMacAddr Mac;
        uint8_t Dhcp = 0;
        uint32_t Ip = 0;
        uint32_t Netmask = 0;
        uint32_t Gateway = 0;
        uint32_t Dns1 = 0;
        uint32_t Dns2 = 0;
    };

    // A group node (its value: the group's current address) or a device node
    // (its pending settings); both sort by their address as a number.
    class TNode final : public QTreeWidgetItem {
    public:
        TNode(bool device, uint32_t value);
        bool IsDevice() const { return m_Device; }
        uint32_t Value() const { return m_Device ? Pending.Ip : m_Value; }
        int Image() const { return m_Image; }
        void SetImage(int image);
        bool operator<(const QTreeWidgetItem& other) const override;

        TPending Pending;

    private:
        bool m_Device;
        uint32_t m_Value;
        int m_Image = ImageGroup;
    };

    explicit TModuleBasicsIPConf(QWidget* parent);

    void Notify(Intp::TDevice* device, uint16_t code, uint16_t status) override;

    // Removes the workstation's ARP entries of the given addresses; the
    // host's own by default.
    using TArpRemover = std::function<void(const std::vector<uint32_t>& addresses, bool includeStatic)>;
    void SetArpRemover(TArpRemover remover) { m_ArpRemover = std::move(remover); }

    // The first address from `candidate` up to `end` that a switch of the
    // range may get: usable, neither the first nor the last of its subnet,
    // and none of the three excluded addresses. False, at once, when the mask
    // leaves fewer than two host bits. Never runs past `end`.
    static bool FindRangeAddress(uint64_t candidate, uint32_t end, uint32_t mask, const uint32_t excluded[3],
                                 uint32_t& found);
    // The node's preview text.
    static QString PreviewText(const TPending& pending);

    // The device nodes in tree order.
    std::vector<TNode*> DeviceNodes() const;

    void EventOnMethodChange();
    void EventOnSetClick();
    void EventOnFilterClick();
    void EventOnDiscardClick();
    void EventOnSendClick();

    QLabel* m_NumDevices;
    QTreeWidget* m_Tree;
    QMenu* m_Popup;
    QAction* m_PM1Discard;
    QComboBox* m_Method;
    QCheckBox* m_Dhcp;
    QLabel* m_AddressLabel;
    QLineEdit* m_Address;
    QLineEdit* m_Address2;
    QLineEdit* m_Mask;
    QLineEdit* m_Gateway;
    QLineEdit* m_Dns1;
    QLineEdit* m_Dns2;
    QPushButton* m_Set;
    QPushButton* m_Filter;

private:
    // One group node per current address of the selected switches, one
    // device node (its current settings) per switch.
    void BuildTree();
    TNode* SelectedDeviceNode() const;
    void ShowMethodControls();
    void EnableAddressFields();
    void LoadFields(const TPending& pending);
    void SetNode(TNode* node, const TPending& pending, int image);
    void PendingFromDevice(TNode* node);
    void SetManual(TNode* node);
    void SetRange();
    void UpdateApply();

    TArpRemover m_ArpRemover;
    QLabel* m_DhcpLabel;
    std::vector<std::pair<QWidget*, QWidget*>> m_Rows;   // label, field: address .. DNS 2
};
