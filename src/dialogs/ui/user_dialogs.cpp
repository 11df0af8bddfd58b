#include "dialogs/ui/user_dialogs.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
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
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
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

void QtUserDialogs::openUrl(const QString& url) {
    QDesktopServices::openUrl(QUrl(url));
}

}  // namespace sonthra
