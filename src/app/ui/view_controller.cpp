#include "app/ui/view_controller.h"

#include <algorithm>

#include "app/audio_document.h"
#include "app/ui/command_states.h"
#include "edit/zoom_rules.h"
#include "view/ui/wave_display.h"

namespace sonthra {

PositionMode ViewController::displayMode() const {
    return m_mode == PositionDisplayMode::Samples ? PositionMode::Samples : PositionMode::Time;
}

// Positions are converted at the current document's rate; without one, at the rate the next
// recording would have.
ReadoutBar::Units ViewController::Units() const {
    if (const AudioDocument* document = m_documents.current()) {
        return {displayMode(), document->format};
    }
    const RecordFormat format = m_surface.RecordingFormat();
    return {displayMode(), makePcmFormat(format.sampleRate, format.bitsPerSample, format.channels)};
}

void ViewController::ShowCaretPosition(std::uint32_t value, PositionMode mode) {
    m_readouts->Show(ReadoutBar::kCaret, value, mode);
}

void ViewController::ShowSelectionBound(std::uint32_t value, PositionMode mode, int which) {
    if (which == 1 || which == 2) m_readouts->Show(which, value, mode);
}

std::uint32_t ViewController::ReadCaretBox(PositionMode wanted) const {
    return m_readouts->Read(ReadoutBar::kCaret, wanted);
}

std::uint32_t ViewController::ReadSelectionBox(PositionMode wanted, int which) const {
    return which == 1 || which == 2 ? m_readouts->Read(which, wanted) : 0;
}

void ViewController::PlaceCaret(std::uint32_t frames) {
    RIZI32DaziVereruz* view = m_surface.CurrentView();
    if (view == nullptr) return;
    const bool hadSelection = view->SelectionStartPos() != view->SelectionEndPos();
    view->SetSelection(0, 0);
    ShowSelectionBound(0, PositionMode::Samples, 1);
    ShowSelectionBound(0, PositionMode::Samples, 2);
    // Clearing the selection this way raises no selection event, so the selection commands
    // are switched off here.
    if (hadSelection) m_surface.SwitchCommands(kStateNoSelection);
    view->setCaretPositionBySamples(frames);
    m_surface.UpdateRuler(*view);
}

void ViewController::WaveformBaseCaretPositionChange(QObject* sender) {
    RIZI32DaziVereruz* view = m_surface.CurrentView();
    if (view == nullptr || (sender != nullptr && sender != view)) return;
    ShowCaretPosition(view->CaretPositionBySamples(), PositionMode::Samples);
    m_surface.FollowView();
}

void ViewController::WaveformBaseSelection(QObject* sender, std::uint32_t start,
                                           std::uint32_t end) {
    if (sender != nullptr && sender != m_surface.CurrentView()) return;
    ShowSelectionBound(start, PositionMode::Samples, 1);
    ShowSelectionBound(end, PositionMode::Samples, 2);
    m_surface.SwitchCommands(start == end ? kStateNoSelection : kStateSelection);
}

// The caret and the selection as the display holds them; without a display all three read 0.
void ViewController::ShowViewPositions() {
    const RIZI32DaziVereruz* view = m_surface.CurrentView();
    const std::uint32_t caret = view != nullptr ? view->CaretPositionBySamples() : 0;
    const std::uint32_t start = view != nullptr ? view->SelectionStartPos() : 0;
    const std::uint32_t end = view != nullptr ? view->SelectionEndPos() : 0;
    ShowCaretPosition(caret, PositionMode::Samples);
    ShowSelectionBound(std::min(start, end), PositionMode::Samples, 1);
    ShowSelectionBound(std::max(start, end), PositionMode::Samples, 2);
}

void ViewController::CaretEntered(std::optional<std::uint32_t> frames, const QString& typed) {
    RIZI32DaziVereruz* view = m_surface.CurrentView();
    if (view == nullptr || !frames) {
        m_surface.FocusView();
        return;
    }
    const std::uint32_t total = view->TotalSamples();
    PlaceCaret(std::min(*frames, total));
    // The caption is what was typed (the end of the file when it went past it); placing the
    // caret clears the selection, whose caret event wrote the read-out meanwhile.
    if (*frames > total) {
        ShowCaretPosition(total, PositionMode::Samples);
    } else {
        m_readouts->SetText(ReadoutBar::kCaret, typed);
    }
    m_surface.FocusView();
    m_surface.SyncOverviewFrame();
}

// Both bounds are read back from the read-outs, clamped to the file; one past the end shows
// the end.
void ViewController::SelectionEntered() {
    RIZI32DaziVereruz* view = m_surface.CurrentView();
    if (view == nullptr) {
        m_surface.FocusView();
        return;
    }
    const std::uint32_t total = view->TotalSamples();
    std::uint32_t bounds[3] = {0, 0, 0};
    for (int i = 1; i <= 2; ++i) {
        const std::uint32_t frames = ReadSelectionBox(PositionMode::Samples, i);
        bounds[i] = std::min(frames, total);
        if (frames > total) ShowSelectionBound(total, PositionMode::Samples, i);
    }
    if (bounds[1] != view->SelectionStartPos() || bounds[2] != view->SelectionEndPos()) {
        view->SetSelection(std::min(bounds[1], bounds[2]), std::max(bounds[1], bounds[2]));
    }
    m_surface.SwitchCommands(bounds[1] == bounds[2] ? kStateNoSelection : kStateSelection);
    m_surface.FocusView();
}

// ---- Zoom, scroll and selection commands.

void ViewController::afterZoom(RIZI32DaziVereruz& view) {
    m_surface.FollowView();
    m_surface.ShowZoom(view.ZoomLevel());
}

void ViewController::ZoomInButtonClick() {
    RIZI32DaziVereruz* view = m_surface.CurrentView();
    if (view == nullptr) return;
    view->setZoomLevel(ZoomInLevel(view->ZoomLevel()));
    afterZoom(*view);
}

void ViewController::ZoomOutButtonClick() {
    RIZI32DaziVereruz* view = m_surface.CurrentView();
    if (view == nullptr) return;
    view->setZoomLevel(ZoomOutLevel(view->ZoomLevel(), view->MaxZoomLevel()));
    afterZoom(*view);
}

void ViewController::ZoomToSelectionButtonClick() {
    RIZI32DaziVereruz* view = m_surface.CurrentView();
    if (view == nullptr) return;
    view->ZoomToSelection();
    afterZoom(*view);
}

void ViewController::ZoomToExtentsButtonClick() {
    RIZI32DaziVereruz* view = m_surface.CurrentView();
    if (view == nullptr) return;
    view->setZoomLevel(view->MaxZoomLevel());
    afterZoom(*view);
}

void ViewController::WaveformLeftScrollButtonClick() {
    RIZI32DaziVereruz* view = m_surface.CurrentView();
    if (view == nullptr) return;
    view->setLeftSamplePos(
        ScrollLeftTarget(view->LeftSamplePos(), view->ZoomLevel(), view->clientWidth()));
    m_surface.FollowView();
}

void ViewController::WaveformRightScrollButtonClick() {
    RIZI32DaziVereruz* view = m_surface.CurrentView();
    if (view == nullptr) return;
    const auto left = ScrollRightTarget(view->LeftSamplePos(), view->ZoomLevel(),
                                        view->clientWidth(), view->MaxPosition());
    if (left) view->setLeftSamplePos(*left);
    m_surface.FollowView();
}

void ViewController::EditSelectAllMenuClick() {
    if (RIZI32DaziVereruz* view = m_surface.CurrentView()) view->SelectAll();
}

void ViewController::EditSelectNoneMenuClick() {
    if (RIZI32DaziVereruz* view = m_surface.CurrentView()) view->SelectNone();
}

}  // namespace sonthra
