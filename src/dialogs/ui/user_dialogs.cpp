#include "dialogs/ui/user_dialogs.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>
#include <QUrl>

#include "dialogs/ui/progress_dialog.h"
#include "messages/message_table.h"

namespace sonthra {

namespace {

QString formatted(int number, const std::vector<QString>& args) {
    std::vector<std::string> plain;
    plain.reserve(args.size());
    for (const QString& a : args) plain.push_back(a.toStdString());
    return QString::fromStdString(FormatMessage(number, plain));
}

}  // namespace

int ShowMessage(UserDialogs& dialogs, QWidget* parent, int number,
                const std::vector<QString>& args) {
    if (MessageText(number) != nullptr) {
        dialogs.messageBox(parent, kProductCaption, formatted(number, args), DialogIcon::Error,
                           DialogButtons::Ok);
    }
    return number;
}

DialogAnswer AskMessage(UserDialogs& dialogs, QWidget* parent, int number, DialogButtons buttons,
                        DialogIcon icon, const std::vector<QString>& args) {
    if (MessageText(number) == nullptr) return DialogAnswer::Cancel;
    return dialogs.messageBox(parent, kProductCaption, formatted(number, args), icon, buttons);
}

int ShowEngineError(UserDialogs& dialogs, QWidget* parent, int engineError) {
    const int number = EngineErrorToMessage(engineError);
    if (number != 0) ShowMessage(dialogs, parent, number);
    return number;
}

void ShowInformation(UserDialogs& dialogs, QWidget* parent, int number,
                     const std::vector<QString>& args) {
    AskMessage(dialogs, parent, number, DialogButtons::Ok, DialogIcon::Information, args);
}

int UserDialogs::runOperation(QWidget* parent, const QString& caption, bool cancelOffered,
                              LongOperation& operation) {
    runProgress(parent, caption, cancelOffered, PollOf(operation));
    return operation.result();
}

DialogAnswer QtUserDialogs::messageBox(QWidget* parent, const QString& caption, const QString& text,
                                       DialogIcon icon, DialogButtons buttons) {
    QMessageBox box(parent);
    box.setWindowTitle(caption);
    box.setText(text);
    switch (icon) {
        case DialogIcon::Error:
            box.setIcon(QMessageBox::Critical);
            break;
        case DialogIcon::Warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case DialogIcon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case DialogIcon::Question:
            box.setIcon(QMessageBox::Question);
            break;
        case DialogIcon::None:
            break;
    }
    switch (buttons) {
        case DialogButtons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case DialogButtons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case DialogButtons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
        case DialogButtons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
    }
    switch (box.exec()) {
        case QMessageBox::Ok:
            return DialogAnswer::Ok;
        case QMessageBox::Yes:
            return DialogAnswer::Yes;
        case QMessageBox::No:
            return DialogAnswer::No;
        default:
            return DialogAnswer::Cancel;
    }
}

int FilterMatching(const QString& filter, const QString& name) {
    const QString suffix = QFileInfo(name).suffix();
    if (suffix.isEmpty()) return 0;
    const QStringList filters = filter.split(";;");
    for (int i = 0; i < filters.size(); ++i) {
        const QRegularExpression pattern(R"(\*\.)" + QRegularExpression::escape(suffix) + R"(\b)",
                                         QRegularExpression::CaseInsensitiveOption);
        if (pattern.match(filters[i]).hasMatch()) return i + 1;
    }
    return 0;
}

namespace {

QString startPath(const FileDialogRequest& request) {
    if (request.fileName.isEmpty()) return request.directory;
    if (request.directory.isEmpty()) return request.fileName;
    return request.directory + "/" + request.fileName;
}

}  // namespace

QString QtUserDialogs::openFileName(QWidget* parent, const FileDialogRequest& request) {
    return QFileDialog::getOpenFileName(parent, request.title, startPath(request), request.filter);
}

QString QtUserDialogs::saveFileName(QWidget* parent, const FileDialogRequest& request) {
    QFileDialog dialog(parent, request.title, startPath(request), request.filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!request.defaultSuffix.isEmpty()) dialog.setDefaultSuffix(request.defaultSuffix);
    const QStringList filters = request.filter.split(";;");
    // A bare name takes the extension of the filter chosen, not always the first one's.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& f) {
        const QRegularExpressionMatch m = QRegularExpression(R"(\*\.(\w+))").match(f);
        if (m.hasMatch()) dialog.setDefaultSuffix(m.captured(1));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    if (request.chosenFilter != nullptr) {
        *request.chosenFilter = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
    }
    return dialog.selectedFiles().first();
}

QString QtUserDialogs::existingDirectory(QWidget* parent, const QString& title,
                                         const QString& directory) {
    return QFileDialog::getExistingDirectory(parent, title, directory);
}

QColor QtUserDialogs::color(QWidget* parent, const QColor& initial, const QString& title) {
    return QColorDialog::getColor(initial, parent, title);
}

void QtUserDialogs::runProgress(QWidget* parent, const QString& caption, bool cancelOffered,
                                const ProgressPollFunction& poll) {
    ProgressDialog dialog(parent);
    dialog.run(caption, cancelOffered, poll);
}

bool BrowserAvailableFor(const QString& url) {
    if (!qEnvironmentVariable("BROWSER").trimmed().isEmpty()) return true;
    const QUrl address(url);
    const QString type = address.isLocalFile() ? QStringLiteral("text/html")
                                               : "x-scheme-handler/" + address.scheme();
    // xdg-open starts and then finds nothing to run, so ask the same question first.
    QProcess query;
    query.start(QStringLiteral("xdg-mime"),
                {QStringLiteral("query"), QStringLiteral("default"), type});
    if (!query.waitForFinished(3000)) {
        query.kill();
        query.waitForFinished(1000);
        return false;
    }
    return query.exitStatus() == QProcess::NormalExit && query.exitCode() == 0 &&
           !query.readAllStandardOutput().trimmed().isEmpty();
}

bool QtUserDialogs::openUrl(const QString& url) {
    return BrowserAvailableFor(url) && QDesktopServices::openUrl(QUrl(url));
}

}  // namespace sonthra
