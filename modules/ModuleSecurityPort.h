// "Port Security": MAC addresses bound to ports, listed by port name.
#pragma once

#include "MacEntryPage.h"

class QComboBox;

class TModuleSecurityPort final : public TMacEntryPage {
    Q_OBJECT
public:
    explicit TModuleSecurityPort(QWidget* parent);

protected:
    Intp::TSession* NewGetSession(Intp::TDevice* device, bool shown) override;
    void Clear() override;
    void Fill(Intp::TDevice* device) override;
    void OnLeave() override;
    bool IsListed(const Intp::TMacAddr& mac) const override;
    Intp::TSession* NewAddSession(Intp::TDevice* device, const Intp::TMacAddr& mac) override;
    Intp::TSession* NewDelSession(Intp::TDevice* device, const Intp::TMacAddr& mac) override;
    void OnRowSelected(int row) override;

private:
    QComboBox* m_Port;
};
