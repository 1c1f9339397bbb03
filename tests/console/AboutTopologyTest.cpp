// The about box's version line and link, and the topology page's launch of
// the outside viewer.
#include "AboutForm.h"
#include "FakeUserInterface.h"
#include "JavaTopologyFrame.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

TEST(AboutForm, VersionLine)
{
    EXPECT_EQ(VersionText("1.0.0"), "Version 1.0.0 (build 0)");
    EXPECT_EQ(VersionText("2.11.3.417"), "Version 2.11.3 (build 417)");
    EXPECT_EQ(VersionText("3"), "Version 3.0.0 (build 0)");
    for (const char* none : {"", "  ", "1.x.0", "1.2.3.4.5", "1.65536.0", "-1.0.0", "1..2"})
        EXPECT_EQ(VersionText(none), "(No Version Info)") << none;

    TestSupport::TFakeUserInterface ui;
    TAboutForm form;
    EXPECT_EQ(form.windowTitle(), "About");
    EXPECT_EQ(form.m_Version->text(), "Version 1.0.0 (build 0)") << "the program's own version";
    EXPECT_FALSE(form.m_Logo->pixmap().isNull());
    EXPECT_TRUE(form.m_Link->text().contains(TAboutForm::WebAddress()));
    emit form.m_Link->linkActivated(TAboutForm::WebAddress());
    ASSERT_EQ(ui.Urls.size(), 1u);
    EXPECT_EQ(ui.Urls[0], TAboutForm::WebAddress());
}

namespace {

// A current folder that holds the viewer file (or not), for the test's
// lifetime.
class TViewerFolder {
public:
    explicit TViewerFolder(bool withViewer = true) : m_Saved(QDir::currentPath())
    {
        if (withViewer) {
            QFile jar(m_Dir.filePath("TopologyView.jar"));
            jar.open(QIODevice::WriteOnly);
        }
        QDir::setCurrent(m_Dir.path());
    }
    ~TViewerFolder() { QDir::setCurrent(m_Saved); }
    QString Path() const { return m_Dir.path(); }

private:
    QString m_Saved;
    QTemporaryDir m_Dir;
};

} // namespace

TEST(JavaTopologyFrame, PageAndItsCommand)
{
    TestSupport::TFakeUserInterface ui;
    TViewerFolder folder;
    TJavaTopologyFrame frame;
    TModule& page = frame;
    EXPECT_EQ(page.GetCaption(), "Devices Topology");
    EXPECT_EQ(page.GetControl(), &frame);
    EXPECT_EQ(page.Refresh(true), 0);
    EXPECT_EQ(frame.m_Open->text(), "&Open");
    page.Notify(nullptr, 0, 0);
    EXPECT_TRUE(frame.isVisible());
    EXPECT_TRUE(page.Leave(false));
    EXPECT_FALSE(frame.isVisible());

    // Each press starts one viewer, with exactly this command.
    QTest::mouseClick(frame.m_Open, Qt::LeftButton);
    frame.m_Open->click();
    ASSERT_EQ(ui.Programs.size(), 2u);
    EXPECT_EQ(ui.Programs[0], QStringList({"java", "-jar", "TopologyView.jar"}));
    EXPECT_EQ(ui.Programs[1], ui.Programs[0]);
    EXPECT_TRUE(ui.Boxes.empty());
}

// The desktop launch: a stand-in "java" first on PATH records its arguments
// and the folder it was started in.
TEST(JavaTopologyFrame, StartsTheProgramFoundOnThePath)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString record = dir.filePath("record.txt");
    {
        QFile script(dir.filePath("java"));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(QStringLiteral("#!/bin/sh\nprintf '%s|' \"$@\" >> '%1'\npwd >> '%1'\n").arg(record).toUtf8());
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", dir.path().toUtf8() + ":" + oldPath);

    SetUserInterface(nullptr);
    TViewerFolder folder;
    TJavaTopologyFrame frame;
    frame.EventOnOpenClick();
    frame.EventOnOpenClick();
    qputenv("PATH", oldPath);

    QElapsedTimer timer;
    timer.start();
    QStringList lines;
    while (timer.elapsed() < 20000) {
        QFile f(record);
        if (f.open(QIODevice::ReadOnly))
            lines = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
        if (lines.size() >= 2)
            break;
        QTest::qWait(50);
    }
    ASSERT_EQ(lines.size(), 2) << "two presses start two viewers";
    for (const QString& line : lines)
        EXPECT_EQ(line, "-jar|TopologyView.jar|" + QDir::currentPath());
}

// Open tells why the viewer cannot start: its file is missing from the
// current folder (the runtime would only say so on its error output), or
// the runtime itself is not installed. Nothing is started in the first case.
TEST(JavaTopologyFrame, OpenThatCannotStartSaysWhy)
{
    TestSupport::TFakeUserInterface ui;
    TJavaTopologyFrame frame;
    {
        TViewerFolder empty(false);
        frame.m_Open->click();
        EXPECT_TRUE(ui.Programs.empty()) << "no runtime started without its viewer";
        ASSERT_EQ(ui.Boxes.size(), 1u);
        EXPECT_EQ(ui.Boxes[0].Icon, IUserInterface::IconError);
        EXPECT_EQ(ui.Boxes[0].Buttons, IUserInterface::Ok);
        EXPECT_TRUE(ui.Boxes[0].Text.contains("\"TopologyView.jar\" is not in the folder")) << ui.LastText().toStdString();
        EXPECT_TRUE(ui.Boxes[0].Text.contains(QDir::toNativeSeparators(empty.Path()))) << ui.LastText().toStdString();
    }

    // The viewer is there but the runtime is not on the search path.
    TViewerFolder folder;
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", folder.Path().toUtf8());
    ui.LaunchFails = true;
    frame.m_Open->click();
    qputenv("PATH", oldPath);
    ASSERT_EQ(ui.Programs.size(), 1u);
    ASSERT_EQ(ui.Boxes.size(), 2u);
    EXPECT_EQ(ui.Boxes[1].Text, "Cannot start \"java -jar TopologyView.jar\". The program \"java\" is not installed "
                                "(not found on the search path).");
}
