// "RSTP Information": the root bridge and each port's RSTP state, read only.
#pragma once

#include "ModulePage.h"

#include <vector>

class QLabel;
class TPageList;

class TModuleRedundancyRstpInfo final : public TModulePage {
    Q_OBJECT
public:
    explicit TModuleRedundancyRstpInfo(QWidget* parent);

private:
    // The root bridge's values and the port rows ("N/A" while RSTP is off).
    void ShowRecord(Intp::TDevice* device);

    QLabel* m_BridgeId;
    QLabel* m_Priority;
    QLabel* m_RootPort;
    QLabel* m_PathCost;
    QLabel* m_MaxAge;
    QLabel* m_Hello;
    QLabel* m_Delay;
    TPageList* m_List;
    std::vector<QWidget*> m_Controls;   // enabled with a valid record
};
