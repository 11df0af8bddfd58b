#include "effects/effect_chain.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <thread>

#include "dialogs/worker_operation.h"
#include "effects/effect_host.h"
#include "effects/effect_processing.h"
#include "messages/message_table.h"
#include "platform/temp_file.h"
#include "settings/registry_store.h"
#include "settings/settings_file.h"
#include "wave/safe_file.h"
#include "wave/wave_probe.h"

namespace sonthra {

const std::vector<std::string>& shippedEffectChainTexts();

namespace {

constexpr const char* kChainSuffix = ".chain";
constexpr std::size_t kMaxLineBytes = 2048;

bool hasControl(const std::string& text) {
    return std::any_of(text.begin(), text.end(), [](char ch) {
        const auto c = static_cast<unsigned char>(ch);
        return (c < 0x20 && c != '\t') || c == 0x7F;
    });
}

bool isSettingKey(const std::string& key) {
    return !key.empty() && key.size() <= 64 && std::all_of(key.begin(), key.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
    });
}

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

int refuse(std::string* error, const std::string& why) {
    if (error) *error = why;
    return kMsgChainCannotLoad;
}

int refuseLine(std::string* error, std::size_t line, const std::string& why) {
    return refuse(error, "line " + std::to_string(line) + ": " + why);
}

// The plug-in's parameter block as it was at load (all zeros), for one step; the block as the
// user left it comes back when the step is over.
class FreshBlock {
public:
    explicit FreshBlock(EffectPlugin& plugin)
        : m_plugin(plugin),
          m_saved(static_cast<const char*>(plugin.params),
                  static_cast<const char*>(plugin.params) + plugin.paramSize) {
        std::memset(plugin.params, 0, plugin.paramSize);
    }
    ~FreshBlock() { std::memcpy(m_plugin.params, m_saved.data(), m_saved.size()); }
    FreshBlock(const FreshBlock&) = delete;
    FreshBlock& operator=(const FreshBlock&) = delete;

private:
    EffectPlugin& m_plugin;
    std::vector<char> m_saved;
};

// The step's settings over the effect's defaults: 0, or the refused setting in *refused.
int applyStepSettings(EffectPlugin& plugin, const ChainStep& step, std::string* refused) {
    for (const std::string& setting : step.settings) {
        if (!plugin.SetEffectSettingsText ||
            plugin.SetEffectSettingsText(plugin.params, setting.c_str()) != 0) {
            if (refused) *refused = setting;
            return kMsgChainCannotLoad;
        }
    }
    return 0;
}

void removeFile(const std::string& path) {
    if (!path.empty()) ::unlink(path.c_str());
}

}  // namespace

bool isValidChainName(const std::string& name) {
    return !name.empty() && name.size() <= kMaxChainNameBytes && !hasControl(name) &&
           name.find('/') == std::string::npos && name.front() != '.' && trimmed(name) == name;
}

int parseEffectChain(const std::string& text, EffectChain& chain, std::string* error) {
    if (text.size() > kMaxChainFileBytes) return refuse(error, "the file is too large for a chain");
    if (text.find('\0') != std::string::npos) return refuse(error, "the file is not text");
    EffectChain parsed;
    bool named = false;
    std::size_t number = 0;
    for (std::size_t at = 0; at <= text.size();) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() > kMaxLineBytes) return refuseLine(error, number, "the line is too long");
        if (hasControl(line)) return refuseLine(error, number, "a control character");
        line = trimmed(line);
        if (line.empty() || line.front() == '#') continue;
        const auto equals = line.find('=');
        if (equals == std::string::npos) {
            return refuseLine(error, number, "\"" + line + "\" is not key=value");
        }
        const std::string key = trimmed(line.substr(0, equals));
        const std::string value = trimmed(line.substr(equals + 1));
        if (key == "name") {
            if (named) return refuseLine(error, number, "a second name");
            if (!isValidChainName(value)) return refuseLine(error, number, "not a chain name");
            parsed.name = value;
            named = true;
        } else if (key == "effect") {
            if (!named) return refuseLine(error, number, "the chain's name comes first");
            if (value.empty()) return refuseLine(error, number, "an effect without a name");
            if (parsed.steps.size() == kMaxChainSteps) {
                return refuseLine(error, number, "more effects than a chain may hold");
            }
            parsed.steps.push_back({value, {}});
        } else {
            if (parsed.steps.empty()) {
                return refuseLine(error, number, "a setting before the first effect");
            }
            if (!isSettingKey(key)) return refuseLine(error, number, "\"" + key + "\" is no key");
            auto& settings = parsed.steps.back().settings;
            if (settings.size() == kMaxStepSettings) {
                return refuseLine(error, number, "more settings than an effect has");
            }
            settings.push_back(key + "=" + value);
        }
    }
    if (!named) return refuse(error, "the chain has no name");
    if (parsed.steps.empty()) return refuse(error, "the chain has no effect");
    chain = std::move(parsed);
    return 0;
}

std::string effectChainText(const EffectChain& chain) {
    std::string text =
        "# Sonthra effect chain: the effects in order, each followed by its "
        "settings.\nname=" +
        chain.name + "\n";
    for (const ChainStep& step : chain.steps) {
        text += "\neffect=" + step.effect + "\n";
        for (const std::string& setting : step.settings) text += setting + "\n";
    }
    return text;
}

int loadEffectChainFile(const std::filesystem::path& file, EffectChain& chain, std::string* error) {
    std::string text;
    switch (settings_file::readFile(file, text)) {
        case settings_file::ReadResult::Ok:
            return parseEffectChain(text, chain, error);
        case settings_file::ReadResult::TooLarge:
            return refuse(error, "the file is too large for a chain");
        case settings_file::ReadResult::Missing:
            return refuse(error, "there is no such file");
        case settings_file::ReadResult::Error:
            break;
    }
    return refuse(error, "the file cannot be read");
}

const std::vector<EffectChain>& shippedEffectChains() {
    static const std::vector<EffectChain> chains = [] {
        std::vector<EffectChain> parsed;
        for (const std::string& text : shippedEffectChainTexts()) {
            EffectChain chain;
            if (parseEffectChain(text, chain, nullptr) == 0) parsed.push_back(std::move(chain));
        }
        return parsed;
    }();
    return chains;
}

std::filesystem::path EffectChainStore::userFolder() {
    const std::filesystem::path settings = userSettingsFile();
    return settings.empty() ? settings : settings.parent_path() / "chains";
}

EffectChainStore::EffectChainStore(std::filesystem::path folder) : m_folder(std::move(folder)) {}

std::filesystem::path EffectChainStore::fileOf(const std::string& name) const {
    return m_folder / (name + kChainSuffix);
}

std::vector<std::string> EffectChainStore::names() const {
    std::vector<std::string> own;
    std::error_code ec;
    if (!m_folder.empty()) {
        for (const auto& entry : std::filesystem::directory_iterator(m_folder, ec)) {
            const std::filesystem::path& path = entry.path();
            EffectChain chain;
            // The name inside the file is the chain's; a file renamed by hand keeps it.
            if (path.extension() == kChainSuffix && entry.is_regular_file(ec) &&
                loadEffectChainFile(path, chain, nullptr) == 0 &&
                path.stem().string() == chain.name) {
                own.push_back(chain.name);
            }
        }
    }
    std::sort(own.begin(), own.end());
    std::vector<std::string> shipped;
    for (const EffectChain& chain : shippedEffectChains()) {
        if (std::find(own.begin(), own.end(), chain.name) == own.end()) {
            shipped.push_back(chain.name);
        }
    }
    std::sort(shipped.begin(), shipped.end());
    own.insert(own.end(), shipped.begin(), shipped.end());
    return own;
}

int EffectChainStore::load(const std::string& name, EffectChain& chain, std::string* error) const {
    if (!isValidChainName(name)) return refuse(error, "\"" + name + "\" is not a chain name");
    std::error_code ec;
    if (!m_folder.empty() && std::filesystem::exists(fileOf(name), ec)) {
        return loadEffectChainFile(fileOf(name), chain, error);
    }
    for (const EffectChain& shipped : shippedEffectChains()) {
        if (shipped.name == name) {
            chain = shipped;
            return 0;
        }
    }
    return refuse(error, "there is no chain named \"" + name + "\"");
}

int EffectChainStore::save(const EffectChain& chain) const {
    if (!isValidChainName(chain.name) || chain.steps.empty()) return kMsgChainCannotLoad;
    if (m_folder.empty() || !settings_file::makeFolders(m_folder)) return kMsgChainCannotSave;
    return writeFileSafely(fileOf(chain.name).string(), effectChainText(chain), 0600)
               ? 0
               : kMsgChainCannotSave;
}

int EffectChainStore::remove(const std::string& name) const {
    if (!isValidChainName(name) || m_folder.empty()) return kMsgChainCannotLoad;
    std::error_code ec;
    if (std::filesystem::remove(fileOf(name), ec)) return 0;
    return ec ? kMsgChainCannotSave : kMsgChainCannotLoad;
}

int checkEffectChain(const EffectPluginList& plugins, const EffectChain& chain,
                     std::string* error) {
    if (chain.steps.empty()) return refuse(error, "the chain has no effect");
    for (std::size_t i = 0; i < chain.steps.size(); ++i) {
        const ChainStep& step = chain.steps[i];
        const std::string where = "step " + std::to_string(i + 1) + " of \"" + chain.name + "\"";
        EffectPlugin* plugin = plugins.findByName(step.effect);
        if (!plugin) return refuse(error, where + ": there is no effect \"" + step.effect + "\"");
        FreshBlock fresh(*plugin);
        std::string setting;
        if (applyStepSettings(*plugin, step, &setting) != 0) {
            return refuse(
                error, where + ": " + plugin->effectName + " does not take the setting " + setting);
        }
    }
    return 0;
}

ChainTransform::ChainTransform(const EffectPluginList& plugins, EffectChain chain,
                               std::uint32_t first, std::uint32_t last, std::uint32_t caret)
    : m_plugins(plugins), m_chain(std::move(chain)), m_first(first), m_last(last), m_caret(caret) {}

std::string ChainTransform::caption() const {
    return m_chain.name + "...";
}

std::vector<std::string> ChainTransform::resultTexts() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_texts;
}

std::unique_ptr<LongOperation> ChainTransform::start(const std::string& source,
                                                     const std::string& result, int& refused) {
    refused = checkEffectChain(m_plugins, m_chain, &m_refusal);
    if (refused != 0) return nullptr;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_texts.clear();
    }
    return std::make_unique<WorkerOperation>(
        [this, source, result](std::atomic<int>& progress, const std::atomic<bool>& cancelled) {
            return run(source, result, progress, cancelled);
        });
}

int ChainTransform::run(const std::string& source, const std::string& result,
                        std::atomic<int>& progress, const std::atomic<bool>& cancelled) {
    const std::size_t steps = m_chain.steps.size();
    const std::string folder = folderOf(result);
    std::string input = source;
    std::uint32_t first = std::min(m_first, m_last);
    std::uint32_t last = std::max(m_first, m_last);
    int code = 0;
    for (std::size_t i = 0; i < steps && code == 0; ++i) {
        if (cancelled.load()) {
            code = kCancelled;
            break;
        }
        const ChainStep& step = m_chain.steps[i];
        EffectPlugin* plugin = m_plugins.findByName(step.effect);
        if (!plugin) {
            code = kMsgChainCannotLoad;
            break;
        }
        // The steps between write files of their own beside the result; the last writes it.
        const bool lastStep = i + 1 == steps;
        const std::string output = lastStep ? result : CreateTemporaryFile(folder, {}, true);
        if (output.empty()) {
            code = 389;
            break;
        }
        std::uint32_t framesBefore = 0;
        probeWave(input, &framesBefore, nullptr);
        {
            FreshBlock fresh(*plugin);
            code = applyStepSettings(*plugin, step, nullptr);
            if (code == 0) {
                EffectJob job(plugin);
                EffectRequest request;
                request.sourcePath = input;
                request.outputPath = output;
                request.selectionStart = first;
                request.selectionEnd = last;
                request.caret = m_caret;
                request.beforeChunk = [&](EffectPhase) {
                    if (cancelled.load() && !job.cancelRequested()) job.cancel();
                    progress.store(static_cast<int>((i * 100 + job.progress()) / steps));
                };
                job.run(request);
                code = job.result();
                if (code == 0) {
                    const std::string text = EffectResultText(*plugin);
                    std::lock_guard<std::mutex> lock(m_mutex);
                    if (!text.empty()) m_texts.push_back(text);
                }
            }
        }
        if (input != source) removeFile(input);
        input = output;
        if (code != 0) break;
        // An effect that added a tail moved what follows the selection; the selection grows.
        std::uint32_t framesAfter = 0;
        probeWave(output, &framesAfter, nullptr);
        if (first != last && framesAfter > framesBefore) last += framesAfter - framesBefore;
    }
    if (code != 0 && input != source && input != result) removeFile(input);
    if (cancelled.load()) code = kCancelled;
    progress.store(100);
    return code;
}

int applyChainToFile(const EffectPluginList& plugins, const EffectChain& chain,
                     const std::string& input, const std::string& output, std::string* detail,
                     std::vector<std::string>* texts, const std::atomic<bool>* interrupted) {
    std::uint32_t frames = 0;
    const int probed = probeWave(input, &frames, nullptr);
    if (probed != 0) return probed;
    const std::string temporary = CreateTemporaryFile(folderOf(output), {}, true);
    if (temporary.empty()) return 389;
    ChainTransform transform(plugins, chain, 0, 0, 0);
    const int result =
        RunTransformOnly(transform, input, temporary,
                         [&](const std::string&, LongOperation& operation) {
                             while (operation.active()) {
                                 if (interrupted && interrupted->load()) operation.cancel();
                                 std::this_thread::sleep_for(std::chrono::milliseconds(10));
                             }
                             return operation.result();
                         },
                         {});
    if (detail) *detail = transform.refusal();
    if (texts) *texts = transform.resultTexts();
    if (result != 0) {
        removeFile(temporary);
        return result;
    }
    if (std::rename(temporary.c_str(), output.c_str()) != 0) {
        removeFile(temporary);
        return 137;
    }
    return 0;
}

}  // namespace sonthra
