// "Switch Setting": the current switch's system settings (model, name,
// description, location, contact, object identifier, MAC address and
// versions); Apply writes the four texts to every current switch, and Web
// opens the switches' own web pages.
#pragma once

#include "ModulePage.h"

class QLabel;
class QLineEdit;
class QToolButton;
class TFixedTextEdit;

class TModuleBasicsSettings final : public TModulePage {
    Q_OBJECT
public:
    explicit TModuleBasicsSettings(QWidget* parent);

    // Opens "http://<address>" for every current device.
    void EventOnWebClick();

    TFixedTextEdit* NameEdit() const { return m_Name; }
    TFixedTextEdit* DescriptionEdit() const { return m_Desc; }
    TFixedTextEdit* LocationEdit() const { return m_Location; }
    TFixedTextEdit* ContactEdit() const { return m_Contact; }
    QLineEdit* TypeEdit() const { return m_Type; }
    QLabel* OidLabel() const { return m_OID; }
    QLabel* MacLabel() const { return m_MAC; }
    QLabel* FirmwareLabel() const { return m_FVer; }
    QLabel* KernelLabel() const { return m_KVer; }
    QLabel* HardwareLabel() const { return m_HVer; }
    QPushButton* WebButton() const { return m_Web; }
    QToolButton* IconButton() const { return m_Icon; }

private:
    void ShowSystemInfo(Intp::TDevice* device);

    QToolButton* m_Icon;
    QLineEdit* m_Type;
    // The four texts go back byte for byte as read unless edited.
    TFixedTextEdit* m_Name;
    TFixedTextEdit* m_Location;
    TFixedTextEdit* m_Contact;
    TFixedTextEdit* m_Desc;
    QLabel* m_OID;
    QLabel* m_MAC;
    QLabel* m_FVer;
    QLabel* m_KVer;
    QLabel* m_HVer;
    QPushButton* m_Web;
};
