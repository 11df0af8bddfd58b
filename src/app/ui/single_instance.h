// One copy of the program per user. The first copy holds a lock file (the "alive" mark) and
// listens on a local socket; a later copy hands its argument block over that socket and exits.
// A lock left by a crashed copy is taken over, and its socket file removed, so a crash never
// stops the next start. Call only from the GUI thread.
#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

#include "app/argument_block.h"

namespace sonthra {

// The per-user folder holding the lock and the socket: $XDG_RUNTIME_DIR when it exists,
// otherwise a private folder in the system's temporary folder named after the user id.
QString InstanceFolder();

class SingleInstance {
public:
    static constexpr const char* kName = "Corvanta Sonthra32 is alive";

    explicit SingleInstance(const QString& folder = InstanceFolder());

    // True when this copy is the first one and now holds the mark until Release or exit.
    bool Claim();
    void Release();

    QString SocketPath() const { return m_folder + "/" + kName; }

private:
    QString m_folder;
    std::unique_ptr<QLockFile> m_lock;
};

// The hand-over on the wire: the data identifier (the block's count, 32-bit), the data size
// (32-bit, 65,540) and the block; the answer is a 32-bit value, non-zero for accepted.
struct HandOverRequest {
    std::int32_t identifier = 0;
    std::optional<ArgumentBlock> block;  // missing when the size was not one block
};

// The first copy's side of the channel: answers every hand-over with what `receive` says.
class CommandLineChannel : public QObject {
    Q_OBJECT
public:
    using Receiver = std::function<bool(const HandOverRequest& request)>;

    CommandLineChannel(const QString& socketPath, Receiver receive, QObject* parent = nullptr);

    // Starts listening; a socket file left by a crashed copy is removed first.
    bool Listen();

private:
    void serve(class QLocalSocket* socket);

    QString m_path;
    Receiver m_receive;
    QLocalServer m_server;
};

// The second copy's side: sends the block and returns the first copy's answer, or nullopt when
// no first copy answers within the time limit.
std::optional<bool> HandOverArguments(const QString& socketPath, const ArgumentBlock& block,
                                      int timeoutMs = 5000);

// The first copy's receiving rules: refused while busy or when the data is missing; a block
// whose first slot is "/Burn", or one arriving while the main window is visible, is posted to
// the command handler and accepted; anything else is refused.
bool ReceiveHandOver(const HandOverRequest& request, bool busy, bool windowVisible,
                     const std::function<void(const ArgumentBlock&)>& post);

}  // namespace sonthra
