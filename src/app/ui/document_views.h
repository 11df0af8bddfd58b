// The widgets each open document owns in the main window: its display and overview (made from
// the WaveformBase and OverviewBase frames), its button in the (hidden) document bar and its
// (hidden) Window menu item; which of them is shown, the ruler and overview frame that follow
// the shown display. The widgets are the window's children; this keeps them by document id.
// GUI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <map>

class QAction;
class QMenu;
class QObject;
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
    };

    // window holds the WaveformBase, OverviewBase and DocumentButtonBar widgets; new items go
    // to windowMenu. scale and link exist as long as the window.
    DocumentViews(QWidget& window, QMenu& windowMenu, const DocumentList& documents,
                  TLUM32Scale& scale, OverviewLink& link, Hooks hooks);

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

private:
    QWidget& m_window;
    QMenu& m_windowMenu;
    const DocumentList& m_documents;
    TLUM32Scale& m_scale;
    OverviewLink& m_link;
    Hooks m_hooks;
    std::map<std::uint32_t, Parts> m_parts;
};

}  // namespace sonthra
