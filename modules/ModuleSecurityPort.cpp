#include "ModuleSecurityPort.h"

#include "IntpPort.h"
#include "IntpSecurity.h"
#include "PageFields.h"
#include "PageList.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>

TModuleSecurityPort::TModuleSecurityPort(QWidget* parent)
    : TMacEntryPage(QStringLiteral("Port Security"), parent, {QStringLiteral("Port No."), QStringLiteral("MAC Address")},
                    1, true)
{
    List()->Model()->SetAlignment(1, Qt::AlignCenter);
    List()->SetSortRule(TPageList::SortPerColumn);
    m_Port = new QComboBox(this);
    m_Port->setObjectName("m_Port");
    AddDeviceControl(AddFormRow(Form(), QStringLiteral("&Port No.:"), m_Port));
    AddDeviceControl(m_Port);
    // Port names, then the port configuration, then the entries.
    UsePortNames([](Intp::TDevice* device) -> Intp::TSession* {
        return Intp::GetPropertyPortConfig(device).Valid ? new Intp::TSessionSecurityPortGet : nullptr;
    });
    Reads<Intp::TSessionSecurityPortGet>();
    OnClear([this] {
        m_Port->clear();
        EmptyEntries();
    });
    OnFill([this](Intp::TDevice* device) { FillEntries(device); });
    OnLeaving([this] {
        EmptyList();
        m_Port->clear();
    });
    ListsBy([this](const Intp::TMacAddr& mac) { return IsListed(mac); });
    SendsWith(
        [this](const Intp::TMacAddr& mac) -> Intp::TSession* {
            if (m_Port->currentIndex() < 0)
                return nullptr;
            return NewRequest<Intp::TSessionSecurityPortAdd>(
                Intp::TPropertySecurityPortEntry{m_Port->currentData().toUInt(), mac});
        },
        NewRequest<Intp::TSessionSecurityPortDel, Intp::TMacAddr>);
    // Rows and drop-down items are matched by the port number each carries,
    // whatever order the switch gave its port configuration rows in.
    OnRowPicked([this](int row) { m_Port->setCurrentIndex(m_Port->findData(uint32_t(List()->Row(row).Key))); });
    // The address rule looks at the chosen port too.
    connect(m_Port, &QComboBox::currentIndexChanged, this, &TModuleSecurityPort::AddressRule);
}

void TModuleSecurityPort::FillEntries(Intp::TDevice* device)
{
    const auto& entries = Intp::GetPropertySecurityPort(device);
    const auto& names = Intp::GetPropertyPortName(device);
    const auto& config = Intp::GetPropertyPortConfig(device);
    if (!entries.Valid || !names.Valid || !config.Valid)
        return;
    auto name = [&](uint32_t port) {
        return port < names.Names.size() ? QString::fromStdString(names.Names[port])
                                         : LogicalPortCaption(port, device->GetPortCount());
    };
    for (uint32_t i = 0; i < config.Count && i < config.Rows.size(); ++i)
        m_Port->addItem(name(config.Rows[i].Port), config.Rows[i].Port);
    m_Port->setCurrentIndex(m_Port->count() ? 0 : -1);
    std::vector<TPageRow> rows(entries.Rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        rows[i].Texts = QStringList{name(entries.Rows[i].Port), MacText(entries.Rows[i].Address)};
        rows[i].Key = entries.Rows[i].Port;
    }
    List()->Model()->Append(std::move(rows));
    List()->Sort();
}

bool TModuleSecurityPort::IsListed(const Intp::TMacAddr& mac) const
{
    if (m_Port->currentIndex() < 0)
        return false;
    const int64_t port = m_Port->currentData().toUInt();
    const QString text = MacText(mac);
    for (const TPageRow& row : List()->Model()->Rows())
        if (row.Key == port && row.Texts.value(1) == text)
            return true;
    return false;
}
