// The mixer and the engine without a usable sound server: every call reports the mixer's error
// and returns, also when the server address answers the connection but never speaks, and the
// engine then starts without the server instead of waiting for it forever.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "engine/audio_io.h"
#include "engine/mixer.h"
#include "engine/mixer_pulse.h"
#include "engine/mixer_start.h"

namespace sonthra {
namespace {

// Points the sound-server client at `address` for the life of the object.
class ServerAddress {
public:
    explicit ServerAddress(const std::string& address) {
        if (const char* old = std::getenv("PULSE_SERVER")) m_old = old;
        setenv("PULSE_SERVER", address.c_str(), 1);
    }
    ~ServerAddress() {
        if (m_old)
            setenv("PULSE_SERVER", m_old->c_str(), 1);
        else
            unsetenv("PULSE_SERVER");
    }

private:
    std::optional<std::string> m_old;
};

// A loopback TCP port that accepts connections into its backlog and never answers.
class SilentServer {
public:
    SilentServer() {
        m_fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        if (m_fd < 0 || bind(m_fd, reinterpret_cast<sockaddr*>(&addr), len) != 0 ||
            listen(m_fd, 8) != 0 || getsockname(m_fd, reinterpret_cast<sockaddr*>(&addr), &len))
            return;
        m_port = ntohs(addr.sin_port);
    }
    ~SilentServer() {
        if (m_fd >= 0) close(m_fd);
    }
    int port() const { return m_port; }

private:
    int m_fd = -1;
    int m_port = 0;
};

TEST(MixerWithoutServer, EveryCallFailsWithTheMixerError) {
    ServerAddress address("unix:/nonexistent/sonthra-no-server");
    ROZadEro mixer;
    EXPECT_EQ(mixer.CreateCVMixCallbackThread(), kMixerServerUnreachable);
    EXPECT_EQ(mixer.GetNumberOfInputDevices(), 0);
    EXPECT_EQ(mixer.GetNumberOfOutputDevices(), 0);
    EXPECT_EQ(mixer.SelectInputDevice(0), kMixerInputUnreachable);
    EXPECT_EQ(mixer.SelectOutputDevice(0), kMixerOutputUnreachable);
    int value = 7;
    EXPECT_EQ(mixer.GetPreferredInputDeviceIndex(&value), kMixerInputUnreachable);
    EXPECT_EQ(mixer.GetNumberOfInputSources(&value), kMixerNoInputSelected);
    EXPECT_EQ(mixer.GetMicrophoneSourceIndex(&value), kMixerNoInputSelected);
    EXPECT_EQ(value, 7);
    EXPECT_EQ(mixer.SelectInputSource(0), kMixerNoInputSelected);
    EXPECT_FALSE(mixer.IsCurrentInputSourceSelected(0));
    char text[kSourceDescriptionSize] = "left over";
    EXPECT_EQ(mixer.GetInputSourceDescription(0, text), kMixerNoInputSelected);
    EXPECT_STREQ(text, "");
    std::string description = "left over";
    EXPECT_EQ(mixer.GetInputDeviceDescription(0, &description), kMixerInputDescriptionFailed);
    std::uint32_t upper = 0;
    EXPECT_EQ(mixer.GetOutputVolumeBounds(nullptr, &upper), kMixerOutputBoundsFailed);
    EXPECT_EQ(mixer.GetInputVolumeBounds(nullptr, &upper), kMixerInputBoundsFailed);
    std::uint32_t values[2] = {1, 2};
    EXPECT_EQ(mixer.GetCurrentOutputVolSetting(2, values), kMixerNoOutputSelected);
    EXPECT_EQ(mixer.SetCurrentOutputVolSetting(2, values), kMixerNoOutputSelected);
    EXPECT_EQ(mixer.GetCurrentInputVolSetting(2, values), kMixerNoInputSelected);
    EXPECT_EQ(mixer.SetCurrentInputVolSetting(1, values), kMixerNoInputSelected);
    EXPECT_EQ(mixer.DeselectInputDevice(), 0);
    EXPECT_EQ(mixer.DeselectOutputDevice(), 0);
}

TEST(MixerWithoutServer, StartUpShowsNoDevicesAndGoesOn) {
    ServerAddress address("unix:/nonexistent/sonthra-no-server");
    ROZadEro mixer;
    const MixerStart start = StartMixer(mixer, {}, -1, -1, std::nullopt);
    EXPECT_EQ(start.messages, (std::vector<int>{192, 194}));
    EXPECT_TRUE(start.sources.names.empty());
}

TEST(MixerWithoutServer, ServerThatNeverAnswersDoesNotHang) {
    SilentServer silent;
    ASSERT_NE(silent.port(), 0);
    ServerAddress address("tcp:127.0.0.1:" + std::to_string(silent.port()));
    ROZadEro mixer(std::chrono::milliseconds(300));
    EXPECT_EQ(mixer.GetNumberOfOutputDevices(), 0);
    EXPECT_EQ(mixer.SelectOutputDevice(0), kMixerOutputUnreachable);
    EXPECT_EQ(mixer.CreateCVMixCallbackThread(), kMixerServerUnreachable);
}

TEST(EngineWithoutServer, ASilentServerIsLeftAloneAndTheEngineStarts) {
    using namespace std::chrono_literals;
    {
        ServerAddress absent("unix:/nonexistent/sonthra-no-server");
        EXPECT_FALSE(SoundServerIsSilent(300ms)) << "an absent server refuses at once";
    }
    auto silent = std::make_unique<SilentServer>();
    ASSERT_NE(silent->port(), 0);
    ServerAddress address("tcp:127.0.0.1:" + std::to_string(silent->port()));
    EXPECT_TRUE(SoundServerIsSilent(300ms));

    // ALSA's route to the server (this test's ALSA configuration leads there) has no deadline
    // of its own; the engine gives the server a few seconds and then goes on without it.
    std::atomic<bool> started{false};
    std::thread start([&] {
        AudioIO engine;
        started = true;
    });
    for (int i = 0; i < 3000 && !started; ++i) std::this_thread::sleep_for(10ms);
    const bool startedInTime = started;
    silent.reset();  // a start that still waits ends once the server is gone
    start.join();
    EXPECT_TRUE(startedInTime) << "the engine waited for a server that never answers";
}

}  // namespace
}  // namespace sonthra
