#include "WizardGroupIpFrame.h"

#include "IntpIpConf.h"
#include "MessageBoxes.h"
#include "ModuleCallback.h"
#include "PageEditors.h"
#include "Resources.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

enum TPreviewColumn { ColModel, ColMac, ColOriginal, ColNew };
constexpr int Pending = -1;

QString IpText(uint32_t ip) { return QString::fromStdString(Intp::IpToText(ip)); }

} // namespace

TWizardGroupIpFrame::TWizardGroupIpFrame(QWidget* parent)
    : TWizardSteps(QStringLiteral("Group IP Setting"), QStringLiteral("Group IP Setting Wizard"), QStringLiteral("&Apply"), parent)
{
    AddStep(QString(), NewDescription({"Group IP Setting Wizard helps you walk throught whole IP address configure ",
                                       "process of a group of devices. A few steps would be taken during this process:",
                                       "", "STEP 1. Select one or more devices to be configured.", "",
                                       "STEP 2. Configure the IP address range or DHCP IP address", "",
                                       "STEP 3. Apply settings"},
                                      this));

    AddPickerStep({QStringLiteral("Model"), QStringLiteral("MAC"), QStringLiteral("IP")}, nullptr, [](Intp::TDevice* d) {
        return QStringList{QString::fromStdString(d->GetTypeName()), QString::fromStdString(Intp::MacToText(d->GetMac())),
                           IpText(d->GetIp())};
    });

    QWidget* settings = NewSettings();
    auto* grid = static_cast<QGridLayout*>(settings->layout());
    m_Dhcp = new QRadioButton(QStringLiteral("&DHCP"), settings);
    m_Dhcp->setChecked(true);
    m_Server = new TIpEdit(settings);
    m_ServerLabel = new QLabel(QStringLiteral("&Server IP:"), settings);
    m_ServerLabel->setBuddy(m_Server);
    m_Range = new QRadioButton(QStringLiteral("IP &Range:"), settings);
    grid->addWidget(m_Dhcp, 0, 0);
    grid->addWidget(m_ServerLabel, 0, 1);
    grid->addWidget(m_Server, 0, 2);
    grid->addWidget(m_Range, 1, 0);
    m_Begin = new TIpEdit(settings);
    m_End = new TIpEdit(settings);
    m_Netmask = new TIpEdit(settings);
    m_Gateway = new TIpEdit(settings);
    int row = 1;
    for (auto [caption, field] : {std::pair{"IP &Begin:", m_Begin}, {"IP &End:", m_End}, {"Net&mask:", m_Netmask},
                                  {"&Gateway:", m_Gateway}}) {
        auto* label = new QLabel(QString::fromLatin1(caption), settings);
        label->setBuddy(field);
        grid->addWidget(label, row, 1);
        grid->addWidget(field, row, 2);
        m_RangeFields.push_back(label);
        m_RangeFields.push_back(field);
        if (field == m_Gateway)
            m_GatewayLabel = label;
        ++row;
    }
    AddSettingsStep(QStringLiteral("Configure the IP address range or DHCP IP "), settings,
                    {QStringLiteral("Model"), QStringLiteral("MAC"), QStringLiteral("Original IP"), QStringLiteral("New IP")});
    m_Top = new QPushButton(QStringLiteral("Top"), settings);
    m_Up = new QPushButton(QStringLiteral("Up"), settings);
    m_Down = new QPushButton(QStringLiteral("Down"), settings);
    m_Bottom = new QPushButton(QStringLiteral("Bottom"), settings);
    auto* order = new QVBoxLayout;
    for (QPushButton* b : {m_Top, m_Up, m_Down, m_Bottom})
        order->addWidget(b);
    order->addStretch(1);
    grid->addLayout(order, row, 3);

    connect(m_Dhcp, &QRadioButton::toggled, this, &TWizardGroupIpFrame::EventOnChoiceClick);
    connect(m_Server, &TIpEdit::ValueChanged, this, &TWizardGroupIpFrame::UpdateNext);
    for (TIpEdit* field : {m_Begin, m_End, m_Netmask})
        connect(field, &TIpEdit::ValueChanged, this, &TWizardGroupIpFrame::EventOnRangeChange);
    // The buttons follow the selection however it is made.
    connect(Preview(), &TPageList::RowSelected, this, &TWizardGroupIpFrame::UpdateReorderButtons);
    connect(m_Top, &QPushButton::clicked, this, [this] { MovePreviewRow(0); });
    connect(m_Up, &QPushButton::clicked, this, [this] { MovePreviewRow(Preview()->SelectedRow() - 1); });
    connect(m_Down, &QPushButton::clicked, this, [this] { MovePreviewRow(Preview()->SelectedRow() + 1); });
    connect(m_Bottom, &QPushButton::clicked, this, [this] { MovePreviewRow(Preview()->RowCount() - 1); });
    EventOnChoiceClick();

    OnSettingsEntered([this] {
        EventOnChoiceClick();
        UpdateReorderButtons();
    });
    OnSettingsReady([this] { return m_Dhcp->isChecked() ? Intp::IsUsableIp(m_Server->Value()) : RangeValid(); });
    OnEnableSettings([this](bool on) {
        m_Dhcp->setEnabled(on);
        m_Range->setEnabled(on);
        if (on) {
            EventOnChoiceClick();
        } else {
            m_ServerLabel->setEnabled(false);
            m_Server->setEnabled(false);
            for (QWidget* w : m_RangeFields)
                w->setEnabled(false);
        }
        UpdateReorderButtons();
    });
    OnFinish([this] { ApplyAddresses(); });
    OnRowReport([this](int row, Intp::TDevice* device, int command, uint16_t status, void*) {
        ShowSetResult(row, device, command, status);
    });
}

bool TWizardGroupIpFrame::RangeValid() const
{
    const uint32_t begin = m_Begin->Value(), end = m_End->Value();
    // 64-bit: the size of any range fits.
    return end > begin && uint64_t(Preview()->RowCount()) <= uint64_t(end) - begin + 1 && Intp::IsUsableIp(begin) &&
           Intp::IsUsableIp(end) && Intp::IsValidNetmask(m_Netmask->Value());
}

void TWizardGroupIpFrame::EventOnChoiceClick()
{
    const bool dhcp = m_Dhcp->isChecked();
    m_ServerLabel->setEnabled(dhcp);
    m_Server->setEnabled(dhcp);
    for (QWidget* w : m_RangeFields)
        w->setEnabled(!dhcp);
    if (!dhcp)
        EventOnRangeChange();
    ShowNewAddresses();
    UpdateNext();
}

void TWizardGroupIpFrame::EventOnRangeChange()
{
    if (m_Dhcp->isChecked())
        return;
    const bool valid = RangeValid();
    const uint32_t mask = m_Netmask->Value();
    const bool gateway = valid && (m_Begin->Value() & mask) == (m_End->Value() & mask);
    m_Gateway->setEnabled(gateway);
    m_GatewayLabel->setEnabled(gateway);
    if (!gateway)
        m_Gateway->SetValue(0);
    ShowNewAddresses();
    UpdateNext();
}

void TWizardGroupIpFrame::ShowNewAddresses()
{
    const bool dhcp = m_Dhcp->isChecked();
    const bool valid = !dhcp && RangeValid();
    for (int row = 0; row < Preview()->RowCount(); ++row)
        Preview()->Model()->SetText(row, ColNew, dhcp ? QStringLiteral("DHCP")
                                                      : IpText(valid ? m_Begin->Value() + uint32_t(row) : 0));
}

void TWizardGroupIpFrame::UpdateReorderButtons()
{
    const int row = Preview()->SelectedRow();
    const bool idle = !Busy();
    m_Top->setEnabled(idle && row > 0);
    m_Up->setEnabled(idle && row > 0);
    m_Down->setEnabled(idle && row >= 0 && row < Preview()->RowCount() - 1);
    m_Bottom->setEnabled(idle && row >= 0 && row < Preview()->RowCount() - 1);
}

void TWizardGroupIpFrame::MovePreviewRow(int to)
{
    const int from = Preview()->SelectedRow();
    const int count = Preview()->RowCount();
    if (from < 0 || to < 0 || to >= count || to == from)
        return;
    std::vector<uint32_t> order;
    for (int i = 0; i < count; ++i)
        if (i != from)
            order.push_back(uint32_t(i));
    order.insert(order.begin() + to, uint32_t(from));
    Preview()->Model()->Reorder(order);
    Preview()->SelectRow(to);
    ShowNewAddresses();
    UpdateReorderButtons();
}

void TWizardGroupIpFrame::ApplyAddresses()
{
    QString user, password;
    if (!g_ModuleCallback || !g_ModuleCallback->AskLogin(user, password) || user.isEmpty())
        return;
    Intp::TBasicsIPConfValue value;
    const QByteArray u = user.toUtf8(), p = password.toUtf8();
    Intp::LoginDigest(std::string_view(u.constData(), size_t(u.size())), std::string_view(p.constData(), size_t(p.size())),
                      value.Digest);
    const bool dhcp = m_Dhcp->isChecked();
    value.Dhcp = dhcp ? 1 : 0;
    value.Ip = dhcp ? m_Server->Value() : 0;
    value.Netmask = m_Netmask->Value();
    value.Gateway = Intp::IsUsableIp(m_Gateway->Value()) ? m_Gateway->Value() : 0;
    const uint32_t begin = m_Begin->Value();

    m_Pending.assign(size_t(Preview()->RowCount()), Pending);
    RunRows(
        [&](int row) {
            if (!dhcp)
                value.Ip = begin + uint32_t(row);
            auto* session = new Intp::TSessionBasicsIPConfSet;
            session->SetValue(value);
            return session;
        },
        [this](int row, bool started) {
            if (started) {
                Preview()->Model()->SetIcon(row, QIcon());
            } else {
                m_Pending[size_t(row)] = ImageFailed;
                Preview()->Model()->SetIcon(row, Resources::Icon("RC_BITMAP_16X16_CANCEL"), QStringLiteral("failed"));
            }
        });
}

void TWizardGroupIpFrame::ShowSetResult(int row, Intp::TDevice* device, int command, uint16_t status)
{
    // The Get that follows each Set is not a result.
    if (command != 0x0107 || row < 0 || row >= Preview()->RowCount() || size_t(row) >= m_Pending.size())
        return;
    m_Pending[size_t(row)] = status == 0 ? ImageDone : ImageFailed;
    Preview()->Model()->SetIcon(row, Resources::Icon(status == 0 ? "RC_BITMAP_16X16_ACCEPT" : "RC_BITMAP_16X16_CANCEL"),
                                status == 0 ? QStringLiteral("done") : QStringLiteral("failed"));
    if (status == 0 && device) {
        Preview()->Model()->SetText(row, ColOriginal, IpText(device->GetIp()));
        const int64_t key = Preview()->Row(row).Key;
        for (int c = 0; c < Picker()->Chosen()->RowCount(); ++c)
            if (Picker()->Chosen()->Row(c).Key == key)
                Picker()->Chosen()->Model()->SetText(c, 2, IpText(device->GetIp()));
    }
    if (std::find(m_Pending.begin(), m_Pending.end(), Pending) == m_Pending.end())
        EndRun();
}
