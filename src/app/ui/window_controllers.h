// The main window's controllers as the feature controllers (effects, tools, crash recovery) use
// them, with the current display and the window that parents their windows and messages. The
// main window hands it out (TMainForm::Controllers); a test fills it with controllers of its own
// and no main window.
#pragma once

#include <functional>

#include "settings/ui/record_formats.h"

class QWidget;

namespace sonthra {

class DocumentController;
class DocumentSession;
class EditController;
class RIZI32DaziVereruz;
class TransportController;
class ViewController;

struct WindowControllers {
    QWidget& window;
    DocumentSession& session;
    TransportController& transport;
    DocumentController& files;
    EditController& edit;
    ViewController& view;
    // The current document's display, or null.
    std::function<RIZI32DaziVereruz*()> currentView;
    // The format for a new document, as last confirmed in the recording format window.
    std::function<RecordFormat()> recordingFormat;
};

}  // namespace sonthra
