// The read-out bar on its own: texts in both display modes, the entry fields it opens and what
// a confirmed, abandoned or meaningless entry reports.
#include "app/ui/readout_bar.h"

#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace sonthra {
namespace {

class ReadoutBarTest : public ::testing::Test {
protected:
    ReadoutBarTest() {
        bar.show();
        bar.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&bar));
    }
    QLabel* label(const char* name) { return bar.findChild<QLabel*>(name); }
    QLineEdit* field(const char* name) { return bar.findChild<QLineEdit*>(name); }
    // Types text into an open field and releases a key, as a person would.
    void typeAndRelease(const char* name, const QString& text, Qt::Key key) {
        QLineEdit* edit = field(name);
        edit->setText(text);
        QTest::keyRelease(edit, key);
    }

    PositionMode display = PositionMode::Time;
    bool mayEnter = true;
    ReadoutBar bar{[this] {
                       return ReadoutBar::Units{display, makePcmFormat(1000, 16, 2)};
                   },
                   [this] { return mayEnter; }};
};

TEST_F(ReadoutBarTest, ValuesAreWrittenInTheDisplayModeAndReadBackInEither) {
    bar.Show(ReadoutBar::kCaret, 61500, PositionMode::Samples);  // 61.5 s at 1000 Hz
    EXPECT_EQ(label("PositionBox")->text(), "001:01:500");
    EXPECT_EQ(bar.Read(ReadoutBar::kCaret, PositionMode::Samples), 61500u);
    EXPECT_EQ(bar.Read(ReadoutBar::kCaret, PositionMode::Time), 61500u);
    display = PositionMode::Samples;
    bar.Show(2, 1500, PositionMode::Time);
    EXPECT_EQ(bar.Read(2, PositionMode::Samples), 1500u);
    EXPECT_EQ(bar.Read(5, PositionMode::Samples), 0u) << "no such read-out";
}

TEST_F(ReadoutBarTest, AClickOpensAFieldOnlyWhenEntriesAreAllowed) {
    mayEnter = false;
    bar.PositionBoxClick();
    EXPECT_FALSE(field("PositionMaskEdit")->isVisible());
    mayEnter = true;
    QTest::mouseClick(label("StartSelectionBox"), Qt::LeftButton);
    EXPECT_TRUE(field("StartSelectionMaskEdit")->isVisible());
    EXPECT_FALSE(label("StartSelectionBox")->isVisible());
    EXPECT_EQ(field("StartSelectionMaskEdit")->text(), label("StartSelectionBox")->text());
    bar.HideEntries();
    EXPECT_FALSE(field("StartSelectionMaskEdit")->isVisible());
}

TEST_F(ReadoutBarTest, AConfirmedCaretEntryReportsItsFramesOrIsRefused) {
    QSignalSpy entered(&bar, &ReadoutBar::CaretEntered);
    bar.PositionBoxClick();
    typeAndRelease("PositionMaskEdit", "000:02:000", Qt::Key_Return);
    ASSERT_EQ(entered.size(), 1);
    EXPECT_EQ(entered[0][0].value<std::optional<std::uint32_t>>(),
              std::optional<std::uint32_t>(2000));
    EXPECT_EQ(entered[0][1].toString(), "000:02:000");
    EXPECT_FALSE(field("PositionMaskEdit")->isVisible());

    bar.PositionBoxClick();
    typeAndRelease("PositionMaskEdit", "0a0:02:000", Qt::Key_Enter);
    EXPECT_EQ(entered.size(), 1) << "what cannot be read changes nothing";
    EXPECT_TRUE(field("PositionMaskEdit")->isVisible()) << "and stays open for a correction";
}

TEST_F(ReadoutBarTest, EscapeAndMeaninglessSelectionsChangeNothing) {
    QSignalSpy abandoned(&bar, &ReadoutBar::EntryAbandoned);
    QSignalSpy selected(&bar, &ReadoutBar::SelectionEntered);
    bar.Show(2, 0, PositionMode::Samples);
    const QString before = label("EndSelectionBox")->text();
    bar.EndSelectionBoxClick();
    typeAndRelease("EndSelectionMaskEdit", "000:03:000", Qt::Key_Escape);
    EXPECT_EQ(abandoned.size(), 1);
    bar.EndSelectionBoxClick();
    typeAndRelease("EndSelectionMaskEdit", "xyz", Qt::Key_Return);
    EXPECT_EQ(abandoned.size(), 1) << "refused, the field open";
    typeAndRelease("EndSelectionMaskEdit", "xyz", Qt::Key_Escape);
    EXPECT_EQ(abandoned.size(), 2);
    EXPECT_EQ(label("EndSelectionBox")->text(), before);
    EXPECT_TRUE(selected.isEmpty());

    bar.EndSelectionBoxClick();
    typeAndRelease("EndSelectionMaskEdit", "000:03:000", Qt::Key_Return);
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected[0][0].toInt(), 2);
    EXPECT_EQ(label("EndSelectionBox")->text(), "000:03:000");
    EXPECT_EQ(bar.Read(2, PositionMode::Samples), 3000u);
}

TEST_F(ReadoutBarTest, LeavingAFieldAppliesItButAKeyOfAClosedFieldDoesNothing) {
    QSignalSpy entered(&bar, &ReadoutBar::CaretEntered);
    bar.PositionMaskEditKeyUp(Qt::Key_Return);
    bar.PositionMaskEditExit();
    EXPECT_TRUE(entered.isEmpty()) << "no field is open";
    bar.PositionBoxClick();
    field("PositionMaskEdit")->setText("000:01:000");
    bar.PositionMaskEditExit();
    ASSERT_EQ(entered.size(), 1);
    bar.PositionMaskEditExit();
    EXPECT_EQ(entered.size(), 1) << "applied once";
}

}  // namespace
}  // namespace sonthra
