#include "WizardSteps.h"

#include "ModuleCallback.h"
#include "PageEditors.h"
#include "Resources.h"

#include <QFont>
#include <QFontMetrics>
#include <QHeaderView>
#include <QResizeEvent>
#include <QStyle>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <set>

TPageRow DeviceRow(Intp::TDevice* device, QStringList texts)
{
    TPageRow row;
    row.Texts = std::move(texts);
    row.Key = MacKey(device->GetMac());
    row.Loaded = {int64_t(device->GetType())};
    return row;
}

// Set widths for the columns of a device list: the addresses as wide as
// an address, the other captions whole, the model's long description
// taking the rest (cut, and whole in its tool tip). In a list too narrow for
// them the model gives way first, then the versions down to their values,
// then the addresses down to the addresses shown, so that the MAC and IP
// addresses that tell two switches of one model apart stay in view.
// Answers the width the list needs to show them all.
int FixDeviceColumns(TPageList* list, const QStringList& columns)
{
    const QFontMetrics metrics = list->fontMetrics();
    const int pad = 2 * metrics.averageCharWidth() + 8;
    std::vector<TFixedColumn> fixed;
    int model = -1, needed = 0;
    for (int column = 0; column < columns.size(); ++column) {
        const QString& caption = columns[column];
        TFixedColumn given{0, {}, 1, TFixedColumn::FloorContents};
        if (caption == QLatin1String("Model")) {
            model = column;
            given = {0, QString(14, QLatin1Char('x')), 0, TFixedColumn::FloorFew};
        } else if (caption == QLatin1String("MAC")) {
            given = {0, QStringLiteral("00:00:00:00:00:00"), 2, TFixedColumn::FloorContents};
        } else if (caption.contains(QLatin1String("IP"))) {
            given = {0, QStringLiteral("255.255.255.255"), 2, TFixedColumn::FloorContents};
        }
        const int width = given.Sample.isEmpty() ? 0 : metrics.horizontalAdvance(given.Sample) + pad;
        needed += std::max(width, list->horizontalHeader()->sectionSizeHint(column));
        fixed.push_back(given);
    }
    list->SetFixedColumns(fixed, model);
    return needed + 2 * list->frameWidth() + list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list);
}

// --- TDevicePicker -----------------------------------------------------------------

TDevicePicker::TDevicePicker(const QStringList& columns, QWidget* parent) : QWidget(parent)
{
    m_Source = new TPageList(columns, this);
    m_Chosen = new TPageList(columns, this);
    m_Source->setAccessibleName(QStringLiteral("Devices to choose from"));
    m_Chosen->setAccessibleName(QStringLiteral("Chosen devices"));
    for (TPageList* list : {m_Source, m_Chosen}) {
        m_ListWidth = FixDeviceColumns(list, columns);
        list->setSelectionMode(QAbstractItemView::ExtendedSelection);
        connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TDevicePicker::UpdateButtons);
        connect(list->Model(), &QAbstractItemModel::rowsInserted, this, &TDevicePicker::UpdateButtons);
        connect(list->Model(), &QAbstractItemModel::rowsRemoved, this, &TDevicePicker::UpdateButtons);
        connect(list->Model(), &QAbstractItemModel::modelReset, this, &TDevicePicker::UpdateButtons);
    }
    m_Add = new QPushButton(QStringLiteral(">"), this);
    m_AddAll = new QPushButton(QStringLiteral(">>"), this);
    m_Remove = new QPushButton(QStringLiteral("<"), this);
    m_RemoveAll = new QPushButton(QStringLiteral("<<"), this);
    m_Add->setAccessibleName(QStringLiteral("Add"));
    m_AddAll->setAccessibleName(QStringLiteral("Add all"));
    m_Remove->setAccessibleName(QStringLiteral("Remove"));
    m_RemoveAll->setAccessibleName(QStringLiteral("Remove all"));
    m_Buttons = new QVBoxLayout;
    m_Buttons->addStretch(1);
    for (QPushButton* b : {m_Add, m_AddAll, m_Remove, m_RemoveAll})
        m_Buttons->addWidget(b);
    m_Buttons->addStretch(1);
    m_Layout = new QHBoxLayout(this);
    m_Layout->setContentsMargins(0, 0, 0, 0);
    m_Layout->addWidget(m_Source, 1);
    m_Layout->addLayout(m_Buttons);
    m_Layout->addWidget(m_Chosen, 1);
    connect(m_Add, &QPushButton::clicked, this, &TDevicePicker::EventOnAddClick);
    connect(m_AddAll, &QPushButton::clicked, this, &TDevicePicker::EventOnAddAllClick);
    connect(m_Remove, &QPushButton::clicked, this, &TDevicePicker::EventOnRemoveClick);
    connect(m_RemoveAll, &QPushButton::clicked, this, &TDevicePicker::EventOnRemoveAllClick);
    UpdateButtons();
}

void TDevicePicker::resizeEvent(QResizeEvent* event)
{
    // Side by side while both lists show all their columns, else one above
    // the other, each across the whole width.
    const int buttons = m_Add->sizeHint().width() + 2 * m_Layout->spacing();
    const bool across = event->size().width() >= 2 * m_ListWidth + buttons;
    const auto direction = across ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom;
    if (m_Layout->direction() != direction) {
        m_Layout->setDirection(direction);
        m_Buttons->setDirection(across ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight);
    }
    QWidget::resizeEvent(event);
}

bool TDevicePicker::SideBySide() const { return m_Layout->direction() == QBoxLayout::LeftToRight; }

void TDevicePicker::Offer(std::vector<TPageRow> rows)
{
    std::set<int64_t> chosen;
    for (const TPageRow& row : m_Chosen->Model()->Rows())
        chosen.insert(row.Key);
    rows.erase(std::remove_if(rows.begin(), rows.end(), [&](const TPageRow& r) { return chosen.count(r.Key) != 0; }),
               rows.end());
    m_Source->Clear();
    m_Source->Model()->Append(std::move(rows));
    UpdateButtons();
}

void TDevicePicker::Move(TPageList* from, TPageList* to, bool all)
{
    if (all)
        from->selectAll();
    const std::vector<int> selected = from->SelectedRows();
    if (selected.empty())
        return;
    if (to == m_Chosen && m_Check) {
        std::vector<const TPageRow*> moving;
        for (int row : selected)
            moving.push_back(&from->Row(row));
        if (!m_Check(moving))
            return;
    }
    to->clearSelection();
    for (auto it = selected.rbegin(); it != selected.rend(); ++it) {
        to->Model()->Append(from->Row(*it));
        const QModelIndex index = to->Model()->index(to->RowCount() - 1, 0);
        to->selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    from->Model()->Remove(selected);
    UpdateButtons();
    emit Changed();
}

void TDevicePicker::UpdateButtons()
{
    m_Add->setEnabled(!m_Source->SelectedRows().empty());
    m_AddAll->setEnabled(m_Source->RowCount() > 0);
    m_Remove->setEnabled(!m_Chosen->SelectedRows().empty());
    m_RemoveAll->setEnabled(m_Chosen->RowCount() > 0);
}

// --- TWizardSteps ----------------------------------------------------------------

class TWizardSteps::TRowObserver final : public Intp::TWizard {
public:
    TRowObserver(TWizardSteps* owner, uint32_t run, int row) : m_Owner(owner), m_Run(run), m_Row(row) {}
    void OnSessionEvent(Intp::TDevice* device, int command, uint16_t status, void* data) override
    {
        m_Owner->RowEvent(m_Run, m_Row, device, command, status, data);
    }

private:
    TWizardSteps* m_Owner;
    uint32_t m_Run;
    int m_Row;
};

TWizardSteps::TWizardSteps(QString caption, const QString& title, QString lastLabel, QWidget* parent)
    : QFrame(parent), m_Caption(std::move(caption)), m_LastLabel(std::move(lastLabel))
{
    setAutoFillBackground(true);
    auto* heading = new QLabel(title, this);
    QFont font = heading->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.3);
    heading->setFont(font);
    m_Steps = new QStackedWidget(this);
    m_Prev = new QPushButton(Resources::Icon("RC_BITMAP_16X16_PREVIOUS"), QStringLiteral("&Prev"), this);
    m_Next = new QPushButton(Resources::Icon("RC_BITMAP_16X16_NEXT"), QStringLiteral("&Next"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_Prev);
    buttons->addWidget(m_Next);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(m_Steps, 1);
    layout->addLayout(buttons);
    connect(m_Prev, &QPushButton::clicked, this, &TWizardSteps::EventOnPrevClick);
    connect(m_Next, &QPushButton::clicked, this, &TWizardSteps::EventOnNextClick);
    m_Prev->setEnabled(false);
    hide();
}

QWidget* TWizardSteps::AddStep(const QString& heading, QWidget* content)
{
    auto* page = new QWidget(m_Steps);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    if (!heading.isNull())
        layout->addWidget(new QLabel(heading, page));
    layout->addWidget(content, 1);
    m_Steps->addWidget(page);
    return page;
}

QLabel* TWizardSteps::NewDescription(const QStringList& lines, QWidget* parent)
{
    auto* label = new QLabel(lines.join(QLatin1Char('\n')), parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

TDevicePicker* TWizardSteps::AddPickerStep(const QStringList& columns, TDeviceTest offered, TDeviceTexts texts)
{
    m_Picker = new TDevicePicker(columns, this);
    m_Offered = std::move(offered);
    m_Texts = std::move(texts);
    connect(m_Picker, &TDevicePicker::Changed, this, &TWizardSteps::UpdateNext);
    m_PickerStep = m_Steps->count();
    AddStep(QStringLiteral("Select one or more devices to be configured."), m_Picker);
    return m_Picker;
}

QWidget* TWizardSteps::NewSettings()
{
    auto* settings = new QWidget(this);
    new QGridLayout(settings);
    return settings;
}

TPageList* TWizardSteps::AddSettingsStep(const QString& heading, QWidget* settings, const QStringList& columns)
{
    auto* grid = static_cast<QGridLayout*>(settings->layout());
    const int row = grid->rowCount();
    m_Preview = new TPageList(columns, settings);
    FixDeviceColumns(m_Preview, columns);
    m_Preview->setAccessibleName(heading);
    grid->addWidget(m_Preview, row, 0, 1, 3);
    grid->setRowStretch(row, 1);
    AddStep(heading, settings);
    return m_Preview;
}

void TWizardSteps::EnterStep(int step, int from)
{
    if (m_Picker && step == m_PickerStep && from < step) {
        // Every known device the wizard offers.
        TDeviceList devices;
        if (g_ModuleCallback)
            g_ModuleCallback->GetAllDevices(devices);
        std::vector<TPageRow> rows;
        for (Intp::TDevice* d : devices)
            if (!m_Offered || m_Offered(d))
                rows.push_back(DeviceRow(d, m_Texts(d)));
        m_Picker->Offer(std::move(rows));
    }
    if (m_Preview && step == m_Steps->count() - 1) {
        std::vector<TPageRow> rows = m_Picker->Chosen()->Model()->Rows();
        for (TPageRow& row : rows)
            while (row.Texts.size() < m_Preview->Model()->columnCount())
                row.Texts.append(QString());
        m_Preview->Clear();
        m_Preview->Model()->Append(std::move(rows));
        if (m_Entered)
            m_Entered();
    }
}

bool TWizardSteps::CanGoOn() const
{
    if (m_Picker && m_Step == m_PickerStep)
        return m_Picker->Chosen()->RowCount() > 0;
    if (m_Preview && m_Step == m_Steps->count() - 1)
        return m_Preview->RowCount() > 0 && (!m_Ready || m_Ready());
    return true;
}

void TWizardSteps::EnableSettings(bool on)
{
    if (m_Enable)
        m_Enable(on);
}

void TWizardSteps::GoTo(int step)
{
    const int from = m_Step;
    m_Step = std::clamp(step, 0, m_Steps->count() - 1);
    m_Steps->setCurrentIndex(m_Step);
    m_Next->setText(m_Step == m_Steps->count() - 1 ? m_LastLabel : QStringLiteral("&Next"));
    m_Prev->setEnabled(m_Step > 0);
    EnterStep(m_Step, from);
    UpdateNext();
}

void TWizardSteps::UpdateNext() { m_Next->setEnabled(!m_Busy && CanGoOn()); }

void TWizardSteps::EventOnPrevClick()
{
    if (!m_Busy && m_Step > 0)
        GoTo(m_Step - 1);
}

void TWizardSteps::EventOnNextClick()
{
    if (m_Busy || !CanGoOn())
        return;
    if (m_Step == m_Steps->count() - 1) {
        if (m_Finish)
            m_Finish();
    } else {
        GoTo(m_Step + 1);
    }
}

bool TWizardSteps::Leave(bool force)
{
    if (m_Busy && !force)
        return false;
    EndRun();
    GoTo(0);
    hide();
    return true;
}

void TWizardSteps::RunRows(const std::function<Intp::TSession*(int row)>& newSession,
                           const std::function<void(int row, bool started)>& mark)
{
    ++m_Run;
    int started = 0;
    for (int row = m_Preview->RowCount() - 1; row >= 0; --row) {
        Intp::TDevice* device = Intp::GetDevice(MacFromKey(m_Preview->Row(row).Key), true);
        Intp::TSession* session = newSession(row);
        bool ok = false;
        if (session && device) {
            m_Observers.push_back(std::make_unique<TRowObserver>(this, m_Run, row));
            ok = Intp::StartSession(session, device, m_Observers.back().get());
        }
        if (!ok)
            delete session;
        mark(row, ok);
        started += ok ? 1 : 0;
    }
    if (started == 0)
        return;
    m_Busy = true;
    m_Prev->setEnabled(false);
    m_Next->setEnabled(false);
    EnableSettings(false);
}

void TWizardSteps::EndRun()
{
    if (!m_Busy)
        return;
    m_Busy = false;
    // Reports still on their way belong to a finished run.
    ++m_Run;
    m_Prev->setEnabled(m_Step > 0);
    EnableSettings(true);
    UpdateNext();
}

void TWizardSteps::RowEvent(uint32_t run, int row, Intp::TDevice* device, int command, uint16_t status, void* data)
{
    if (run != m_Run || !m_Busy || m_Step != m_Steps->count() - 1)
        return;
    if (m_Report)
        m_Report(row, device, command, status, data);
}
