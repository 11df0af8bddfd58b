// A UserDialogs that answers from a script and records everything it was asked to show, for
// whole-program tests. A process started with SONTHRA_DIALOG_LOG set uses it too (see
// ScriptedDialogs::fromEnvironment), so tests can drive a real second copy of the program.
// Call only from the GUI thread.
#pragma once

#include <QString>

#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "dialogs/ui/user_dialogs.h"

namespace sonthra {

struct ShownDialog {
    enum class Kind { Message, OpenFile, SaveFile, Directory, Color, Progress, Url };
    Kind kind;
    QString caption;  // message caption, dialog title, progress caption
    QString text;     // message text, proposed file name, url
    DialogIcon icon = DialogIcon::None;
    DialogButtons buttons = DialogButtons::Ok;
    bool cancelOffered = false;  // progress only
};

class ScriptedDialogs : public UserDialogs {
public:
    // Queued answers, used in order. A message box with nothing queued answers Ok for an Ok box
    // and Cancel (or No where there is no Cancel) otherwise; a file dialog with nothing queued
    // is cancelled.
    void queueAnswer(DialogAnswer answer) { m_answers.push_back(answer); }
    // A save dialog reports filter number `filter` (1-based) as chosen; 0: the filter the
    // name's extension matches, else the first.
    void queueFile(const QString& path, int filter = 0) {
        m_files.push_back(path);
        m_filters.push_back(filter);
    }
    void queueColor(const QColor& color) { m_colors.push_back(color); }
    // The next progress dialog presses Cancel after this many polls.
    void cancelNextProgressAfter(int polls) { m_cancelAfterPolls = polls; }

    const std::vector<ShownDialog>& shown() const { return m_shown; }
    QStringList shownTexts() const;
    void clearShown() { m_shown.clear(); }

    // When SONTHRA_DIALOG_LOG names a file, a ScriptedDialogs that appends one line per shown
    // item to it ("message|caption|text" with line breaks as \n), answering from the
    // comma-separated SONTHRA_DIALOG_ANSWERS (yes, no, cancel, ok, file:PATH).
    static std::unique_ptr<UserDialogs> fromEnvironment();

    DialogAnswer messageBox(QWidget* parent, const QString& caption, const QString& text,
                            DialogIcon icon, DialogButtons buttons) override;
    QString openFileName(QWidget* parent, const FileDialogRequest& request) override;
    QString saveFileName(QWidget* parent, const FileDialogRequest& request) override;
    QString existingDirectory(QWidget* parent, const QString& title,
                              const QString& directory) override;
    QColor color(QWidget* parent, const QColor& initial, const QString& title) override;
    void runProgress(QWidget* parent, const QString& caption, bool cancelOffered,
                     const ProgressPollFunction& poll) override;
    void progressOverAtOnce(QWidget* parent, const QString& caption) override;
    bool openUrl(const QString& url) override;
    // Whether openUrl finds a browser (it does unless told otherwise).
    void setBrowserAvailable(bool available) { m_browserAvailable = available; }

private:
    void record(ShownDialog item);
    QString nextFile();

    std::deque<DialogAnswer> m_answers;
    std::deque<QString> m_files;
    std::deque<int> m_filters;
    int m_lastFilter = 0;
    std::deque<QColor> m_colors;
    std::optional<int> m_cancelAfterPolls;
    std::vector<ShownDialog> m_shown;
    QString m_logPath;
    bool m_browserAvailable = true;
};

}  // namespace sonthra
