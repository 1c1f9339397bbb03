// "System Event Log": the switch's event log, 100 lines to a page, and a
// button that clears the log on the switch.
#pragma once

#include "ModulePage.h"

class QComboBox;
class QPlainTextEdit;
class QPushButton;

class TModuleMonitorEvent final : public TModulePage {
    Q_OBJECT
public:
    explicit TModuleMonitorEvent(QWidget* parent);

    QComboBox* Pages() const { return m_Pages; }
    QPlainTextEdit* Log() const { return m_Log; }
    QPushButton* ClearButton() const { return m_Clear; }

    void EventOnPagesChange();
    void EventOnClearClick();

private:
    // The page list "Page.01" ... for the record's lines, the first page
    // shown.
    void FillPages(Intp::TDevice* device);

    QComboBox* m_Pages;
    QPlainTextEdit* m_Log;
    QPushButton* m_Clear;
};
