// The command-line verb that prepares peak files.
#include <gtest/gtest.h>

#include "cli/peaks_command.h"
#include "view/peak_file.h"
#include "view/wave_view_model.h"
#include "view_test_support.h"

namespace sonthra {
namespace {

using testing::exists;
using testing::noise;
using testing::readBytes;
using testing::TempDir;
using testing::writeWav;

TEST(PeaksCommand, WritesThePeakFileBesideTheWavFileOrWhereTold) {
    TempDir dir;
    const std::vector<int> values = noise(2 * 1000, -30000, 30000);
    writeWav(dir.file("take.wav"), 2, 16, values);
    ASSERT_EQ(RunPeaksCommand({dir.file("take.wav")}), 0);
    const std::string bytes = readBytes(dir.file("take.cvp"));
    ASSERT_EQ(bytes.size(), 6u + 2 * 32 * 4);  // ceil(1000 / 32) blocks, two channels

    // The file is the one the display loads.
    WaveViewModel m;
    m.setClientSize(100, 100);
    ASSERT_EQ(m.OpenWaveFile(dir.file("take.wav")), 0);
    ASSERT_EQ(m.LoadPeaks(dir.file("take.cvp")), 0);
    EXPECT_EQ(m.peaks().channels(), testing::naivePeaks(values, 2));

    ASSERT_EQ(RunPeaksCommand({dir.file("take.wav"), dir.file("other.cvp")}), 0);
    EXPECT_EQ(readBytes(dir.file("other.cvp")), bytes);
}

TEST(PeaksCommand, FailuresAndWrongArgumentsGiveTheirExitCodes) {
    TempDir dir;
    EXPECT_EQ(RunPeaksCommand({}), 2);
    EXPECT_EQ(RunPeaksCommand({"a", "b", "c"}), 2);
    EXPECT_EQ(RunPeaksCommand({dir.file("missing.wav")}), 1);
    testing::writeBytes(dir.file("six.wav"), testing::wavBytes(6, 44100, 16, std::string(24, 0)));
    EXPECT_EQ(RunPeaksCommand({dir.file("six.wav")}), 1);
    EXPECT_FALSE(exists(dir.file("six.cvp")));
    writeWav(dir.file("ok.wav"), 1, 8, {1, 2, 3});
    EXPECT_EQ(RunPeaksCommand({dir.file("ok.wav"), dir.file("no/such/folder.cvp")}), 1);
}

}  // namespace
}  // namespace sonthra
