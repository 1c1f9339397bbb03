// "IP Security": the switch's management access list: on or off, which
// management access it allows, and the addresses it admits.
#pragma once

#include "ModulePage.h"
#include "PageEditors.h"

#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class TInetAddrEdit;
class TPageList;

class TModuleSecurityIP final : public TModulePage {
    Q_OBJECT
public:
    explicit TModuleSecurityIP(QWidget* parent);

private:
    void EventOnModeChange();
    void EventOnAddressChange();
    void EventOnSecureIPsSelect(int row);
    void EventOnAddClick();
    void EventOnDeleteClick();
    int FindEntry(const QString& text) const;
    void EmptyList();

    TChoice* m_Mode;
    QWidget* m_Management;
    std::vector<QCheckBox*> m_ManagementItems;
    QLabel* m_ListLabel;
    TPageList* m_SecureIPs;
    QLabel* m_AddressLabel;
    TInetAddrEdit* m_Address;
    QPushButton* m_Add;
    QPushButton* m_Delete;
    uint32_t m_Capacity = 0;   // the switch's entry count at the last valid read
    // As read: the management bits (those above the three check boxes go
    // back unchanged) and every address slot (those after the first unused
    // slot are not listed and go back as read).
    uint32_t m_ReadManagement = 0;
    std::vector<uint32_t> m_ReadAddresses;
    bool m_Emptying = false;
};
