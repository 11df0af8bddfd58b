// The main window's side of the mixer: its notices, the record-source button and label, and
// the four volume and balance sliders, which write to the mixer when the user moves them and
// are read back from it at start-up, after a source change and when the mixer reports one.
#include <QAbstractButton>
#include <QLabel>
#include <QSlider>

#include <algorithm>
#include <cctype>

#include "app/ui/main_form.h"
#include "app/ui/main_form_mixer.h"
#include "dialogs/ui/user_dialogs.h"
#include "engine/mixer.h"
#include "engine/nx_wave_player.h"
#include "messages/message_table.h"
#include "settings/settings.h"
#include "settings/ui/preferences_form.h"

namespace sonthra {

namespace {

// The input's channel values: two when it has them, else one. Empty when neither can be read.
std::vector<std::uint32_t> inputValues(MixerApi& mixer) {
    std::uint32_t values[2] = {0, 0};
    if (mixer.GetCurrentInputVolSetting(2, values) == 0) return {values[0], values[1]};
    if (mixer.GetCurrentInputVolSetting(1, values) == 0) return {values[0]};
    return {};
}

std::uint32_t outputBound(MixerApi& mixer) {
    std::uint32_t upper = 0;
    return VolumeBound(mixer.GetOutputVolumeBounds(nullptr, &upper), upper);
}

std::uint32_t inputBound(MixerApi& mixer) {
    std::uint32_t upper = 0;
    return VolumeBound(mixer.GetInputVolumeBounds(nullptr, &upper), upper);
}

bool sameDevice(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

void TMainForm::MixerMessage(unsigned message, qintptr, qintptr lparam) {
    if (m_mixer == nullptr) return;
    switch (message) {
        case kMixerOutputVolumeChanged:
            readBackPlaybackSliders();
            break;
        case kMixerInputVolumeChanged:
            readBackRecordSliders();
            break;
        case kMixerSourceChanged:
            if (lparam >= 0 && lparam < static_cast<qintptr>(m_sources.names.size())) {
                // The source is now the one recorded from, and the one kept at exit.
                m_sources.current = static_cast<int>(lparam);
                showCurrentSource();
                readBackRecordSliders();
            }
            break;
        default:
            break;
    }
}

// The mixer's devices are the sound server's, the engine's are the audio library's; they are
// numbered apart. The engine's default device records from and plays to the server's default,
// which the mixer takes for a negative index. Another engine device is matched to a mixer
// device by its description, and falls back to the server's default when none matches.
int TMainForm::mixerDeviceFor(bool input) {
    if (m_engine == nullptr || m_mixer == nullptr || m_preferences == nullptr) return -1;
    const int chosen =
        input ? m_preferences->GetInputDeviceIndex() : m_preferences->GetOutputDeviceIndex();
    int preferred = -1;
    const int found = input ? m_engine->GetPreferredInputDeviceIndex(&preferred)
                            : m_engine->GetPreferredOutputDeviceIndex(&preferred);
    if (chosen < 0 || (found == 0 && chosen == preferred)) return -1;
    char text[kDeviceDescriptionSize] = {};
    const int described = input ? m_engine->GetInputDeviceDescription(chosen, text)
                                : m_engine->GetOutputDeviceDescription(chosen, text);
    if (described != 0) return -1;
    const int count =
        input ? m_mixer->GetNumberOfInputDevices() : m_mixer->GetNumberOfOutputDevices();
    for (int index = 0; index < count; ++index) {
        std::string description;
        const int result = input ? m_mixer->GetInputDeviceDescription(index, &description)
                                 : m_mixer->GetOutputDeviceDescription(index, &description);
        if (result == 0 && sameDevice(description, text)) return index;
    }
    return -1;
}

void TMainForm::showMixerMessages(const std::vector<int>& messages) {
    for (int number : messages) ShowMessage(m_dialogs, this, number);
}

void TMainForm::showCurrentSource() {
    auto* label = findChild<QLabel*>("RecordingSourceLabel");
    const int current = m_sources.current;
    if (current >= 0 && current < static_cast<int>(m_sources.names.size())) {
        label->setText(QString::fromStdString(m_sources.names[static_cast<std::size_t>(current)]));
    } else {
        label->clear();
    }
}

void TMainForm::readBackPlaybackSliders() {
    if (m_mixer == nullptr) return;
    std::uint32_t values[2] = {0, 0};
    if (m_mixer->GetCurrentOutputVolSetting(2, values) != 0) return;
    const std::uint32_t bound = outputBound(*m_mixer);
    findChild<QSlider*>("PlaybackVolumeTrackBar")
        ->setValue(VolumeSliderPosition(std::max(values[0], values[1]), bound));
    findChild<QSlider*>("PlaybackBalanceTrackBar")
        ->setValue(BalanceSliderPosition({values[0], values[1]}));
}

void TMainForm::readBackRecordSliders() {
    if (m_mixer == nullptr) return;
    const std::vector<std::uint32_t> values = inputValues(*m_mixer);
    if (values.empty()) return;
    const std::uint32_t larger = *std::max_element(values.begin(), values.end());
    findChild<QSlider*>("RecordVolumeTrackBar")
        ->setValue(VolumeSliderPosition(larger, inputBound(*m_mixer)));
    findChild<QSlider*>("RecordBalanceTrackBar")
        ->setValue(values.size() == 2 ? BalanceSliderPosition({values[0], values[1]})
                                      : kSliderCentre);
}

void TMainForm::writePlaybackVolume(int volumePosition) {
    const int balance = findChild<QSlider*>("PlaybackBalanceTrackBar")->value();
    const ChannelPair values =
        VolumeChannels(SliderLevel(volumePosition, outputBound(*m_mixer)), balance);
    const int result = m_mixer->SetCurrentOutputVolSetting(2, values.data());
    if (result != 0) ShowMessage(m_dialogs, this, MixerErrorToMessage(result));
}

void TMainForm::writePlaybackBalance(int balancePosition) {
    std::uint32_t current[2] = {0, 0};
    int result = m_mixer->GetCurrentOutputVolSetting(2, current);
    if (result == 0) {
        const ChannelPair values = BalanceChannels({current[0], current[1]}, balancePosition);
        result = m_mixer->SetCurrentOutputVolSetting(2, values.data());
    }
    if (result != 0) ShowMessage(m_dialogs, this, MixerErrorToMessage(result));
}

void TMainForm::writeRecordVolume(int volumePosition) {
    const std::uint32_t level = SliderLevel(volumePosition, inputBound(*m_mixer));
    const int balance = findChild<QSlider*>("RecordBalanceTrackBar")->value();
    const ChannelPair two = VolumeChannels(level, balance);
    // Two values first; an input with one value takes the level alone.
    int result = m_mixer->SetCurrentInputVolSetting(2, two.data());
    if (result != 0) result = m_mixer->SetCurrentInputVolSetting(1, &level);
    if (result != 0) ShowMessage(m_dialogs, this, MixerErrorToMessage(result));
}

void TMainForm::writeRecordBalance(int balancePosition) {
    std::uint32_t current[2] = {0, 0};
    // An input with one value has no balance to set.
    if (m_mixer->GetCurrentInputVolSetting(2, current) != 0) return;
    const ChannelPair values = BalanceChannels({current[0], current[1]}, balancePosition);
    const int result = m_mixer->SetCurrentInputVolSetting(2, values.data());
    if (result != 0) ShowMessage(m_dialogs, this, MixerErrorToMessage(result));
}

void TMainForm::PlaybackVolumeTrackBarScroll() {
    if (m_mixer == nullptr) return;
    writePlaybackVolume(findChild<QSlider*>("PlaybackVolumeTrackBar")->sliderPosition());
    FocusView();
}

void TMainForm::PlaybackBalanceTrackBarScroll() {
    if (m_mixer == nullptr) return;
    writePlaybackBalance(findChild<QSlider*>("PlaybackBalanceTrackBar")->sliderPosition());
    FocusView();
}

void TMainForm::RecordVolumeTrackBarScroll() {
    if (m_mixer == nullptr) return;
    writeRecordVolume(findChild<QSlider*>("RecordVolumeTrackBar")->sliderPosition());
    FocusView();
}

void TMainForm::RecordBalanceTrackBarScroll() {
    if (m_mixer == nullptr) return;
    writeRecordBalance(findChild<QSlider*>("RecordBalanceTrackBar")->sliderPosition());
    FocusView();
}

void TMainForm::RecSourceButtonClick() {
    if (m_mixer == nullptr || m_sources.names.empty()) return;
    const int next = (m_sources.current + 1) % static_cast<int>(m_sources.names.size());
    const int result = m_mixer->SelectInputSource(next);
    if (result != 0) {
        ShowMessage(m_dialogs, this, MixerErrorToMessage(result));
        return;
    }
    m_sources.current = next;
    showCurrentSource();
    readBackRecordSliders();
}

void TMainForm::storeRecordSource() {
    // Without a source list the mixer never started, and the stored choice stays as it was.
    if (m_settings == nullptr || m_sources.names.empty()) return;
    m_settings->writeLastRecordSource(m_sources.current);
}

void TMainForm::releaseMixer() {
    if (m_mixer == nullptr) return;
    m_mixer->DeselectInputDevice();
    m_mixer->DeselectOutputDevice();
    m_sources = {};
}

}  // namespace sonthra
