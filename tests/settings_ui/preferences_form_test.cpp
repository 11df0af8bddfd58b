// The Preferences window over the real engine on the test sound server and a private settings
// store: what it reads at start, what OK and Cancel take over, and what it stores at exit.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "app/ui/main_form.h"
#include "dialogs/ui/scripted_dialogs.h"
#include "engine/nx_wave_player.h"
#include "messages/message_table.h"
#include "settings/registry_store.h"
#include "settings/settings.h"
#include "settings/ui/preferences_form.h"
#include "settings_ui/private_config_home.h"

using namespace sonthra;

namespace {

QString message(int number, const std::vector<std::string>& args = {}) {
    return QString::fromStdString(FormatMessage(number, args));
}

class PreferencesFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_GT(engine.GetNumberOfInputDevices(), 0) << "the test sound server has no input";
        ASSERT_GT(engine.GetNumberOfOutputDevices(), 0);
    }

    std::unique_ptr<TPreferencesForm> make() {
        return std::make_unique<TPreferencesForm>(engine, settings, dialogs);
    }

    // A fresh reader of the store, as the next run would be.
    PreferenceValues stored() { return Settings(home.settingsFile()).loadPreferences().value; }

    void store(const PreferenceValues& values) {
        ASSERT_EQ(Settings(home.settingsFile()).savePreferences(values), 0);
    }

    std::filesystem::path makeFolder(const std::string& name) {
        const auto folder = home.path() / name;
        std::filesystem::create_directories(folder);
        return folder;
    }

    sonthra::testing::PrivateConfigHome home;
    Settings settings{userSettingsFile()};
    NXWavePlayer engine;
    ScriptedDialogs dialogs;
};

TEST_F(PreferencesFormTest, FirstRunTakesTheDefaultsAndStoresTheFourValuesAtExit) {
    ASSERT_EQ(userSettingsFile(), home.settingsFile());
    auto form = make();
    EXPECT_TRUE(dialogs.shownTexts().isEmpty()) << dialogs.shownTexts().join("\n").toStdString();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->TempPath().toStdString(), systemTempFolder());
    EXPECT_EQ(form->TempPathEdit->text().toStdString(), systemTempFolder());
    EXPECT_TRUE(form->GetAlwaysTestLevels());
    EXPECT_TRUE(form->AlwaysTestLevelsCheckBox->isChecked());
    EXPECT_EQ(form->InputDeviceIndex(), -1);
    EXPECT_EQ(engine.AudioIO::tempPath(), systemTempFolder());

    // The engine's preferred devices stand for the default entries.
    int preferred = -2;
    ASSERT_EQ(engine.GetPreferredInputDeviceIndex(&preferred), 0);
    EXPECT_EQ(form->GetInputDeviceIndex(), preferred);
    ASSERT_EQ(engine.GetPreferredOutputDeviceIndex(&preferred), 0);
    EXPECT_EQ(form->GetOutputDeviceIndex(), preferred);

    // Device 0 first, the default entry last and selected, as the engine describes them.
    struct Side {
        QComboBox* box;
        const std::vector<DeviceEntry>* list;
        int count;
        const char* defaultName;
    };
    for (const Side& side : {Side{form->RecordingDeviceComboBox, &form->InputDevices(),
                                  engine.GetNumberOfInputDevices(), "Default Recording Device"},
                             Side{form->PlaybackDeviceComboBox, &form->OutputDevices(),
                                  engine.GetNumberOfOutputDevices(), "Default Playback Device"}}) {
        ASSERT_EQ(side.box->count(), side.count + 1);
        ASSERT_EQ(side.list->size(), static_cast<std::size_t>(side.count + 1));
        for (int i = 0; i < side.count; ++i) {
            EXPECT_EQ((*side.list)[i].index, i);
            EXPECT_EQ(side.box->itemText(i).toStdString(), (*side.list)[i].description);
        }
        char text[kDeviceDescriptionSize] = {};
        ASSERT_EQ(engine.GetInputDeviceDescription(0, text), 0);
        EXPECT_EQ(form->InputDevices()[0].description, text);
        EXPECT_EQ(side.list->back().index, -1);
        EXPECT_EQ(side.box->itemText(side.count), side.defaultName);
        EXPECT_EQ(side.box->currentIndex(), side.count);
    }

    EXPECT_FALSE(std::filesystem::exists(home.settingsFile()) &&
                 Settings(home.settingsFile()).readAlwaysTestLevels().result == 0)
        << "nothing is stored before exit";
    form.reset();
    Settings after(home.settingsFile());
    EXPECT_EQ(after.readTempPath().result, 0);
    EXPECT_EQ(after.readTempPath().value, systemTempFolder());
    EXPECT_EQ(after.readAlwaysTestLevels().result, 0);
    EXPECT_TRUE(after.readAlwaysTestLevels().value);
    EXPECT_EQ(after.readInputDeviceIndex().result, 0);
    EXPECT_EQ(after.readInputDeviceIndex().value, -1);
    EXPECT_EQ(after.readOutputDeviceIndex().result, 0);
    EXPECT_EQ(after.readOutputDeviceIndex().value, -1);
}

TEST_F(PreferencesFormTest, StoredValuesAreTakenAndAVanishedFolderGives441AndTheSystemFolder) {
    const auto gone = makeFolder("gone");
    store({gone.string() + "/", false, 0, 0});
    std::filesystem::remove(gone);
    auto form = make();
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].caption, "Sonthra");
    EXPECT_EQ(dialogs.shown()[0].icon, DialogIcon::Error);
    EXPECT_EQ(dialogs.shown()[0].text, message(441, {"Sonthra", systemTempFolder()}));
    EXPECT_TRUE(dialogs.shown()[0].text.contains("Sonthra will store temp files at '" +
                                                 QString::fromStdString(systemTempFolder())));
    EXPECT_EQ(form->TempPathEdit->text().toStdString(), systemTempFolder());
    EXPECT_EQ(engine.AudioIO::tempPath(), systemTempFolder());
    // The other stored values are taken as they are.
    EXPECT_FALSE(form->GetAlwaysTestLevels());
    EXPECT_EQ(form->InputDeviceIndex(), 0);
    EXPECT_EQ(form->RecordingDeviceComboBox->currentIndex(), 0);
    EXPECT_EQ(engine.selectedInputDevice(), 0);
    EXPECT_EQ(engine.selectedOutputDevice(), 0);
    form.reset();
    EXPECT_EQ(stored().tempPath, systemTempFolder());
    EXPECT_EQ(stored().inputDeviceIndex, 0);
    EXPECT_FALSE(stored().alwaysTestLevels);
}

TEST_F(PreferencesFormTest, NewFolderOnOkShows421AndWaitsForTheNextStart) {
    const auto first = makeFolder("first");
    const auto second = makeFolder("second");
    store({first.string() + "/", true, -1, -1});
    auto form = make();
    ASSERT_TRUE(dialogs.shown().empty());
    ASSERT_EQ(engine.AudioIO::tempPath(), first.string() + "/");

    form->show();
    form->TempPathEdit->setText(QString::fromStdString(second.string()));  // no separator
    QTest::mouseClick(form->OkButton, Qt::LeftButton);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->result(), QDialog::Accepted);
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].text,
              "Please restart the program in order to set the temporary files path.");
    EXPECT_EQ(dialogs.shown()[0].icon, DialogIcon::Information);
    const QString chosen = QString::fromStdString(second.string() + "/");
    EXPECT_EQ(form->GetTempFolder(), chosen);
    EXPECT_EQ(form->PendingTempPath(), chosen);
    EXPECT_EQ(engine.AudioIO::tempPath(), first.string() + "/") << "the engine keeps its folder";

    // Shown again and confirmed without a change: nothing to say.
    dialogs.clearShown();
    form->show();
    QTest::mouseClick(form->OkButton, Qt::LeftButton);
    EXPECT_TRUE(dialogs.shown().empty());
    form.reset();
    EXPECT_EQ(stored().tempPath, second.string() + "/");
}

TEST_F(PreferencesFormTest, OkWithAMissingFolderShows180AndTakesNothingOver) {
    auto form = make();
    form->show();
    form->TempPathEdit->setText(QString::fromStdString((home.path() / "nowhere").string()));
    form->AlwaysTestLevelsCheckBox->setChecked(false);
    form->RecordingDeviceComboBox->setCurrentIndex(0);
    QTest::mouseClick(form->OkButton, Qt::LeftButton);
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].text, message(180));
    EXPECT_EQ(dialogs.shown()[0].icon, DialogIcon::Error);
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->GetAlwaysTestLevels());
    EXPECT_EQ(form->InputDeviceIndex(), -1);
    EXPECT_EQ(engine.selectedInputDevice(), -1);

    // An empty box is no folder either.
    form->TempPathEdit->clear();
    QTest::mouseClick(form->OkButton, Qt::LeftButton);
    EXPECT_EQ(dialogs.shown().size(), 2u);
    EXPECT_TRUE(form->isVisible());
}

TEST_F(PreferencesFormTest, CancelEscapeAndTheCloseBoxRestoreEveryControl) {
    auto form = make();
    const int defaultEntry = form->RecordingDeviceComboBox->count() - 1;
    auto change = [&] {
        form->show();
        form->TempPathEdit->setText(QString::fromStdString(home.path().string()));
        form->AlwaysTestLevelsCheckBox->setChecked(false);
        form->RecordingDeviceComboBox->setCurrentIndex(0);
        form->PlaybackDeviceComboBox->setCurrentIndex(0);
    };
    auto expectRestored = [&](const char* how) {
        EXPECT_FALSE(form->isVisible()) << how;
        EXPECT_EQ(form->result(), QDialog::Rejected) << how;
        EXPECT_EQ(form->TempPathEdit->text().toStdString(), systemTempFolder()) << how;
        EXPECT_TRUE(form->AlwaysTestLevelsCheckBox->isChecked()) << how;
        EXPECT_EQ(form->RecordingDeviceComboBox->currentIndex(), defaultEntry) << how;
        EXPECT_EQ(form->PlaybackDeviceComboBox->currentIndex(),
                  form->PlaybackDeviceComboBox->count() - 1)
            << how;
        EXPECT_EQ(form->InputDeviceIndex(), -1) << how;
        EXPECT_EQ(engine.selectedInputDevice(), -1) << how;
    };
    change();
    QTest::mouseClick(form->CancelButton, Qt::LeftButton);
    expectRestored("Cancel");
    change();
    QTest::keyClick(form.get(), Qt::Key_Escape);
    expectRestored("Escape");
    change();
    form->close();
    expectRestored("close box");
    EXPECT_TRUE(dialogs.shown().empty());
    form.reset();
    EXPECT_TRUE(stored().alwaysTestLevels);
    EXPECT_EQ(stored().tempPath, systemTempFolder());
}

TEST_F(PreferencesFormTest, ChosenDevicesAreSelectedInTheEngineAndStored) {
    auto form = make();
    form->show();
    form->AlwaysTestLevelsCheckBox->setChecked(false);
    form->RecordingDeviceComboBox->setCurrentIndex(0);
    form->PlaybackDeviceComboBox->setCurrentIndex(0);
    QTest::mouseClick(form->OkButton, Qt::LeftButton);
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_EQ(form->InputDeviceIndex(), 0);
    EXPECT_EQ(form->GetInputDeviceIndex(), 0);
    EXPECT_EQ(form->GetOutputDeviceIndex(), 0);
    EXPECT_FALSE(form->GetAlwaysTestLevels());
    EXPECT_EQ(engine.selectedInputDevice(), 0);
    EXPECT_EQ(engine.selectedOutputDevice(), 0);
    form.reset();
    const PreferenceValues after = stored();
    EXPECT_EQ(after.inputDeviceIndex, 0);
    EXPECT_EQ(after.outputDeviceIndex, 0);
    EXPECT_FALSE(after.alwaysTestLevels);
    EXPECT_EQ(after.tempPath, systemTempFolder()) << "an unchanged folder is stored as it was";
}

TEST_F(PreferencesFormTest, StoredDeviceThatNoLongerExistsFallsBackToTheDefaultEntry) {
    store({systemTempFolder(), true, 57, 58});
    auto form = make();
    // The engine refuses both; its errors are shown through the engine-error table.
    ASSERT_EQ(dialogs.shown().size(), 2u);
    EXPECT_EQ(dialogs.shown()[0].text, message(EngineErrorToMessage(155)));
    EXPECT_EQ(form->InputDeviceIndex(), -1);
    EXPECT_EQ(form->OutputDeviceIndex(), -1);
    EXPECT_EQ(form->RecordingDeviceComboBox->currentText(), "Default Recording Device");
    EXPECT_EQ(form->PlaybackDeviceComboBox->currentText(), "Default Playback Device");
    EXPECT_EQ(engine.selectedInputDevice(), -1);
    form.reset();
    EXPECT_EQ(stored().inputDeviceIndex, -1);
    EXPECT_EQ(stored().outputDeviceIndex, -1);
}

TEST_F(PreferencesFormTest, DefaultButtonAndAVanishedBoxFolderGiveTheSystemFolder) {
    const auto work = makeFolder("work");
    store({work.string() + "/", true, -1, -1});
    auto form = make();
    form->show();
    form->TempPathEdit->setText("somewhere else");
    QTest::mouseClick(form->DefaultTempPathButton, Qt::LeftButton);
    EXPECT_EQ(form->TempPathEdit->text().toStdString(), systemTempFolder());
    EXPECT_TRUE(form->TempPathEdit->text().endsWith('/'));
    QTest::mouseClick(form->CancelButton, Qt::LeftButton);

    // The folder in use disappears while the program runs.
    EXPECT_EQ(form->GetTempFolder().toStdString(), work.string() + "/");
    std::filesystem::remove(work);
    EXPECT_EQ(form->GetTempFolder().toStdString(), systemTempFolder());
    EXPECT_EQ(form->TempPath().toStdString(), systemTempFolder());
    EXPECT_EQ(form->TempPathEdit->text().toStdString(), systemTempFolder());
}

TEST_F(PreferencesFormTest, HelpOpensTopic16) {
    auto form = make();
    form->show();
    QTest::mouseClick(form->HelpButton, Qt::LeftButton);
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].kind, ShownDialog::Kind::Url);
    EXPECT_TRUE(dialogs.shown()[0].text.endsWith("/topic-16.html"))
        << dialogs.shown()[0].text.toStdString();
    EXPECT_TRUE(form->isVisible());
}

TEST_F(PreferencesFormTest, CorruptStoreIsReportedOnceAndTheDefaultsApply) {
    const auto work = makeFolder("work");
    store({work.string() + "/", false, 0, 0});
    const std::string good = sonthra::testing::readWhole(home.settingsFile());
    sonthra::testing::writeWhole(home.settingsFile(), good.substr(0, good.size() / 2));
    auto form = make();
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].text, message(186));
    EXPECT_EQ(form->TempPath().toStdString(), systemTempFolder());
    EXPECT_TRUE(form->GetAlwaysTestLevels());
    EXPECT_EQ(form->InputDeviceIndex(), -1);
    form.reset();
    EXPECT_EQ(stored().tempPath, systemTempFolder());
    EXPECT_EQ(sonthra::testing::readWhole(home.settingsFile().string() + ".corrupt"),
              good.substr(0, good.size() / 2))
        << "the damaged file is kept aside, not overwritten";

    // The next start finds a good store and says nothing.
    dialogs.clearShown();
    Settings next(home.settingsFile());
    TPreferencesForm again(engine, next, dialogs);
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(PreferencesFormTest, StoreThatCannotBeOpenedShows183AndStillStarts) {
    std::filesystem::create_directories(home.settingsFile());  // a folder where the file goes
    auto form = make();
    ASSERT_GE(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].text, message(183));
    EXPECT_EQ(form->TempPath().toStdString(), systemTempFolder());
    EXPECT_GT(form->RecordingDeviceComboBox->count(), 0);
    form.reset();
    EXPECT_TRUE(std::filesystem::is_directory(home.settingsFile()));
}

}  // namespace
