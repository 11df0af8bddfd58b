// The read-out bar: the caret's position and the selection's start and end, each a label that
// opens an entry field when clicked. It writes and reads the texts; the units come from its
// owner (the display mode and the current format), and what a typed position does to the
// display is the owner's, told through the two signals. Call from the GUI thread.
//
// Beside the read-out's own form, a time field takes seconds: a point (or comma) typed after
// some digits turns the entry into seconds ("12.5") or minutes and seconds ("1:05.25"), written
// back in the read-out's form once confirmed; a seconds entry that is not a time is refused
// with the forms shown, and the field stays open. A selection typed with its start after its
// end is put in order.
#pragma once

#include <QFrame>

#include <cstdint>
#include <functional>
#include <optional>

#include "edit/position_text.h"
#include "wave/wave_format.h"

class QLabel;
class QLineEdit;

namespace sonthra {

// Milliseconds of a time typed as seconds ("12.5", "12,5", "12.5s", ".5") or as minutes and
// seconds ("1:05.250"); nothing for any other text or past the 32-bit range.
std::optional<std::uint32_t> ParseTypedSeconds(const QString& text);

// What a refused seconds entry shows.
inline constexpr const char* kTimeEntryForms =
    "Type a time as minutes:seconds:milliseconds (000:12:500) or in seconds (12.5).";

class ReadoutBar : public QFrame {
    Q_OBJECT
public:
    // Index of a read-out: 0 the caret, 1 the selection's start, 2 its end.
    static constexpr int kCaret = 0;

    struct Units {
        PositionMode display = PositionMode::Time;
        WaveFormat format;
    };
    // units: how positions are written now; mayEnter: whether a field may open (a document is
    // shown and nothing plays or records).
    ReadoutBar(std::function<Units()> units, std::function<bool()> mayEnter,
               QWidget* parent = nullptr);

    // Shows a value given in frames (Samples) or milliseconds (Time) in the display mode.
    void Show(int which, std::uint32_t value, PositionMode valueMode);
    // A read-out's caption read back in the wanted mode; 0 when it holds no position.
    std::uint32_t Read(int which, PositionMode wanted) const;
    // The caption as typed, kept as the user wrote it.
    void SetText(int which, const QString& text);
    // Entry fields take this mask: "999:99:999" for time, eight digits for samples.
    void SetInputMask(const QString& mask);
    // Closes every field without applying it (playback and recording start).
    void HideEntries();

    // The product's handlers of the labels and fields.
    void PositionBoxClick() { openEntry(0); }
    void StartSelectionBoxClick() { openEntry(1); }
    void EndSelectionBoxClick() { openEntry(2); }
    void PositionMaskEditKeyUp(int key) { entryKeyUp(0, key); }
    void StartSelectionMaskEditKeyUp(int key) { entryKeyUp(1, key); }
    void EndSelectionMaskEditKeyUp(int key) { entryKeyUp(2, key); }
    void PositionMaskEditExit() { entryExit(0); }
    void StartSelectionMaskEditExit() { entryExit(1); }
    void EndSelectionMaskEditExit() { entryExit(2); }

signals:
    // A caret position was typed and confirmed: frames, or nothing when the text is not a
    // position in every part (the field just closes). typed is the text as entered.
    void CaretEntered(std::optional<std::uint32_t> frames, const QString& typed);
    // A selection bound that is a position was typed and now stands in its read-out.
    void SelectionEntered(int which);
    // A field closed without a change (Escape, or nothing usable typed).
    void EntryAbandoned();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void openEntry(int which);
    void closeEntry(int which);
    void entryKeyUp(int which, int key);
    void entryExit(int which);
    // confirmed: Enter (a refused seconds entry keeps the field open) rather than leaving it.
    void apply(int which, bool confirmed);
    // A point or comma typed in a time field: true when it began a seconds entry.
    bool beginSeconds(int which);
    std::optional<std::uint32_t> selectionBound(int which) const;
    void orderSelection(int typed, bool wasEmpty);

    std::function<Units()> m_units;
    std::function<bool()> m_mayEnter;
    QLabel* m_labels[3] = {nullptr, nullptr, nullptr};
    QLineEdit* m_fields[3] = {nullptr, nullptr, nullptr};
    int m_openEntry = -1;  // the read-out whose field is open
    QString m_mask;        // the fields' mask in the display mode
};

}  // namespace sonthra
