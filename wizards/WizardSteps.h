// What both group wizards share: the steps shown one at a time under a
// title, "&Prev" and "&Next" (relabelled on the last step), the busy state
// while the wizard's sessions run, and the device picker of the first step.
//
// Every session a run starts carries an observer of its own that names its
// preview row and its run; a report of an earlier run, or one that arrives
// after a forced leave, is ignored.
#pragma once

#include "Intp.h"
#include "ModuleFrame.h"
#include "PageList.h"

#include <QFrame>
#include <QStringList>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

class QLabel;
class QPushButton;
class QStackedWidget;

// Two lists, the devices to choose from and the chosen ones, with buttons
// that move the selected rows or all rows across and back. Each row's Key
// is its device's MAC address (MacKey).
class TDevicePicker final : public QWidget {
    Q_OBJECT
public:
    TDevicePicker(const QStringList& columns, QWidget* parent);

    TPageList* Source() const { return m_Source; }
    TPageList* Chosen() const { return m_Chosen; }
    QPushButton* AddButton() const { return m_Add; }
    QPushButton* AddAllButton() const { return m_AddAll; }
    QPushButton* RemoveButton() const { return m_Remove; }
    QPushButton* RemoveAllButton() const { return m_RemoveAll; }

    // Fills the choose-from list with `rows`, leaving out the devices that
    // are chosen already (a device is never chosen twice).
    void Offer(std::vector<TPageRow> rows);
    // A check of the rows about to be chosen; false refuses the move (the
    // check shows its own message).
    using TMoveCheck = std::function<bool(const std::vector<const TPageRow*>& moving)>;
    void SetMoveCheck(TMoveCheck check) { m_Check = std::move(check); }

    void EventOnAddClick() { Move(m_Source, m_Chosen, false); }
    void EventOnAddAllClick() { Move(m_Source, m_Chosen, true); }
    void EventOnRemoveClick() { Move(m_Chosen, m_Source, false); }
    void EventOnRemoveAllClick() { Move(m_Chosen, m_Source, true); }

signals:
    void Changed();

private:
    // Moves the selected (or all) rows: the target's selection is cleared,
    // the source is walked from its last row to its first and each moved
    // row is appended to the target and selected, so rows arrive in reverse
    // order.
    void Move(TPageList* from, TPageList* to, bool all);
    void UpdateButtons();

    TPageList* m_Source;
    TPageList* m_Chosen;
    QPushButton* m_Add;
    QPushButton* m_AddAll;
    QPushButton* m_Remove;
    QPushButton* m_RemoveAll;
    TMoveCheck m_Check;
};

class TWizardSteps : public QFrame, public TModule {
    Q_OBJECT
public:
    TWizardSteps(QString caption, const QString& title, QString lastLabel, QWidget* parent);

    // TModule
    QString GetCaption() const override { return m_Caption; }
    QWidget* GetControl() override { return this; }
    void Notify(Intp::TDevice*, uint16_t, uint16_t) override { show(); }
    // Refused (unless forced) while a run is busy; otherwise back to the
    // first step, idle, hidden.
    bool Leave(bool force) override;
    int Refresh(bool) override { return 0; }

    void EventOnPrevClick();
    void EventOnNextClick();

    int Step() const { return m_Step; }
    bool Busy() const { return m_Busy; }
    QPushButton* PrevButton() const { return m_Prev; }
    QPushButton* NextButton() const { return m_Next; }

protected:
    // Adds the next step's page (with its heading above it).
    QWidget* AddStep(const QString& heading, QWidget* content);
    // A step's description lines, one label.
    static QLabel* NewDescription(const QStringList& lines, QWidget* parent);
    // Adds the step that chooses the devices, with the picker's columns.
    TDevicePicker* AddPickerStep(const QStringList& columns);
    // Offers every known device that `offered` accepts (all when null),
    // each with the texts `texts` gives.
    void OfferDevices(const std::function<bool(Intp::TDevice*)>& offered,
                      const std::function<QStringList(Intp::TDevice*)>& texts);

    // Called after the wizard moved to `step` (from `from`).
    virtual void EnterStep(int step, int from) = 0;
    // Whether "&Next" (or the last step's button) may be pressed now.
    virtual bool CanGoOn() const = 0;
    // The last step's button.
    virtual void Finish() = 0;
    // Enables or disables the last step's settings around a run.
    virtual void EnableSettings(bool on) = 0;
    // A report of one of this run's sessions for preview row `row`.
    virtual void OnRowEvent(int row, Intp::TDevice* device, int command, uint16_t status, void* data) = 0;

    // Re-evaluates "&Next".
    void UpdateNext();
    // A new run: earlier runs' reports are ignored from now on.
    void BeginRun();
    // The observer for preview row `row` of the current run.
    Intp::TWizard* RowObserver(int row);
    // Busy after at least one session started: "&Prev", the last button and
    // the settings are disabled until EndRun.
    void SetBusy();
    void EndRun();

private:
    class TRowObserver;
    void GoTo(int step);
    void RowEvent(uint32_t run, int row, Intp::TDevice* device, int command, uint16_t status, void* data);

    QString m_Caption;
    QString m_LastLabel;
    TDevicePicker* m_Picker = nullptr;
    QStackedWidget* m_Steps;
    QPushButton* m_Prev;
    QPushButton* m_Next;
    int m_Step = 0;
    bool m_Busy = false;
    uint32_t m_Run = 0;
    std::deque<std::unique_ptr<Intp::TWizard>> m_Observers;
};

// The row of a device for the pickers: Key = its MAC address.
TPageRow DeviceRow(Intp::TDevice* device, QStringList texts);
