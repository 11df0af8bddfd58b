// The records of running copies on real files: what the next start finds of a copy killed with
// SIGKILL, what it offers, what it removes and what it must never touch.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app/recovery.h"
#include "platform/temp_file.h"
#include "wave/wave_probe.h"
#include "wave/wave_writer.h"

namespace fs = std::filesystem;
using namespace sonthra;

namespace {

class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "recovery-test-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    fs::path path_;
};

void writeText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

void setAge(const std::string& path, std::int64_t secondsAgo) {
    const struct timespec t = {std::time(nullptr) - secondsAgo, 0};
    const struct timespec times[2] = {t, t};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

std::vector<std::string> names(const fs::path& folder) {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(folder)) out.push_back(e.path().filename());
    std::sort(out.begin(), out.end());
    return out;
}

void writeWave(const std::string& path, std::uint32_t frames) {
    auto writer = WaveWriter::create(path, 8000, 16, 1);
    ASSERT_TRUE(writer);
    std::vector<std::int16_t> samples(frames, 1000);
    if (frames > 0) {
        ASSERT_TRUE(writer->write(samples.data(), samples.size() * 2));
    }
    ASSERT_TRUE(writer->finish());
}

RecoveryEntry entry(const TempDir& dir, const std::string& name, const std::string& stem,
                    std::int32_t state) {
    RecoveryEntry e;
    e.name = name;
    e.workFile = dir.file("ST32" + stem + ".tmp");
    e.undoFile = dir.file("ST32" + stem.substr(0, 5) + "U.tmp");
    e.redoFile = dir.file("ST32" + stem.substr(0, 5) + "R.tmp");
    e.state = state;
    e.workReady = true;
    return e;
}

// A child process that opens a record with this manifest, says so through the pipe and waits to
// be killed: what a crashed copy leaves.
pid_t runningCopy(const std::string& folder, RecoveryManifest manifest, std::string* lockPath) {
    int ready[2];
    if (::pipe(ready) != 0) return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(ready[0]);
        InstanceRecord record(folder);
        manifest.pid = ::getpid();
        if (record.Open() == 0 && record.Update(manifest)) {
            const std::string path = record.LockPath();
            [[maybe_unused]] auto n = ::write(ready[1], path.data(), path.size());
        }
        ::close(ready[1]);
        for (;;) ::pause();
    }
    ::close(ready[1]);
    char buffer[4096];
    const ssize_t n = ::read(ready[0], buffer, sizeof buffer);
    ::close(ready[0]);
    if (n > 0 && lockPath != nullptr) lockPath->assign(buffer, static_cast<std::size_t>(n));
    return pid;
}

void kill9(pid_t pid) {
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
}

}  // namespace

// Our temporary files carry the tag of the process that made them, which is how a later start
// tells a dead copy's leftovers from the files of programs that ran beside it.
TEST(TemporaryNames, CarryTheirProcesssTagAndAreNeverMadeTwice) {
    TempDir dir;
    const std::string first = CreateTemporaryFile(dir.path(), ".tmp");
    const std::string second = CreateTemporaryFile(dir.path(), ".tmp");
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(second.empty());
    EXPECT_NE(first, second);
    for (const std::string& path : {first, second}) {
        const std::string name = fs::path(path).filename();
        EXPECT_TRUE(IsTemporaryName(name)) << name;
        EXPECT_EQ(name.substr(4, 2), TemporaryTagOf(::getpid()));
        EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write);
    }
    EXPECT_NE(TemporaryTagOf(1000), TemporaryTagOf(1001));
    EXPECT_TRUE(CreateTemporaryFile(dir.file("missing")).empty());
}

TEST(RecoveryManifest, ReadsBackWhatWasWrittenAndRefusesAnythingElse) {
    RecoveryManifest m;
    m.pid = 4242;
    m.started = 1700000000;
    m.tempFolders = {"/tmp/a folder/with\ttab", "/tmp"};
    RecoveryEntry e;
    e.name = "/home/u/my\nodd %name.wav";
    e.workFile = "/tmp/ST32abcDEF.tmp";
    e.undoFile = "/tmp/ST32abcDEG.tmp";
    e.state = 1;
    e.workReady = true;
    e.workStamp = 123456789012345;
    e.recording = true;
    m.entries = {e};
    const std::string text = FormatManifest(m);
    const auto back = ParseManifest(text);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->pid, 4242);
    EXPECT_EQ(back->tempFolders, m.tempFolders);
    ASSERT_EQ(back->entries.size(), 1u);
    EXPECT_EQ(back->entries[0].name, e.name);
    EXPECT_EQ(back->entries[0].workFile, e.workFile);
    EXPECT_EQ(back->entries[0].redoFile, "");
    EXPECT_EQ(back->entries[0].workStamp, e.workStamp);
    EXPECT_TRUE(back->entries[0].recording);

    // Cut short (a full disk), a bad escape, an unknown line, and a working file that is not
    // one of ours (which would make the next start delete a user's file).
    EXPECT_FALSE(ParseManifest(text.substr(0, text.size() - 5)));
    std::string badEscape = text;
    badEscape.replace(badEscape.find("%0A"), 3, "%0");
    EXPECT_FALSE(ParseManifest(badEscape));
    std::string unknown = text;
    unknown.insert(unknown.find("\nend"), "\nsurprise\t1");
    EXPECT_FALSE(ParseManifest(unknown));
    std::string foreign = text;
    foreign.replace(foreign.find("/tmp/ST32abcDEF.tmp"), 19, "/home/u/song.wav");
    EXPECT_FALSE(ParseManifest(foreign));
    EXPECT_FALSE(ParseManifest(""));
}

TEST(RecoveryNames, OnlyOurExactPatternsMatch) {
    EXPECT_TRUE(IsTemporaryName("ST32aB3dE9.tmp"));
    EXPECT_TRUE(IsTemporaryName("ST32aB3dE9.cvp"));
    EXPECT_TRUE(IsTemporaryName("ST32aB3dE9"));
    EXPECT_FALSE(IsTemporaryName("ST32aB3dE.tmp"));
    EXPECT_FALSE(IsTemporaryName("ST32aB3dE9.wav"));
    EXPECT_FALSE(IsTemporaryName(".ST32aB3dE9"));
    EXPECT_TRUE(IsTemporaryName(".ST32aB3dE9", true));
    EXPECT_TRUE(IsTemporaryName(".ST32aB3dE9.tmp.0123456789", true));
    EXPECT_FALSE(IsTemporaryName(".ST32aB3dE9.tmp.012345678", true));
    EXPECT_FALSE(IsTemporaryName("ST32-a/b.tmp", true));

    EXPECT_TRUE(IsPartialSaveName(".song.wav.00ff12ab9c", "song.wav"));
    EXPECT_FALSE(IsPartialSaveName(".song.wav.00FF12AB9C", "song.wav"));
    EXPECT_FALSE(IsPartialSaveName(".song.wav.00ff12", "song.wav"));
    EXPECT_FALSE(IsPartialSaveName(".other.wav.00ff12ab9c", "song.wav"));
    EXPECT_FALSE(IsPartialSaveName("song.wav", "song.wav"));
}

TEST(RecoveryPartials, AKilledSavesPartialGoesAndNothingElse) {
    TempDir dir;
    const std::string song = dir.file("song.wav");
    writeText(song, "audio");
    const std::string partial = dir.file(".song.wav.0a1b2c3d4e");
    const std::string older = dir.file(".song.wav.ffffffffff");
    const std::string otherFile = dir.file(".other.wav.0a1b2c3d4e");
    const std::string lookalike = dir.file(".song.wav.0a1b2c");  // another tool's pattern
    for (const auto& p : {partial, older, otherFile, lookalike}) writeText(p, "x");
    setAge(older, 3600);
    const std::int64_t now = std::time(nullptr);
    EXPECT_EQ(RemovePartialSaves(song, now - 600, now + 1), 1);
    EXPECT_FALSE(fs::exists(partial));
    EXPECT_TRUE(fs::exists(older));  // made before the span asked about
    EXPECT_TRUE(fs::exists(otherFile));
    EXPECT_TRUE(fs::exists(lookalike));
    EXPECT_TRUE(fs::exists(song));
}

TEST(RecoveryRecording, DataPastTheHeaderIsGivenBackInWholeFrames) {
    TempDir dir;
    const std::string wav = dir.file("ST32rec001.tmp");
    writeWave(wav, 8000);
    {
        // Audio that reached the file after its header was last written, half a frame last.
        std::ofstream out(wav, std::ios::binary | std::ios::app);
        std::string more(4000 * 2 + 1, '\x10');
        out << more;
    }
    std::uint32_t frames = 0;
    ASSERT_EQ(probeWave(wav, &frames, nullptr), 0);
    EXPECT_EQ(frames, 8000u);
    EXPECT_EQ(RepairRecordedLength(wav), 0);
    ASSERT_EQ(probeWave(wav, &frames, nullptr), 0);
    EXPECT_EQ(frames, 12000u);
    // Right already: nothing changes; not a WAV file: refused.
    EXPECT_EQ(RepairRecordedLength(wav), 0);
    writeText(dir.file("text"), "hello, this is no audio file at all");
    EXPECT_EQ(RepairRecordedLength(dir.file("text")), -1);
    // A data size that claims more than the file holds is never shrunk or grown.
    std::string head(44, '\0');
    EXPECT_FALSE(PlanDataRepair(head, 44));
}

TEST(RecoveryRuns, AKilledCopyIsFoundAndALiveOneIsLeftAlone) {
    TempDir dir;
    const std::string folder = dir.file("records");
    RecoveryManifest m;
    m.started = std::time(nullptr) - 5;
    m.tempFolders = {dir.path().string()};
    m.entries = {entry(dir, "/home/u/a.wav", "aaaaaa", 1)};
    std::string deadLock;
    const pid_t dead = runningCopy(folder, m, &deadLock);
    ASSERT_GT(dead, 0);
    ASSERT_FALSE(deadLock.empty());
    std::string liveLock;
    const pid_t live = runningCopy(folder, m, &liveLock);
    ASSERT_GT(live, 0);
    kill9(dead);

    InstanceRecord self(folder);
    ASSERT_EQ(self.Open(), 0);
    bool othersAlive = false;
    std::vector<AbandonedRun> runs = ClaimAbandonedRuns(folder, self.LockPath(), &othersAlive);
    EXPECT_TRUE(othersAlive);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].Manifest().pid, dead);
    ASSERT_EQ(runs[0].Manifest().entries.size(), 1u);
    EXPECT_EQ(runs[0].Manifest().entries[0].name, "/home/u/a.wav");
    // While this start holds the dead copy's record, a second start does not take it too.
    bool again = false;
    EXPECT_TRUE(ClaimAbandonedRuns(folder, self.LockPath(), &again).empty());
    EXPECT_TRUE(again);

    kill9(live);
    runs.clear();
    EXPECT_EQ(ClaimAbandonedRuns(folder, self.LockPath(), &othersAlive).size(), 2u);
    EXPECT_FALSE(othersAlive);
}

TEST(RecoveryRuns, UnsavedWorkIsOfferedThenEverythingOfTheRunGoes) {
    TempDir dir;
    const std::string folder = dir.file("records");
    const std::string temp = dir.file("temp");
    fs::create_directory(temp);
    TempDir user;
    const std::string userFile = user.file("song.wav");
    writeText(userFile, "the user's audio");

    auto at = [&](const std::string& name) { return temp + "/" + name; };
    RecoveryManifest m;
    m.started = std::time(nullptr) - 60;
    m.tempFolders = {temp};
    auto make = [&](const std::string& name, const std::string& work, const std::string& undo,
                    const std::string& redo, std::int32_t state) {
        RecoveryEntry e;
        e.name = name;
        e.workFile = at(work);
        e.undoFile = undo.empty() ? undo : at(undo);
        e.redoFile = redo.empty() ? redo : at(redo);
        e.state = state;
        e.workReady = true;
        return e;
    };
    const RecoveryEntry edited =
        make(userFile, "ST32edit01.tmp", "ST32undo01.tmp", "ST32redo01.tmp", 1);
    RecoveryEntry clean =
        make(user.file("clean.wav"), "ST32clean1.tmp", "ST32undo02.tmp", "ST32redo02.tmp", 2);
    const RecoveryEntry recorded =
        make("Untitled1.wav", "ST32recd01.tmp", "ST32undo03.tmp", "ST32redo03.tmp", 3);
    const RecoveryEntry empty = make("Untitled2.wav", "ST32empty1.tmp", "", "", 3);

    writeWave(edited.workFile, 100);
    for (const auto& f : {edited.undoFile, edited.redoFile, clean.undoFile, clean.redoFile,
                          recorded.undoFile, recorded.redoFile}) {
        writeText(f, "");
    }
    writeWave(at("ST32edit01.cvp"), 1);
    writeWave(clean.workFile, 100);
    clean.workStamp = FileStamp(clean.workFile);
    writeWave(recorded.workFile, 50);
    writeWave(empty.workFile, 0);
    m.entries = {edited, clean, recorded, empty};
    const std::string foreign = at("notes.txt");
    const std::string beforeTheRun = at("ST32oldrun.tmp");
    writeText(foreign, "x");
    // This copy's own working file, made while it starts.
    const std::string mine = at("ST32mine01.tmp");
    writeText(mine, "x");
    writeText(beforeTheRun, "x");
    setAge(beforeTheRun, 7200);

    std::string lock;
    const pid_t dead = runningCopy(folder, m, &lock);
    ASSERT_GT(dead, 0);
    // Leftovers of the run, changed while it ran: the engine's clipboard and an effect's
    // partial (named with its process's tag), an edit's partial of one of its documents, a
    // killed save beside the user's file.
    const std::string tag = TemporaryTagOf(dead);
    const std::vector<std::string> leftovers = {
        at("ST32" + tag + "clip"), at(".ST32" + tag + "efx1"), at(".ST32edit01.tmp.0123456789"),
        user.file(".song.wav.abcdef0123")};
    // A clipboard changed after the copy died is not the copy's, even under its tag (its
    // process number may have been given to another program since).
    const std::string afterTheRun = at("ST32" + tag + "late");
    // The clipboard of another program that ran at the same time.
    const std::string otherProgram = at("ST32" + TemporaryTagOf(dead + 1) + "clip");
    for (const auto& f : leftovers) writeText(f, "x");
    writeText(otherProgram, "x");
    for (const auto& f : leftovers) setAge(f, 30);
    setAge(otherProgram, 30);
    kill9(dead);
    bool othersAlive = true;
    writeText(afterTheRun, "x");
    setAge(afterTheRun, -30);
    std::vector<AbandonedRun> runs = ClaimAbandonedRuns(folder, "", &othersAlive);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_FALSE(othersAlive);
    std::vector<std::string> offered;
    for (const auto& e : runs[0].Recoverable()) offered.push_back(e.name);
    EXPECT_EQ(offered, (std::vector<std::string>{userFile, "Untitled1.wav"}));

    // A clean document edited after the manifest was last written is offered too.
    writeWave(clean.workFile, 120);
    EXPECT_EQ(runs[0].Recoverable().size(), 3u);

    // The user keeps the recording for later: only its working copy stays listed.
    runs[0].Discard({recorded}, {at("ST32mine01.tmp")}, true);
    EXPECT_TRUE(fs::exists(recorded.workFile));
    for (const auto& f : {edited.workFile, edited.undoFile, clean.workFile, recorded.undoFile,
                          empty.workFile, at("ST32edit01.cvp")}) {
        EXPECT_FALSE(fs::exists(f)) << f;
    }
    for (const auto& f : leftovers) EXPECT_FALSE(fs::exists(f)) << f;
    EXPECT_TRUE(fs::exists(foreign));
    EXPECT_TRUE(fs::exists(mine));
    EXPECT_TRUE(fs::exists(beforeTheRun));
    EXPECT_TRUE(fs::exists(afterTheRun));
    EXPECT_TRUE(fs::exists(otherProgram));
    EXPECT_TRUE(fs::exists(userFile));
    runs.clear();

    // The next start finds the kept recording alone, and after it the record is gone.
    runs = ClaimAbandonedRuns(folder, "", &othersAlive);
    ASSERT_EQ(runs.size(), 1u);
    ASSERT_EQ(runs[0].Recoverable().size(), 1u);
    EXPECT_EQ(runs[0].Recoverable()[0].name, "Untitled1.wav");
    runs[0].Discard({}, {}, true);
    runs.clear();
    EXPECT_FALSE(fs::exists(recorded.workFile));
    EXPECT_TRUE(names(folder).empty());
}

TEST(RecoveryRuns, ACopyThatEndsInOrderLeavesNoRecordUnlessItKeepsWork) {
    TempDir dir;
    // Under a settings folder that a first run has not made yet.
    const std::string folder = dir.file("config/Sonthra/records");
    {
        InstanceRecord record(folder);
        ASSERT_EQ(record.Open(), 0);
        RecoveryManifest m;
        m.pid = ::getpid();
        EXPECT_TRUE(record.Update(m));
        EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all);
    }
    EXPECT_TRUE(names(folder).empty());
    {
        InstanceRecord record(folder);
        ASSERT_EQ(record.Open(), 0);
        RecoveryManifest m;
        m.pid = ::getpid();
        m.entries = {entry(dir, "Untitled1.wav", "keep01", 3)};
        EXPECT_TRUE(record.Update(m));
        record.Keep();
        m.entries.clear();
        EXPECT_FALSE(record.Update(m));  // frozen with the work it keeps
    }
    bool othersAlive = true;
    auto runs = ClaimAbandonedRuns(folder, "", &othersAlive);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].Manifest().entries.size(), 1u);
}
