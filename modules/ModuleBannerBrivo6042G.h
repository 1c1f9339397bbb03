// "Link State": the banner above the pages of a selected switch: its
// addresses, its eight port LEDs, four status lights from the status
// monitor, the syslog summary with a button that opens the messages, and
// which redundancy protocol it runs, read every 5 seconds while shown.
#pragma once

#include "Module.h"

#include <QColor>
#include <QFrame>
#include <array>

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTimer;

// A picture of the front panel whose eight LED areas are painted in the
// colours given; the LED of port n (i = n - 1) contains the point
// ((i div 2) * 34 + 5, (i mod 2) * 32 + 16). Its accessible description
// tells each port's state ("1 link up, 2 no link, ...").
class TLinkImage final : public QFrame {
public:
    static constexpr int LedCount = 8;
    explicit TLinkImage(QWidget* parent);
    void SetLed(int index, const QColor& color);
    QColor Led(int index) const { return m_Leds[size_t(index)]; }
    // The LED area around the given port index's point.
    static QRect LedRect(int index);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Describe();

    std::array<QColor, LedCount> m_Leds;
};

// A 16 x 16 status light. Its accessible name tells what its colour shows:
// "caption: good" (green), "caption: bad" (red) or "caption: not known".
class TStatusLight final : public QFrame {
public:
    TStatusLight(QWidget* parent, QString caption, QString good, QString bad);
    void SetColor(const QColor& color);
    QColor Color() const { return m_Color; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Describe();

    QColor m_Color;
    QString m_Caption, m_Good, m_Bad;
};

class TModuleBannerBrivo6042G final : public QFrame, public TModule {
    Q_OBJECT
public:
    explicit TModuleBannerBrivo6042G(QWidget* parent);

    QString GetCaption() const override { return QStringLiteral("Link State"); }
    QWidget* GetControl() override { return this; }
    void Notify(Intp::TDevice* device, uint16_t code, uint16_t status) override;
    bool Leave(bool force) override;
    int Refresh(bool) override { return 0; }

    void EventOnTimerTimer();
    void EventOnIconClick();
    void EventOnOpenLogClick();

    TLinkImage* LinkImage() const { return m_LinkImage; }
    TStatusLight* OnlineLight() const { return m_StatusOnline; }
    TStatusLight* QueryLight() const { return m_StatusQuery; }
    TStatusLight* IpLight() const { return m_StatusIp; }
    TStatusLight* FaultLight() const { return m_StatusFault; }
    QLabel* IpLabel() const { return m_IpAddr; }
    QLabel* MacLabel() const { return m_MacAddr; }
    QLabel* LogNum() const { return m_LogNum; }
    QLabel* LogUnread() const { return m_LogUnread; }
    QLabel* LogDate() const { return m_LogLDate; }
    QLabel* LogTime() const { return m_LogLTime; }
    QPushButton* OpenLogButton() const { return m_OpenLog; }
    QRadioButton* RingButton() const { return m_Ring; }
    QRadioButton* RstpButton() const { return m_RSTP; }
    QTimer* Timer() const { return m_Timer; }

    // Colours of the LEDs and of the lights.
    static const QColor Silver, Black, BrightGreen, Green, Red;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowStatus(Intp::TDevice* device);
    void ShowSyslog(Intp::TDevice* device);
    void ShowRedundancy(Intp::TDevice* device);
    static Intp::TDevice* CurrentDevice();

    QLabel* m_Icon;
    QLabel* m_IpAddr;
    QLabel* m_MacAddr;
    TLinkImage* m_LinkImage;
    TStatusLight* m_StatusOnline;
    TStatusLight* m_StatusQuery;
    TStatusLight* m_StatusIp;
    TStatusLight* m_StatusFault;
    QLabel* m_LogNum;
    QLabel* m_LogUnread;
    QLabel* m_LogLDate;
    QLabel* m_LogLTime;
    QPushButton* m_OpenLog;
    QGroupBox* m_Redundancy;
    QRadioButton* m_Ring;
    QRadioButton* m_RSTP;
    QTimer* m_Timer;
};
