// What the QoS pages share: the queue-level choices and the page of one
// list whose rows each take a queue level.
#pragma once

#include "EditTable.h"

#include <QStringList>

#include <cstdint>
#include <functional>
#include <span>

class QComboBox;

// "Lowest", "Low", "Middle", "High": queue levels 0-3.
const QStringList& QueueLevelTexts();

// A list of rows ("first column", "Priority") with the queue-level pick list
// "&Priority:" below it and Apply. The page declares its read and, with
// DeclareRows, how many rows a device has, their captions, where the record
// keeps their levels and how the levels are sent.
class TQosLevelPage : public TEditTablePage {
    Q_OBJECT
public:
    QComboBox* Priority() const { return m_Priority; }

protected:
    // The record's levels, one per row; null when the record is not valid.
    using TLevels = std::function<const uint32_t*(Intp::TDevice* device)>;
    // The Set carrying the edited levels (one byte per row, in list order).
    using TRequest = std::function<Intp::TSession*(std::span<const uint8_t> levels)>;

    TQosLevelPage(QString caption, const QString& firstHeader, QWidget* parent);
    // Fills `count` rows captioned by `caption`, each with its record level
    // or "Lowest"; Apply sends `request` with the edited levels.
    void DeclareRows(std::function<uint32_t(Intp::TDevice*)> count, std::function<QString(uint32_t)> caption,
                     TLevels levels, TRequest request);

private:
    QComboBox* m_Priority;
};
