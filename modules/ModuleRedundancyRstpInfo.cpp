#include "ModuleRedundancyRstpInfo.h"

#include "IntpRedundancy.h"
#include "PageFields.h"
#include "PageList.h"

#include <QFormLayout>
#include <QLabel>

namespace {

// The text of a code from its table; a code beyond it shows as a number.
QString CodeText(const QStringList& texts, uint32_t code)
{
    return code < uint32_t(texts.size()) ? texts[int(code)] : QString::number(code);
}

const QStringList P2pTexts{QStringLiteral("False"), QStringLiteral("True"), QStringLiteral("Auto")};
const QStringList StateTexts{QStringLiteral("Disabled"), QStringLiteral("Discarding"), QStringLiteral("Learning"),
                             QStringLiteral("Forwarding"), QStringLiteral("Non Stp")};
const QStringList RoleTexts{QStringLiteral("Disabled"), QStringLiteral("Root"), QStringLiteral("Designated"),
                            QStringLiteral("Alternated"), QStringLiteral("Backup"), QStringLiteral("Non Stp"),
                            QStringLiteral("Unknown")};

QString TrueFalse(bool on) { return on ? QStringLiteral("True") : QStringLiteral("False"); }

} // namespace

TModuleRedundancyRstpInfo::TModuleRedundancyRstpInfo(QWidget* parent)
    : TModulePage(QStringLiteral("RSTP Information"), parent)
{
    QLabel* rootHeading = NewHeading(QStringLiteral("Root Bridge Information"), this);
    PageLayout()->addWidget(rootHeading);
    m_Controls.push_back(rootHeading);
    auto* form = new QFormLayout;
    PageLayout()->addLayout(form);
    auto value = [&](const QString& caption, const char* name) {
        auto* label = new QLabel(this);
        label->setObjectName(name);
        m_Controls.push_back(AddFormRow(form, caption, label));
        m_Controls.push_back(label);
        return label;
    };
    m_BridgeId = value(QStringLiteral("Bridge ID:"), "m_BridgeId");
    m_Priority = value(QStringLiteral("Root Priority:"), "m_Priority");
    m_RootPort = value(QStringLiteral("Root Port:"), "m_RootPort");
    m_PathCost = value(QStringLiteral("Root Path Cost:"), "m_PathCost");
    m_MaxAge = value(QStringLiteral("Max Age Time:"), "m_MaxAge");
    m_Hello = value(QStringLiteral("Hello Time:"), "m_Hello");
    m_Delay = value(QStringLiteral("Forward Delay Time:"), "m_Delay");

    QLabel* portHeading = NewHeading(QStringLiteral("Port Information"), this);
    PageLayout()->addWidget(portHeading);
    m_List = new TPageList({QStringLiteral("Port"), QStringLiteral("Path Cost"), QStringLiteral("Port Priority"),
                            QStringLiteral("OperP2P"), QStringLiteral("OperEdge"), QStringLiteral("STP Neighbor"),
                            QStringLiteral("State"), QStringLiteral("Role")},
                           this);
    m_List->setObjectName("m_List");
    m_List->Model()->SetAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    m_List->Model()->SetAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    m_List->SetSortRule(TPageList::SortPerColumn);
    // Path cost and port priority compare as numbers (kept in Loaded).
    m_List->SetCompare([](const TPageRow& a, const TPageRow& b, int column) {
        if (column == 1 || column == 2)
            return CompareNumbers(a.Loaded[size_t(column - 1)], b.Loaded[size_t(column - 1)]);
        return CompareText(a.Texts.value(column), b.Texts.value(column));
    });
    PageLayout()->addWidget(m_List, 1);
    m_Controls.push_back(portHeading);
    m_Controls.push_back(m_List);
    Reads<Intp::TSessionRedundancyRstpInfoGet>();
    OnClear([this] { m_List->Clear(); });
    OnFill([this](Intp::TDevice* device) { ShowRecord(device); });
    OnReloaded([this](Intp::TDevice* device) {
        const bool on = device && Intp::GetPropertyRedundancyRstpInfo(device).Valid;
        for (QWidget* w : m_Controls)
            w->setEnabled(on);
    });
}

void TModuleRedundancyRstpInfo::ShowRecord(Intp::TDevice* device)
{
    const auto& record = Intp::GetPropertyRedundancyRstpInfo(device);
    if (!record.Valid)
        return;   // the value labels keep their texts
    if (!record.Enabled) {
        for (QLabel* label : {m_BridgeId, m_Priority, m_RootPort, m_PathCost, m_MaxAge, m_Hello, m_Delay})
            label->setText(QStringLiteral("N/A"));
        return;
    }
    QString id;
    for (uint8_t b : record.BridgeId)
        id += QString::asprintf("%02X", b);
    m_BridgeId->setText(id);
    m_Priority->setText(QString::number(record.RootPriority));
    m_RootPort->setText(record.RootPort == Intp::RstpRootPortSelf ? QStringLiteral("Root")
                                                                  : QString::asprintf("Port.%02u", record.RootPort));
    m_PathCost->setText(QString::number(record.RootPathCost));
    m_MaxAge->setText(QString::number(record.MaxAge));
    m_Hello->setText(QString::number(record.HelloTime));
    m_Delay->setText(QString::number(record.ForwardDelay));
    std::vector<TPageRow> rows;
    for (size_t p = 0; p < record.Ports.size(); ++p) {
        const auto& port = record.Ports[p];
        TPageRow row;
        row.Key = int64_t(p);
        row.Texts = {PortCaption(uint32_t(p)), QString::number(port.PathCost), QString::number(port.Priority),
                     CodeText(P2pTexts, port.OperP2p), TrueFalse(port.OperEdge), TrueFalse(port.StpNeighbor),
                     CodeText(StateTexts, port.State), CodeText(RoleTexts, port.Role)};
        row.Loaded = {port.PathCost, port.Priority};
        rows.push_back(std::move(row));
    }
    m_List->Model()->Append(std::move(rows));
    m_List->Sort();
}
