// "Port Mirroring": the destination ports of transmitted and received
// traffic and, per port, whether its traffic is mirrored.
#pragma once

#include "EditTable.h"
#include "PageEditors.h"

class QCheckBox;
class QComboBox;
class QPushButton;

class TModuleMonitorMirror final : public TEditTablePage {
    Q_OBJECT
public:
    explicit TModuleMonitorMirror(QWidget* parent);

    QComboBox* DestTx() const { return m_DestTx; }
    QComboBox* DestRx() const { return m_DestRx; }
    QCheckBox* SrcTx() const { return m_SrcTx; }
    QCheckBox* SrcRx() const { return m_SrcRx; }
    QPushButton* ClearButton() const { return m_Clear; }

    void EventOnClearClick();
    void EventOnListViewColumnClick(int column);

private:
    QCheckBox* NewMark(int column, const QString& label);
    // Every row's mark of `slot` set to `mark`; the check boxes follow.
    void SetAllMarks(int slot, bool mark);

    TChoice* m_DestTx;
    TChoice* m_DestRx;
    QCheckBox* m_SrcTx;
    QCheckBox* m_SrcRx;
    QPushButton* m_Clear;
    // The bits of the read masks beyond the model's ports (no row shows
    // them): sent back as read.
    uint32_t m_HiddenTx = 0;
    uint32_t m_HiddenRx = 0;
};
