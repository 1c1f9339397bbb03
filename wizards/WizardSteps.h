// What both group wizards share: the steps shown one at a time under a
// title, "&Prev" and "&Next" (relabelled on the last step), the busy state
// while the wizard's sessions run (one per chosen device), the step that
// chooses the devices and the last step's preview of the chosen ones.
//
// Every session a run starts carries an observer of its own that names its
// preview row and its run; a report of an earlier run, or one that arrives
// after a forced leave, is ignored.
#pragma once

#include "Intp.h"
#include "Module.h"
#include "PageList.h"

#include <QFrame>
#include <QStringList>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

class QBoxLayout;
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
    // Whether the two lists stand side by side (else one above the other).
    bool SideBySide() const;

signals:
    void Changed();

private:
    // Moves the selected (or all) rows: the target's selection is cleared,
    // the source is walked from its last row to its first and each moved
    // row is appended to the target and selected, so rows arrive in reverse
    // order.
    void Move(TPageList* from, TPageList* to, bool all);
    void UpdateButtons();
    void resizeEvent(QResizeEvent* event) override;

    QBoxLayout* m_Layout = nullptr;
    QBoxLayout* m_Buttons = nullptr;
    int m_ListWidth = 0;   // what one list needs to show all its columns
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
    TDevicePicker* Picker() const { return m_Picker; }
    TPageList* Preview() const { return m_Preview; }

protected:
    // --- The steps --------------------------------------------------------
    //
    // A wizard adds its steps in order: a description, the step that chooses
    // the devices, and the last step, its settings above the preview of the
    // chosen devices, where its button runs the wizard.

    // Adds the next step's page (with its heading above it).
    QWidget* AddStep(const QString& heading, QWidget* content);
    // A step's description lines, one label.
    static QLabel* NewDescription(const QStringList& lines, QWidget* parent);
    // Adds the step that chooses the devices, with the picker's columns.
    // Entered from the step before it, it offers every known device that
    // `offered` accepts (all when null), each with the texts `texts` gives.
    using TDeviceTest = std::function<bool(Intp::TDevice*)>;
    using TDeviceTexts = std::function<QStringList(Intp::TDevice*)>;
    TDevicePicker* AddPickerStep(const QStringList& columns, TDeviceTest offered, TDeviceTexts texts);
    // The last step's settings: a widget laid out on a grid the wizard fills.
    QWidget* NewSettings();
    // Adds the last step: `settings` (from NewSettings) with the preview list
    // of `columns` on the grid's next row, across three columns. Entering
    // it fills the preview with the chosen rows (texts the preview has no
    // column for in the picker stay empty).
    TPageList* AddSettingsStep(const QString& heading, QWidget* settings, const QStringList& columns);

    // --- What a wizard declares ---------------------------------------------

    // After the preview was filled on entering the last step.
    void OnSettingsEntered(std::function<void()> entered) { m_Entered = std::move(entered); }
    // Whether the settings let the last step's button be pressed (a preview
    // with rows is checked here).
    void OnSettingsReady(std::function<bool()> ready) { m_Ready = std::move(ready); }
    // The last step's button.
    void OnFinish(std::function<void()> finish) { m_Finish = std::move(finish); }
    // Enables or disables the last step's settings around a run.
    void OnEnableSettings(std::function<void(bool on)> enable) { m_Enable = std::move(enable); }
    // A report of one of this run's sessions for preview row `row`.
    using TRowReport = std::function<void(int row, Intp::TDevice* device, int command, uint16_t status, void* data)>;
    void OnRowReport(TRowReport report) { m_Report = std::move(report); }

    // Re-evaluates "&Next".
    void UpdateNext();
    // A new run: one session per preview row, from the last row to the
    // first, each to its row's device with an observer of the row; a row
    // whose session is null or does not start gets it deleted. `mark`
    // tells each row whether its session started. Busy when one started:
    // "&Prev", the last button and the settings are disabled until EndRun;
    // earlier runs' reports are ignored from now on.
    void RunRows(const std::function<Intp::TSession*(int row)>& newSession,
                 const std::function<void(int row, bool started)>& mark);
    void EndRun();

private:
    class TRowObserver;
    void GoTo(int step);
    void EnterStep(int step, int from);
    bool CanGoOn() const;
    void EnableSettings(bool on);
    void RowEvent(uint32_t run, int row, Intp::TDevice* device, int command, uint16_t status, void* data);

    QString m_Caption;
    QString m_LastLabel;
    TDevicePicker* m_Picker = nullptr;
    int m_PickerStep = -1;
    TDeviceTest m_Offered;
    TDeviceTexts m_Texts;
    TPageList* m_Preview = nullptr;
    QStackedWidget* m_Steps;
    QPushButton* m_Prev;
    QPushButton* m_Next;
    std::function<void()> m_Entered;
    std::function<bool()> m_Ready;
    std::function<void()> m_Finish;
    std::function<void(bool)> m_Enable;
    TRowReport m_Report;
    int m_Step = 0;
    bool m_Busy = false;
    uint32_t m_Run = 0;
    std::deque<std::unique_ptr<Intp::TWizard>> m_Observers;
};

// The row of a device for the pickers: Key = its MAC address.
TPageRow DeviceRow(Intp::TDevice* device, QStringList texts);
