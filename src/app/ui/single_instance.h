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
#include <vector>

#include "app/argument_block.h"

namespace sonthra {

// The per-user folder holding the lock and the socket: $XDG_RUNTIME_DIR when it exists,
// otherwise a folder in the system's temporary folder named after the user id, created mode
// 0700. That one is used only when it is a real folder (not a link) of this user that nobody
// else can reach; otherwise the result is empty and problem says why, since another user who
// made it first could keep the program from starting or see what it opens.
QString InstanceFolder(QString* problem = nullptr);

// The same check on a given fallback folder (tests give their own).
QString PrivateFolder(const QString& folder, QString* problem);

class SingleInstance {
public:
    static constexpr const char* kName = "Corvanta Sonthra32 is alive";

    explicit SingleInstance(const QString& folder = InstanceFolder());

    // True when this copy is the first one and now holds the mark until Release or exit.
    // False also without a folder; Usable() tells the two apart.
    bool Claim();
    bool Usable() const { return !m_folder.isEmpty(); }
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
// no first copy listens within timeoutMs or answers within replyTimeoutMs of taking the call
// (a first copy that is itself starting answers once its engine is up).
std::optional<bool> HandOverArguments(const QString& socketPath, const ArgumentBlock& block,
                                      int timeoutMs = 5000, int replyTimeoutMs = 30000);

// The first copy's receiving rules: refused while busy or when the data is missing; a block
// whose first slot is "/Burn", or one arriving while the main window is visible, is posted to
// the command handler and accepted; anything else is refused.
bool ReceiveHandOver(const HandOverRequest& request, bool busy, bool windowVisible,
                     const std::function<void(const ArgumentBlock&)>& post);

// Hand-overs that arrive while the first copy is still starting (its window not shown yet, a
// start-up question open) are accepted and kept, then posted in order once it has started;
// after that ReceiveHandOver's rules apply.
class HandOverGate {
public:
    using Post = std::function<void(const ArgumentBlock&)>;

    bool Receive(const HandOverRequest& request, bool busy, bool windowVisible, const Post& post);
    // The first copy has started: posts what was kept.
    void Open(const Post& post);
    bool IsOpen() const { return m_open; }

private:
    bool m_open = false;
    std::vector<ArgumentBlock> m_kept;
};

}  // namespace sonthra
