// A machine with speakers and no microphone: a sound server of its own whose only device is a
// null sink. The monitor of that sink is the recording device, the program starts without "No
// recording device found", and a recording through the engine holds what was played.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/audio_io.h"
#include "engine/mixer.h"
#include "engine/mixer_start.h"
#include "engine/wave_layout.h"

namespace sonthra {
namespace {

using namespace std::chrono_literals;

// A private sound server with one null sink, on a socket in a folder of its own.
class SpeakersOnlyServer {
public:
    SpeakersOnlyServer() {
        char pattern[] = "/tmp/sonthra-speakers-XXXXXX";
        if (!mkdtemp(pattern)) return;
        m_folder = pattern;
        m_socket = m_folder + "/native";
        m_pid = fork();
        if (m_pid == 0) {
            setenv("PULSE_RUNTIME_PATH", m_folder.c_str(), 1);
            setenv("PULSE_STATE_PATH", m_folder.c_str(), 1);
            unsetenv("PULSE_SERVER");
            const std::string protocol =
                "--load=module-native-protocol-unix auth-anonymous=1 socket=" + m_socket;
            execlp("pulseaudio", "pulseaudio", "-n", "--daemonize=no", "--use-pid-file=false",
                   "--exit-idle-time=-1", "--system=false", "--log-target=stderr", "--log-level=0",
                   protocol.c_str(), "--load=module-null-sink sink_name=speakers",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        for (int i = 0; i < 100 && access(m_socket.c_str(), F_OK) != 0; ++i)
            std::this_thread::sleep_for(50ms);
        if (const char* old = std::getenv("PULSE_SERVER")) m_oldServer = old;
        setenv("PULSE_SERVER", ("unix:" + m_socket).c_str(), 1);
    }
    ~SpeakersOnlyServer() {
        if (m_oldServer)
            setenv("PULSE_SERVER", m_oldServer->c_str(), 1);
        else
            unsetenv("PULSE_SERVER");
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
        if (!m_folder.empty()) std::system(("rm -rf '" + m_folder + "'").c_str());
    }
    bool up() const { return m_pid > 0 && access(m_socket.c_str(), F_OK) == 0; }
    // Ends the server as a crash would, without a word to its clients.
    void crash() {
        if (m_pid <= 0) return;
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
    std::string address() const { return "unix:" + m_socket; }

private:
    std::string m_folder, m_socket;
    pid_t m_pid = -1;
    std::optional<std::string> m_oldServer;
};

TEST(MonitorOnly, TheMonitorIsTheRecordingDeviceWhenNothingElseRecords) {
    SpeakersOnlyServer server;
    ASSERT_TRUE(server.up());
    ROZadEro mixer;
    ASSERT_EQ(mixer.GetNumberOfInputDevices(), 1);
    std::string description;
    ASSERT_EQ(mixer.GetInputDeviceDescription(0, &description), 0);
    EXPECT_NE(description.find("Monitor"), std::string::npos) << description;

    const MixerStart start = StartMixer(mixer, {}, -1, -1, std::nullopt);
    EXPECT_TRUE(start.messages.empty()) << "first message: " << start.messages.front();
    ASSERT_EQ(start.sources.names.size(), 1u);
    EXPECT_NE(start.sources.names[0].find("Monitor"), std::string::npos);
}

TEST(MonitorOnly, ARecordingHoldsWhatWasPlayed) {
    SpeakersOnlyServer server;
    ASSERT_TRUE(server.up());
    {
        ROZadEro mixer;
        ASSERT_TRUE(StartMixer(mixer, {}, -1, -1, std::nullopt).messages.empty());
    }
    // A tone plays on the speakers for as long as the recording lasts.
    char folder[] = "/tmp/sonthra-monitor-rec-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string file = std::string(folder) + "/rec.wav";
    const pid_t player = fork();
    if (player == 0) {
        execlp("sh", "sh", "-c",
               "sox -q -n -t raw -r 44100 -e signed -b 16 -c 2 - synth 5 sine 440 | "
               "pacat --raw --rate=44100 --format=s16le --channels=2 --device=speakers",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    std::this_thread::sleep_for(300ms);
    AudioIO engine;
    ASSERT_GT(engine.GetNumberOfInputDevices(), 0);
    engine.setRecordFrameLimit(44100);
    ASSERT_EQ(engine.AudioStartRecord(file, 44100, 16, 2, 0), 0);
    for (int i = 0; i < 400 && engine.AudioGetRecordPosition(1) < 44100; ++i)
        std::this_thread::sleep_for(10ms);
    ASSERT_EQ(engine.AudioStopRecord(), 0);
    kill(player, SIGTERM);
    waitpid(player, nullptr, 0);

    WaveLayout layout;
    ASSERT_EQ(readWaveLayout(file, layout), 0);
    ASSERT_GT(layout.frames(), 22050u);
    std::ifstream in(file, std::ios::binary);
    std::vector<char> bytes(layout.dataBytes);
    in.seekg(static_cast<std::streamoff>(layout.dataOffset));
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    int loud = 0;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const int sample = static_cast<std::int16_t>(static_cast<unsigned char>(bytes[i]) |
                                                     static_cast<unsigned char>(bytes[i + 1]) << 8);
        if (std::abs(sample) > 8000) ++loud;
    }
    EXPECT_GT(loud, static_cast<int>(bytes.size() / 2 / 10)) << "the tone was recorded";
    std::system(("rm -rf '" + std::string(folder) + "'").c_str());
}

TEST(MonitorOnly, ARecordingWhoseServerGoesAwayKeepsWhatCameAndSaysSo) {
    auto server = std::make_unique<SpeakersOnlyServer>();
    ASSERT_TRUE(server->up());
    char folder[] = "/tmp/sonthra-monitor-lost-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string file = std::string(folder) + "/rec.wav";
    AudioIO engine;
    ASSERT_GT(engine.GetNumberOfInputDevices(), 0);
    ASSERT_EQ(engine.AudioStartRecord(file, 44100, 16, 2, 0), 0);
    for (int i = 0; i < 1000 && engine.AudioGetRecordPosition(1) < 4410; ++i)
        std::this_thread::sleep_for(10ms);
    ASSERT_GE(engine.AudioGetRecordPosition(1), 4410u);
    EXPECT_FALSE(engine.recordDeviceLost());

    server->crash();
    bool lost = false;
    for (int i = 0; i < 1000 && !(lost = engine.recordDeviceLost()); ++i)
        std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(lost) << "the engine noticed that nothing more will come";
    const std::uint32_t recorded = engine.AudioGetRecordPosition(1);
    EXPECT_EQ(engine.AudioStopRecord(), 204);

    WaveLayout layout;
    ASSERT_EQ(readWaveLayout(file, layout), 0) << "a complete file";
    EXPECT_GE(layout.frames(), 4410u);
    EXPECT_EQ(layout.frames(), recorded) << "everything that came is kept";
    server.reset();
    std::system(("rm -rf '" + std::string(folder) + "'").c_str());
}

}  // namespace
}  // namespace sonthra
