// The syslog message viewer: a modal dialog over its own copy of one
// switch's events, with the chosen event in detail, stepping, copying and
// sorting by any column.
#pragma once

#include "SyslogFrame.h"

#include <QDialog>

#include <functional>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabBar;
class TPageList;
struct TPageRow;

class TSyslogForm final : public QDialog {
    Q_OBJECT
public:
    enum TColumn { ColEventId, ColFacility, ColSeverity, ColHost, ColDate, ColTime, ColMessage };

    TSyslogForm(QWidget* owner, const Syslog::TSyslogList& list);

    // Selects the row of that event id (the last such row); nothing when no
    // row has it.
    void SelectEvent(uint32_t eventId);

    void EventOnPrevClick();
    void EventOnNextClick();
    void EventOnCopyClick();
    void EventOnCloseClick();

    TPageList* LogList() const { return m_LogList; }
    QLineEdit* EventIdField() const { return m_EventId; }
    QLineEdit* DateField() const { return m_Date; }
    QLineEdit* TimeField() const { return m_Time; }
    QLineEdit* HostField() const { return m_Host; }
    QLineEdit* FacilityField() const { return m_Facility; }
    QLineEdit* SeverityField() const { return m_Severity; }
    QPlainTextEdit* Memo() const { return m_Memo; }
    QPushButton* PrevButton() const { return m_Prev; }
    QPushButton* NextButton() const { return m_Next; }
    QPushButton* CopyButton() const { return m_Copy; }

    // How a viewer is shown modally (exec unless a test installs another
    // way); the hook is global for the program.
    using TModalHook = std::function<void(TSyslogForm& form)>;
    static void SetModalHook(TModalHook hook);
    // Creates a viewer on `list`, sets its caption, selects `eventId` when
    // given (>= 0) and shows it modally; it is released when it closes.
    static void Show(QWidget* owner, const Syslog::TSyslogList& list, const QString& caption, int64_t eventId = -1);

private:
    void EventOnLogListSelectItem(int row);
    // Previous and Next by the selected row's place in the list's order.
    void UpdateSteps();

    QLineEdit* m_Date;
    QLineEdit* m_Time;
    QLineEdit* m_Host;
    QLineEdit* m_Facility;
    QLineEdit* m_Severity;
    QLineEdit* m_EventId;
    QPushButton* m_Prev;
    QPushButton* m_Next;
    QPushButton* m_Copy;
    QPlainTextEdit* m_Memo;
    TPageList* m_LogList;
    QPushButton* m_Close;
};
