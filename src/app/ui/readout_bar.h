// The read-out bar: the caret's position and the selection's start and end, each a label that
// opens an entry field when clicked. It writes and reads the texts; the units come from its
// owner (the display mode and the current format), and what a typed position does to the
// display is the owner's, told through the two signals. Call from the GUI thread.
//
// A field takes what is typed as it is, with no mask to reshape it: a time field whole seconds,
// seconds with a fraction, minutes and seconds or hours, minutes and seconds (and the read-out's
// own form); a sample field a sample number. Once confirmed it is written back in the
// read-out's form; what cannot be read is refused with the forms shown, the field stays open
// and nothing changes. A start typed past the end takes the end along (and an end typed before
// the start the start): the bounds never change places.
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

// What a refused entry shows, in a time field and in a sample field.
inline constexpr const char* kTimeEntryForms =
    "Type a time as seconds (12.5), minutes:seconds (20:00.5) or hours:minutes:seconds "
    "(1:02:03.250).";
inline constexpr const char* kSampleEntryForms = "Type a position as a sample number (44100).";

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
    // A caret position was typed and confirmed: frames, and its text in the read-out's form.
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
    // confirmed: Enter (a refused entry keeps the field open) rather than leaving it.
    void apply(int which, bool confirmed);
    std::optional<std::uint32_t> selectionBound(int which) const;
    void orderSelection(int typed);

    std::function<Units()> m_units;
    std::function<bool()> m_mayEnter;
    QLabel* m_labels[3] = {nullptr, nullptr, nullptr};
    QLineEdit* m_fields[3] = {nullptr, nullptr, nullptr};
    int m_openEntry = -1;  // the read-out whose field is open
};

}  // namespace sonthra
