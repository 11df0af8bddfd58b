// The current document's display as the user moves through it: the three position read-outs
// (written in the display mode, read back in frames or milliseconds), a caret or selection typed
// into them, the display's own caret and selection events, and the zoom, scroll and selection
// commands. It owns no widget: it works on the window's current display and read-out bar and
// tells the window (its ViewSurface) what follows. Call from the GUI thread.
#pragma once

#include <cstdint>
#include <optional>

#include "app/ui/readout_bar.h"
#include "settings/ui/record_formats.h"

class QObject;
class QString;

namespace sonthra {

class DocumentList;
class RIZI32DaziVereruz;

enum class PositionDisplayMode { Time, Samples };

// What the view controller needs from the window.
class ViewSurface {
public:
    virtual ~ViewSurface() = default;
    // The current document's display, or null.
    virtual RIZI32DaziVereruz* CurrentView() const = 0;
    // The ruler for the display's zoom and left position; FollowView also moves the overview's
    // frame.
    virtual void UpdateRuler(const RIZI32DaziVereruz& view) = 0;
    virtual void FollowView() = 0;
    virtual void SyncOverviewFrame() = 0;
    // The zoom panel of the status bar ("1:<zoom>").
    virtual void ShowZoom(std::uint32_t zoom) = 0;
    // Switches commands on and off for a command state.
    virtual void SwitchCommands(int state) = 0;
    // Gives the display the focus when the window is visible and active.
    virtual void FocusView() = 0;
    // The format of the next recording: positions are converted at its rate without a document.
    virtual RecordFormat RecordingFormat() const = 0;
};

class ViewController {
public:
    ViewController(ViewSurface& surface, const DocumentList& documents)
        : m_surface(surface), m_documents(documents) {}
    // The read-out bar it writes to and reads from, made with the window after this.
    void Attach(ReadoutBar& readouts) { m_readouts = &readouts; }

    PositionDisplayMode DisplayMode() const { return m_mode; }
    void SetDisplayMode(PositionDisplayMode mode) { m_mode = mode; }
    // How the read-outs write positions now: the display mode at the current document's rate.
    ReadoutBar::Units Units() const;

    // The read-outs show positions in the display mode; `mode` says whether a value is frames
    // (Samples) or milliseconds (Time). which: 1 the selection's start, 2 its end.
    void ShowCaretPosition(std::uint32_t value, PositionMode mode);
    void ShowSelectionBound(std::uint32_t value, PositionMode mode, int which);
    // A read-out's caption read back in the wanted mode; 0 when it holds no position.
    std::uint32_t ReadCaretBox(PositionMode wanted) const;
    std::uint32_t ReadSelectionBox(PositionMode wanted, int which) const;
    // The three read-outs from the current display's caret and selection (0 without one).
    void ShowViewPositions();
    // Clears the display's selection (both selection read-outs show 0) and puts the caret at
    // frames, scrolled into view without a caret event; the ruler follows.
    void PlaceCaret(std::uint32_t frames);

    // A position typed into the caret read-out (nothing: not a position), and a selection
    // bound typed into its read-out: the display follows, clamped to the file.
    void CaretEntered(std::optional<std::uint32_t> frames, const QString& typed);
    void SelectionEntered();
    // The display's events; another sender than the current display is ignored.
    void WaveformBaseCaretPositionChange(QObject* sender);
    void WaveformBaseSelection(QObject* sender, std::uint32_t start, std::uint32_t end);

    // Zoom, scroll and selection commands on the current display (nothing without one); the
    // View menu's Zoom In is the button's.
    void ZoomInButtonClick();
    void ViewZoomInMenuClick() { ZoomInButtonClick(); }
    void ZoomOutButtonClick();
    void ZoomToSelectionButtonClick();
    void ZoomToExtentsButtonClick();
    void WaveformLeftScrollButtonClick();
    void WaveformRightScrollButtonClick();
    void EditSelectAllMenuClick();
    void EditSelectNoneMenuClick();

private:
    PositionMode displayMode() const;
    void afterZoom(RIZI32DaziVereruz& view);

    ViewSurface& m_surface;
    const DocumentList& m_documents;
    ReadoutBar* m_readouts = nullptr;
    PositionDisplayMode m_mode = PositionDisplayMode::Time;
};

}  // namespace sonthra
