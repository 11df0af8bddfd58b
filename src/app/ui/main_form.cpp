#include "app/ui/main_form.h"
#include "app/argument_block.h"
#include "app/ui/media_controller.h"
#include "app/ui/readout_bar.h"
#include "app/ui/window_texts.h"

#include <QAbstractButton>
#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QShowEvent>
#include <QUrl>

#include "app/ui/about_form.h"
#include "app/ui/command_states.h"
#include "app/ui/document_views.h"
#include "app/ui/effects_controller.h"
#include "app/ui/level_meters.h"
#include "app/ui/preferences_controller.h"
#include "dialogs/ui/help.h"
#include "messages/message_table.h"
#include "view/ui/color_form.h"
#include "view/ui/wave_display.h"

namespace sonthra {

namespace {

constexpr QSize kDesignSize(940, 600);

std::vector<std::string> plainArguments(const QStringList& args) {
    std::vector<std::string> plain;
    plain.reserve(args.size());
    for (const QString& arg : args) plain.push_back(arg.toStdString());
    return plain;
}

// The first local file among dropped items, or empty.
QString droppedFile(const QMimeData* mime) {
    if (mime == nullptr || !mime->hasUrls()) return {};
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile()) return url.toLocalFile();
    }
    return {};
}

}  // namespace

// The creation steps of the main window, in their order. Steps that belong to pieces built
// elsewhere (the document list, the engine's callback window, the plug-in host, the meters'
// level) are done by those pieces when they attach to the window.
TMainForm::TMainForm(UserDialogs& dialogs, QWidget* parent)
    : QMainWindow(parent),
      m_dialogs(dialogs),
      m_colors(dialogs, *this, [this](ColorSchemeTargets& targets) {
          m_parts->AddColorTargets(targets);
          m_levelMeters->AddColorTargets(targets);
          targets.emptyDisplay = findChild<TNoDocumentView*>("WaveformBase");
          targets.emptyOverview = findChild<TNoDocumentView*>("OverviewBase");
          targets.renderAndScale = [this](RIZI32DaziVereruz& view) {
              m_parts->RenderAndScale(view, view.ZoomLevel(), view.LeftSamplePos());
          };
      }) {
    setObjectName("TMainForm");
    setWindowTitle(QString::fromUtf8(kProductCaption));
    setAcceptDrops(true);

    buildMenus();
    buildCentralArea();
    buildStatusBar();
    applyPanelColours();
    resize(kDesignSize);
    setMinimumSize(minimumSizeHint().expandedTo(QSize(760, 480)));

    // No document yet: nothing to describe, podcast upload needs a saved podcast.
    findChild<QLabel*>("RecordingSourceLabel")->clear();
    findChild<QLabel*>("RecordingLabel")->hide();
    Action("songInfoMenu")->setEnabled(false);
    findChild<QWidget*>("songInfoButton")->setEnabled(false);
    Action("FileUploadPodcastMenu")->setEnabled(false);
    findChild<QWidget*>("PodcastInfoCoolButton")->setEnabled(false);

    BlankStatusBar();
    SetCommandState(kStateNoDocument);
    setPositionDisplayMode(Action("ViewPositionDisplaySamplesMenu")->isChecked()
                               ? PositionDisplayMode::Samples
                               : PositionDisplayMode::Time);

    m_aboutForm = new TAboutForm(this);
    initDocuments();
    initEditing();
    wireCommands();
}

void TMainForm::SetStartupArguments(const QStringList& args) {
    m_startupArguments = args;
}

void TMainForm::PostCommandBlock(const ArgumentBlock& block) {
    QMetaObject::invokeMethod(
        this, [this, block] { CommandHandler(block); }, Qt::QueuedConnection);
}

void TMainForm::CommandHandler(const ArgumentBlock& block) {
    if (m_busy.isSet()) return;
    BusyScope busy(m_busy);
    const CommandLineRequest request = InterpretArgumentBlock(block);
    if (request.ignored) return;
    for (const std::string& file : request.files) {
        const QString name = QString::fromStdString(file);
        QString path = QFileInfo(name).absoluteFilePath();
        if (path.isEmpty()) path = name;
        emit OpenRequested(path, request.unsaved);
        // No room in the temporary folder for one file leaves none for the files after it.
        if (m_docs->OpenFoundNoRoom()) break;
    }
}

bool TMainForm::IsVisibleForHandOver() const {
    return isVisible();
}

void TMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (m_firstShow) {
        m_firstShow = false;
        if (!m_startupArguments.isEmpty()) {
            PostCommandBlock(ArgumentBlock::fromArguments(plainArguments(m_startupArguments)));
        }
        // The user's colours apply from the first show, with or without a file to open.
        m_colors.LoadColorScheme();
    }
    m_transport.StartLevelTestIfWanted();
    Action("WindowEditMenu")->setChecked(true);
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

// A dropped file goes the command line's way, so the busy rule and the file kinds of the
// command handler apply to it as well.
void TMainForm::dropEvent(QDropEvent* event) {
    const QString file = droppedFile(event->mimeData());
    if (file.isEmpty()) return;
    event->acceptProposedAction();
    PostCommandBlock(ArgumentBlock::fromArguments({file.toStdString()}));
}

void TMainForm::setPositionDisplayMode(PositionDisplayMode mode) {
    m_view.SetDisplayMode(mode);
    const bool time = mode == PositionDisplayMode::Time;
    Action(time ? "ViewPositionDisplayMinSecMenu" : "ViewPositionDisplaySamplesMenu")
        ->setChecked(true);
}

void TMainForm::ViewPositionDisplayMinSecMenuClick() {
    setPositionDisplayMode(PositionDisplayMode::Time);
    positionDisplayChanged();
}

void TMainForm::ViewPositionDisplaySamplesMenuClick() {
    setPositionDisplayMode(PositionDisplayMode::Samples);
    positionDisplayChanged();
}

// Space stops whatever runs (playback or recording) and otherwise plays, following the
// transport buttons that the command state has switched on.
void TMainForm::playOrStop() {
    auto* stop = findChild<QAbstractButton*>("StopButton");
    auto* play = findChild<QAbstractButton*>("PlayButton");
    if (stop->isEnabled()) {
        stop->click();
    } else if (play->isEnabled()) {
        play->click();
    }
}

void TMainForm::HelpContentsMenuClick() {
    ShowHelpTopic(m_dialogs, kHelpContents);
}

void TMainForm::HelpAboutMenuClick() {
    m_aboutForm->open();
    m_aboutForm->raise();
}

}  // namespace sonthra
