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

// Edit: each runs one edit of the working copy under the progress dialog.
void TMainForm::EditUndoMenuClick() {
    m_edit->EditUndoMenuClick();
}
void TMainForm::EditRedoMenuClick() {
    m_edit->EditRedoMenuClick();
}
void TMainForm::EditCutMenuClick() {
    m_edit->EditCutMenuClick();
}
void TMainForm::EditCopyMenuClick() {
    m_edit->EditCopyMenuClick();
}
void TMainForm::EditPasteMenuClick() {
    m_edit->EditPasteMenuClick();
}
void TMainForm::EditClearMenuClick() {
    m_edit->EditClearMenuClick();
}
void TMainForm::EditCropMenuClick() {
    m_edit->EditCropMenuClick();
}
void TMainForm::EditCutSelectionToFileMenuClick() {
    m_edit->EditCutSelectionToFileMenuClick();
}
void TMainForm::EditCopySelectionToFileMenuClick() {
    m_edit->EditCopySelectionToFileMenuClick();
}
void TMainForm::EditSelectAllMenuClick() {
    m_view.SelectAll();
}
void TMainForm::EditSelectNoneMenuClick() {
    m_view.SelectNone();
}

// View: zoom and scroll act on the waveform display of the current document.
void TMainForm::ViewZoomInMenuClick() {
    ZoomInButtonClick();
}
void TMainForm::ZoomInButtonClick() {
    m_view.ZoomIn();
}
void TMainForm::ZoomOutButtonClick() {
    m_view.ZoomOut();
}
void TMainForm::ZoomToSelectionButtonClick() {
    m_view.ZoomToSelection();
}
void TMainForm::ZoomToExtentsButtonClick() {
    m_view.ZoomToExtents();
}
void TMainForm::WaveformLeftScrollButtonClick() {
    m_view.ScrollLeft();
}
void TMainForm::WaveformRightScrollButtonClick() {
    m_view.ScrollRight();
}

// Effects: finds the effect by its menu key and applies it through the plug-in host.

}  // namespace sonthra
