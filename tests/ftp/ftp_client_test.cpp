// The FTP client against a real local server: login, folders, listings, deletes, failures.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "fixtures/ftp/ftp_test_server.h"
#include "ftp/simple_ftp.h"
#include "ftp_client_setup.h"

namespace sonthra::ftp {
namespace {

using sonthra::testing::FtpServerOptions;
using sonthra::testing::FtpTestServer;

TEST(FtpClient, ConnectsReportsStatesAndDisconnects) {
    FtpTestServer server;
    ASSERT_TRUE(server.started());
    TSimpleFTP ftp;
    aim(ftp, server);
    std::vector<TWinInetState> states;
    int connected = 0, disconnected = 0, logins = 0;
    ftp.OnStateChange = [&](TWinInetControl&, TWinInetState s) { states.push_back(s); };
    ftp.OnConnected = [&](TWinInetControl&) { ++connected; };
    ftp.OnDisconnected = [&](TWinInetControl&) { ++disconnected; };
    ftp.OnLogin = [&](TSimpleFTP&, std::string& user, std::string&) {
        ++logins;
        EXPECT_EQ(user, FtpTestServer::kUser);
    };
    ASSERT_TRUE(ftp.Connect());
    EXPECT_EQ(ftp.State(), Connected);
    EXPECT_EQ(connected, 1);
    EXPECT_EQ(logins, 1);
    EXPECT_EQ(ftp.RemoteDir(), "/");
    EXPECT_NE(ftp.LastResponse().find("230"), std::string::npos);
    EXPECT_EQ(ftp.LastResponse().find(FtpTestServer::kPassword), std::string::npos);
    const std::vector<TWinInetState> expected = {ResolvingName, NameResolved, Connecting,
                                                 Connected};
    EXPECT_EQ(states, expected);
    // A second connect while connected changes nothing.
    EXPECT_TRUE(ftp.Connect());
    EXPECT_EQ(connected, 1);

    states.clear();
    EXPECT_TRUE(ftp.Disconnect());
    EXPECT_EQ(ftp.State(), NoConnection);
    EXPECT_EQ(disconnected, 1);
    EXPECT_EQ(states, (std::vector<TWinInetState>{Disconnecting, NoConnection}));
    EXPECT_FALSE(ftp.HasSession());
    // Disconnecting again does not report again.
    EXPECT_TRUE(ftp.Disconnect());
    EXPECT_EQ(disconnected, 1);
}

TEST(FtpClient, WrongPasswordFailsSilentlyOrWithItsText) {
    FtpTestServer server;
    ASSERT_TRUE(server.started());
    TSimpleFTP ftp;
    aim(ftp, server);
    ftp.Password = "wrong";
    EXPECT_FALSE(ftp.Connect());
    EXPECT_EQ(ftp.State(), NoConnection);
    EXPECT_FALSE(ftp.HasSession());
    EXPECT_EQ(ftp.LastErrorText(), "Bad password connecting to 127.0.0.1");

    ftp.SilentExceptions = false;
    try {
        ftp.Connect();
        FAIL() << "no error raised";
    } catch (const EWinInetError& e) {
        EXPECT_STREQ(e.what(), "Bad password connecting to 127.0.0.1");
    }
    // The right password works afterwards with the same component.
    ftp.SilentExceptions = true;
    ftp.Password = FtpTestServer::kPassword;
    EXPECT_TRUE(ftp.Connect());
}

TEST(FtpClient, ClosedPortAndSilentServerFailWithinTheTimeOut) {
    // A port nobody listens on: refused at once, after the retries.
    TSimpleFTP refused;
    refused.HostName = "127.0.0.1";
    refused.Port = 1;
    refused.ConnectRetries = 2;
    EXPECT_FALSE(refused.Connect());
    EXPECT_EQ(refused.LastErrorText(), "Unable to connect to 127.0.0.1");

    // A listener that never greets: the kernel completes the handshake, nobody answers.
    int port = 0;
    const int listener = sonthra::testing::openLoopbackListener(port);
    ASSERT_GE(listener, 0);
    TSimpleFTP silent;
    silent.HostName = "127.0.0.1";
    silent.Port = port;
    silent.ConnectRetries = 1;
    silent.SetConnectTimeout(1500);
    EXPECT_FALSE(silent.Connect());
    EXPECT_EQ(silent.LastErrorText(), "Connection to 127.0.0.1 timed out");
    EXPECT_EQ(silent.State(), NoConnection);
    ::close(listener);
}

TEST(FtpClient, FoldersChangeAndAreRememberedAcrossConnects) {
    FtpTestServer server;
    ASSERT_TRUE(server.started());
    std::filesystem::create_directories(server.root() / "pod" / "casts");
    TSimpleFTP ftp;
    aim(ftp, server);
    int changes = 0;
    ftp.OnDirectoryChange = [&](TSimpleFTP&) { ++changes; };

    // Set while disconnected: only stored, entered right after the login.
    EXPECT_TRUE(ftp.ChangeDir("pod/"));
    EXPECT_EQ(ftp.RemoteDir(), "pod/");
    ASSERT_TRUE(ftp.Connect());
    EXPECT_EQ(ftp.RemoteDir(), "/pod");
    EXPECT_EQ(changes, 1);

    EXPECT_TRUE(ftp.ChangeDir("casts/"));
    EXPECT_EQ(ftp.RemoteDir(), "/pod/casts");
    EXPECT_TRUE(ftp.ChangeDir(".."));
    EXPECT_EQ(ftp.RemoteDir(), "/pod");
    EXPECT_TRUE(ftp.ChangeDir("/"));
    EXPECT_EQ(ftp.RemoteDir(), "/");

    EXPECT_FALSE(ftp.ChangeDir("missing"));
    EXPECT_EQ(ftp.LastErrorText(), "Couldn't change to directory missing");
    EXPECT_EQ(ftp.RemoteDir(), "/");
    EXPECT_FALSE(ftp.ChangeDir("pod\r\nDELE x"));
    ftp.SilentExceptions = false;
    EXPECT_THROW(ftp.ChangeDir("missing"), ESimpleFTPError);
    EXPECT_THROW(ftp.SetFileSystemType(ftUnknown), ESimpleFTPError);
    ftp.SilentExceptions = true;
    ftp.SetFileSystemType(ftUnknown);  // refused while connected, silently
    EXPECT_EQ(ftp.FileSystemType(), ftUnix);

    ASSERT_TRUE(ftp.ChangeDir("/pod/casts/"));
    ftp.Disconnect();
    // The folder as typed is kept and entered at the next connect.
    EXPECT_EQ(ftp.RemoteDir(), "/pod/casts/");
    ASSERT_TRUE(ftp.Connect());
    EXPECT_EQ(ftp.RemoteDir(), "/pod/casts");
}

TEST(FtpClient, ListsEveryEntryAndMatchesPatterns) {
    FtpTestServer server;
    ASSERT_TRUE(server.started());
    std::filesystem::create_directories(server.root() / "shows" / "old");
    for (int i = 0; i < 11; ++i) {
        std::ofstream(server.root() / "shows" / ("episode " + std::to_string(i) + ".mp3"))
            << std::string(static_cast<std::size_t>(i) * 10, 'x');
    }
    TSimpleFTP ftp;
    aim(ftp, server);
    ASSERT_TRUE(ftp.Connect());
    ASSERT_TRUE(ftp.ChangeDir("shows"));
    int found = 0, folders = 0;
    ftp.OnFindItem = [&](TSimpleFTP&, const TFTPFindData& data) {
        ++found;
        if (data.isDirectory()) ++folders;
        if (data.cFileName == "episode 7.mp3") {
            EXPECT_EQ(data.size(), 70u);
        }
    };
    EXPECT_EQ(ftp.ListDir(), 12);
    EXPECT_EQ(found, 12);
    EXPECT_EQ(folders, 1);

    found = 0;
    EXPECT_EQ(ftp.FindFilesIntoOwnList("episode 1*", true), 2);
    ASSERT_EQ(ftp.Files().size(), 2u);
    EXPECT_EQ(ftp.Files()[0].first.rfind("/shows/episode 1", 0), 0u);
    EXPECT_EQ(found, 2);
    // A second listing replaces the first.
    EXPECT_EQ(ftp.FindFilesIntoOwnList("episode 3.mp3", false), 1);
    ASSERT_EQ(ftp.Files().size(), 1u);
    EXPECT_EQ(ftp.Files()[0].first, "episode 3.mp3");
    // A folder named in the pattern; a pattern matching nothing.
    EXPECT_EQ(ftp.FindFiles("/shows/old/*", nullptr, false), 0);
    EXPECT_EQ(ftp.FindFiles("/shows/*.mp3", nullptr, false), 11);
    EXPECT_EQ(ftp.FindFiles("nothing*", nullptr, false), 0);
    EXPECT_EQ(ftp.FindFiles("/no/such/folder/*", nullptr, false), 0);
    EXPECT_TRUE(ftp.IsConnected());
}

TEST(FtpClient, DeletesByNameAndByPath) {
    FtpTestServer server;
    ASSERT_TRUE(server.started());
    std::filesystem::create_directories(server.root() / "a");
    std::ofstream(server.root() / "a" / "one.txt") << "1";
    std::ofstream(server.root() / "two.txt") << "2";
    TSimpleFTP ftp;
    aim(ftp, server);
    EXPECT_FALSE(ftp.DeleteFile("two.txt"));  // not connected
    ASSERT_TRUE(ftp.Connect());
    ASSERT_TRUE(ftp.ChangeDir("a"));
    EXPECT_TRUE(ftp.DeleteFile("one.txt"));
    EXPECT_FALSE(std::filesystem::exists(server.root() / "a" / "one.txt"));
    EXPECT_TRUE(ftp.DeleteFile("/two.txt"));
    EXPECT_FALSE(std::filesystem::exists(server.root() / "two.txt"));
    EXPECT_FALSE(ftp.DeleteFile("one.txt"));
    EXPECT_EQ(ftp.LastErrorText(), "Error deleting /a/one.txt");
    ftp.SilentExceptions = false;
    EXPECT_THROW(ftp.DeleteFile("one.txt"), ESimpleFTPError);
    EXPECT_TRUE(ftp.IsConnected());
}

}  // namespace
}  // namespace sonthra::ftp

namespace sonthra::ftp {
namespace {

TEST(FtpClientProxy, ProxyModesDecideTheRoute) {
    FtpTestServer server;
    ASSERT_TRUE(server.started());
    // A proxy nobody listens on: every route through it fails.
    ::setenv("ftp_proxy", "http://127.0.0.1:1", 1);
    ::setenv("all_proxy", "http://127.0.0.1:1", 1);
    // The upper-case spelling counts when the lower-case one is missing.
    ::unsetenv("no_proxy");
    ::unsetenv("NO_PROXY");
    TSimpleFTP direct;
    aim(direct, server);
    direct.ConnectRetries = 1;
    EXPECT_TRUE(direct.Connect()) << "rnLocal must ignore the configured proxy";

    TSimpleFTP configured;
    aim(configured, server);
    configured.ConnectRetries = 1;
    configured.ResolveNames = rnPreConfig;
    EXPECT_FALSE(configured.Connect());

    TSimpleFTP proxied;
    aim(proxied, server);
    proxied.ConnectRetries = 1;
    proxied.ResolveNames = rnProxy;
    proxied.ProxyName = "http://127.0.0.1:1";
    EXPECT_FALSE(proxied.Connect());
    proxied.ProxyBypassList = {"localhost", "127.0.0.1"};
    EXPECT_TRUE(proxied.Connect()) << "a bypassed host is reached directly";
    ::unsetenv("ftp_proxy");
    ::unsetenv("all_proxy");
}

}  // namespace
}  // namespace sonthra::ftp
