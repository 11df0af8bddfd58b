// The main window's widgets: the tool strip with the zoom and effect buttons, the waveform
// area (display, time ruler and overview), and the console below it with the level meters,
// the transport, the position read-outs and the mixer sliders.
//
// The waveform display, the overview, the ruler and the level meters are plain frames here,
// named as the components that take their place (`WaveformBase`, `OverviewBase`, `Scale`,
// `LedRowLeft`, `LedRowRight`).
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/ui/main_form.h"
#include "app/ui/readout_bar.h"

namespace sonthra {

namespace {

constexpr int kMeterWidth = 12;
constexpr int kMeterHeight = 82;

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

QLabel* caption(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

// The record glyph and the play-from-start glyph have no standard icon of their own.
QIcon drawnIcon(bool record) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    if (record) {
        painter.setBrush(QColor(220, 30, 30));
        painter.drawEllipse(QRectF(2, 2, 12, 12));
    } else {
        painter.setBrush(QColor(40, 40, 40));
        painter.drawRect(QRectF(2, 2, 2.5, 12));
        QPainterPath triangle;
        triangle.moveTo(6, 2);
        triangle.lineTo(14, 8);
        triangle.lineTo(6, 14);
        triangle.closeSubpath();
        painter.drawPath(triangle);
    }
    return QIcon(pixmap);
}

}  // namespace

QAbstractButton* TMainForm::addButton(const char* name, const QString& caption, const QString& hint,
                                      void (TMainForm::*handler)()) {
    auto* button = new QToolButton(this);
    button->setObjectName(name);
    button->setText(caption);
    button->setToolTip(hint.isEmpty() ? caption : hint);
    button->setMinimumHeight(26);
    if (handler != nullptr) connect(button, &QToolButton::clicked, this, handler);
    return button;
}

QSlider* TMainForm::addSlider(const char* name, Qt::Orientation orientation,
                              void (TMainForm::*handler)()) {
    auto* slider = new QSlider(orientation, this);
    slider->setObjectName(name);
    slider->setRange(0, 100);
    slider->setValue(50);
    slider->setPageStep(2);
    // The top of a volume slider is full volume, as position 0 is in the mixer's formula.
    slider->setInvertedAppearance(orientation == Qt::Vertical);
    slider->setInvertedControls(orientation == Qt::Vertical);
    connect(slider, &QSlider::actionTriggered, this, handler);
    return slider;
}

void TMainForm::buildCentralArea() {
    auto* central = new QWidget(this);
    central->setObjectName("CentralArea");
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // One button per open document lives here; only one document is open at a time.
    auto* documentBar = new QFrame(central);
    documentBar->setObjectName("DocumentButtonBar");
    documentBar->setFixedHeight(24);
    documentBar->hide();

    layout->addWidget(buildToolStrip());
    layout->addWidget(documentBar);
    layout->addWidget(buildWaveformArea(), 1);
    layout->addWidget(buildConsole());
    setCentralWidget(central);
}

QWidget* TMainForm::buildToolStrip() {
    auto* strip = panel(this, "ToolStrip");
    auto* row = new QHBoxLayout(strip);
    row->setContentsMargins(6, 4, 6, 4);
    row->setSpacing(4);

    row->addWidget(
        addButton("ZoomInButton", "Zoom In", "Zoom In (F2)", &TMainForm::ZoomInButtonClick));
    row->addWidget(
        addButton("ZoomOutButton", "Zoom Out", "Zoom Out (F3)", &TMainForm::ZoomOutButtonClick));
    row->addWidget(addButton("ZoomToSelectionButton", "Zoom To Selection", "Zoom To Selection (F4)",
                             &TMainForm::ZoomToSelectionButtonClick));
    row->addWidget(addButton("ZoomToExtentsButton", "Zoom To Extent", "Zoom To Extents (F5)",
                             &TMainForm::ZoomToExtentsButtonClick));
    row->addSpacing(16);
    row->addWidget(addButton("EffectsButton1", "EQ", "Apply Equalize Effect",
                             &TMainForm::EffectsButton1Click));
    row->addWidget(
        addButton("EffectsButton2", "Fade", "Apply Fade Effect", &TMainForm::EffectsButton2Click));
    row->addWidget(addButton("EffectsButton3", "Normalize", "Apply Normalize Effect",
                             &TMainForm::EffectsButton3Click));
    row->addWidget(
        addButton("EffectsButton4", "Echo", "Apply Echo Effect", &TMainForm::EffectsButton4Click));
    row->addWidget(addButton("EffectsButton5", "Mix", "Mix", &TMainForm::EffectsButton5Click));
    row->addWidget(addButton("MoreEffectsButton", "More...", "Click here for more effects...",
                             &TMainForm::MoreEffectsButtonClick));
    row->addStretch(1);

    // Commands this build does not offer keep their buttons, hidden.
    QAbstractButton* hidden[] = {
        addButton("songInfoButton", "Change Song Info...", {}, &TMainForm::songInfoButtonClick),
        addButton("PodcastInfoCoolButton", "View Podcast Info", {},
                  &TMainForm::PodcastInfoCoolButtonClick),
        addButton("RipButton", "Rip", {}, nullptr),
        addButton("BurnButton", "Burn", {}, nullptr),
    };
    for (QAbstractButton* button : hidden) {
        row->addWidget(button);
        button->hide();
    }
    return strip;
}

QWidget* TMainForm::buildWaveformArea() {
    auto* area = new QWidget(this);
    area->setObjectName("WaveformArea");
    auto* column = new QVBoxLayout(area);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* waveform = new QLabel("No sample present", area);
    waveform->setObjectName("WaveformBase");
    waveform->setAlignment(Qt::AlignCenter);
    waveform->setMinimumHeight(180);
    waveform->setStyleSheet("QLabel#WaveformBase { background: black; color: #6ab5ff; }");
    waveform->setFocusPolicy(Qt::StrongFocus);

    QFrame* scale = placeholder(area, "Scale", "#ececec");
    scale->setFixedHeight(20);

    auto* overviewRow = new QHBoxLayout;
    overviewRow->setSpacing(0);
    QAbstractButton* left = addButton("WaveformLeftScrollButton", "<", "Scroll left",
                                      &TMainForm::WaveformLeftScrollButtonClick);
    QAbstractButton* right = addButton("WaveformRightScrollButton", ">", "Scroll right",
                                       &TMainForm::WaveformRightScrollButtonClick);
    QFrame* overview = placeholder(area, "OverviewBase", "black");
    overview->setFixedHeight(56);
    for (QAbstractButton* button : {left, right}) {
        button->setFixedSize(22, 56);
    }
    overviewRow->addWidget(left);
    overviewRow->addWidget(overview, 1);
    overviewRow->addWidget(right);

    column->addWidget(waveform, 1);
    column->addWidget(scale);
    column->addLayout(overviewRow);
    return area;
}

QWidget* TMainForm::buildConsole() {
    auto* console = panel(this, "ConsolePanel");
    auto* row = new QHBoxLayout(console);
    row->setContentsMargins(6, 6, 6, 6);
    row->setSpacing(8);
    row->addWidget(buildMeters(), 0, Qt::AlignLeft | Qt::AlignBottom);
    row->addWidget(buildTransport());
    // Positions are written at the current document's rate; without one, at the rate the next
    // recording would have.
    m_readouts = new ReadoutBar(
        [this] {
            return ReadoutBar::Units{displayMode(), positionFormat()};
        },
        [this] {
            return m_documents.current() != nullptr && CurrentView() != nullptr &&
                   !m_transport.BlocksEditing();
        },
        this);
    row->addWidget(m_readouts);
    row->addStretch(1);
    row->addWidget(buildMixer());
    return console;
}

QWidget* TMainForm::buildMeters() {
    auto* box = panel(this, "MeterPanel");
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(3);
    const char* clipping[] = {"LeftChannelClipping", "RightChannelClipping"};
    const char* meters[] = {"LedRowLeft", "LedRowRight"};
    const char* names[] = {"L", "R"};
    for (int channel = 0; channel < 2; ++channel) {
        QFrame* light = placeholder(box, clipping[channel], "rgb(128, 128, 128)");
        light->setFixedSize(kMeterWidth, 8);
        light->setToolTip("Clipping");
        QFrame* meter = placeholder(box, meters[channel], "#800000");
        meter->setFixedSize(kMeterWidth, kMeterHeight);
        grid->addWidget(light, 0, channel);
        grid->addWidget(meter, 1, channel);
        grid->addWidget(caption(names[channel], box), 2, channel);
    }
    return box;
}

QWidget* TMainForm::buildTransport() {
    auto* box = panel(this, "TransportPanel");
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setSpacing(4);

    struct Control {
        const char* name;
        const char* hint;
        QStyle::StandardPixmap icon;
        void (TMainForm::*handler)();
    };
    const Control controls[] = {
        {"SkipToStartButton", "Go to beginning", QStyle::SP_MediaSkipBackward,
         &TMainForm::SkipToStartButtonClick},
        {"RewindButton", "Rewind", QStyle::SP_MediaSeekBackward, &TMainForm::RewindButtonClick},
        {"PlayButton", "Play", QStyle::SP_MediaPlay, &TMainForm::PlayButtonClick},
        {"PauseButton", "Pause", QStyle::SP_MediaPause, &TMainForm::PauseButtonClick},
        {"PlayFromStartButton", "Play From Start", QStyle::SP_MediaPlay,
         &TMainForm::PlayFromStartButtonClick},
        {"StopButton", "Stop", QStyle::SP_MediaStop, &TMainForm::StopButtonClick},
        {"FastForwardButton", "Forward", QStyle::SP_MediaSeekForward,
         &TMainForm::FastForwardButtonClick},
        {"SkipToEndButton", "Go to end", QStyle::SP_MediaSkipForward,
         &TMainForm::SkipToEndButtonClick},
        {"StartStopRecordingButton", "Record", QStyle::SP_CustomBase,
         &TMainForm::StartStopRecordingButtonClick},
    };
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(3);
    for (const Control& c : controls) {
        QAbstractButton* button = addButton(c.name, c.hint, c.hint, c.handler);
        auto* tool = static_cast<QToolButton*>(button);
        tool->setToolButtonStyle(Qt::ToolButtonIconOnly);
        if (c.icon == QStyle::SP_CustomBase) {
            tool->setIcon(drawnIcon(true));
        } else if (QString(c.name) == "PlayFromStartButton") {
            tool->setIcon(drawnIcon(false));
        } else {
            tool->setIcon(style()->standardIcon(c.icon));
        }
        tool->setIconSize(QSize(20, 20));
        tool->setFixedSize(36, 30);
        buttons->addWidget(tool);
    }
    findChild<QAbstractButton*>("PauseButton")->setCheckable(true);
    findChild<QAbstractButton*>("StartStopRecordingButton")->setCheckable(true);
    grid->addLayout(buttons, 0, 0, 1, 4);

    grid->addWidget(addButton("RecSettingsButton", "Rec Settings", "Recording format",
                              &TMainForm::RecSettingsButtonClick),
                    1, 0);
    grid->addWidget(addButton("RecSourceButton", "Rec Source", "Next recording source",
                              &TMainForm::RecSourceButtonClick),
                    1, 1);
    auto* source = new QLabel(box);
    source->setObjectName("RecordingSourceLabel");
    source->setMinimumWidth(110);
    grid->addWidget(source, 1, 2);
    auto* recording = new QLabel(" Recording ", box);
    recording->setObjectName("RecordingLabel");
    recording->setStyleSheet("QLabel#RecordingLabel { background: red; color: white; }");
    grid->addWidget(recording, 1, 3);
    return box;
}

QWidget* TMainForm::buildMixer() {
    auto* box = panel(this, "MixerPanel");
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setSpacing(4);

    struct Pair {
        const char* title;
        const char* volume;
        const char* balance;
        void (TMainForm::*volumeHandler)();
        void (TMainForm::*balanceHandler)();
    };
    const Pair pairs[] = {
        {"Record", "RecordVolumeTrackBar", "RecordBalanceTrackBar",
         &TMainForm::RecordVolumeTrackBarScroll, &TMainForm::RecordBalanceTrackBarScroll},
        {"Playback", "PlaybackVolumeTrackBar", "PlaybackBalanceTrackBar",
         &TMainForm::PlaybackVolumeTrackBarScroll, &TMainForm::PlaybackBalanceTrackBarScroll},
    };
    int column = 0;
    for (const Pair& p : pairs) {
        QSlider* volume = addSlider(p.volume, Qt::Vertical, p.volumeHandler);
        volume->setToolTip(QString("%1 Volume").arg(p.title));
        volume->setFixedHeight(70);
        QSlider* balance = addSlider(p.balance, Qt::Horizontal, p.balanceHandler);
        balance->setToolTip(QString("%1 Balance").arg(p.title));
        balance->setFixedWidth(90);
        grid->addWidget(caption(p.title, box), 0, column, 1, 2);
        grid->addWidget(volume, 1, column, 2, 1, Qt::AlignHCenter);
        grid->addWidget(caption("L   Balance   R", box), 1, column + 1, Qt::AlignBottom);
        grid->addWidget(balance, 2, column + 1, Qt::AlignTop);
        column += 2;
    }
    return box;
}

// The side panels keep fixed colours: black panels, white text, grey frames.
void TMainForm::applyPanelColours() {
    setStyleSheet(
        "QFrame[consolePanel=\"true\"] { background: black; border: 1px solid gray; }"
        "QFrame[consolePanel=\"true\"] QLabel { color: white; border: none; }"
        "QLabel[readout=\"true\"] { border: 1px solid gray; padding: 1px 4px; }");
}

}  // namespace sonthra
