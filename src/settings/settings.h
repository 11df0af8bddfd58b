// Every value the program keeps in the settings store, each with its reader (which applies the
// value's default) and its writer. Every call opens the store, touches its values and closes it
// again, so no handle stays open and another process may write in between.
//
// Results: 0; 183 when the store cannot be opened, 185 when a key cannot be opened or
// created (callers show these two); 186 when a value could not be read, the default then being
// in the result's value (callers do not show it); 187 when values could not be written (none of
// that call's values then reached the file). The app creates one Settings at start and passes
// it to whoever needs it; its calls may come from any thread.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "settings/registry_store.h"

namespace sonthra {

inline constexpr const char* SettingsKey = "\\Software\\Corvanta\\Sonthra\\Settings";
inline constexpr const char* ColorSchemeKey =
    "\\Software\\Corvanta\\Sonthra\\Color Scheme\\Default Scheme";

// The key of a saved FTP connection: "\Software\<company>\FTPSettings\<name>", the company
// being "Corvanta" when none is given. With an empty name it is the key holding all of them.
std::string ftpSettingsKey(std::string_view company, std::string_view connection = {});

// The system's temporary folder with a trailing "/" ($TMPDIR, else /tmp).
std::string systemTempFolder();

// A value read from the store and the result of reading it.
template <typename T>
struct SettingRead {
    T value{};
    int result = 0;
};

// Whether a result says the store (183) or one of its keys (185) could not be opened: the two
// results callers show.
constexpr bool isSettingsFileFault(int result) {
    return result == kMsgRegistryCannotOpen || result == kMsgRegistryKeyCannotOpen;
}

// What the preferences window loads at start and stores at exit.
struct PreferenceValues {
    std::string tempPath;  // never empty when read: the system's folder stands in
    bool alwaysTestLevels = true;
    std::int32_t inputDeviceIndex = -1;  // -1: the system's preferred device
    std::int32_t outputDeviceIndex = -1;
};

// The WMA export window's remembered output format.
struct WmaFormatChoice {
    std::int32_t samplingRate = 0;  // hertz
    std::int32_t formatIndex = 0;   // a stored -1 reads as 0
};

inline constexpr int kRecentFileCount = 10;
using RecentFiles = std::array<std::string, kRecentFileCount>;

inline constexpr int kColorSchemeSize = 13;
struct ColorSchemeElement {
    const char* name;  // the value name, also the element's text in the colours window
    std::uint32_t defaultColor;
};
// The display elements in their fixed order, with their compiled-in colours.
extern const std::array<ColorSchemeElement, kColorSchemeSize> kColorSchemeElements;
using ColorScheme = std::array<std::uint32_t, kColorSchemeSize>;

inline constexpr double kDefaultInsertSilenceTime = 2.0;
inline constexpr double kDefaultTrimSilence = 0.03;

class Settings {
public:
    // file: the store's file, normally userSettingsFile().
    explicit Settings(std::filesystem::path file);
    const std::filesystem::path& file() const { return m_file; }

    // A trouble with the store that the user should hear of, each kind at most once a run:
    // 183 the file cannot be read (a pipe, say; the defaults apply), 186 it was found corrupt
    // and set aside (the defaults apply), 187 changes cannot be stored (a read-only folder, or
    // a lock another process keeps longer than settings_file::kLockWait). Returns the next one
    // not yet taken, else 0. The app shows it after loading the preferences.
    int takeStoreNotice();
    // Whether a caller that met result should show it: false for a trouble of the store (183,
    // 185, or a notice above) that this object has already had shown, so that one broken
    // settings file gives one box however many readers meet it; true for anything else.
    bool tellOnce(int result);

    // Preferences, read at start and written at exit. A failure to open the store or key
    // gives 183 or 185 and the defaults.
    SettingRead<PreferenceValues> loadPreferences();
    int savePreferences(const PreferenceValues& values);
    SettingRead<std::string> readTempPath();
    int writeTempPath(std::string_view folder);
    SettingRead<bool> readAlwaysTestLevels();
    int writeAlwaysTestLevels(bool on);
    SettingRead<std::int32_t> readInputDeviceIndex();
    int writeInputDeviceIndex(std::int32_t index);
    SettingRead<std::int32_t> readOutputDeviceIndex();
    int writeOutputDeviceIndex(std::int32_t index);

    // The recording source. microphoneIndex stands in when nothing is stored; a negative
    // index, stored or not, becomes 0.
    SettingRead<std::int32_t> readLastRecordSource(std::int32_t microphoneIndex);
    int writeLastRecordSource(std::int32_t index);

    // The skin of the main window's controls by name ("light", the default, or "dark").
    SettingRead<std::string> readSkin();
    int writeSkin(std::string_view name);

    // The recent-file list, position 0 the most recent; empty entries are unused positions.
    // An entry that is not text reads as empty, an unused position.
    SettingRead<RecentFiles> readRecentFiles();
    SettingRead<std::string> readRecentFile(int position);
    // Puts path first, followed by the stored entries that are neither empty nor equal to it,
    // up to ten, written from position 0; positions past the new list keep their values, except
    // entries that are not text, which become empty. An empty path is ignored.
    int addRecentFile(std::string_view path);

    // The MP3 export window's last encoder (empty: none stored) and bit rate in kbit/s
    // (186 and 0 when none is stored).
    SettingRead<std::string> readMp3ExportCodec();
    SettingRead<std::int32_t> readMp3ExportBitRate();
    int writeMp3ExportChoice(std::string_view codec, std::int32_t bitRate);

    // Seconds of silence to insert (default 2.0) and the trim threshold in percent of the
    // maximum level (default 0.03).
    SettingRead<double> readInsertSilenceTime();
    int writeInsertSilenceTime(double seconds);
    SettingRead<double> readTrimSilence();
    int writeTrimSilence(double percent);

    // The WMA export window's values. The encoder index is only read (186 and 0 when absent);
    // the format choice reads 186 when either of its values is absent.
    SettingRead<std::int32_t> readLastWmaEncoderIndex();
    SettingRead<WmaFormatChoice> readLastWmaFormat();
    int writeLastWmaFormat(const WmaFormatChoice& choice);

    // The thirteen colours; a value that is missing or does not parse gives the element's
    // default. On 183 or 185 the value is the default scheme and callers keep what they had.
    SettingRead<ColorScheme> readColorScheme();
    // Writes all thirteen colours in their text form.
    int writeColorScheme(const ColorScheme& colors);

private:
    // Opens the store with the key current, creating a missing key as every reader does; the
    // reader then closes with finishWrite, whose result it ignores.
    int openForRead(RegistryStore& store, const char* key);
    int openForWrite(RegistryStore& store, const char* key);
    int finishWrite(RegistryStore& store);
    void noteStore(const RegistryStore& store, int result);

    template <typename T, typename Read>
    SettingRead<T> readOne(const char* name, T fallback, Read read);
    template <typename Write>
    int writeOne(Write write);

    std::filesystem::path m_file;
    // Bits of the notices raised and of those already taken (see noticeBit in settings.cpp).
    std::atomic<unsigned> m_noticesRaised{0};
    std::atomic<unsigned> m_noticesTaken{0};
    std::atomic<bool> m_keyFaultTold{false};
};

}  // namespace sonthra
