// "Group IP Setting": gives the chosen switches DHCP, or consecutive
// addresses of a range in the order the user arranges, one NetSet each.
#pragma once

#include "WizardSteps.h"

class QRadioButton;
class QLabel;
class TIpEdit;

class TWizardGroupIpFrame final : public TWizardSteps {
    Q_OBJECT
public:
    explicit TWizardGroupIpFrame(QWidget* parent);

    QRadioButton* DhcpChoice() const { return m_Dhcp; }
    QRadioButton* RangeChoice() const { return m_Range; }
    TIpEdit* ServerField() const { return m_Server; }
    TIpEdit* BeginField() const { return m_Begin; }
    TIpEdit* EndField() const { return m_End; }
    TIpEdit* NetmaskField() const { return m_Netmask; }
    TIpEdit* GatewayField() const { return m_Gateway; }
    QPushButton* TopButton() const { return m_Top; }
    QPushButton* UpButton() const { return m_Up; }
    QPushButton* DownButton() const { return m_Down; }
    QPushButton* BottomButton() const { return m_Bottom; }

    // Preview row images.
    enum TImage { ImageDone = 0, ImageFailed = 1 };

private:
    // Asks for the login and sends every row's device its NetSet.
    void ApplyAddresses();
    void ShowSetResult(int row, Intp::TDevice* device, int command, uint16_t status);
    void EventOnChoiceClick();
    void EventOnRangeChange();
    void MovePreviewRow(int to);
    void UpdateReorderButtons();
    void ShowNewAddresses();
    bool RangeValid() const;

    QRadioButton* m_Dhcp;
    QRadioButton* m_Range;
    QLabel* m_ServerLabel;
    TIpEdit* m_Server;
    std::vector<QWidget*> m_RangeFields;
    TIpEdit* m_Begin;
    TIpEdit* m_End;
    TIpEdit* m_Netmask;
    QLabel* m_GatewayLabel;
    TIpEdit* m_Gateway;
    QPushButton* m_Top;
    QPushButton* m_Up;
    QPushButton* m_Down;
    QPushButton* m_Bottom;
    std::vector<int> m_Pending;   // preview rows still waiting, by row
};
