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

    m_Picker = AddPickerStep({QStringLiteral("Model"), QStringLiteral("MAC"), QStringLiteral("IP")});

    auto* settings = new QWidget(this);
    auto* grid = new QGridLayout(settings);
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
    m_Preview = new TPageList({QStringLiteral("Model"), QStringLiteral("MAC"), QStringLiteral("Original IP"),
                               QStringLiteral("New IP")},
                              settings);
    m_Top = new QPushButton(QStringLiteral("Top"), settings);
    m_Up = new QPushButton(QStringLiteral("Up"), settings);
    m_Down = new QPushButton(QStringLiteral("Down"), settings);
    m_Bottom = new QPushButton(QStringLiteral("Bottom"), settings);
    auto* order = new QVBoxLayout;
    for (QPushButton* b : {m_Top, m_Up, m_Down, m_Bottom})
        order->addWidget(b);
    order->addStretch(1);
    grid->addWidget(m_Preview, row, 0, 1, 3);
    grid->addLayout(order, row, 3);
    grid->setRowStretch(row, 1);
    AddStep(QStringLiteral("Configure the IP address range or DHCP IP "), settings);

    connect(m_Dhcp, &QRadioButton::toggled, this, &TWizardGroupIpFrame::EventOnChoiceClick);
    connect(m_Server, &TIpEdit::ValueChanged, this, &TWizardGroupIpFrame::UpdateNext);
    for (TIpEdit* field : {m_Begin, m_End, m_Netmask})
        connect(field, &TIpEdit::ValueChanged, this, &TWizardGroupIpFrame::EventOnRangeChange);
    connect(m_Preview, &TPageList::RowSelected, this, &TWizardGroupIpFrame::UpdateReorderButtons);
    connect(m_Top, &QPushButton::clicked, this, [this] { MovePreviewRow(0); });
    connect(m_Up, &QPushButton::clicked, this, [this] { MovePreviewRow(m_Preview->SelectedRow() - 1); });
    connect(m_Down, &QPushButton::clicked, this, [this] { MovePreviewRow(m_Preview->SelectedRow() + 1); });
    connect(m_Bottom, &QPushButton::clicked, this, [this] { MovePreviewRow(m_Preview->RowCount() - 1); });
    EventOnChoiceClick();
}

void TWizardGroupIpFrame::EnterStep(int step, int from)
{
    if (step == 1 && from == 0)
        OfferDevices(nullptr, [](Intp::TDevice* d) {
            return QStringList{QString::fromStdString(d->GetTypeName()),
                               QString::fromStdString(Intp::MacToText(d->GetMac())), IpText(d->GetIp())};
        });
    if (step == 2) {
        m_Preview->Clear();
        for (const TPageRow& chosen : m_Picker->Chosen()->Model()->Rows()) {
            TPageRow row = chosen;
            row.Texts = {chosen.Texts.value(0), chosen.Texts.value(1), chosen.Texts.value(2), QString()};
            m_Preview->Model()->Append(std::move(row));
        }
        EventOnChoiceClick();
        UpdateReorderButtons();
    }
}

bool TWizardGroupIpFrame::CanGoOn() const
{
    switch (Step()) {
    case 0: return true;
    case 1: return m_Picker->Chosen()->RowCount() > 0;
    default: return m_Preview->RowCount() > 0 && (m_Dhcp->isChecked() ? Intp::IsUsableIp(m_Server->Value()) : RangeValid());
    }
}

bool TWizardGroupIpFrame::RangeValid() const
{
    const uint32_t begin = m_Begin->Value(), end = m_End->Value();
    // 64-bit: the size of any range fits.
    return end > begin && uint64_t(m_Preview->RowCount()) <= uint64_t(end) - begin + 1 && Intp::IsUsableIp(begin) &&
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
    for (int row = 0; row < m_Preview->RowCount(); ++row)
        m_Preview->Model()->SetText(row, ColNew, dhcp ? QStringLiteral("DHCP")
                                                      : IpText(valid ? m_Begin->Value() + uint32_t(row) : 0));
}

void TWizardGroupIpFrame::UpdateReorderButtons()
{
    const int row = m_Preview->SelectedRow();
    const bool idle = !Busy();
    m_Top->setEnabled(idle && row > 0);
    m_Up->setEnabled(idle && row > 0);
    m_Down->setEnabled(idle && row >= 0 && row < m_Preview->RowCount() - 1);
    m_Bottom->setEnabled(idle && row >= 0 && row < m_Preview->RowCount() - 1);
}

void TWizardGroupIpFrame::MovePreviewRow(int to)
{
    const int from = m_Preview->SelectedRow();
    const int count = m_Preview->RowCount();
    if (from < 0 || to < 0 || to >= count || to == from)
        return;
    std::vector<uint32_t> order;
    for (int i = 0; i < count; ++i)
        if (i != from)
            order.push_back(uint32_t(i));
    order.insert(order.begin() + to, uint32_t(from));
    m_Preview->Model()->Reorder(order);
    m_Preview->SelectRow(to);
    ShowNewAddresses();
    UpdateReorderButtons();
}

void TWizardGroupIpFrame::EnableSettings(bool on)
{
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
}

void TWizardGroupIpFrame::Finish()
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

    BeginRun();
    m_Pending.assign(size_t(m_Preview->RowCount()), Pending);
    int started = 0;
    for (int row = m_Preview->RowCount() - 1; row >= 0; --row) {
        Intp::TDevice* device = Intp::GetDevice(MacFromKey(m_Preview->Row(row).Key), true);
        if (!dhcp)
            value.Ip = begin + uint32_t(row);
        auto* session = new Intp::TSessionBasicsIPConfSet;
        session->SetValue(value);
        if (device && Intp::StartSession(session, device, RowObserver(row))) {
            m_Preview->Model()->SetIcon(row, QIcon());
            ++started;
        } else {
            delete session;
            m_Pending[size_t(row)] = ImageFailed;
            m_Preview->Model()->SetIcon(row, Resources::Icon("RC_BITMAP_16X16_CANCEL"));
        }
    }
    if (started > 0)
        SetBusy();
}

void TWizardGroupIpFrame::OnRowEvent(int row, Intp::TDevice* device, int command, uint16_t status, void*)
{
    // The Get that follows each Set is not a result.
    if (command != 0x0107 || row < 0 || row >= m_Preview->RowCount() || size_t(row) >= m_Pending.size())
        return;
    m_Pending[size_t(row)] = status == 0 ? ImageDone : ImageFailed;
    m_Preview->Model()->SetIcon(row, Resources::Icon(status == 0 ? "RC_BITMAP_16X16_ACCEPT" : "RC_BITMAP_16X16_CANCEL"));
    if (status == 0 && device) {
        m_Preview->Model()->SetText(row, ColOriginal, IpText(device->GetIp()));
        const int64_t key = m_Preview->Row(row).Key;
        for (int c = 0; c < m_Picker->Chosen()->RowCount(); ++c)
            if (m_Picker->Chosen()->Row(c).Key == key)
                m_Picker->Chosen()->Model()->SetText(c, 2, IpText(device->GetIp()));
    }
    if (std::find(m_Pending.begin(), m_Pending.end(), Pending) == m_Pending.end())
        EndRun();
}
