#include "app/ui/single_instance.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "messages/message_table.h"

namespace sonthra {
namespace {

// Runs a blocking hand-over on another thread while this one serves the channel.
std::optional<bool> handOverWhileServing(const QString& path, const ArgumentBlock& block) {
    std::optional<bool> reply;
    std::atomic<bool> done{false};
    std::thread sender([&] {
        reply = HandOverArguments(path, block, 3000);
        done = true;
    });
    while (!done) QTest::qWait(5);
    sender.join();
    return reply;
}

TEST(SingleInstance, OnlyOneCopyHoldsTheMarkUntilItIsReleased) {
    QTemporaryDir folder;
    SingleInstance first(folder.path());
    SingleInstance second(folder.path());
    EXPECT_TRUE(first.Claim());
    EXPECT_FALSE(second.Claim());
    first.Release();
    EXPECT_TRUE(second.Claim());
}

TEST(CommandLineChannel, CarriesTheBlockAndTheAnswer) {
    QTemporaryDir folder;
    SingleInstance instance(folder.path());
    ASSERT_TRUE(instance.Claim());
    // A socket file left behind by a crashed copy must not stop the channel.
    QFile stale(instance.SocketPath());
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();

    std::vector<HandOverRequest> received;
    bool accept = true;
    CommandLineChannel channel(instance.SocketPath(), [&](const HandOverRequest& request) {
        received.push_back(request);
        return accept;
    });
    ASSERT_TRUE(channel.Listen());

    const auto block = ArgumentBlock::fromArguments({"/music/take one.wav"});
    EXPECT_EQ(handOverWhileServing(instance.SocketPath(), block), std::optional<bool>(true));
    accept = false;
    EXPECT_EQ(handOverWhileServing(instance.SocketPath(), block), std::optional<bool>(false));
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].identifier, 1);
    ASSERT_TRUE(received[0].block.has_value());
    EXPECT_EQ(received[0].block->bytes(), block.bytes());
}

TEST(CommandLineChannel, ABlockOfTheWrongSizeIsRefusedAsMissingData) {
    QTemporaryDir folder;
    const QString path = folder.path() + "/channel";
    bool hadBlock = true;
    CommandLineChannel channel(path, [&](const HandOverRequest& request) {
        hadBlock = request.block.has_value();
        return ReceiveHandOver(request, false, true, [](const ArgumentBlock&) {});
    });
    ASSERT_TRUE(channel.Listen());
    QLocalSocket socket;
    socket.connectToServer(path);
    ASSERT_TRUE(socket.waitForConnected(2000));
    const std::int32_t header[2] = {1, 12};
    socket.write(reinterpret_cast<const char*>(header), sizeof header);
    socket.write("short block!");
    QByteArray reply;
    for (int i = 0; i < 200 && reply.size() < 4; ++i) {
        QTest::qWait(10);
        reply += socket.readAll();
    }
    ASSERT_EQ(reply.size(), 4);
    std::int32_t answer;
    std::memcpy(&answer, reply.constData(), 4);
    EXPECT_EQ(answer, 0);
    EXPECT_FALSE(hadBlock);
}

TEST(CommandLineChannel, NoFirstCopyMeansNoAnswer) {
    QTemporaryDir folder;
    EXPECT_FALSE(HandOverArguments(folder.path() + "/nobody", ArgumentBlock(), 300).has_value());
}

TEST(ReceiveHandOver, RefusalAndAcceptanceRules) {
    auto requestOf = [](const std::string& first) {
        HandOverRequest r;
        r.block = ArgumentBlock::fromArguments({first});
        return r;
    };
    int posted = 0;
    auto post = [&](const ArgumentBlock&) { ++posted; };
    EXPECT_TRUE(ReceiveHandOver(requestOf("a.wav"), false, true, post));
    EXPECT_FALSE(ReceiveHandOver(requestOf("a.wav"), true, true, post));    // busy
    EXPECT_FALSE(ReceiveHandOver(requestOf("a.wav"), false, false, post));  // hidden
    EXPECT_TRUE(ReceiveHandOver(requestOf("/BURN"), false, false, post));   // burn passes
    EXPECT_FALSE(ReceiveHandOver(HandOverRequest{}, false, true, post));    // no data
    EXPECT_EQ(posted, 2);
}

// The real program, started as a process of its own with a private runtime folder.
class ProgramCopies : public ::testing::Test {
protected:
    void SetUp() override {
        m_program = qEnvironmentVariable("SONTHRA_PROGRAM");
        if (m_program.isEmpty()) GTEST_SKIP() << "SONTHRA_PROGRAM not set";
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.insert("XDG_RUNTIME_DIR", m_runtime.path());
        m_env.insert("XDG_CONFIG_HOME", m_runtime.path() + "/config");
        m_env.insert("QT_QPA_PLATFORM", "offscreen");
    }

    // Starts a copy whose dialogs are logged to `log` and answered from `answers`.
    std::unique_ptr<QProcess> start(const QStringList& args, const QString& log) {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment env = m_env;
        env.insert("SONTHRA_DIALOG_LOG", log);
        process->setProcessEnvironment(env);
        process->start(m_program, args);
        process->waitForStarted(5000);
        return process;
    }

    QString socketPath() const {
        return m_runtime.path() + "/" + SingleInstance::kName;
    }

    QStringList logLines(const QString& log) const {
        QFile file(log);
        if (!file.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    }

    QTemporaryDir m_runtime;
    QString m_program;
    QProcessEnvironment m_env;
};

TEST_F(ProgramCopies, ASecondCopyHandsItsFileToTheFirstAndEnds) {
    SingleInstance first(m_runtime.path());
    ASSERT_TRUE(first.Claim());
    std::vector<ArgumentBlock> posted;
    bool busy = false;
    CommandLineChannel channel(socketPath(), [&](const HandOverRequest& request) {
        return ReceiveHandOver(request, busy, true,
                               [&](const ArgumentBlock& b) { posted.push_back(b); });
    });
    ASSERT_TRUE(channel.Listen());

    const QString log = m_runtime.path() + "/second.log";
    auto second = start({"/tmp/a take.wav", "/tmp/other.wav"}, log);
    while (second->state() != QProcess::NotRunning) QTest::qWait(10);
    EXPECT_EQ(second->exitCode(), 0);
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].count(), 1);
    EXPECT_EQ(posted[0].slot(0), "/tmp/a take.wav");
    EXPECT_TRUE(logLines(log).isEmpty());

    // A relative name is made absolute by the copy that was started with it.
    auto relative = std::make_unique<QProcess>();
    QProcessEnvironment env = m_env;
    env.insert("SONTHRA_DIALOG_LOG", log);
    relative->setProcessEnvironment(env);
    relative->setWorkingDirectory(m_runtime.path());
    relative->start(m_program, {"/NoSplash", "take two.wav"});
    relative->waitForStarted(5000);
    while (relative->state() != QProcess::NotRunning) QTest::qWait(10);
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(QString::fromStdString(posted[1].slot(0)), m_runtime.path() + "/take two.wav");
    posted.pop_back();

    // While the first copy is busy the second is refused and says so, naming the product
    // in both places.
    busy = true;
    auto refused = start({"/tmp/b.wav"}, log);
    while (refused->state() != QProcess::NotRunning) QTest::qWait(10);
    EXPECT_EQ(posted.size(), 1u);
    const QString expected =
        QString("message|Sonthra|") +
        QString::fromStdString(FormatMessage(434, {"Sonthra", "Sonthra"})).replace("\n", "\\n");
    EXPECT_EQ(logLines(log), QStringList{expected});
}

TEST_F(ProgramCopies, ACrashedFirstCopyDoesNotStopTheNextStart) {
    const QString log = m_runtime.path() + "/crash.log";
    auto crashed = start({}, log);
    for (int i = 0; i < 500 && !QFile::exists(socketPath()); ++i) QTest::qWait(10);
    ASSERT_TRUE(QFile::exists(socketPath()));
    crashed->kill();
    crashed->waitForFinished(5000);

    auto next = start({}, log);
    QTest::qWait(1500);
    EXPECT_EQ(next->state(), QProcess::Running) << "the next start took itself for a second copy";
    // It answers on the channel: a block with "/Burn" is always accepted by a first copy.
    EXPECT_EQ(handOverWhileServing(socketPath(), ArgumentBlock::fromArguments({"/Burn"})),
              std::optional<bool>(true));
    next->terminate();
    EXPECT_TRUE(next->waitForFinished(10000));
    EXPECT_EQ(next->exitStatus(), QProcess::NormalExit);
}

}  // namespace
}  // namespace sonthra
