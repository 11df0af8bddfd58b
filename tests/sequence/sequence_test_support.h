// What the sequence tests share: a working copy of known frames (stereo 16-bit, each frame a
// distinct 32-bit value, so that a frame moved, lost or doubled shows), the whole audio of a
// document read back, and a plain model of the audio, the clip and the history to compare with.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <deque>
#include <random>
#include <string>
#include <vector>

#include "sequence/sequence_document.h"
#include "sequence/sequence_reader.h"
#include "wave/wave_test_files.h"

namespace sonthra::testing {

using Frames = std::vector<std::uint32_t>;

inline const WaveFormat kTestFormat = makePcmFormat(8000, 16, 2);

// A working copy named "work.wav" in folder whose frames are 1, 2, ... count.
inline void writeWorkingCopy(const std::string& folder, std::uint32_t count) {
    std::string samples(count * 4u, '\0');
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t v = i + 1;
        std::memcpy(&samples[i * 4u], &v, 4);
    }
    writeBytes(folder + "/work.wav", wavBytes(2, 8000, 16, samples));
}

// A document opened on such a working copy in dir; null (and a failure) when it cannot be.
inline std::unique_ptr<SequenceDocument> openWorkingCopy(const TempDir& dir, std::uint32_t count) {
    writeWorkingCopy(dir.path(), count);
    std::unique_ptr<SequenceDocument> doc;
    EXPECT_EQ(SequenceDocument::open(dir.path(), "work.wav", &doc), 0);
    return doc;
}

inline Frames framesOf(const SequenceSnapshot& snapshot) {
    Frames out(snapshot.frames());
    SequenceReader reader(std::make_shared<SequenceSnapshot>(snapshot));
    EXPECT_EQ(reader.read(0, out.size(), out.data()), 0);
    return out;
}

inline Frames framesOf(const SequenceDocument& doc) {
    return framesOf(*doc.snapshot());
}

// The frames of a saved WAV written by the program (46-byte header).
inline Frames framesOfFile(const std::string& path) {
    const std::string bytes = readBytes(path);
    if (bytes.size() < 46) return {};
    Frames out((bytes.size() - 46) / 4);
    if (!out.empty()) std::memcpy(out.data(), bytes.data() + 46, out.size() * 4);
    return out;
}

// The audio, the clip and the history as the user expects them.
struct Model {
    struct Level {
        Frames before;
        std::string label;
    };
    Frames audio;
    Frames clip;
    std::deque<Level> undo;
    std::vector<Level> redo;  // the next redo last
    std::uint64_t limit = kUnlimitedLevels;

    void change(Frames next, const std::string& label) {
        undo.push_back({audio, label});
        redo.clear();
        audio = std::move(next);
        trim();
    }
    void trim() {
        while (undo.size() + redo.size() > limit) {
            if (!undo.empty()) {
                undo.pop_front();
            } else {
                redo.erase(redo.begin());
            }
        }
    }
};

// One random step on the document (when given) and the model; each step depends only on rng
// and the model, so that a child process and its parent make the same steps.
inline void randomStep(std::mt19937& rng, SequenceDocument* doc, Model& m, std::uint32_t& fresh) {
    auto pick = [&](std::uint64_t n) {
        return std::uniform_int_distribution<std::uint64_t>(0, n)(rng);
    };
    const std::uint64_t n = m.audio.size();
    std::uint64_t a = pick(n);
    std::uint64_t b = pick(n);
    if (a > b) std::swap(a, b);
    const int kind = static_cast<int>(pick(12));
    auto expect = [&](int result) {
        if (doc) {
            ASSERT_EQ(result, 0) << "step kind " << kind;
        }
    };
    auto range = [&](const Frames& f) { return Frames(f.begin() + a, f.begin() + b); };
    if (a == b && kind <= 6) return;  // these need a selection
    switch (kind) {
        case 0: {
            Frames next = m.audio;
            m.clip = range(next);
            next.erase(next.begin() + a, next.begin() + b);
            m.change(next, "Cut");
            if (doc) expect(doc->cut(a, b));
            break;
        }
        case 1:
            m.clip = range(m.audio);
            if (doc) expect(doc->copy(a, b));
            break;
        case 2:
        case 3: {
            if (m.clip.empty()) return;
            // Half the pastes replace the selection, half insert at its start.
            if (kind == 3) b = a;
            Frames next = m.audio;
            next.erase(next.begin() + a, next.begin() + b);
            next.insert(next.begin() + a, m.clip.begin(), m.clip.end());
            m.change(next, "Paste");
            if (doc) expect(doc->paste(a, b));
            break;
        }
        case 4: {
            Frames next = m.audio;
            next.erase(next.begin() + a, next.begin() + b);
            m.change(next, "Clear");
            if (doc) expect(doc->clear(a, b));
            break;
        }
        case 5:
            m.change(range(m.audio), "Crop");
            if (doc) expect(doc->crop(a, b));
            break;
        case 6: {
            Frames next = m.audio;
            std::fill(next.begin() + a, next.begin() + b, 0);
            m.change(next, "Mute");
            if (doc) expect(doc->mute(a, b));
            break;
        }
        case 7: {
            const std::uint64_t count = 1 + pick(300);
            Frames next = m.audio;
            next.insert(next.begin() + a, count, 0);
            m.change(next, "Insert Silence");
            if (doc) expect(doc->insertSilence(a, count));
            break;
        }
        case 8: {
            // A fake effect: new frames over the selection (an insertion when it is empty).
            Frames made(pick(400));
            for (std::uint32_t& f : made) f = 0x80000000u | fresh++;
            Frames next = m.audio;
            next.erase(next.begin() + a, next.begin() + b);
            next.insert(next.begin() + a, made.begin(), made.end());
            if (made.empty() && a == b) return;
            m.change(next, "Effect");
            if (doc) {
                auto audio = doc->newAudio();
                ASSERT_TRUE(audio);
                ASSERT_TRUE(audio->append(made.data(), made.size() * 4));
                expect(doc->replace(a, b, *audio, "Effect"));
            }
            break;
        }
        case 9:
        case 10:
            if (m.undo.empty()) return;
            m.redo.push_back(m.undo.back());
            m.redo.back().before = m.audio;
            m.audio = m.undo.back().before;
            m.undo.pop_back();
            if (doc) expect(doc->undo());
            break;
        default:
            if (m.redo.empty()) return;
            m.undo.push_back(m.redo.back());
            m.undo.back().before = m.audio;
            m.audio = m.redo.back().before;
            m.redo.pop_back();
            if (doc) expect(doc->redo());
            break;
    }
}

// The document's audio and whole history against the model's, stepping back to the oldest
// level and forward again.
inline void expectSameHistory(SequenceDocument& doc, const Model& m) {
    ASSERT_EQ(framesOf(doc), m.audio);
    ASSERT_EQ(doc.undoLevels(), m.undo.size());
    ASSERT_EQ(doc.redoLevels(), m.redo.size());
    for (std::size_t i = m.undo.size(); i-- > 0;) {
        ASSERT_EQ(doc.undoLabel(), m.undo[i].label);
        ASSERT_EQ(doc.undo(), 0);
        ASSERT_EQ(framesOf(doc), m.undo[i].before);
    }
    while (doc.canRedo()) ASSERT_EQ(doc.redo(), 0);
    ASSERT_EQ(framesOf(doc), m.redo.empty() ? m.audio : m.redo.front().before);
}

}  // namespace sonthra::testing
