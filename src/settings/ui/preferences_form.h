// The Preferences window TPreferencesForm: the temporary folder, the switch that keeps the
// input level test running while idle, and the recording and playback devices. It is created
// once at start, where it reads the settings, checks the folder, hands it to the engine and
// selects the preferred devices, and destroyed at exit, where it writes them back. The window
// does not own the engine or the settings; both must outlive it. Call only from the GUI thread.
#pragma once

#include <QDialog>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

#include "dialogs/ui/user_dialogs.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace sonthra {

// The boxes for a missing recording and playback device, which the device lists show.
inline constexpr int kNoRecordingDeviceMessage = 192;
inline constexpr int kNoPlaybackDeviceMessage = 194;

class NXWavePlayer;
class Settings;

// One entry of a device list: the engine's device index (-1 for the default entry) and its
// description.
struct DeviceEntry {
    std::int32_t index = -1;
    std::string description;
};

class TPreferencesForm : public QDialog {
    Q_OBJECT
public:
    // Runs FormCreate; messages (441, 192, 194, engine errors, a settings store notice) are
    // shown over `parent` through `dialogs`.
    TPreferencesForm(NXWavePlayer& engine, Settings& settings, UserDialogs& dialogs,
                     QWidget* parent = nullptr);
    // FormDestroy: writes the preferences.
    ~TPreferencesForm() override;

    // The folder box's text; when that folder does not exist, the box and TempPath first
    // become the system's temporary folder.
    QString GetTempFolder();
    bool GetAlwaysTestLevels() const { return m_alwaysTestLevels; }
    // The chosen device's engine index, or the engine's preferred device when the choice is
    // the default entry (-1 when the engine has no preferred device).
    int GetInputDeviceIndex();
    int GetOutputDeviceIndex();
    // The skin of the main window as stored ("light" or "dark"); stored when OK is pressed,
    // for the main window to apply at once.
    QString GetSkinName() const { return m_skin; }
    // Whether OK was pressed with "Use the skin's display colours" ticked; asking clears it.
    bool TakeSkinColorsRequest();

    // The stored state.
    const QString& TempPath() const { return m_tempPath; }
    const QString& PendingTempPath() const { return m_pendingTempPath; }
    std::int32_t InputDeviceIndex() const { return m_inputDeviceIndex; }
    std::int32_t OutputDeviceIndex() const { return m_outputDeviceIndex; }
    const std::vector<DeviceEntry>& InputDevices() const { return m_inputDevices; }
    const std::vector<DeviceEntry>& OutputDevices() const { return m_outputDevices; }

    // Handlers.
    void DefaultTempPathButtonClick();
    void OkButtonClick();
    void CancelButtonClick();
    void HelpButtonClick();

    QLineEdit* TempPathEdit = nullptr;
    QPushButton* DefaultTempPathButton = nullptr;
    QCheckBox* AlwaysTestLevelsCheckBox = nullptr;
    QComboBox* RecordingDeviceComboBox = nullptr;
    QComboBox* PlaybackDeviceComboBox = nullptr;
    QComboBox* SkinComboBox = nullptr;
    QCheckBox* SkinColorsCheckBox = nullptr;
    QPushButton* OkButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* HelpButton = nullptr;

public slots:
    // Closing the window other than by OK (Escape, its close box) is Cancel.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;  // FormShow

private:
    void buildControls();
    void FormCreate();
    void LoadPreferences();
    void SavePreferences();
    void BuildDeviceLists();
    void fillDropDowns();
    void restoreControls();
    QWidget* messageParent();

    NXWavePlayer& m_engine;
    Settings& m_settings;
    UserDialogs& m_dialogs;

    QString m_tempPath;
    QString m_pendingTempPath;
    bool m_alwaysTestLevels = true;
    std::int32_t m_inputDeviceIndex = -1;
    std::int32_t m_outputDeviceIndex = -1;
    std::vector<DeviceEntry> m_inputDevices;
    std::vector<DeviceEntry> m_outputDevices;
    QString m_skin = "light";
    bool m_skinColorsRequested = false;
};

}  // namespace sonthra
