// The read-outs typed with the keyboard on a real X display with a window manager: seconds typed
// in the caret's field place the caret, a start typed past the end takes the end along, after
// Enter the keys go to the waveform again, and the title marks unsaved work.
#include <QApplication>
#include <QProcess>

#include "app_edit/edit_fixture.h"

namespace sonthra {
namespace {

class ReadoutX11 : public EditWindowTest {
protected:
    // Clicks a read-out with the pointer and types keys into its field, then Enter.
    void typeInto(const char* box, const char* edit, const QString& keys) {
        QLabel* label = form.findChild<QLabel*>(box);
        // A click while the window manager still moves the window lands beside the label: the
        // place is read again and the click repeated, a few times at most.
        bool focused = false;
        for (int attempt = 0; attempt < 3 && !focused; ++attempt) {
            const QPoint at = label->mapToGlobal(QPoint(4, label->height() / 2));
            xdotool({"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "1"});
            focused = QTest::qWaitFor([&] { return field(edit)->hasFocus(); }, 1500);
        }
        ASSERT_TRUE(focused) << box;
        xdotool({"type", "--delay", "30", keys});
        xdotool({"key", "Return"});
        ASSERT_TRUE(QTest::qWaitFor([&] { return !field(edit)->isVisible(); }, 3000)) << box;
        QTest::qWait(50);
    }
    // The title the window manager shows for the main window.
    QString shownTitle() {
        QProcess xprop;
        xprop.start("xprop", {"-id", QString::number(form.winId()), "_NET_WM_NAME"});
        xprop.waitForFinished(5000);
        const QString out = QString::fromUtf8(xprop.readAllStandardOutput()).trimmed();
        const int quote = out.indexOf('"');
        return quote >= 0 ? out.mid(quote + 1).chopped(1) : QString();
    }
    static void xdotool(const QStringList& args) {
        ASSERT_EQ(QProcess::execute("xdotool", args), 0) << args.join(' ').toStdString();
        QTest::qWait(30);
    }
};

TEST_F(ReadoutX11, TypedSecondsPlaceTheCaretAndEnterHandsTheKeysBackToTheWaveform) {
    ASSERT_EQ(qgetenv("QT_QPA_PLATFORM"), "xcb") << "needs the x11 test fixture";
    openRamp(kRate * 20);
    QTest::qWait(300);

    typeInto("PositionBox", "PositionMaskEdit", "12.5");
    EXPECT_EQ(view().CaretPositionBySamples(), kRate * 25 / 2);
    EXPECT_EQ(readout("PositionBox"), "000:12:500");
    EXPECT_TRUE(view().hasFocus())
        << "focus is on "
        << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName().toStdString()
                                        : std::string("nothing"));
    // The keys reach the waveform: End moves the caret to the end of the file.
    xdotool({"key", "End"});
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return view().CaretPositionBySamples() == kRate * 20; }, 2000));

    // A start typed past the selection's end takes the end along; the end typed next, as whole
    // seconds, completes the range meant.
    select(kRate, kRate * 2);
    typeInto("StartSelectionBox", "StartSelectionMaskEdit", "8.0");
    EXPECT_EQ(view().SelectionStartPos(), kRate * 8);
    EXPECT_EQ(view().SelectionEndPos(), kRate * 8);
    typeInto("EndSelectionBox", "EndSelectionMaskEdit", "10");
    EXPECT_EQ(view().SelectionStartPos(), kRate * 8);
    EXPECT_EQ(view().SelectionEndPos(), kRate * 10);
    EXPECT_EQ(readout("StartSelectionBox"), "000:08:000");
    EXPECT_EQ(readout("EndSelectionBox"), "000:10:000");
    EXPECT_TRUE(view().hasFocus());

    // Typed positions change no audio; a cut is unsaved work, and the title says so.
    EXPECT_EQ(shownTitle(), "Sonthra: take.wav");
    xdotool({"key", "ctrl+x"});
    EXPECT_TRUE(QTest::qWaitFor([&] { return shownTitle() == "Sonthra: *take.wav"; }, 3000))
        << shownTitle().toStdString();
    EXPECT_TRUE(messages().isEmpty());
}

}  // namespace
}  // namespace sonthra
