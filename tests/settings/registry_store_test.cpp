#include "settings/registry_store.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <functional>
#include <string>

#include "settings/temp_folder.h"

namespace sonthra {
namespace {

using testing::readWhole;
using testing::TempFolder;
using testing::writeWhole;

constexpr const char* kKey = "\\Software\\Corvanta\\Sonthra\\Settings";

// Runs body in a child process and gives its exit status; the child's failures are reported
// through the status, since gtest assertions there do not reach the parent.
int inChild(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(body());
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

mode_t modeOf(const std::filesystem::path& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

class RegistryStoreTest : public ::testing::Test {
protected:
    std::filesystem::path file() const { return m_folder / "Corvanta/Sonthra/settings.reg"; }

    // Writes the given values through a store and closes it.
    void store(const std::function<void(RegistryStore&)>& write) {
        RegistryStore s(file());
        ASSERT_EQ(s.open(), 0);
        ASSERT_EQ(s.openKey(kKey, true), 0);
        write(s);
        ASSERT_EQ(s.close(), 0);
    }

    std::size_t temporariesLeft() const {
        std::size_t n = 0;
        for (const auto& entry : std::filesystem::directory_iterator(file().parent_path())) {
            if (entry.path().filename().string().starts_with(".settings.reg.tmp-")) ++n;
        }
        return n;
    }

    TempFolder m_folder;
};

TEST_F(RegistryStoreTest, ReadRulesFollowTheStoredType) {
    store([](RegistryStore& s) {
        s.writeString("Text", "hello");
        s.writeInteger("Number", -7);
        s.writeBool("Yes", true);
        s.writeBool("No", false);
        s.writeFloat("Float", 0.03);
        s.writeInteger("Big", 42);
    });
    RegistryStore s(file());
    ASSERT_EQ(s.open(), 0);
    ASSERT_EQ(s.openKey(kKey, false), 0);

    std::string text = "untouched";
    EXPECT_EQ(s.readString("Text", text), 0);
    EXPECT_EQ(text, "hello");
    EXPECT_EQ(s.readString("TEXT", text), 0) << "names compare without case";
    EXPECT_EQ(s.readString("Missing", text), 0) << "a missing string is no error";
    EXPECT_EQ(text, "");
    text = "untouched";
    EXPECT_EQ(s.readString("Number", text), kMsgRegistryCannotRead);
    EXPECT_EQ(s.readString("Float", text), kMsgRegistryCannotRead);
    EXPECT_EQ(text, "untouched");

    std::int32_t n = 5;
    EXPECT_EQ(s.readInteger("Number", n), 0);
    EXPECT_EQ(n, -7);
    n = 5;
    EXPECT_EQ(s.readInteger("Missing", n), kMsgRegistryCannotRead);
    EXPECT_EQ(s.readInteger("Text", n), kMsgRegistryCannotRead);
    EXPECT_EQ(s.readInteger("Float", n), kMsgRegistryCannotRead);
    EXPECT_EQ(n, 5);

    bool b = false;
    EXPECT_EQ(s.readBool("Yes", b), 0);
    EXPECT_TRUE(b);
    EXPECT_EQ(s.readBool("No", b), 0);
    EXPECT_FALSE(b);
    EXPECT_EQ(s.readBool("Big", b), 0) << "any non-zero integer is true";
    EXPECT_TRUE(b);
    EXPECT_EQ(s.readBool("Missing", b), kMsgRegistryCannotRead);
    EXPECT_EQ(s.readBool("Text", b), kMsgRegistryCannotRead);

    double d = 9.5;
    EXPECT_EQ(s.readFloat("Float", d), 0);
    EXPECT_EQ(d, 0.03);
    d = 9.5;
    EXPECT_EQ(s.readFloat("Missing", d), kMsgRegistryCannotRead);
    EXPECT_EQ(s.readFloat("Number", d), kMsgRegistryCannotRead);
    EXPECT_EQ(s.readFloat("Text", d), kMsgRegistryCannotRead);
    EXPECT_EQ(d, 9.5);
}

TEST_F(RegistryStoreTest, FloatIsEightLittleEndianBytesAndNoOtherLength) {
    store([](RegistryStore& s) { s.writeFloat("Insert Silence Time", 2.0); });
    EXPECT_NE(readWhole(file()).find("\"Insert Silence Time\"=bytes:00,00,00,00,00,00,00,40\n"),
              std::string::npos);

    for (const char* bytes : {"00,00,80,3f", "00,00,00,00,00,00,00,40,00", ""}) {
        writeWhole(file(), std::string("Sonthra settings 1\n[") + kKey +
                               "]\n\"Insert Silence Time\"=bytes:" + bytes +
                               "\n; end of settings\n");
        RegistryStore s(file());
        ASSERT_EQ(s.open(), 0);
        ASSERT_FALSE(s.setAsideCorruptFile());
        ASSERT_EQ(s.openKey(kKey, false), 0);
        double d = 1.5;
        EXPECT_EQ(s.readFloat("Insert Silence Time", d), kMsgRegistryCannotRead) << bytes;
        EXPECT_EQ(d, 1.5);
    }
}

TEST_F(RegistryStoreTest, FirstWriteCreatesPrivateFolderAndFile) {
    RegistryStore s(file());
    ASSERT_EQ(s.open(), 0) << "a store that does not exist yet opens empty";
    EXPECT_FALSE(s.keyExists(kKey));
    EXPECT_EQ(s.openKey(kKey, false), kMsgRegistryKeyCannotOpen);
    const mode_t old = ::umask(0);
    ASSERT_EQ(s.openKey(kKey, true), 0);
    s.writeString("Temp Path", "/tmp/");
    const int closed = s.close();
    ::umask(old);
    ASSERT_EQ(closed, 0);
    EXPECT_EQ(modeOf(file()), 0600u);
    EXPECT_EQ(modeOf(file().parent_path()), 0700u);
    EXPECT_EQ(temporariesLeft(), 0u);
}

TEST_F(RegistryStoreTest, RewriteMakesAnOpenFilePrivate) {
    std::filesystem::create_directories(file().parent_path());
    writeWhole(file(), "Sonthra settings 1\n; end of settings\n");
    ::chmod(file().c_str(), 0644);
    store([](RegistryStore& s) { s.writeInteger("n", 1); });
    EXPECT_EQ(modeOf(file()), 0600u);
}

TEST_F(RegistryStoreTest, KeysOpenCreateListAndDelete) {
    RegistryStore s(file());
    EXPECT_EQ(s.openKey(kKey, true), kMsgRegistryCannotOpen) << "not open yet";
    ASSERT_EQ(s.open(), 0);
    EXPECT_EQ(s.openKey("\\Software\\\\Bad", true), kMsgRegistryKeyCannotOpen);
    std::string text;
    EXPECT_EQ(s.readString("x", text), kMsgRegistryCannotRead) << "no key is current";
    EXPECT_EQ(s.writeString("x", "y"), kMsgRegistryCannotWrite);
    ASSERT_EQ(s.openKey("\\Software\\Castwright\\FTPSettings\\Home", true), 0);
    ASSERT_EQ(s.writeString("HostName", "ftp.example.org"), 0);
    ASSERT_EQ(s.openKey("\\Software\\Castwright\\FTPSettings\\<Last Session>", true), 0);
    ASSERT_EQ(s.openKey("\\Software\\Castwright\\FTPSettings\\Work\\Deeper", true), 0);
    ASSERT_EQ(s.close(), 0);

    RegistryStore t(file());
    ASSERT_EQ(t.open(), 0);
    ASSERT_EQ(t.openKey("\\software\\castwright\\ftpsettings", false), 0);
    EXPECT_EQ(t.subKeyNames(), (std::vector<std::string>{"<Last Session>", "Home", "Work"}));
    EXPECT_EQ(t.deleteKey("\\Software\\Castwright\\FTPSettings\\WORK"), 0);
    EXPECT_EQ(t.deleteKey("\\Software\\Castwright\\FTPSettings\\Work"), kMsgRegistryKeyCannotOpen);
    EXPECT_EQ(t.deleteKey("\\"), kMsgRegistryKeyCannotOpen);
    ASSERT_EQ(t.close(), 0);

    RegistryStore u(file());
    ASSERT_EQ(u.open(), 0);
    ASSERT_EQ(u.openKey("\\Software\\Castwright\\FTPSettings\\Home", false), 0);
    EXPECT_EQ(u.readString("hostname", text), 0);
    EXPECT_EQ(text, "ftp.example.org");
    EXPECT_FALSE(u.keyExists("\\Software\\Castwright\\FTPSettings\\Work\\Deeper"));
    EXPECT_TRUE(u.keyExists("\\Software\\Castwright\\FTPSettings\\<Last Session>"))
        << "a created key persists without values";
}

TEST_F(RegistryStoreTest, DeleteValueAndChangesSeenBeforeClose) {
    store([](RegistryStore& s) {
        s.writeInteger("a", 1);
        s.writeInteger("b", 2);
    });
    RegistryStore s(file());
    ASSERT_EQ(s.open(), 0);
    ASSERT_EQ(s.openKey(kKey, false), 0);
    EXPECT_EQ(s.deleteValue("A"), 0);
    EXPECT_EQ(s.deleteValue("a"), kMsgRegistryCannotWrite);
    EXPECT_FALSE(s.valueExists("a"));
    ASSERT_EQ(s.writeInteger("b", 3), 0);
    std::int32_t n = 0;
    EXPECT_EQ(s.readInteger("b", n), 0);
    EXPECT_EQ(n, 3);
    ASSERT_EQ(s.close(), 0);
    RegistryStore t(file());
    ASSERT_EQ(t.open(), 0);
    ASSERT_EQ(t.openKey(kKey, false), 0);
    EXPECT_FALSE(t.valueExists("a"));
    EXPECT_EQ(t.readInteger("b", n), 0);
    EXPECT_EQ(n, 3);
}

TEST_F(RegistryStoreTest, StoresOpenTogetherMergeTheirWritesAndTheLastWriteWins) {
    store([](RegistryStore& s) { s.writeInteger("shared", 0); });
    RegistryStore a(file());
    RegistryStore b(file());
    ASSERT_EQ(a.open(), 0);
    ASSERT_EQ(b.open(), 0);
    ASSERT_EQ(a.openKey(kKey, false), 0);
    ASSERT_EQ(b.openKey(kKey, false), 0);
    a.writeString("only a", "A");
    a.writeInteger("shared", 1);
    b.writeString("only b", "B");
    b.writeInteger("shared", 2);
    ASSERT_EQ(a.close(), 0);
    ASSERT_EQ(b.close(), 0);

    RegistryStore c(file());
    ASSERT_EQ(c.open(), 0);
    ASSERT_EQ(c.openKey(kKey, false), 0);
    std::string text;
    EXPECT_EQ(c.readString("only a", text), 0);
    EXPECT_EQ(text, "A");
    EXPECT_EQ(c.readString("only b", text), 0);
    EXPECT_EQ(text, "B");
    std::int32_t n = 0;
    EXPECT_EQ(c.readInteger("shared", n), 0);
    EXPECT_EQ(n, 2);
}

TEST_F(RegistryStoreTest, UnreadableStoreCannotBeOpened) {
    std::filesystem::create_directories(file());  // a folder where the file should be
    RegistryStore s(file());
    EXPECT_EQ(s.open(), kMsgRegistryCannotOpen);
    EXPECT_FALSE(s.isOpen());
    EXPECT_EQ(s.openKey(kKey, true), kMsgRegistryCannotOpen);
    EXPECT_EQ(s.close(), 0);
    RegistryStore nameless{std::filesystem::path()};
    EXPECT_EQ(nameless.open(), kMsgRegistryCannotOpen);
}

TEST_F(RegistryStoreTest, CorruptOrTruncatedFileIsSetAsideOnceAndStartsEmpty) {
    store([](RegistryStore& s) { s.writeString("Temp Path", "/data/tmp/"); });
    const std::string good = readWhole(file());
    std::filesystem::path aside = file();
    aside += ".corrupt";

    for (const std::string& broken :
         {good.substr(0, good.size() / 2), good.substr(0, good.size() - 1),
          std::string("\x7f"
                      "ELF\0\0\xff\xfe garbage",
                      16),
          std::string()}) {
        writeWhole(file(), broken);
        RegistryStore s(file());
        ASSERT_EQ(s.open(), 0);
        EXPECT_TRUE(s.setAsideCorruptFile());
        EXPECT_FALSE(s.keyExists(kKey)) << "every default applies";
        EXPECT_FALSE(std::filesystem::exists(file()));
        EXPECT_EQ(readWhole(aside), broken) << "the broken file is kept for the user";
        s.close();

        RegistryStore again(file());
        ASSERT_EQ(again.open(), 0);
        EXPECT_FALSE(again.setAsideCorruptFile()) << "reported once only";
    }
}

TEST_F(RegistryStoreTest, CorruptFileFoundAtCloseIsSetAsideNotOverwritten) {
    RegistryStore s(file());
    ASSERT_EQ(s.open(), 0);
    ASSERT_EQ(s.openKey(kKey, true), 0);
    s.writeInteger("n", 1);
    std::filesystem::create_directories(file().parent_path());
    writeWhole(file(), "something else wrote this\n");
    ASSERT_EQ(s.close(), 0);
    EXPECT_TRUE(s.setAsideCorruptFile());
    std::filesystem::path aside = file();
    aside += ".corrupt";
    EXPECT_EQ(readWhole(aside), "something else wrote this\n");
    RegistryStore t(file());
    ASSERT_EQ(t.open(), 0);
    EXPECT_FALSE(t.setAsideCorruptFile());
    EXPECT_TRUE(t.keyExists(kKey));
}

TEST_F(RegistryStoreTest, HostileFilesNeverCrashTheReader) {
    std::filesystem::create_directories(file().parent_path());
    const std::string hugeLine = std::string("Sonthra settings 1\n[\\K]\n\"n\"=text:\"") +
                                 std::string(4 << 20, 'x') + "\"\n; end of settings\n";
    writeWhole(file(), hugeLine);
    {
        RegistryStore s(file());
        ASSERT_EQ(s.open(), 0);
        ASSERT_FALSE(s.setAsideCorruptFile()) << "a long but valid line is accepted";
        ASSERT_EQ(s.openKey("\\K", false), 0);
        std::string text;
        EXPECT_EQ(s.readString("n", text), 0);
        EXPECT_EQ(text.size(), 4u << 20);
    }
    // Past the size cap the file is not ours, whatever it holds.
    writeWhole(file(), std::string(17 << 20, '\n'));
    RegistryStore s(file());
    ASSERT_EQ(s.open(), 0);
    EXPECT_TRUE(s.setAsideCorruptFile());
}

TEST_F(RegistryStoreTest, LeftoverTemporaryIsIgnoredAndCleanedUp) {
    store([](RegistryStore& s) { s.writeInteger("n", 1); });
    const std::filesystem::path stale = file().parent_path() / ".settings.reg.tmp-Ab3xYz";
    writeWhole(stale, "Sonthra settings 1\n[\\K]\n\"n\"=int:");  // a writer died here
    {
        RegistryStore s(file());
        ASSERT_EQ(s.open(), 0);
        ASSERT_EQ(s.openKey(kKey, false), 0);
        std::int32_t n = 0;
        EXPECT_EQ(s.readInteger("n", n), 0);
        EXPECT_EQ(n, 1);
    }
    store([](RegistryStore& s) { s.writeInteger("n", 2); });
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_EQ(temporariesLeft(), 0u);
}

TEST_F(RegistryStoreTest, FullDiskLeavesTheOldFileExactlyAsItWas) {
    store([](RegistryStore& s) { s.writeString("Temp Path", "/data/tmp/"); });
    const std::string before = readWhole(file());
    // The child may write files of at most 200 bytes, as on a nearly full disk.
    const int status = inChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{200, 200};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 2;
        RegistryStore s(file());
        if (s.open() != 0 || s.openKey(kKey, true) != 0) return 3;
        s.writeString("MRU 0", std::string(1000, 'p'));
        return s.close() == kMsgRegistryCannotWrite ? 0 : 1;
    });
    EXPECT_EQ(status, 0) << "the failed write was not reported as 187";
    EXPECT_EQ(readWhole(file()), before);
    EXPECT_EQ(temporariesLeft(), 0u);
}

TEST_F(RegistryStoreTest, VanishedFolderGivesWriteErrorAndNoFile) {
    // A plain file where the store's folder should be: nothing can be created below it.
    std::filesystem::create_directories(m_folder.path() / "Corvanta");
    writeWhole(m_folder.path() / "Corvanta/Sonthra", "in the way");
    RegistryStore s(file());
    ASSERT_EQ(s.open(), kMsgRegistryCannotOpen);
    RegistryStore t(m_folder.path() / "gone/settings.reg");
    ASSERT_EQ(t.open(), 0);
    ASSERT_EQ(t.openKey(kKey, true), 0);
    ASSERT_EQ(t.writeInteger("n", 1), 0);
    writeWhole(m_folder.path() / "gone", "the folder was replaced by a file");
    EXPECT_EQ(t.close(), kMsgRegistryCannotWrite);
    EXPECT_EQ(readWhole(m_folder.path() / "gone"), "the folder was replaced by a file");
}

TEST_F(RegistryStoreTest, ProcessesWritingAtOnceLoseNothingAndNeverTearTheFile) {
    store([](RegistryStore& s) { s.writeInteger("start", 1); });
    constexpr int kRounds = 40;
    auto writer = [&](const char* key) {
        return [&, key] {
            for (int i = 0; i < kRounds; ++i) {
                RegistryStore s(file());
                if (s.open() != 0 || s.setAsideCorruptFile()) return 1;
                if (s.openKey(key, true) != 0) return 2;
                s.writeInteger("round", i);
                s.writeString("text " + std::to_string(i), std::string(200 + i, 'w'));
                if (s.close() != 0) return 3;
            }
            return 0;
        };
    };
    auto reader = [&] {
        for (int i = 0; i < 4 * kRounds; ++i) {
            RegistryStore s(file());
            if (s.open() != 0 || s.setAsideCorruptFile() || !s.keyExists(kKey)) return 1;
        }
        return 0;
    };
    std::vector<pid_t> children;
    for (const std::function<int()>& body :
         {std::function<int()>(writer("\\Writer\\One")),
          std::function<int()>(writer("\\Writer\\Two")), std::function<int()>(reader)}) {
        const pid_t pid = ::fork();
        if (pid == 0) ::_exit(body());
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child " << pid;
    }
    RegistryStore s(file());
    ASSERT_EQ(s.open(), 0);
    ASSERT_FALSE(s.setAsideCorruptFile());
    for (const char* key : {"\\Writer\\One", "\\Writer\\Two"}) {
        ASSERT_EQ(s.openKey(key, false), 0) << key;
        std::int32_t round = -1;
        EXPECT_EQ(s.readInteger("round", round), 0);
        EXPECT_EQ(round, kRounds - 1);
        for (int i = 0; i < kRounds; ++i) EXPECT_TRUE(s.valueExists("text " + std::to_string(i)));
    }
    EXPECT_EQ(temporariesLeft(), 0u);
}

TEST(UserSettingsFileTest, FollowsXdgConfigHomeThenHome) {
    const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
    const char* oldHome = std::getenv("HOME");
    const std::string savedXdg = oldXdg ? oldXdg : "";
    const std::string savedHome = oldHome ? oldHome : "";

    ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(userSettingsFile(), "/cfg/Corvanta/Sonthra/settings.reg");
    ::setenv("HOME", "/home/ann", 1);
    ::setenv("XDG_CONFIG_HOME", "relative/is/ignored", 1);
    EXPECT_EQ(userSettingsFile(), "/home/ann/.config/Corvanta/Sonthra/settings.reg");
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(userSettingsFile(), "/home/ann/.config/Corvanta/Sonthra/settings.reg");

    if (oldXdg) ::setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
    if (oldHome)
        ::setenv("HOME", savedHome.c_str(), 1);
    else
        ::unsetenv("HOME");
}

}  // namespace
}  // namespace sonthra
