#include "app/ui/single_instance.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

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

TEST(HandOverGate, KeepsWhatComesWhileStartingAndPostsItInOrderOnceStarted) {
    auto requestOf = [](const std::string& first) {
        HandOverRequest r;
        r.block = ArgumentBlock::fromArguments({first});
        return r;
    };
    std::vector<std::string> posted;
    auto post = [&](const ArgumentBlock& b) { posted.push_back(b.slot(0)); };
    HandOverGate gate;
    // Busy with its start-up questions and not shown yet: taken all the same.
    EXPECT_TRUE(gate.Receive(requestOf("/tmp/one.wav"), true, false, post));
    EXPECT_TRUE(gate.Receive(requestOf("/tmp/two.wav"), false, false, post));
    EXPECT_FALSE(gate.Receive(HandOverRequest{}, false, false, post)) << "no data";
    EXPECT_TRUE(posted.empty());
    gate.Open(post);
    EXPECT_EQ(posted, (std::vector<std::string>{"/tmp/one.wav", "/tmp/two.wav"}));
    // Started: the usual rules.
    EXPECT_FALSE(gate.Receive(requestOf("/tmp/three.wav"), true, true, post));
    EXPECT_TRUE(gate.Receive(requestOf("/tmp/four.wav"), false, true, post));
    EXPECT_EQ(posted.back(), "/tmp/four.wav");
}

TEST(PrivateFolder, IsMadeForTheUserAloneAndRefusedWhenAnotherCouldReachIt) {
    QTemporaryDir parent;
    QString problem;
    const QString made = parent.path() + "/mine";
    EXPECT_EQ(PrivateFolder(made, &problem), made);
    struct stat st {};
    ASSERT_EQ(::lstat(QFile::encodeName(made).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(PrivateFolder(made, &problem), made) << "found again on the next start";

    const QString open = parent.path() + "/open";
    ASSERT_EQ(::mkdir(QFile::encodeName(open).constData(), 0700), 0);
    ::chmod(QFile::encodeName(open).constData(), 0755);
    EXPECT_TRUE(PrivateFolder(open, &problem).isEmpty());
    EXPECT_TRUE(problem.contains("Other users")) << problem.toStdString();

    const QString link = parent.path() + "/link";
    ASSERT_EQ(::symlink(QFile::encodeName(made).constData(), QFile::encodeName(link).constData()),
              0);
    EXPECT_TRUE(PrivateFolder(link, &problem).isEmpty()) << "a link is not the folder";

    const QString file = parent.path() + "/file";
    QFile(file).open(QIODevice::WriteOnly);
    EXPECT_TRUE(PrivateFolder(file, &problem).isEmpty());

    if (::geteuid() != 0) GTEST_SKIP() << "a folder of another user needs root to make";
    const QString theirs = parent.path() + "/theirs";
    ASSERT_EQ(::mkdir(QFile::encodeName(theirs).constData(), 0700), 0);
    ASSERT_EQ(::chown(QFile::encodeName(theirs).constData(), 65534, 65534), 0);
    EXPECT_TRUE(PrivateFolder(theirs, &problem).isEmpty());
    EXPECT_TRUE(problem.contains("another user")) << problem.toStdString();
    // Nothing of ours was put into it.
    EXPECT_TRUE(QDir(theirs).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
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

    QString socketPath() const { return m_runtime.path() + "/" + SingleInstance::kName; }

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

TEST_F(ProgramCopies, TwoCopiesStartedTogetherAlwaysHandOver) {
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        QTemporaryDir runtime;
        m_env.insert("XDG_RUNTIME_DIR", runtime.path());
        // Files that do not exist: whichever copy ends up first names both in its messages.
        const QString a = runtime.path() + "/a.wav", b = runtime.path() + "/b.wav";
        const QString logA = runtime.path() + "/a.log", logB = runtime.path() + "/b.log";
        auto first = start({a}, logA);
        auto second = start({b}, logB);
        QElapsedTimer clock;
        clock.start();
        while (first->state() != QProcess::NotRunning && second->state() != QProcess::NotRunning &&
               clock.elapsed() < 60000)
            QTest::qWait(10);
        const bool aEnded = first->state() == QProcess::NotRunning;
        QProcess& ended = aEnded ? *first : *second;
        QProcess& staying = aEnded ? *second : *first;
        ASSERT_EQ(ended.state(), QProcess::NotRunning) << "neither copy handed over";
        EXPECT_EQ(ended.exitCode(), 0);
        EXPECT_TRUE(logLines(aEnded ? logA : logB).isEmpty()) << "refused: 434 shown";
        // The file of the copy that ended reaches the one that stays.
        const QString handed = aEnded ? a : b;
        bool reached = false;
        for (int i = 0; i < 3000 && !reached; ++i) {
            reached = logLines(aEnded ? logB : logA).join('\n').contains(handed);
            if (!reached) QTest::qWait(10);
        }
        EXPECT_TRUE(reached) << logLines(aEnded ? logB : logA).join('\n').toStdString();
        EXPECT_EQ(staying.state(), QProcess::Running);
        staying.terminate();
        staying.waitForFinished(10000);
    }
}

TEST_F(ProgramCopies, AFallbackFolderOfAnotherUserIsNotUsed) {
    if (::geteuid() != 0) GTEST_SKIP() << "a folder of another user needs root to make";
    QTemporaryDir tmp;
    const QString theirs = tmp.path() + QString("/sonthra-%1").arg(::getuid());
    ASSERT_EQ(::mkdir(QFile::encodeName(theirs).constData(), 0777), 0);
    ASSERT_EQ(::chown(QFile::encodeName(theirs).constData(), 65534, 65534), 0);
    m_env.remove("XDG_RUNTIME_DIR");
    m_env.insert("TMPDIR", tmp.path());
    const QString log = tmp.path() + "/log";
    auto copy = start({}, log);
    bool told = false;
    for (int i = 0; i < 3000 && !told; ++i) {
        told = logLines(log).join('\n').contains("belongs to another user");
        if (!told) QTest::qWait(10);
    }
    EXPECT_TRUE(told) << logLines(log).join('\n').toStdString();
    EXPECT_EQ(copy->state(), QProcess::Running) << "it runs on its own";
    EXPECT_TRUE(QDir(theirs).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty())
        << "nothing of ours in their folder";
    copy->terminate();
    copy->waitForFinished(10000);
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
