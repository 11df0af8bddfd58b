// Every question, message box, file dialog and progress dialog of the program goes through
// this one interface, so that whole-program tests can drive the real windows with scripted
// answers and read back what was shown. Call only from the GUI thread.
//
// How a feature window (tags, effects, convert, podcast, ftp, settings) uses it:
// - Take a `UserDialogs&` in the constructor and keep it; the main window passes its own
//   (QtUserDialogs in the program, ScriptedDialogs in tests). Never open a QMessageBox or
//   QFileDialog directly, or the window cannot be tested without a person.
// - A result number from a plain core goes to ShowMessage(dialogs, this, number, {args});
//   0 and numbers without text show nothing, so `ShowMessage(d, this, core.save())` is enough.
//   Engine error numbers go through ShowEngineError, questions through AskMessage,
//   notices through ShowInformation.
// - Help: ShowHelpTopic(dialogs, topic) from dialogs/ui/help.h.
// - Long work (a conversion, an upload, an effect): the plain core implements LongOperation
//   (dialogs/long_operation.h) or fills a ProcessRecord shown through a RecordOperation;
//   start the worker, then `dialogs.runOperation(this, caption, true, operation)`, then read
//   `operation.result()`. If the worker may still run after a Cancel, wait with WaitForWork
//   until `!operation.active()` before freeing its data. A long operation on the open
//   document's audio belongs to the edit controller instead (a FileTransform), which adds
//   the undo file and the refresh.
// - Tests: build the window with a ScriptedDialogs, queue answers and files, then check
//   `shown()`; cancelNextProgressAfter(n) presses Cancel in the real progress dialog.
#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

#include <vector>

#include "dialogs/process_record.h"

class QWidget;

namespace sonthra {

enum class DialogIcon { None, Error, Warning, Information, Question };
enum class DialogButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class DialogAnswer { Ok, Cancel, Yes, No };

struct FileDialogRequest {
    QString title;
    QString directory;
    QString fileName;  // the name proposed in the box
    QString filter;    // Qt filter form: "Wave Files (*.wav);;All Files (*)"
    QString defaultSuffix;
    // When set, receives the 1-based number of the filter the user left chosen (0: unknown).
    // A save dialog's default suffix follows the chosen filter.
    int* chosenFilter = nullptr;
};

// The 1-based number of the first filter of a Qt filter list whose patterns match name's
// extension, or 0.
int FilterMatching(const QString& filter, const QString& name);

class UserDialogs {
public:
    virtual ~UserDialogs() = default;

    virtual DialogAnswer messageBox(QWidget* parent, const QString& caption, const QString& text,
                                    DialogIcon icon, DialogButtons buttons) = 0;
    // Empty when the user cancels.
    virtual QString openFileName(QWidget* parent, const FileDialogRequest& request) = 0;
    virtual QString saveFileName(QWidget* parent, const FileDialogRequest& request) = 0;
    virtual QString existingDirectory(QWidget* parent, const QString& title,
                                      const QString& directory) = 0;
    // Invalid when the user cancels.
    virtual QColor color(QWidget* parent, const QColor& initial, const QString& title) = 0;
    // Runs the modal progress dialog until the poll reports the end or the user cancels.
    virtual void runProgress(QWidget* parent, const QString& caption, bool cancelOffered,
                             const ProgressPollFunction& poll) = 0;
    // The same over a long operation of any kind; returns its result once the dialog closed
    // (a cancelled operation that has not stopped yet may still change it).
    int runOperation(QWidget* parent, const QString& caption, bool cancelOffered,
                     LongOperation& operation);
    // An operation that ended before its progress dialog could open: nothing is shown (it would
    // only flash), but scripted dialogs record it as a dialog that closed at once, so that what
    // they saw does not depend on how fast the machine was.
    virtual void progressOverAtOnce(QWidget* parent, const QString& caption) {
        (void)parent;
        (void)caption;
    }
    // Opens an address (a help page, a web page) in the user's browser; false when no browser
    // is there to open it.
    virtual bool openUrl(const QString& url) = 0;
};

// Shows message `number` from the message table with the product caption and the error icon,
// "%s" filled from args. A number without text shows nothing. Returns the number.
int ShowMessage(UserDialogs& dialogs, QWidget* parent, int number,
                const std::vector<QString>& args = {});

// Asks message `number` as a question with the given buttons and icon, with the product caption.
// A number without text asks nothing and answers Cancel.
DialogAnswer AskMessage(UserDialogs& dialogs, QWidget* parent, int number, DialogButtons buttons,
                        DialogIcon icon, const std::vector<QString>& args = {});

// Shows an engine error number through the engine-error table; returns the message number.
int ShowEngineError(UserDialogs& dialogs, QWidget* parent, int engineError);

// Shows message `number` as a notice with the information icon and an Ok button; 0 and
// numbers without text show nothing.
void ShowInformation(UserDialogs& dialogs, QWidget* parent, int number,
                     const std::vector<QString>& args = {});

// The dialogs a person sees: real Qt boxes, file dialogs and the progress dialog.
class QtUserDialogs : public UserDialogs {
public:
    DialogAnswer messageBox(QWidget* parent, const QString& caption, const QString& text,
                            DialogIcon icon, DialogButtons buttons) override;
    QString openFileName(QWidget* parent, const FileDialogRequest& request) override;
    QString saveFileName(QWidget* parent, const FileDialogRequest& request) override;
    QString existingDirectory(QWidget* parent, const QString& title,
                              const QString& directory) override;
    QColor color(QWidget* parent, const QColor& initial, const QString& title) override;
    void runProgress(QWidget* parent, const QString& caption, bool cancelOffered,
                     const ProgressPollFunction& poll) override;
    bool openUrl(const QString& url) override;
};

// Whether the desktop names a program for the address: $BROWSER, or the handler xdg-mime gives
// for an HTML page or for the address's scheme.
bool BrowserAvailableFor(const QString& url);

}  // namespace sonthra
