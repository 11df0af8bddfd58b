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

PodcastController::Entry* PodcastController::entryOf(const AudioDocument* document) {
    if (document == nullptr) return nullptr;
    auto found = m_entries.find(document->id);
    if (found == m_entries.end() || found->second.document != document) return nullptr;
    return &found->second;
}

const PodcastController::Entry* PodcastController::entryOf(const AudioDocument* document) const {
    return const_cast<PodcastController*>(this)->entryOf(document);
}

// A record is kept only while its document has a podcast; a document that has none (a new
// record that took the number of a closed one, too) starts from an empty one.
PodcastController::Entry& PodcastController::freshOrKept(AudioDocument& document) {
    Entry* entry = entryOf(&document);
    if (entry == nullptr || !document.podcastDescription) {
        m_entries[document.id] = Entry{&document, {}, {}};
        entry = &m_entries[document.id];
    }
    return *entry;
}

const podcast::PodcastInfo* PodcastController::Info(const AudioDocument* document) const {
    const Entry* entry = entryOf(document);
    return entry ? &entry->info : nullptr;
}

std::string PodcastController::PodcastFile(const AudioDocument* document) const {
    const Entry* entry = entryOf(document);
    return entry ? entry->podcastFile : std::string();
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
    if (status.ok() || status.code == 129 || status.text.empty()) return;
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

    Entry& entry = freshOrKept(*document);
    const podcast::PodcastInfo kept = entry.info;
    entry.info.AudioFile = document->fileName;
    entry.info.MimeType = podcast::mimeTypeForFile(document->fileName);
    entry.info.IsNew = true;
    entry.info.DescriptionFile.clear();

    const std::string resources = resourceFolder();
    QString feed;
    {
        TShowPodcastDlg dlg(m_dialogs, qs(resources), hostTables(resources, settingsFile()),
                            m_parent);
        feed = dlg.ShowPodcastDialogForEdit(entry.info);
        m_currentHost = dlg.CurrentHost();
    }
    if (entry.info.DescriptionFile.empty()) {
        entry.info = kept;
        return;
    }
    // The podcast exists from the moment its files are written, before any upload, so that a
    // refresh during the upload reads the description file just saved.
    entry.podcastFile = entry.info.DescriptionFile;
    entry.info.FeedFile = entry.info.NewFeedFile;
    entry.info.IsNew = false;
    document->podcastDescription = true;
    if (m_hooks.refreshCommands) m_hooks.refreshCommands();
    if (!feed.isEmpty()) publish(entry, str(feed), false);
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
    Entry& entry = freshOrKept(*document);
    if (!document->podcastDescription) {
        FileDialogRequest request;
        request.title = "Open";
        request.filter = "PDI Files (*.pdi)";
        const QString path = m_dialogs.openFileName(m_parent, request);
        if (!path.isEmpty()) {
            const podcast::Status loaded =
                podcast::LoadPodcastFromPDI(str(path), entry.info, entry.podcastFile);
            if (loaded.ok()) {
                // What the feed records for the episode is what a changed file is measured
                // against, so that an unchanged episode keeps its date.
                entry.info.AudioSize =
                    recordedEnclosureLength(entry.info.FeedFile, entry.info.Title);
                document->podcastDescription = true;
                if (m_hooks.refreshCommands) m_hooks.refreshCommands();
            } else {
                entry.podcastFile.clear();
                showStatus(loaded);
            }
        }
    }
    if (entry.podcastFile.empty()) {
        if (askYesNo(kNotAPodcastYetText, kProductCaption)) FileSaveAsPodcastClick();
        return;
    }
    const std::string feed = entry.info.IsNew ? entry.info.NewFeedFile : entry.info.FeedFile;
    if (feed.empty()) return;
    publish(entry, feed, true);
}

// ---- "View Podcast Info".

void PodcastController::PodcastInfoCoolButtonClick() {
    AudioDocument* document = m_session.Current();
    if (document == nullptr || !document->podcastDescription) return;
    BusyHold busy(m_session);
    Entry& entry = freshOrKept(*document);
    const std::string resources = resourceFolder();
    QString feed;
    {
        TShowPodcastDlg dlg(m_dialogs, qs(resources), hostTables(resources, settingsFile()),
                            m_parent);
        feed = dlg.ShowPodcastDialogForEdit(entry.info);
        m_currentHost = dlg.CurrentHost();
    }
    if (!entry.info.DescriptionFile.empty()) entry.podcastFile = entry.info.DescriptionFile;
    if (feed.isEmpty()) return;
    upload(entry, podcast::podcastUploadList(str(feed), entry.info.AudioFile));
}

// ---- The steps after the feed is known.

void PodcastController::publish(Entry& entry, const std::string& feed, bool withSummary) {
    if (!keepFilesInStep(entry)) return;
    const std::vector<std::string> files = podcast::podcastUploadList(feed, entry.info.AudioFile);
    if (withSummary) {
        TPodcastInfoForm summary(entry.info, m_parent);
        if (summary.exec() != QDialog::Accepted) return;
    }
    upload(entry, files);
}

// The compression question for an uncompressed file, then the feed item, description file and
// page rewritten for the file that will be uploaded. false ends the command.
bool PodcastController::keepFilesInStep(Entry& entry) {
    podcast::PodcastInfo& info = entry.info;
    const std::string resources = resourceFolder();
    if (QFileInfo(qs(info.AudioFile)).suffix().compare("wav", Qt::CaseInsensitive) == 0 &&
        askYesNo(kCompressQuestionText, kProductCaption)) {
        const std::string before = info.AudioFile;
        if (!SavePodcastAsCompressedFormat(info)) return false;
        if (info.AudioFile != before) {
            const std::string link = podcast::linkForNewAudio(info.Link, info.AudioFile);
            const podcast::Status refreshed = podcast::refreshPodcastFiles(
                entry.podcastFile, info.AudioFile, link, true, resources);
            showStatus(refreshed);
            if (refreshed.ok()) info.Link = link;
        }
    }
    const std::optional<std::uint64_t> size = sizeOf(info.AudioFile);
    if (size && *size != info.AudioSize) {
        const podcast::Status refreshed = podcast::refreshPodcastFiles(
            entry.podcastFile, info.AudioFile, info.Link, false, resources);
        showStatus(refreshed);
        if (refreshed.ok() && *size <= UINT32_MAX) info.AudioSize = static_cast<std::uint32_t>(*size);
    }
    return true;
}

void PodcastController::upload(const Entry& entry, const std::vector<std::string>& files) {
    podcast::HostTable table;
    hostTables(resourceFolder(), settingsFile()).load(table);
    const podcast::UploadCredentials credentials =
        podcast::uploadCredentials(table, str(m_currentHost), entry.info.UploadPath);
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
