#include "dialogs/ui/scripted_dialogs.h"

#include <QFile>
#include <QTextStream>
#include <QTimer>

#include <algorithm>

#include "dialogs/ui/progress_dialog.h"

namespace sonthra {

QStringList ScriptedDialogs::shownTexts() const {
    QStringList texts;
    for (const ShownDialog& item : m_shown) texts << item.text;
    return texts;
}

void ScriptedDialogs::record(ShownDialog item) {
    if (!m_logPath.isEmpty()) {
        static const char* kinds[] = {"message", "open",     "save", "directory",
                                      "color",   "progress", "url"};
        QFile log(m_logPath);
        if (log.open(QIODevice::Append | QIODevice::Text)) {
            QString text = item.text;
            text.replace("\n", "\\n");
            QTextStream(&log) << kinds[static_cast<int>(item.kind)] << '|' << item.caption << '|'
                              << text << '\n';
        }
    }
    m_shown.push_back(std::move(item));
}

DialogAnswer ScriptedDialogs::messageBox(QWidget*, const QString& caption, const QString& text,
                                         DialogIcon icon, DialogButtons buttons) {
    record({ShownDialog::Kind::Message, caption, text, icon, buttons});
    if (!m_answers.empty()) {
        const DialogAnswer answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }
    switch (buttons) {
        case DialogButtons::Ok:
            return DialogAnswer::Ok;
        case DialogButtons::YesNo:
            return DialogAnswer::No;
        default:
            return DialogAnswer::Cancel;
    }
}

QString ScriptedDialogs::nextFile() {
    if (m_files.empty()) return {};
    QString path = m_files.front();
    m_files.pop_front();
    m_lastFilter = m_filters.empty() ? 0 : m_filters.front();
    if (!m_filters.empty()) m_filters.pop_front();
    return path;
}

QString ScriptedDialogs::openFileName(QWidget*, const FileDialogRequest& request) {
    record({ShownDialog::Kind::OpenFile, request.title, request.fileName});
    return nextFile();
}

QString ScriptedDialogs::saveFileName(QWidget*, const FileDialogRequest& request) {
    record({ShownDialog::Kind::SaveFile, request.title, request.fileName});
    const QString path = nextFile();
    if (request.chosenFilter != nullptr && !path.isEmpty()) {
        const int matching = FilterMatching(request.filter, path);
        *request.chosenFilter = m_lastFilter != 0 ? m_lastFilter : std::max(matching, 1);
    }
    return path;
}

QString ScriptedDialogs::existingDirectory(QWidget*, const QString& title,
                                           const QString& directory) {
    record({ShownDialog::Kind::Directory, title, directory});
    return nextFile();
}

QColor ScriptedDialogs::color(QWidget*, const QColor& initial, const QString& title) {
    record({ShownDialog::Kind::Color, title, initial.name()});
    if (m_colors.empty()) return {};
    QColor chosen = m_colors.front();
    m_colors.pop_front();
    return chosen;
}

void ScriptedDialogs::runProgress(QWidget* parent, const QString& caption, bool cancelOffered,
                                  const ProgressPollFunction& poll) {
    ShownDialog item{ShownDialog::Kind::Progress, caption, {}};
    item.cancelOffered = cancelOffered;
    record(item);
    // The real dialog runs, so its polling and cancel rules are the ones under test; a scripted
    // Cancel is pressed after the given number of polls.
    ProgressDialog dialog(parent);
    const std::optional<int> cancelAfter = std::exchange(m_cancelAfterPolls, std::nullopt);
    int polls = 0;
    ProgressPollFunction counted = [&](bool cancel) {
        if (!cancel && cancelAfter && ++polls == *cancelAfter) {
            QTimer::singleShot(0, &dialog, &ProgressDialog::cancel);
        }
        return poll(cancel);
    };
    dialog.run(caption, cancelOffered, counted);
}

void ScriptedDialogs::progressOverAtOnce(QWidget*, const QString& caption) {
    record({ShownDialog::Kind::Progress, caption, {}});
}

bool ScriptedDialogs::openUrl(const QString& url) {
    record({ShownDialog::Kind::Url, {}, url});
    return m_browserAvailable;
}

std::unique_ptr<UserDialogs> ScriptedDialogs::fromEnvironment() {
    const QString log = qEnvironmentVariable("SONTHRA_DIALOG_LOG");
    if (log.isEmpty()) return nullptr;
    auto dialogs = std::make_unique<ScriptedDialogs>();
    dialogs->m_logPath = log;
    const QStringList answers =
        qEnvironmentVariable("SONTHRA_DIALOG_ANSWERS").split(',', Qt::SkipEmptyParts);
    for (const QString& answer : answers) {
        const QString a = answer.trimmed();
        if (a.startsWith("file:"))
            dialogs->queueFile(a.mid(5));
        else if (a == "yes")
            dialogs->queueAnswer(DialogAnswer::Yes);
        else if (a == "no")
            dialogs->queueAnswer(DialogAnswer::No);
        else if (a == "ok")
            dialogs->queueAnswer(DialogAnswer::Ok);
        else
            dialogs->queueAnswer(DialogAnswer::Cancel);
    }
    return dialogs;
}

}  // namespace sonthra
