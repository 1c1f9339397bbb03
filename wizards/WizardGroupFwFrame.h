// "Group Firmware Update": upgrades logged-in switches of one model at once,
// from a local file or through a TFTP server, all sessions together, with
// each switch's progress in its row.
#pragma once

#include "WizardSteps.h"

class QLineEdit;
class QRadioButton;
class TIpEdit;

class TWizardGroupFwFrame final : public TWizardSteps {
    Q_OBJECT
public:
    explicit TWizardGroupFwFrame(QWidget* parent);

    // Preview row images.
    enum TImage { ImageTransmitting = 0, ImageDone = 1, ImageError = 2, ImageTimeout = 3, ImageWritingFlash = 4 };
    static QIcon Image(int image);

    QRadioButton* BuiltinChoice() const { return m_Builtin; }
    QRadioButton* TftpChoice() const { return m_Tftp; }
    QLineEdit* PathField() const { return m_Path; }
    QPushButton* BrowseButton() const { return m_Browse; }
    TIpEdit* ServerField() const { return m_Server; }
    QLineEdit* FileNameField() const { return m_FileName; }
    // The image of a preview row, or -1 for none.
    int RowImage(int row) const;

    void EventOnBrowseClick();

private:
    void EventOnChoiceClick();
    void SetImage(int row, int image);
    // Starts the upgrade on every row's device.
    void Upgrade();
    void ShowUpgradeState(int row, Intp::TDevice* device, int command, uint16_t status, void* data);

    QRadioButton* m_Builtin;
    QLineEdit* m_Path;
    QPushButton* m_Browse;
    QRadioButton* m_Tftp;
    TIpEdit* m_Server;
    QLineEdit* m_FileName;
    std::vector<QWidget*> m_Settings;
    std::vector<int> m_Images;   // per preview row
    bool m_RunBuiltin = true;
};
