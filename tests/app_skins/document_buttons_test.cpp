// The document buttons of the real window: one per open document in the document bar (hidden
// in use, shown here), drawn in the skin's look. The current document's is down (checked for
// screen readers) with a bold caption, a click selects, the popup's Close closes, and a name too
// long for the button is cut with "...".
#include <QAccessible>
#include <QContextMenuEvent>
#include <QMenu>
#include <QSignalSpy>

#include "app_docs/docs_fixture.h"
#include "controls/ui/rect_button.h"
#include "controls/ui/skin_images.h"

namespace sonthra {
namespace {

class DocumentButtons : public DocumentWindowTest {
protected:
    DocumentButtons() {
        bar = form.findChild<QWidget*>("DocumentButtonBar");
        bar->show();
        QApplication::processEvents();
    }
    ~DocumentButtons() override { SkinImages::setSkin(Skin::Light); }

    QList<TLUM32RectBtnEx*> buttons() const { return bar->findChildren<TLUM32RectBtnEx*>(); }
    TLUM32RectBtnEx* only() {
        const auto list = buttons();
        EXPECT_EQ(list.size(), 1);
        return list.isEmpty() ? nullptr : list.front();
    }
    // The face near the right end, inside the border and past any caption.
    static QColor face(TLUM32RectBtnEx& button) {
        const qreal ratio = button.devicePixelRatioF();
        return button.grab().toImage().pixelColor(
            QPoint(qRound((button.width() - 2) * ratio), qRound(2 * ratio)));
    }

    QWidget* bar = nullptr;
};

TEST_F(DocumentButtons, TheCurrentDocumentsButtonIsDownInTheSkinsLook) {
    trigger("FileNewMenu");
    TLUM32RectBtnEx* button = only();
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->Caption(), "Untitled1.wav");
    EXPECT_TRUE(button->Down());
    EXPECT_TRUE(button->isChecked());
    EXPECT_TRUE(button->shownPressed());
    EXPECT_TRUE(button->font().bold());
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(button);
    ASSERT_NE(face, nullptr);
    EXPECT_TRUE(face->state().checked);
    EXPECT_EQ(face->text(QAccessible::Name), "Untitled1.wav");
    // Laid out in the bar: one pixel from the top, one shorter than the bar.
    EXPECT_EQ(button->y(), 1);
    EXPECT_EQ(button->height(), bar->height() - 1);

    EXPECT_EQ(this->face(*button), SkinImages::rectButtonColors(Skin::Light).downFace);
    SkinImages::setSkin(Skin::Dark);
    EXPECT_EQ(this->face(*button), SkinImages::rectButtonColors(Skin::Dark).downFace);
}

TEST_F(DocumentButtons, AClickSelectsAndAPressTakenAwayLeavesItDown) {
    const std::string path = makeWav("tone.wav", 4410);
    openByMenu(path);
    ASSERT_TRUE(waitForWorkingCopy());
    TLUM32RectBtnEx* button = only();
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->Caption(), "tone.wav");
    QSignalSpy clicks(button, &QAbstractButton::clicked);

    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(10, 5));
    EXPECT_TRUE(button->shownPressed());
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(button->width() + 40, 5));
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_TRUE(button->Down());
    EXPECT_TRUE(button->shownPressed()) << "the current document's button does not pop up";

    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(10, 5));
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_TRUE(button->Down());
    EXPECT_TRUE(button->isChecked());
    ASSERT_NE(form.CurrentDocument(), nullptr);
    EXPECT_EQ(form.CurrentDocument()->fileName, path);
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(DocumentButtons, OpeningAnotherReplacesTheButtonAndCloseRemovesIt) {
    trigger("FileNewMenu");
    const std::string name = "A recording with a rather long name for its button.wav";
    openByMenu(makeWav(name, 4410));
    ASSERT_TRUE(waitForWorkingCopy());
    QApplication::processEvents();
    TLUM32RectBtnEx* button = only();
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->Caption(), QString::fromStdString(name));
    EXPECT_EQ(button->toolTip(), QString::fromStdString(name));
    EXPECT_TRUE(button->Down());
    // The name does not fit the button: its start and "...".
    const QString shown = button->shownCaption();
    EXPECT_TRUE(shown.endsWith("...")) << shown.toStdString();
    EXPECT_TRUE(QString::fromStdString(name).startsWith(shown.chopped(3)));
    EXPECT_LE(button->fontMetrics().horizontalAdvance(shown.chopped(3)),
              button->width() - button->ImageLeftPos() - button->CaptionLeftPos());

    ASSERT_NE(button->PopupMenu(), nullptr);
    QStringList items;
    QAction* close = nullptr;
    for (QAction* action : button->PopupMenu()->actions()) {
        items << action->text();
        if (action->text() == "Close") close = action;
    }
    EXPECT_EQ(items, QStringList({"Select", "Close"}));
    ASSERT_NE(close, nullptr);
    close->trigger();
    EXPECT_EQ(form.CurrentDocument(), nullptr);
    EXPECT_TRUE(buttons().isEmpty());
    EXPECT_TRUE(messages().isEmpty()) << "a clean document closes without a question";
}

// What the window relies on, on a button of its own: the checked state is Down both ways, a
// click() does not flip a button that is not a toggle button, and the menu key opens the popup.
TEST(DocumentButtonRules, CheckedIsDownAndTheMenuKeyOpensThePopup) {
    TLUM32RectBtnEx button;
    button.setCheckable(true);
    button.show();
    button.setChecked(true);
    EXPECT_TRUE(button.Down());
    EXPECT_TRUE(button.shownPressed());
    button.click();
    EXPECT_TRUE(button.Down());
    EXPECT_TRUE(button.isChecked());
    button.setDown(false);
    EXPECT_FALSE(button.isChecked());
    button.setToggleButton(true);
    button.click();
    EXPECT_TRUE(button.Down());
    EXPECT_TRUE(button.isChecked());

    QMenu popup;
    popup.addAction("Select");
    button.setPopupMenu(&popup);
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(4, 4),
                              button.mapToGlobal(QPoint(4, 4)));
    QApplication::sendEvent(&button, &menuKey);
    EXPECT_TRUE(popup.isVisible());
    popup.hide();
}

}  // namespace
}  // namespace sonthra
