#include "ModuleBannerBrivo6042G.h"

#include "Intp.h"
#include "IntpProtocol.h"
#include "IntpRedundancy.h"
#include "MessageBoxes.h"
#include "ModuleCallback.h"
#include "PageReads.h"
#include "Resources.h"
#include "StatusServer.h"
#include "SyslogForm.h"
#include "SyslogFrame.h"

#include <QGridLayout>
#include <QHelpEvent>
#include <QStyle>
#include <QToolTip>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

const QColor TModuleBannerBrivo6042G::Silver(192, 192, 192);
const QColor TModuleBannerBrivo6042G::Black(0, 0, 0);
const QColor TModuleBannerBrivo6042G::BrightGreen(0, 255, 0);
const QColor TModuleBannerBrivo6042G::Green(0, 128, 0);
const QColor TModuleBannerBrivo6042G::Red(255, 0, 0);

namespace {

// A label for a text the switch or the locale supplies: cut with an
// ellipsis when its room is short, instead of widening the banner, and
// whole in its tool tip then.
class TElidedLabel final : public QLabel {
public:
    // `usual`: the longest text it usually shows, which it never cuts.
    TElidedLabel(const QString& text, const QStringList& usual, QWidget* parent) : QLabel(text, parent), m_Usual(usual)
    {
    }

    QSize minimumSizeHint() const override
    {
        int width = 0;
        for (const QString& usual : m_Usual)
            width = std::max(width, fontMetrics().horizontalAdvance(usual));
        return {width + 2, QLabel::minimumSizeHint().height()};
    }
    bool Cut() const { return fontMetrics().horizontalAdvance(text()) > contentsRect().width(); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const QRect room = contentsRect();
        const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, room.width());
        style()->drawItemText(&painter, room, int(alignment()), palette(), isEnabled(), shown, foregroundRole());
    }
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::ToolTip) {
            if (Cut())
                QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), text(), this);
            else
                QToolTip::hideText();
            return true;
        }
        return QLabel::event(event);
    }

private:
    QStringList m_Usual;
};

// Lays its items out left to right, top-aligned, starting a new line where
// the next item would pass the right edge; the height follows the width.
class TFlowLayout final : public QLayout {
public:
    explicit TFlowLayout(QWidget* parent) : QLayout(parent) {}
    ~TFlowLayout() override
    {
        while (QLayoutItem* item = takeAt(0))
            delete item;
    }

    void addItem(QLayoutItem* item) override { m_Items.append(item); }
    void addLayout(QLayout* layout)
    {
        addChildLayout(layout);
        addItem(layout);
    }
    int count() const override { return int(m_Items.size()); }
    QLayoutItem* itemAt(int index) const override { return m_Items.value(index); }
    QLayoutItem* takeAt(int index) override
    {
        return index >= 0 && index < m_Items.size() ? m_Items.takeAt(index) : nullptr;
    }
    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return Place(QRect(0, 0, width, 0), false); }
    void setGeometry(const QRect& rect) override
    {
        QLayout::setGeometry(rect);
        Place(rect, true);
    }
    // All items on one line.
    QSize sizeHint() const override
    {
        int width = 0, height = 0, shown = 0;
        for (const QLayoutItem* item : m_Items) {
            if (item->isEmpty())
                continue;
            width += item->sizeHint().width() + (shown++ ? Spacing() : 0);
            height = std::max(height, item->sizeHint().height());
        }
        return QSize(width, height) + Margins();
    }
    // The widest item alone on its line.
    QSize minimumSize() const override
    {
        QSize size;
        for (const QLayoutItem* item : m_Items)
            if (!item->isEmpty())
                size = size.expandedTo(item->minimumSize());
        return size + Margins();
    }

private:
    int Spacing() const
    {
        const int own = spacing();
        if (own >= 0)
            return own;
        const QWidget* parent = parentWidget();
        return parent ? parent->style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing, nullptr, parent) : 6;
    }
    QSize Margins() const
    {
        const QMargins m = contentsMargins();
        return {m.left() + m.right(), m.top() + m.bottom()};
    }
    // Answers the height the items take in `rect`'s width; with `apply`,
    // also places them.
    int Place(const QRect& rect, bool apply) const
    {
        const QRect room = rect.marginsRemoved(contentsMargins());
        const int gap = Spacing();
        int x = room.x(), y = room.y(), lineHeight = 0;
        for (QLayoutItem* item : m_Items) {
            if (item->isEmpty())
                continue;
            const QSize size = item->sizeHint().expandedTo(item->minimumSize());
            if (x > room.x() && x + size.width() > room.right() + 1) {
                x = room.x();
                y += lineHeight + gap;
                lineHeight = 0;
            }
            if (apply)
                item->setGeometry(QRect(QPoint(x, y), size));
            x += size.width() + gap;
            lineHeight = std::max(lineHeight, size.height());
        }
        const QMargins m = contentsMargins();
        return y + lineHeight - rect.y() + m.bottom();
    }

    QList<QLayoutItem*> m_Items;
};

} // namespace

// --- TLinkImage ------------------------------------------------------------------

TLinkImage::TLinkImage(QWidget* parent) : QFrame(parent)
{
    setFixedSize(141, 64);
    m_Leds.fill(TModuleBannerBrivo6042G::Silver);
    setAccessibleName(QStringLiteral("Port links"));
    Describe();
}

void TLinkImage::Describe()
{
    QStringList ports;
    for (int i = 0; i < LedCount; ++i) {
        const QColor& led = m_Leds[size_t(i)];
        const char* state = led == TModuleBannerBrivo6042G::BrightGreen ? "link up"
                            : led == TModuleBannerBrivo6042G::Black     ? "no link"
                                                                        : "not known";
        ports << QStringLiteral("%1 %2").arg(i + 1).arg(QLatin1String(state));
    }
    setAccessibleDescription(ports.join(QStringLiteral(", ")));
}

QRect TLinkImage::LedRect(int index)
{
    const int x = (index / 2) * 34 + 5, y = (index % 2) * 32 + 16;
    return QRect(x - 3, y - 10, 28, 16);
}

void TLinkImage::SetLed(int index, const QColor& color)
{
    if (index < 0 || index >= LedCount || m_Leds[size_t(index)] == color)
        return;
    m_Leds[size_t(index)] = color;
    Describe();
    update();
}

void TLinkImage::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(64, 64, 72));
    p.setPen(QColor(32, 32, 32));
    for (int i = 0; i < LedCount; ++i) {
        p.setBrush(m_Leds[size_t(i)]);
        p.drawRect(LedRect(i));
    }
}

// --- TStatusLight ----------------------------------------------------------------

TStatusLight::TStatusLight(QWidget* parent, QString caption, QString good, QString bad)
    : QFrame(parent), m_Color(TModuleBannerBrivo6042G::Silver), m_Caption(std::move(caption)), m_Good(std::move(good)),
      m_Bad(std::move(bad))
{
    setFixedSize(16, 16);
    Describe();
}

void TStatusLight::SetColor(const QColor& color)
{
    if (m_Color == color)
        return;
    m_Color = color;
    Describe();
    update();
}

void TStatusLight::Describe()
{
    const QString state = m_Color == TModuleBannerBrivo6042G::Green ? m_Good
                          : m_Color == TModuleBannerBrivo6042G::Red ? m_Bad
                                                                     : QStringLiteral("not known");
    setAccessibleName(m_Caption + QStringLiteral(": ") + state);
}

void TStatusLight::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::black);
    p.setBrush(m_Color);
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
}

// --- The banner --------------------------------------------------------------------

TModuleBannerBrivo6042G::TModuleBannerBrivo6042G(QWidget* parent) : QFrame(parent)
{
    setAutoFillBackground(true);
    m_Icon = new QLabel(this);
    m_Icon->setPixmap(Resources::Bitmap("RC_BITMAP_32X32_INTERNET"));
    m_Icon->setFixedSize(32, 32);
    m_Icon->setCursor(Qt::PointingHandCursor);
    m_Icon->setToolTip(QStringLiteral("Open web"));
    m_Icon->installEventFilter(this);
    m_IpAddr = new TElidedLabel(QStringLiteral("(Not Available)"),
                                {QStringLiteral("(Not Available)"), QStringLiteral("255.255.255.255")}, this);
    m_MacAddr = new TElidedLabel(QString(), {QStringLiteral("00:00:00:00:00:00"), QStringLiteral("DD:DD:DD:DD:DD:DD")},
                                 this);
    auto* addresses = new QVBoxLayout;
    addresses->addWidget(m_IpAddr);
    addresses->addWidget(m_MacAddr);
    addresses->addStretch(1);

    // The front panel with the port numbers: odd ports above, even below.
    m_LinkImage = new TLinkImage(this);
    auto* panel = new QGridLayout;
    panel->setSpacing(0);
    for (int n = 1; n <= TLinkImage::LedCount; ++n) {
        auto* label = new QLabel(QString::number(n), this);
        label->setObjectName(QString("m_PortLabel%1").arg(n));
        label->setAlignment(Qt::AlignCenter);
        panel->addWidget(label, n % 2 ? 0 : 2, (n - 1) / 2);
    }
    panel->addWidget(m_LinkImage, 1, 0, 1, 4);

    auto* status = new QGroupBox(QStringLiteral("Status"), this);
    auto* statusGrid = new QGridLayout(status);
    int row = 0;
    auto light = [&](TStatusLight*& target, const char* caption, const char* good, const char* bad) {
        target = new TStatusLight(status, QString::fromLatin1(caption), QString::fromLatin1(good), QString::fromLatin1(bad));
        statusGrid->addWidget(target, row, 0);
        statusGrid->addWidget(new QLabel(QString::fromLatin1(caption), status), row, 1);
        ++row;
    };
    light(m_StatusOnline, "Online/Offline", "online", "offline");
    light(m_StatusQuery, "Query Failure", "no", "yes");
    light(m_StatusIp, "IP different", "no", "yes");
    light(m_StatusFault, "Device Fault", "no", "yes");
    statusGrid->addWidget(new QLabel(QStringLiteral("* Red as Error"), status), row, 1);

    auto* syslog = new QGroupBox(QStringLiteral("Syslog"), this);
    auto* syslogGrid = new QGridLayout(syslog);
    m_LogNum = new QLabel(QStringLiteral("0"), syslog);
    m_LogUnread = new QLabel(QStringLiteral("0"), syslog);
    m_LogLDate = new TElidedLabel(QString(), {QLocale().toString(QDate(2026, 12, 28), QLocale::ShortFormat)}, syslog);
    m_LogLTime = new TElidedLabel(QString(), {QStringLiteral("00:00:00")}, syslog);
    const std::pair<const char*, QLabel*> lines[] = {{"&Num:", m_LogNum}, {"&Unread:", m_LogUnread}, {"&Last:", m_LogLDate}};
    for (int i = 0; i < 3; ++i) {
        auto* caption = new QLabel(QString::fromLatin1(lines[i].first), syslog);
        caption->setBuddy(lines[i].second);
        syslogGrid->addWidget(caption, i, 0);
        syslogGrid->addWidget(lines[i].second, i, 1);
    }
    syslogGrid->addWidget(m_LogLTime, 3, 1);
    m_OpenLog = new QPushButton(Resources::Icon("RC_BITMAP_16X16_EDIT"), QString(), syslog);
    m_OpenLog->setEnabled(false);
    syslogGrid->addWidget(m_OpenLog, 0, 2, 4, 1, Qt::AlignTop);

    m_Redundancy = new QGroupBox(QStringLiteral("Redundancy"), this);
    m_Redundancy->setEnabled(false);   // shows the protocol, never changes it
    auto* redundancy = new QVBoxLayout(m_Redundancy);
    m_Ring = new QRadioButton(Resources::String(Resources::StrRingChoice), m_Redundancy);
    m_RSTP = new QRadioButton(QStringLiteral("&RSTP"), m_Redundancy);
    for (QRadioButton* b : {m_Ring, m_RSTP})
        redundancy->addWidget(b);

    // The addresses above the front panel, and the groups beside them;
    // where the banner's room is short (a narrow pane, a large font) the
    // groups that do not fit go on to the next line instead of out of view.
    auto* identity = new QHBoxLayout;
    identity->addWidget(m_Icon, 0, Qt::AlignTop);
    identity->addLayout(addresses, 1);
    auto* device = new QVBoxLayout;
    device->addLayout(identity);
    auto* panelRow = new QHBoxLayout;   // the labels stay over their LEDs
    panelRow->addLayout(panel);
    panelRow->addStretch(1);
    device->addLayout(panelRow);
    device->addStretch(1);
    auto* layout = new TFlowLayout(this);
    layout->addLayout(device);
    layout->addWidget(status);
    layout->addWidget(syslog);
    layout->addWidget(m_Redundancy);

    m_Timer = new QTimer(this);
    m_Timer->setInterval(5000);
    connect(m_Timer, &QTimer::timeout, this, &TModuleBannerBrivo6042G::EventOnTimerTimer);
    connect(m_OpenLog, &QPushButton::clicked, this, &TModuleBannerBrivo6042G::EventOnOpenLogClick);
    // The query light follows the pages' read state at once.
    connect(&ReadStates(), &TReadStates::Changed, this, [this] {
        if (isVisible())
            ShowStatus(CurrentDevice());
    });
    hide();
}

Intp::TDevice* TModuleBannerBrivo6042G::CurrentDevice()
{
    Intp::TDevice* device = nullptr;
    if (!g_ModuleCallback || g_ModuleCallback->GetCurrentDevice(device) <= 0)
        return nullptr;
    return device;
}

bool TModuleBannerBrivo6042G::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_Icon && event->type() == QEvent::MouseButtonRelease) {
        EventOnIconClick();
        return true;
    }
    return QFrame::eventFilter(watched, event);
}

void TModuleBannerBrivo6042G::Notify(Intp::TDevice* device, uint16_t code, uint16_t)
{
    if (code == Intp::TPropertyRedundancy::GetCommand) {
        if (device && g_ModuleCallback && g_ModuleCallback->IsCurrentDevice(device))
            ShowRedundancy(device);
        return;
    }
    if (code != EventPageShown && code != EventDeviceRemoved)
        return;
    show();
    Intp::TDevice* current = CurrentDevice();
    if (current) {
        m_IpAddr->setText(QString::fromStdString(Intp::IpToText(current->GetIp())));
        m_MacAddr->setText(QString::fromStdString(Intp::MacToText(current->GetMac())));
    } else {
        m_IpAddr->setText(QStringLiteral("(Not Available)"));
        m_MacAddr->clear();
    }
    ShowStatus(current);
    ShowSyslog(current);
    ShowRedundancy(current);
    EventOnTimerTimer();
    if (current)
        m_Timer->start();
    else
        m_Timer->stop();
}

bool TModuleBannerBrivo6042G::Leave(bool)
{
    hide();
    m_Timer->stop();
    return true;
}

void TModuleBannerBrivo6042G::EventOnTimerTimer()
{
    Intp::TDevice* device = CurrentDevice();
    ShowStatus(device);
    ShowSyslog(device);
    if (device)
        StartOnDevice(new Intp::TSessionRedundancyGet, device);
    else
        ShowRedundancy(nullptr);
}

void TModuleBannerBrivo6042G::ShowStatus(Intp::TDevice* device)
{
    if (!device) {
        for (TStatusLight* l : {m_StatusOnline, m_StatusQuery, m_StatusIp, m_StatusFault})
            l->SetColor(Silver);
        for (int i = 0; i < TLinkImage::LedCount; ++i)
            m_LinkImage->SetLed(i, Silver);
        return;
    }
    Status::TStatusServer* monitor = g_ModuleCallback ? g_ModuleCallback->GetStatusServer() : nullptr;
    const uint32_t bits = monitor ? monitor->GetStatusFlags(device) : 0;
    m_StatusOnline->SetColor(bits & 1 ? Red : Green);
    // A failed poll, or a page that could not read the switch.
    m_StatusQuery->SetColor((bits & 2) || PageReadState(device) != 0 ? Red : Green);
    m_StatusIp->SetColor(bits & 4 ? Red : Green);
    const Intp::TPropertyIntpPing2& ping = device->GetProperty<Intp::TPropertyIntpPing2>();
    if (!ping.Valid) {
        m_StatusFault->SetColor(Silver);
        for (int i = 0; i < TLinkImage::LedCount; ++i)
            m_LinkImage->SetLed(i, Silver);
        return;
    }
    m_StatusFault->SetColor(ping.PowerAlarm == 0 && ping.PortAlarm == 0 ? Green : Red);
    // The picture has eight LEDs, whatever port count the model reports.
    const uint32_t ports = device->GetPortCount();
    for (int i = 0; i < TLinkImage::LedCount; ++i)
        m_LinkImage->SetLed(i, uint32_t(i) >= ports ? Silver : (ping.LinkMask & (1u << i) ? BrightGreen : Black));
}

void TModuleBannerBrivo6042G::ShowSyslog(Intp::TDevice* device)
{
    uint32_t total = 0, unread = 0;
    QDateTime latest;
    Syslog::TSyslogServer* server = g_ModuleCallback ? g_ModuleCallback->GetSyslogServer() : nullptr;
    if (device && server) {
        Syslog::TSyslogList list;
        server->GetEntries(device->GetIp(), list, false);
        total = uint32_t(list.size());
        for (const Syslog::TSyslogListNode& e : list) {
            unread += e.Read ? 0 : 1;
            if (!latest.isValid() || e.ReceiveTime > latest)
                latest = e.ReceiveTime;
        }
    }
    m_LogNum->setText(QString::number(total));
    m_LogUnread->setText(QString::number(unread));
    if (latest.isValid()) {
        const QDateTime local = latest.toLocalTime();
        m_LogLDate->setText(QLocale::system().toString(local.date(), QLocale::ShortFormat));
        m_LogLTime->setText(local.time().toString(QStringLiteral("hh:mm:ss")));
    } else {
        m_LogLDate->clear();
        m_LogLTime->clear();
    }
    m_OpenLog->setEnabled(total != 0);
}

void TModuleBannerBrivo6042G::ShowRedundancy(Intp::TDevice* device)
{
    if (!device || !device->GetProperty<Intp::TPropertyRedundancy>().Valid) {
        // Neither: the buttons stay one exclusive pair (radio buttons to a
        // screen reader) but may both be cleared.
        for (QRadioButton* b : {m_Ring, m_RSTP}) {
            b->setAutoExclusive(false);
            b->setChecked(false);
            b->setAutoExclusive(true);
        }
        return;
    }
    // Another mode leaves the buttons as they were.
    const uint32_t mode = device->GetProperty<Intp::TPropertyRedundancy>().Mode;
    if (mode == 1 || mode == 2) {
        m_Ring->setChecked(mode == 1);
        m_RSTP->setChecked(mode == 2);
    }
}

void TModuleBannerBrivo6042G::EventOnIconClick()
{
    Intp::TDevice* device = CurrentDevice();
    if (!device)
        return;
    const QString url = QString::asprintf("http://%s", Intp::IpToText(device->GetIp()).c_str());
    OpenUrlOrTell(url);
}

void TModuleBannerBrivo6042G::EventOnOpenLogClick()
{
    Syslog::TSyslogServer* server = g_ModuleCallback ? g_ModuleCallback->GetSyslogServer() : nullptr;
    Intp::TDevice* device = CurrentDevice();
    if (!server || !device)
        return;
    Syslog::TSyslogList list;
    server->GetEntries(device->GetIp(), list, true);
    TSyslogForm::Show(this, list, QString::fromStdString(Intp::IpToText(device->GetIp())));
    ShowSyslog(device);
}
