// The main window's widgets: the tool strip with the zoom and effect buttons, the waveform
// area (display, time ruler and overview), and the console below it with the level meters,
// the transport, the position read-outs and the mixer panel; and the skin they are drawn in.
// The buttons are skinned buttons (TCoolButton) on a background tiled from the skin (TCoolForm);
// the console's panels keep their fixed black.
//
// The ruler is a plain frame here (`Scale`), whose place the ruler takes once the documents are
// set up (main_form_documents.cpp); the level meters are their own widget (level_meters.h).
#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

#include "app/ui/level_meters.h"
#include "app/ui/main_form.h"
#include "app/ui/mixer_panel.h"
#include "app/ui/preferences_controller.h"
#include "app/ui/readout_bar.h"
#include "app/ui/transport_glyphs.h"
#include "controls/ui/cool_button.h"
#include "controls/ui/cool_form.h"
#include "controls/ui/skin_images.h"
#include "dialogs/ui/user_dialogs.h"
#include "settings/ui/preferences_form.h"
#include "view/ui/no_document_view.h"
#include "view/ui/scale_widget.h"
#include "view/ui/view_colors.h"

namespace sonthra {

namespace {

QFrame* placeholder(QWidget* parent, const char* name, const char* colour) {
    auto* frame = new QFrame(parent);
    frame->setObjectName(name);
    frame->setStyleSheet(QString("QFrame#%1 { background: %2; }").arg(name, colour));
    return frame;
}

QFrame* panel(QWidget* parent, const char* name) {
    auto* frame = new QFrame(parent);
    frame->setObjectName(name);
    frame->setProperty("consolePanel", true);
    return frame;
}

constexpr const char* kTransportButtons[] = {
    "SkipToStartButton", "RewindButton",        "PlayButton",
    "PauseButton",       "PlayFromStartButton", "StopButton",
    "FastForwardButton", "SkipToEndButton",     "StartStopRecordingButton"};

QAbstractButton* addButton(QWidget* parent, const char* name, const QString& caption,
                           const QString& hint) {
    auto* button = new TCoolButton(parent);
    button->setObjectName(name);
    button->setCaption(caption);
    button->setToolTip(hint.isEmpty() ? caption : hint);
    button->setMinimumHeight(26);
    // As wide as the caption needs, so that the tool strip fits a small window.
    if (!caption.isEmpty()) {
        button->setFixedWidth(std::max(30, button->fontMetrics().horizontalAdvance(caption) + 14));
    }
    return button;
}

QWidget* buildToolStrip(QWidget* window) {
    auto* strip = new QWidget(window);
    strip->setObjectName("ToolStrip");
    auto* row = new QHBoxLayout(strip);
    row->setContentsMargins(6, 4, 6, 4);
    row->setSpacing(4);

    row->addWidget(addButton(window, "ZoomInButton", "Zoom In", "Zoom In (F2)"));
    row->addWidget(addButton(window, "ZoomOutButton", "Zoom Out", "Zoom Out (F3)"));
    row->addWidget(
        addButton(window, "ZoomToSelectionButton", "Zoom To Selection", "Zoom To Selection (F4)"));
    row->addWidget(
        addButton(window, "ZoomToExtentsButton", "Zoom To Extents", "Zoom To Extents (F5)"));
    row->addSpacing(16);
    row->addWidget(addButton(window, "EffectsButton1", "EQ", "Apply Equalize Effect"));
    row->addWidget(addButton(window, "EffectsButton2", "Fade", "Apply Fade Effect"));
    row->addWidget(addButton(window, "EffectsButton3", "Normalize", "Apply Normalize Effect"));
    row->addWidget(addButton(window, "EffectsButton4", "Echo", "Apply Echo Effect"));
    row->addWidget(addButton(window, "EffectsButton5", "Mix", "Mix"));
    row->addWidget(
        addButton(window, "MoreEffectsButton", "More...", "Click here for more effects..."));
    row->addStretch(1);

    // Commands this build does not offer keep their buttons, hidden.
    QAbstractButton* hidden[] = {
        addButton(window, "songInfoButton", "Change Song Info...", {}),
        addButton(window, "PodcastInfoCoolButton", "View Podcast Info", {}),
        addButton(window, "RipButton", "Rip", {}),
        addButton(window, "BurnButton", "Burn", {}),
    };
    for (QAbstractButton* button : hidden) {
        row->addWidget(button);
        button->hide();
    }
    return strip;
}

QWidget* buildWaveformArea(QWidget* window) {
    auto* area = new QWidget(window);
    area->setObjectName("WaveformArea");
    auto* column = new QVBoxLayout(area);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    // Without a document the areas show a display's empty state in the scheme's colours.
    auto* waveform = new TNoDocumentView("No sample present", area);
    waveform->setObjectName("WaveformBase");
    waveform->setMinimumHeight(180);
    waveform->setFocusPolicy(Qt::StrongFocus);

    QFrame* scale = placeholder(area, "Scale", "#ececec");
    scale->setFixedHeight(20);

    auto* overviewRow = new QHBoxLayout;
    overviewRow->setSpacing(0);
    QAbstractButton* left = addButton(window, "WaveformLeftScrollButton", "<", "Scroll left");
    QAbstractButton* right = addButton(window, "WaveformRightScrollButton", ">", "Scroll right");
    auto* overview = new TNoDocumentView("No sample present", area);
    overview->setObjectName("OverviewBase");
    overview->setFixedHeight(56);
    for (QAbstractButton* button : {left, right}) {
        button->setFixedSize(22, 56);
        // Read out by its hint rather than its arrow.
        button->setAccessibleName(button->toolTip());
    }
    overviewRow->addWidget(left);
    overviewRow->addWidget(overview, 1);
    overviewRow->addWidget(right);

    column->addWidget(waveform, 1);
    column->addWidget(scale);
    column->addLayout(overviewRow);
    return area;
}

QWidget* buildTransport(QWidget* window) {
    auto* box = panel(window, "TransportPanel");
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setSpacing(4);

    struct Control {
        const char* name;
        const char* hint;
    };
    const Control controls[] = {
        {"SkipToStartButton", "Go to beginning"},
        {"RewindButton", "Rewind"},
        {"PlayButton", "Play"},
        {"PauseButton", "Pause"},
        {"PlayFromStartButton", "Play From Start"},
        {"StopButton", "Stop"},
        {"FastForwardButton", "Forward"},
        {"SkipToEndButton", "Go to end"},
        {"StartStopRecordingButton", "Record"},
    };
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(3);
    for (const Control& c : controls) {
        // A glyph and no caption: the hint names the button for screen readers.
        auto* button = static_cast<TCoolButton*>(addButton(window, c.name, c.hint, c.hint));
        button->setText({});
        button->setFixedSize(36, 30);
        buttons->addWidget(button);
    }
    static_cast<TCoolButton*>(window->findChild<QAbstractButton*>("PauseButton"))
        ->setIsToggleButton(true);
    static_cast<TCoolButton*>(window->findChild<QAbstractButton*>("StartStopRecordingButton"))
        ->setIsToggleButton(true);
    grid->addLayout(buttons, 0, 0, 1, 4);

    grid->addWidget(addButton(window, "RecSettingsButton", "Rec Settings", "Recording format"), 1,
                    0);
    grid->addWidget(
        addButton(window, "RecSourceButton", "Rec Source", "Choose the recording source"), 1, 1);
    auto* source = new QLabel(box);
    source->setObjectName("RecordingSourceLabel");
    // The source's name and the "Recording" label take fixed room, shown or not, so that no
    // transport button moves under the mouse when a recording starts or the source changes.
    source->setFixedWidth(110);
    grid->addWidget(source, 1, 2);
    auto* recording = new QLabel(" Recording ", box);
    recording->setObjectName("RecordingLabel");
    recording->setStyleSheet("QLabel#RecordingLabel { background: red; color: white; }");
    recording->setFixedWidth(recording->sizeHint().width());
    QSizePolicy keepRoom = recording->sizePolicy();
    keepRoom.setRetainSizeWhenHidden(true);
    recording->setSizePolicy(keepRoom);
    grid->addWidget(recording, 1, 3);
    return box;
}

}  // namespace

void TMainForm::buildCentralArea() {
    // The window's background is tiled from the skin; the tool strip shows it.
    auto* central = new TCoolForm(this);
    central->setObjectName("CentralArea");
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // One button per open document lives here; only one document is open at a time.
    auto* documentBar = new QFrame(central);
    documentBar->setObjectName("DocumentButtonBar");
    documentBar->setFixedHeight(24);
    documentBar->hide();

    layout->addWidget(buildToolStrip(this));
    layout->addWidget(documentBar);
    layout->addWidget(buildWaveformArea(this), 1);
    layout->addWidget(buildConsole());
    setCentralWidget(central);
}

QWidget* TMainForm::buildConsole() {
    auto* console = panel(this, "ConsolePanel");
    auto* row = new QHBoxLayout(console);
    row->setContentsMargins(6, 6, 6, 6);
    row->setSpacing(8);
    m_levelMeters = new LevelMeters(this);
    row->addWidget(m_levelMeters, 0, Qt::AlignLeft | Qt::AlignBottom);
    row->addWidget(buildTransport(this));
    // Positions are written at the current document's rate; without one, at the rate the next
    // recording would have.
    m_readouts = new ReadoutBar([this] { return m_view.Units(); },
                                [this] {
                                    return m_documents.current() != nullptr &&
                                           CurrentView() != nullptr && !m_transport.BlocksEditing();
                                },
                                this);
    m_view.Attach(*m_readouts);
    row->addWidget(m_readouts);
    row->addStretch(1);
    m_mixerPanel = new MixerPanel(m_dialogs, this);
    m_mixerPanel->setProperty("consolePanel", true);
    connect(m_mixerPanel, &MixerPanel::SourceShown, this, [this](const QString& name) {
        // The name may be longer than the label's fixed room; the tooltip shows it whole.
        auto* label = findChild<QLabel*>("RecordingSourceLabel");
        label->setText(name);
        label->setToolTip(name);
    });
    connect(m_mixerPanel, &MixerPanel::SliderScrolled, this, &TMainForm::FocusView);
    row->addWidget(m_mixerPanel);
    applySkin();
    return console;
}

// The console's mixer commands are the mixer panel's.
const MixerSources& TMainForm::InputSources() const {
    return m_mixerPanel->Sources();
}

// The skin chosen in the Preferences (the stored one at start): the skinned controls and the
// background take its images, the transport its glyphs, and the window its light or dark
// colours.
void TMainForm::applySkin() {
    TPreferencesForm* preferences = m_prefs ? m_prefs->PreferencesForm() : nullptr;
    if (preferences != nullptr) {
        SkinImages::setSkin(SkinImages::skinFromName(preferences->GetSkinName()));
    }
    const Skin skin = SkinImages::skin();
    // Drawn for the densest screen, so that they stay sharp when the window moves there.
    qreal ratio = qApp->devicePixelRatio();
    for (const QScreen* screen : QGuiApplication::screens()) {
        ratio = std::max(ratio, screen->devicePixelRatio());
    }
    for (const char* name : kTransportButtons) {
        if (auto* button = findChild<TCoolButton*>(name)) {
            button->setGlyph(TransportGlyph(name, skin, ratio));
        }
    }
    // The window's own colours follow; the light skin leaves the toolkit's.
    static bool darkApplied = false;
    if (skin == Skin::Dark || darkApplied) {
        QApplication::setPalette(SkinImages::windowPalette(skin, style()->standardPalette()));
        darkApplied = skin == Skin::Dark;
        // Widgets under the window's style sheet take the new colours when it is set again.
        applyPanelColours();
    }
    // The ruler's marks and labels stay readable on the window's colour: black on the light
    // skin, the skin's text colour on the dark one.
    if (m_scale != nullptr) {
        m_scale->setColor(skin == Skin::Dark
                              ? fromQColor(QApplication::palette().color(QPalette::WindowText))
                              : TColor{0});
    }
    // Asked for in the Preferences: the display colours that go with the skin, stored and
    // shown at once.
    if (preferences != nullptr && preferences->TakeSkinColorsRequest()) {
        m_colors.TakeSkinColors(skin == Skin::Dark);
    }
}

// The side panels keep fixed colours: black panels, white text, grey frames.
void TMainForm::applyPanelColours() {
    setStyleSheet(
        "QFrame[consolePanel=\"true\"] { background: black; border: 1px solid gray; }"
        "QFrame[consolePanel=\"true\"] QLabel { color: white; border: none; }"
        "QLabel[readout=\"true\"] { border: 1px solid gray; padding: 1px 4px; }");
}

}  // namespace sonthra
