#include "JavaTopologyFrame.h"

#include "MessageBoxes.h"
#include "Resources.h"

#include <QPushButton>
#include <QVBoxLayout>

TJavaTopologyFrame::TJavaTopologyFrame(QWidget* parent) : QFrame(parent)
{
    auto* layout = new QVBoxLayout(this);
    m_Open = new QPushButton(QStringLiteral("&Open"), this);
    layout->addWidget(m_Open, 0, Qt::AlignLeft | Qt::AlignTop);
    layout->addStretch(1);
    connect(m_Open, &QPushButton::clicked, this, [this] { EventOnOpenClick(); });
}

QString TJavaTopologyFrame::Program() { return QStringLiteral("java"); }

QStringList TJavaTopologyFrame::Arguments()
{
    // A bare file name: the viewer is looked for in the current directory.
    return {QStringLiteral("-jar"), Resources::String(Resources::StrTopologyViewer)};
}

void TJavaTopologyFrame::Notify(Intp::TDevice*, uint16_t, uint16_t) { show(); }

bool TJavaTopologyFrame::Leave(bool)
{
    hide();
    return true;
}

void TJavaTopologyFrame::EventOnOpenClick()
{
    // Not waited for: the viewer is outside the console. A viewer that
    // cannot be started at all (no java) is told to the user.
    StartDetachedOrTell(Program(), Arguments(), QString());
}
