// Song information, MP3 services, WMA import and export, and batch export: the main window's
// side of them. The windows and the conversions live in the tags and convert libraries; here
// they meet the documents.
#include <QAction>
#include <QDialog>
#include <QFileInfo>
#include <QToolButton>

#include "app/document_files.h"
#include "app/ui/main_form.h"
#include "app/ui/main_form_shared.h"
#include "engine/nx_wave_player.h"
#include "convert/batch_export.h"
#include "convert/ui/batch_param_form.h"
#include "convert/ui/mp3_document_services.h"
#include "convert/ui/wma_export_form.h"
#include "dialogs/ui/user_dialogs.h"
#include "messages/message_table.h"
#include "tags/document_tag.h"
#include "tags/ui/song_info_form.h"

namespace sonthra {

using namespace main_form;

namespace {

// The batch's view of the open documents and of the windows that export one.
class WindowBatchHost : public BatchExportHost {
public:
    WindowBatchHost(TMainForm& form, UserDialogs& dialogs, Mp3DocumentServices& mp3,
                    TWMAExportFormForBurn& burn, TSongInfoForm*& songInfo,
                    std::function<void(AudioDocument&)> renamed)
        : m_form(form),
          m_dialogs(dialogs),
          m_mp3(mp3),
          m_burn(burn),
          m_songInfo(songInfo),
          m_renamed(std::move(renamed)) {}

    std::size_t documentCount() const override { return m_form.Documents().count(); }
    std::string documentFileName(std::size_t index) const override {
        const AudioDocument* document = m_form.Documents().at(index);
        return document ? document->fileName : std::string();
    }
    std::size_t currentDocument() const override {
        return static_cast<std::size_t>(std::max(m_form.Documents().currentIndex(), 0));
    }
    void makeCurrent(std::size_t index) override {
        if (index < documentCount()) m_form.SelectDocument(static_cast<int>(index), false);
    }

    BatchStep exportMp3(std::size_t index, const std::string& destination, bool first,
                        bool editTags) override {
        AudioDocument* document = m_form.Session().Documents().at(index);
        if (document == nullptr) return BatchStep::Failed;
        if (editTags &&
            m_dialogs.messageBox(&m_form, kBatchTagCaption, kBatchTagQuestion, DialogIcon::Question,
                                 DialogButtons::YesNo) == DialogAnswer::Yes) {
            if (m_songInfo == nullptr) m_songInfo = new TSongInfoForm(m_dialogs, &m_form);
            m_songInfo->Execute(document->tag, qs(document->fileName));
        }
        // The first export lets the user choose; later ones start by themselves at that rate.
        const std::int32_t preset = first ? 0 : static_cast<std::int32_t>(m_lastKbps);
        if (m_mp3.encode(document->workFile, destination, first, preset) != 0) {
            return BatchStep::Cancelled;
        }
        document->fileName = destination;
        if (!QFileInfo::exists(qs(destination))) {
            m_dialogs.messageBox(&m_form, kProductCaption, kTagNotSavedText, DialogIcon::Error,
                                 DialogButtons::Ok);
        } else {
            if (editTags && !document->tag.writeMp3(destination)) {
                m_dialogs.messageBox(&m_form, kProductCaption, kTagNotSavedText, DialogIcon::Error,
                                     DialogButtons::Ok);
            }
            document->sourceKind = SourceKind::Mp3;
            document->mp3BitRate = static_cast<std::int32_t>(m_mp3.bitRate(destination));
            if (first) m_lastKbps = static_cast<std::uint32_t>(document->mp3BitRate);
        }
        m_renamed(*document);
        return BatchStep::Exported;
    }

    BatchStep exportWma(std::size_t index, const std::string& destination) override {
        const AudioDocument* document = m_form.Documents().at(index);
        if (document == nullptr) return BatchStep::Failed;
        return m_burn.exportForBatch(destination, document->workFile);
    }

    void showText(const std::string& text, bool failureList) override {
        if (failureList) {
            m_dialogs.messageBox(&m_form, QString(kProductCaption) + kBatchFailuresCaptionSuffix,
                                 qs(text), DialogIcon::Warning, DialogButtons::Ok);
        } else {
            m_dialogs.messageBox(&m_form, kProductCaption, qs(text), DialogIcon::Information,
                                 DialogButtons::Ok);
        }
    }

private:
    TMainForm& m_form;
    UserDialogs& m_dialogs;
    Mp3DocumentServices& m_mp3;
    TWMAExportFormForBurn& m_burn;
    TSongInfoForm*& m_songInfo;
    std::function<void(AudioDocument&)> m_renamed;
    std::uint32_t m_lastKbps = 0;
};

}  // namespace

// The engine reaches the document and transport controllers with the media services.
void TMainForm::attachMedia() {
    m_docs->Attach(m_engine, m_settings);
    m_transport.Attach(m_engine, this, &m_documents);
    if (m_mp3Services) return;
    m_mp3Services = std::make_shared<Mp3DocumentServices>(m_dialogs, m_settings, this);
    Mp3DocumentServices* mp3 = m_mp3Services.get();
    SetMp3Services({
        [mp3](const std::string& path) { return mp3->canConvert(path); },
        [mp3](const std::string& path) { return mp3->bitRate(path); },
        [mp3](const std::string& source, const std::string& destination) {
            return mp3->convertToWave(source, destination);
        },
        [mp3](const std::string& source, const std::string& target, bool saveAs,
              std::int32_t kbps) { return mp3->encode(source, target, saveAs, kbps); },
    });
    m_wmaExport = new TWMAExportForm(m_dialogs, m_settings, this);
}

void TMainForm::editSongInfo() {
    AudioDocument* document = m_documents.current();
    if (document == nullptr) return;
    BusyHold busy(m_session);
    if (m_songInfoForm == nullptr) m_songInfoForm = new TSongInfoForm(m_dialogs, this);
    if (m_songInfoForm->Execute(document->tag, qs(document->fileName)) != QDialog::Accepted) {
        return;
    }
    m_docs->SongInfoConfirmed(m_songInfoForm->SongInfoModified());
}

void TMainForm::captionFromFileName(AudioDocument& document) {
    ShowRenamed(document);
    if (&document == m_documents.current()) updateDocumentDisplay();
}

void TMainForm::FileExportToWmaMenuClick() {
    AudioDocument* document = m_documents.current();
    if (document == nullptr || m_wmaExport == nullptr) return;
    BusyHold busy(m_session);
    const std::string source = EnsureWorkingCopy(true) ? document->workFile : document->fileName;
    m_wmaExport->FileExportToWma(document->fileName, source);
}

void TMainForm::BatchExportMenuClick() {
    if (m_documents.empty() || !m_mp3Services || m_transport.BlocksEditing()) return;
    BusyHold busy(m_session);
    if (!EnsureWorkingCopy(true)) return;
    if (m_batchForm == nullptr) m_batchForm = new TBatchProcessParamSelectionForm(m_dialogs, this);
    if (m_burnForm == nullptr) m_burnForm = new TWMAExportFormForBurn(m_dialogs, m_settings, this);
    std::vector<BatchAudio> audio;
    for (std::size_t i = 0; i < m_documents.count(); ++i) {
        const AudioDocument* document = m_documents.at(i);
        audio.push_back({FileSize(document->workFile).value_or(0), document->channels,
                         document->sampleRate, document->bitsPerSample});
    }
    WindowBatchHost host(*this, m_dialogs, *m_mp3Services, *m_burnForm, m_songInfoForm,
                         [this](AudioDocument& document) { captionFromFileName(document); });
    sonthra::BatchExportMenuClick(m_dialogs, this, *m_batchForm, host, audio, tempFolder());
}

}  // namespace sonthra
