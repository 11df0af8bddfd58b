#include "app/ui/signal_watcher.h"

#include <fcntl.h>

#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>

namespace sonthra {

namespace {

// The handler may only write to a pipe; the GUI thread reads it through a socket notifier.
int g_pipe[2] = {-1, -1};

// A GUI thread that never comes back to its event loop (a hang) cannot end the program in
// order: the first signal also arms an alarm whose default action ends the process after this
// long. The record of the work on disk lets the next start give it back even then.
constexpr unsigned kLastResortSeconds = 5;

void onUnixSignal(int signal) {
    const int saved = errno;
    static volatile sig_atomic_t armed = 0;
    if (!armed) {
        armed = 1;
        ::alarm(kLastResortSeconds);
    }
    const unsigned char byte = static_cast<unsigned char>(signal);
    // Never blocks: a full pipe already holds a notice the GUI thread has not read.
    [[maybe_unused]] ssize_t written = ::write(g_pipe[0], &byte, 1);
    errno = saved;
}

}  // namespace

SignalWatcher::SignalWatcher(std::function<void(int)> onSignal, QObject* parent)
    : QObject(parent), m_onSignal(std::move(onSignal)) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pipe) != 0) return;
    ::fcntl(g_pipe[0], F_SETFL, ::fcntl(g_pipe[0], F_GETFL) | O_NONBLOCK);
    m_notifier = std::make_unique<QSocketNotifier>(g_pipe[1], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] {
        unsigned char byte = 0;
        if (::read(g_pipe[1], &byte, 1) == 1 && m_onSignal) m_onSignal(byte);
    });
    struct sigaction action {};
    action.sa_handler = onUnixSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &action, nullptr);
}

SignalWatcher::~SignalWatcher() {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &action, nullptr);
    m_notifier.reset();
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

}  // namespace sonthra
