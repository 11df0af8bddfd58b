// The mixer panel of the main window's console: the record and playback volume and balance
// sliders (skinned), and the mixer's side of the recording source. Moving a slider writes the
// mixer; the sliders are read back from it at start-up, after a device or source change and
// when the mixer reports a change made elsewhere. Without a mixer the sliders move and nothing
// is written. The recording-source button and label belong to the transport panel: the window
// forwards the button here and shows what SourceShown tells. GUI thread only.
#pragma once

#include <QFrame>
#include <QString>

#include <array>

#include "engine/mixer_start.h"

namespace sonthra {

class MixerApi;
class NXWavePlayer;
class RecordSourceMenu;
class Settings;
class TCoolSlider;
class TCoolSliderH;
class TCoolSliderV;
class UserDialogs;

// The mixer device that stands for the engine's device `chosen` (a negative index or the
// engine's preferred device: the sound server's default, -1). Another device is matched by its
// description, letter case aside; without a match the server's default stands in.
int MixerDeviceFor(NXWavePlayer& engine, MixerApi& mixer, int chosen, bool input);

class MixerPanel : public QFrame {
    Q_OBJECT
public:
    // Messages (mixer errors) are shown through dialogs over the panel's window.
    explicit MixerPanel(UserDialogs& dialogs, QWidget* parent = nullptr);

    void SetMixer(MixerApi* mixer) { m_mixer = mixer; }
    MixerApi* Mixer() const { return m_mixer; }

    // The input sources as the mixer gave them out (start-up, an input device change); the
    // current one is shown at once.
    void SetSources(MixerSources sources);
    const MixerSources& Sources() const { return m_sources; }
    // For the mixer's start-up calls, which fill the list in place; call ShowSource after.
    MixerSources* SourcesForChange() { return &m_sources; }
    QString CurrentSourceName() const;
    // Tells SourceShown the current source's name (empty without one).
    void ShowSource();

    // Read the sliders back from the mixer.
    void ReadBackPlayback();
    void ReadBackRecord();
    // A notice of the mixer on the GUI thread: volume or source changed elsewhere.
    void MixerMessage(unsigned message, qintptr wparam, qintptr lparam);

    // The Rec Source button: offers the input sources as a list below the button; the one
    // chosen is selected (SelectRecordSource).
    void RecSourceButtonClick();
    // Makes input source `index` the recording source; a refusal is shown as its message.
    void SelectRecordSource(int index);
    // Shutdown: stores the current source ("Last Record Source Selected"), unless the mixer
    // never started; then deselects the devices and forgets the sources.
    void StoreRecordSource(Settings& settings) const;
    void ReleaseMixer();

    // The sliders' handlers: each writes its slider's position to the mixer and tells
    // SliderScrolled. They read sliderPosition(), so they may run before the value is updated.
    void RecordVolumeTrackBarScroll() { scrolled(kRecordVolume, false); }
    void RecordBalanceTrackBarScroll() { scrolled(kRecordBalance, false); }
    void PlaybackVolumeTrackBarScroll() { scrolled(kPlaybackVolume, false); }
    void PlaybackBalanceTrackBarScroll() { scrolled(kPlaybackBalance, false); }

    TCoolSliderV* RecordVolume() const;
    TCoolSliderH* RecordBalance() const;
    TCoolSliderV* PlaybackVolume() const;
    TCoolSliderH* PlaybackBalance() const;

signals:
    // The current source changed; the window shows the name beside the Rec Source button.
    void SourceShown(const QString& name);
    // The user moved a slider with the mouse (or a handler was called): the window hands the
    // focus back to its display. Moves by key keep the focus on the slider.
    void SliderScrolled();

private:
    enum Which { kRecordVolume, kRecordBalance, kPlaybackVolume, kPlaybackBalance };
    void build();
    TCoolSlider* slider(Which which) const { return m_sliders[which]; }
    // A move the slider reported itself: written only when it changed what the mixer was last
    // told or read, so that a hover or a key at an end does not rewrite the mixer.
    void reported(Which which);
    void scrolled(Which which, bool byKey);
    void write(Which which);
    void writePlaybackVolume(int volumePosition);
    void writePlaybackBalance(int balancePosition);
    void writeRecordVolume(int volumePosition);
    void writeRecordBalance(int balancePosition);
    void showResult(int mixerResult);
    void setShown(Which which, int position);

    UserDialogs& m_dialogs;
    MixerApi* m_mixer = nullptr;
    MixerSources m_sources;
    RecordSourceMenu* m_sourceMenu = nullptr;
    std::array<TCoolSlider*, 4> m_sliders{};
    // The position each slider last showed the mixer's value at (read back or written).
    std::array<int, 4> m_known{};
};

}  // namespace sonthra
