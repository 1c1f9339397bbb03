// "IGMP Snooping": snooping on or off and the query mode.
#pragma once

#include "ModulePage.h"
#include "PageEditors.h"

class QComboBox;

class TModuleIgmp final : public TModulePage {
    Q_OBJECT
public:
    explicit TModuleIgmp(QWidget* parent);

    QComboBox* Snooping() const { return m_Snooping; }
    QComboBox* QueryMode() const { return m_QueryMode; }

private:
    TChoice* m_Snooping;
    QComboBox* m_QueryMode;
};
