#include "JavaTopologyFrame.h"

#include "MessageBoxes.h"
#include "Resources.h"

#include <QDir>
#include <QFileInfo>
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

QString TJavaTopologyFrame::MissingViewerText()
{
    const QString viewer = Resources::String(Resources::StrTopologyViewer);
    if (QFileInfo(QDir::current(), viewer).isFile())
        return {};
    return QStringLiteral("Cannot start the topology viewer: the file \"%1\" is not in the folder \"%2\".")
        .arg(viewer, QDir::toNativeSeparators(QDir::currentPath()));
}

void TJavaTopologyFrame::EventOnOpenClick()
{
    // Not waited for: the viewer is outside the console. The runtime would
    // start and only say on its error output that the viewer file is
    // missing, so that is checked first; a runtime that cannot be started
    // at all is told as well.
    if (const QString missing = MissingViewerText(); !missing.isEmpty()) {
        UserInterface().Message(IUserInterface::IconError, AppTitle, missing, IUserInterface::Ok);
        return;
    }
    StartDetachedOrTell(Program(), Arguments(), QString());
}
