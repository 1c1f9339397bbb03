// "Scan Devices ...": finds switches below the IP layer. One raw broadcast
// frame goes out of the chosen capture interface; every switch that answers
// is listed with its MAC and IPv4 address, whether or not its IP settings
// fit the host's network.
#pragma once

#include "WinpcapThread.h"

#include <QDialog>
#include <memory>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTreeWidget;

class TScanForm final : public QDialog {
    Q_OBJECT
public:
    enum Column { ColNumber, ColMac, ColIp, ColumnCount };

    // Creates the capture worker, idle until the first scan.
    explicit TScanForm(QWidget* parent = nullptr);
    // Stops and joins the worker.
    ~TScanForm() override;

    // Window thread: appends one answer as a row (number, MAC, IP). A switch
    // that answers twice is listed twice.
    void AddScanReply(const Scan::TScanFrame& frame);

    // "&Scan": empties the list, then sends the scan from the chosen
    // interface; a failure shows its message. Returns the result.
    int Scan();

    // The interface chosen in the list, or null.
    const Scan::TCaptureInterface* CurrentInterface() const;
    TWinpcapThread* Worker() const { return m_Worker.get(); }

    QComboBox* m_Interfaces = nullptr;
    QLabel* m_IpCaption = nullptr;
    QLabel* m_IpAddresses = nullptr;
    QCheckBox* m_Promiscuous = nullptr;
    QTreeWidget* m_Devices = nullptr;
    QPushButton* m_Scan = nullptr;
    QPushButton* m_Close = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void EventOnInterfaceChange(int index);
    void FillInterfaces();
    void ReleaseInterfaces();

    std::vector<Scan::TCaptureInterface> m_InterfaceList;
    std::unique_ptr<TWinpcapThread> m_Worker;
};
