// What the settings windows need from the program around them: the numbered message boxes with
// the product caption, and the help pages. The main window fills it in; tests record through
// it. Call only from the GUI thread.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

#include "messages/message_table.h"

class QWidget;

namespace sonthra {

enum class FormMessageKind { Error, Information };

struct SettingsFormHost {
    // Shows message `number` of the message table, its "%s" filled from args in order.
    std::function<void(QWidget* parent, int number, const QStringList& args, FormMessageKind kind)>
        showMessage;
    // Opens the help page of a topic.
    std::function<void(int topic)> showHelp;

    // Shows `number` as an error box; 0 shows nothing.
    void error(QWidget* parent, int number, const QStringList& args = {}) const {
        if (number != 0 && showMessage) showMessage(parent, number, args, FormMessageKind::Error);
    }
    // Shows an engine error number through the engine-error table; 0 shows nothing.
    void engineError(QWidget* parent, int engineError) const {
        error(parent, EngineErrorToMessage(engineError));
    }
    void information(QWidget* parent, int number) const {
        if (number != 0 && showMessage)
            showMessage(parent, number, {}, FormMessageKind::Information);
    }
    void help(int topic) const {
        if (showHelp) showHelp(topic);
    }
};

}  // namespace sonthra
