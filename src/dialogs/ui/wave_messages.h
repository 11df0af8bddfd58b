// Shows the WAV reader's messages to the user: a message box with the product caption, shown on
// the GUI thread whichever thread's reader failed. The program installs one for its whole run.
#pragma once

#include "wave/wave_reader.h"

class QObject;

namespace sonthra {

class UserDialogs;

class WaveMessageBoxes : public WaveMessageSink {
public:
    // context: an object living on the GUI thread (the application) that carries the boxes
    // of other threads there.
    WaveMessageBoxes(UserDialogs& dialogs, QObject* context);
    void show(int code, const char* text) override;

private:
    UserDialogs& m_dialogs;
    QObject* m_context;
};

// Installs boxes for the reader's messages for as long as it lives.
class WaveMessagesShown {
public:
    WaveMessagesShown(UserDialogs& dialogs, QObject* context);
    ~WaveMessagesShown();
    WaveMessagesShown(const WaveMessagesShown&) = delete;
    WaveMessagesShown& operator=(const WaveMessagesShown&) = delete;

private:
    WaveMessageBoxes m_boxes;
};

}  // namespace sonthra
