// The document record's rules and the document list.
#include <gtest/gtest.h>

#include "app/audio_document.h"
#include "app/transport_rules.h"

namespace sonthra {
namespace {

std::unique_ptr<AudioDocument> document(std::uint32_t id, const std::string& name = {}) {
    auto d = std::make_unique<AudioDocument>();
    d->id = id;
    d->fileName = name;
    return d;
}

TEST(AudioDocument, FormatFollowsTheSampleFormat) {
    AudioDocument d;
    d.sampleRate = 22050;
    d.bitsPerSample = 8;
    d.channels = 2;
    FillFormat(d);
    EXPECT_EQ(d.format.formatTag, 1);
    EXPECT_EQ(d.format.blockAlign, 2);
    EXPECT_EQ(d.format.avgBytesPerSec, 44100u);
    EXPECT_EQ(d.format.extraSize, 0);
    d.bitsPerSample = 16;
    d.channels = 1;
    d.sampleRate = 44100;
    FillFormat(d);
    EXPECT_EQ(d.format.blockAlign, 2);
    EXPECT_EQ(d.format.avgBytesPerSec, 88200u);
}

TEST(AudioDocument, SavePromptAndCommandsFollowTheState) {
    AudioDocument d;
    d.state = DocumentState::New;
    EXPECT_FALSE(NeedsSavePrompt(d));  // a new, empty document closes silently
    EXPECT_FALSE(SaveRevertFor(d).save);
    // A recording shorter than a millisecond is still audio that closing would lose.
    d.frames = 20;
    EXPECT_TRUE(NeedsSavePrompt(d));
    EXPECT_TRUE(SaveRevertFor(d).save);
    EXPECT_FALSE(SaveRevertFor(d).revert);

    d.state = DocumentState::Clean;
    EXPECT_FALSE(NeedsSavePrompt(d));
    EXPECT_FALSE(SaveRevertFor(d).save);
    EXPECT_FALSE(SaveRevertFor(d).revert);

    d.state = DocumentState::Modified;
    d.frames = 0;
    EXPECT_TRUE(NeedsSavePrompt(d));
    EXPECT_TRUE(SaveRevertFor(d).save);
    EXPECT_TRUE(SaveRevertFor(d).revert);
}

TEST(AudioDocument, WorkingCopyUsableByWorkspaceState) {
    AudioDocument d;
    d.state = DocumentState::Clean;
    d.workspace = WorkspaceState::Ready;
    EXPECT_TRUE(WorkingCopyUsable(d));
    d.workspace = WorkspaceState::BeingCreated;
    EXPECT_FALSE(WorkingCopyUsable(d));
    d.workspace = WorkspaceState::ReadOnly;
    EXPECT_FALSE(WorkingCopyUsable(d));
    d.state = DocumentState::New;
    EXPECT_TRUE(WorkingCopyUsable(d));
}

TEST(AudioDocument, Names) {
    EXPECT_EQ(UntitledName(1), "Untitled1.wav");
    EXPECT_EQ(UntitledName(12), "Untitled12.wav");
    EXPECT_EQ(BaseName("/home/u/a b.wav"), "a b.wav");
    EXPECT_EQ(BaseName("plain.wav"), "plain.wav");
}

TEST(DocumentList, IdIsTheSmallestFreeNumberFromTheCount) {
    DocumentList list;
    EXPECT_EQ(list.nextId(), 0u);
    list.append(document(0));
    EXPECT_EQ(list.nextId(), 1u);
    list.append(document(1));
    list.remove(0);  // ids {1}, count 1: 1 is taken
    EXPECT_EQ(list.nextId(), 2u);
    list.append(document(5));  // ids {1, 5}, count 2
    EXPECT_EQ(list.nextId(), 2u);
    list.append(document(3));  // ids {1, 5, 3}, count 3: 3 taken, 4 free
    EXPECT_EQ(list.nextId(), 4u);
}

TEST(DocumentList, CurrentFollowsRemovals) {
    DocumentList list;
    EXPECT_EQ(list.current(), nullptr);
    list.append(document(0, "/a.wav"));
    list.append(document(1, "/b.wav"));
    list.append(document(2, "/c.wav"));
    list.setCurrent(2);
    EXPECT_EQ(list.current()->fileName, "/c.wav");
    auto removed = list.remove(0);
    EXPECT_EQ(removed->fileName, "/a.wav");
    EXPECT_EQ(list.currentIndex(), 1);
    EXPECT_EQ(list.current()->fileName, "/c.wav");
    list.remove(1);
    EXPECT_EQ(list.currentIndex(), -1);
    EXPECT_EQ(list.remove(7), nullptr);
    list.setCurrent(9);
    EXPECT_EQ(list.currentIndex(), -1);
}

TEST(DocumentList, FindsByNameAndIdAndCountsUntitled) {
    DocumentList list;
    list.append(document(4, "/music/Song.wav"));
    EXPECT_EQ(list.indexOfFileName("/music/Song.wav"), 0);
    // Names differing in letter case are different files on this system.
    EXPECT_EQ(list.indexOfFileName("/music/song.wav"), -1);
    EXPECT_EQ(list.indexOfId(4), 0);
    EXPECT_EQ(list.indexOfId(0), -1);
    EXPECT_EQ(list.nextUntitledName(), "Untitled1.wav");
    list.countUntitled();
    list.countUntitled();
    EXPECT_EQ(list.nextUntitledName(), "Untitled3.wav");
}

TEST(DocumentButtons, LayoutRule) {
    // Room for 162-pixel buttons.
    ButtonGeometry g = DocumentButtonGeometry(500, 24, 2, 1);
    EXPECT_EQ(g.width, 162);
    EXPECT_EQ(g.x, 162);
    EXPECT_EQ(g.y, 1);
    EXPECT_EQ(g.height, 23);
    // Too many: the bar is shared.
    g = DocumentButtonGeometry(500, 24, 4, 3);
    EXPECT_EQ(g.width, 125);
    EXPECT_EQ(g.x, 375);
    // A bar narrower than one button.
    g = DocumentButtonGeometry(100, 24, 1, 0);
    EXPECT_EQ(g.width, 100);
    EXPECT_EQ(DocumentButtonGeometry(100, 24, 0, 0).width, 0);
}

TEST(TransportRules, PlayRange) {
    // The caret on the last frame starts from frame 0.
    FrameRange r = PlayRange(999, {}, 1000);
    EXPECT_EQ(r.first, 0u);
    EXPECT_EQ(r.last, 0u);
    r = PlayRange(500, {}, 1000);
    EXPECT_EQ(r.first, 500u);
    EXPECT_EQ(r.last, 0u);
    // A selection made from right to left plays in order.
    r = PlayRange(500, {3000, 1000}, 5000);
    EXPECT_EQ(r.first, 1000u);
    EXPECT_EQ(r.last, 3000u);
    // An empty selection is no selection.
    r = PlayRange(10, {7, 7}, 100);
    EXPECT_EQ(r.first, 10u);
}

TEST(TransportRules, MovesByFivePercent) {
    EXPECT_EQ(ForwardTarget(1000, 100000), std::optional<std::uint32_t>(6000));
    // Within 5 % of the end the playback stops instead.
    EXPECT_EQ(ForwardTarget(95000, 100000), std::nullopt);
    EXPECT_EQ(ForwardTarget(96000, 100000), std::nullopt);
    EXPECT_EQ(ForwardTarget(94999, 100000), std::optional<std::uint32_t>(99999));
    // No overflow near the top of the 32-bit range.
    EXPECT_EQ(ForwardTarget(4'100'000'000u, 4'294'967'295u), std::nullopt);
    EXPECT_EQ(RewindTarget(20000, 100000), 15000u);
    EXPECT_EQ(RewindTarget(4000, 100000), 0u);
    EXPECT_EQ(RewindTarget(5000, 100000), 0u);
    EXPECT_EQ(GoToStartTarget({}), 0u);
    EXPECT_EQ(GoToStartTarget({800, 200}), 200u);
    EXPECT_EQ(GoToEndTarget({}, 1234), 1234u);
    EXPECT_EQ(GoToEndTarget({800, 200}, 1234), 800u);
}

TEST(TransportRules, ClippingAboveNinetyFive) {
    EXPECT_FALSE(ClippingFor(95, 95).any());
    const ClippingLights left = ClippingFor(96, 10);
    EXPECT_TRUE(left.left);
    EXPECT_FALSE(left.right);
    EXPECT_TRUE(ClippingFor(0, 100).right);
}

}  // namespace
}  // namespace sonthra
