#include "dialogs/ui/progress_dialog.h"

#include <QCoreApplication>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>
#include <utility>

#include "platform/work_done.h"

namespace sonthra {

namespace {
constexpr int kMargin = 12;
constexpr int kBarWidth = 260;
constexpr int kBarHeight = 20;
constexpr int kGap = 10;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 26;

// The dialog whose run is in progress; touched on the GUI thread only.
ProgressDialog* g_running = nullptr;
}  // namespace

ProgressDialog::ProgressDialog(QWidget* parent)
    : QDialog(parent), m_bar(new QProgressBar(this)), m_cancel(new QPushButton("Cancel", this)) {
    setModal(true);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    m_bar->setRange(0, 100);
    m_bar->setGeometry(kMargin, kMargin + 3, kBarWidth, kBarHeight);
    m_cancel->setGeometry(kMargin + kBarWidth + kGap, kMargin, kButtonWidth, kButtonHeight);
    setFixedSize(kMargin * 2 + kBarWidth + kGap + kButtonWidth, kMargin * 2 + kButtonHeight);
    m_timer.setInterval(kPollIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &ProgressDialog::pollOnce);
    connect(m_cancel, &QPushButton::clicked, this, &ProgressDialog::cancel);
    SetWorkDoneWatcher(&ProgressDialog::pollRunningSoon);
}

void ProgressDialog::pollRunningSoon() {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) return;
    // Queued to the GUI thread, where the dialog lives; the timer keeps polling meanwhile, so
    // a wake that finds no dialog, or another one, does no harm.
    QMetaObject::invokeMethod(
        app,
        [] {
            if (g_running != nullptr) g_running->pollOnce();
        },
        Qt::QueuedConnection);
}

void ProgressDialog::setCancelOffered(bool offered) {
    if (offered == m_cancelOffered) return;
    m_cancelOffered = offered;
    m_cancel->setVisible(offered);
    // The bar takes the button's place when there is nothing to cancel.
    const int widen = kGap + kButtonWidth;
    m_bar->resize(m_bar->width() + (offered ? -widen : widen), m_bar->height());
}

void ProgressDialog::run(const QString& caption, bool cancelOffered,
                         const ProgressPollFunction& poll) {
    m_poll = poll;
    setWindowTitle(caption);
    setCancelOffered(cancelOffered);
    m_bar->setValue(0);
    if (QWidget* owner = parentWidget()) {
        const QRect frame = owner->window()->frameGeometry();
        move(frame.center() - rect().center());
    }
    m_outer = std::exchange(g_running, this);
    m_timer.start();
    exec();
    m_timer.stop();
    g_running = m_outer;
    m_poll = nullptr;
}

void ProgressDialog::pollOnce() {
    // Only while watching: a wake may arrive after the end or the cancel.
    if (!m_poll || !m_timer.isActive()) return;
    const ProgressPoll state = m_poll(false);
    m_bar->setValue(std::clamp(state.percent, 0, 100));
    if (!state.running) {
        m_timer.stop();
        accept();
    }
}

void ProgressDialog::cancel() {
    if (!m_timer.isActive()) return;
    m_timer.stop();
    if (m_poll) m_poll(true);
    QDialog::reject();
}

void ProgressDialog::reject() {
    // Closing the window while the operation runs counts as Cancel, even where no button is
    // offered; the operation's poll decides what a cancel means for it.
    if (m_timer.isActive()) {
        cancel();
    } else {
        QDialog::reject();
    }
}

}  // namespace sonthra
