// The client over SFTP against a local OpenSSH server: login with a key, folders, listings,
// uploads renamed over the target, deletes, and a host whose key changed.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "fixtures/ftp/ftp_test_server.h"
#include "ftp/ftp_transport.h"
#include "ftp/simple_ftp.h"

namespace sonthra::ftp {
namespace {

using sonthra::testing::readWholeFile;
using sonthra::testing::SftpTestServer;
using sonthra::testing::writePatternFile;
namespace fs = std::filesystem;

void aim(TSimpleFTP& ftp, const SftpTestServer& server) {
    ftp.Protocol = FtpProtocol::Sftp;
    ftp.HostName = "127.0.0.1";
    ftp.Port = server.port();
    ftp.UserName = server.user();
    ftp.SshPrivateKeyFile = server.privateKey();
    ftp.SshPublicKeyFile = server.publicKey();
    ftp.SshKnownHostsFile = server.knownHosts();
    ftp.ConnectRetries = 1;
    ftp.SetConnectTimeout(10000);
}

TEST(Sftp, UploadsListsChangesFoldersAndDeletes) {
    if (!FtpTransport::sftpAvailable()) GTEST_SKIP() << "libcurl without SFTP";
    SftpTestServer server;
    if (!server.started()) GTEST_SKIP() << "no local SSH server (needs root and sshd)";
    fs::create_directories(server.root() / "pod");
    std::ofstream(server.root() / "pod" / "feed.xml") << "old feed";
    const fs::path local = server.scratch() / "feed.xml";
    writePatternFile(local, 300'000, 12);

    TSimpleFTP ftp;
    aim(ftp, server);
    ftp.SetRemoteDir(server.root().string());
    ASSERT_TRUE(ftp.Connect()) << ftp.LastErrorText();
    EXPECT_NE(readWholeFile(server.knownHosts()).find("127.0.0.1"), std::string::npos);
    EXPECT_EQ(ftp.RemoteDir(), server.root().string());
    EXPECT_EQ(ftp.ListDir(), 1);
    ASSERT_TRUE(ftp.ChangeDir("pod/"));
    EXPECT_EQ(ftp.RemoteDir(), (server.root() / "pod").string());
    EXPECT_FALSE(ftp.ChangeDir("missing"));
    std::int64_t done = 0;
    ftp.OnTransferProgress = [&](TSimpleFTP&, const TFTPProgressInfo& info) {
        done = info.BytesDone;
    };
    ASSERT_TRUE(ftp.PutFile(local.string())) << ftp.LastErrorText();
    EXPECT_EQ(done, 300'000);
    EXPECT_EQ(readWholeFile(server.root() / "pod" / "feed.xml"), readWholeFile(local));
    EXPECT_EQ(ftp.FindFiles("*.xml", nullptr, false), 1);  // no temporary file left
    EXPECT_EQ(ftp.ListDir(), 1);
    EXPECT_TRUE(ftp.DeleteFile("feed.xml"));
    EXPECT_FALSE(fs::exists(server.root() / "pod" / "feed.xml"));
    EXPECT_TRUE(ftp.ChangeDir(".."));
    EXPECT_EQ(ftp.RemoteDir(), server.root().string());
    ftp.Disconnect();

    // The known host now has a key on file; another key for it is refused.
    std::ofstream(server.knownHosts())
        << "[127.0.0.1]:" << server.port()
        << " ssh-ed25519 "
           "AAAAC3NzaC1lZDI1NTE5AAAAIBbzeDPvhVPWxq8WPU9SJMwBZ5dn+1NEXgNSLCGxCTbg\n";
    EXPECT_FALSE(ftp.Connect());
}

}  // namespace
}  // namespace sonthra::ftp
