#include "settings/registry_tree.h"

#include <gtest/gtest.h>

#include <string>

namespace sonthra {
namespace {

RegistryKey sampleTree() {
    RegistryKey root;
    RegistryKey& settings = createKey(root, {"Software", "Corvanta", "Sonthra", "Settings"});
    settings.values.emplace("Temp Path", RegistryValue::text("/home/ann/tmp/"));
    settings.values.emplace("Always Test Levels", RegistryValue::number(1));
    settings.values.emplace("Last Input Device Selected", RegistryValue::number(-1));
    settings.values.emplace("Insert Silence Time",
                            RegistryValue::binary(std::string("\0\0\0\0\0\0\0\x40", 8)));
    // Texts that need every kind of escape, and bytes above 0x7F kept as they are.
    settings.values.emplace("MRU 0", RegistryValue::text("C:\\say \"hi\"\n\t\x7f"
                                                         " end"));
    settings.values.emplace("MRU 1", RegistryValue::text(std::string("nul\0inside", 10)));
    settings.values.emplace("MRU 2", RegistryValue::text("/m\xC3\xBCsik/\xFF.wav"));
    settings.values.emplace("", RegistryValue::text("the unnamed value"));
    settings.values.emplace("Empty", RegistryValue::binary(""));
    settings.values.emplace("Min", RegistryValue::number(INT32_MIN));
    // A key without values must survive: a created key exists until it is deleted.
    createKey(root, {"Software", "Corvanta", "FTPSettings", "<Last Session>"});
    createKey(root, {"Software", "Odd ] name [ here"})
        .values.emplace("q\"uote", RegistryValue::text(""));
    root.values.emplace("at root", RegistryValue::number(7));
    return root;
}

TEST(RegistryTreeTest, TextRoundTripKeepsEveryTypeKeyAndByte) {
    const RegistryKey tree = sampleTree();
    const std::string text = registryText(tree);
    auto parsed = parseRegistryText(text);
    ASSERT_TRUE(parsed.has_value()) << text;
    EXPECT_EQ(*parsed, tree);
    EXPECT_EQ(registryText(*parsed), text);
}

TEST(RegistryTreeTest, TextFormIsReadable) {
    const std::string text = registryText(sampleTree());
    EXPECT_TRUE(text.starts_with("Sonthra settings 1\n"));
    EXPECT_TRUE(text.ends_with("\n; end of settings\n"));
    EXPECT_NE(text.find("[\\Software\\Corvanta\\Sonthra\\Settings]\n"), std::string::npos);
    EXPECT_NE(text.find("\"Temp Path\"=text:\"/home/ann/tmp/\"\n"), std::string::npos);
    EXPECT_NE(text.find("\"Last Input Device Selected\"=int:-1\n"), std::string::npos);
    EXPECT_NE(text.find("\"Insert Silence Time\"=bytes:00,00,00,00,00,00,00,40\n"),
              std::string::npos);
    EXPECT_NE(text.find("\"MRU 0\"=text:\"C:\\\\say \\\"hi\\\"\\x0a\\x09\\x7f end\"\n"),
              std::string::npos);
    EXPECT_NE(text.find("[\\Software\\Corvanta\\FTPSettings\\<Last Session>]\n"),
              std::string::npos);
    EXPECT_NE(text.find("[\\]\n\"at root\"=int:7\n"), std::string::npos);
    // Keys that only hold subkeys are implied by them.
    EXPECT_EQ(text.find("[\\Software]\n"), std::string::npos);
}

TEST(RegistryTreeTest, NamesCompareWithoutCaseAndKeepTheirFirstSpelling) {
    auto parsed = parseRegistryText(
        "Sonthra settings 1\n"
        "[\\Software\\Corvanta]\n"
        "\"Port\"=text:\"21\"\n"
        "[\\SOFTWARE\\corvanta\\Sub]\n"
        "\"x\"=int:1\n"
        "[\\software\\CORVANTA]\n"
        "\"PORT\"=text:\"2121\"\n"
        "; end of settings\n");
    ASSERT_TRUE(parsed.has_value());
    ASSERT_EQ(parsed->subKeys.size(), 1u);
    EXPECT_EQ(parsed->subKeys.begin()->first, "Software");
    const RegistryKey* key = findKey(*parsed, {"software", "CorVanta"});
    ASSERT_NE(key, nullptr);
    ASSERT_EQ(key->values.size(), 1u);
    EXPECT_EQ(key->values.begin()->first, "Port");
    EXPECT_EQ(key->values.begin()->second, RegistryValue::text("2121"));
    EXPECT_NE(findKey(*parsed, {"Software", "Corvanta", "SUB"}), nullptr);
    EXPECT_TRUE(sameNameNoCase("Temp Path", "TEMP PATH"));
    EXPECT_FALSE(sameNameNoCase("Temp Path", "Temp Path "));
}

TEST(RegistryTreeTest, CommentsBlankLinesAndWindowsLineEndsAreAccepted) {
    auto parsed = parseRegistryText(
        "Sonthra settings 1\r\n"
        "; hand-edited\r\n"
        "\r\n"
        "[\\A]\r\n"
        "\"n\"=int:0042\r\n"
        "; end of settings\r\n");
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(findKey(*parsed, {"A"})->values.at("n"), RegistryValue::number(42));
}

TEST(RegistryTreeTest, EveryTruncationOfAValidTextIsRejected) {
    const std::string text = registryText(sampleTree());
    for (std::size_t length = 0; length < text.size(); ++length) {
        EXPECT_FALSE(parseRegistryText(std::string_view(text).substr(0, length)).has_value())
            << "accepted a text cut at " << length;
    }
}

TEST(RegistryTreeTest, MalformedLinesRejectTheWholeText) {
    const std::string head = "Sonthra settings 1\n[\\K]\n";
    const std::string tail = "; end of settings\n";
    const char* bad[] = {
        "\"n\"=int:2147483648",      // past 32 bits
        "\"n\"=int:-2147483649",     //
        "\"n\"=int:+1",              // no plus sign
        "\"n\"=int:",                //
        "\"n\"=int:12x",             //
        "\"n\"=dword:1",             // unknown type
        "\"n\"=bytes:0",             // half a byte
        "\"n\"=bytes:00,",           //
        "\"n\"=bytes:00;01",         //
        "\"n\"=bytes:0g",            //
        "\"n\"=text:\"open",         // unterminated
        "\"n\"=text:\"a\"b",         // trailing data
        "\"n\"=text:\"bad \\q\"",    // unknown escape
        "\"n\"=text:\"\\x4\"",       // short hex escape
        "\"n\"=text:\"tab\there\"",  // raw control byte
        "\"n\"text:\"x\"",           // no '='
        "n=int:1",                   // unquoted name
        "[\\a\\\\b]",                // empty key name
        "[]",                        //
        "[\\unclosed",               //
        "[\\ctl\x01]",               //
    };
    for (const char* line : bad) {
        EXPECT_FALSE(parseRegistryText(head + line + "\n" + tail).has_value()) << line;
    }
    EXPECT_FALSE(parseRegistryText("\"n\"=int:1\n" + tail).has_value());
    EXPECT_FALSE(parseRegistryText("Sonthra settings 2\n" + tail).has_value());
    EXPECT_FALSE(parseRegistryText("Sonthra settings 1\n\"n\"=int:1\n" + tail).has_value())
        << "a value before any key";
    EXPECT_FALSE(parseRegistryText(head + tail + "[\\After]\n").has_value());
    EXPECT_FALSE(parseRegistryText("").has_value());
    EXPECT_FALSE(parseRegistryText(std::string("\0\xff\x01garbage\n", 11)).has_value());
}

TEST(RegistryTreeTest, KeyPathsSplitWithLimits) {
    using Parts = std::vector<std::string>;
    EXPECT_EQ(splitKeyPath("\\Software\\Corvanta\\Sonthra\\Settings"),
              (Parts{"Software", "Corvanta", "Sonthra", "Settings"}));
    EXPECT_EQ(splitKeyPath("Software\\Corvanta\\"), (Parts{"Software", "Corvanta"}));
    EXPECT_EQ(splitKeyPath(""), Parts{});
    EXPECT_EQ(splitKeyPath("\\"), Parts{});
    EXPECT_EQ(splitKeyPath("\\a b\\<Last Session>"), (Parts{"a b", "<Last Session>"}));
    EXPECT_FALSE(splitKeyPath("\\a\\\\b").has_value());
    EXPECT_FALSE(splitKeyPath("\\\\a").has_value());
    EXPECT_FALSE(splitKeyPath("\\line\nbreak").has_value());
    EXPECT_TRUE(splitKeyPath(std::string(kMaxKeyNameLength, 'k')).has_value());
    EXPECT_FALSE(splitKeyPath(std::string(kMaxKeyNameLength + 1, 'k')).has_value());
    std::string deep;
    for (std::size_t i = 0; i < kMaxKeyDepth; ++i) deep += "\\k";
    EXPECT_TRUE(splitKeyPath(deep).has_value());
    EXPECT_FALSE(splitKeyPath(deep + "\\k").has_value());
}

TEST(RegistryTreeTest, EraseKeyTakesItsSubtreeAndSparesTheRest) {
    RegistryKey root = sampleTree();
    EXPECT_TRUE(eraseKey(root, {"software", "corvanta", "sonthra"}));
    EXPECT_EQ(findKey(root, {"Software", "Corvanta", "Sonthra"}), nullptr);
    EXPECT_NE(findKey(root, {"Software", "Corvanta", "FTPSettings", "<Last Session>"}), nullptr);
    EXPECT_FALSE(eraseKey(root, {"Software", "Corvanta", "Sonthra"}));
    EXPECT_FALSE(eraseKey(root, {}));
    EXPECT_FALSE(eraseKey(root, {"Nowhere", "Deeper"}));
}

}  // namespace
}  // namespace sonthra
