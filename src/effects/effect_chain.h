// Effect chains: a named list of effects, each with its settings, applied in one step. The
// readable text form ("name=", then "effect=" lines each followed by the effect's "key=value"
// settings), the per-user store (one file per chain, 0600, in a 0700 folder beside the
// settings) with the shipped chains behind it, and the application as one FileTransform:
// one worker passes the audio through each effect in turn, under one progress, one Cancel and
// one undo file.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "edit/file_transform.h"

namespace sonthra {

class EffectPluginList;
struct EffectPlugin;

// A chain file that cannot be read or makes no sense, a chain that names an effect or a setting
// there is not, or a chain name no file stands for ("Unable to load presets for the effect").
inline constexpr int kMsgChainCannotLoad = 392;
// A chain that cannot be stored or removed ("Unable to save presets for the effect").
inline constexpr int kMsgChainCannotSave = 393;

// Limits that keep a hostile file from costing more than a real chain does.
inline constexpr std::size_t kMaxChainFileBytes = 64 * 1024;
inline constexpr std::size_t kMaxChainSteps = 64;
inline constexpr std::size_t kMaxStepSettings = 32;
inline constexpr std::size_t kMaxChainNameBytes = 100;

struct ChainStep {
    std::string effect;                 // the plug-in's effect name, any case
    std::vector<std::string> settings;  // "key=value", applied over the effect's defaults
    bool operator==(const ChainStep&) const = default;
};

struct EffectChain {
    std::string name;
    std::vector<ChainStep> steps;
    bool operator==(const EffectChain&) const = default;
};

// Whether name can name a stored chain: 1 to 100 bytes, no control character, no "/", not
// starting with "." (a chain is a file named after it).
bool isValidChainName(const std::string& name);

// 0, or 392 with *error saying what is wrong and on which line.
int parseEffectChain(const std::string& text, EffectChain& chain, std::string* error);
// The chain as text that parseEffectChain reads back to the same chain.
std::string effectChainText(const EffectChain& chain);
// Reads and parses a chain file: 0, or 392 with *error.
int loadEffectChainFile(const std::filesystem::path& file, EffectChain& chain, std::string* error);

// The chains that ship with the program ("Podcast voice").
const std::vector<EffectChain>& shippedEffectChains();

class EffectChainStore {
public:
    // The user's chains folder: "chains" beside the settings file (empty when no home is known).
    static std::filesystem::path userFolder();
    explicit EffectChainStore(std::filesystem::path folder = userFolder());

    // The user's chains and then the shipped ones the user has no chain of the same name for,
    // each group in name order.
    std::vector<std::string> names() const;
    // The user's chain of that name, else the shipped one: 0, or 392 with *error.
    int load(const std::string& name, EffectChain& chain, std::string* error) const;
    // Stores the chain under its name, replacing one of the same name: 0 or 393 (392 for a name
    // that cannot be a file).
    int save(const EffectChain& chain) const;
    // Removes the user's chain of that name (a shipped one of the same name shows again): 0, or
    // 392 when there is none, 393 when it cannot be removed.
    int remove(const std::string& name) const;

private:
    std::filesystem::path fileOf(const std::string& name) const;
    std::filesystem::path m_folder;
};

// Whether every step names a loaded effect that takes every one of its settings: 0, or 392
// with *error naming the step.
int checkEffectChain(const EffectPluginList& plugins, const EffectChain& chain, std::string* error);

// The chain applied to the working copy as one transform. Each step starts from its effect's
// defaults plus the step's settings; the settings the user last chose for the effect itself
// come back afterwards. The plug-ins must not be used elsewhere while it runs.
class ChainTransform final : public FileTransform {
public:
    // first and last: the selection in frames (either order; equal = the whole file).
    ChainTransform(const EffectPluginList& plugins, EffectChain chain, std::uint32_t first,
                   std::uint32_t last, std::uint32_t caret);

    std::string caption() const override;
    bool undoRequired() const override { return true; }
    // Refuses (392) a chain that checkEffectChain refuses, before any audio is read.
    std::unique_ptr<LongOperation> start(const std::string& source, const std::string& result,
                                         int& refused) override;

    // After a finished run: what the effects said they did, in order ("Normalize: ..."); and
    // why start refused, when it did.
    std::vector<std::string> resultTexts() const;
    const std::string& refusal() const { return m_refusal; }

private:
    int run(const std::string& source, const std::string& result, std::atomic<int>& progress,
            const std::atomic<bool>& cancelled);

    const EffectPluginList& m_plugins;
    EffectChain m_chain;
    std::uint32_t m_first;
    std::uint32_t m_last;
    std::uint32_t m_caret;
    std::string m_refusal;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_texts;
};

// The chain applied to the whole of input, written to output through a file beside it that
// replaces output only when complete: 0, 129 when interrupted is set while it runs, or a
// message number (392 with *detail for a chain that does not fit the effects). texts gets
// the effects' result texts.
int applyChainToFile(const EffectPluginList& plugins, const EffectChain& chain,
                     const std::string& input, const std::string& output, std::string* detail,
                     std::vector<std::string>* texts,
                     const std::atomic<bool>* interrupted = nullptr);

}  // namespace sonthra
