// KLV3: the Kelvara program.

#include "app/shell/desk_icon.h"
#include "app/shell/main_window.h"
#include "app/shell/program_state.h"
#include "app/shell/qt_window_system.h"
#include "app/shell/signal_closer.h"
#include "app/shell/startup.h"
#include "platform/ui/window_system.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char** argv) {
    using namespace klv::app;

    // First, so that a termination request during start-up is kept, not lost.
    SignalCloser::installHandlers();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelvara"));
    QApplication::setWindowIcon(kelvaraIcon());
    // Matches the desktop entry, so the desktop shows the entry's icon for the window.
    QGuiApplication::setDesktopFileName(QStringLiteral("kelvara"));
    // The program ends when the main window's shut-down has run, not when some window closes
    // (the splash window comes and goes during start-up and shut-down).
    QApplication::setQuitOnLastWindowClosed(false);

    SignalCloser terminations;
    QtWindowSystem windows;
    klv::platform::setWindowSystem(&windows);

    int result = 0;
    {
        MainWindow mainWindow(programState());
        bool started = false;
        bool closeWanted = false;
        QObject::connect(&terminations, &SignalCloser::terminationRequested, &mainWindow, [&] {
            // The system asks the program to end: no question, but the whole shut-down.
            if (started)
                mainWindow.closeWithoutQuestion();
            else
                closeWanted = true; // start-up must finish before the shut-down can run
        });
        QObject::connect(&mainWindow, &MainWindow::shutDownFinished, &app, &QApplication::quit,
                         Qt::QueuedConnection);

        Startup startup(mainWindow);
        switch (startup.run()) {
        case Startup::Outcome::AlreadyRunning:
            result = 0;
            break;
        case Startup::Outcome::Ended:
            result = 1;
            break;
        case Startup::Outcome::Running:
            started = true;
            if (closeWanted)
                QTimer::singleShot(0, &mainWindow, &MainWindow::closeWithoutQuestion);
            result = QApplication::exec();
            break;
        }
    }
    klv::platform::setWindowSystem(nullptr);
    return result;
}
