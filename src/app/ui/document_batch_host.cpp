#include "app/ui/document_batch_host.h"

#include <QFileInfo>

#include <algorithm>

#include "app/ui/document_controller.h"
#include "app/ui/document_session.h"
#include "convert/ui/mp3_document_services.h"
#include "convert/ui/wma_export_form.h"
#include "dialogs/ui/user_dialogs.h"
#include "messages/message_table.h"
#include "tags/ui/song_info_form.h"

namespace sonthra {

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

DocumentBatchHost::DocumentBatchHost(DocumentSession& session, DocumentController& files,
                                     QWidget* parent, UserDialogs& dialogs,
                                     Mp3DocumentServices& mp3, TWMAExportFormForBurn& burn,
                                     TSongInfoForm*& songInfo,
                                     std::function<void(AudioDocument&)> renamed)
    : m_session(session),
      m_files(files),
      m_parent(parent),
      m_dialogs(dialogs),
      m_mp3(mp3),
      m_burn(burn),
      m_songInfo(songInfo),
      m_renamed(std::move(renamed)) {}

std::size_t DocumentBatchHost::documentCount() const {
    return m_session.Documents().count();
}

std::string DocumentBatchHost::documentFileName(std::size_t index) const {
    const AudioDocument* document = m_session.Documents().at(index);
    return document ? document->fileName : std::string();
}

std::size_t DocumentBatchHost::currentDocument() const {
    return static_cast<std::size_t>(std::max(m_session.Documents().currentIndex(), 0));
}

void DocumentBatchHost::makeCurrent(std::size_t index) {
    if (index < documentCount()) m_files.SelectDocument(static_cast<int>(index), false);
}

BatchStep DocumentBatchHost::exportMp3(std::size_t index, const std::string& destination,
                                       bool first, bool editTags) {
    AudioDocument* document = m_session.Documents().at(index);
    if (document == nullptr) return BatchStep::Failed;
    if (editTags &&
        m_dialogs.messageBox(m_parent, kBatchTagCaption, kBatchTagQuestion, DialogIcon::Question,
                             DialogButtons::YesNo) == DialogAnswer::Yes) {
        if (m_songInfo == nullptr) m_songInfo = new TSongInfoForm(m_dialogs, m_parent);
        m_songInfo->Execute(document->tag, qs(document->fileName));
    }
    // The first export lets the user choose; later ones start by themselves at that rate.
    const std::int32_t preset = first ? 0 : static_cast<std::int32_t>(m_lastKbps);
    if (m_mp3.encode(document->workFile, destination, first, preset) != 0) {
        return BatchStep::Cancelled;
    }
    document->fileName = destination;
    if (!QFileInfo::exists(qs(destination))) {
        m_dialogs.messageBox(m_parent, kProductCaption, kTagNotSavedText, DialogIcon::Error,
                             DialogButtons::Ok);
    } else {
        // The document now names the MP3 it was saved as, as after a Save As: its tag goes into
        // the file, and it is Clean, so that closing does not ask and Save does not encode
        // again.
        if (!document->tag.writeMp3(destination)) {
            m_dialogs.messageBox(m_parent, kProductCaption, kTagNotSavedText, DialogIcon::Error,
                                 DialogButtons::Ok);
        }
        document->sourceKind = SourceKind::Mp3;
        document->mp3BitRate = static_cast<std::int32_t>(m_mp3.bitRate(destination));
        document->state = DocumentState::Clean;
        document->tagOnly = false;
        m_session.AddRecentFile(destination);
        if (first) m_lastKbps = static_cast<std::uint32_t>(document->mp3BitRate);
    }
    m_renamed(*document);
    return BatchStep::Exported;
}

BatchStep DocumentBatchHost::exportWma(std::size_t index, const std::string& destination) {
    const AudioDocument* document = m_session.Documents().at(index);
    if (document == nullptr) return BatchStep::Failed;
    return m_burn.exportForBatch(destination, document->workFile);
}

void DocumentBatchHost::showText(const std::string& text, bool failureList) {
    if (failureList) {
        m_dialogs.messageBox(m_parent, QString(kProductCaption) + kBatchFailuresCaptionSuffix,
                             qs(text), DialogIcon::Warning, DialogButtons::Ok);
    } else {
        m_dialogs.messageBox(m_parent, kProductCaption, qs(text), DialogIcon::Information,
                             DialogButtons::Ok);
    }
}

}  // namespace sonthra
