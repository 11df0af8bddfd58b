#include "app/ui/mixer_panel.h"

#include <QGridLayout>
#include <QLabel>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "app/ui/mixer_levels.h"
#include "app/ui/record_source_menu.h"
#include "controls/ui/cool_slider.h"
#include "dialogs/ui/user_dialogs.h"
#include "engine/mixer.h"
#include "engine/mixer_start.h"
#include "engine/nx_wave_player.h"
#include "messages/message_table.h"
#include "settings/settings.h"

namespace sonthra {

namespace {

constexpr int kVolumeHeight = 70;
constexpr int kBalanceWidth = 90;

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

QLabel* caption(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

}  // namespace

// The mixer's devices are the sound server's, the engine's are the audio library's; they are
// numbered apart. The engine's default device records from and plays to the server's default,
// which the mixer takes for a negative index.
int MixerDeviceFor(NXWavePlayer& engine, MixerApi& mixer, int chosen, bool input) {
    int preferred = -1;
    const int found = input ? engine.GetPreferredInputDeviceIndex(&preferred)
                            : engine.GetPreferredOutputDeviceIndex(&preferred);
    if (chosen < 0 || (found == 0 && chosen == preferred)) return -1;
    char text[kDeviceDescriptionSize] = {};
    const int described = input ? engine.GetInputDeviceDescription(chosen, text)
                                : engine.GetOutputDeviceDescription(chosen, text);
    if (described != 0) return -1;
    const int count = input ? mixer.GetNumberOfInputDevices() : mixer.GetNumberOfOutputDevices();
    for (int index = 0; index < count; ++index) {
        std::string description;
        const int result = input ? mixer.GetInputDeviceDescription(index, &description)
                                 : mixer.GetOutputDeviceDescription(index, &description);
        if (result == 0 && sameDevice(description, text)) return index;
    }
    return -1;
}

MixerPanel::MixerPanel(UserDialogs& dialogs, QWidget* parent) : QFrame(parent), m_dialogs(dialogs) {
    setObjectName("MixerPanel");
    build();
}

void MixerPanel::build() {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setSpacing(4);
    struct Pair {
        const char* title;
        const char* volume;
        const char* balance;
        Which volumeSlot;
        Which balanceSlot;
    };
    const Pair pairs[] = {
        {"Record", "RecordVolumeTrackBar", "RecordBalanceTrackBar", kRecordVolume, kRecordBalance},
        {"Playback", "PlaybackVolumeTrackBar", "PlaybackBalanceTrackBar", kPlaybackVolume,
         kPlaybackBalance},
    };
    int column = 0;
    for (const Pair& p : pairs) {
        auto* volume = new TCoolSliderV(this);
        volume->setObjectName(p.volume);
        volume->setFixedSize(volume->sizeHint().width(), kVolumeHeight);
        auto* balance = new TCoolSliderH(this);
        balance->setObjectName(p.balance);
        balance->setFixedSize(kBalanceWidth, balance->sizeHint().height());
        m_sliders[p.volumeSlot] = volume;
        m_sliders[p.balanceSlot] = balance;
        for (auto [which, kind] : {std::pair{p.volumeSlot, "Volume"}, {p.balanceSlot, "Balance"}}) {
            TCoolSlider* s = m_sliders[which];
            const QString name = QString("%1 %2").arg(p.title, kind);
            s->setToolTip(name);
            s->setAccessibleName(name);
            // The top of a volume slider is full volume, as position 0 is in the mixer's
            // formula; the skinned slider's top is its minimum already.
            s->setMin(kSliderMin);
            s->setMax(kSliderMax);
            s->setPosition(kSliderCentre);
            s->setPageSize(2);
            m_known[which] = kSliderCentre;
            connect(s, &TCoolSlider::scrolled, this, [this, which = which] { reported(which); });
            // Moves made through the slider's actions (setSliderPosition, assistive tools).
            connect(s, &QAbstractSlider::actionTriggered, this,
                    [this, which = which] { scrolled(which, false); });
        }
        grid->addWidget(caption(p.title, this), 0, column, 1, 2);
        grid->addWidget(volume, 1, column, 2, 1, Qt::AlignHCenter);
        grid->addWidget(caption("L   Balance   R", this), 1, column + 1, Qt::AlignBottom);
        grid->addWidget(balance, 2, column + 1, Qt::AlignTop);
        column += 2;
    }
}

TCoolSliderV* MixerPanel::RecordVolume() const {
    return static_cast<TCoolSliderV*>(m_sliders[kRecordVolume]);
}
TCoolSliderH* MixerPanel::RecordBalance() const {
    return static_cast<TCoolSliderH*>(m_sliders[kRecordBalance]);
}
TCoolSliderV* MixerPanel::PlaybackVolume() const {
    return static_cast<TCoolSliderV*>(m_sliders[kPlaybackVolume]);
}
TCoolSliderH* MixerPanel::PlaybackBalance() const {
    return static_cast<TCoolSliderH*>(m_sliders[kPlaybackBalance]);
}

void MixerPanel::reported(Which which) {
    if (slider(which)->sliderPosition() == m_known[which]) return;
    scrolled(which, slider(which)->lastScrollByKey());
}

void MixerPanel::scrolled(Which which, bool byKey) {
    m_known[which] = slider(which)->sliderPosition();
    if (m_mixer != nullptr) write(which);
    if (!byKey) emit SliderScrolled();
}

void MixerPanel::write(Which which) {
    const int position = slider(which)->sliderPosition();
    switch (which) {
        case kRecordVolume:
            writeRecordVolume(position);
            break;
        case kRecordBalance:
            writeRecordBalance(position);
            break;
        case kPlaybackVolume:
            writePlaybackVolume(position);
            break;
        case kPlaybackBalance:
            writePlaybackBalance(position);
            break;
    }
}

void MixerPanel::showResult(int mixerResult) {
    if (mixerResult != 0) ShowMessage(m_dialogs, window(), MixerErrorToMessage(mixerResult));
}

void MixerPanel::setShown(Which which, int position) {
    slider(which)->setValue(position);
    m_known[which] = slider(which)->value();
}

void MixerPanel::SetSources(MixerSources sources) {
    m_sources = std::move(sources);
    ShowSource();
}

QString MixerPanel::CurrentSourceName() const {
    const int current = m_sources.current;
    if (current < 0 || current >= static_cast<int>(m_sources.names.size())) return {};
    return QString::fromStdString(m_sources.names[static_cast<std::size_t>(current)]);
}

void MixerPanel::ShowSource() {
    emit SourceShown(CurrentSourceName());
}

void MixerPanel::ReadBackPlayback() {
    if (m_mixer == nullptr) return;
    std::uint32_t values[2] = {0, 0};
    if (m_mixer->GetCurrentOutputVolSetting(2, values) != 0) return;
    setShown(kPlaybackVolume,
             VolumeSliderPosition(std::max(values[0], values[1]), outputBound(*m_mixer)));
    setShown(kPlaybackBalance, BalanceSliderPosition({values[0], values[1]}));
}

void MixerPanel::ReadBackRecord() {
    if (m_mixer == nullptr) return;
    const std::vector<std::uint32_t> values = inputValues(*m_mixer);
    if (values.empty()) return;
    const std::uint32_t larger = *std::max_element(values.begin(), values.end());
    setShown(kRecordVolume, VolumeSliderPosition(larger, inputBound(*m_mixer)));
    setShown(kRecordBalance,
             values.size() == 2 ? BalanceSliderPosition({values[0], values[1]}) : kSliderCentre);
}

void MixerPanel::MixerMessage(unsigned message, qintptr, qintptr lparam) {
    if (m_mixer == nullptr) return;
    switch (message) {
        case kMixerOutputVolumeChanged:
            ReadBackPlayback();
            break;
        case kMixerInputVolumeChanged:
            ReadBackRecord();
            break;
        case kMixerSourceChanged:
            if (lparam >= 0 && lparam < static_cast<qintptr>(m_sources.names.size())) {
                // The source is now the one recorded from, and the one kept at exit.
                m_sources.current = static_cast<int>(lparam);
                ShowSource();
                ReadBackRecord();
            }
            break;
        default:
            break;
    }
}

void MixerPanel::writePlaybackVolume(int volumePosition) {
    const int balance = slider(kPlaybackBalance)->value();
    const ChannelPair values =
        VolumeChannels(SliderLevel(volumePosition, outputBound(*m_mixer)), balance);
    showResult(m_mixer->SetCurrentOutputVolSetting(2, values.data()));
}

void MixerPanel::writePlaybackBalance(int balancePosition) {
    std::uint32_t current[2] = {0, 0};
    int result = m_mixer->GetCurrentOutputVolSetting(2, current);
    if (result == 0) {
        const ChannelPair values = BalanceChannels({current[0], current[1]}, balancePosition);
        result = m_mixer->SetCurrentOutputVolSetting(2, values.data());
    }
    showResult(result);
}

void MixerPanel::writeRecordVolume(int volumePosition) {
    const std::uint32_t level = SliderLevel(volumePosition, inputBound(*m_mixer));
    const int balance = slider(kRecordBalance)->value();
    const ChannelPair two = VolumeChannels(level, balance);
    // Two values first; an input with one value takes the level alone.
    int result = m_mixer->SetCurrentInputVolSetting(2, two.data());
    if (result != 0) result = m_mixer->SetCurrentInputVolSetting(1, &level);
    showResult(result);
}

void MixerPanel::writeRecordBalance(int balancePosition) {
    std::uint32_t current[2] = {0, 0};
    // An input with one value has no balance to set.
    if (m_mixer->GetCurrentInputVolSetting(2, current) != 0) return;
    const ChannelPair values = BalanceChannels({current[0], current[1]}, balancePosition);
    showResult(m_mixer->SetCurrentInputVolSetting(2, values.data()));
}

void MixerPanel::RecSourceButtonClick() {
    if (m_mixer == nullptr) return;
    // A mixer without sources says so rather than leaving the click unanswered.
    if (m_sources.names.empty()) {
        ShowMessage(m_dialogs, window(), kNoRecordingSourceMessage);
        return;
    }
    if (m_sourceMenu == nullptr) {
        m_sourceMenu = new RecordSourceMenu(this);
        connect(m_sourceMenu, &RecordSourceMenu::SourceChosen, this,
                &MixerPanel::SelectRecordSource);
    }
    m_sourceMenu->Offer(m_sources.names, m_sources.current,
                        window()->findChild<QWidget*>("RecSourceButton"));
}

void MixerPanel::SelectRecordSource(int index) {
    if (m_mixer == nullptr || index < 0 || index >= static_cast<int>(m_sources.names.size())) {
        return;
    }
    const int result = m_mixer->SelectInputSource(index);
    if (result != 0) {
        showResult(result);
        return;
    }
    m_sources.current = index;
    ShowSource();
    ReadBackRecord();
}

void MixerPanel::StoreRecordSource(Settings& settings) const {
    // Without a source list the mixer never started, and the stored choice stays as it was.
    if (m_sources.names.empty()) return;
    settings.writeLastRecordSource(m_sources.current);
}

void MixerPanel::ReleaseMixer() {
    if (m_mixer == nullptr) return;
    m_mixer->DeselectInputDevice();
    m_mixer->DeselectOutputDevice();
    m_sources = {};
}

}  // namespace sonthra
