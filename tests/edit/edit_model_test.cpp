// A few hundred random edits, undos and redos through the real engine, each checked against a
// plain in-memory model of the audio, the clipboard and the undo and redo states.
#include <gtest/gtest.h>

#include <optional>
#include <random>

#include "edit/edit_commands.h"
#include "engine_edit/edit_test_support.h"

namespace sonthra {
namespace {

using testing::makeWav;
using testing::samplesOf;
using testing::TempDir;
using testing::Wav;
using testing::writeBytes;
using testing::writeWav;

// The audio as the user expects it after each command: bytes of whole frames.
class Model {
public:
    explicit Model(const Wav& wav) : m_wav(wav), m_audio(wav.samples) {}

    std::uint32_t total() const { return static_cast<std::uint32_t>(m_audio.size() / align()); }
    const std::string& audio() const { return m_audio; }
    const std::optional<std::string>& undo() const { return m_undo; }
    const std::optional<std::string>& redo() const { return m_redo; }
    bool canPaste() const { return m_clip.has_value(); }

    // Whether the engine accepts the request; applies it when it does.
    bool apply(const EditRequest& r) {
        const std::uint32_t lo = std::min(r.first, r.last);
        const std::uint32_t hi = std::max(r.first, r.last);
        std::string next = m_audio;
        switch (r.operation) {
            case EditOperation::Cut:
            case EditOperation::Copy:
                if (lo == hi) return false;
                m_clip = bytes(lo, hi);
                if (r.operation == EditOperation::Copy) return true;
                next.erase(lo * align(), (hi - lo) * align());
                break;
            case EditOperation::Clear:
                if (lo == hi) return false;
                next.erase(lo * align(), (hi - lo) * align());
                break;
            case EditOperation::Crop:
                if (lo == hi) return false;
                next = bytes(lo, hi);
                break;
            case EditOperation::Paste:
                if (!m_clip || r.position > total()) return false;
                next.insert(r.position * align(), *m_clip);
                if (lo != hi) next.erase(lo * align(), (hi - lo) * align());
                break;
            case EditOperation::Mute:
                for (std::uint32_t f = lo; f < hi; ++f) {
                    for (int c = 0; c < m_wav.channels; ++c) {
                        if (m_wav.channels == 1 || (r.parameter & (1u << c)) != 0) {
                            setSample(next, f, c, silentSample());
                        }
                    }
                }
                break;
            case EditOperation::TrimSilence: {
                std::uint32_t a = lo;
                std::uint32_t b = hi;
                while (a < b && silentFrame(a)) ++a;
                while (b > a && silentFrame(b - 1)) --b;
                next = bytes(0, lo) + bytes(a, b) + bytes(hi, total());
                break;
            }
            case EditOperation::InsertSilence: {
                if (r.position > total()) return false;
                const std::uint32_t frames = r.parameter * m_wav.rate / 1000;
                std::string silence;
                for (std::uint32_t f = 0; f < frames * m_wav.channels; ++f) {
                    silence += sampleBytes(silentSample());
                }
                next.insert(r.position * align(), silence);
                break;
            }
        }
        m_undo = m_audio;
        m_redo.reset();
        m_audio = next;
        return true;
    }
    void undoStep() {
        m_redo = m_audio;
        m_audio = *m_undo;
        m_undo.reset();
    }
    void redoStep() {
        m_undo = m_audio;
        m_audio = *m_redo;
        m_redo.reset();
    }

private:
    std::size_t align() const { return m_wav.align(); }
    std::size_t sampleSize() const { return m_wav.bits / 8u; }
    std::string bytes(std::uint32_t lo, std::uint32_t hi) const {
        return m_audio.substr(lo * align(), (hi - lo) * align());
    }
    int silentSample() const { return m_wav.bits == 8 ? 128 : 0; }
    std::string sampleBytes(int v) const {
        std::string s(1, static_cast<char>(v & 0xFF));
        if (sampleSize() == 2) s.push_back(static_cast<char>((v >> 8) & 0xFF));
        return s;
    }
    int sample(std::uint32_t frame, int channel) const {
        const std::size_t at = frame * align() + channel * sampleSize();
        const auto b0 = static_cast<unsigned char>(m_audio[at]);
        if (sampleSize() == 1) return b0;
        return static_cast<std::int16_t>(b0 | static_cast<unsigned char>(m_audio[at + 1]) << 8);
    }
    void setSample(std::string& audio, std::uint32_t frame, int channel, int v) const {
        audio.replace(frame * align() + channel * sampleSize(), sampleSize(), sampleBytes(v));
    }
    // Threshold 0: only frames at the exact centre on every channel are silence.
    bool silentFrame(std::uint32_t frame) const {
        for (int c = 0; c < m_wav.channels; ++c) {
            if (sample(frame, c) != silentSample()) return false;
        }
        return true;
    }

    Wav m_wav;
    std::string m_audio;
    std::optional<std::string> m_clip;
    std::optional<std::string> m_undo;
    std::optional<std::string> m_redo;
};

class EditModel : public ::testing::TestWithParam<std::pair<int, int>> {};

TEST_P(EditModel, RandomEditsUndosAndRedosMatchTheModel) {
    const auto [channels, bits] = GetParam();
    TempDir dir;
    const Wav wav =
        makeWav(static_cast<std::uint16_t>(channels), static_cast<std::uint16_t>(bits), 400, 11);
    const EditFiles files{dir.file("work.tmp"), dir.file("undo.tmp"), dir.file("redo.tmp")};
    writeWav(files.workFile, wav);
    Model model(wav);
    AudioEditor editor(testing::smallBlocks());
    editor.AudioEditSetUndoRedo(0);
    const OperationRunner run = [](const std::string&, LongOperation& operation) {
        return WaitForOperation(operation);
    };
    std::vector<int> shown;
    const MessageSink sink = [&shown](int message) { shown.push_back(message); };

    std::mt19937 random(20240611u + static_cast<unsigned>(channels * 100 + bits));
    const auto pick = [&random](std::uint32_t lo, std::uint32_t hi) {
        return std::uniform_int_distribution<std::uint32_t>(lo, hi)(random);
    };
    int edits = 0;
    int undos = 0;
    int redos = 0;
    for (int step = 0; step < 300; ++step) {
        const std::uint32_t total = model.total();
        const std::uint32_t kind = pick(0, 15);
        std::string what;
        if (kind >= 10 && kind <= 12) {
            what = "undo";
            const int result = UndoMove(files);
            if (model.undo()) {
                ASSERT_EQ(result, 0) << step;
                model.undoStep();
                ++undos;
            } else {
                ASSERT_EQ(result, kMsgCannotUndo) << step;
            }
        } else if (kind >= 13) {
            what = "redo";
            const int result = RedoMove(files);
            if (model.redo()) {
                ASSERT_EQ(result, 0) << step;
                model.redoStep();
                ++redos;
            } else {
                ASSERT_EQ(result, kMsgCannotMakeRedo) << step;
            }
        } else {
            EditRequest r;
            const EditOperation ops[] = {EditOperation::Cut,         EditOperation::Copy,
                                         EditOperation::Paste,       EditOperation::Clear,
                                         EditOperation::Crop,        EditOperation::Mute,
                                         EditOperation::TrimSilence, EditOperation::InsertSilence,
                                         EditOperation::Paste,       EditOperation::Cut};
            r.operation = ops[kind];
            // Mostly a real range, now and then an empty one; files that grew large shrink.
            r.first = pick(0, total);
            r.last = pick(0, 7) == 0 ? r.first : pick(0, total);
            if (total > 3000 && r.operation != EditOperation::Copy) {
                r.operation = EditOperation::Cut;
            }
            if (r.operation == EditOperation::Paste && pick(0, 1) == 0) r.last = r.first;
            r.position = PasteInsertionPoint(r.first, r.last, pick(0, total));
            if (r.operation == EditOperation::Mute) r.parameter = pick(1, 3);
            if (r.operation == EditOperation::InsertSilence) r.parameter = pick(1, 20);
            what = EditCaption(r.operation) + " " + std::to_string(r.first) + ".." +
                   std::to_string(r.last) + " @" + std::to_string(r.position);
            const bool accepted = model.apply(r);
            int result = 0;
            if (r.operation == EditOperation::Copy) {
                result = CopyEdit(editor, files.workFile, r, run, sink);
            } else {
                const std::string resultName = dir.file("result.tmp");
                writeBytes(resultName, "");
                result = ApplyFileEdit(editor, files, r, resultName, run, sink).result;
            }
            ASSERT_EQ(result == 0, accepted) << step << ' ' << what << " gave " << result;
            // A refused command's own message is the only one shown.
            if (!accepted) std::erase(shown, result);
            if (accepted && r.operation != EditOperation::Copy) ++edits;
        }
        ASSERT_TRUE(shown.empty()) << step << ' ' << what;
        ASSERT_EQ(samplesOf(files.workFile, wav), model.audio()) << step << ' ' << what;
        ASSERT_EQ(editor.AudioEditCanPaste() != 0, model.canPaste()) << step;
        if (model.undo()) {
            ASSERT_EQ(samplesOf(files.undoFile, wav), *model.undo()) << step << ' ' << what;
        } else {
            ASSERT_FALSE(FileHasData(files.undoFile)) << step << ' ' << what;
        }
        if (model.redo()) {
            ASSERT_EQ(samplesOf(files.redoFile, wav), *model.redo()) << step << ' ' << what;
        } else {
            ASSERT_FALSE(FileHasData(files.redoFile)) << step << ' ' << what;
        }
    }
    // The sequence really went both ways many times.
    EXPECT_GT(edits, 100);
    EXPECT_GT(undos, 10);
    EXPECT_GT(redos, 5);
    for (const std::string& name : dir.names()) {
        EXPECT_TRUE(name == "work.tmp" || name == "undo.tmp" || name == "redo.tmp") << name;
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, EditModel,
                         ::testing::Values(std::make_pair(2, 16), std::make_pair(1, 8)));

}  // namespace
}  // namespace sonthra
