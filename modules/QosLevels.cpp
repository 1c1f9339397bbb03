#include "QosLevels.h"

#include <QComboBox>

const QStringList& QueueLevelTexts()
{
    static const QStringList texts{QStringLiteral("Lowest"), QStringLiteral("Low"), QStringLiteral("Middle"),
                                   QStringLiteral("High")};
    return texts;
}

TQosLevelPage::TQosLevelPage(QString caption, const QString& firstHeader, QWidget* parent)
    : TEditTablePage(std::move(caption), {firstHeader, QStringLiteral("Priority")}, parent)
{
    m_Priority = Table()->AddChoice(1, QStringLiteral("&Priority:"), QueueLevelTexts());
    AddApplyButton();
}

void TQosLevelPage::DeclareRows(std::function<uint32_t(Intp::TDevice*)> count, std::function<QString(uint32_t)> caption,
                                TLevels levels, TRequest request)
{
    OnFill([this, count = std::move(count), caption = std::move(caption), levels = std::move(levels)](Intp::TDevice* device) {
        const uint32_t* values = levels(device);
        for (uint32_t i = 0, n = count(device); i < n; ++i)
            Table()->AddRow(caption(i), {values ? values[i] : 0}, i);
    });
    OnWrite([this, request = std::move(request)](Intp::TDevice*) { return request(Table()->EditedBytes(0)); });
}
