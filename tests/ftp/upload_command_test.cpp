// "sonthra-cli upload" against a local server: whole files, the password only from a file,
// progress on standard error, and an exit code that tells whether everything arrived.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/cli_verbs.h"
#include "cli/upload_command.h"
#include "fixtures/ftp/ftp_test_server.h"

namespace sonthra::cli {
namespace {

using sonthra::testing::FtpServerOptions;
using sonthra::testing::FtpTestServer;
using sonthra::testing::readWholeFile;
using sonthra::testing::writePatternFile;
namespace fs = std::filesystem;

struct VerbRun {
    int code;
    std::string out, err;
};

VerbRun upload(std::vector<std::string> args) {
    std::ostringstream out, err;
    std::atomic<bool> interrupted{false};
    const int code = runUploadVerb(args, out, err, interrupted);
    return {code, out.str(), err.str()};
}

class UploadCommand : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.started());
        fs::create_directories(server.root() / "pod");
        passwordFile = (server.scratch() / "password").string();
        std::ofstream(passwordFile) << FtpTestServer::kPassword << "\n";
        a = (server.scratch() / "episode.mp3").string();
        b = (server.scratch() / "feed.xml").string();
        writePatternFile(a, 1'500'000, 7);
        writePatternFile(b, 3'000, 8);
    }
    std::vector<std::string> base() {
        return {"--host",          "127.0.0.1",
                "--port",          std::to_string(server.port()),
                "--user",          FtpTestServer::kUser,
                "--password-file", passwordFile,
                "--dir",           "/pod"};
    }
    FtpTestServer server;
    std::string passwordFile, a, b;
};

TEST_F(UploadCommand, UploadsEveryFileWholeAndReportsProgress) {
    auto args = base();
    args.insert(args.begin(), {a, b});
    const VerbRun run = upload(args);
    EXPECT_EQ(run.code, kExitOk) << run.err;
    EXPECT_EQ(readWholeFile(server.root() / "pod" / "episode.mp3"), readWholeFile(a));
    EXPECT_EQ(readWholeFile(server.root() / "pod" / "feed.xml"), readWholeFile(b));
    EXPECT_NE(run.err.find("episode.mp3: 100% (1500000 of 1500000 bytes)"), std::string::npos)
        << run.err;
    EXPECT_EQ(run.out, "/pod/episode.mp3\n/pod/feed.xml\n");
    EXPECT_EQ(run.err.find(FtpTestServer::kPassword), std::string::npos);

    // Active mode reaches the same result.
    args.push_back("--active");
    EXPECT_EQ(upload(args).code, kExitOk);
}

TEST_F(UploadCommand, FailuresGiveTheirWordsAndANonZeroExit) {
    // One file missing: the other still goes, the exit tells.
    auto args = base();
    args.insert(args.begin(), {a + ".gone", b});
    VerbRun run = upload(args);
    EXPECT_EQ(run.code, kExitFailed);
    EXPECT_TRUE(fs::exists(server.root() / "pod" / "feed.xml"));
    EXPECT_NE(run.err.find("episode.mp3.gone does not exist"), std::string::npos) << run.err;

    // Wrong password.
    std::ofstream(passwordFile) << "wrong\n";
    args = base();
    args.insert(args.begin(), a);
    run = upload(args);
    EXPECT_EQ(run.code, kExitFailed);
    EXPECT_NE(run.err.find("Bad password connecting to 127.0.0.1"), std::string::npos) << run.err;

    // A folder that is not there.
    std::ofstream(passwordFile) << FtpTestServer::kPassword;  // no line end: still read
    args = base();
    args.insert(args.begin(), a);
    args.back() = "/nowhere";
    run = upload(args);
    EXPECT_EQ(run.code, kExitFailed);
    EXPECT_NE(run.err.find("Couldn't change to directory /nowhere"), std::string::npos);
}

TEST_F(UploadCommand, CommandLineMistakes) {
    EXPECT_EQ(upload({a, "--host", "h", "--user", "u", "--password", "x"}).code, kExitUsage);
    EXPECT_EQ(upload({a, "--user", "u"}).code, kExitUsage);
    EXPECT_EQ(upload({"--host", "h", "--user", "u"}).code, kExitUsage);
    EXPECT_EQ(upload({a, "--host", "h", "--user", "u", "--port", "70000"}).code, kExitUsage);
    EXPECT_EQ(upload({a, "--host", "h", "--user", "u", "--passive", "--active"}).code, kExitUsage);
    EXPECT_EQ(upload({a, "--host", "h", "--user", "u", "--password-file", "/no/file"}).code,
              kExitFailed);
}

TEST(UploadCommandTls, UploadsOverExplicitTls) {
    FtpTestServer server(FtpServerOptions{.tls = true});
    ASSERT_TRUE(server.started());
    const std::string file = (server.scratch() / "ep.mp3").string();
    writePatternFile(file, 100'000, 9);
    const std::string passwordFile = (server.scratch() / "pw").string();
    std::ofstream(passwordFile) << FtpTestServer::kPassword;
    const VerbRun run =
        upload({file, "--host", "127.0.0.1", "--port", std::to_string(server.port()), "--user",
                FtpTestServer::kUser, "--password-file", passwordFile, "--tls", "--ca-file",
                server.certificate().string()});
    EXPECT_EQ(run.code, kExitOk) << run.err;
    EXPECT_EQ(readWholeFile(server.root() / "ep.mp3"), readWholeFile(file));
}

}  // namespace
}  // namespace sonthra::cli
