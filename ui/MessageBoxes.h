// Every message box, question, file or folder dialog, web or program launch
// and beep of the console goes through IUserInterface, so that tests can
// answer them without a desktop.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

class IUserInterface {
public:
    enum TIcon { IconNone, IconInformation, IconWarning, IconError, IconQuestion };
    // Buttons of a message box; Message takes a set of them and returns the
    // one pressed (NoButton when the box was closed otherwise).
    enum TButton : int {
        NoButton = 0,
        Ok = 0x01,
        Cancel = 0x02,
        Yes = 0x04,
        No = 0x08,
        Abort = 0x10,
        Retry = 0x20,
        Ignore = 0x40,
    };

    virtual ~IUserInterface() = default;

    virtual int Message(TIcon icon, const QString& title, const QString& text, int buttons) = 0;
    // The chosen path, or an empty text when cancelled.
    virtual QString GetOpenFileName(const QString& title, const QString& directory, const QString& filter) = 0;
    virtual QString GetSaveFileName(const QString& title, const QString& path, const QString& filter) = 0;
    virtual QString GetExistingDirectory(const QString& title, const QString& directory) = 0;
    virtual bool OpenUrl(const QString& url) = 0;
    // Starts a program without waiting for it.
    virtual bool StartDetached(const QString& program, const QStringList& arguments,
                               const QString& workingDirectory) = 0;
    virtual void Beep(int frequencyHz, int durationMs) = 0;
};

// The dialogs of the desktop; each box is parented to the active window.
class TQtUserInterface final : public IUserInterface {
public:
    int Message(TIcon icon, const QString& title, const QString& text, int buttons) override;
    QString GetOpenFileName(const QString& title, const QString& directory, const QString& filter) override;
    QString GetSaveFileName(const QString& title, const QString& path, const QString& filter) override;
    QString GetExistingDirectory(const QString& title, const QString& directory) override;
    bool OpenUrl(const QString& url) override;
    bool StartDetached(const QString& program, const QStringList& arguments,
                       const QString& workingDirectory) override;
    void Beep(int frequencyHz, int durationMs) override;
};

// The interface in use: the desktop's unless another was installed.
IUserInterface& UserInterface();
// Installs `ui` (not owned); null puts the desktop's back.
void SetUserInterface(IUserInterface* ui);

// The program's title: the title of its main window and of its own boxes.
extern const char* const AppTitle;

// Opens a web address in the default browser, or tells the user in an
// error box that no browser could be started. True when it was opened.
bool OpenUrlOrTell(const QString& url);
// Starts a program without waiting for it, or tells the user in an error
// box that it could not be started. True when it was started.
bool StartDetachedOrTell(const QString& program, const QStringList& arguments, const QString& workingDirectory);

// Shorthands for the two most common boxes.
void ShowError(const QString& text);
bool ConfirmOkCancel(const QString& text);
