#pragma once
// Turns SIGTERM, SIGINT and SIGHUP (a session logout, a closed terminal) into a request to close
// the main window, so that a terminated program still runs its shut-down and saves its state. The
// handlers only write a byte into a pipe; everything else happens on the GUI thread when the pipe
// becomes readable.

#include <QObject>

class QSocketNotifier;

namespace klv::app {

class SignalCloser : public QObject {
    Q_OBJECT
public:
    // Installs the handlers before anything else runs: a signal that arrives before the
    // object exists is kept in the pipe and reported once it does. [main thread]
    static void installHandlers();

    // Reports the signals (installing the handlers when that was not done yet). One object per
    // process; create it on the GUI thread.
    explicit SignalCloser(QObject* parent = nullptr);
    // Restores the default handlers.
    ~SignalCloser() override;

signals:
    void terminationRequested();

private:
    void drain();

    QSocketNotifier* m_notifier = nullptr;
};

} // namespace klv::app
