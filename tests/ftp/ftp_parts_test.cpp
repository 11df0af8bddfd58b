// The FTP components' rules that need no server: properties, texts, paths, progress arithmetic,
// password scrambling.
#include <gtest/gtest.h>

#include "ftp/ftp_paths.h"
#include "ftp/password_scramble.h"
#include "ftp/simple_ftp.h"

namespace sonthra::ftp {
namespace {

TEST(FtpParts, DefaultsAndTimeOut) {
    TSimpleFTP ftp;
    EXPECT_EQ(ftp.Port, 21);
    EXPECT_EQ(ftp.ConnectRetries, 3);
    EXPECT_EQ(ftp.ConnectTimeout(), 300000);
    EXPECT_TRUE(ftp.SilentExceptions);
    EXPECT_FALSE(ftp.Passive);
    EXPECT_EQ(ftp.ResolveNames, rnLocal);
    EXPECT_EQ(ftp.TransferType(), ttBinary);
    EXPECT_EQ(ftp.FileSystemType(), ftUnix);
    EXPECT_EQ(ftp.State(), NoConnection);
    EXPECT_EQ(ftp.GetLastResponse(), "No error description available");
    ftp.SetConnectTimeout(5000);
    EXPECT_EQ(ftp.ConnectTimeout(), 5000);
    ftp.SetConnectTimeout(0);
    EXPECT_EQ(ftp.ConnectTimeout(), 300000);
}

TEST(FtpParts, StateAndErrorTexts) {
    EXPECT_EQ(StateText(Disconnecting, "h"), "Disconnecting from h");
    EXPECT_EQ(StateText(NoConnection, "h"), "No connection");
    EXPECT_EQ(StateText(Connecting, "h"), "Connecting to h");
    EXPECT_EQ(StateText(Connected, "h"), "Connected to h");
    EXPECT_EQ(StateText(ResolvingName, "h"), "Resolving name h");
    EXPECT_EQ(StateText(NameResolved, "h"), "Resolved name h");
    EXPECT_EQ(StateText(9, "h"), "Unknown state!  Contact support ...");
    EXPECT_EQ(ConnectErrorText(kInetErrTimeout, "h", "u"), "Connection to h timed out");
    EXPECT_EQ(ConnectErrorText(kInetErrInternal, "h", "u"), "Internal WININET error");
    EXPECT_EQ(ConnectErrorText(kInetErrNameNotResolved, "h", "u"),
              "Unable to resolve host name 'h'");
    EXPECT_EQ(ConnectErrorText(kInetErrBadUserName, "h", "u"),
              "Bad user name: 'u' connecting to h");
    EXPECT_EQ(ConnectErrorText(kInetErrBadPassword, "h", "u"), "Bad password connecting to h");
    EXPECT_EQ(ConnectErrorText(kInetErrLoginFailure, "h", "u"), "Unable to connect to h");
    EXPECT_EQ(ConnectErrorText(kInetErrCannotConnect, "h", "u"), "Unable to connect to h");
    EXPECT_EQ(ConnectErrorText(1, "h", "u"), "General Connection Error to h");
}

TEST(FtpParts, StateChangesReachEventAndStatusBarOnce) {
    struct Bar : TQuickStatusBar {
        std::vector<std::string> texts;
        void ShowStatusText(const std::string& t) override { texts.push_back(t); }
    } bar;
    TSimpleFTP ftp;
    ftp.HostName = "example.org";
    int events = 0;
    ftp.OnStateChange = [&](TWinInetControl&, TWinInetState) { ++events; };
    ftp.QuickStatus = &bar;
    EXPECT_FALSE(ftp.SetState(NoConnection));
    EXPECT_TRUE(ftp.SetState(Connecting));
    EXPECT_TRUE(bar.texts.empty());  // QuickProgress is off
    ftp.QuickProgress = true;
    ftp.HandleStatus(kStatusResolvingName, 0);
    ftp.HandleStatus(kStatusResolvingName, 0);
    ftp.HandleStatus(kStatusRequestSent, 10);  // no state of its own
    EXPECT_EQ(events, 2);
    EXPECT_EQ(bar.texts, std::vector<std::string>{"Resolving name example.org"});
}

TEST(FtpParts, DestructionTellsNobody) {
    int events = 0;
    {
        TSimpleFTP ftp;
        ftp.SetState(Connecting);
        ftp.OnStateChange = [&](TWinInetControl&, TWinInetState) { ++events; };
        ftp.OnDisconnected = [&](TWinInetControl&) { ++events; };
    }
    EXPECT_EQ(events, 0);
}

TEST(FtpParts, ProgressArithmeticAndQuickDisplays) {
    struct Bar : TQuickProgressBar {
        int max = -1, pos = -1;
        void SetMaxAndPosition(int m, int p) override { max = m, pos = p; }
    } minor, major;
    struct Label : TQuickLabel {
        std::string text;
        void SetCaption(const std::string& t) override { text = t; }
    } majorLabel, minorLabel;
    TSimpleFTP ftp;
    std::vector<std::int64_t> seen;
    ftp.OnTransferProgress = [&](TSimpleFTP&, const TFTPProgressInfo& i) {
        seen.push_back(i.BytesDone);
    };
    ftp.QuickProgress = true;
    ftp.QuickProgressMinor = &minor;
    ftp.QuickProgressMajor = &major;
    ftp.QuickLabelMajor = &majorLabel;
    ftp.QuickLabelMinor = &minorLabel;
    // No file name yet: no event, but the bars follow.
    ftp.HandleStatus(kStatusRequestSent, 5);
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(minor.pos, 0);  // size 0
    EXPECT_EQ(majorLabel.text, "");

    // A file of 1000 bytes, second of three.
    ftp.SetBatchPosition(2, 3);
    const_cast<TFTPProgressInfo&>(ftp.Progress()) = {};
    EXPECT_TRUE(ftp.Progress().FileName.empty());
    TFTPProgressInfo& info = const_cast<TFTPProgressInfo&>(ftp.Progress());
    info.FileSize = 1000;
    info.FileName = "a.mp3";
    info.FileNumber = 2;
    info.FileCount = 3;
    ftp.HandleStatus(kStatusRequestSent, 333);
    EXPECT_EQ(minor.max, 100);
    EXPECT_EQ(minor.pos, 33);
    ftp.HandleStatus(kStatusRequestSent, 2000);  // past the end: clamped
    EXPECT_EQ(ftp.Progress().BytesDone, 1000);
    info.BytesDone = 10;
    ftp.HandleStatus(kStatusResponseReceived, 0);  // a count of 0 jumps to the whole file
    EXPECT_EQ(seen, (std::vector<std::int64_t>{333, 1000, 1000}));
    EXPECT_EQ(major.max, 3);
    EXPECT_EQ(major.pos, 2);
    EXPECT_EQ(majorLabel.text, "2 of 3");
    EXPECT_EQ(minorLabel.text, "a.mp3");
    EXPECT_EQ(minor.pos, 100);
}

TEST(FtpParts, AddSlashAndPaths) {
    TSimpleFTP ftp;
    EXPECT_EQ(ftp.AddSlash("/pod"), "/pod/");
    EXPECT_EQ(ftp.AddSlash("/pod/"), "/pod/");
    EXPECT_EQ(ftp.AddSlash(""), "/");
    ftp.SetFileSystemType(ftUnknown);
    EXPECT_EQ(ftp.AddSlash("/pod"), "/pod");
    EXPECT_EQ(ftp.AddSlash(""), "/");

    EXPECT_EQ(withoutTrailingSlash("/"), "/");
    EXPECT_EQ(withoutTrailingSlash("a/"), "a");
    EXPECT_EQ(withoutTrailingSlash("a\\"), "a");
    EXPECT_EQ(withoutTrailingSlash("a//"), "a/");
    EXPECT_EQ(resolveRemotePath("/a/b", "c"), "/a/b/c");
    EXPECT_EQ(resolveRemotePath("/a/b", "../c/./d/"), "/a/c/d");
    EXPECT_EQ(resolveRemotePath("/a", "../../.."), "/");
    EXPECT_EQ(resolveRemotePath("/a", "/x//y"), "/x/y");
    EXPECT_EQ(localFileName("/tmp/x/show.mp3"), "show.mp3");
    EXPECT_EQ(localFileName("C:\\pod\\show.mp3"), "show.mp3");
    EXPECT_FALSE(isSafeRemoteText("a\r\nDELE b"));
    EXPECT_TRUE(isSafeRemoteText("a b"));
    EXPECT_EQ(temporaryRemoteName("feed.xml", "0a1b2c3d"), ".feed.xml.0a1b2c3d.part");
    EXPECT_EQ(temporaryRemoteName(std::string(300, 'n'), "0a1b2c3d").size(), 255u);
}

TEST(FtpParts, NotConnectedOperations) {
    TSimpleFTP ftp;
    EXPECT_TRUE(ftp.ChangeDir("/x/"));
    EXPECT_EQ(ftp.RemoteDir(), "/x/");
    EXPECT_EQ(ftp.ListDir(), 0);
    EXPECT_FALSE(ftp.DeleteFile("a"));
    EXPECT_EQ(ftp.LastErrorText(), "Error deleting /x/a");
    ftp.SilentExceptions = false;
    try {
        ftp.PutFileAs("/nonexistent/file", "/x/file");
        FAIL();
    } catch (const ESimpleFTPError& e) {
        EXPECT_STREQ(e.what(), "Not connected!");
    }
    // Nobody to connect to.
    ftp.SilentExceptions = true;
    ftp.HostName = "";
    EXPECT_FALSE(ftp.Connect());
    EXPECT_EQ(ftp.LastErrorText(), "Unable to resolve host name ''");
    ftp.HostName = "127.0.0.1\r\nQUIT";
    EXPECT_FALSE(ftp.Connect());
    EXPECT_EQ(ftp.State(), NoConnection);
}

TEST(FtpParts, PasswordScrambling) {
    EXPECT_EQ(ScramblePassword(""), "");
    const std::string s = ScramblePassword("pa55 word");
    EXPECT_EQ(s.size(), 18u);
    for (char c : s) EXPECT_TRUE(std::isdigit(c) || (c >= 'A' && c <= 'F')) << s;
    EXPECT_EQ(UnscramblePassword(s), "pa55 word");
    // A password longer than the key survives whole; its first 33 characters scramble as a
    // 33-character password does, so stored values still read.
    const std::string longer = "0123456789abcdefghijklmnopqrstuvwxyzABCDEF";
    EXPECT_EQ(ScramblePassword(longer).size(), 2 * longer.size());
    EXPECT_EQ(UnscramblePassword(ScramblePassword(longer)), longer);
    EXPECT_EQ(ScramblePassword(longer).substr(0, 66), ScramblePassword(longer.substr(0, 33)));
    // Lower-case digits read too; reading stops at a pair that is not hex and at an odd end.
    std::string lower = s;
    for (auto& c : lower) c = static_cast<char>(std::tolower(c));
    EXPECT_EQ(UnscramblePassword(lower), "pa55 word");
    EXPECT_EQ(UnscramblePassword(s.substr(0, 4) + "G1" + s.substr(6)), "pa");
    EXPECT_EQ(UnscramblePassword(s.substr(0, 5)), "pa");
    EXPECT_EQ(UnscramblePassword(std::string(100, 'F')).size(), 50u);
}

}  // namespace
}  // namespace sonthra::ftp
