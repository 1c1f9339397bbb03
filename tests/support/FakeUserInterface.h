// A stand-in for the desktop's dialogs: records every box, launch and beep,
// and answers with what the test queued (Ok, or an empty path, by default).
// Installs itself for its lifetime.
#pragma once

#include "MessageBoxes.h"

#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

namespace TestSupport {

class TFakeUserInterface final : public IUserInterface {
public:
    struct TBox {
        TIcon Icon;
        QString Title;
        QString Text;
        int Buttons;
    };
    // A file or folder dialog as it was asked for.
    struct TFileDialog {
        QString Title;
        QString Path;
        QString Filter;
    };
    struct TBeep {
        int Frequency;
        int Duration;
    };

    TFakeUserInterface() { SetUserInterface(this); }
    ~TFakeUserInterface() override { SetUserInterface(nullptr); }

    int Message(TIcon icon, const QString& title, const QString& text, int buttons) override
    {
        Boxes.push_back({icon, title, text, buttons});
        return Take(Answers, int(Ok));
    }
    QString GetOpenFileName(const QString& title, const QString& directory, const QString& filter) override
    {
        FileDialogs.push_back({title, directory, filter});
        return Take(Paths, QString());
    }
    QString GetSaveFileName(const QString& title, const QString& path, const QString& filter) override
    {
        FileDialogs.push_back({title, path, filter});
        return Take(Paths, QString());
    }
    QString GetExistingDirectory(const QString& title, const QString& directory) override
    {
        FileDialogs.push_back({title, directory, QString()});
        return Take(Paths, QString());
    }
    bool OpenUrl(const QString& url) override
    {
        Urls.push_back(url);
        return !LaunchFails;
    }
    bool StartDetached(const QString& program, const QStringList& arguments, const QString&) override
    {
        Programs.push_back(QStringList{program} + arguments);
        return !LaunchFails;
    }
    void Beep(int frequency, int duration) override { Beeps.push_back({frequency, duration}); }

    // The text of the last box, or empty.
    QString LastText() const { return Boxes.empty() ? QString() : Boxes.back().Text; }

    bool LaunchFails = false;     // OpenUrl and StartDetached fail (still recorded)
    std::deque<int> Answers;      // next Message answers
    std::deque<QString> Paths;    // next file and folder dialog answers
    std::vector<TBox> Boxes;
    std::vector<TFileDialog> FileDialogs;
    std::vector<QString> Urls;
    std::vector<QStringList> Programs;
    std::vector<TBeep> Beeps;

private:
    template <class T, class Q>
    static T Take(Q& queue, T fallback)
    {
        if (queue.empty())
            return fallback;
        T v = queue.front();
        queue.pop_front();
        return v;
    }
};

} // namespace TestSupport
