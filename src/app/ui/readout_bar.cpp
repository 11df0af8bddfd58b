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

}  // namespace

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
        edit->setMaxLength(24);
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
        if (event->type() == QEvent::KeyRelease) {
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
    m_fields[which]->setText(m_labels[which]->text());
    m_labels[which]->hide();
    m_fields[which]->show();
    m_openEntry = which;
    m_fields[which]->setFocus(Qt::OtherFocusReason);
    // What is typed replaces the position shown rather than mixing with it.
    m_fields[which]->selectAll();
}

void ReadoutBar::closeEntry(int which) {
    // Cleared first: hiding the focused field takes its focus away, and that focus loss must
    // not apply the entry a second time.
    if (m_openEntry == which) m_openEntry = -1;
    m_fields[which]->hide();
    m_fields[which]->setToolTip({});
    m_labels[which]->show();
}

std::optional<std::uint32_t> ReadoutBar::selectionBound(int which) const {
    const Units units = m_units();
    return ParsePosition(m_labels[which]->text().toStdString(), units.display, units.display,
                         units.format);
}

// A typed bound that crosses the other takes it along, so that a start typed first and an end
// typed next give the range meant whatever was selected before.
void ReadoutBar::orderSelection(int typed) {
    const auto start = selectionBound(1);
    const auto end = selectionBound(2);
    if (!start || !end || *start <= *end) return;
    m_labels[typed == 1 ? 2 : 1]->setText(m_labels[typed]->text());
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

// A time field reads every typed form of a time, a sample field a sample number; the position
// is written back in the read-out's form.
void ReadoutBar::apply(int which, bool confirmed) {
    QLineEdit* field = m_fields[which];
    const Units units = m_units();
    const std::string typed = field->text().toStdString();
    const bool time = units.display == PositionMode::Time;
    const std::optional<std::uint32_t> value =
        time ? ParseTypedTime(typed)
             : ParsePosition(typed, PositionMode::Samples, PositionMode::Samples, units.format);
    if (!value) {
        if (confirmed) {
            const char* forms = time ? kTimeEntryForms : kSampleEntryForms;
            field->setToolTip(forms);
            QToolTip::showText(field->mapToGlobal(QPoint(0, field->height())), forms, field);
            field->selectAll();
            return;
        }
        closeEntry(which);
        emit EntryAbandoned();
        return;
    }
    const QString text =
        QString::fromStdString(FormatReadout(*value, units.display, units.display, units.format));
    closeEntry(which);
    if (which == kCaret) {
        emit CaretEntered(
            ConvertPosition(*value, units.display, PositionMode::Samples, units.format), text);
        return;
    }
    m_labels[which]->setText(text);
    orderSelection(which);
    emit SelectionEntered(which);
}

}  // namespace sonthra
