// The Edit menu's built-in tools: Mute, Trim Silence, Insert Silence and Change Format. Each asks
// for its setting in its window with the busy flag held, then changes the audio through the edit
// controller's one sequence (progress with Cancel, undo file, refresh), and afterwards places
// the selection or the caret as the tool wants. Made for each command; call from the GUI
// thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/ui/window_controllers.h"
#include "edit/file_transform.h"

namespace sonthra {

class Settings;
class UserDialogs;

// Change Format's conversion of the working copy into the chosen sample format: the format
// converter's run under "Changing Format...", as a transform.
class FormatTransform final : public FileTransform {
public:
    // format: the chosen wave format record (18 bytes or more).
    explicit FormatTransform(std::vector<unsigned char> format) : m_format(std::move(format)) {}
    std::string caption() const override;
    std::unique_ptr<LongOperation> start(const std::string& source, const std::string& result,
                                         int& refused) override;

private:
    std::vector<unsigned char> m_format;
};

// The frames n milliseconds of audio take at rate, rounded to the nearest frame.
std::uint32_t FramesOfMilliseconds(std::uint32_t milliseconds, std::uint32_t rate);

class ToolsController {
public:
    // settings may be null (a window without its settings store): the tools that keep a
    // setting then do nothing.
    ToolsController(const WindowControllers& host, UserDialogs& dialogs, Settings* settings)
        : m_host(host), m_dialogs(dialogs), m_settings(settings) {}

    // Each: 0, 129 (cancelled or nothing to do) or the message number already shown.
    int EditMuteMenuClick();
    int EditTrimSilenceMenuClick();
    int EditInsertSilenceMenuClick();
    int EditChangeFormatMenuClick();

private:
    bool transportIdle() const;
    bool hasDocument() const;

    WindowControllers m_host;
    UserDialogs& m_dialogs;
    Settings* m_settings;
};

}  // namespace sonthra
