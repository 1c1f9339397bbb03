// "Port Trunk": the type and the member ports of every trunk group.
#pragma once

#include "EditTable.h"

class QComboBox;
class QListWidget;
class QListWidgetItem;

class TModulePortTrunk final : public TEditTablePage {
    Q_OBJECT
public:
    explicit TModulePortTrunk(QWidget* parent);

    QComboBox* Type() const { return m_Type; }
    QListWidget* Members() const { return m_Member; }

private:
    // The member list: one check box per port, none checked.
    void FillMembers(Intp::TDevice* device);
    void LoadMembers(int64_t mask);
    void EventOnMemberClick(QListWidgetItem* item);

    QComboBox* m_Type;
    QListWidget* m_Member;
    bool m_Loading = false;
};
