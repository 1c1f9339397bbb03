#include "MessageBoxes.h"

#include <QApplication>
#include <QFileInfo>
#include <QStandardPaths>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

namespace {

IUserInterface* g_UserInterface = nullptr;

QMessageBox::StandardButtons ToQt(int buttons)
{
    QMessageBox::StandardButtons out;
    if (buttons & IUserInterface::Ok) out |= QMessageBox::Ok;
    if (buttons & IUserInterface::Cancel) out |= QMessageBox::Cancel;
    if (buttons & IUserInterface::Yes) out |= QMessageBox::Yes;
    if (buttons & IUserInterface::No) out |= QMessageBox::No;
    if (buttons & IUserInterface::Abort) out |= QMessageBox::Abort;
    if (buttons & IUserInterface::Retry) out |= QMessageBox::Retry;
    if (buttons & IUserInterface::Ignore) out |= QMessageBox::Ignore;
    return out ? out : QMessageBox::StandardButtons(QMessageBox::Ok);
}

int FromQt(int button)
{
    switch (button) {
    case QMessageBox::Ok: return IUserInterface::Ok;
    case QMessageBox::Cancel: return IUserInterface::Cancel;
    case QMessageBox::Yes: return IUserInterface::Yes;
    case QMessageBox::No: return IUserInterface::No;
    case QMessageBox::Abort: return IUserInterface::Abort;
    case QMessageBox::Retry: return IUserInterface::Retry;
    case QMessageBox::Ignore: return IUserInterface::Ignore;
    default: return IUserInterface::NoButton;
    }
}

QMessageBox::Icon ToQtIcon(IUserInterface::TIcon icon)
{
    switch (icon) {
    case IUserInterface::IconInformation: return QMessageBox::Information;
    case IUserInterface::IconWarning: return QMessageBox::Warning;
    case IUserInterface::IconError: return QMessageBox::Critical;
    case IUserInterface::IconQuestion: return QMessageBox::Question;
    default: return QMessageBox::NoIcon;
    }
}

} // namespace

int TQtUserInterface::Message(TIcon icon, const QString& title, const QString& text, int buttons)
{
    QMessageBox box(ToQtIcon(icon), title, text, ToQt(buttons), QApplication::activeWindow());
    return FromQt(box.exec());
}

QString TQtUserInterface::GetOpenFileName(const QString& title, const QString& directory, const QString& filter)
{
    return QFileDialog::getOpenFileName(QApplication::activeWindow(), title, directory, filter);
}

QString TQtUserInterface::GetSaveFileName(const QString& title, const QString& path, const QString& filter)
{
    return QFileDialog::getSaveFileName(QApplication::activeWindow(), title, path, filter);
}

QString TQtUserInterface::GetExistingDirectory(const QString& title, const QString& directory)
{
    return QFileDialog::getExistingDirectory(QApplication::activeWindow(), title, directory);
}

bool TQtUserInterface::OpenUrl(const QString& url)
{
    return QDesktopServices::openUrl(QUrl(url));
}

bool TQtUserInterface::StartDetached(const QString& program, const QStringList& arguments,
                                     const QString& workingDirectory)
{
    return QProcess::startDetached(program, arguments, workingDirectory);
}

void TQtUserInterface::Beep(int, int)
{
    // The toolkit offers only the desktop's own bell, without a tone or length.
    QApplication::beep();
}

IUserInterface& UserInterface()
{
    static TQtUserInterface desktop;
    return g_UserInterface ? *g_UserInterface : desktop;
}

void SetUserInterface(IUserInterface* ui) { g_UserInterface = ui; }

void ShowError(const QString& text)
{
    UserInterface().Message(IUserInterface::IconError, QApplication::applicationDisplayName(), text,
                            IUserInterface::Ok);
}

bool ConfirmOkCancel(const QString& text)
{
    return UserInterface().Message(IUserInterface::IconQuestion, QApplication::applicationDisplayName(), text,
                                   IUserInterface::Ok | IUserInterface::Cancel) == IUserInterface::Ok;
}

bool OpenUrlOrTell(const QString& url)
{
    if (UserInterface().OpenUrl(url))
        return true;
    UserInterface().Message(IUserInterface::IconError, AppTitle,
                            QStringLiteral("Cannot open %1: no web browser could be started.").arg(url),
                            IUserInterface::Ok);
    return false;
}

bool StartDetachedOrTell(const QString& program, const QStringList& arguments, const QString& workingDirectory)
{
    if (UserInterface().StartDetached(program, arguments, workingDirectory))
        return true;
    QStringList command{program};
    for (const QString& argument : arguments)
        command << (argument.contains(QLatin1Char(' ')) ? QStringLiteral("\"%1\"").arg(argument) : argument);
    // The usual reason: no such program where the system looks for it.
    const bool found = QFileInfo(program).isAbsolute() ? QFileInfo(program).isExecutable()
                                                       : !QStandardPaths::findExecutable(program).isEmpty();
    const QString reason = found ? QStringLiteral("The system refused to start it.")
                                 : QStringLiteral("The program \"%1\" is not installed (not found on the search path).")
                                       .arg(program);
    UserInterface().Message(IUserInterface::IconError, AppTitle,
                            QStringLiteral("Cannot start \"%1\". %2").arg(command.join(QLatin1Char(' ')), reason),
                            IUserInterface::Ok);
    return false;
}
