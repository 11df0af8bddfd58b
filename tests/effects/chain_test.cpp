// Effect chains: the text form and its refusals, the per-user store, and a chain applied as one
// transform giving what the effects give applied one by one.
#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <fstream>

#include "effects/effect_chain.h"
#include "messages/message_table.h"
#include "shipped_effects.h"

namespace sonthra {
namespace {

const EffectChain kVoice{"Voice test",
                         {{"High-Pass Filter", {"cutoff-hz=100", "slope-db=12"}},
                          {"Noise Gate", {"threshold-db=-50"}},
                          {"Compressor", {"threshold-db=-30", "ratio=4", "makeup-db=6"}},
                          {"Normalize", {"lufs=-18", "true-peak-db=-2"}},
                          {"Limiter", {"ceiling-db=-2"}}}};

TEST(EffectChainText, ReadsBackWhatItWritesAndTheShippedChainParses) {
    EffectChain read;
    std::string error;
    ASSERT_EQ(parseEffectChain(effectChainText(kVoice), read, &error), 0) << error;
    EXPECT_EQ(read, kVoice);
    // Comments, blank lines, spaces around "=" and Windows line ends are taken in their stride.
    ASSERT_EQ(parseEffectChain("# x\r\nname = A b\r\n\r\n effect= Limiter \r\nceiling-db =-3\r\n",
                               read, &error),
              0)
        << error;
    EXPECT_EQ(read, (EffectChain{"A b", {{"Limiter", {"ceiling-db=-3"}}}}));

    ASSERT_EQ(shippedEffectChains().size(), 1u);
    const EffectChain& podcast = shippedEffectChains()[0];
    EXPECT_EQ(podcast.name, "Podcast voice");
    std::vector<std::string> effects;
    for (const ChainStep& step : podcast.steps) effects.push_back(step.effect);
    EXPECT_EQ(effects, (std::vector<std::string>{"High-Pass Filter", "Scrubline", "Compressor",
                                                 "Normalize", "Limiter"}));
    EXPECT_EQ(podcast.steps[0].settings[0], "cutoff-hz=80");
    EXPECT_EQ(podcast.steps[3].settings[1], "lufs=-16");
    EXPECT_EQ(podcast.steps[4].settings[0], "ceiling-db=-1");
}

TEST(EffectChainText, BrokenAndHostileFilesAreRefusedWithTheLine) {
    const std::string big(kMaxChainFileBytes + 1, '#');
    std::string manySteps = "name=x\n";
    for (std::size_t i = 0; i <= kMaxChainSteps; ++i) manySteps += "effect=Limiter\n";
    std::string manySettings = "name=x\neffect=Limiter\n";
    for (std::size_t i = 0; i <= kMaxStepSettings; ++i) manySettings += "ceiling-db=-1\n";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "no name"},
        {"name=x\n", "no effect"},
        {"effect=Limiter\n", "line 1: the chain's name comes first"},
        {"name=x\nceiling-db=-1\n", "line 2: a setting before the first effect"},
        {"name=x\neffect=Limiter\nceiling-db\n", "line 3: \"ceiling-db\" is not key=value"},
        {"name=x\neffect=Limiter\nCeiling_dB=1\n", "line 3: \"Ceiling_dB\" is no key"},
        {"name=x\nname=y\neffect=Limiter\n", "line 2: a second name"},
        {"name=../../etc/passwd\neffect=Limiter\n", "line 1: not a chain name"},
        {"name=.hidden\neffect=Limiter\n", "line 1: not a chain name"},
        {"name=x\neffect=\n", "line 2: an effect without a name"},
        {"name=x\neffect=Lim\x1biter\n", "line 2: a control character"},
        {std::string("name=x\neffect=Limiter\0\n", 23), "not text"},
        {"name=x\neffect=" + std::string(3000, 'a') + "\n", "line 2: the line is too long"},
        {big, "too large"},
        {manySteps, "line " + std::to_string(kMaxChainSteps + 2) + ": more effects"},
        {manySettings, "line " + std::to_string(kMaxStepSettings + 3) + ": more settings"},
    };
    for (const auto& [text, why] : cases) {
        EffectChain chain{"kept", {{"Amplify", {}}}};
        std::string error;
        EXPECT_EQ(parseEffectChain(text, chain, &error), kMsgChainCannotLoad) << why;
        EXPECT_NE(error.find(why), std::string::npos) << error;
        EXPECT_EQ(chain.name, "kept");  // nothing of a refused file is taken
    }
}

TEST(EffectChainStore, SavesPrivatelyListsLoadsShadowsAndRemoves) {
    test::TempFolder home;
    const std::filesystem::path folder = std::filesystem::path(home.path()) / "a" / "chains";
    const EffectChainStore store(folder);
    EXPECT_EQ(store.names(), std::vector<std::string>{"Podcast voice"});
    ASSERT_EQ(store.save(kVoice), 0);
    struct stat st {};
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat((folder / "Voice test.chain").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // A user's chain of a shipped chain's name takes its place until it is removed.
    EffectChain mine = shippedEffectChains()[0];
    mine.steps.pop_back();
    ASSERT_EQ(store.save(mine), 0);
    // A stray file, one whose name differs from the chain inside and a broken one are left out.
    std::ofstream(folder / "notes.txt") << "name=x\neffect=Limiter\n";
    std::ofstream(folder / "Renamed.chain") << "name=Other\neffect=Limiter\n";
    std::ofstream(folder / "Broken.chain") << "name=Broken\n";
    EXPECT_EQ(store.names(), (std::vector<std::string>{"Podcast voice", "Voice test"}));
    EffectChain loaded;
    std::string error;
    ASSERT_EQ(store.load("Podcast voice", loaded, &error), 0) << error;
    EXPECT_EQ(loaded, mine);
    EXPECT_EQ(store.load("Broken", loaded, &error), kMsgChainCannotLoad);
    EXPECT_NE(error.find("no effect"), std::string::npos) << error;
    EXPECT_EQ(store.load("Nothing", loaded, &error), kMsgChainCannotLoad);
    EXPECT_EQ(store.load("../a", loaded, &error), kMsgChainCannotLoad);

    ASSERT_EQ(store.remove("Podcast voice"), 0);
    ASSERT_EQ(store.load("Podcast voice", loaded, &error), 0);
    EXPECT_EQ(loaded, shippedEffectChains()[0]);
    EXPECT_EQ(store.remove("Podcast voice"), kMsgChainCannotLoad);  // only the shipped one left
    EXPECT_EQ(store.save(EffectChain{"a/b", {{"Limiter", {}}}}), kMsgChainCannotLoad);
}

class EffectChains : public ShippedEffects {};

TEST_F(EffectChains, AChainGivesWhatItsEffectsGiveOneByOne) {
    const auto in = make("in.wav", "-c 2 synth 4 pinknoise tremolo 3 90 gain -n -6");
    std::string detail;
    std::vector<std::string> texts;
    ASSERT_EQ(
        applyChainToFile(*plugins, kVoice, in, folder.file("chain.wav"), &detail, &texts, nullptr),
        0)
        << detail;
    // One by one through a fresh load of the plug-ins, each from its defaults.
    EffectPluginList fresh;
    LoadEffectPlugins(fresh, std::string(std::getenv("SONTHRA_BINARY_DIR")) + "/bin");
    std::string from = in;
    for (std::size_t i = 0; i < kVoice.steps.size(); ++i) {
        const std::string to = folder.file("step" + std::to_string(i) + ".wav");
        EffectFileJob job{kVoice.steps[i].effect, from, to, 0, 0, kVoice.steps[i].settings};
        ASSERT_EQ(applyEffectToFile(fresh, job, &detail), 0) << i;
        from = to;
    }
    const auto chained = test::waveData(folder.file("chain.wav"));
    ASSERT_FALSE(chained.empty());
    EXPECT_TRUE(chained == test::waveData(from));
    EXPECT_LE(ebur128(folder.file("chain.wav")).truePeak, -2.0);
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts[0].rfind("Compressor: at most ", 0), 0u) << texts[0];
}

TEST_F(EffectChains, OnASelectionTheChainLeavesTheRestAsItWas) {
    const auto in = make("in.wav", "-c 2 synth 3 pinknoise gain -n -3");
    const std::string out = folder.file("out.wav");
    ChainTransform transform(*plugins, kVoice, 88200, 44100, 0);
    EXPECT_EQ(transform.caption(), "Voice test...");
    EXPECT_TRUE(transform.undoRequired());
    ASSERT_EQ(RunTransformOnly(transform, in, out,
                               [](const std::string&, LongOperation& operation) {
                                   return WaitForOperation(operation);
                               },
                               {}),
              0);
    const auto a = test::waveSamples16(in);
    const auto b = test::waveSamples16(out);
    ASSERT_EQ(a.size(), b.size());
    EXPECT_TRUE(std::equal(a.begin(), a.begin() + 44100 * 2, b.begin()));
    EXPECT_TRUE(std::equal(a.begin() + 88200 * 2, a.end(), b.begin() + 88200 * 2));
    EXPECT_FALSE(std::equal(a.begin() + 44100 * 2, a.begin() + 88200 * 2, b.begin() + 44100 * 2));
}

TEST_F(EffectChains, TheUsersOwnSettingsOfAnEffectSurviveAChain) {
    const auto in = make("in.wav", "-c 1 synth 1 sine 300 vol 0.1");
    EffectPlugin* amplify = plugins->findByName("Amplify");
    ASSERT_EQ(amplify->SetEffectSettingsText(amplify->params, "gain-db=6.0206"), 0);
    const EffectChain chain{"a", {{"Amplify", {"gain-db=-6.0206"}}}};
    ASSERT_EQ(applyChainToFile(*plugins, chain, in, folder.file("c.wav"), nullptr, nullptr), 0);
    ASSERT_EQ(apply("Amplify", in, folder.file("a.wav")), 0);
    const auto src = test::waveSamples16(in);
    ASSERT_GT(std::abs(src[100]), 100);
    EXPECT_NEAR(test::waveSamples16(folder.file("c.wav"))[100] * 2, src[100], 1);
    EXPECT_EQ(test::waveSamples16(folder.file("a.wav"))[100], src[100] * 2);
}

TEST_F(EffectChains, ChainsThatDoNotFitTheEffectsOrAreCancelledLeaveNoOutput) {
    const auto in = make("in.wav", "-c 1 synth 20 pinknoise");
    const std::string out = folder.file("out.wav");
    std::string detail;
    const EffectChain unknown{"u", {{"Limiter", {}}, {"Wah", {}}}};
    EXPECT_EQ(applyChainToFile(*plugins, unknown, in, out, &detail, nullptr), kMsgChainCannotLoad);
    EXPECT_EQ(detail, "step 2 of \"u\": there is no effect \"Wah\"");
    const EffectChain refused{"r", {{"Limiter", {"ceiling-db=3"}}}};
    EXPECT_EQ(applyChainToFile(*plugins, refused, in, out, &detail, nullptr), kMsgChainCannotLoad);
    EXPECT_EQ(detail, "step 1 of \"r\": Limiter does not take the setting ceiling-db=3");
    std::atomic<bool> interrupted{true};
    EXPECT_EQ(applyChainToFile(*plugins, kVoice, in, out, &detail, nullptr, &interrupted),
              kCancelled);
    EXPECT_FALSE(std::filesystem::exists(out));
    // Nothing left behind in the output's folder but the input.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()),
                            std::filesystem::directory_iterator()),
              1);
}

}  // namespace
}  // namespace sonthra
