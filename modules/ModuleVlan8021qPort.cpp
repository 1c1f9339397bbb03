#include "ModuleVlan8021qPort.h"

#include "IntpPort.h"
#include "IntpVlan.h"
#include "MessageBoxes.h"
#include "ModuleVlan8021q.h"
#include "PageEditors.h"
#include "PageList.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace {

bool IsTaggedSeparator(QChar c) { return c == u',' || c == u' ' || c == u'\t'; }

// White space as a C number reader skips it.
bool IsLeadingSpace(QChar c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

// One piece of a tagged VID text as a number; grows no further once it is
// out of range, so no text wraps around to a valid VLAN.
int64_t ReadPieceNumber(QStringView piece)
{
    constexpr int64_t Saturated = int64_t(1) << 32;
    qsizetype i = 0;
    while (i < piece.size() && IsLeadingSpace(piece[i]))
        ++i;
    bool negative = false;
    if (i < piece.size() && (piece[i] == u'+' || piece[i] == u'-'))
        negative = piece[i++] == u'-';
    int64_t value = 0;
    for (; i < piece.size() && piece[i] >= u'0' && piece[i] <= u'9'; ++i)
        value = std::min(Saturated, value * 10 + (piece[i].unicode() - u'0'));
    return negative ? -value : value;
}

// Whether a text names at least one tagged VID piece.
bool HasTaggedPiece(const QString& text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return !IsTaggedSeparator(c); });
}

Intp::TSession* NewPortSet(const std::vector<uint16_t>& items)
{
    auto* set = new Intp::TSessionVlan8021qPortSet;
    if (set->SetData(items))
        return set;
    delete set;
    return nullptr;
}

} // namespace

bool ParseTaggedVids(const QString& text, std::vector<uint16_t>& vids)
{
    vids.clear();
    const QStringView all(text);
    qsizetype start = 0;
    for (qsizetype i = 0; i <= all.size(); ++i) {
        if (i < all.size() && !IsTaggedSeparator(all[i]))
            continue;
        if (i > start) {
            const int64_t vid = ReadPieceNumber(all.mid(start, i - start));
            if (vid < 1 || vid > int64_t(Intp::VlanIdMax))
                return false;
            vids.push_back(uint16_t(vid));
        }
        start = i + 1;
    }
    return true;
}

TModuleVlan8021qPort::TModuleVlan8021qPort(QWidget* parent) : TModulePage(QStringLiteral("Port Configuration"), parent)
{
    m_List = new TPageList({QStringLiteral("Port No."), QStringLiteral("Link Type"), QStringLiteral("Untagged VID"),
                            QStringLiteral("Tagged VIDs")},
                           this);
    m_List->setObjectName("m_ListView");
    m_List->Model()->SetAlignment(ColUntagged, Qt::AlignRight | Qt::AlignVCenter);
    m_List->SetColumnWidths({90, 80, 90});
    PageLayout()->addWidget(m_List, 1);

    auto* form = new QFormLayout;
    m_LinkType = NewChoice({QStringLiteral("Access"), QStringLiteral("802.1Q"), QStringLiteral("Hybrid")}, this);
    m_LinkType->setObjectName("m_LinkType");
    QLabel* linkLabel = AddFormRow(form, QStringLiteral("&Link Type:"), m_LinkType);
    m_Untagged = new TLimitSpin(1, int(Intp::VlanIdMax), 1, this);
    m_Untagged->setObjectName("m_Untagged");
    auto* untaggedRow = new QHBoxLayout;
    untaggedRow->addWidget(m_Untagged);
    untaggedRow->addWidget(m_Untagged->LimitLabel());
    untaggedRow->addStretch(1);
    m_UntaggedLabel = new QLabel(QStringLiteral("&Untagged VID:"), this);
    m_UntaggedLabel->setBuddy(m_Untagged);
    form->addRow(m_UntaggedLabel, untaggedRow);
    m_Tagged = new QLineEdit(this);
    m_Tagged->setObjectName("m_Tagged");
    m_Tagged->setMaxLength(1023);
    m_TaggedLabel = AddFormRow(form, QStringLiteral("&Tagged VID:"), m_Tagged);
    PageLayout()->addLayout(form);
    auto* hint = new QLabel(QStringLiteral("Note: Use comma or space to separate the multiple tagged VIDs. E.g., 2,3,4 "
                                           "means joining the Tagged VLAN 2,3 and 4."),
                            this);
    hint->setWordWrap(true);
    PageLayout()->addWidget(hint);
    AddApplyButton();

    m_Editors = new TRowEditors(m_List);
    m_Editors->BindChoice(ColLinkType, SlotLinkType, m_LinkType, linkLabel);
    m_Editors->BindSpin(ColUntagged, SlotUntagged, m_Untagged, m_UntaggedLabel);
    m_Editors->AddControl(m_Untagged->LimitLabel());
    m_Editors->AddControl(m_Tagged);
    m_Editors->AddControl(m_TaggedLabel);
    // After the editors' own handlers: the link type rule and the Apply check.
    connect(m_List, &TPageList::RowSelected, this, &TModuleVlan8021qPort::EventOnRowSelected);
    connect(m_List, &TPageList::HeaderClicked, this, &TModuleVlan8021qPort::EventOnLinkTypeHeader);
    connect(m_LinkType, &QComboBox::currentIndexChanged, this, &TModuleVlan8021qPort::ApplyLinkRule);
    connect(m_Tagged, &QLineEdit::textChanged, this, &TModuleVlan8021qPort::EventOnTaggedChange);

    AddDeviceControl(m_List);
    Reads<Intp::TSessionVlan8021qPortGet>();
    UsePortNames([](Intp::TDevice* device) -> Intp::TSession* {
        return Intp::GetPropertyPortConfig(device).Valid ? new Intp::TSessionVlanGet : nullptr;
    });
    ReadsRecord<Intp::TPropertyVlan>();
    AddChainStep(Intp::TPropertyVlan::GetCommand, [](Intp::TDevice* device) -> Intp::TSession* {
        return Intp::GetPropertyVlan(device).Valid ? new Intp::TSessionVlan8021qPortGet : nullptr;
    });
    OnClear([this] {
        m_List->Clear();
        m_Editors->Reset();
        m_Loading = true;
        m_LinkType->setCurrentIndex(Intp::VlanLinkAccess);
        m_Untagged->setValue(1);
        m_Tagged->clear();
        m_Loading = false;
        m_Usable = false;
        m_ReadTagged.clear();
    });
    OnFill([this](Intp::TDevice* device) { FillRows(device); });
    OnReloaded([this](Intp::TDevice*) {
        m_List->setEnabled(m_Usable);
        UpdateApply();
    });
    OnCheck([this] { return BuildRequests(); });
    OnWrite([this](Intp::TDevice* device) -> Intp::TSession* {
        // Every request but the last is started here, at once; the page base
        // starts the last.
        for (size_t i = 0; i + 1 < m_Requests.size(); ++i)
            StartOnDevice(NewPortSet(m_Requests[i]), device);
        return m_Requests.empty() ? nullptr : NewPortSet(m_Requests.back());
    });
}

void TModuleVlan8021qPort::FillRows(Intp::TDevice* device)
{
    const auto& mode = Intp::GetPropertyVlan(device);
    m_Usable = mode.Valid && mode.Mode == Intp::VlanMode8021q;
    const auto& members = Intp::GetPropertyVlan8021qPort(device);
    const auto& names = Intp::GetPropertyPortName(device);
    const auto& config = Intp::GetPropertyPortConfig(device);
    if (!m_Usable || !members.Valid || !names.Valid || !config.Valid)
        return;
    const size_t count = std::min<size_t>(config.Count, config.Rows.size());
    for (size_t i = 0; i < count; ++i) {
        const uint32_t port = config.Rows[i].Port;
        const uint32_t bit = port < 32 ? 1u << port : 0;
        int64_t untagged = 1;
        QString tagged;
        std::vector<uint16_t> vids;
        for (const auto& entry : members.Rows) {
            if (entry.UntaggedMask & bit)
                untagged = entry.VlanId;
            if (entry.TaggedMask & bit) {
                tagged += QString::number(entry.VlanId) + u',';
                vids.push_back(uint16_t(entry.VlanId));
            }
        }
        int64_t linkType = Intp::VlanLinkAccess;
        if (!tagged.isEmpty()) {
            tagged.chop(1);
            linkType = (members.HybridMask & bit) ? Intp::VlanLinkHybrid : Intp::VlanLink8021q;
        }
        const QString name = port < names.Names.size() ? QString::fromStdString(names.Names[port]) : QString();
        const int row = m_Editors->AddRow(name, {linkType, untagged}, port);
        SetTaggedText(row, tagged);
        m_ReadTagged[port] = {tagged, std::move(vids)};
    }
}

void TModuleVlan8021qPort::SetTaggedText(int row, const QString& text) { m_List->Model()->SetText(row, ColTagged, text); }

void TModuleVlan8021qPort::EventOnRowSelected(int row)
{
    if (row < 0)
        return;
    m_Loading = true;
    m_Tagged->setText(m_List->Text(row, ColTagged));
    m_Loading = false;
    ApplyLinkRule();
}

void TModuleVlan8021qPort::ApplyLinkRule()
{
    const int row = m_List->SelectedRow();
    if (row >= 0) {
        const int64_t linkType = m_List->Row(row).Edited[SlotLinkType];
        const bool untagged = linkType != Intp::VlanLink8021q;
        const bool tagged = linkType != Intp::VlanLinkAccess;
        for (QWidget* w : {static_cast<QWidget*>(m_Untagged), static_cast<QWidget*>(m_UntaggedLabel),
                           static_cast<QWidget*>(m_Untagged->LimitLabel())})
            w->setEnabled(untagged);
        m_Tagged->setEnabled(tagged);
        m_TaggedLabel->setEnabled(tagged);
        if (!untagged) {
            m_Editors->SetRowValue(row, SlotUntagged, 1);
            m_Untagged->setValue(1);
        }
        if (!tagged) {
            SetTaggedText(row, QString());
            m_Loading = true;
            m_Tagged->clear();
            m_Loading = false;
        }
    }
    UpdateApply();
}

void TModuleVlan8021qPort::EventOnLinkTypeHeader(int column)
{
    if (column != ColLinkType || m_List->RowCount() == 0)
        return;
    // The editors gave every row the next link type; each row now follows
    // its link type's rule.
    for (int row = 0; row < m_List->RowCount(); ++row) {
        const int64_t linkType = m_List->Row(row).Edited[SlotLinkType];
        if (linkType == Intp::VlanLink8021q)
            m_Editors->SetRowValue(row, SlotUntagged, 1);
        else if (linkType == Intp::VlanLinkAccess)
            SetTaggedText(row, QString());
    }
    EventOnRowSelected(m_List->SelectedRow());
    UpdateApply();
}

void TModuleVlan8021qPort::EventOnTaggedChange(const QString& text)
{
    if (m_Loading)
        return;
    const int row = m_List->SelectedRow();
    if (row >= 0)
        SetTaggedText(row, text);
    UpdateApply();
}

void TModuleVlan8021qPort::UpdateApply()
{
    bool ok = m_Usable;
    for (int row = 0; ok && row < m_List->RowCount(); ++row)
        ok = m_List->Row(row).Edited[SlotLinkType] == Intp::VlanLinkAccess || HasTaggedPiece(m_List->Text(row, ColTagged));
    ApplyButton()->setEnabled(ok);
}

bool TModuleVlan8021qPort::BuildRequests()
{
    m_Requests.assign(1, {});
    std::vector<uint16_t> vids;
    for (int row = 0; row < m_List->RowCount(); ++row) {
        const TPageRow& r = m_List->Row(row);
        const QString tagged = m_List->Text(row, ColTagged);
        vids.clear();
        if (const auto read = m_ReadTagged.find(r.Key); read != m_ReadTagged.end() && read->second.first == tagged) {
            vids = read->second.second;
        } else if (!tagged.isEmpty() && !ParseTaggedVids(tagged, vids)) {
            m_Requests.clear();
            ShowError(QStringLiteral("Wrong tagged VIDs format!"));
            return false;
        }
        const size_t start = m_Requests.back().size();
        Intp::AppendVlan8021qPortEntry(m_Requests.back(), uint8_t(r.Key), uint8_t(r.Edited[SlotLinkType]),
                                       uint16_t(r.Edited[SlotUntagged]), vids);
        // A list that reaches the limit hands this port entry to a new list.
        if (m_Requests.back().size() >= SplitItems && start > 0) {
            std::vector<uint16_t> moved(m_Requests.back().begin() + ptrdiff_t(start), m_Requests.back().end());
            m_Requests.back().resize(start);
            m_Requests.push_back(std::move(moved));
        }
    }
    return true;
}
