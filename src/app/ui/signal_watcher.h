// Turns SIGTERM, SIGINT and SIGHUP (a logout, a system shutdown, Ctrl+C in a terminal) into a
// call on the GUI thread, where the program can close down in order. Create once, on the GUI
// thread, after the QApplication. A GUI thread that does not take the call within five seconds
// (a hang) is ended by SIGALRM's default action.
#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <functional>
#include <memory>

namespace sonthra {

class SignalWatcher : public QObject {
    Q_OBJECT
public:
    explicit SignalWatcher(std::function<void(int signal)> onSignal, QObject* parent = nullptr);
    ~SignalWatcher() override;

private:
    std::function<void(int)> m_onSignal;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

}  // namespace sonthra
