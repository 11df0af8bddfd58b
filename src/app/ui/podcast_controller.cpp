#include "app/ui/podcast_controller.h"

#include <QFileInfo>

#include <filesystem>
#include <optional>

#include "app/audio_document.h"
#include "app/ui/document_session.h"
#include "convert/ui/wave_to_mp3_form.h"
#include "dialogs/ui/user_dialogs.h"
#include "ftp/ui/cvftp_interface.h"
#include "messages/message_table.h"
#include "platform/program_folder.h"
#include "podcast/audio_duration.h"
#include "podcast/host_table.h"
#include "podcast/pdi_file.h"
#include "podcast/podcast_checks.h"
#include "podcast/podcast_upload.h"
#include "podcast/rss_feed.h"
#include "podcast/text_file.h"
#include "podcast/ui/podcast_info_form.h"
#include "podcast/ui/show_podcast_dlg.h"
#include "settings/registry_store.h"
#include "settings/settings.h"
#include "tags/document_tag.h"

namespace sonthra {

namespace {

namespace fs = std::filesystem;

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}
std::string str(const QString& text) {
    return text.toStdString();
}

// The size of a file, or nullopt when it cannot be read.
std::optional<std::uint64_t> sizeOf(const std::string& path) {
    std::error_code error;
    const std::uint64_t size = fs::file_size(path, error);
    if (error) return std::nullopt;
    return size;
}

DialogIcon iconFor(podcast::MessageIcon icon) {
    switch (icon) {
    case podcast::MessageIcon::Information: return DialogIcon::Information;
    case podcast::MessageIcon::Warning: return DialogIcon::Warning;
    case podcast::MessageIcon::Question: return DialogIcon::Question;
    case podcast::MessageIcon::Error: break;
    }
    return DialogIcon::Error;
}

}  // namespace

std::uint32_t recordedEnclosureLength(const std::string& feed, const std::string& title) {
    podcast::Lines lines;
    if (!podcast::readTextLines(feed, lines).ok()) return 0;
    podcast::ItemListing listing;
    if (!podcast::listItems(lines, title, listing) || listing.lastMatch < 0) return 0;
    for (std::size_t i = static_cast<std::size_t>(listing.lastMatch) + 1; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.find("</item>") != std::string::npos) break;
        if (line.find("<enclosure") == std::string::npos) continue;
        const std::size_t at = line.find("length=\"");
        if (at == std::string::npos) return 0;
        std::uint64_t length = 0;
        for (std::size_t k = at + 8; k < line.size() && line[k] >= '0' && line[k] <= '9'; ++k) {
            length = length * 10 + static_cast<unsigned>(line[k] - '0');
            if (length > UINT32_MAX) return 0;
        }
        return static_cast<std::uint32_t>(length);
    }
    return 0;
}

PodcastController::PodcastController(UserDialogs& dialogs, DocumentSession& session,
                                     QWidget* parent, Hooks hooks)
    : m_dialogs(dialogs), m_session(session), m_parent(parent), m_hooks(std::move(hooks)),
      m_currentHost(podcast::kCustomHost) {}

// ---- The document's podcast record.

// The record is kept only while its document has a podcast; a document that has none starts
// from an empty one.
void PodcastController::freshOrKept(AudioDocument& document) {
    if (!document.podcastDescription) {
        document.podcast = {};
        document.podcastFile.clear();
    }
}

const podcast::PodcastInfo* PodcastController::Info(const AudioDocument* document) const {
    return document ? &document->podcast : nullptr;
}

std::string PodcastController::PodcastFile(const AudioDocument* document) const {
    return document ? document->podcastFile : std::string();
}

// A document that has never been written to its file counts as unsaved too: there is no
// audio file to publish.
bool PodcastController::unsaved(const AudioDocument& document) const {
    return document.state != DocumentState::Clean;
}

bool PodcastController::askYesNo(const QString& text, const QString& caption) {
    return m_dialogs.messageBox(m_parent, caption, text, DialogIcon::Question,
                                DialogButtons::YesNo) == DialogAnswer::Yes;
}

void PodcastController::showStatus(const podcast::Status& status) {
    if (status.ok() || status.code == kCancelled || status.text.empty()) return;
    m_dialogs.messageBox(m_parent, qs(status.caption.empty() ? kProductCaption : status.caption),
                         qs(status.text), iconFor(status.icon), DialogButtons::Ok);
}

std::string PodcastController::resourceFolder() const {
    return podcast::findPodcastResourceFolder(programFolder());
}

std::string PodcastController::settingsFile() const {
    Settings* settings = m_hooks.settings ? m_hooks.settings() : nullptr;
    return settings ? settings->file().string() : userSettingsFile().string();
}

// The user's copy of the host table lives beside the settings store the program uses.
static podcast::HostTableFiles hostTables(const std::string& resources,
                                          const std::string& settingsFile) {
    podcast::HostTableFiles files;
    files.defaultPath = resources + "/" + podcast::kHostTableName;
    if (!settingsFile.empty()) {
        files.userPath = (fs::path(settingsFile).parent_path() / podcast::kHostTableName).string();
    }
    return files;
}

// The podcast window on info: the feed file chosen (empty when none), and the host last shown.
QString PodcastController::editInDialog(podcast::PodcastInfo& info) {
    const std::string resources = resourceFolder();
    TShowPodcastDlg dlg(m_dialogs, qs(resources), hostTables(resources, settingsFile()),
                        m_parent);
    const QString feed = dlg.ShowPodcastDialogForEdit(info);
    m_currentHost = dlg.CurrentHost();
    return feed;
}

// ---- "Save As &Podcast".

void PodcastController::FileSaveAsPodcastClick() {
    AudioDocument* document = m_session.Current();
    if (document == nullptr) return;
    if (unsaved(*document)) {
        if (!askYesNo(kSaveBeforePodcastText, "File Modified")) return;
        if (m_hooks.saveDocument) m_hooks.saveDocument();
        document = m_session.Current();
        if (document == nullptr || unsaved(*document)) return;
    }
    if (document->fileName.empty() || !podcast::fileExists(document->fileName)) return;
    BusyHold busy(m_session);

    freshOrKept(*document);
    const podcast::PodcastInfo kept = document->podcast;
    document->podcast.AudioFile = document->fileName;
    document->podcast.MimeType = podcast::mimeTypeForFile(document->fileName);
    document->podcast.IsNew = true;
    document->podcast.DescriptionFile.clear();

    const QString feed = editInDialog(document->podcast);
    if (document->podcast.DescriptionFile.empty()) {
        document->podcast = kept;
        return;
    }
    // The podcast exists from the moment its files are written, before any upload, so that a
    // refresh during the upload reads the description file just saved.
    document->podcastFile = document->podcast.DescriptionFile;
    document->podcast.FeedFile = document->podcast.NewFeedFile;
    document->podcast.IsNew = false;
    document->podcastDescription = true;
    if (m_hooks.refreshCommands) m_hooks.refreshCommands();
    if (!feed.isEmpty()) publish(*document, str(feed), false);
}

// ---- "&Upload Podcast".

void PodcastController::FileUploadPodcastClick() {
    AudioDocument* document = m_session.Current();
    if (document == nullptr) return;
    const std::uint32_t id = document->id;
    if (document->podcastDescription && unsaved(*document)) {
        if (askYesNo(kSaveBeforeUploadText, kProductCaption) && m_hooks.saveDocument) {
            m_hooks.saveDocument();
        }
        document = m_session.Current();
        if (document == nullptr || document->id != id) return;
        if (unsaved(*document)) {
            if (askYesNo(kSaveBeforeUploadText, kProductCaption) && m_hooks.saveDocument) {
                m_hooks.saveDocument();
            }
            return;
        }
    }
    BusyHold busy(m_session);
    freshOrKept(*document);
    if (!document->podcastDescription) {
        FileDialogRequest request;
        request.title = "Open";
        request.filter = "PDI Files (*.pdi)";
        const QString path = m_dialogs.openFileName(m_parent, request);
        if (!path.isEmpty()) {
            const podcast::Status loaded =
                podcast::LoadPodcastFromPDI(str(path), document->podcast, document->podcastFile);
            if (loaded.ok()) {
                // What the feed records for the episode is what a changed file is measured
                // against, so that an unchanged episode keeps its date.
                document->podcast.AudioSize =
                    recordedEnclosureLength(document->podcast.FeedFile, document->podcast.Title);
                document->podcastDescription = true;
                if (m_hooks.refreshCommands) m_hooks.refreshCommands();
            } else {
                document->podcastFile.clear();
                showStatus(loaded);
            }
        }
    }
    if (document->podcastFile.empty()) {
        if (askYesNo(kNotAPodcastYetText, kProductCaption)) FileSaveAsPodcastClick();
        return;
    }
    const podcast::PodcastInfo& info = document->podcast;
    const std::string feed = info.IsNew ? info.NewFeedFile : info.FeedFile;
    if (feed.empty()) return;
    publish(*document, feed, true);
}

// ---- "View Podcast Info".

void PodcastController::PodcastInfoCoolButtonClick() {
    AudioDocument* document = m_session.Current();
    if (document == nullptr || !document->podcastDescription) return;
    BusyHold busy(m_session);
    freshOrKept(*document);
    const QString feed = editInDialog(document->podcast);
    if (!document->podcast.DescriptionFile.empty())
        document->podcastFile = document->podcast.DescriptionFile;
    if (feed.isEmpty()) return;
    upload(*document, podcast::podcastUploadList(str(feed), document->podcast.AudioFile));
}

// ---- The steps after the feed is known.

void PodcastController::publish(AudioDocument& document, const std::string& feed,
                                bool withSummary) {
    if (!keepFilesInStep(document)) return;
    const std::vector<std::string> files =
        podcast::podcastUploadList(feed, document.podcast.AudioFile);
    if (withSummary) {
        TPodcastInfoForm summary(document.podcast, m_parent);
        if (summary.exec() != QDialog::Accepted) return;
    }
    upload(document, files);
}

// The compression question for an uncompressed file, then the feed item, description file and
// page rewritten for the file that will be uploaded. false ends the command.
bool PodcastController::keepFilesInStep(AudioDocument& document) {
    podcast::PodcastInfo& info = document.podcast;
    const std::string resources = resourceFolder();
    if (QFileInfo(qs(info.AudioFile)).suffix().compare("wav", Qt::CaseInsensitive) == 0 &&
        askYesNo(kCompressQuestionText, kProductCaption)) {
        const std::string before = info.AudioFile;
        if (!SavePodcastAsCompressedFormat(info)) return false;
        if (info.AudioFile != before) {
            const std::string link = podcast::linkForNewAudio(info.Link, info.AudioFile);
            const podcast::Status refreshed = podcast::refreshPodcastFiles(
                document.podcastFile, info.AudioFile, link, true, resources);
            showStatus(refreshed);
            if (refreshed.ok()) info.Link = link;
        }
    }
    const std::optional<std::uint64_t> size = sizeOf(info.AudioFile);
    if (size && *size != info.AudioSize) {
        const podcast::Status refreshed = podcast::refreshPodcastFiles(
            document.podcastFile, info.AudioFile, info.Link, false, resources);
        showStatus(refreshed);
        if (refreshed.ok() && *size <= UINT32_MAX)
            info.AudioSize = static_cast<std::uint32_t>(*size);
    }
    return true;
}

void PodcastController::upload(const AudioDocument& document,
                               const std::vector<std::string>& files) {
    podcast::HostTable table;
    hostTables(resourceFolder(), settingsFile()).load(table);
    const podcast::UploadCredentials credentials =
        podcast::uploadCredentials(table, str(m_currentHost), document.podcast.UploadPath);
    QStringList list;
    for (const std::string& file : files) list << qs(file);
    TCVFTPInterface face(m_dialogs, settingsFile(), m_parent);
    face.Upload(list, kPodcastUploadCompany, qs(credentials.password), qs(credentials.userName),
                qs(credentials.server), qs(credentials.remoteFolder));
}

// ---- Compression.

// The MP3 file the user names, checked for characters podcast directories refuse; empty when
// the user cancelled.
QString PodcastController::compressedTarget(const podcast::PodcastInfo& info) {
    const QFileInfo audio(qs(info.AudioFile));
    QString folder = audio.absolutePath();
    QString proposed = m_lastCompressedName.isEmpty() ? audio.fileName() : m_lastCompressedName;
    proposed = proposed.section('.', 0, 0);
    while (true) {
        FileDialogRequest request;
        request.title = "Save As";
        request.directory = folder;
        request.fileName = proposed;
        request.filter = "MP3 Files (*.mp3)";
        QString chosen = m_dialogs.saveFileName(m_parent, request);
        if (chosen.isEmpty()) return {};
        // The data is MP3 whatever was typed, so the name says so.
        if (QFileInfo(chosen).suffix().compare("mp3", Qt::CaseInsensitive) != 0) chosen += ".MP3";
        const QFileInfo target(chosen);
        const char bad = podcast::lastForbiddenCharacter(str(target.fileName()));
        if (bad == '\0') {
            m_lastCompressedName = target.fileName();
            return chosen;
        }
        folder = target.absolutePath();
        proposed = target.fileName();
        if (bad == ' ' && askYesNo(kSpaceInAudioNameQuestion, kProductCaption)) {
            proposed.replace(' ', '_');
            continue;
        }
        m_dialogs.messageBox(m_parent, kProductCaption, kInvalidAudioNameText,
                             DialogIcon::Information, DialogButtons::Ok);
    }
}

bool PodcastController::SavePodcastAsCompressedFormat(podcast::PodcastInfo& info) {
    const QString target = compressedTarget(info);
    if (target.isEmpty()) return true;
    Settings* settings = m_hooks.settings ? m_hooks.settings() : nullptr;
    TWaveToMP3ConversionForm form(m_dialogs, settings, m_parent);
    if (form.PrepareMP3Conversion(info.AudioFile, str(target)) != 0) {
        m_dialogs.messageBox(m_parent, kProductCaption, kCannotCompressText, DialogIcon::Warning,
                             DialogButtons::Ok);
        return false;
    }
    if (form.ShowMP3ConversionDialog("SaveAs", 0) || form.lastResult() != 0) return false;

    // The saved recording carries the song information the document had when it was saved.
    DocumentTag tag;
    if (IsWaveFile(info.AudioFile)) tag.readWave(info.AudioFile);
    if (!tag.writeMp3(str(target))) {
        m_dialogs.messageBox(m_parent, kProductCaption, kTagNotSavedText, DialogIcon::None,
                             DialogButtons::Ok);
    }
    const std::optional<std::uint64_t> size = sizeOf(str(target));
    info.AudioFile = str(target);
    info.MimeType = podcast::mimeTypeForFile(info.AudioFile);
    info.AudioSize = size && *size <= UINT32_MAX ? static_cast<std::uint32_t>(*size) : 0;
    return true;
}

}  // namespace sonthra
