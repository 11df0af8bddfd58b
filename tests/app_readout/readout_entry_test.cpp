// The read-out bar's entries beyond the read-out's own form: seconds typed with a point or a
// comma, refused with the forms shown when they are no time, and a selection typed with its
// start after its end.
#include "app/ui/readout_bar.h"

#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace sonthra {
namespace {

TEST(TypedSeconds, SecondsAndMinutesWithAFractionReadAsMilliseconds) {
    EXPECT_EQ(ParseTypedSeconds("12.5"), 12500u);
    EXPECT_EQ(ParseTypedSeconds(" 12,5 "), 12500u);
    EXPECT_EQ(ParseTypedSeconds("12.5s"), 12500u);
    EXPECT_EQ(ParseTypedSeconds("12"), 12000u);
    EXPECT_EQ(ParseTypedSeconds(".25"), 250u);
    EXPECT_EQ(ParseTypedSeconds("1:05.250"), 65250u);
    EXPECT_EQ(ParseTypedSeconds("0.0019"), 1u);  // below a millisecond is dropped
    for (const char* bad : {"", ".", "s", "12.5.1", "1:2:3", "a.5", "1:", ":5", "-3", "12.x",
                            "99999999999", "4294967.296"}) {
        EXPECT_FALSE(ParseTypedSeconds(bad).has_value()) << bad;
    }
    EXPECT_EQ(ParseTypedSeconds("4294967.295"), 4294967295u);
}

class ReadoutEntryTest : public ::testing::Test {
protected:
    ReadoutEntryTest() {
        bar.SetInputMask("999:99:999; ");
        bar.show();
        bar.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&bar));
    }
    QLabel* label(const char* name) { return bar.findChild<QLabel*>(name); }
    QLineEdit* field(const char* name) { return bar.findChild<QLineEdit*>(name); }
    // Opens the field of box and types keys from its first place, as a person would.
    QLineEdit* typeInto(const char* box, const char* edit, const QString& keys) {
        QTest::mouseClick(label(box), Qt::LeftButton);
        QLineEdit* entry = field(edit);
        entry->setCursorPosition(0);
        QTest::keyClicks(entry, keys);
        return entry;
    }
    void confirm(QLineEdit* entry) { QTest::keyClick(entry, Qt::Key_Return); }

    PositionMode display = PositionMode::Time;
    ReadoutBar bar{[this] {
                       return ReadoutBar::Units{display, makePcmFormat(1000, 16, 2)};
                   },
                   [] { return true; }};
};

TEST_F(ReadoutEntryTest, SecondsTypedWithAPointAreUnderstoodAndWrittenInTheReadoutForm) {
    QSignalSpy entered(&bar, &ReadoutBar::CaretEntered);
    QLineEdit* entry = typeInto("PositionBox", "PositionMaskEdit", "12.5");
    EXPECT_EQ(entry->text(), "12.5");
    confirm(entry);
    ASSERT_EQ(entered.size(), 1);
    EXPECT_EQ(entered[0][0].value<std::optional<std::uint32_t>>(), 12500u);  // frames at 1 kHz
    EXPECT_EQ(entered[0][1].toString(), "000:12:500");
    EXPECT_FALSE(entry->isVisible());
    EXPECT_EQ(entry->inputMask(), "999:99:999") << "the next entry takes the form again";

    // Minutes typed in their place, then seconds with a comma.
    entry = typeInto("PositionBox", "PositionMaskEdit", "00105,25");
    EXPECT_EQ(entry->text(), "001:05.25");
    confirm(entry);
    EXPECT_EQ(entered.last()[0].value<std::optional<std::uint32_t>>(), 65250u);

    // The read-out's own form is unchanged.
    entry = typeInto("PositionBox", "PositionMaskEdit", "00002000");
    confirm(entry);
    EXPECT_EQ(entered.last()[0].value<std::optional<std::uint32_t>>(), 2000u);
}

TEST_F(ReadoutEntryTest, ASecondsEntryThatIsNoTimeIsRefusedWithTheFormsShown) {
    QSignalSpy entered(&bar, &ReadoutBar::CaretEntered);
    QLineEdit* entry = typeInto("PositionBox", "PositionMaskEdit", "12.5.3");
    confirm(entry);
    EXPECT_TRUE(entered.isEmpty());
    EXPECT_TRUE(entry->isVisible()) << "the field stays open for a correction";
    EXPECT_EQ(entry->toolTip(), kTimeEntryForms);
    EXPECT_EQ(entry->selectedText(), "12.5.3");
    QTest::keyClicks(entry, "7.25");
    confirm(entry);
    ASSERT_EQ(entered.size(), 1);
    EXPECT_EQ(entered[0][0].value<std::optional<std::uint32_t>>(), 7250u);
    EXPECT_TRUE(entry->toolTip().isEmpty());

    // In sample numbers a point is no seconds: the mask keeps it out.
    display = PositionMode::Samples;
    bar.SetInputMask("99999999; ");
    entry = typeInto("PositionBox", "PositionMaskEdit", "12.5");
    EXPECT_EQ(entry->inputMask(), "99999999");
}

TEST_F(ReadoutEntryTest, ASelectionTypedStartAfterEndIsPutInOrder) {
    QSignalSpy selected(&bar, &ReadoutBar::SelectionEntered);
    bar.Show(1, 1000, PositionMode::Time);
    bar.Show(2, 3000, PositionMode::Time);
    confirm(typeInto("StartSelectionBox", "StartSelectionMaskEdit", "5.5"));
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(label("StartSelectionBox")->text(), "000:03:000");
    EXPECT_EQ(label("EndSelectionBox")->text(), "000:05:500");
    // An end typed before the start likewise.
    confirm(typeInto("EndSelectionBox", "EndSelectionMaskEdit", "00000250"));
    EXPECT_EQ(label("StartSelectionBox")->text(), "000:00:250");
    EXPECT_EQ(label("EndSelectionBox")->text(), "000:03:000");
    EXPECT_EQ(bar.Read(1, PositionMode::Samples), 250u);
    EXPECT_EQ(bar.Read(2, PositionMode::Samples), 3000u);
}

TEST_F(ReadoutEntryTest, AStartTypedPastACaretTakesTheEndAlongUntilTheEndIsTyped) {
    bar.Show(1, 1000, PositionMode::Time);
    bar.Show(2, 1000, PositionMode::Time);
    confirm(typeInto("StartSelectionBox", "StartSelectionMaskEdit", "5.5"));
    EXPECT_EQ(label("StartSelectionBox")->text(), "000:05:500");
    EXPECT_EQ(label("EndSelectionBox")->text(), "000:05:500");
    confirm(typeInto("EndSelectionBox", "EndSelectionMaskEdit", "2.0"));
    EXPECT_EQ(label("StartSelectionBox")->text(), "000:02:000");
    EXPECT_EQ(label("EndSelectionBox")->text(), "000:05:500");
}

}  // namespace
}  // namespace sonthra
