// The modal progress window that watches one long operation through a poll function.
// Call only from the GUI thread.
#pragma once

#include <QDialog>
#include <QTimer>

#include "dialogs/process_record.h"

class QProgressBar;
class QPushButton;

namespace sonthra {

class ProgressDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kPollIntervalMs = 100;

    explicit ProgressDialog(QWidget* parent = nullptr);

    // Shows the dialog modally, centred on its parent, until the poll reports the end or the
    // user cancels. Without Cancel the button is hidden and the bar takes its width.
    void run(const QString& caption, bool cancelOffered, const ProgressPollFunction& poll);

    QProgressBar* bar() const { return m_bar; }
    QPushButton* cancelButton() const { return m_cancel; }
    bool pollTimerActive() const { return m_timer.isActive(); }

    // Presses Cancel, as the user would.
    void cancel();

protected:
    void reject() override;  // Escape and the window's close button count as Cancel

private:
    void pollOnce();
    // Called on any thread when a worker ends: the running dialog polls at once.
    static void pollRunningSoon();
    void setCancelOffered(bool offered);

    QProgressBar* m_bar;
    QPushButton* m_cancel;
    QTimer m_timer;
    ProgressPollFunction m_poll;
    bool m_cancelOffered = true;
    ProgressDialog* m_outer = nullptr;  // a dialog this one runs inside, if any
};

}  // namespace sonthra
