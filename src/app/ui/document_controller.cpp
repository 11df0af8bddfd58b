// The document controller: new documents, opening (by path, by menu, from the recent files, as
// an unsaved copy, from WMA), selecting and closing. Saving is in document_saving.cpp.
#include "app/ui/document_controller.h"

#include <QFileInfo>

#include <chrono>

#include "app/document_files.h"
#include "app/temp_names.h"
#include "app/transport_controller.h"
#include "app/ui/command_states.h"
#include "app/ui/document_session.h"
#include "app/workspace_job.h"
#include "convert/mp3_export.h"
#include "convert/ui/wma_to_wave_form.h"
#include "dialogs/ui/user_dialogs.h"
#include "engine/nx_wave_player.h"
#include "messages/message_table.h"
#include "settings/settings.h"
#include "view/peak_file.h"
#include "wave/wave_inspect.h"
#include "wave/wave_probe.h"
#include "wave/wave_writer.h"

namespace sonthra {

namespace {

constexpr int kUndoRedoNotMade = 177;
constexpr int kCopyThreadNotStarted = 181;
constexpr int kFileMissing = 184;
constexpr int kTempFileNotMade = 160;
constexpr int kNoWholeFrame = 164;
constexpr int kWmaNotProper = 489;
constexpr int kSavePrompt = 427;

constexpr const char* kOpenFilter =
    "Wave Files (*.wav);;MP3 Files (*.mp3);;All Supported Media Types (*.mp3 *.wav)";
constexpr const char* kNoRoomText =
    "Warning : There is not enough free space on your temporary drive. It is recommended to make "
    "more free space available, and try again.?";
// The page the MP3 component question opens.
constexpr const char* kCodecPageUrl = "https://www.corvanta.com/sonthra/codecs/";

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

DocumentController::DocumentController(DocumentSurface& surface, DocumentSession& session,
                                       UserDialogs& dialogs, const TransportController& transport)
    : m_surface(surface), m_session(session), m_dialogs(dialogs), m_transport(transport) {}

void DocumentController::askMp3Component() {
    if (AskMessage(m_dialogs, parent(), kMp3NoComponent, DialogButtons::YesNo,
                   DialogIcon::Warning) == DialogAnswer::Yes) {
        m_dialogs.openUrl(kCodecPageUrl);
    }
}

void DocumentController::PasteFromEngine() {
    m_surface.EnableCommand(EditCommand::Paste,
                            m_engine != nullptr && m_engine->AudioEditCanPaste() != 0);
}

void DocumentController::NewDocumentCommands() {
    m_surface.SwitchCommands(kStateNewDocument);
    PasteFromEngine();
}

// ---- New and open.

void DocumentController::FileNewMenuClick() {
    if (m_engine == nullptr || m_transport.IsRecording()) return;
    BusyHold busy(m_session);
    RecordFormat format;
    if (!m_surface.AskRecordingFormat(format)) {
        m_surface.EnableCommand(EditCommand::Export, false);
        return;
    }
    if (NewDocument(format) == 0) {
        m_surface.EnableCommand(EditCommand::Export, false);
        if (m_transport.IsPlaying()) m_surface.StopPlayback();
    }
}

int DocumentController::NewDocument(const RecordFormat& format, const QString& name) {
    DocumentList& documents = m_session.Documents();
    if (!documents.empty()) {
        const int closed = CloseDocument(static_cast<int>(documents.count()) - 1, true);
        if (closed != 0) return closed;
    }
    auto document = std::make_unique<AudioDocument>();
    document->id = documents.nextId();
    const std::string temp = m_session.TempPreference();
    const std::string work = ReserveTempName(temp);
    if (work.empty()) return ShowMessage(m_dialogs, parent(), kTempFileNotMade);
    const int made =
        createEmptyWave(work, format.sampleRate, format.bitsPerSample, format.channels);
    if (made != 0) {
        RemoveFile(work);
        return ShowMessage(m_dialogs, parent(), made);
    }
    document->fileName = name.isEmpty() ? documents.nextUntitledName() : name.toStdString();
    document->workFile = work;
    document->undoFile = ReserveTempName(temp);
    document->redoFile = ReserveTempName(temp);
    document->state = DocumentState::New;
    document->workspace = WorkspaceState::Ready;
    document->sampleRate = format.sampleRate;
    document->bitsPerSample = format.bitsPerSample;
    document->channels = format.channels;
    FillFormat(*document);
    auto removeFiles = [&] {
        RemoveFile(document->workFile);
        RemoveFile(document->undoFile);
        RemoveFile(document->redoFile);
    };
    if (document->undoFile.empty() || document->redoFile.empty()) {
        removeFiles();
        return ShowMessage(m_dialogs, parent(), kUndoRedoNotMade);
    }
    const int parts = m_surface.CreateParts(*document);
    if (parts != 0) {
        m_surface.DestroyParts(document->id);
        removeFiles();
        return ShowMessage(m_dialogs, parent(), parts);
    }
    m_surface.OpenEmptyAudio(*document);

    const std::size_t index = documents.append(std::move(document));
    documents.setCurrent(static_cast<int>(index));
    m_surface.ShowParts(documents.current());
    m_surface.PlaceDocumentButtons();
    m_surface.ShowDocument();
    documents.countUntitled();
    NewDocumentCommands();
    return 0;
}

int DocumentController::showRefusal(const std::string& file, const AudioFileFacts& facts,
                                    int refused) {
    m_dialogs.messageBox(parent(), kProductCaption, qs(refusalText(file, facts, refused)),
                         DialogIcon::Error, DialogButtons::Ok);
    return refused;
}

// Takes a document that failed half way out again; its working files go with it.
int DocumentController::removeFailedDocument(std::uint32_t id, int result) {
    DocumentList& documents = m_session.Documents();
    m_session.CancelWorkspaceJob(id);
    const int index = documents.indexOfId(id);
    if (index >= 0) {
        const AudioDocument* document = documents.at(static_cast<std::size_t>(index));
        RemoveFile(document->workFile);
        RemoveFile(document->undoFile);
        RemoveFile(document->redoFile);
        m_surface.DestroyParts(id);
        documents.remove(static_cast<std::size_t>(index));
    }
    if (documents.empty()) {
        m_surface.ShowNoDocument();
    } else if (documents.current() == nullptr) {
        SelectDocument(static_cast<int>(documents.count()) - 1, false);
    }
    return result;
}

int DocumentController::OpenFileByPath(const QString& path) {
    if (path.isEmpty() || m_engine == nullptr) return 0;
    DocumentList& documents = m_session.Documents();
    const std::string file = path.toStdString();
    if (!QFileInfo(path).isFile()) return ShowMessage(m_dialogs, parent(), kFileMissing, {path});
    // The content decides how the file opens: a WAV file named ".mp3" is a WAV file.
    AudioFileFacts facts;
    const int refused = inspectAudioFile(file, &facts);
    const bool mp3 = facts.opensAs == OpensAs::Mpeg;
    // Without the MP3 converter nothing is closed for a file that cannot be opened anyway.
    if (mp3 && !(m_mp3.canConvert && m_mp3.bitRate && m_mp3.convertToWave)) {
        return kMp3NoComponent;
    }
    if (refused != 0) return showRefusal(file, facts, refused);
    if (!mp3 && documents.indexOfFileName(file) < 0) {
        AudioFileInfo info;
        const int unreadable = m_engine->AudioGetFileInfo(&info, file);
        if (unreadable != 0) return ShowEngineError(m_dialogs, parent(), unreadable);
    }
    // A file open in another document than the last one stays open: it is only selected.
    const int alreadyOpen = documents.indexOfFileName(file);
    if (alreadyOpen >= 0 && alreadyOpen + 1 < static_cast<int>(documents.count())) {
        const int closed = CloseDocument(static_cast<int>(documents.count()) - 1, true);
        if (closed != 0) return closed;
        SelectDocument(documents.indexOfFileName(file), false);
        return 0;
    }

    // Everything that can fail is done before the open document is closed, so that a refused,
    // failed or cancelled open leaves it as it was, its undo included.
    const std::uint32_t bitRate = mp3 ? m_mp3.bitRate(file) : 0;
    const std::uint64_t needed = EstimateWorkspaceBytes(FileSize(file).value_or(0), mp3, bitRate);
    const std::optional<std::uint64_t> room = FreeSpaceBytes(m_session.TempFolder());
    if (room && *room < needed) {
        m_dialogs.messageBox(parent(), kProductCaption, kNoRoomText, DialogIcon::Warning,
                             DialogButtons::Ok);
        m_openFoundNoRoom = true;
        return kNoRoomForWorkspace;
    }
    const std::string temp = m_session.TempPreference();
    const std::string workFile = ReserveTempName(temp);
    if (workFile.empty()) return ShowMessage(m_dialogs, parent(), kTempFileNotMade);
    if (mp3) {
        const bool possible = m_mp3.canConvert(file);
        const int converted = possible ? m_mp3.convertToWave(file, workFile) : 0;
        if (!possible || converted != 0) {
            RemoveFile(workFile);
            return possible ? converted : kMp3NoComponent;
        }
    }
    if (!documents.empty()) {
        const int closed = CloseDocument(static_cast<int>(documents.count()) - 1, true);
        if (closed != 0) {
            RemoveFile(workFile);
            return closed;
        }
    }

    auto record = std::make_unique<AudioDocument>();
    AudioDocument& document = *record;
    document.id = documents.nextId();
    document.workFile = workFile;
    if (mp3) document.mp3BitRate = static_cast<std::int32_t>(bitRate);
    document.fileName = file;
    document.undoFile = ReserveTempName(temp);
    document.redoFile = ReserveTempName(temp);
    document.state = DocumentState::Clean;
    document.sourceKind = mp3 ? SourceKind::Mp3 : SourceKind::Wav;
    document.workspace = mp3 ? WorkspaceState::Ready : WorkspaceState::BeingCreated;
    // A WAV file without a readable "id3 " chunk simply has no song information.
    if (mp3) {
        document.tag.readMp3(file);
    } else {
        document.tag.readWave(file);
    }
    const std::uint32_t id = document.id;
    const int parts = m_surface.CreateParts(document);
    documents.setCurrent(static_cast<int>(documents.append(std::move(record))));
    if (parts != 0) return removeFailedDocument(id, ShowMessage(m_dialogs, parent(), parts));
    if (document.undoFile.empty() || document.redoFile.empty()) {
        return removeFailedDocument(id, ShowMessage(m_dialogs, parent(), kUndoRedoNotMade));
    }

    // A WAV file is shown from itself at once; MP3 documents only have their converted copy.
    const std::string shown = mp3 ? document.workFile : file;
    const int peaks = m_surface.BuildPeaks(shown, true);
    if (peaks != 0) return removeFailedDocument(id, peaks);
    m_surface.BuildOverview(shown, true);

    if (!mp3) {
        const int started = m_session.StartWorkspaceJob(document);
        if (started != 0) {
            return removeFailedDocument(id,
                                        ShowMessage(m_dialogs, parent(), kCopyThreadNotStarted));
        }
    }
    const int error = ReadSampleFormat(document, shown);
    if (error != 0) return removeFailedDocument(id, ShowEngineError(m_dialogs, parent(), error));

    m_surface.ShowParts(&document);
    m_surface.PlaceDocumentButtons();
    m_surface.ShowDocument();
    m_surface.SwitchCommands(kStateFileOpened);
    m_surface.SwitchCommands(kStateNoSelection);
    m_surface.PodcastCommands(document);
    PasteFromEngine();
    m_session.AddRecentFile(file);
    m_surface.SongInfoCommands();
    return 0;
}

// An open started by the user: a failure leaves the open document shown as it was, and a
// missing MP3 component is offered.
int DocumentController::openAndAskMp3(const QString& path) {
    const int result = OpenFileByPath(path);
    DocumentList& documents = m_session.Documents();
    if (result != 0 && documents.current() != nullptr) {
        SelectDocument(documents.currentIndex(), false);
    }
    if (result == kMp3NoComponent) askMp3Component();
    return result;
}

void DocumentController::FileOpenMenuClick() {
    if (m_engine == nullptr || m_transport.IsRecording()) return;
    BusyHold busy(m_session);
    FileDialogRequest request;
    request.title = "Open";
    request.filter = kOpenFilter;
    request.defaultSuffix = "wav";
    const QString path = m_dialogs.openFileName(parent(), request);
    if (path.isEmpty()) return;
    if (m_transport.IsPlaying()) m_surface.StopPlayback();
    openAndAskMp3(path);
}

int DocumentController::openAsUnsavedSteps(AudioDocument& document, const std::string& wavPath,
                                           bool adopt) {
    if (adopt) {
        RemoveFile(document.workFile);
        document.workFile = wavPath;
    } else {
        // The user's own file stays where it is: the document works on a copy of it.
        WorkspaceJob copy(wavPath, document.workFile, document.id);
        if (copy.start({}) != 0) return ShowMessage(m_dialogs, parent(), kCopyThreadNotStarted);
        m_dialogs.runProgress(
            parent(), "Preparing file for editing...", true,
            [&copy](bool cancel) { return PollProcess(copy.record(), cancel, ProcessHooks{}); });
        copy.cancel();
        copy.waitForEnd(std::chrono::milliseconds::max());
        if (!copy.succeeded()) {
            return ShowMessage(m_dialogs, parent(), copy.result(), {qs(wavPath)});
        }
    }
    document.tag.readWave(document.workFile);
    const int peaks = m_surface.BuildPeaks(document.workFile, false);
    if (peaks != 0) return peaks;
    m_surface.BuildOverview(document.workFile, true);
    const int error = ReadSampleFormat(document, document.workFile);
    if (error != 0) return ShowEngineError(m_dialogs, parent(), error);
    m_surface.ShowParts(&document);
    m_surface.ShowDocument();
    m_surface.SwitchCommands(kStateRecordingStopped);
    m_surface.SwitchCommands(kStateNoSelection);
    m_surface.EnableCommand(EditCommand::Save, true);
    PasteFromEngine();
    return 0;
}

void DocumentController::OpenAsUnsaved(const QString& wavPath, const QString& displayName,
                                       bool adopt) {
    if (m_engine == nullptr) return;
    if (!QFileInfo(wavPath).isFile()) {
        ShowMessage(m_dialogs, parent(), kFileMissing, {wavPath});
        return;
    }
    // A file the working copy cannot be made of is refused before the open document goes.
    AudioFileFacts facts;
    int refused = inspectAudioFile(wavPath.toStdString(), &facts);
    if (refused == 0 && facts.opensAs != OpensAs::Wave) refused = kMpegNotWave;
    if (refused != 0) {
        showRefusal(wavPath.toStdString(), facts, refused);
        return;
    }
    if (NewDocument(m_surface.RecordingFormat(), displayName) != 0) return;
    DocumentList& documents = m_session.Documents();
    AudioDocument* document = documents.current();
    if (openAsUnsavedSteps(*document, wavPath.toStdString(), adopt) != 0) {
        CloseDocument(documents.indexOfId(document->id), false);
    }
}

// One file of the command handler (message 0x4CB): the command line, a second copy's file or
// a file dropped on the window.
int DocumentController::OpenRequested(const QString& path, bool unsaved) {
    m_openFoundNoRoom = false;
    if (m_engine == nullptr) return 0;
    const std::string file = path.toStdString();
    // A play list goes to the WMA library marked with "@".
    if (HasExtension(file, ".plst")) return LoadWmaFile("@" + path);
    FileKindInfo kind;
    if (HasExtension(file, ".wma") || (inspectFileKind(file, &kind) && kind.kind == FileKind::Asf))
        return LoadWmaFile(path);
    if (unsaved) {
        OpenAsUnsaved(path, {}, false);
        return 0;
    }
    BusyHold busy(m_session);
    return openAndAskMp3(path);
}

void DocumentController::RecentFileChosen(int number) {
    if (m_engine == nullptr || m_settings == nullptr || m_transport.IsRecording()) return;
    const SettingRead<std::string> entry = m_settings->readRecentFile(number);
    if (isSettingsFileFault(entry.result)) {
        ShowMessage(m_dialogs, parent(), entry.result);
        return;
    }
    if (entry.value.empty()) return;
    BusyHold busy(m_session);
    if (m_transport.IsPlaying()) m_surface.StopPlayback();
    openAndAskMp3(qs(entry.value));
}

int DocumentController::LoadWmaFile(const QString& path) {
    if (m_engine == nullptr || m_transport.IsRecording()) return 0;
    BusyHold busy(m_session);
    if (m_transport.IsPlaying()) m_surface.StopPlayback();
    const std::string wav = ReserveTempName(m_session.TempPreference());
    if (wav.empty()) return ShowMessage(m_dialogs, parent(), kTempFileNotMade);
    std::string chosen;
    const int imported = importWmaFile(m_dialogs, parent(), path.toStdString(), wav,
                                       m_session.TempFolder(), &chosen);
    if (imported != 0) {
        RemoveFile(wav);
        return path.isEmpty() && chosen.empty() ? kCancelled : kWmaNotProper;
    }
    OpenAsUnsaved(qs(wav), qs(chosen), true);
    return 0;
}

// The engine's reading of the file's format and length, and the frames from its header.
int DocumentController::ReadSampleFormat(AudioDocument& document, const std::string& file) {
    AudioFileInfo info;
    const int error = m_engine->AudioGetFileInfo(&info, file);
    if (error != 0) return error;
    document.bitsPerSample = info.bitsPerSample;
    document.channels = info.channels;
    document.lengthMs = info.lengthMs;
    document.sampleRate = info.sampleRate;
    // The probe calls a file without a whole frame a failure, yet that is just an empty
    // working copy (everything cut, a new document): it holds 0 frames, not the old count.
    std::uint32_t frames = 0;
    const int probed = probeWave(file, &frames, nullptr);
    if (probed == 0 || probed == kNoWholeFrame) document.frames = frames;
    FillFormat(document);
    return 0;
}

void DocumentController::SelectDocument(int index, bool reload) {
    DocumentList& documents = m_session.Documents();
    AudioDocument* document = documents.at(static_cast<std::size_t>(std::max(index, 0)));
    if (index < 0 || document == nullptr) return;
    documents.setCurrent(index);
    if (reload && m_engine != nullptr) {
        m_surface.BuildPeaks(document->workFile, false);
        m_surface.BuildOverview(document->workFile, true);
        const int error = ReadSampleFormat(*document, document->workFile);
        if (error != 0) ShowEngineError(m_dialogs, parent(), error);
    }
    m_surface.ShowParts(document);
    m_surface.ShowDocument();
    m_surface.CommandsFromDocument();
}

void DocumentController::RecordingFormatConfirmed() {
    AudioDocument* document = m_session.Current();
    if (document == nullptr || document->state != DocumentState::New || HasAudio(*document) ||
        m_transport.IsRecording()) {
        return;
    }
    const RecordFormat format = m_surface.RecordingFormat();
    document->sampleRate = format.sampleRate;
    document->bitsPerSample = format.bitsPerSample;
    document->channels = format.channels;
    FillFormat(*document);
    // The empty working copy takes the new format too, so that whatever is pasted or recorded
    // into it is judged against the format the user sees.
    if (createEmptyWave(document->workFile, format.sampleRate, format.bitsPerSample,
                        format.channels) == 0) {
        m_surface.OpenEmptyAudio(*document);
    }
    m_surface.ShowDocument();
}

// ---- Close.

int DocumentController::CloseDocument(int index, bool ask) {
    DocumentList& documents = m_session.Documents();
    AudioDocument* document = documents.at(static_cast<std::size_t>(std::max(index, 0)));
    if (index < 0 || document == nullptr) return 0;
    if (ask && NeedsSavePrompt(*document)) {
        const DialogAnswer answer =
            AskMessage(m_dialogs, parent(), kSavePrompt, DialogButtons::YesNoCancel,
                       DialogIcon::Warning, {QFileInfo(qs(document->fileName)).fileName()});
        if (answer == DialogAnswer::Cancel) return kCancelled;
        if (answer == DialogAnswer::Yes) {
            const int saved = SaveDocument(index, 1);
            if (saved == kCancelled) return kCancelled;
            if (saved != 0) return ShowMessage(m_dialogs, parent(), saved);
            document = documents.at(static_cast<std::size_t>(index));
        }
    }
    const std::uint32_t id = document->id;
    m_session.CancelWorkspaceJob(id);
    if (m_transport.IsPlaying()) m_surface.StopPlayback();

    // A clean document hands its peaks to the user's file; otherwise they describe audio that
    // exists nowhere else and go with the working copy.
    const std::string temp = m_session.TempFolder();
    const std::string workPeaks = GetPeakFileName(document->workFile, temp);
    FinishPeakFileWrite(workPeaks);  // a peak file still being written lands before it moves
    if (document->state == DocumentState::Clean && document->sourceKind == SourceKind::Wav) {
        const std::string filePeaks = GetPeakFileName(document->fileName, temp);
        FinishPeakFileWrite(filePeaks);  // the one the open started, if it still runs
        HandOverPeakFile(workPeaks, filePeaks, document->fileName);
    } else {
        RemoveFile(workPeaks);
    }
    RemoveFile(document->workFile);
    RemoveFile(document->undoFile);
    RemoveFile(document->redoFile);

    const bool wasCurrent = documents.currentIndex() == index;
    m_surface.DestroyParts(id);
    documents.remove(static_cast<std::size_t>(index));
    if (wasCurrent && !documents.empty()) {
        SelectDocument(static_cast<int>(documents.count()) - 1, false);
    } else if (documents.empty()) {
        m_surface.ShowNoDocument();
    }
    return 0;
}

// When the system ends the program nobody can answer a question: unsaved audio keeps its
// working copy in the temporary folder instead of being deleted.
bool DocumentController::CloseDocuments(bool keepUnsaved) {
    DocumentList& documents = m_session.Documents();
    while (!documents.empty()) {
        const int last = static_cast<int>(documents.count()) - 1;
        AudioDocument* document = documents.at(static_cast<std::size_t>(last));
        if (keepUnsaved && NeedsSavePrompt(*document)) {
            m_session.CancelWorkspaceJob(document->id);
            if (m_transport.IsPlaying()) m_surface.StopPlayback();
            m_surface.DestroyParts(document->id);
            documents.remove(static_cast<std::size_t>(last));
            if (documents.empty()) m_surface.ShowNoDocument();
            continue;
        }
        if (CloseDocument(last, !keepUnsaved) != 0) return false;
    }
    return true;
}

void DocumentController::FileCloseMenuClick() {
    DocumentList& documents = m_session.Documents();
    if (documents.current() == nullptr) return;
    BusyHold busy(m_session);
    if (m_transport.IsPlaying()) m_surface.StopPlayback();
    if (m_transport.IsRecording()) m_surface.StopRecording();
    CloseDocument(documents.currentIndex(), true);
    m_surface.PlaceDocumentButtons();
}

}  // namespace sonthra
