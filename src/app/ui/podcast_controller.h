// Publishing the open document as a podcast: "Save As &Podcast", "&Upload Podcast" and "View
// Podcast Info". The controller makes sure the audio is saved, runs the podcast window, offers
// to compress an uncompressed recording to MP3, keeps the feed, description file and page in
// step with the audio file that is finally uploaded, and hands the files with the host's
// credentials to the FTP window. It owns no widget of the main window; it reads the current
// document from the session and tells the window through the hooks. GUI thread only.
#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "podcast/podcast_info.h"

class QWidget;

namespace sonthra {

struct AudioDocument;
class DocumentSession;
class Settings;
class UserDialogs;

// The company name the upload window is opened under: its caption and saved connections.
inline constexpr const char* kPodcastUploadCompany = "Castwright";

inline constexpr const char* kSaveBeforePodcastText =
    "The file has not been saved. Do you want to save it?";
inline constexpr const char* kSaveBeforeUploadText =
    "The current file has been edited but not saved. Do you want to save it?";
inline constexpr const char* kNotAPodcastYetText =
    "This file has not been saved as a podcast. Do you want to do it now?";
inline constexpr const char* kCompressQuestionText =
    "Your podcast is an uncompressed file which might be very large to upload.\n\rDo you want to "
    "save it in compressed format?";
inline constexpr const char* kSpaceInAudioNameQuestion =
    "Some Podcast Aggregator may not support SPACE in the Audio File Name\n\r Do You want to "
    "replace all space with UnderScore[_]";
inline constexpr const char* kInvalidAudioNameText =
    "Please Enter Valid Filename Without SPACE,$ ,%&?*:/][}{)(^#@!\\+\\|=><; Characters.";
inline constexpr const char* kCannotCompressText = "Unable to compress your podcast.";

// The length the feed records for the episode titled title (its enclosure's length), 0 when
// the feed, the episode or the attribute cannot be read.
std::uint32_t recordedEnclosureLength(const std::string& feed, const std::string& title);

class PodcastController {
public:
    struct Hooks {
        std::function<void()> saveDocument;     // File, Save on the current document
        std::function<void()> refreshCommands;  // the podcast commands from the document
        std::function<Settings*()> settings;    // the settings store, null when none
    };

    PodcastController(UserDialogs& dialogs, DocumentSession& session, QWidget* parent, Hooks hooks);

    void FileSaveAsPodcastClick();
    void FileUploadPodcastClick();
    void PodcastInfoCoolButtonClick();

    // Compresses the podcast's audio to an MP3 file the user names, copies the song
    // information into it and makes it the podcast's audio. false stops the calling command;
    // a cancelled file window returns true and keeps the uncompressed file.
    bool SavePodcastAsCompressedFormat(podcast::PodcastInfo& info);

    // The document's podcast record (kept in the document) and its description file, for the
    // window and its tests.
    const podcast::PodcastInfo* Info(const AudioDocument* document) const;
    std::string PodcastFile(const AudioDocument* document) const;

private:
    // Empties the document's podcast record unless the document has a podcast.
    static void freshOrKept(AudioDocument& document);
    bool unsaved(const AudioDocument& document) const;
    bool askYesNo(const QString& text, const QString& caption);
    // Steps shared by the commands once a feed is known: compression, refreshes, the list, the
    // summary window (withSummary) and the transfer.
    void publish(AudioDocument& document, const std::string& feed, bool withSummary);
    QString editInDialog(podcast::PodcastInfo& info);
    bool keepFilesInStep(AudioDocument& document);
    QString compressedTarget(const podcast::PodcastInfo& info);
    void upload(const AudioDocument& document, const std::vector<std::string>& files);
    void showStatus(const podcast::Status& status);
    std::string resourceFolder() const;
    std::string settingsFile() const;

    UserDialogs& m_dialogs;
    DocumentSession& m_session;
    QWidget* m_parent;
    Hooks m_hooks;
    // Kept between commands, as the podcast window keeps its host.
    QString m_currentHost;
    QString m_lastCompressedName;
};

}  // namespace sonthra
