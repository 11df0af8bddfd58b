// Handlers of commands whose work is built by other pieces of the program. Each stays connected
// to its menu item or button and does nothing until its piece fills it in; none of them shows
// anything in the meantime.
#include "app/ui/main_form.h"
#include "app/ui/podcast_controller.h"
#include "edit/edit_commands.h"

namespace sonthra {

// File: podcasts and song information.
void TMainForm::FileSaveAsPodcastClick() {
    Podcast().FileSaveAsPodcastClick();
}
void TMainForm::FileUploadPodcastClick() {
    Podcast().FileUploadPodcastClick();
}
void TMainForm::PodcastInfoCoolButtonClick() {
    Podcast().PodcastInfoCoolButtonClick();
}
PodcastController& TMainForm::Podcast() {
    if (!m_podcast) {
        PodcastController::Hooks hooks;
        hooks.saveDocument = [this] { Action("FileSaveMenu")->trigger(); };
        hooks.refreshCommands = [this] { setCommandStateFromDocument(); };
        hooks.settings = [this] { return m_settings; };
        m_podcast = std::make_shared<PodcastController>(m_dialogs, m_session, this, hooks);
    }
    return *m_podcast;
}
void TMainForm::songInfoMenuClick() {
    editSongInfo();
}
void TMainForm::songInfoButtonClick() {
    editSongInfo();
}

// View: zoom and scroll act on the waveform display of the current document.
void TMainForm::ViewZoomInMenuClick() {
    ZoomInButtonClick();
}

}  // namespace sonthra
