#include "app/ui/single_instance.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <cstring>

namespace sonthra {

namespace {

constexpr int kHeaderSize = 8;
constexpr int kServeTimeoutMs = 5000;

bool equalsBurn(const std::string& slot) {
    return QString::fromStdString(slot).compare("/Burn", Qt::CaseInsensitive) == 0;
}

}  // namespace

QString PrivateFolder(const QString& folder, QString* problem) {
    const QByteArray path = QFile::encodeName(folder);
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) {
        if (problem) *problem = QString("The folder %1 cannot be made.").arg(folder);
        return {};
    }
    // lstat: a link planted in its place must not lead us elsewhere.
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        if (problem) *problem = QString("%1 is not a folder.").arg(folder);
        return {};
    }
    if (st.st_uid != ::getuid()) {
        if (problem) *problem = QString("The folder %1 belongs to another user.").arg(folder);
        return {};
    }
    if ((st.st_mode & 077) != 0) {
        if (problem) *problem = QString("Other users can reach the folder %1.").arg(folder);
        return {};
    }
    return folder;
}

QString InstanceFolder(QString* problem) {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir()) return runtime;
    return PrivateFolder(QDir::tempPath() + QString("/sonthra-%1").arg(getuid()), problem);
}

SingleInstance::SingleInstance(const QString& folder) : m_folder(folder) {}

bool SingleInstance::Claim() {
    if (m_folder.isEmpty()) return false;
    m_lock = std::make_unique<QLockFile>(m_folder + "/" + kName + ".lock");
    // The mark lives as long as its owner: only a dead owner's lock is stale, never an old one.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0)) return true;
    m_lock.reset();
    return false;
}

void SingleInstance::Release() {
    if (m_lock) m_lock->unlock();
    m_lock.reset();
}

CommandLineChannel::CommandLineChannel(const QString& socketPath, Receiver receive, QObject* parent)
    : QObject(parent), m_path(socketPath), m_receive(std::move(receive)) {
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server.nextPendingConnection()) serve(socket);
    });
}

bool CommandLineChannel::Listen() {
    // Only the holder of the mark listens, so a socket file found now belongs to a dead copy.
    QLocalServer::removeServer(m_path);
    return m_server.listen(m_path);
}

void CommandLineChannel::serve(QLocalSocket* socket) {
    auto buffer = std::make_shared<QByteArray>();
    auto answered = std::make_shared<bool>(false);
    QTimer::singleShot(kServeTimeoutMs, socket, [socket] { socket->abort(); });
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket, buffer, answered] {
        if (*answered) return;
        buffer->append(socket->readAll());
        if (buffer->size() < kHeaderSize) return;
        HandOverRequest request;
        std::uint32_t size;
        std::memcpy(&request.identifier, buffer->constData(), 4);
        std::memcpy(&size, buffer->constData() + 4, 4);
        // A size other than one block is refused at once, without waiting for its bytes.
        if (size == ArgumentBlock::kSize) {
            if (buffer->size() < kHeaderSize + static_cast<qsizetype>(size)) return;
            request.block = ArgumentBlock::fromBytes(buffer->constData() + kHeaderSize, size);
        }
        *answered = true;
        const std::int32_t reply = m_receive(request) ? 1 : 0;
        socket->write(reinterpret_cast<const char*>(&reply), sizeof reply);
        socket->flush();
        socket->disconnectFromServer();
    });
}

std::optional<bool> HandOverArguments(const QString& socketPath, const ArgumentBlock& block,
                                      int timeoutMs, int replyTimeoutMs) {
    QElapsedTimer clock;
    clock.start();
    QLocalSocket socket;
    // The first copy may hold the mark but not listen yet while it starts: keep trying.
    while (true) {
        socket.connectToServer(socketPath);
        if (socket.waitForConnected(500)) break;
        if (clock.elapsed() >= timeoutMs) return std::nullopt;
        QThread::msleep(50);
    }
    QByteArray message(kHeaderSize, '\0');
    const std::int32_t identifier = block.count();
    const std::uint32_t size = ArgumentBlock::kSize;
    std::memcpy(message.data(), &identifier, 4);
    std::memcpy(message.data() + 4, &size, 4);
    message.append(reinterpret_cast<const char*>(block.bytes().data()), ArgumentBlock::kSize);
    socket.write(message);
    clock.restart();
    if (!socket.waitForBytesWritten(replyTimeoutMs)) return std::nullopt;
    QByteArray reply;
    while (reply.size() < 4) {
        const int left = replyTimeoutMs - static_cast<int>(clock.elapsed());
        if (left <= 0 || !socket.waitForReadyRead(left)) return std::nullopt;
        reply.append(socket.readAll());
    }
    std::int32_t answer;
    std::memcpy(&answer, reply.constData(), 4);
    return answer != 0;
}

bool ReceiveHandOver(const HandOverRequest& request, bool busy, bool windowVisible,
                     const std::function<void(const ArgumentBlock&)>& post) {
    if (busy || !request.block) return false;
    const ArgumentBlock copy = *request.block;
    if (equalsBurn(copy.slot(0)) || windowVisible) {
        post(copy);
        return true;
    }
    return false;
}

bool HandOverGate::Receive(const HandOverRequest& request, bool busy, bool windowVisible,
                           const Post& post) {
    if (m_open) return ReceiveHandOver(request, busy, windowVisible, post);
    if (!request.block) return false;
    m_kept.push_back(*request.block);
    return true;
}

void HandOverGate::Open(const Post& post) {
    m_open = true;
    std::vector<ArgumentBlock> kept;
    kept.swap(m_kept);
    for (const ArgumentBlock& block : kept) post(block);
}

}  // namespace sonthra
