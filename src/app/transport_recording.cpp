// Recording through the transport: into a new document, into the open empty one, or into the
// open document's audio at the caret (recorded into a file of its own, then pasted there), and
// what was recorded taken into the document when it stops.
#include <utility>

#include "app/audio_document.h"
#include "app/document_files.h"
#include "app/temp_names.h"
#include "app/transport_controller.h"
#include "wave/wave_probe.h"

namespace sonthra {

namespace {

constexpr int kTempFileNotMade = 160;       // "Cannot create wave file"
constexpr int kRecordingSizeUnknown = 370;  // the inserted recording could not be read back

}  // namespace

void TransportController::StartStopRecordingButtonClick() {
    if (!attached()) return;
    if (IsPlaying()) {
        m_surface->SetRecordButton(IsRecording());
        return;
    }
    if (IsRecording()) {
        StopRecording();
        return;
    }
    // Busy from the recording format window on, so that no handed-over file opens meanwhile.
    m_surface->HoldBusy();
    if (m_documents->current() == nullptr && !m_surface->NewRecordingDocument()) {
        m_surface->SetRecordButton(false);
        m_surface->ReleaseBusy();
        return;
    }
    StartRecording();
    m_surface->ReleaseBusy();
}

void TransportController::StartRecording() {
    if (!attached() || m_documents->current() == nullptr) return;
    m_surface->HoldBusy();
    AudioDocument* document = m_documents->current();
    insert.active = false;
    auto giveUp = [this] {
        m_surface->SetRecordButton(false);
        m_surface->ReleaseBusy();
    };
    if (HasAudio(*document)) {
        const RecordInto into = m_surface->AskRecordInto();
        if (into == RecordInto::Cancel) return giveUp();
        if (into == RecordInto::Insert) {
            if (!m_surface->WorkingCopyReady(true)) return giveUp();
            insert.file = ReserveTempName(m_surface->TempPreference());
            if (insert.file.empty()) {
                m_surface->ShowNumberedMessage(kTempFileNotMade);
                return giveUp();
            }
            insert.active = true;
            insert.position = m_surface->HasView() ? m_surface->Caret() : 0;
        } else {
            if (!m_surface->NewRecordingDocument()) return giveUp();
            document = m_documents->current();
        }
    } else if (!m_surface->WorkingCopyReady(true)) {
        // An opened empty file is recorded into once its working copy exists.
        return giveUp();
    }
    m_surface->HideEntries();
    StopLevelTest();

    // The recording takes the document's own format, so that an inserted recording always fits
    // the audio it goes into.
    const std::string file = insert.active ? insert.file : document->workFile;
    if (BeginRecording(file, document->sampleRate, document->bitsPerSample, document->channels,
                       m_surface->RecordSource()) != 0) {
        if (insert.active) RemoveFile(insert.file);
        insert.active = false;
        insert.file.clear();
        return giveUp();
    }
    m_surface->ShowRecording(true);
    m_surface->SetRecordButton(true);
    m_surface->CommandsFor(TransportState::Recording);
}

void TransportController::StopRecording() {
    if (!attached() || !IsRecording()) return;
    if (EndRecording() != 0) m_surface->SetRecordButton(false);
    m_surface->ShowRecordedFrames(0);
    m_surface->ShowRecording(false);

    AudioDocument* document = m_documents->current();
    const bool inserted = insert.active;
    const std::uint32_t position = insert.position;
    insert.active = false;
    bool pasted = true;
    bool wasWhole = true;
    std::uint32_t recorded = 0;
    if (inserted) {
        const std::string clip = std::exchange(insert.file, std::string());
        wasWhole = m_surface->ViewShowsWhole();
        if (probeWave(clip, &recorded, nullptr) != 0) {
            m_surface->ShowNumberedMessage(kRecordingSizeUnknown);
            RemoveFile(clip);
            m_surface->SetRecordButton(false);
            recordingHoldsBusy = false;
            m_surface->ReleaseBusy();
            return;
        }
        pasted = m_surface->InsertRecording(document->workFile, position, clip);
        RemoveFile(clip);
        if (!pasted) m_surface->SetRecordButton(false);
    }
    if (pasted) m_surface->ShowRecordedAudio(inserted, wasWhole, position, recorded);
    if (document->state == DocumentState::Clean) document->state = DocumentState::Modified;
    document->tagOnly = false;
    m_surface->CommandsAfterRecording(*document);
    m_surface->SetRecordButton(false);
    StartLevelTestIfWanted();
    if (recordingHoldsBusy) {
        recordingHoldsBusy = false;
        m_surface->ReleaseBusy();
    }
}

}  // namespace sonthra
