// Plain stand-ins for the main window in the controllers' windowless tests: the documents' side
// answers what opening a file asks, the edit side takes the session's busy flag and working copy
// and counts the refreshes it is asked for; WindowlessDocuments opens documents with them.
#pragma once

#include <QString>
#include <QWidget>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/transport_controller.h"
#include "app/ui/document_controller.h"
#include "app/ui/document_session.h"
#include "app/ui/edit_controller.h"
#include "dialogs/ui/scripted_dialogs.h"
#include "engine/nx_wave_player.h"
#include "engine/wav_maker.h"
#include "messages/message_table.h"

namespace sonthra {

// Only what opening a WAV file asks of the window.
class PlainSurface : public DocumentSurface {
public:
    std::map<EditCommand, bool> commands;
    int CreateParts(AudioDocument&) override { return 0; }
    void DestroyParts(std::uint32_t) override {}
    void OpenEmptyAudio(const AudioDocument&) override {}
    int BuildPeaks(const std::string&, bool) override { return 0; }
    int BuildOverview(const std::string&, bool) override { return 0; }
    void ShowParts(const AudioDocument*) override {}
    void PlaceDocumentButtons() override {}
    void ShowDocument() override {}
    void ShowNoDocument() override {}
    void ShowRenamed(const AudioDocument&) override {}
    void SwitchCommands(int) override {}
    void EnableCommand(EditCommand command, bool on) override { commands[command] = on; }
    void PodcastCommands(const AudioDocument&) override {}
    void SongInfoCommands() override {}
    void CommandsFromDocument() override {}
    void StopPlayback() override {}
    void StopRecording() override {}
    bool AskRecordingFormat(RecordFormat&) override { return false; }
    RecordFormat RecordingFormat() const override { return {44100, 16, 2}; }
    int ExportToWma(const std::string&, const std::string&) override { return kCancelled; }
    QWidget* DialogParent() override { return nullptr; }
};

// The whole file shown and nothing selected; the session holds the busy flag and the working copy.
class SessionEditSurface : public EditSurface {
public:
    explicit SessionEditSurface(DocumentSession& session) : m_session(session) {}
    int refreshes = 0;

    ShownRange CurrentSelection() const override {
        const AudioDocument* document = m_session.Documents().current();
        const std::uint32_t total = document != nullptr ? document->frames : 0;
        return {true, 0, 0, 0, total, true};
    }
    std::uint32_t CaretReadout() const override { return 0; }
    bool TransportBusy() const override { return false; }
    bool WorkingCopyReady() override { return m_session.EnsureWorkingCopy(true); }
    void HoldBusy() override { m_session.HoldBusy(); }
    void ReleaseBusy() override { m_session.ReleaseBusy(); }
    std::string TempPreference() const override { return m_session.TempPreference(); }
    bool RefreshAudio(const RefreshRequest&) override { return ++refreshes > 0; }
    void PreparePeakRemoval(std::uint32_t, std::uint32_t) override {}
    void ShowDocument() override {}
    void CommandsFromDocument() override {}
    void EnableCommand(EditCommand, bool) override {}
    QWidget* DialogParent() override { return nullptr; }

private:
    DocumentSession& m_session;
};

// A session whose documents the document controller opens on a plain surface with a real
// engine, a temporary folder of its own, scripted dialogs and a plain widget as their parent.
struct WindowlessDocuments {
    WindowlessDocuments() {
        session.TempPreferenceSource = [this] { return temp.path(); };
        files.Attach(&engine, nullptr);
    }
    // Writes a stereo take of `frames` frames into the user's folder and opens it; its path.
    std::string openTake(std::uint32_t frames = 1000) {
        const std::string take = user.file("take.wav");
        test::writeFile(take,
                        test::pcmWave(44100, 16, 2, std::vector<std::int16_t>(frames * 2, 700)));
        EXPECT_EQ(files.OpenFileByPath(QString::fromStdString(take)), 0);
        return take;
    }

    test::TempFolder user;
    test::TempFolder temp;
    QWidget window;
    ScriptedDialogs dialogs;
    DocumentSession session{dialogs, &window};
    TransportController transport;
    NXWavePlayer engine;
    PlainSurface documentSurface;
    DocumentController files{documentSurface, session, dialogs, transport};
};

}  // namespace sonthra
