// Handlers of commands whose work is built by other pieces of the program. Each stays connected
// to its menu item or button and does nothing until its piece fills it in; none of them shows
// anything in the meantime.
#include <QAbstractButton>

#include "app/ui/main_form.h"

namespace sonthra {

// File: the documents, opening, saving and reverting.
void TMainForm::FileNewMenuClick() {}    // recording format dialog, then a new document
void TMainForm::FileOpenMenuClick() {}   // open dialog, then the document is opened
void TMainForm::FileCloseMenuClick() {}  // closes the current document with the save prompt
void TMainForm::FileSaveMenuClick() {}   // Save, or Save As when sent by FileSaveAsMenu
void TMainForm::FileRevertMenuClick() {}

// File: podcasts, WMA import and export, batch export and song information.
void TMainForm::FileSaveAsPodcastClick() {}
void TMainForm::FileUploadPodcastClick() {}
void TMainForm::PodcastInfoCoolButtonClick() {}
void TMainForm::FileImportFromWMAMenuClick() {}
void TMainForm::FileExportToWmaMenuClick() {}
void TMainForm::BatchExportMenuClick() {}
void TMainForm::songInfoMenuClick() {}  // the song information dialog
void TMainForm::songInfoButtonClick() {}

// Edit: each runs one edit of the working copy under the progress dialog.
void TMainForm::EditUndoMenuClick() {}
void TMainForm::EditRedoMenuClick() {}
void TMainForm::EditCutMenuClick() {}
void TMainForm::EditCopyMenuClick() {}
void TMainForm::EditPasteMenuClick() {}
void TMainForm::EditClearMenuClick() {}
void TMainForm::EditCropMenuClick() {}
void TMainForm::EditCutSelectionToFileMenuClick() {}
void TMainForm::EditCopySelectionToFileMenuClick() {}
void TMainForm::EditSelectAllMenuClick() {}
void TMainForm::EditSelectNoneMenuClick() {}
void TMainForm::EditMuteMenuClick() {}
void TMainForm::EditTrimSilenceMenuClick() {}
void TMainForm::EditInsertSilenceMenuClick() {}
void TMainForm::EditChangeFormatMenuClick() {}

// View: zoom and scroll act on the waveform display of the current document.
void TMainForm::ViewZoomInMenuClick() {
    ZoomInButtonClick();
}
void TMainForm::ZoomInButtonClick() {}
void TMainForm::ZoomOutButtonClick() {}
void TMainForm::ZoomToSelectionButtonClick() {}
void TMainForm::ZoomToExtentsButtonClick() {}
void TMainForm::WaveformLeftScrollButtonClick() {}
void TMainForm::WaveformRightScrollButtonClick() {}
void TMainForm::ViewSetColorsMenuClick() {}  // the colour scheme window

// Effects: finds the effect by its menu key and applies it through the plug-in host.
void TMainForm::CommonMenuClick(QAction*) {}

// Transport, recording and the mixer.
void TMainForm::PlayButtonClick() {}
void TMainForm::PlayFromStartButtonClick() {}
void TMainForm::StopButtonClick() {}
void TMainForm::PauseButtonClick() {}
void TMainForm::SkipToStartButtonClick() {}
void TMainForm::SkipToEndButtonClick() {}
void TMainForm::RewindButtonClick() {}
void TMainForm::FastForwardButtonClick() {}

// Until recording is built the toggle button springs back, so it never shows a recording that
// is not running.
void TMainForm::StartStopRecordingButtonClick() {
    findChild<QAbstractButton*>("StartStopRecordingButton")->setChecked(false);
}

}  // namespace sonthra
