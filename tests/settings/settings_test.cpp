#include "settings/settings.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

#include <cstdlib>
#include <string>

#include "settings/color_text.h"
#include "settings/settings_file.h"
#include "settings/temp_folder.h"

namespace sonthra {
namespace {

using testing::readWhole;
using testing::TempFolder;
using testing::writeWhole;

class SettingsTest : public ::testing::Test {
protected:
    std::filesystem::path file() const { return m_folder / "settings.reg"; }

    // Writes raw values the way another program version or a hand edit might have left them.
    void storeRaw(const char* key, const std::function<void(RegistryStore&)>& write) {
        RegistryStore s(file());
        ASSERT_EQ(s.open(), 0);
        ASSERT_EQ(s.openKey(key, true), 0);
        write(s);
        ASSERT_EQ(s.close(), 0);
    }

    // The value as stored, with its stored type.
    std::optional<RegistryValue> stored(const char* key, const std::string& name) {
        auto tree = parseRegistryText(readWhole(file()));
        if (!tree) return std::nullopt;
        const RegistryKey* k = findKey(*tree, *splitKeyPath(key));
        if (k == nullptr) return std::nullopt;
        auto it = k->values.find(name);
        if (it == k->values.end()) return std::nullopt;
        return it->second;
    }

    TempFolder m_folder;
    Settings m_settings{file()};
};

TEST_F(SettingsTest, FirstRunReadsEveryDefaultAndExitCreatesTheFourPreferences) {
    auto prefs = m_settings.loadPreferences();
    EXPECT_EQ(prefs.result, 0);
    EXPECT_EQ(prefs.value.tempPath, systemTempFolder());
    EXPECT_TRUE(prefs.value.alwaysTestLevels);
    EXPECT_EQ(prefs.value.inputDeviceIndex, -1);
    EXPECT_EQ(prefs.value.outputDeviceIndex, -1);
    EXPECT_EQ(m_settings.takeStoreNotice(), 0);

    EXPECT_EQ(m_settings.readInsertSilenceTime().value, 2.0);
    EXPECT_EQ(m_settings.readTrimSilence().value, 0.03);
    EXPECT_EQ(m_settings.readMp3ExportCodec().value, "");
    EXPECT_EQ(m_settings.readMp3ExportCodec().result, 0) << "a missing text is no error";
    EXPECT_EQ(m_settings.readMp3ExportBitRate().result, kMsgRegistryCannotRead);
    EXPECT_EQ(m_settings.readMp3ExportBitRate().value, 0);
    EXPECT_EQ(m_settings.readLastWmaEncoderIndex().result, kMsgRegistryCannotRead);
    EXPECT_EQ(m_settings.readLastWmaFormat().result, kMsgRegistryCannotRead);
    EXPECT_EQ(m_settings.readRecentFiles().value, RecentFiles{});

    ASSERT_EQ(m_settings.savePreferences(prefs.value), 0);
    EXPECT_EQ(stored(SettingsKey, "Temp Path"), RegistryValue::text(systemTempFolder()));
    EXPECT_EQ(stored(SettingsKey, "Always Test Levels"), RegistryValue::number(1));
    EXPECT_EQ(stored(SettingsKey, "Last Input Device Selected"), RegistryValue::number(-1));
    EXPECT_EQ(stored(SettingsKey, "Last Output Device Selected"), RegistryValue::number(-1));
}

TEST_F(SettingsTest, PreferencesRoundTripAndEachValueHasItsOwnReader) {
    ASSERT_EQ(m_settings.savePreferences({"/data/work/", false, 2, 0}), 0);
    auto prefs = m_settings.loadPreferences();
    ASSERT_EQ(prefs.result, 0);
    EXPECT_EQ(prefs.value.tempPath, "/data/work/");
    EXPECT_FALSE(prefs.value.alwaysTestLevels);
    EXPECT_EQ(prefs.value.inputDeviceIndex, 2);
    EXPECT_EQ(prefs.value.outputDeviceIndex, 0);

    ASSERT_EQ(m_settings.writeTempPath("/other/"), 0);
    ASSERT_EQ(m_settings.writeAlwaysTestLevels(true), 0);
    ASSERT_EQ(m_settings.writeInputDeviceIndex(-1), 0);
    ASSERT_EQ(m_settings.writeOutputDeviceIndex(3), 0);
    EXPECT_EQ(m_settings.readTempPath().value, "/other/");
    EXPECT_TRUE(m_settings.readAlwaysTestLevels().value);
    EXPECT_EQ(m_settings.readInputDeviceIndex().value, -1);
    EXPECT_EQ(m_settings.readOutputDeviceIndex().value, 3);

    ASSERT_EQ(m_settings.writeTempPath(""), 0);
    EXPECT_EQ(m_settings.readTempPath().value, systemTempFolder()) << "empty means the system's";
}

TEST_F(SettingsTest, WronglyTypedValuesReadAsTheirDefaults) {
    storeRaw(SettingsKey, [](RegistryStore& s) {
        s.writeInteger("Temp Path", 5);
        s.writeString("Always Test Levels", "0");
        s.writeFloat("Last Input Device Selected", 1.0);
        s.writeString("Last Output Device Selected", "1");
        s.writeBool("Trim Silence", true);
        s.writeString("MP3 Export BitRate", "128");
    });
    auto prefs = m_settings.loadPreferences();
    EXPECT_EQ(prefs.result, 0);
    EXPECT_EQ(prefs.value.tempPath, systemTempFolder());
    EXPECT_TRUE(prefs.value.alwaysTestLevels);
    EXPECT_EQ(prefs.value.inputDeviceIndex, -1);
    EXPECT_EQ(prefs.value.outputDeviceIndex, -1);

    auto tempPath = m_settings.readTempPath();
    EXPECT_EQ(tempPath.result, kMsgRegistryCannotRead) << "a text stored as another type";
    EXPECT_EQ(tempPath.value, systemTempFolder());
    EXPECT_EQ(m_settings.readAlwaysTestLevels().result, kMsgRegistryCannotRead);
    EXPECT_EQ(m_settings.readTrimSilence().value, 0.03);
    EXPECT_EQ(m_settings.readMp3ExportBitRate().result, kMsgRegistryCannotRead);
}

TEST_F(SettingsTest, FourByteInsertSilenceTimeReadsAsTwoSeconds) {
    storeRaw(SettingsKey, [](RegistryStore& s) { s.writeInteger("Insert Silence Time", 5); });
    writeWhole(file(),
               "Sonthra settings 1\n[\\Software\\Corvanta\\Sonthra\\Settings]\n"
               "\"Insert Silence Time\"=bytes:00,00,a0,40\n; end of settings\n");
    auto read = m_settings.readInsertSilenceTime();
    EXPECT_EQ(read.result, kMsgRegistryCannotRead);
    EXPECT_EQ(read.value, 2.0);
    EXPECT_EQ(m_settings.takeStoreNotice(), 0) << "a wrong value is no corrupt file";

    ASSERT_EQ(m_settings.writeInsertSilenceTime(0.25), 0);
    ASSERT_EQ(m_settings.writeTrimSilence(1.5), 0);
    EXPECT_EQ(m_settings.readInsertSilenceTime().value, 0.25);
    EXPECT_EQ(m_settings.readTrimSilence().value, 1.5);
    EXPECT_EQ(stored(SettingsKey, "Insert Silence Time")->data.size(), 8u);
}

TEST_F(SettingsTest, RecordSourceFallsBackToTheMicrophoneAndNeverGoesNegative) {
    auto read = m_settings.readLastRecordSource(4);
    EXPECT_EQ(read.result, kMsgRegistryCannotRead);
    EXPECT_EQ(read.value, 4);
    EXPECT_EQ(m_settings.readLastRecordSource(-3).value, 0);
    ASSERT_EQ(m_settings.writeLastRecordSource(2), 0);
    read = m_settings.readLastRecordSource(4);
    EXPECT_EQ(read.result, 0);
    EXPECT_EQ(read.value, 2);
    ASSERT_EQ(m_settings.writeLastRecordSource(-1), 0);
    EXPECT_EQ(m_settings.readLastRecordSource(4).value, 0);
}

TEST_F(SettingsTest, RecentFilePutsTheNewestFirstAndMovesARepeatUp) {
    for (int i = 9; i >= 0; --i) ASSERT_EQ(m_settings.addRecentFile("/f" + std::to_string(i)), 0);
    RecentFiles expected{"/f0", "/f1", "/f2", "/f3", "/f4", "/f5", "/f6", "/f7", "/f8", "/f9"};
    EXPECT_EQ(m_settings.readRecentFiles().value, expected);

    // A file at position 3 moves to 0, positions 0 to 2 shift down, 4 to 9 stay.
    ASSERT_EQ(m_settings.addRecentFile("/f3"), 0);
    expected = {"/f3", "/f0", "/f1", "/f2", "/f4", "/f5", "/f6", "/f7", "/f8", "/f9"};
    EXPECT_EQ(m_settings.readRecentFiles().value, expected);

    // A new file on a full list drops the oldest.
    ASSERT_EQ(m_settings.addRecentFile("/new"), 0);
    expected = {"/new", "/f3", "/f0", "/f1", "/f2", "/f4", "/f5", "/f6", "/f7", "/f8"};
    EXPECT_EQ(m_settings.readRecentFiles().value, expected);
    EXPECT_EQ(m_settings.readRecentFile(1).value, "/f3");
    EXPECT_EQ(m_settings.readRecentFile(10).result, kMsgRegistryCannotRead);

    // Comparison is exact, and the empty path is not a file.
    ASSERT_EQ(m_settings.addRecentFile("/F3"), 0);
    EXPECT_EQ(m_settings.readRecentFile(0).value, "/F3");
    EXPECT_EQ(m_settings.readRecentFile(1).value, "/new");
    ASSERT_EQ(m_settings.addRecentFile(""), 0);
    EXPECT_EQ(m_settings.readRecentFile(0).value, "/F3");
    EXPECT_EQ(stored(SettingsKey, "MRU 0"), RegistryValue::text("/F3"));
}

TEST_F(SettingsTest, RecentFileSkipsGapsAndLeavesPositionsPastTheNewList) {
    storeRaw(SettingsKey, [](RegistryStore& s) {
        s.writeString("MRU 0", "/a");
        s.writeString("MRU 2", "/b");
        s.writeString("MRU 5", "/c");
    });
    ASSERT_EQ(m_settings.addRecentFile("/new"), 0);
    RecentFiles expected{"/new", "/a", "/b", "/c", "", "/c"};
    EXPECT_EQ(m_settings.readRecentFiles().value, expected);
}

TEST_F(SettingsTest, RecentFileEntryOfAnotherTypeIsAnUnusedPosition) {
    storeRaw(SettingsKey, [](RegistryStore& s) {
        s.writeString("MRU 0", "/a");
        s.writeInteger("MRU 1", 12);
        s.writeString("MRU 2", "/b");
        s.writeInteger("MRU 7", 13);
    });
    auto list = m_settings.readRecentFiles();
    EXPECT_EQ(list.result, 0);
    EXPECT_EQ(list.value, (RecentFiles{"/a", "", "/b"}));

    // The list goes on growing, and the bad values are gone from the store.
    ASSERT_EQ(m_settings.addRecentFile("/new"), 0);
    list = m_settings.readRecentFiles();
    EXPECT_EQ(list.value, (RecentFiles{"/new", "/a", "/b"}));
    EXPECT_EQ(stored(SettingsKey, "MRU 7"), RegistryValue::text(""));
    ASSERT_EQ(m_settings.addRecentFile("/newer"), 0);
    EXPECT_EQ(m_settings.readRecentFile(0).value, "/newer");
}

TEST_F(SettingsTest, Mp3AndWmaChoicesRoundTrip) {
    ASSERT_EQ(m_settings.writeMp3ExportChoice("LAME MP3 Encoder", 128), 0);
    EXPECT_EQ(m_settings.readMp3ExportCodec().value, "LAME MP3 Encoder");
    auto bitRate = m_settings.readMp3ExportBitRate();
    EXPECT_EQ(bitRate.result, 0);
    EXPECT_EQ(bitRate.value, 128);

    ASSERT_EQ(m_settings.writeLastWmaFormat({44100, -1}), 0);
    auto format = m_settings.readLastWmaFormat();
    EXPECT_EQ(format.result, 0);
    EXPECT_EQ(format.value.samplingRate, 44100);
    EXPECT_EQ(format.value.formatIndex, 0) << "-1 is taken as 0";
    ASSERT_EQ(m_settings.writeLastWmaFormat({22050, 3}), 0);
    EXPECT_EQ(m_settings.readLastWmaFormat().value.formatIndex, 3);

    storeRaw(SettingsKey, [](RegistryStore& s) {
        s.writeInteger("Last WMA Encoder Index Selected", 2);
        s.deleteValue("Last WMA Format Index Selected");
    });
    EXPECT_EQ(m_settings.readLastWmaEncoderIndex().value, 2);
    EXPECT_EQ(m_settings.readLastWmaFormat().result, kMsgRegistryCannotRead)
        << "the format choice needs both values";
}

TEST_F(SettingsTest, ColourSchemeReadsDefaultsNamesAndNumbersAndSkipsGarbage) {
    auto scheme = m_settings.readColorScheme();
    EXPECT_EQ(scheme.result, 0);
    for (int i = 0; i < kColorSchemeSize; ++i)
        EXPECT_EQ(scheme.value[i], kColorSchemeElements[i].defaultColor) << i;

    storeRaw(ColorSchemeKey, [](RegistryStore& s) {
        s.writeString("Waveform", "clRed");
        s.writeString("Axis", "garbled!");
        s.writeString("Cursor", "$00123456");
        s.writeInteger("LED On", 255);  // not text: unreadable
    });
    scheme = m_settings.readColorScheme();
    EXPECT_EQ(scheme.result, 0);
    EXPECT_EQ(scheme.value[1], rgbColor(255, 0, 0));
    EXPECT_EQ(scheme.value[2], rgbColor(106, 181, 255));
    EXPECT_EQ(scheme.value[3], 0x123456u);
    EXPECT_EQ(scheme.value[9], rgbColor(255, 0, 0));
}

TEST_F(SettingsTest, ColourSchemeIsStoredInTheToolkitsTextForm) {
    ColorScheme colors;
    for (int i = 0; i < kColorSchemeSize; ++i) colors[i] = kColorSchemeElements[i].defaultColor;
    ASSERT_EQ(m_settings.writeColorScheme(colors), 0);
    const char* const expected[kColorSchemeSize] = {
        "clBlack",   "$00FFB56A", "$00FFB56A", "clLime",   "$007F7F00", "$00C8FF00", "clBlack",
        "$00FFB56A", "clBlack",   "clRed",     "clMaroon", "$000080FF", "clGray",
    };
    const char* const names[kColorSchemeSize] = {
        "Waveform Background",
        "Waveform",
        "Axis",
        "Cursor",
        "Selection Background",
        "Selection Waveform",
        "Overview Background",
        "Overview Waveform",
        "LED Background",
        "LED On",
        "LED Off",
        "Clipping Light On",
        "Clipping Light Off",
    };
    for (int i = 0; i < kColorSchemeSize; ++i) {
        EXPECT_STREQ(kColorSchemeElements[i].name, names[i]);
        EXPECT_EQ(stored(ColorSchemeKey, names[i]), RegistryValue::text(expected[i])) << names[i];
    }
    colors[0] = rgbColor(1, 2, 3);
    ASSERT_EQ(m_settings.writeColorScheme(colors), 0);
    EXPECT_EQ(m_settings.readColorScheme().value, colors);
}

TEST_F(SettingsTest, CorruptFileIsReportedOnceAndTheProgramCarriesOnWithDefaults) {
    ASSERT_EQ(m_settings.savePreferences({"/data/work/", false, 1, 1}), 0);
    const std::string good = readWhole(file());
    writeWhole(file(), good.substr(0, good.size() - 7));  // cut short by a crash elsewhere

    auto prefs = m_settings.loadPreferences();
    EXPECT_EQ(prefs.result, 0);
    EXPECT_EQ(prefs.value.tempPath, systemTempFolder());
    EXPECT_TRUE(prefs.value.alwaysTestLevels);
    EXPECT_EQ(m_settings.takeStoreNotice(), kMsgRegistryCannotRead);
    EXPECT_EQ(m_settings.takeStoreNotice(), 0);
    EXPECT_EQ(m_settings.readColorScheme().result, 0);
    EXPECT_EQ(m_settings.takeStoreNotice(), 0) << "reported once";

    ASSERT_EQ(m_settings.savePreferences(prefs.value), 0);
    EXPECT_TRUE(parseRegistryText(readWhole(file())).has_value());
    std::filesystem::path aside = file();
    aside += ".corrupt";
    EXPECT_EQ(readWhole(aside), good.substr(0, good.size() - 7));
}

TEST_F(SettingsTest, StoreThatCannotBeOpenedGives183AndDefaults) {
    std::filesystem::create_directories(file());
    auto prefs = m_settings.loadPreferences();
    EXPECT_EQ(prefs.result, kMsgRegistryCannotOpen);
    EXPECT_EQ(prefs.value.tempPath, systemTempFolder());
    EXPECT_EQ(m_settings.readInsertSilenceTime().value, 2.0);
    EXPECT_EQ(m_settings.readColorScheme().result, kMsgRegistryCannotOpen);
    EXPECT_EQ(m_settings.savePreferences(prefs.value), kMsgRegistryCannotOpen);
    EXPECT_EQ(m_settings.addRecentFile("/x"), kMsgRegistryCannotOpen);
    EXPECT_TRUE(std::filesystem::is_directory(file()));
}

// Every reader of a broken store meets the same fault (the preferences, the record source, the
// colours, ...): it is shown once, whoever meets it first, and other messages are not held back.
TEST_F(SettingsTest, ABrokenStoreIsToldOnceWhoeverMeetsIt) {
    std::filesystem::create_directories(file());
    const int fault = m_settings.readLastRecordSource(-1).result;
    ASSERT_EQ(fault, kMsgRegistryCannotOpen);
    EXPECT_TRUE(m_settings.tellOnce(fault));
    EXPECT_EQ(m_settings.loadPreferences().result, kMsgRegistryCannotOpen);
    EXPECT_EQ(m_settings.takeStoreNotice(), 0) << "already shown";
    EXPECT_FALSE(m_settings.tellOnce(m_settings.readColorScheme().result));
    EXPECT_TRUE(m_settings.tellOnce(kMsgRegistryKeyCannotOpen));
    EXPECT_FALSE(m_settings.tellOnce(kMsgRegistryKeyCannotOpen));
    EXPECT_TRUE(m_settings.tellOnce(441));
    EXPECT_TRUE(m_settings.tellOnce(441));
}

// Runs f and tells how long it took.
template <typename F>
std::chrono::milliseconds timed(F f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start);
}

TEST_F(SettingsTest, ASettingsFileThatIsAPipeIsReportedOnceAndTheDefaultsApply) {
    ASSERT_EQ(::mkfifo(file().c_str(), 0600), 0);
    SettingRead<PreferenceValues> prefs;
    // Nothing ever writes into the pipe: a blocking open would never return.
    EXPECT_LT(timed([&] { prefs = m_settings.loadPreferences(); }).count(), 1000);
    EXPECT_EQ(prefs.value.tempPath, systemTempFolder());
    EXPECT_EQ(m_settings.readTrimSilence().value, 0.03);
    EXPECT_EQ(m_settings.takeStoreNotice(), kMsgRegistryCannotOpen);
    EXPECT_EQ(m_settings.savePreferences(prefs.value), kMsgRegistryCannotOpen);
    EXPECT_EQ(m_settings.takeStoreNotice(), 0) << "reported once";
}

TEST_F(SettingsTest, ALockHeldElsewhereIsWaitedForABoundedTimeThenReportedOnce) {
    ASSERT_EQ(m_settings.savePreferences({"/data/work/", false, 1, 1}), 0);
    std::filesystem::path lockFile = file();
    lockFile += ".lock";
    // A lock of another open file description conflicts as another process's would.
    const int held = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);

    auto prefs = m_settings.loadPreferences();
    EXPECT_EQ(prefs.value.tempPath, "/data/work/") << "reading needs no lock";
    int saved = 0;
    const auto took = timed([&] { saved = m_settings.savePreferences({"/x/", true, 0, 0}); });
    EXPECT_EQ(saved, kMsgRegistryCannotWrite);
    EXPECT_GE(took, settings_file::kLockWait - std::chrono::milliseconds(100));
    EXPECT_LT(took, settings_file::kLockWait + std::chrono::milliseconds(2000));
    EXPECT_EQ(m_settings.takeStoreNotice(), kMsgRegistryCannotWrite);
    EXPECT_EQ(m_settings.writeTrimSilence(1.0), kMsgRegistryCannotWrite);
    EXPECT_EQ(m_settings.takeStoreNotice(), 0) << "reported once";

    ::close(held);
    EXPECT_EQ(m_settings.savePreferences({"/x/", true, 0, 0}), 0);
    EXPECT_EQ(m_settings.loadPreferences().value.tempPath, "/x/");
}

TEST_F(SettingsTest, AFolderThatCannotBeWrittenIsReportedWhenThePreferencesAreLoaded) {
    ASSERT_EQ(m_settings.savePreferences({"/data/work/", false, 1, 1}), 0);
    ::chmod(m_folder.path().c_str(), 0500);
    // The rule is the user's: a process that may write anything (root) runs the check as
    // another user.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0) {
            ::chown(m_folder.path().c_str(), 65534, 65534);
            ::chown(file().c_str(), 65534, 65534);
            if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(10);
        }
        Settings settings(file());
        const auto prefs = settings.loadPreferences();
        if (prefs.value.tempPath != "/data/work/") ::_exit(11);
        if (settings.takeStoreNotice() != kMsgRegistryCannotWrite) ::_exit(12);
        if (settings.savePreferences(prefs.value) != kMsgRegistryCannotWrite) ::_exit(13);
        if (settings.takeStoreNotice() != 0) ::_exit(14);
        ::_exit(0);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ::chmod(m_folder.path().c_str(), 0700);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "10 no other user, 11 values, 12 no notice, 13 write, "
                                         "14 told twice";
}

TEST(SettingsPathsTest, FtpKeysAndTheSystemTemporaryFolder) {
    EXPECT_EQ(ftpSettingsKey("", "<Last Session>"),
              "\\Software\\Corvanta\\FTPSettings\\<Last Session>");
    EXPECT_EQ(ftpSettingsKey("Castwright", "Home"), "\\Software\\Castwright\\FTPSettings\\Home");
    EXPECT_EQ(ftpSettingsKey("Castwright"), "\\Software\\Castwright\\FTPSettings\\");
    EXPECT_EQ(splitKeyPath(ftpSettingsKey("Castwright"))->size(), 3u);

    const char* old = std::getenv("TMPDIR");
    const std::string saved = old ? old : "";
    TempFolder folder;
    ::setenv("TMPDIR", folder.path().c_str(), 1);
    EXPECT_EQ(systemTempFolder(), folder.path().string() + "/");
    ::setenv("TMPDIR", "/no/such/folder", 1);
    EXPECT_EQ(systemTempFolder(), "/tmp/");
    if (old)
        ::setenv("TMPDIR", saved.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
}

}  // namespace
}  // namespace sonthra
