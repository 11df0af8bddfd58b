// The shipped plug-ins' settings windows, shown through ShowEffectDialog as the program shows
// them, answered by a timer.
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "effect_settings.h"
#include "effects/effect_host.h"

namespace sonthra {
namespace {

class SettingsWindow : public ::testing::Test {
protected:
    void SetUp() override {
        LoadEffectPlugins(plugins, std::string(std::getenv("SONTHRA_BINARY_DIR")) + "/bin");
    }
    // Shows the effect's window and lets answer act on it once it is up.
    int show(const char* name, const std::function<void(QDialog&)>& answer) {
        EffectPlugin* p = plugins.findByName(name);
        if (!p) return -1;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->objectName(), "EffectSettingsWindow");
            answer(*dialog);
        });
        const EffectWaveFormat format{1, 2, 44100, 176400, 4, 16, 0};
        return p->ShowEffectDialog(nullptr, nullptr, p->processingLibrary.c_str(), format,
                                   p->params);
    }
    EffectSettingsBlock& settings(const char* name) {
        return *static_cast<EffectSettingsBlock*>(plugins.findByName(name)->params);
    }
    static void press(QDialog& dialog, QDialogButtonBox::StandardButton which) {
        dialog.findChild<QDialogButtonBox*>()->button(which)->click();
    }

    EffectPluginList plugins;
};

TEST_F(SettingsWindow, OkKeepsTheSettingsForTheNextTimeAndCancelChangesNothing) {
    EXPECT_EQ(show("Echo",
                   [](QDialog& d) {
                       EXPECT_EQ(d.findChild<QDoubleSpinBox*>("delay-ms")->value(), 350);
                       d.findChild<QDoubleSpinBox*>("delay-ms")->setValue(120);
                       press(d, QDialogButtonBox::Ok);
                   }),
              0);
    EXPECT_EQ(settings("Echo").values[0], 120);
    EXPECT_EQ(show("Echo",
                   [](QDialog& d) {
                       EXPECT_EQ(d.findChild<QDoubleSpinBox*>("delay-ms")->value(), 120);
                       d.findChild<QDoubleSpinBox*>("decay")->setValue(0.9);
                       press(d, QDialogButtonBox::Cancel);
                   }),
              2);
    EXPECT_EQ(settings("Echo").values[1], 0.5);
    EXPECT_EQ(show("Echo",
                   [](QDialog& d) {
                       press(d, QDialogButtonBox::RestoreDefaults);
                       press(d, QDialogButtonBox::Ok);
                   }),
              0);
    EXPECT_EQ(settings("Echo").values[0], 350);
}

TEST_F(SettingsWindow, ChoicesAndFilesReachTheBlock) {
    EXPECT_EQ(show("FadeOut",
                   [](QDialog& d) {
                       d.findChild<QComboBox*>("shape")->setCurrentIndex(1);
                       press(d, QDialogButtonBox::Ok);
                   }),
              0);
    EXPECT_EQ(settings("FadeOut").values[0], 1);
    EXPECT_EQ(show("Mix",
                   [](QDialog& d) {
                       d.findChild<QLineEdit*>("file")->setText("/tmp/music.wav");
                       press(d, QDialogButtonBox::Ok);
                   }),
              0);
    EXPECT_STREQ(settings("Mix").file, "/tmp/music.wav");
    // An effect without settings still asks before it runs.
    EXPECT_EQ(show("Reverse", [](QDialog& d) { press(d, QDialogButtonBox::Ok); }), 0);
}

}  // namespace
}  // namespace sonthra
