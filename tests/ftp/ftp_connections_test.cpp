// Saved FTP connections in the settings store.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "ftp/ftp_connections.h"
#include "ftp/password_scramble.h"
#include "settings/registry_store.h"
#include "settings/settings.h"

namespace sonthra::ftp {
namespace {

namespace fs = std::filesystem;

class FtpConnectionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/sonthra-ftpconn-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_dir = pattern;
        m_file = m_dir / "settings.reg";
    }
    void TearDown() override { fs::remove_all(m_dir); }
    std::string rawValue(const std::string& company, const std::string& name,
                         const std::string& value) {
        RegistryStore store(m_file);
        EXPECT_EQ(store.open(), 0);
        EXPECT_EQ(store.openKey(ftpSettingsKey(company, name), false), 0);
        std::string out;
        store.readString(value, out);
        return out;
    }
    fs::path m_dir;
    fs::path m_file;
};

FTPSession session(const std::string& name, bool savePassword) {
    FTPSession s;
    s.name = name;
    s.hostName = "ftp.example.org";
    s.port = "2121";
    s.lastUploadPath = "/pod";
    s.password = "hunter2";
    s.userId = "ann";
    s.savePassword = savePassword;
    s.protocol = FtpProtocol::Ftps;
    return s;
}

TEST_F(FtpConnectionsTest, SaveLoadListDelete) {
    FtpConnections store(m_file, "Castwright");
    EXPECT_FALSE(store.ListConnections());  // nothing saved yet
    EXPECT_FALSE(store.LoadConnection("home"));
    ASSERT_TRUE(store.SaveConnection(session("home", true)));
    ASSERT_TRUE(store.SaveConnection(session(kLastSessionName, false)));
    ASSERT_TRUE(store.SaveConnection(session("work", false)));

    const auto loaded = store.LoadConnection("home");
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->hostName, "ftp.example.org");
    EXPECT_EQ(loaded->port, "2121");
    EXPECT_EQ(loaded->userId, "ann");
    EXPECT_EQ(loaded->lastUploadPath, "/pod");
    EXPECT_EQ(loaded->password, "hunter2");
    EXPECT_TRUE(loaded->savePassword);
    EXPECT_EQ(loaded->protocol, FtpProtocol::Ftps);
    // Scrambled in the store, never in clear text.
    EXPECT_EQ(rawValue("Castwright", "home", "LogKey"), ScramblePassword("hunter2"));
    EXPECT_EQ(rawValue("Castwright", "home", "HostName"), "ftp.example.org");

    // Without the flag the stored LogKey is empty and the password comes back empty.
    EXPECT_EQ(rawValue("Castwright", "work", "LogKey"), "");
    EXPECT_EQ(store.LoadConnection("work")->password, "");
    EXPECT_FALSE(store.LoadConnection("work")->savePassword);

    EXPECT_EQ(*store.ListConnections(),
              (std::vector<std::string>{kLastSessionName, "home", "work"}));
    EXPECT_FALSE(store.DeleteConnection(kLastSessionName));
    EXPECT_FALSE(store.DeleteConnection(""));
    EXPECT_TRUE(store.DeleteConnection("work"));
    EXPECT_FALSE(store.DeleteConnection("work"));
    EXPECT_EQ(*store.ListConnections(), (std::vector<std::string>{kLastSessionName, "home"}));

    // Another company sees none of them; no company means "Corvanta".
    FtpConnections other(m_file, "");
    EXPECT_EQ(other.company(), "Corvanta");
    EXPECT_FALSE(other.LoadConnection("home"));

    // The file is the owner's alone, and holds no password in clear.
    struct stat info {};
    ASSERT_EQ(::stat(m_file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600);
    std::ifstream in(m_file);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(text.find("hunter2"), std::string::npos);
}

TEST_F(FtpConnectionsTest, TheKeyFileIsKeptAndItsPassphraseOnlyLikeThePassword) {
    FtpConnections store(m_file, "Castwright");
    FTPSession keyed = session("sftp", true);
    keyed.protocol = FtpProtocol::Sftp;
    keyed.password.clear();  // a key alone logs in
    keyed.privateKeyFile = "/home/ann/.ssh/id_ed25519";
    keyed.keyPassphrase = "open sesame";
    ASSERT_TRUE(store.SaveConnection(keyed));
    auto loaded = store.LoadConnection("sftp");
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->privateKeyFile, "/home/ann/.ssh/id_ed25519");
    EXPECT_EQ(loaded->keyPassphrase, "open sesame");
    EXPECT_TRUE(loaded->savePassword);  // the passphrase alone says the user kept secrets
    EXPECT_EQ(rawValue("Castwright", "sftp", "KeyLogKey"), ScramblePassword("open sesame"));

    keyed.savePassword = false;
    ASSERT_TRUE(store.SaveConnection(keyed));
    loaded = store.LoadConnection("sftp");
    EXPECT_EQ(loaded->privateKeyFile, "/home/ann/.ssh/id_ed25519");
    EXPECT_EQ(loaded->keyPassphrase, "");
    EXPECT_FALSE(loaded->savePassword);
    std::ifstream in(m_file);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(text.find("open sesame"), std::string::npos);
}

TEST_F(FtpConnectionsTest, NamesThatCannotBeKeysAreRefused) {
    FtpConnections store(m_file, "Castwright");
    EXPECT_FALSE(store.SaveConnection(session("", true)));
    EXPECT_FALSE(store.SaveConnection(session("a\\b", true)));
    EXPECT_FALSE(store.SaveConnection(session("line\nbreak", true)));
    EXPECT_FALSE(store.ListConnections());
    // A store that cannot be written.
    FtpConnections nowhere("/proc/no/such/settings.reg", "X");
    EXPECT_FALSE(nowhere.SaveConnection(session("home", true)));
}

}  // namespace
}  // namespace sonthra::ftp
