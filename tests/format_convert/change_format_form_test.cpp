// The Change Format chooser offscreen, driven through AudioShowConvertDialog as the main window
// calls it: the buffer rules, the offered formats, Ok and Cancel.
#include <QApplication>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "dialogs/ui/scripted_dialogs.h"
#include "edit/ui/change_format_form.h"

namespace sonthra {
namespace {

// Runs `act` on the chooser once it is shown modally.
void whenShown(std::function<void(TChangeFormatForm&)> act) {
    QTimer::singleShot(0, [act = std::move(act)] {
        auto* form = qobject_cast<TChangeFormatForm*>(QApplication::activeModalWidget());
        if (!form) {
            ADD_FAILURE() << "the chooser is not shown";
            if (QWidget* other = QApplication::activeModalWidget()) other->close();
            return;
        }
        act(*form);
    });
}

std::vector<unsigned char> bufferOf(const WaveFormat& format) {
    std::vector<unsigned char> buffer(kWaveFormatBytes);
    encodeWaveFormat(format, buffer.data());
    return buffer;
}

TEST(ChangeFormatChooser, OffersResolutionModeAndFrequency) {
    ScriptedDialogs dialogs;
    TChangeFormatForm form(dialogs);
    EXPECT_EQ(form.windowTitle(), "Change Format");
    EXPECT_EQ(form.ResolutionGroupBox->title(), "Resolution");
    EXPECT_EQ(form.ModeGroupBox->title(), "Mode");
    EXPECT_EQ(form.FrequencyGroupBox->title(), "Frequency");
    QStringList texts;
    for (QRadioButton* b : form.findChildren<QRadioButton*>()) texts << b->text();
    EXPECT_EQ(texts, (QStringList{"8 Bits", "16 Bits", "Mono", "Stereo", "11 K.Hz.", "22 K.Hz.",
                                  "44 K.Hz.", "48 K.Hz."}));
    EXPECT_EQ(form.OkButton->text(), "OK");
    EXPECT_EQ(form.CancelButton->text(), "Cancel");
    EXPECT_EQ(form.HelpButton->text(), "Help");
    EXPECT_EQ(form.Format(), makePcmFormat(44100, 16, 2));
    form.HelpButton->click();
    ASSERT_FALSE(dialogs.shown().empty());
    EXPECT_EQ(dialogs.shown().back().kind, ShownDialog::Kind::Url);
}

TEST(ChangeFormatChooser, ReturnsTheChosenFormatInTheBuffer) {
    ScriptedDialogs dialogs;
    std::vector<unsigned char> buffer(kWaveFormatBytes, 0);
    std::uint32_t size = kWaveFormatBytes;
    whenShown([](TChangeFormatForm& form) {
        EXPECT_EQ(form.Format(), makePcmFormat(44100, 16, 2)) << "a zeroed buffer starts here";
        form.EightBitsRadioButton->click();
        form.MonoRadioButton->click();
        form.Frequency22RadioButton->click();
        form.OkButton->click();
    });
    ASSERT_EQ(AudioShowConvertDialog(nullptr, "Choose Format", buffer.data(), &size, 1, dialogs),
              kChooserOk);
    EXPECT_EQ(size, kWaveFormatBytes);
    EXPECT_EQ(buffer, bufferOf(makePcmFormat(22050, 8, 1)));

    // A larger buffer holding a format starts there; the bytes past the record are cleared.
    buffer = bufferOf(makePcmFormat(48000, 8, 1));
    buffer.resize(30, 0xAA);
    size = 30;
    whenShown([](TChangeFormatForm& form) {
        EXPECT_EQ(form.Format(), makePcmFormat(48000, 8, 1));
        form.SixteenBitsRadioButton->click();
        form.OkButton->click();
    });
    ASSERT_EQ(AudioShowConvertDialog(nullptr, "Choose Format", buffer.data(), &size, 1, dialogs),
              kChooserOk);
    EXPECT_EQ(size, kWaveFormatBytes);
    std::vector<unsigned char> expected = bufferOf(makePcmFormat(48000, 16, 1));
    expected.resize(30, 0);
    EXPECT_EQ(buffer, expected);
}

TEST(ChangeFormatChooser, CancelAndBadBuffersLeaveTheBufferAlone) {
    ScriptedDialogs dialogs;
    std::vector<unsigned char> buffer = bufferOf(makePcmFormat(11025, 16, 2));
    const auto before = buffer;
    std::uint32_t size = kWaveFormatBytes;
    whenShown([](TChangeFormatForm& form) {
        form.MonoRadioButton->click();
        form.CancelButton->click();
    });
    EXPECT_EQ(AudioShowConvertDialog(nullptr, "Choose Format", buffer.data(), &size, 1, dialogs),
              kChooserCancelled);
    EXPECT_EQ(buffer, before);

    whenShown([](TChangeFormatForm& form) { form.reject(); });  // Escape
    EXPECT_EQ(AudioShowConvertDialog(nullptr, "Choose Format", buffer.data(), &size, 1, dialogs),
              kChooserCancelled);

    size = 16;
    EXPECT_EQ(AudioShowConvertDialog(nullptr, "Choose Format", buffer.data(), &size, 1, dialogs),
              kChooserBufferTooSmall);
    EXPECT_EQ(size, kWaveFormatBytes);
    EXPECT_EQ(AudioShowConvertDialog(nullptr, "Choose Format", nullptr, &size, 1, dialogs),
              kChooserFailed);
    EXPECT_EQ(AudioShowConvertDialog(nullptr, "Choose Format", buffer.data(), nullptr, 1, dialogs),
              kChooserFailed);
    EXPECT_EQ(buffer, before);
}

}  // namespace
}  // namespace sonthra
