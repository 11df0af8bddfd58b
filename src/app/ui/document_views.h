// The widgets each open document owns in the main window: its display and overview (made from
// the WaveformBase and OverviewBase frames), its button in the (hidden) document bar and its
// (hidden) Window menu item; which of them is shown, the ruler and overview frame that follow
// the shown display, and the peaks behind the current display and overview (built under the
// progress dialog, patched after a removal, written to the peak file in the background). The
// widgets are the window's children; this keeps them by document id. GUI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>

class QAction;
class QMenu;
class QObject;
class QString;
class QWidget;

namespace sonthra {

struct AudioDocument;
class ColorSchemeTable;
class DocumentList;
class OverviewLink;
class RIZI32DaziVereruz;
class TLUM32Overview;
class TLUM32RectBtnEx;
class TLUM32Scale;
class UserDialogs;
struct ColorSchemeTargets;

class DocumentViews {
public:
    struct Parts {
        RIZI32DaziVereruz* view = nullptr;
        TLUM32Overview* overview = nullptr;
        TLUM32RectBtnEx* button = nullptr;
        QAction* windowItem = nullptr;
    };
    // What the window does when the user picks a document (button, Window item, the button's
    // Select) or closes one (the button's Close), and the display's caret and selection events.
    struct Hooks {
        std::function<void(std::uint32_t id)> select;
        std::function<void(std::uint32_t id)> close;
        std::function<void(QObject* sender)> caretChanged;
        std::function<void(QObject* sender, std::uint32_t start, std::uint32_t end)> selection;
        // The folder for peak files that cannot stand beside their audio.
        std::function<std::string()> tempFolder;
    };

    // window holds the WaveformBase, OverviewBase and DocumentButtonBar widgets; new items go
    // to windowMenu. scale and link exist as long as the window; messages go through dialogs.
    DocumentViews(QWidget& window, QMenu& windowMenu, const DocumentList& documents,
                  TLUM32Scale& scale, OverviewLink& link, UserDialogs& dialogs, Hooks hooks);

    // The parts of the current document, or null.
    RIZI32DaziVereruz* CurrentView() const;
    TLUM32Overview* CurrentOverview() const;
    Parts* partsOf(const AudioDocument* document);

    // Makes the document's parts in the scheme's colours, hidden: 0, or 141 (no display) or
    // 190 (no overview).
    int CreateParts(const AudioDocument& document, const ColorSchemeTable& scheme);
    void DestroyParts(std::uint32_t id);
    // Shows the document's display and overview in place of the others (or the empty frames
    // for none), ticks its Window item and presses its button (bold).
    void ShowParts(const AudioDocument* shown);
    void PlaceDocumentButtons();
    // The button's and the Window item's caption after a rename.
    void ShowRenamed(const AudioDocument& document);
    // The ruler follows the current display's zoom and left position, the overview's frame
    // what it shows.
    void FollowView();
    // The working copy (of a document with no audio yet) in the display and overview.
    void OpenEmptyAudio(const AudioDocument& document);
    // The display and the overview read the working copy once it is complete; they played from
    // the user's file until then (only they still read it, when onlyIfUsersFile).
    void WorkingCopyReady(const AudioDocument& document, bool onlyIfUsersFile);
    // Every display and overview, for the colour scheme.
    void AddColorTargets(ColorSchemeTargets& targets) const;

    // Peak building of a display under "caption" (attaching path first when attach is set,
    // trying its peak file first when tryPeakFile is set), then its peak file is written in the
    // background. 0 or the message number shown.
    int RunPeakBuild(RIZI32DaziVereruz& view, const std::string& path, bool tryPeakFile,
                     bool attach, const QString& caption);
    // The display's RenderView, then the ruler when it succeeded: 0 or the display's code.
    int RenderAndScale(RIZI32DaziVereruz& view, std::uint32_t zoom, std::uint32_t left);
    // The whole file in the view: the largest zoom from the first frame.
    void ZoomToFit(RIZI32DaziVereruz& view);
    // After Cut or Clear: the display's peaks patched instead of scanned again (the overview
    // shows the same ones), the peak file written in the background. 0 or the message shown.
    int PatchPeaks(RIZI32DaziVereruz& view, const std::string& workFile, std::uint32_t start,
                   std::uint32_t end);
    // The current overview shows the display's peaks (shared, so nothing is read again), or
    // loads the peak file, scanning only without one: 0 or the display's code.
    int BuildOverview(const std::string& path, bool tryPeakFile);

private:
    int runPeakWorker(RIZI32DaziVereruz& display, const QString& caption);

    QWidget& m_window;
    QMenu& m_windowMenu;
    const DocumentList& m_documents;
    TLUM32Scale& m_scale;
    OverviewLink& m_link;
    UserDialogs& m_dialogs;
    Hooks m_hooks;
    std::map<std::uint32_t, Parts> m_parts;
};

}  // namespace sonthra
