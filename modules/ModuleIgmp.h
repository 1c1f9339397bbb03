// "IGMP Snooping": snooping on or off and the query mode.
#pragma once

#include "EditTable.h"

class QComboBox;

class TModuleIgmp final : public TReadPage {
    Q_OBJECT
public:
    explicit TModuleIgmp(QWidget* parent);

    QComboBox* Snooping() const { return m_Snooping; }
    QComboBox* QueryMode() const { return m_QueryMode; }

protected:
    void Fill(Intp::TDevice* device) override;
    void AfterReload(Intp::TDevice* device) override;
    Intp::TSession* NewSetSession(Intp::TDevice* device) override;

private:
    QComboBox* m_Snooping;
    QComboBox* m_QueryMode;
};
