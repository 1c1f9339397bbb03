#include "QosLevels.h"

#include <QComboBox>

const QStringList& QueueLevelTexts()
{
    static const QStringList texts{QStringLiteral("Lowest"), QStringLiteral("Low"), QStringLiteral("Middle"),
                                   QStringLiteral("High")};
    return texts;
}

TQosLevelPage::TQosLevelPage(QString caption, const QString& firstHeader, uint16_t getCode, QWidget* parent)
    : TEditTablePage(std::move(caption), {firstHeader, QStringLiteral("Priority")}, parent)
{
    m_Priority = Table()->AddChoice(1, QStringLiteral("&Priority:"), QueueLevelTexts());
    AddApplyButton();
    SetReloadCodes({getCode});
}

void TQosLevelPage::SetRows(std::function<uint32_t(Intp::TDevice*)> count, std::function<QString(uint32_t)> caption,
                            TLevels levels, TRequest request)
{
    m_Count = std::move(count);
    m_Caption = std::move(caption);
    m_Levels = std::move(levels);
    m_Request = std::move(request);
}

void TQosLevelPage::Fill(Intp::TDevice* device)
{
    const uint32_t* levels = m_Levels(device);
    for (uint32_t i = 0, n = m_Count(device); i < n; ++i)
        Table()->AddRow(m_Caption(i), {levels ? levels[i] : 0}, i);
}

Intp::TSession* TQosLevelPage::NewSetSession(Intp::TDevice*)
{
    const std::vector<uint8_t> levels = Table()->EditedBytes(0);
    return m_Request(levels);
}
