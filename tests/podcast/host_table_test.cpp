// The host table: reading, the user's copy, "%username%" and the stored account.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "ftp/password_scramble.h"
#include "podcast/host_table.h"
#include "podcast/text_file.h"
#include "podcast_test_support.h"

namespace sonthra::podcast {
namespace {

using test::readAll;
using test::TempFolder;
using test::writeAll;

TEST(HostTable, ReadsSectionsKeysAndSkipsWhatItDoesNotKnow) {
    const HostTable table = HostTable::parse({
        "garbage before any section",
        "key=ignored",
        "[ Alpha ]",
        "  Host = ftp.alpha.net  ",
        "; comment",
        "HTTPLINK=http://alpha.net/%UserName%/x/%username%",
        "no equals sign",
        "=no key",
        "[<Custom>]",
        "host=never",
        "[Beta",
        "host=unclosed section header",
        "[Alpha]",
        "uploadpath=/up",
        "[Gamma]",
    });
    EXPECT_EQ(table.sections(), (std::vector<std::string>{"Alpha", "Gamma"}));
    EXPECT_EQ(table.value("alpha", "host"), "ftp.alpha.net");
    EXPECT_EQ(table.value("Alpha", "uploadpath"), "");  // a repeated header is passed over
    EXPECT_EQ(table.value("Gamma", "host"), "");

    HostTable withUser = table;
    HostSettings settings = hostSettingsFor(withUser, "Alpha");
    EXPECT_EQ(settings.HttpLink, "http://alpha.net/%UserName%/x/%username%");  // no user yet
    storeAccount(withUser, "Alpha", "ann", "");
    settings = hostSettingsFor(withUser, "Alpha");
    EXPECT_EQ(settings.Host, "ftp.alpha.net");
    EXPECT_EQ(settings.UserName, "ann");
    EXPECT_EQ(settings.HttpLink, "http://alpha.net/ann/x/ann");

    const HostSettings custom = hostSettingsFor(withUser, kCustomHost, settings);
    EXPECT_EQ(custom.Host, kCustomHost);
    EXPECT_EQ(custom.UserName, "");
    EXPECT_EQ(custom.HttpLink, settings.HttpLink);  // the rest is kept
}

TEST(HostTable, AccountIsStoredScrambledAndUnchangedWhenLeftEmpty) {
    HostTable table = HostTable::parse({"[Host]", "host=ftp.h", "append=@h.net"});
    storeAccount(table, "Host", "ann", "s3cret pass");
    EXPECT_NE(table.value("Host", "loginname"), "s3cret pass");
    EXPECT_EQ(table.value("Host", "loginname").size(), 22u);
    EXPECT_EQ(passwordForLogin(table, "Host"), "s3cret pass");
    EXPECT_EQ(userNameForLogin(table, "Host"), "ann@h.net");
    const std::string stored = table.value("Host", "loginname");
    storeAccount(table, "Host", "", "");
    EXPECT_EQ(table.value("Host", "loginname"), stored);
    EXPECT_EQ(table.value("Host", "username"), "ann");
    // A value cannot add lines to the file.
    storeAccount(table, "Host", "ann\n[Evil]\nhost=x", "");
    EXPECT_EQ(HostTable::parse(table.serialize()).sections(), (std::vector<std::string>{"Host"}));
}

TEST(HostTableFiles, DefaultStaysAndTheUsersCopyIsPrivate) {
    TempFolder folder;
    const std::string oldConfig =
        std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
    ::setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
    std::filesystem::create_directory(folder / "share");
    const std::string shipped = test::sourceDir() + "/resources/podcast/hostsettings.ini";
    writeAll(folder / "share/hostsettings.ini", readAll(shipped));

    const HostTableFiles files = HostTableFiles::standard(folder / "share");
    EXPECT_EQ(files.userPath, folder / "config/Corvanta/Sonthra/hostsettings.ini");
    EXPECT_EQ(files.activePath(), files.defaultPath);
    HostTable table;
    ASSERT_TRUE(files.load(table).ok());
    ASSERT_FALSE(table.sections().empty());
    const std::string host = table.sections().front();
    EXPECT_NE(table.value(host, "httplink").find("http://"), std::string::npos);

    storeAccount(table, host, "bob", "pw");
    ASSERT_TRUE(files.save(table).ok());
    EXPECT_EQ(files.activePath(), files.userPath);
    struct stat info {};
    ASSERT_EQ(::stat(files.userPath.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(readAll(files.defaultPath), readAll(shipped));
    HostTable again;
    ASSERT_TRUE(files.load(again).ok());
    EXPECT_EQ(again.sections(), table.sections());
    EXPECT_EQ(passwordForLogin(again, host), "pw");
    EXPECT_EQ(hostSettingsFor(again, host).HttpLink.find("%username%"), std::string::npos);

    if (oldConfig.empty()) {
        ::unsetenv("XDG_CONFIG_HOME");
    } else {
        ::setenv("XDG_CONFIG_HOME", oldConfig.c_str(), 1);
    }
}

}  // namespace
}  // namespace sonthra::podcast
