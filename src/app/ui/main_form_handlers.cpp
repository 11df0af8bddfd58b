// Handlers of commands whose work is built by other pieces of the program. Each stays connected
// to its menu item or button and does nothing until its piece fills it in; none of them shows
// anything in the meantime.
#include "app/ui/main_form.h"

namespace sonthra {

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

}  // namespace sonthra
