#include "app/ui/window_document_surface.h"

#include "app/ui/document_views.h"
#include "app/ui/main_form.h"
#include "app/ui/main_form_shared.h"
#include "app/ui/media_controller.h"
#include "app/ui/preferences_controller.h"
#include "messages/message_table.h"
#include "view/ui/wave_display.h"

namespace sonthra {

using namespace main_form;

int WindowDocumentSurface::CreateParts(AudioDocument& document) {
    return m_form.m_parts->CreateParts(document, m_form.m_colors.Scheme());
}
void WindowDocumentSurface::DestroyParts(std::uint32_t id) {
    m_form.m_parts->DestroyParts(id);
}
void WindowDocumentSurface::OpenEmptyAudio(const AudioDocument& document) {
    m_form.m_parts->OpenEmptyAudio(document);
}

int WindowDocumentSurface::BuildPeaks(const std::string& file, bool tryPeakFile) {
    RIZI32DaziVereruz* view = m_form.CurrentView();
    if (view == nullptr) return 0;
    const int peaks = m_form.m_parts->RunPeakBuild(*view, file, tryPeakFile, true, kBuildingPeaks);
    if (peaks == 0) m_form.m_parts->ZoomToFit(*view);
    return peaks;
}

int WindowDocumentSurface::BuildOverview(const std::string& file, bool tryPeakFile) {
    return m_form.m_parts->BuildOverview(file, tryPeakFile);
}
void WindowDocumentSurface::ShowParts(const AudioDocument* document) {
    m_form.m_parts->ShowParts(document);
}
void WindowDocumentSurface::PlaceDocumentButtons() {
    m_form.m_parts->PlaceDocumentButtons();
}
void WindowDocumentSurface::ShowDocument() {
    m_form.updateDocumentDisplay();
}
void WindowDocumentSurface::ShowNoDocument() {
    m_form.showNoDocument();
}

void WindowDocumentSurface::ShowRenamed(const AudioDocument& document) {
    m_form.m_parts->ShowRenamed(document);
    m_form.updateTitle();
}

void WindowDocumentSurface::SwitchCommands(int state) {
    m_form.SetCommandState(state);
}
void WindowDocumentSurface::EnableCommand(EditCommand command, bool on) {
    m_form.m_editSurface.EnableCommand(command, on);
}
void WindowDocumentSurface::PodcastCommands(const AudioDocument& document) {
    m_form.setPodcastCommands(document);
}
void WindowDocumentSurface::SongInfoCommands() {
    m_form.setSongInfoCommands();
}
void WindowDocumentSurface::CommandsFromDocument() {
    m_form.setCommandStateFromDocument();
}
void WindowDocumentSurface::StopPlayback() {
    m_form.Transport().StopPlayback();
}
void WindowDocumentSurface::StopRecording() {
    m_form.Transport().StopRecording();
}
bool WindowDocumentSurface::AskRecordingFormat(RecordFormat& format) {
    return m_form.m_prefs->AskRecordingFormat(format);
}
RecordFormat WindowDocumentSurface::RecordingFormat() const {
    return m_form.m_prefs->RecordingFormat();
}

int WindowDocumentSurface::ExportToWma(const std::string& name, const std::string& source) {
    return m_form.m_media->ExportToWma(name, source);
}

QWidget* WindowDocumentSurface::DialogParent() {
    return &m_form;
}

}  // namespace sonthra
