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

protected:
    void Clear() override;
    void Fill(Intp::TDevice* device) override;
    Intp::TSession* NewSetSession(Intp::TDevice* device) override;

private:
    void LoadMembers(int64_t mask);
    void EventOnMemberClick(QListWidgetItem* item);

    QComboBox* m_Type;
    QListWidget* m_Member;
    bool m_Loading = false;
};
