#include "settings/settings.h"

#include <iterator>
#include <system_error>

#include "settings/color_text.h"
#include "settings/settings_file.h"

namespace sonthra {

namespace {

constexpr const char* kTempPath = "Temp Path";
constexpr const char* kAlwaysTestLevels = "Always Test Levels";
constexpr const char* kLastInputDevice = "Last Input Device Selected";
constexpr const char* kLastOutputDevice = "Last Output Device Selected";
constexpr const char* kLastRecordSource = "Last Record Source Selected";
constexpr const char* kSkin = "Skin";
constexpr const char* kMp3ExportCodec = "MP3 Export Codec";
constexpr const char* kMp3ExportBitRate = "MP3 Export BitRate";
constexpr const char* kInsertSilenceTime = "Insert Silence Time";
constexpr const char* kTrimSilence = "Trim Silence";
constexpr const char* kLastWmaEncoder = "Last WMA Encoder Index Selected";
constexpr const char* kLastWmaRate = "Last WMA Sampling Rate Selected";
constexpr const char* kLastWmaFormat = "Last WMA Format Index Selected";

std::string recentFileName(int position) {
    return "MRU " + std::to_string(position);
}

}  // namespace

const std::array<ColorSchemeElement, kColorSchemeSize> kColorSchemeElements{{
    {"Waveform Background", rgbColor(0, 0, 0)},
    {"Waveform", rgbColor(106, 181, 255)},
    {"Axis", rgbColor(106, 181, 255)},
    {"Cursor", rgbColor(0, 255, 0)},
    {"Selection Background", rgbColor(0, 127, 127)},
    {"Selection Waveform", rgbColor(0, 255, 200)},
    {"Overview Background", rgbColor(0, 0, 0)},
    {"Overview Waveform", rgbColor(106, 181, 255)},
    {"LED Background", rgbColor(0, 0, 0)},
    {"LED On", rgbColor(255, 0, 0)},
    {"LED Off", rgbColor(128, 0, 0)},
    {"Clipping Light On", rgbColor(255, 128, 0)},
    {"Clipping Light Off", rgbColor(128, 128, 128)},
}};

std::string ftpSettingsKey(std::string_view company, std::string_view connection) {
    std::string key = "\\Software\\";
    key += company.empty() ? std::string_view("Corvanta") : company;
    key += "\\FTPSettings\\";
    key += connection;
    return key;
}

std::string systemTempFolder() {
    std::error_code ec;
    std::string folder = std::filesystem::temp_directory_path(ec).string();
    if (ec || folder.empty()) folder = "/tmp";
    if (!folder.ends_with('/')) folder += '/';
    return folder;
}

Settings::Settings(std::filesystem::path file) : m_file(std::move(file)) {}

namespace {

constexpr int kNotices[] = {kMsgRegistryCannotOpen, kMsgRegistryCannotRead,
                            kMsgRegistryCannotWrite};

unsigned noticeBit(int message) {
    for (unsigned i = 0; i < std::size(kNotices); ++i) {
        if (kNotices[i] == message) return 1u << i;
    }
    return 0;
}

}  // namespace

int Settings::takeStoreNotice() {
    for (const int message : kNotices) {
        const unsigned bit = noticeBit(message);
        if ((m_noticesRaised.load() & bit) && !(m_noticesTaken.fetch_or(bit) & bit)) {
            return message;
        }
    }
    return 0;
}

bool Settings::tellOnce(int result) {
    if (result == kMsgRegistryKeyCannotOpen) return !m_keyFaultTold.exchange(true);
    const unsigned bit = noticeBit(result);
    return bit == 0 || !(m_noticesTaken.fetch_or(bit) & bit);
}

void Settings::noteStore(const RegistryStore& store, int result) {
    if (store.setAsideCorruptFile()) m_noticesRaised.fetch_or(noticeBit(kMsgRegistryCannotRead));
    if (result == kMsgRegistryCannotOpen || result == kMsgRegistryCannotWrite) {
        m_noticesRaised.fetch_or(noticeBit(result));
    }
}

int Settings::openForRead(RegistryStore& store, const char* key) {
    const int opened = store.open();
    noteStore(store, opened);
    if (opened != 0) return opened;
    return store.openKey(key, true);
}

int Settings::openForWrite(RegistryStore& store, const char* key) {
    return openForRead(store, key);
}

int Settings::finishWrite(RegistryStore& store) {
    const int result = store.close();
    noteStore(store, result);
    return result;
}

template <typename T, typename Read>
SettingRead<T> Settings::readOne(const char* key, T fallback, Read read) {
    RegistryStore store(m_file);
    SettingRead<T> out{fallback, openForRead(store, key)};
    if (out.result != 0) return out;
    T value = fallback;
    out.result = read(store, value);
    if (out.result == 0) out.value = value;
    finishWrite(store);
    return out;
}

template <typename Write>
int Settings::writeOne(Write write) {
    RegistryStore store(m_file);
    const int opened = openForWrite(store, SettingsKey);
    if (opened != 0) return opened;
    const int written = write(store);
    const int closed = finishWrite(store);
    return written != 0 ? written : closed;
}

// Preferences.

SettingRead<PreferenceValues> Settings::loadPreferences() {
    RegistryStore store(m_file);
    SettingRead<PreferenceValues> out;
    out.value.tempPath = systemTempFolder();
    out.result = openForRead(store, SettingsKey);
    if (out.result != 0) return out;
    // Found now rather than when the preferences are stored at exit, when it is too late.
    if (!settings_file::canReplace(m_file)) noteStore(store, kMsgRegistryCannotWrite);
    std::string folder;
    if (store.readString(kTempPath, folder) == 0 && !folder.empty()) out.value.tempPath = folder;
    bool on = true;
    if (store.readBool(kAlwaysTestLevels, on) == 0) out.value.alwaysTestLevels = on;
    std::int32_t index = -1;
    if (store.readInteger(kLastInputDevice, index) == 0) out.value.inputDeviceIndex = index;
    index = -1;
    if (store.readInteger(kLastOutputDevice, index) == 0) out.value.outputDeviceIndex = index;
    finishWrite(store);
    return out;
}

int Settings::savePreferences(const PreferenceValues& values) {
    return writeOne([&](RegistryStore& store) {
        store.writeString(kTempPath, values.tempPath);
        store.writeBool(kAlwaysTestLevels, values.alwaysTestLevels);
        store.writeInteger(kLastInputDevice, values.inputDeviceIndex);
        return store.writeInteger(kLastOutputDevice, values.outputDeviceIndex);
    });
}

SettingRead<std::string> Settings::readTempPath() {
    auto read = readOne<std::string>(SettingsKey, {}, [](RegistryStore& store, std::string& v) {
        return store.readString(kTempPath, v);
    });
    if (read.value.empty()) read.value = systemTempFolder();
    return read;
}

int Settings::writeTempPath(std::string_view folder) {
    return writeOne([&](RegistryStore& store) { return store.writeString(kTempPath, folder); });
}

SettingRead<bool> Settings::readAlwaysTestLevels() {
    return readOne<bool>(SettingsKey, true, [](RegistryStore& store, bool& v) {
        return store.readBool(kAlwaysTestLevels, v);
    });
}

int Settings::writeAlwaysTestLevels(bool on) {
    return writeOne([&](RegistryStore& store) { return store.writeBool(kAlwaysTestLevels, on); });
}

SettingRead<std::int32_t> Settings::readInputDeviceIndex() {
    return readOne<std::int32_t>(SettingsKey, -1, [](RegistryStore& store, std::int32_t& v) {
        return store.readInteger(kLastInputDevice, v);
    });
}

int Settings::writeInputDeviceIndex(std::int32_t index) {
    return writeOne(
        [&](RegistryStore& store) { return store.writeInteger(kLastInputDevice, index); });
}

SettingRead<std::int32_t> Settings::readOutputDeviceIndex() {
    return readOne<std::int32_t>(SettingsKey, -1, [](RegistryStore& store, std::int32_t& v) {
        return store.readInteger(kLastOutputDevice, v);
    });
}

int Settings::writeOutputDeviceIndex(std::int32_t index) {
    return writeOne(
        [&](RegistryStore& store) { return store.writeInteger(kLastOutputDevice, index); });
}

// Recording source.

SettingRead<std::int32_t> Settings::readLastRecordSource(std::int32_t microphoneIndex) {
    auto read = readOne<std::int32_t>(SettingsKey, microphoneIndex,
                                      [](RegistryStore& store, std::int32_t& v) {
                                          return store.readInteger(kLastRecordSource, v);
                                      });
    if (read.value < 0) read.value = 0;
    return read;
}

int Settings::writeLastRecordSource(std::int32_t index) {
    return writeOne(
        [&](RegistryStore& store) { return store.writeInteger(kLastRecordSource, index); });
}

SettingRead<std::string> Settings::readSkin() {
    auto read = readOne<std::string>(
        SettingsKey, "light",
        [](RegistryStore& store, std::string& v) { return store.readString(kSkin, v); });
    if (read.value.empty()) read.value = "light";
    return read;
}

int Settings::writeSkin(std::string_view name) {
    return writeOne([&](RegistryStore& store) { return store.writeString(kSkin, name); });
}

// Recent files.

SettingRead<RecentFiles> Settings::readRecentFiles() {
    RegistryStore store(m_file);
    SettingRead<RecentFiles> out;
    out.result = openForRead(store, SettingsKey);
    if (out.result != 0) return out;
    // An entry of another type (written by hand, or by something else) reads as an unused
    // position, so that one bad value cannot hide or freeze the list.
    for (int i = 0; i < kRecentFileCount; ++i) {
        std::string entry;
        if (store.readString(recentFileName(i), entry) == 0) out.value[i] = std::move(entry);
    }
    finishWrite(store);
    return out;
}

SettingRead<std::string> Settings::readRecentFile(int position) {
    if (position < 0 || position >= kRecentFileCount) return {{}, kMsgRegistryCannotRead};
    return readOne<std::string>(SettingsKey, {}, [&](RegistryStore& store, std::string& v) {
        return store.readString(recentFileName(position), v);
    });
}

int Settings::addRecentFile(std::string_view path) {
    if (path.empty()) return 0;
    RegistryStore store(m_file);
    const int opened = openForWrite(store, SettingsKey);
    if (opened != 0) return opened;
    std::vector<std::string> list{std::string(path)};
    std::vector<int> notText;
    for (int i = 0; i < kRecentFileCount; ++i) {
        std::string entry;
        // An entry of another type is an unused position; it is cleared below.
        if (store.readString(recentFileName(i), entry) != 0) notText.push_back(i);
        if (!entry.empty() && entry != path && list.size() < kRecentFileCount)
            list.push_back(std::move(entry));
    }
    for (int i : notText) store.writeString(recentFileName(i), "");
    for (std::size_t i = 0; i < list.size(); ++i)
        store.writeString(recentFileName(static_cast<int>(i)), list[i]);
    return finishWrite(store);
}

// MP3 export.

SettingRead<std::string> Settings::readMp3ExportCodec() {
    return readOne<std::string>(SettingsKey, {}, [](RegistryStore& store, std::string& v) {
        return store.readString(kMp3ExportCodec, v);
    });
}

SettingRead<std::int32_t> Settings::readMp3ExportBitRate() {
    return readOne<std::int32_t>(SettingsKey, 0, [](RegistryStore& store, std::int32_t& v) {
        return store.readInteger(kMp3ExportBitRate, v);
    });
}

int Settings::writeMp3ExportChoice(std::string_view codec, std::int32_t bitRate) {
    return writeOne([&](RegistryStore& store) {
        store.writeString(kMp3ExportCodec, codec);
        return store.writeInteger(kMp3ExportBitRate, bitRate);
    });
}

// Silence tools.

SettingRead<double> Settings::readInsertSilenceTime() {
    return readOne<double>(
        SettingsKey, kDefaultInsertSilenceTime,
        [](RegistryStore& store, double& v) { return store.readFloat(kInsertSilenceTime, v); });
}

int Settings::writeInsertSilenceTime(double seconds) {
    return writeOne(
        [&](RegistryStore& store) { return store.writeFloat(kInsertSilenceTime, seconds); });
}

SettingRead<double> Settings::readTrimSilence() {
    return readOne<double>(SettingsKey, kDefaultTrimSilence, [](RegistryStore& store, double& v) {
        return store.readFloat(kTrimSilence, v);
    });
}

int Settings::writeTrimSilence(double percent) {
    return writeOne([&](RegistryStore& store) { return store.writeFloat(kTrimSilence, percent); });
}

// WMA export.

SettingRead<std::int32_t> Settings::readLastWmaEncoderIndex() {
    return readOne<std::int32_t>(SettingsKey, 0, [](RegistryStore& store, std::int32_t& v) {
        return store.readInteger(kLastWmaEncoder, v);
    });
}

SettingRead<WmaFormatChoice> Settings::readLastWmaFormat() {
    return readOne<WmaFormatChoice>(SettingsKey, {}, [](RegistryStore& store, WmaFormatChoice& v) {
        if (store.readInteger(kLastWmaRate, v.samplingRate) != 0 ||
            store.readInteger(kLastWmaFormat, v.formatIndex) != 0)
            return kMsgRegistryCannotRead;
        if (v.formatIndex == -1) v.formatIndex = 0;
        return 0;
    });
}

int Settings::writeLastWmaFormat(const WmaFormatChoice& choice) {
    return writeOne([&](RegistryStore& store) {
        store.writeInteger(kLastWmaRate, choice.samplingRate);
        return store.writeInteger(kLastWmaFormat, choice.formatIndex);
    });
}

// Colour scheme.

SettingRead<ColorScheme> Settings::readColorScheme() {
    SettingRead<ColorScheme> out;
    for (int i = 0; i < kColorSchemeSize; ++i) out.value[i] = kColorSchemeElements[i].defaultColor;
    RegistryStore store(m_file);
    out.result = openForRead(store, ColorSchemeKey);
    if (out.result != 0) return out;
    for (int i = 0; i < kColorSchemeSize; ++i) {
        std::string text;
        if (store.readString(kColorSchemeElements[i].name, text) != 0) continue;
        if (auto color = textToColor(text)) out.value[i] = *color;
    }
    finishWrite(store);
    return out;
}

int Settings::writeColorScheme(const ColorScheme& colors) {
    RegistryStore store(m_file);
    const int opened = openForWrite(store, ColorSchemeKey);
    if (opened != 0) return opened;
    for (int i = 0; i < kColorSchemeSize; ++i)
        store.writeString(kColorSchemeElements[i].name, colorToText(colors[i]));
    return finishWrite(store);
}

}  // namespace sonthra
