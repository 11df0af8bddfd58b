#include "effects/effect_file_run.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "effects/effect_processing.h"
#include "platform/temp_file.h"

namespace sonthra {

namespace {

// A fresh name beside path, reserved by creating the file.
std::string reserveBeside(const std::string& path) {
    const auto slash = path.rfind('/');
    return CreateTemporaryFile(
        slash == std::string::npos ? std::string(".") : path.substr(0, slash), {}, true);
}

}  // namespace

int applyEffectToFile(const EffectPluginList& plugins, const EffectFileJob& job,
                      std::string* detail, const std::atomic<bool>* interrupted,
                      const std::function<void(int)>& progress) {
    EffectPlugin* plugin = plugins.findByName(job.effectName);
    if (!plugin) return kEffectUnknownName;
    for (const std::string& setting : job.settings) {
        if (!plugin->SetEffectSettingsText ||
            plugin->SetEffectSettingsText(plugin->params, setting.c_str()) != 0) {
            if (detail) *detail = setting;
            return kEffectSettingRefused;
        }
    }
    const std::string temporary = reserveBeside(job.output);
    if (temporary.empty()) return 389;

    EffectRequest request;
    request.sourcePath = job.input;
    request.outputPath = temporary;
    request.selectionStart = job.selectionStart;
    request.selectionEnd = job.selectionEnd;
    EffectRun run(plugin, request);
    if (run.start() != 0) {
        ::unlink(temporary.c_str());
        return 386;
    }
    while (run.running()) {
        if (interrupted && interrupted->load() && !run.job().cancelRequested()) run.job().cancel();
        if (progress) progress(run.job().progress());
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const int result = run.wait();
    if (result != 0) return result;
    if (std::rename(temporary.c_str(), job.output.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return 137;
    }
    return 0;
}

}  // namespace sonthra
