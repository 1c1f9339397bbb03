// The console's entry point.
#include "Intp.h"
#include "MainForm.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>

#include <exception>
#include <memory>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    std::unique_ptr<TMainForm> window;
    try {
        // Model 0 first, then the six models of the family in index order.
        Intp::RegisterBuiltinModels();
        SetApplicationTitle();
        window = std::make_unique<TMainForm>();
        if (window->EventOnMainFormCreate()) {
            // Without a window manager a maximise request is ignored: start
            // with the screen's whole free area.
            if (QScreen* screen = QGuiApplication::primaryScreen())
                window->setGeometry(screen->availableGeometry());
            window->showMaximized();
            app.exec();
        }
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, AppTitle, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        QMessageBox::critical(nullptr, AppTitle, QString());
    }
    // Workers stopped and joined, the library detached from the window and
    // released, then the window and its pages go.
    if (window)
        window->Shutdown();
    Intp::ReleaseLibrary();
    window.reset();
    return 0;
}
