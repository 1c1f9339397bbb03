#include "ModuleMonitorEvent.h"

#include "EditTable.h"
#include "IntpMonitor.h"
#include "PageEditors.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {
constexpr size_t LinesPerPage = 100;
}

TModuleMonitorEvent::TModuleMonitorEvent(QWidget* parent) : TModulePage(QStringLiteral("System Event Log"), parent)
{
    auto* form = new QFormLayout;
    m_Pages = new QComboBox(this);
    m_Pages->setObjectName("m_Pages");
    QLabel* label = AddFormRow(form, QStringLiteral("View &Page:"), m_Pages);
    PageLayout()->addLayout(form);
    m_Log = new QPlainTextEdit(this);
    m_Log->setObjectName("m_Log");
    m_Log->setReadOnly(true);
    m_Log->setLineWrapMode(QPlainTextEdit::NoWrap);
    PageLayout()->addWidget(m_Log, 1);
    m_Clear = NewClearButton(this);
    AddRightRow(PageLayout(), m_Clear);
    for (QWidget* w : std::initializer_list<QWidget*>{label, m_Pages, m_Log, m_Clear})
        AddDeviceControl(w);
    SetDefaultButton(m_Clear);
    Reads<Intp::TSessionMonitorEventGet>();
    // Emptied on every reload and when the page is left.
    const auto empty = [this] {
        const QSignalBlocker block(m_Pages);
        m_Pages->clear();
        m_Log->clear();
    };
    OnClear(empty);
    OnLeaving(empty);
    OnFill([this](Intp::TDevice* device) { FillPages(device); });
    connect(m_Pages, &QComboBox::currentIndexChanged, this, &TModuleMonitorEvent::EventOnPagesChange);
    connect(m_Clear, &QPushButton::clicked, this, &TModuleMonitorEvent::EventOnClearClick);
}

void TModuleMonitorEvent::FillPages(Intp::TDevice* device)
{
    const auto& record = Intp::GetPropertyMonitorEvent(device);
    if (!record.Valid)
        return;
    const size_t pages = record.Rows.empty() ? 1 : (record.Rows.size() + LinesPerPage - 1) / LinesPerPage;
    {
        const QSignalBlocker block(m_Pages);
        for (size_t p = 1; p <= pages; ++p)
            m_Pages->addItem(QString::asprintf("Page.%02zu", p));
        m_Pages->setCurrentIndex(0);
    }
    EventOnPagesChange();
}

void TModuleMonitorEvent::EventOnPagesChange()
{
    m_Log->clear();
    Intp::TDevice* device = CurrentDevice();
    const int page = m_Pages->currentIndex();
    if (!device || page < 0)
        return;
    const auto& record = Intp::GetPropertyMonitorEvent(device);
    if (!record.Valid)
        return;
    QStringList lines;
    for (size_t i = size_t(page) * LinesPerPage; i < record.Rows.size() && i < size_t(page + 1) * LinesPerPage; ++i)
        lines << QString::fromStdString(record.Rows[i].First) + QStringLiteral(": ") +
                     QString::fromStdString(record.Rows[i].Second);
    m_Log->setPlainText(lines.join('\n'));
}

void TModuleMonitorEvent::EventOnClearClick()
{
    if (m_Clear->isEnabled())
        StartOnCurrentDevices([](Intp::TDevice*) { return new Intp::TSessionMonitorEventClear; });
}
