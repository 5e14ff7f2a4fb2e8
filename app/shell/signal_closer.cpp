#include "app/shell/signal_closer.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace klv::app {

namespace {

int g_pipe[2] = {-1, -1};

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// Only async-signal-safe calls here: one write, errno kept for the interrupted code.
void onSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(g_pipe[1], &byte, 1);
    errno = saved;
}

} // namespace

void SignalCloser::installHandlers() {
    if (g_pipe[0] >= 0)
        return;
    // Non-blocking both ways: a flood of signals must never block the handler, and draining
    // must stop when the pipe is empty.
    if (pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        g_pipe[0] = g_pipe[1] = -1;
        return;
    }
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : kSignals)
        sigaction(sig, &action, nullptr);
}

SignalCloser::SignalCloser(QObject* parent) : QObject(parent) {
    installHandlers();
    if (g_pipe[0] < 0)
        return;
    // Level-triggered: bytes written before this point are reported at the first chance.
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SignalCloser::drain);
}

SignalCloser::~SignalCloser() {
    for (int sig : kSignals)
        signal(sig, SIG_DFL);
    if (g_pipe[0] >= 0) {
        delete m_notifier;
        close(g_pipe[0]);
        close(g_pipe[1]);
        g_pipe[0] = g_pipe[1] = -1;
    }
}

void SignalCloser::drain() {
    char bytes[64];
    while (read(g_pipe[0], bytes, sizeof bytes) > 0) {
    }
    emit terminationRequested();
}

} // namespace klv::app
