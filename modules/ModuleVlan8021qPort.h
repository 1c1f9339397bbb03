// "Port Configuration" of 802.1Q VLAN: each port's link type, untagged VLAN
// and tagged VLANs, read from the membership table and written back as
// membership lists.
#pragma once

#include "ModulePage.h"

#include <QString>

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class TLimitSpin;
class TPageList;
class TRowEditors;

// Reads a tagged VID text: pieces cut at commas, spaces and tabs (empty ones
// skipped), each read as a decimal number (leading white space, a sign,
// then digits up to the first other character; no digits reads as 0). Every
// number must be 1 to 4094; a number too large for any integer is out of
// range. False on the first piece out of range.
bool ParseTaggedVids(const QString& text, std::vector<uint16_t>& vids);

class TModuleVlan8021qPort final : public TModulePage {
    Q_OBJECT
public:
    // A membership request holding more than one port entry stays below
    // this many items.
    static constexpr size_t SplitItems = 700;

    explicit TModuleVlan8021qPort(QWidget* parent);

    TPageList* List() const { return m_List; }
    QComboBox* LinkType() const { return m_LinkType; }
    TLimitSpin* Untagged() const { return m_Untagged; }
    QLineEdit* Tagged() const { return m_Tagged; }

private:
    enum { ColPort, ColLinkType, ColUntagged, ColTagged };
    enum { SlotLinkType, SlotUntagged };

    // One row per configured port, from the membership table.
    void FillRows(Intp::TDevice* device);
    // Builds the membership requests from the rows (m_Requests); false, with
    // its message, on a tagged VID text out of range.
    bool BuildRequests();

    // The link type rule for the selected row: enables the editors its link
    // type uses and resets what it does not use.
    void ApplyLinkRule();
    // A header click changed every row's link type.
    void EventOnLinkTypeHeader(int column);
    void EventOnRowSelected(int row);
    void EventOnTaggedChange(const QString& text);
    // Apply is enabled only while no 802.1Q or Hybrid row lacks tagged VLANs.
    void UpdateApply();
    void SetTaggedText(int row, const QString& text);

    TPageList* m_List;
    TRowEditors* m_Editors;
    QComboBox* m_LinkType;
    TLimitSpin* m_Untagged;
    QLabel* m_UntaggedLabel;
    QLineEdit* m_Tagged;
    QLabel* m_TaggedLabel;
    bool m_Usable = false;
    bool m_Loading = false;
    // Per port (the row key): the tagged text as loaded and the VLAN IDs it
    // was made of. An unchanged text goes back as these IDs, also ones the
    // field would refuse, so that an unedited row is written as it was read.
    std::map<int64_t, std::pair<QString, std::vector<uint16_t>>> m_ReadTagged;
    // The membership requests built by the last Apply.
    std::vector<std::vector<uint16_t>> m_Requests;
};
