#include "dialogs/ui/wave_messages.h"

#include <QMetaObject>
#include <QObject>
#include <QString>
#include <QThread>

#include "dialogs/ui/user_dialogs.h"
#include "messages/message_table.h"

namespace sonthra {

WaveMessageBoxes::WaveMessageBoxes(UserDialogs& dialogs, QObject* context)
    : m_dialogs(dialogs), m_context(context) {}

void WaveMessageBoxes::show(int, const char* text) {
    const QString message = QString::fromUtf8(text ? text : "");
    UserDialogs& dialogs = m_dialogs;
    auto box = [&dialogs, message] {
        dialogs.messageBox(nullptr, kProductCaption, message, DialogIcon::Error, DialogButtons::Ok);
    };
    if (QThread::currentThread() == m_context->thread()) {
        box();
    } else {
        // The reader's thread waits until the box is closed, as it would on the GUI thread.
        QMetaObject::invokeMethod(m_context, box, Qt::BlockingQueuedConnection);
    }
}

WaveMessagesShown::WaveMessagesShown(UserDialogs& dialogs, QObject* context)
    : m_boxes(dialogs, context) {
    setWaveMessageSink(&m_boxes);
}

WaveMessagesShown::~WaveMessagesShown() {
    setWaveMessageSink(nullptr);
}

}  // namespace sonthra
