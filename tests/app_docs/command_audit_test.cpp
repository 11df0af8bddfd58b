// No command a user can reach does nothing: in each state of the window every enabled, shown
// menu item, shortcut and button is wired to a handler. A command whose work is missing must be
// switched off or hidden instead of being live and silent.
#include <QAbstractButton>
#include <QMenu>

#include "docs_fixture.h"

namespace sonthra {
namespace {

// QObject::receivers is protected; a member pointer taken through a derived class reads it for
// any object.
struct Receivers : QObject {
    static int of(const QObject* object, const char* signal) {
        return (object->*(&Receivers::receivers))(signal);
    }
};

// The Window menu's Edit item names the one window there is: it is a check mark, not a command.
const QStringList kIndicators = {"WindowEditMenu"};

// A user reaches an action by its shortcut or in a shown menu; an item the window only holds
// (a hidden one) is out of reach.
bool reachable(const QAction* action) {
    if (!action->shortcut().isEmpty()) return true;
    for (const QObject* user : action->associatedObjects()) {
        const auto* menu = qobject_cast<const QMenu*>(user);
        if (menu != nullptr && menu->menuAction()->isVisible()) return true;
    }
    return false;
}

class CommandAuditTest : public DocumentWindowTest {
protected:
    // The names of the live commands that nothing answers.
    QStringList silentCommands() {
        QStringList silent;
        for (QAction* action : form.findChildren<QAction*>()) {
            if (!action->isEnabled() || !action->isVisible() || action->isSeparator() ||
                action->menu() != nullptr || kIndicators.contains(action->objectName()) ||
                !reachable(action)) {
                continue;
            }
            if (Receivers::of(action, SIGNAL(triggered(bool))) == 0 &&
                Receivers::of(action, SIGNAL(toggled(bool))) == 0) {
                silent << (action->objectName().isEmpty() ? action->text() : action->objectName());
            }
        }
        for (QAbstractButton* button : form.findChildren<QAbstractButton*>()) {
            if (!button->isEnabled() || !button->isVisibleTo(&form)) continue;
            if (Receivers::of(button, SIGNAL(clicked(bool))) == 0 &&
                Receivers::of(button, SIGNAL(toggled(bool))) == 0 &&
                Receivers::of(button, SIGNAL(pressed())) == 0) {
                silent << button->objectName();
            }
        }
        return silent;
    }
};

TEST_F(CommandAuditTest, EveryLiveCommandHasWorkInEachStateOfTheWindow) {
    EXPECT_EQ(silentCommands(), QStringList{}) << "without a document";
    openByMenu(makeWav("audit.wav", 44100));
    ASSERT_TRUE(waitForWorkingCopy());
    EXPECT_EQ(silentCommands(), QStringList{}) << "with a document";
    trigger("EditSelectAllMenu");
    ASSERT_TRUE(enabled("EditCutMenu"));
    EXPECT_EQ(silentCommands(), QStringList{}) << "with a selection";
    trigger("EditCutMenu");
    ASSERT_TRUE(enabled("EditUndoMenu"));
    EXPECT_EQ(silentCommands(), QStringList{}) << "after an edit";
}

}  // namespace
}  // namespace sonthra
