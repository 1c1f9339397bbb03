// "Port Security": MAC addresses bound to ports, listed by port name.
#pragma once

#include "MacEntryPage.h"

class QComboBox;

class TModuleSecurityPort final : public TMacEntryPage {
    Q_OBJECT
public:
    explicit TModuleSecurityPort(QWidget* parent);

private:
    void FillEntries(Intp::TDevice* device);
    bool IsListed(const Intp::TMacAddr& mac) const;

    QComboBox* m_Port;
};
