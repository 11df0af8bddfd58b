// The ruler's steps, tick positions and labels.
#include <gtest/gtest.h>

#include "view/time_scale.h"

namespace sonthra {
namespace {

// Labels are 6 pixels per character, like a small fixed font.
int sixPerChar(const std::string& s) {
    return static_cast<int>(s.size()) * 6;
}

std::vector<std::string> labelTexts(const ScaleDrawing& d) {
    std::vector<std::string> out;
    for (const auto& l : d.labels) out.push_back(l.text);
    return out;
}

std::vector<int> majorTicks(const ScaleDrawing& d) {
    std::vector<int> out;
    for (const auto& l : d.lines) {
        if (l.y2 == 10) out.push_back(l.x1);
    }
    return out;
}

TEST(ScaleStep, RoundsToReadableSteps) {
    EXPECT_EQ(ScaleTimeStep(44100, 44100), 1000);              // 1 s
    EXPECT_EQ(ScaleTimeStep(44100 * 7, 44100), 5000);          // 7 s -> 5 s
    EXPECT_EQ(ScaleTimeStep(44100 * 12, 44100), 10000);        // 12 s -> 10 s
    EXPECT_EQ(ScaleTimeStep(44100 * 60 * 3, 44100), 180000);   // 3 min
    EXPECT_EQ(ScaleTimeStep(44100 * 60 * 13, 44100), 600000);  // 13 min -> 10 min
    EXPECT_EQ(ScaleTimeStep(44100 * 95, 44100), 60000);        // 1 min 35 s -> 1 min
    EXPECT_EQ(ScaleTimeStep(4410 * 3 / 10 + 1, 44100), 30);    // 30 ms
    EXPECT_EQ(ScaleTimeStep(2514, 44100), 50);                 // 57 ms -> 50
    EXPECT_EQ(ScaleTimeStep(15215, 44100), 300);               // 345 ms -> 300
    EXPECT_EQ(ScaleTimeStep(309, 44100), 7);                   // 7 ms
    EXPECT_EQ(ScaleTimeStep(10, 44100), 0);
    EXPECT_EQ(ScaleTimeStep(10, 0), 0);
}

TEST(ScaleLayout, OneSecondApartAtZoom441) {
    ScaleInput in;
    in.width = 500;
    in.zoomLevel = 441;
    in.isDataAvailable = true;
    const ScaleDrawing d = LayoutScale(in, sixPerChar);
    EXPECT_EQ(d.step, 1000);
    EXPECT_EQ(d.lines.front(), (ScaleLine{0, 2, 500, 2}));
    // The label at 400 needs 54 pixels and 100 remain; the one at 500 is off the ruler.
    EXPECT_EQ(labelTexts(d), (std::vector<std::string>{"00:00:000", "00:01:000", "00:02:000",
                                                       "00:03:000", "00:04:000"}));
    EXPECT_EQ(majorTicks(d), (std::vector<int>{0, 100, 200, 300, 400}));
    EXPECT_EQ(d.labels[1].x, 104);
    EXPECT_EQ(d.labels[1].y, 4);
    // Ten minor intervals per labelled one.
    int minor = 0;
    for (const auto& l : d.lines) minor += l.y2 == 5;
    EXPECT_EQ(minor, 50);
}

TEST(ScaleLayout, ALabelThatWouldRunPastTheEdgeIsLeftOutWithItsTick) {
    ScaleInput in;
    in.width = 450;  // at 400 only 50 pixels remain for 54
    in.zoomLevel = 441;
    in.isDataAvailable = true;
    const ScaleDrawing d = LayoutScale(in, sixPerChar);
    EXPECT_EQ(majorTicks(d), (std::vector<int>{0, 100, 200, 300}));
    EXPECT_EQ(d.labels.size(), 4u);
}

TEST(ScaleLayout, TheStepDoublesWhenLabelsWouldCrowd) {
    ScaleInput in;
    in.width = 600;
    in.zoomLevel = 441;
    in.isDataAvailable = true;
    // 9 characters of 12 pixels need 108 + 81 = 189 pixels, more than 100.
    const ScaleDrawing d = LayoutScale(in, [](const std::string& s) { return 12 * int(s.size()); });
    EXPECT_EQ(d.step, 2000);
    EXPECT_EQ(labelTexts(d).at(1), "00:02:000");
    EXPECT_EQ(majorTicks(d).at(1), 200);
}

TEST(ScaleLayout, ScrolledViewsStartWithTheTickBeforeTheLeftEdge) {
    ScaleInput in;
    in.width = 500;
    in.zoomLevel = 441;
    in.isDataAvailable = true;
    in.leftSamplePos = 44100 * 3 + 22050;  // 3.5 s at x 0
    const ScaleDrawing d = LayoutScale(in, sixPerChar);
    // The ticks start at 2 s (x -150); 2 s gets no label because 3 s (x -50) is left of the
    // view too, while 3 s is labelled because 4 s lies inside.
    ASSERT_FALSE(d.labels.empty());
    EXPECT_EQ(d.labels[0].text, "00:03:000");
    EXPECT_EQ(d.labels[0].x, -46);
    EXPECT_EQ(labelTexts(d).at(1), "00:04:000");
    EXPECT_EQ(majorTicks(d), (std::vector<int>{-50, 50, 150, 250, 350}));
    EXPECT_EQ(d.lines[1].x1, -150);  // the first minor tick

    // A first step inside the view starts there with value one step.
    in.leftSamplePos = 100;
    const ScaleDrawing e = LayoutScale(in, sixPerChar);
    EXPECT_EQ(e.labels[0].text, "00:01:000");
    EXPECT_EQ(majorTicks(e)[0], 99);
}

TEST(ScaleLayout, SampleLabelsAreTheFramesAtTheirTicks) {
    ScaleInput in;
    in.width = 500;
    in.zoomLevel = 3;
    in.format = TFormat::Samples;
    in.isDataAvailable = true;
    const ScaleDrawing d = LayoutScale(in, sixPerChar);
    EXPECT_EQ(d.step, 300);
    EXPECT_EQ(labelTexts(d), (std::vector<std::string>{"0", "300", "600", "900", "1200"}));
}

TEST(ScaleLayout, OnlyTheOriginWithoutDataOrStep) {
    ScaleInput in;
    const ScaleDrawing none = LayoutScale(in, sixPerChar);
    EXPECT_EQ(none.lines, (std::vector<ScaleLine>{{0, 2, 500, 2}, {0, 2, 0, 10}}));
    EXPECT_EQ(labelTexts(none), std::vector<std::string>{"00:00:000"});
    in.format = TFormat::Samples;
    EXPECT_EQ(labelTexts(LayoutScale(in, sixPerChar)), std::vector<std::string>{"0"});
    in.isDataAvailable = true;
    in.gapInPixels = 0;
    EXPECT_EQ(LayoutScale(in, sixPerChar).step, 0);
    in.format = TFormat::Time;
    in.gapInPixels = 100;
    in.sampleRate = 0;
    EXPECT_EQ(LayoutScale(in, sixPerChar).labels.size(), 1u);
}

TEST(ScaleLayout, TimeLabelsArePaddedMinutesSecondsMilliseconds) {
    EXPECT_EQ(ScaleTimeText(5000), "00:05:000");
    EXPECT_EQ(ScaleTimeText(2'125'120), "35:25:120");
    EXPECT_EQ(ScaleTimeText(100 * 60000 + 7), "100:00:007");
}

}  // namespace
}  // namespace sonthra
