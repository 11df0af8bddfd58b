// The system mixer: input and output devices, the recording source and the volumes, on the sound
// server's client interface (it works with PulseAudio and with PipeWire's pulse server).
//
// How the server maps onto the mixer:
// - output devices are the server's sinks; input devices are its sources that are not monitors,
//   or its monitors when it has no other source (a machine without a microphone);
// - the input sources are the ports of the selected input device (the device itself when it has
//   no ports), followed by the monitor sources of all sinks ("Monitor of ..."), so that the user
//   can record what the computer plays;
// - selecting an input source switches its device to that port and makes it the server's
//   default source, because the audio engine records from the default device;
// - the output volume is the selected sink's; the input volume is the default source's, which is
//   the source being recorded;
// - volume values run from 0 to the reported upper bound (the server's 100 %), one per channel,
//   left first. Louder settings made elsewhere read as the upper bound.
//
// Every call returns 0 or one of the mixer error numbers below (MixerErrorToMessage in
// messages/message_table.h gives the message to show), unless it says otherwise. With no sound
// server the calls fail within the request timeout and the program goes on without a mixer; a
// server that appears later is picked up by a later call.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/mixer_model.h"
#include "messages/message_table.h"

namespace sonthra {

// Receives the mixer's notifications: the message number, and its two parameters.
using MixerCallbackWindow =
    std::function<void(unsigned message, std::intptr_t wparam, std::intptr_t lparam)>;

// Notifications. 0x7EB carries the new input source index in lparam (-1 when the new source is
// not in the list the mixer last gave out).
inline constexpr unsigned kMixerOutputVolumeChanged = 0x7E9;
inline constexpr unsigned kMixerInputVolumeChanged = 0x7EA;
inline constexpr unsigned kMixerSourceChanged = 0x7EB;

// Mixer result codes. The mixer's calls return them as plain ints; read them as a MixerCode,
// whose numbers overlap the engine's (104 here is a sink gone, there a format) and the
// messages'. MixerErrorToMessage (messages/) is the one place they become message numbers.
enum class MixerCode : int {
    None = 0,
    NoMemory = 101,
    OutputDescriptionFailed = 102,
    InvalidOutputIndex = 103,
    OutputDeviceGone = 104,   // the selected sink no longer exists
    OutputUnreachable = 105,  // no sound server for the output side
    NoOutputSelected = 106,
    NoSuchControl = 107,      // e.g. two values asked of a mono source
    ServerUnreachable = 108,  // no sound server for notifications
    RequestFailed = 109,      // the server refused or did not answer
    InputDescriptionFailed = 110,
    InvalidInputIndex = 111,  // also an input source index off the list
    InputDeviceGone = 112,    // the selected source no longer exists
    InputUnreachable = 113,   // no sound server for the input side
    NoInputSelected = 114,
    OutputBoundsFailed = 115,
    InputBoundsFailed = 116,
};

constexpr int mixerCodeNumber(MixerCode code) { return static_cast<int>(code); }
constexpr MixerCode mixerCodeOf(int number) { return static_cast<MixerCode>(number); }

inline int MixerErrorToMessage(MixerCode code) { return MixerErrorToMessage(mixerCodeNumber(code)); }

// The numbers under the names the mixer's sources return them by.
inline constexpr int kMixerNoMemory = mixerCodeNumber(MixerCode::NoMemory);
inline constexpr int kMixerOutputDescriptionFailed =
    mixerCodeNumber(MixerCode::OutputDescriptionFailed);
inline constexpr int kMixerInvalidOutputIndex = mixerCodeNumber(MixerCode::InvalidOutputIndex);
inline constexpr int kMixerOutputDeviceGone = mixerCodeNumber(MixerCode::OutputDeviceGone);
inline constexpr int kMixerOutputUnreachable = mixerCodeNumber(MixerCode::OutputUnreachable);
inline constexpr int kMixerNoOutputSelected = mixerCodeNumber(MixerCode::NoOutputSelected);
inline constexpr int kMixerNoSuchControl = mixerCodeNumber(MixerCode::NoSuchControl);
inline constexpr int kMixerServerUnreachable = mixerCodeNumber(MixerCode::ServerUnreachable);
inline constexpr int kMixerRequestFailed = mixerCodeNumber(MixerCode::RequestFailed);
inline constexpr int kMixerInputDescriptionFailed =
    mixerCodeNumber(MixerCode::InputDescriptionFailed);
inline constexpr int kMixerInvalidInputIndex = mixerCodeNumber(MixerCode::InvalidInputIndex);
inline constexpr int kMixerInputDeviceGone = mixerCodeNumber(MixerCode::InputDeviceGone);
inline constexpr int kMixerInputUnreachable = mixerCodeNumber(MixerCode::InputUnreachable);
inline constexpr int kMixerNoInputSelected = mixerCodeNumber(MixerCode::NoInputSelected);
inline constexpr int kMixerOutputBoundsFailed = mixerCodeNumber(MixerCode::OutputBoundsFailed);
inline constexpr int kMixerInputBoundsFailed = mixerCodeNumber(MixerCode::InputBoundsFailed);

// The mixer's calls, so that the start-up sequence can be driven against a scripted mixer.
// Device indexes refer to the device list as of the last GetNumberOf...Devices call, source
// indexes to the list as of the last GetNumberOfInputSources call (each taken on first use
// otherwise).
class MixerApi {
public:
    virtual ~MixerApi() = default;

    // The window gets the notifications once the callback thread runs. An empty one drops them.
    // Once this returns, the window set before is not called again.
    virtual int SetCVMixCallbackWindow(MixerCallbackWindow window) = 0;
    virtual int CreateCVMixCallbackThread() = 0;

    // Counts return 0 when the server cannot be reached.
    virtual int GetNumberOfInputDevices() = 0;
    virtual int GetNumberOfOutputDevices() = 0;
    virtual int GetInputDeviceDescription(int index, std::string* text) = 0;
    virtual int GetOutputDeviceDescription(int index, std::string* text) = 0;
    // The index of the server's default device; 0 when the default is not in the list.
    virtual int GetPreferredInputDeviceIndex(int* index) = 0;
    virtual int GetPreferredOutputDeviceIndex(int* index) = 0;
    virtual int SelectInputDevice(int index) = 0;
    virtual int SelectOutputDevice(int index) = 0;
    virtual int DeselectInputDevice() = 0;
    virtual int DeselectOutputDevice() = 0;

    virtual int GetNumberOfInputSources(int* count) = 0;
    virtual int GetInputSourceDescription(int index, char (&text)[kSourceDescriptionSize]) = 0;
    virtual int GetMicrophoneSourceIndex(int* index) = 0;
    virtual int SelectInputSource(int index) = 0;
    // Whether the server records from that source now (not an error number).
    virtual bool IsCurrentInputSourceSelected(int index) = 0;

    // Either pointer may be null.
    virtual int GetOutputVolumeBounds(std::uint32_t* lower, std::uint32_t* upper) = 0;
    virtual int GetInputVolumeBounds(std::uint32_t* lower, std::uint32_t* upper) = 0;
    // `values` holds `channels` values, left first. The output answers 2 even for a mono sink;
    // the input answers 2 only when the source has two or more channels, and 1 always.
    virtual int GetCurrentOutputVolSetting(unsigned channels, std::uint32_t* values) = 0;
    virtual int SetCurrentOutputVolSetting(unsigned channels, const std::uint32_t* values) = 0;
    virtual int GetCurrentInputVolSetting(unsigned channels, std::uint32_t* values) = 0;
    virtual int SetCurrentInputVolSetting(unsigned channels, const std::uint32_t* values) = 0;
};

// The mixer on the sound server. Call it only from the GUI thread (one thread at a time). The
// callback window is called on the mixer's own callback thread; it should only hand the message
// on (the main window queues it as a GUI event) and must not call back into the mixer. Whatever
// the window refers to must outlive the mixer, or the window must be cleared first.
// Notifications report changes made outside this object: its own settings are not echoed back.
class ROZadEro final : public MixerApi {
public:
    // `timeout` bounds the wait for the server on connecting and on every request.
    explicit ROZadEro(std::chrono::milliseconds timeout = std::chrono::seconds(3));
    ~ROZadEro() override;
    ROZadEro(const ROZadEro&) = delete;
    ROZadEro& operator=(const ROZadEro&) = delete;

    int SetCVMixCallbackWindow(MixerCallbackWindow window) override;
    int CreateCVMixCallbackThread() override;
    int GetNumberOfInputDevices() override;
    int GetNumberOfOutputDevices() override;
    int GetInputDeviceDescription(int index, std::string* text) override;
    int GetOutputDeviceDescription(int index, std::string* text) override;
    int GetPreferredInputDeviceIndex(int* index) override;
    int GetPreferredOutputDeviceIndex(int* index) override;
    int SelectInputDevice(int index) override;
    int SelectOutputDevice(int index) override;
    int DeselectInputDevice() override;
    int DeselectOutputDevice() override;
    int GetNumberOfInputSources(int* count) override;
    int GetInputSourceDescription(int index, char (&text)[kSourceDescriptionSize]) override;
    int GetMicrophoneSourceIndex(int* index) override;
    int SelectInputSource(int index) override;
    bool IsCurrentInputSourceSelected(int index) override;
    int GetOutputVolumeBounds(std::uint32_t* lower, std::uint32_t* upper) override;
    int GetInputVolumeBounds(std::uint32_t* lower, std::uint32_t* upper) override;
    int GetCurrentOutputVolSetting(unsigned channels, std::uint32_t* values) override;
    int SetCurrentOutputVolSetting(unsigned channels, const std::uint32_t* values) override;
    int GetCurrentInputVolSetting(unsigned channels, std::uint32_t* values) override;
    int SetCurrentInputVolSetting(unsigned channels, const std::uint32_t* values) override;

private:
    class Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace sonthra
