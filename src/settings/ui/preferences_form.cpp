#include "settings/ui/preferences_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstdio>
#include <new>

#include "dialogs/ui/dialog_buttons.h"
#include "dialogs/ui/help.h"
#include "engine/nx_wave_player.h"
#include "messages/message_table.h"
#include "settings/settings.h"

namespace sonthra {

namespace {

constexpr int kMsgInvalidTempFolder = 180;
constexpr int kMsgRestartForTempFolder = 421;
constexpr int kMsgTempFolderMissing = 441;

bool isFolder(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isDir();
}

QString systemTempFolderText() {
    return QString::fromStdString(systemTempFolder());
}

QString withTrailingSeparator(QString path) {
    if (!path.endsWith('/')) path += '/';
    return path;
}

// The list of one side's devices: every device the engine counts, with "Unknown Device" for
// one it cannot describe, then the default entry. Empty, with the message shown, when the
// engine has no device or the list cannot be made.
template <typename Count, typename Describe>
std::vector<DeviceEntry> deviceList(Count count, Describe describe, const char* defaultName,
                                    int noDeviceMessage, UserDialogs& dialogs, QWidget* parent) {
    const int devices = count();
    if (devices <= 0) {
        ShowMessage(dialogs, parent, noDeviceMessage);
        return {};
    }
    std::vector<DeviceEntry> list;
    try {
        list.reserve(static_cast<std::size_t>(devices) + 1);
        for (int index = 0; index < devices; ++index) {
            char text[kDeviceDescriptionSize] = {};
            const bool known = describe(index, text) == 0;
            list.push_back({index, known ? std::string(text) : std::string("Unknown Device")});
        }
        list.push_back({-1, defaultName});
    } catch (const std::bad_alloc&) {
        ShowMessage(dialogs, parent, kNoMemory);
        return {};
    }
    return list;
}

// Selects the entry of `index` in the drop-down; without one the default entry is taken and
// the index becomes -1.
void selectDevice(QComboBox* box, const std::vector<DeviceEntry>& list, std::int32_t& index) {
    for (std::size_t k = 0; k < list.size(); ++k) {
        if (list[k].index == index) {
            box->setCurrentIndex(static_cast<int>(k));
            return;
        }
    }
    index = -1;
    box->setCurrentIndex(list.empty() ? -1 : static_cast<int>(list.size()) - 1);
}

}  // namespace

TPreferencesForm::TPreferencesForm(NXWavePlayer& engine, Settings& settings, UserDialogs& dialogs,
                                   QWidget* parent)
    : QDialog(parent), m_engine(engine), m_settings(settings), m_dialogs(dialogs) {
    buildControls();
    FormCreate();
}

TPreferencesForm::~TPreferencesForm() {
    SavePreferences();
}

void TPreferencesForm::buildControls() {
    setObjectName("TPreferencesForm");
    setWindowTitle("Preferences");
    setModal(true);

    auto* folderBox = new QGroupBox("Temporary Files", this);
    TempPathEdit = new QLineEdit(folderBox);
    TempPathEdit->setObjectName("TempPathEdit");
    TempPathEdit->setMinimumWidth(280);
    DefaultTempPathButton = new QPushButton("&Default", folderBox);
    DefaultTempPathButton->setObjectName("DefaultTempPathButton");
    DefaultTempPathButton->setAutoDefault(false);
    auto* folderLabel = new QLabel("&Location of temporary files:", folderBox);
    folderLabel->setBuddy(TempPathEdit);
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(TempPathEdit, 1);
    folderRow->addWidget(DefaultTempPathButton);
    auto* folderColumn = new QVBoxLayout(folderBox);
    folderColumn->addWidget(folderLabel);
    folderColumn->addLayout(folderRow);

    AlwaysTestLevelsCheckBox = new QCheckBox("&Always test recording levels", this);
    AlwaysTestLevelsCheckBox->setObjectName("AlwaysTestLevelsCheckBox");
    AlwaysTestLevelsCheckBox->setChecked(true);

    auto* deviceBox = new QGroupBox("Devices", this);
    RecordingDeviceComboBox = new QComboBox(deviceBox);
    RecordingDeviceComboBox->setObjectName("RecordingDeviceComboBox");
    PlaybackDeviceComboBox = new QComboBox(deviceBox);
    PlaybackDeviceComboBox->setObjectName("PlaybackDeviceComboBox");
    auto* devices = new QFormLayout(deviceBox);
    devices->addRow("&Recording Device:", RecordingDeviceComboBox);
    devices->addRow("&Playback Device:", PlaybackDeviceComboBox);

    // The look of the main window: its skin, and display colours that go with it on request.
    auto* lookBox = new QGroupBox("Appearance", this);
    SkinComboBox = new QComboBox(lookBox);
    SkinComboBox->setObjectName("SkinComboBox");
    SkinComboBox->addItem("Light", QString("light"));
    SkinComboBox->addItem("Dark", QString("dark"));
    SkinColorsCheckBox = new QCheckBox("Use the skin's &display colours", lookBox);
    SkinColorsCheckBox->setObjectName("SkinColorsCheckBox");
    auto* look = new QFormLayout(lookBox);
    look->addRow("S&kin:", SkinComboBox);
    look->addRow(SkinColorsCheckBox);

    auto* column = new QVBoxLayout(this);
    column->addWidget(folderBox);
    column->addWidget(AlwaysTestLevelsCheckBox);
    column->addWidget(deviceBox);
    column->addWidget(lookBox);
    const DialogButtons3 buttons = addDialogButtons(this, column, "&Help", "OK");
    OkButton = buttons.ok;
    CancelButton = buttons.cancel;
    HelpButton = buttons.help;

    connect(DefaultTempPathButton, &QPushButton::clicked, this,
            &TPreferencesForm::DefaultTempPathButtonClick);
    connect(OkButton, &QPushButton::clicked, this, &TPreferencesForm::OkButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TPreferencesForm::CancelButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, &TPreferencesForm::HelpButtonClick);
}

QWidget* TPreferencesForm::messageParent() {
    return isVisible() ? this : parentWidget();
}

void TPreferencesForm::FormCreate() {
    m_inputDeviceIndex = -1;
    m_outputDeviceIndex = -1;
    LoadPreferences();

    if (!isFolder(m_tempPath)) {
        m_tempPath = systemTempFolderText();
        m_pendingTempPath = m_tempPath;
        ShowMessage(m_dialogs, messageParent(), kMsgTempFolderMissing,
                    {QString::fromUtf8(kProductCaption), m_tempPath});
    }
    ShowEngineError(m_dialogs, messageParent(), m_engine.SetTempPath(m_tempPath.toStdString()));

    BuildDeviceLists();
    fillDropDowns();
}

void TPreferencesForm::LoadPreferences() {
    const SettingRead<PreferenceValues> read = m_settings.loadPreferences();
    // A key that cannot be opened is shown; a missing value takes its default. Troubles of the
    // store itself (unreadable, set aside as corrupt, not writable) come once each as notices.
    if (read.result == kMsgRegistryKeyCannotOpen && m_settings.tellOnce(read.result))
        ShowMessage(m_dialogs, messageParent(), read.result);
    for (int notice = m_settings.takeStoreNotice(); notice != 0;
         notice = m_settings.takeStoreNotice()) {
        ShowMessage(m_dialogs, messageParent(), notice);
    }

    m_tempPath = QString::fromStdString(read.value.tempPath);
    m_pendingTempPath = m_tempPath;
    m_alwaysTestLevels = read.value.alwaysTestLevels;
    m_inputDeviceIndex = read.value.inputDeviceIndex;
    m_outputDeviceIndex = read.value.outputDeviceIndex;
    const SettingRead<std::string> skin = m_settings.readSkin();
    m_skin = skin.value == "dark" ? "dark" : "light";
}

void TPreferencesForm::SavePreferences() {
    PreferenceValues values;
    values.tempPath = (m_pendingTempPath.isEmpty() ? m_tempPath : m_pendingTempPath).toStdString();
    values.alwaysTestLevels = m_alwaysTestLevels;
    values.inputDeviceIndex = m_inputDeviceIndex;
    values.outputDeviceIndex = m_outputDeviceIndex;
    m_settings.savePreferences(values);
    // The program is ending (perhaps on a signal), so no box: a trouble not yet told goes to
    // the log.
    for (int notice = m_settings.takeStoreNotice(); notice != 0;
         notice = m_settings.takeStoreNotice()) {
        std::fprintf(stderr, "sonthra: %s\n", FormatMessage(notice).c_str());
    }
}

void TPreferencesForm::BuildDeviceLists() {
    QWidget* parent = messageParent();
    m_inputDevices = deviceList(
        [this] { return m_engine.GetNumberOfInputDevices(); },
        [this](int index, char* text) { return m_engine.GetInputDeviceDescription(index, text); },
        "Default Recording Device", kNoRecordingDeviceMessage, m_dialogs, parent);
    if (!m_inputDevices.empty()) {
        ShowEngineError(m_dialogs, parent, m_engine.SelectInputDevice(m_inputDeviceIndex));
    }
    m_outputDevices = deviceList(
        [this] { return m_engine.GetNumberOfOutputDevices(); },
        [this](int index, char* text) { return m_engine.GetOutputDeviceDescription(index, text); },
        "Default Playback Device", kNoPlaybackDeviceMessage, m_dialogs, parent);
    if (!m_outputDevices.empty()) {
        ShowEngineError(m_dialogs, parent, m_engine.SelectOutputDevice(m_outputDeviceIndex));
    }
}

void TPreferencesForm::fillDropDowns() {
    RecordingDeviceComboBox->clear();
    for (const DeviceEntry& entry : m_inputDevices) {
        RecordingDeviceComboBox->addItem(QString::fromStdString(entry.description));
    }
    PlaybackDeviceComboBox->clear();
    for (const DeviceEntry& entry : m_outputDevices) {
        PlaybackDeviceComboBox->addItem(QString::fromStdString(entry.description));
    }
    TempPathEdit->setText(m_tempPath);
    AlwaysTestLevelsCheckBox->setChecked(m_alwaysTestLevels);
    selectDevice(RecordingDeviceComboBox, m_inputDevices, m_inputDeviceIndex);
    selectDevice(PlaybackDeviceComboBox, m_outputDevices, m_outputDeviceIndex);
    SkinComboBox->setCurrentIndex(SkinComboBox->findData(m_skin));
}

void TPreferencesForm::restoreControls() {
    SkinComboBox->setCurrentIndex(SkinComboBox->findData(m_skin));
    SkinColorsCheckBox->setChecked(false);
    TempPathEdit->setText(m_tempPath);
    AlwaysTestLevelsCheckBox->setChecked(m_alwaysTestLevels);
    selectDevice(RecordingDeviceComboBox, m_inputDevices, m_inputDeviceIndex);
    selectDevice(PlaybackDeviceComboBox, m_outputDevices, m_outputDeviceIndex);
}

void TPreferencesForm::showEvent(QShowEvent* event) {
    m_tempPath = TempPathEdit->text();
    m_alwaysTestLevels = AlwaysTestLevelsCheckBox->isChecked();
    QDialog::showEvent(event);
}

QString TPreferencesForm::GetTempFolder() {
    if (!isFolder(TempPathEdit->text())) {
        m_tempPath = systemTempFolderText();
        TempPathEdit->setText(m_tempPath);
    }
    return TempPathEdit->text();
}

int TPreferencesForm::GetInputDeviceIndex() {
    if (m_inputDeviceIndex != -1) return m_inputDeviceIndex;
    int preferred = -1;
    return m_engine.GetPreferredInputDeviceIndex(&preferred) == 0 ? preferred : -1;
}

int TPreferencesForm::GetOutputDeviceIndex() {
    if (m_outputDeviceIndex != -1) return m_outputDeviceIndex;
    int preferred = -1;
    return m_engine.GetPreferredOutputDeviceIndex(&preferred) == 0 ? preferred : -1;
}

void TPreferencesForm::DefaultTempPathButtonClick() {
    TempPathEdit->setText(withTrailingSeparator(systemTempFolderText()));
}

void TPreferencesForm::OkButtonClick() {
    if (!isFolder(TempPathEdit->text())) {
        ShowMessage(m_dialogs, this, kMsgInvalidTempFolder);
        return;
    }
    m_alwaysTestLevels = AlwaysTestLevelsCheckBox->isChecked();
    const QString folder = withTrailingSeparator(TempPathEdit->text());
    TempPathEdit->setText(folder);
    // The engine keeps its folder until the next start; the new one is stored at exit.
    if (folder != m_tempPath) {
        m_pendingTempPath = folder;
        ShowInformation(m_dialogs, this, kMsgRestartForTempFolder);
    }

    const int input = RecordingDeviceComboBox->currentIndex();
    if (input >= 0 && input < static_cast<int>(m_inputDevices.size())) {
        m_inputDeviceIndex = m_inputDevices[static_cast<std::size_t>(input)].index;
        ShowEngineError(m_dialogs, this, m_engine.SelectInputDevice(m_inputDeviceIndex));
    }
    const int output = PlaybackDeviceComboBox->currentIndex();
    if (output >= 0 && output < static_cast<int>(m_outputDevices.size())) {
        m_outputDeviceIndex = m_outputDevices[static_cast<std::size_t>(output)].index;
        ShowEngineError(m_dialogs, this, m_engine.SelectOutputDevice(m_outputDeviceIndex));
    }
    const QString skin = SkinComboBox->currentData().toString();
    if (skin != m_skin) {
        m_skin = skin;
        ShowMessage(m_dialogs, this, m_settings.writeSkin(m_skin.toStdString()));
    }
    m_skinColorsRequested = SkinColorsCheckBox->isChecked();
    SkinColorsCheckBox->setChecked(false);
    accept();
}

bool TPreferencesForm::TakeSkinColorsRequest() {
    const bool requested = m_skinColorsRequested;
    m_skinColorsRequested = false;
    return requested;
}

void TPreferencesForm::CancelButtonClick() {
    reject();
}

void TPreferencesForm::reject() {
    restoreControls();
    QDialog::reject();
}

void TPreferencesForm::HelpButtonClick() {
    ShowHelpTopic(m_dialogs, kHelpPreferences);
}

}  // namespace sonthra
