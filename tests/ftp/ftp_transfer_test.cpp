// Uploads against a real local server: bytes, modes, TLS, a dropped line and an abort.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "fixtures/ftp/ftp_test_server.h"
#include "ftp/simple_ftp.h"
#include "ftp_client_setup.h"

namespace sonthra::ftp {
namespace {

using sonthra::testing::FtpServerOptions;
using sonthra::testing::FtpTestServer;
using sonthra::testing::readWholeFile;
using sonthra::testing::writePatternFile;
namespace fs = std::filesystem;

// Names in a server folder other than the expected ones (left-over temporary files).
std::vector<std::string> entries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

// Uploads local on a worker thread, calls Abort once ready says so (after settle), and
// expects the upload to have ended, failed, within 5 s of it.
void abortUploadWhenReady(TSimpleFTP& ftp, const fs::path& local, const std::atomic<bool>& ready,
                          std::chrono::milliseconds settle = {}) {
    std::atomic<bool> done{false};
    bool result = true;
    std::thread worker([&] {
        result = ftp.PutFile(local.string());
        done = true;
    });
    while (!ready && !done) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::this_thread::sleep_for(settle);
    const auto abortAt = std::chrono::steady_clock::now();
    ftp.Abort();
    while (!done && std::chrono::steady_clock::now() - abortAt < std::chrono::seconds(5)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_TRUE(done.load()) << "the upload was still running 5 s after Abort";
    worker.join();
    EXPECT_FALSE(result);
    EXPECT_EQ(ftp.State(), NoConnection);
}

// A server whose folder holds feed.xml with old contents, a local feed.xml of size bytes and a
// client aimed at the server.
struct FeedUpload {
    FeedUpload(const FtpServerOptions& options, const std::string& old, std::size_t size,
               unsigned seed)
        : server(options), local(server.scratch() / "feed.xml") {
        std::ofstream(server.root() / "feed.xml") << old;
        writePatternFile(local, size, seed);
        aim(ftp, server);
    }
    std::string remote() const { return readWholeFile(server.root() / "feed.xml"); }
    std::string failure() const { return "Error putting " + local.string() + " to /feed.xml"; }

    FtpTestServer server;
    fs::path local;
    TSimpleFTP ftp;
};

TEST(FtpUpload, PutsExactBytesAndReportsProgress) {
    FtpTestServer server;
    ASSERT_TRUE(server.started());
    fs::create_directories(server.root() / "up");
    const fs::path local = server.scratch() / "show.mp3";
    writePatternFile(local, 3'000'000, 1);
    TSimpleFTP ftp;
    aim(ftp, server);
    std::int64_t last = -1;
    bool increasing = true;
    int reports = 0;
    ftp.OnTransferProgress = [&](TSimpleFTP&, const TFTPProgressInfo& info) {
        ++reports;
        if (info.BytesDone < last) increasing = false;
        last = info.BytesDone;
        EXPECT_EQ(info.FileSize, 3'000'000);
        EXPECT_EQ(info.FileName, "show.mp3");
    };
    ASSERT_TRUE(ftp.Connect());
    ASSERT_TRUE(ftp.ChangeDir("up"));
    ASSERT_TRUE(ftp.PutFile(local.string()));
    EXPECT_EQ(readWholeFile(server.root() / "up" / "show.mp3"), readWholeFile(local));
    EXPECT_TRUE(increasing);
    EXPECT_GT(reports, 1);
    EXPECT_EQ(last, 3'000'000);
    EXPECT_EQ(ftp.CurFileSize(), 3'000'000);

    // Over an existing file, a name without folder from LocalDir, and an empty file.
    ftp.OnTransferProgress = nullptr;
    writePatternFile(local, 1000, 2);
    ftp.LocalDir = server.scratch().string();
    ASSERT_TRUE(ftp.PutFile("show.mp3"));
    EXPECT_EQ(readWholeFile(server.root() / "up" / "show.mp3"), readWholeFile(local));
    std::ofstream(server.scratch() / "empty.txt").close();
    ASSERT_TRUE(ftp.PutFileAs((server.scratch() / "empty.txt").string(), "/empty copy.txt"));
    EXPECT_EQ(fs::file_size(server.root() / "empty copy.txt"), 0u);
    EXPECT_EQ(entries(server.root() / "up"), std::vector<std::string>{"show.mp3"});
}

TEST(FtpUpload, MissingLocalFileAndNotConnected) {
    FtpTestServer server;
    ASSERT_TRUE(server.started());
    TSimpleFTP ftp;
    aim(ftp, server);
    const std::string local = (server.scratch() / "a.txt").string();
    std::ofstream(local) << "a";
    EXPECT_FALSE(ftp.PutFileAs(local, "/a.txt"));
    ftp.SilentExceptions = false;
    EXPECT_THROW(ftp.PutFileAs(local, "/a.txt"), ESimpleFTPError);
    ASSERT_TRUE(ftp.Connect());
    try {
        ftp.PutFileAs(local + ".gone", "/b.txt");
        FAIL();
    } catch (const ESimpleFTPError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Error putting " + local + ".gone to /b.txt: local file not found");
    }
    ftp.SilentExceptions = true;
    EXPECT_FALSE(ftp.PutFileAs(local + ".gone", "/b.txt"));
    EXPECT_FALSE(ftp.PutFileAs(local, "/no/such/folder/a.txt"));
    EXPECT_TRUE(ftp.IsConnected());
    EXPECT_EQ(entries(server.root()), std::vector<std::string>{});
}

TEST(FtpUpload, ActiveModeAndAsciiMode) {
    FtpTestServer server;
    ASSERT_TRUE(server.started());
    const fs::path local = server.scratch() / "feed.xml";
    std::ofstream(local, std::ios::binary) << "<rss>\n<item/>\n</rss>\n";
    TSimpleFTP ftp;
    aim(ftp, server);
    ftp.Passive = false;
    ASSERT_TRUE(ftp.Connect());
    EXPECT_EQ(ftp.ListDir(), 0);
    ASSERT_TRUE(ftp.PutFile(local.string()));
    EXPECT_EQ(readWholeFile(server.root() / "feed.xml"), readWholeFile(local));
    ftp.SetTransferType(ttAscii);
    ASSERT_TRUE(ftp.PutFileAs(local.string(), "/feed2.xml"));
    // Text mode: the lines arrive as the server's own text lines.
    EXPECT_EQ(readWholeFile(server.root() / "feed2.xml"), "<rss>\n<item/>\n</rss>\n");
}

TEST(FtpUpload, ExplicitTlsUploadsAndNeverFallsBackToClearText) {
    FtpTestServer tlsServer(FtpServerOptions{.tls = true});
    ASSERT_TRUE(tlsServer.started());
    const fs::path local = tlsServer.scratch() / "ep.mp3";
    writePatternFile(local, 200'000, 3);
    TSimpleFTP ftp;
    aim(ftp, tlsServer);
    ftp.Protocol = FtpProtocol::Ftps;
    ftp.CaFile = tlsServer.certificate().string();
    ASSERT_TRUE(ftp.Connect()) << ftp.LastErrorText();
    EXPECT_EQ(ftp.ListDir(), 0);
    ASSERT_TRUE(ftp.PutFile(local.string()));
    EXPECT_EQ(readWholeFile(tlsServer.root() / "ep.mp3"), readWholeFile(local));
    ftp.Disconnect();

    // Without the certificate the server is not trusted.
    ftp.CaFile.clear();
    EXPECT_FALSE(ftp.Connect());

    // A server without TLS is refused before the password is sent.
    FtpTestServer plain;
    ASSERT_TRUE(plain.started());
    TSimpleFTP strict;
    aim(strict, plain);
    strict.Protocol = FtpProtocol::Ftps;
    EXPECT_FALSE(strict.Connect());
    EXPECT_EQ(strict.State(), NoConnection);

    // Plain FTP to a server that requires TLS fails at the login.
    TSimpleFTP clear;
    aim(clear, tlsServer);
    EXPECT_FALSE(clear.Connect());
}

TEST(FtpUpload, TlsUploadArrivesWholeAtAServerSlowToFinishTheDataHandshake) {
    // A busy server may answer the upload command before it has finished the data connection's
    // handshake. Its session tickets then come while the client is closing that connection, and
    // a socket closed under them is reset, losing what it still held for the server; the server
    // takes the end of the connection for the end of the file and reports the upload complete.
    FtpTestServer server(FtpServerOptions{.tls = true, .slowTlsDataHandshake = true});
    ASSERT_TRUE(server.started());
    const fs::path local = server.scratch() / "ep.mp3";
    writePatternFile(local, 500'000, 7);
    TSimpleFTP ftp;
    aim(ftp, server);
    ftp.Protocol = FtpProtocol::Ftps;
    ftp.CaFile = server.certificate().string();
    ASSERT_TRUE(ftp.Connect()) << ftp.LastErrorText();
    ASSERT_TRUE(ftp.PutFile(local.string()));
    ASSERT_EQ(fs::file_size(server.root() / "ep.mp3"), 500'000u);
    EXPECT_TRUE(readWholeFile(server.root() / "ep.mp3") == readWholeFile(local));
}

TEST(FtpUpload, DroppedLineKeepsThePreviousRemoteFileAndTheClientRecovers) {
    auto server =
        std::make_unique<FtpTestServer>(FtpServerOptions{.uploadBytesPerSecond = 400'000});
    ASSERT_TRUE(server->started());
    const fs::path root = server->root();
    std::ofstream(root / "feed.xml") << "the good feed";
    const fs::path local = server->scratch() / "feed.xml";
    writePatternFile(local, 4'000'000, 4);
    TSimpleFTP ftp;
    aim(ftp, *server);
    int disconnects = 0;
    ftp.OnDisconnected = [&](TWinInetControl&) { ++disconnects; };
    bool killed = false;
    ftp.OnTransferProgress = [&](TSimpleFTP&, const TFTPProgressInfo& info) {
        if (!killed && info.BytesDone > 300'000) {
            killed = true;
            server->kill();
        }
    };
    ASSERT_TRUE(ftp.Connect());
    EXPECT_FALSE(ftp.PutFile(local.string()));
    EXPECT_TRUE(killed);
    EXPECT_EQ(readWholeFile(root / "feed.xml"), "the good feed");
    EXPECT_EQ(ftp.State(), NoConnection);
    EXPECT_FALSE(ftp.IsConnected());
    EXPECT_EQ(disconnects, 1);
    EXPECT_EQ(ftp.LastErrorText(), "Error putting " + local.string() + " to /feed.xml");

    // The server comes back: the same component connects and uploads.
    FtpTestServer again(FtpServerOptions{}, root);
    ASSERT_TRUE(again.started());
    ftp.Port = again.port();
    ftp.OnTransferProgress = nullptr;
    ASSERT_TRUE(ftp.Connect());
    ASSERT_TRUE(ftp.PutFile(local.string()));
    EXPECT_EQ(readWholeFile(root / "feed.xml"), readWholeFile(local));
}

TEST(FtpUpload, FullServerRefusesAndTheConnectionStaysUsable) {
    FeedUpload up(FtpServerOptions{.full = true}, "kept", 50'000, 6);
    ASSERT_TRUE(up.server.started());
    ASSERT_TRUE(up.ftp.Connect());
    EXPECT_FALSE(up.ftp.PutFile(up.local.string()));
    EXPECT_EQ(up.ftp.LastErrorText(), up.failure());
    EXPECT_EQ(up.remote(), "kept");
    EXPECT_TRUE(up.ftp.IsConnected());
    EXPECT_EQ(up.ftp.ListDir(), 1);
}

TEST(FtpUpload, NonsenseFromTheServerFailsTheConnect) {
    int port = 0;
    const int listener = sonthra::testing::openLoopbackListener(port);
    ASSERT_GE(listener, 0);
    std::thread talker([listener] {
        const int client = ::accept(listener, nullptr, nullptr);
        if (client < 0) return;
        const char nonsense[] = "HELLO THERE \x01\x02 not ftp at all\r\n";
        (void)::write(client, nonsense, sizeof nonsense - 1);
        char buffer[256];
        while (::read(client, buffer, sizeof buffer) > 0) {
        }
        ::close(client);
    });
    TSimpleFTP ftp;
    ftp.HostName = "127.0.0.1";
    ftp.Port = port;
    ftp.ConnectRetries = 1;
    ftp.SetConnectTimeout(3000);
    EXPECT_FALSE(ftp.Connect());
    EXPECT_EQ(ftp.State(), NoConnection);
    EXPECT_FALSE(ftp.HasSession());
    EXPECT_FALSE(ftp.LastErrorText().empty());
    ::shutdown(listener, SHUT_RDWR);
    talker.join();
    ::close(listener);
}

TEST(FtpUpload, AbortEndsALargeUploadAndLeavesTheTargetAlone) {
    FtpTestServer server(FtpServerOptions{.uploadBytesPerSecond = 300'000});
    ASSERT_TRUE(server.started());
    std::ofstream(server.root() / "big.wav") << "old";
    const fs::path local = server.scratch() / "big.wav";
    writePatternFile(local, 20'000'000, 5);
    TSimpleFTP ftp;
    aim(ftp, server);
    ASSERT_TRUE(ftp.Connect());
    std::atomic<bool> started{false};
    ftp.OnTransferProgress = [&](TSimpleFTP&, const TFTPProgressInfo& info) {
        if (info.BytesDone > 100'000) started = true;
    };
    abortUploadWhenReady(ftp, local, started);
    EXPECT_EQ(readWholeFile(server.root() / "big.wav"), "old");
    // Everything fails until the next connect, which works.
    EXPECT_FALSE(ftp.PutFile(local.string()));
    EXPECT_TRUE(ftp.Connect());
    EXPECT_EQ(ftp.FindFiles("big.wav", nullptr, false), 1);
}

TEST(FtpUpload, AbortReachesAnUploadWaitingForTheServerToTakeItsLastBytes) {
    // The whole file fits in the socket's buffers: the client hands it over at once and then
    // waits, at the close of the data connection, for the slow server to take it.
    FtpTestServer server(FtpServerOptions{.uploadBytesPerSecond = 50'000});
    ASSERT_TRUE(server.started());
    std::ofstream(server.root() / "feed.xml") << "old";
    const fs::path local = server.scratch() / "feed.xml";
    writePatternFile(local, 1'000'000, 8);
    TSimpleFTP ftp;
    aim(ftp, server);
    ASSERT_TRUE(ftp.Connect());
    std::atomic<bool> started{false};
    ftp.OnTransferProgress = [&](TSimpleFTP&, const TFTPProgressInfo& info) {
        if (info.BytesDone > 0) started = true;
    };
    // The progress counts only what the server took, so the moment the last byte is handed
    // over is not shown: a second after the start it has long been, and the data connection
    // waits at its close.
    abortUploadWhenReady(ftp, local, started, std::chrono::milliseconds(1000));
    EXPECT_EQ(readWholeFile(server.root() / "feed.xml"), "old");
}

// A server that will not rename over the target: the old file must survive, and the user is
// told where the upload went. Removing the target first would leave nothing when the rename
// then fails again.
TEST(FtpUpload, ARefusedReplaceKeepsTheOldFileAndNamesTheUpload) {
    FeedUpload up(FtpServerOptions{.permissions = "elradwMT"}, "the good feed", 30'000, 9);
    ASSERT_TRUE(up.server.started());
    ASSERT_TRUE(up.ftp.Connect());
    EXPECT_FALSE(up.ftp.PutFile(up.local.string()));
    EXPECT_EQ(up.remote(), "the good feed");
    const std::vector<std::string> names = entries(up.server.root());
    ASSERT_EQ(names.size(), 2u);
    const std::string kept = names[0];
    EXPECT_TRUE(kept.starts_with(".feed.xml.") && kept.ends_with(".part")) << kept;
    EXPECT_EQ(readWholeFile(up.server.root() / kept), readWholeFile(up.local));
    EXPECT_EQ(up.ftp.LastErrorText(), up.failure() +
                                          ": the server refused to replace /feed.xml; the upload "
                                          "is kept as /" +
                                          kept);
    EXPECT_TRUE(up.ftp.IsConnected());
}

// Servers that stop moving: one that stops reading the upload, one that never answers the
// rename. Each is given up after the stall time (the connect time-out is far longer), the
// progress never claims bytes the server did not take, and the partial file goes.
TEST(FtpUpload, AStalledServerIsGivenUpAfterTheStallTimeAndThePartialFileGoes) {
    for (const FtpServerOptions& options :
         {FtpServerOptions{.stallAfterBytes = 100'000}, FtpServerOptions{.silentOn = "RNFR"}}) {
        const std::size_t size = options.stallAfterBytes > 0 ? 8'000'000 : 20'000;
        FeedUpload up(options, "old", size, 10);
        ASSERT_TRUE(up.server.started());
        up.ftp.SetConnectTimeout(300'000);
        up.ftp.SetStallTimeout(2'000);
        std::int64_t shown = 0;
        up.ftp.OnTransferProgress = [&](TSimpleFTP&, const TFTPProgressInfo& info) {
            shown = std::max(shown, info.BytesDone);
        };
        ASSERT_TRUE(up.ftp.Connect());
        EXPECT_FALSE(up.ftp.PutFile(up.local.string()));
        EXPECT_EQ(up.ftp.LastErrorText(), up.failure() + ": the server took nothing for 2 s");
        if (options.stallAfterBytes > 0) {
            EXPECT_LT(shown, static_cast<std::int64_t>(size / 4)) << "beyond what the server took";
        }
        EXPECT_EQ(up.remote(), "old");
        EXPECT_EQ(entries(up.server.root()), std::vector<std::string>{"feed.xml"});
    }
}

TEST(FtpUpload, ARefusedCertificateIsNamedWithItsSubject) {
    FtpTestServer server(FtpServerOptions{.tls = true});
    ASSERT_TRUE(server.started());
    TSimpleFTP ftp;
    aim(ftp, server);
    ftp.Protocol = FtpProtocol::Ftps;
    ftp.ConnectRetries = 1;
    EXPECT_FALSE(ftp.Connect());
    EXPECT_EQ(ftp.LastErrorText(),
              "Unable to connect to 127.0.0.1: certificate not trusted (CN = 127.0.0.1)");
}

}  // namespace
}  // namespace sonthra::ftp
