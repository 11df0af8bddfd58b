// The fixture shared by the main window's tests: a window with scripted dialogs.
#pragma once

#include <QAction>
#include <QMenu>
#include <QString>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "app/argument_block.h"
#include "app/ui/main_form.h"
#include "app/ui/window_texts.h"
#include "dialogs/ui/scripted_dialogs.h"
#include "engine/mixer_start.h"

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace sonthra {

class MainFormTest : public ::testing::Test {
protected:
    // Shows the window and makes it the active one, so that its shortcuts reach it.
    void showActive() {
        form.show();
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    }

    QMenu* menu(const char* name) { return form.findChild<QMenu*>(name); }

    // Enabled state of a command, whether it is a menu action or a button.
    bool enabled(const char* name) {
        if (QAction* action = form.Action(name)) return action->isEnabled();
        QWidget* widget = form.findChild<QWidget*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget != nullptr && widget->isEnabled();
    }

    void setEnabled(const char* name, bool on) {
        if (QAction* action = form.Action(name)) {
            action->setEnabled(on);
        } else if (QWidget* widget = form.findChild<QWidget*>(name)) {
            widget->setEnabled(on);
        }
    }

    ArgumentBlock block(const std::vector<std::string>& args) {
        ArgumentBlock b;
        for (std::size_t k = 0; k < args.size(); ++k) b.setSlot(k, args[k]);
        b.setCount(static_cast<std::int32_t>(args.size()));
        return b;
    }

    ScriptedDialogs dialogs;
    TMainForm form{dialogs};
};

}  // namespace sonthra
