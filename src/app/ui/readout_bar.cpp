#include "app/ui/readout_bar.h"

#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolTip>

namespace sonthra {

namespace {

constexpr int kReadoutWidth = 128;

struct Readout {
    const char* panel;
    const char* edit;
    const char* title;
    const char* hint;
    int pixels;
    bool bold;
};
constexpr Readout kReadouts[3] = {
    {"PositionBox", "PositionMaskEdit", "Cursor", "Current Cursor Position", 19, true},
    {"StartSelectionBox", "StartSelectionMaskEdit", "Start", "Start Selection Position", 15, false},
    {"EndSelectionBox", "EndSelectionMaskEdit", "End", "End Selection Position", 15, false},
};

// Digits only, at least one.
std::optional<std::uint64_t> digits(const QString& text) {
    if (text.isEmpty() || text.size() > 10) return std::nullopt;
    std::uint64_t value = 0;
    for (QChar c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c.unicode() - '0');
    }
    return value;
}

}  // namespace

std::optional<std::uint32_t> ParseTypedSeconds(const QString& typed) {
    QString text = typed.trimmed();
    if (text.endsWith('s', Qt::CaseInsensitive)) text.chop(1);
    text.replace(',', '.');
    const QStringList parts = text.split(':');
    if (parts.size() > 2) return std::nullopt;
    std::uint64_t minutes = 0;
    if (parts.size() == 2) {
        const auto m = digits(parts[0]);
        if (!m) return std::nullopt;
        minutes = *m;
    }
    const QStringList seconds = parts.last().split('.');
    if (seconds.size() > 2) return std::nullopt;
    std::uint64_t whole = 0;
    if (!seconds[0].isEmpty()) {
        const auto s = digits(seconds[0]);
        if (!s) return std::nullopt;
        whole = *s;
    }
    // Milliseconds from the first three places of the fraction; the rest is below a millisecond.
    std::uint64_t fraction = 0;
    if (seconds.size() == 2 && !seconds[1].isEmpty()) {
        if (!digits(seconds[1].left(10)) || seconds[1].size() > 10) return std::nullopt;
        fraction = digits((seconds[1] + "00").left(3)).value_or(0);
    } else if (seconds[0].isEmpty()) {
        return std::nullopt;  // neither whole seconds nor a fraction
    }
    const std::uint64_t ms = (minutes * 60 + whole) * 1000 + fraction;
    if (ms > UINT32_MAX) return std::nullopt;
    return static_cast<std::uint32_t>(ms);
}

ReadoutBar::ReadoutBar(std::function<Units()> units, std::function<bool()> mayEnter,
                       QWidget* parent)
    : QFrame(parent), m_units(std::move(units)), m_mayEnter(std::move(mayEnter)) {
    setObjectName("PositionPanel");
    setProperty("consolePanel", true);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setSpacing(4);
    for (int row = 0; row < 3; ++row) {
        const Readout& r = kReadouts[row];
        QFont font("Arial");
        font.setPixelSize(r.pixels);
        font.setBold(r.bold);
        auto* value = new QLabel("000:00:000", this);
        value->setObjectName(r.panel);
        value->setToolTip(r.hint);
        value->setFont(font);
        value->setAlignment(Qt::AlignCenter);
        value->setFixedWidth(kReadoutWidth);
        value->setProperty("readout", true);
        // The entry field takes the panel's place while the user types a position.
        auto* edit = new QLineEdit(this);
        edit->setObjectName(r.edit);
        edit->setFont(font);
        edit->setMaxLength(10);
        edit->setFocusPolicy(Qt::ClickFocus);
        edit->setFixedWidth(kReadoutWidth);
        edit->hide();
        auto* title = new QLabel(r.title, this);
        title->setAlignment(Qt::AlignCenter);
        grid->addWidget(title, row, 0, Qt::AlignRight);
        grid->addWidget(value, row, 1);
        grid->addWidget(edit, row, 1);
        value->installEventFilter(this);
        edit->installEventFilter(this);
        m_labels[row] = value;
        m_fields[row] = edit;
    }
}

void ReadoutBar::Show(int which, std::uint32_t value, PositionMode valueMode) {
    if (which < 0 || which > 2) return;
    const Units units = m_units();
    m_labels[which]->setText(
        QString::fromStdString(FormatReadout(value, valueMode, units.display, units.format)));
}

std::uint32_t ReadoutBar::Read(int which, PositionMode wanted) const {
    if (which < 0 || which > 2) return 0;
    const Units units = m_units();
    return ParsePosition(m_labels[which]->text().toStdString(), units.display, wanted, units.format)
        .value_or(0);
}

void ReadoutBar::SetText(int which, const QString& text) {
    if (which >= 0 && which <= 2) m_labels[which]->setText(text);
}

void ReadoutBar::SetInputMask(const QString& mask) {
    m_mask = mask;
    for (QLineEdit* field : m_fields) field->setInputMask(mask);
}

void ReadoutBar::HideEntries() {
    for (QLineEdit* field : m_fields) field->hide();
}

// The labels' clicks, the fields' key releases and their focus losses.
bool ReadoutBar::eventFilter(QObject* watched, QEvent* event) {
    for (int which = 0; which < 3; ++which) {
        if (watched == m_labels[which] && event->type() == QEvent::MouseButtonRelease) {
            openEntry(which);
        }
        if (watched != m_fields[which]) continue;
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if ((key == Qt::Key_Period || key == Qt::Key_Comma) && beginSeconds(which)) {
                return true;
            }
        } else if (event->type() == QEvent::KeyRelease) {
            entryKeyUp(which, static_cast<QKeyEvent*>(event)->key());
        } else if (event->type() == QEvent::FocusOut) {
            // Like leaving a field for another control of the window: a menu opening or the
            // window losing the focus to another one leaves the field open.
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) {
                entryExit(which);
            }
        }
    }
    return false;
}

void ReadoutBar::openEntry(int which) {
    if (!m_mayEnter()) return;
    m_fields[which]->setInputMask(m_mask);
    m_fields[which]->setText(m_labels[which]->text());
    m_labels[which]->hide();
    m_fields[which]->show();
    m_openEntry = which;
    m_fields[which]->setFocus(Qt::OtherFocusReason);
    m_fields[which]->setCursorPosition(0);
}

void ReadoutBar::closeEntry(int which) {
    // Cleared first: hiding the focused field takes its focus away, and that focus loss must
    // not apply the entry a second time.
    if (m_openEntry == which) m_openEntry = -1;
    m_fields[which]->hide();
    m_fields[which]->setInputMask(m_mask);  // a seconds entry had set it aside
    m_fields[which]->setToolTip({});
    m_labels[which]->show();
}

// What was typed before the point is whole seconds, or minutes and seconds; the mask, which has
// no place for a point, makes way for the rest.
bool ReadoutBar::beginSeconds(int which) {
    QLineEdit* field = m_fields[which];
    if (m_openEntry != which || field->inputMask().isEmpty() ||
        m_units().display != PositionMode::Time) {
        return false;
    }
    QString before = field->text().left(field->cursorPosition());
    before.remove(' ');
    while (before.endsWith(':')) before.chop(1);
    if (before.count(':') > 1 || !ParseTypedSeconds(before.isEmpty() ? "0" : before)) {
        return false;
    }
    field->setInputMask({});
    field->setText(before + '.');
    field->setCursorPosition(static_cast<int>(field->text().size()));
    return true;
}

std::optional<std::uint32_t> ReadoutBar::selectionBound(int which) const {
    const Units units = m_units();
    return ParsePosition(m_labels[which]->text().toStdString(), units.display, units.display,
                         units.format);
}

// A typed bound that crosses the other keeps the selection in order: the two read-outs change
// places. Only a start typed past an empty selection (a caret) takes the end along, so that the
// end typed next completes the range in either order.
void ReadoutBar::orderSelection(int typed, bool wasEmpty) {
    const auto start = selectionBound(1);
    const auto end = selectionBound(2);
    if (!start || !end || *start <= *end) return;
    if (typed == 1 && wasEmpty) {
        m_labels[2]->setText(m_labels[1]->text());
        return;
    }
    const QString startText = m_labels[1]->text();
    m_labels[1]->setText(m_labels[2]->text());
    m_labels[2]->setText(startText);
}

void ReadoutBar::entryKeyUp(int which, int key) {
    if (m_openEntry != which) return;
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        apply(which, true);
    } else if (key == Qt::Key_Escape) {
        closeEntry(which);
        emit EntryAbandoned();
    }
}

void ReadoutBar::entryExit(int which) {
    if (m_openEntry == which) apply(which, false);
}

// An entry in the read-out's form that is not a number in every part means nothing: the field
// closes as with Escape. A seconds entry is written in the read-out's form.
void ReadoutBar::apply(int which, bool confirmed) {
    QLineEdit* field = m_fields[which];
    QString typed = field->text();
    const Units units = m_units();
    if (field->inputMask().isEmpty() && !m_mask.isEmpty()) {
        const std::optional<std::uint32_t> ms = ParseTypedSeconds(typed);
        if (!ms && confirmed) {
            field->setToolTip(kTimeEntryForms);
            QToolTip::showText(field->mapToGlobal(QPoint(0, field->height())), kTimeEntryForms,
                               field);
            field->selectAll();
            return;
        }
        typed = ms ? QString::fromStdString(
                         FormatReadout(*ms, PositionMode::Time, units.display, units.format))
                   : QString();
    }
    closeEntry(which);
    if (which == kCaret) {
        emit CaretEntered(
            ParsePosition(typed.toStdString(), units.display, PositionMode::Samples, units.format),
            typed);
        return;
    }
    if (!ParsePosition(typed.toStdString(), units.display, units.display, units.format)) {
        emit EntryAbandoned();
        return;
    }
    const bool wasEmpty = selectionBound(1) == selectionBound(2);
    m_labels[which]->setText(typed);
    orderSelection(which, wasEmpty);
    emit SelectionEntered(which);
}

}  // namespace sonthra
