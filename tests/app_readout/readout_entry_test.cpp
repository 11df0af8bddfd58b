// The read-out bar's entries: times typed in any form without a mask reshaping them, refused
// with the forms shown when they are no time, and a selection bound typed past the other.
#include "app/ui/readout_bar.h"

#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace sonthra {
namespace {

class ReadoutEntryTest : public ::testing::Test {
protected:
    ReadoutEntryTest() {
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

    // What is typed stays as typed: no mask turns twenty minutes into a hundred and twenty.
    entry = typeInto("PositionBox", "PositionMaskEdit", "1200.0");
    EXPECT_EQ(entry->text(), "1200.0");
    confirm(entry);
    EXPECT_EQ(entered.last()[1].toString(), "020:00:000");
    confirm(typeInto("PositionBox", "PositionMaskEdit", "5"));
    EXPECT_EQ(entered.last()[0].value<std::optional<std::uint32_t>>(), 5000u);
    confirm(typeInto("PositionBox", "PositionMaskEdit", "1:05,25"));
    EXPECT_EQ(entered.last()[0].value<std::optional<std::uint32_t>>(), 65250u);
    // The read-out's own text confirmed unchanged keeps its position.
    confirm(typeInto("PositionBox", "PositionMaskEdit", "000:02:000"));
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

    // In sample numbers a point is no position either; leaving the field changes nothing.
    display = PositionMode::Samples;
    QSignalSpy abandoned(&bar, &ReadoutBar::EntryAbandoned);
    const QString before = label("StartSelectionBox")->text();
    entry = typeInto("StartSelectionBox", "StartSelectionMaskEdit", "12.5");
    confirm(entry);
    EXPECT_EQ(entry->toolTip(), kSampleEntryForms);
    entry->clearFocus();
    EXPECT_FALSE(entry->isVisible());
    EXPECT_EQ(abandoned.size(), 1);
    EXPECT_EQ(label("StartSelectionBox")->text(), before);
    EXPECT_EQ(entered.size(), 1);
}

TEST_F(ReadoutEntryTest, ABoundTypedPastTheOtherTakesItAlongAndNeverSwaps) {
    QSignalSpy selected(&bar, &ReadoutBar::SelectionEntered);
    bar.Show(1, 1000, PositionMode::Time);
    bar.Show(2, 3000, PositionMode::Time);
    confirm(typeInto("StartSelectionBox", "StartSelectionMaskEdit", "5.5"));
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(label("StartSelectionBox")->text(), "000:05:500");
    EXPECT_EQ(label("EndSelectionBox")->text(), "000:05:500");
    // The end typed next completes the range meant.
    confirm(typeInto("EndSelectionBox", "EndSelectionMaskEdit", "9"));
    EXPECT_EQ(label("StartSelectionBox")->text(), "000:05:500");
    EXPECT_EQ(label("EndSelectionBox")->text(), "000:09:000");
    // An end typed before the start takes the start along.
    confirm(typeInto("EndSelectionBox", "EndSelectionMaskEdit", "0.25"));
    EXPECT_EQ(bar.Read(1, PositionMode::Samples), 250u);
    EXPECT_EQ(bar.Read(2, PositionMode::Samples), 250u);
}

}  // namespace
}  // namespace sonthra
