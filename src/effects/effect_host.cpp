#include "effects/effect_host.h"

#include <dirent.h>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace sonthra {

namespace {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// A text a plug-in wrote into one of its 256-byte buffers, read no further than the buffer even
// when the plug-in left out the NUL.
std::string bufferText(const char* buffer) {
    return std::string(buffer, strnlen(buffer, EFFECT_TEXT_BYTES));
}

bool isRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

template <typename Fn>
Fn lookUp(void* handle, const char* name) {
    return reinterpret_cast<Fn>(::dlsym(handle, name));
}

}  // namespace

EffectPlugin::~EffectPlugin() {
    // The processing library may still reference its buffers in the block; it goes first.
    if (processingHandle) ::dlclose(processingHandle);
    if (interfaceHandle) ::dlclose(interfaceHandle);
    std::free(params);
}

EffectPlugin* EffectPluginList::findByName(const std::string& name) const {
    const std::string wanted = lower(name);
    for (const auto& plugin : m_plugins) {
        if (lower(plugin->effectName) == wanted) return plugin.get();
    }
    return nullptr;
}

EffectPlugin* EffectPluginList::findByMenuKey(std::uintptr_t key) const {
    for (const auto& plugin : m_plugins) {
        if (plugin->menuKey == key) return plugin.get();
    }
    return nullptr;
}

bool isEffectInterfaceName(const std::string& fileName) {
    const std::string name = lower(fileName);
    if (name.size() < 7 || name.compare(0, 2, "cv") != 0) return false;
    if (name.compare(name.size() - 3, 3, ".so") != 0) return false;
    return name.find("ui", 2) != std::string::npos && name.find("ui", 2) + 2 <= name.size() - 3;
}

int RegisterEffectPlugin(EffectPluginList& list, const std::string& path) {
    auto plugin = std::make_unique<EffectPlugin>();  // freed with its libraries on every failure

    plugin->interfaceHandle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!plugin->interfaceHandle) return kRegisterCannotLoad;
    plugin->GetEffectInfo = lookUp<GetEffectInfoFn>(plugin->interfaceHandle, "GetEffectInfo");
    plugin->ShowEffectDialog =
        lookUp<ShowEffectDialogFn>(plugin->interfaceHandle, "ShowEffectDialog");
    if (!plugin->GetEffectInfo || !plugin->ShowEffectDialog) return kRegisterCannotLoad;

    char name[EFFECT_TEXT_BYTES] = {};
    char text1[EFFECT_TEXT_BYTES] = {};
    char text2[EFFECT_TEXT_BYTES] = {};
    char processing[EFFECT_TEXT_BYTES] = {};
    std::uint32_t size = 0;
    const int info = plugin->GetEffectInfo(name, text1, text2, processing, &size);
    if (info != 0) return info;
    plugin->effectName = bufferText(name);
    plugin->text1 = bufferText(text1);
    plugin->text2 = bufferText(text2);
    plugin->processingLibrary = bufferText(processing);
    if (plugin->effectName.empty() || plugin->text1.empty() || plugin->text2.empty() ||
        plugin->processingLibrary.empty() || size == 0 || size > kMaxParamBlockBytes) {
        return kRegisterBadInfo;
    }
    // The processing library is named relative to the program's folder; a name that climbs out
    // of it is not one of ours.
    if (plugin->processingLibrary.find('/') != std::string::npos ||
        plugin->processingLibrary == "." || plugin->processingLibrary == "..") {
        return kRegisterBadInfo;
    }
    const std::string processingPath = list.folder + plugin->processingLibrary;
    if (!isRegularFile(processingPath)) return kRegisterCannotLoad;

    plugin->params = std::calloc(1, size);
    if (!plugin->params) return kRegisterNoMemory;
    plugin->paramSize = size;

    plugin->processingHandle = ::dlopen(processingPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!plugin->processingHandle) return kRegisterCannotLoad;
    void* h = plugin->processingHandle;
    plugin->SetEffectParams = lookUp<SetEffectParamsFn>(h, "SetEffectParams");
    plugin->FreeEffectBuffers = lookUp<FreeEffectBuffersFn>(h, "FreeEffectBuffers");
    plugin->AbortEffectProcessing = lookUp<AbortEffectProcessingFn>(h, "AbortEffectProcessing");
    plugin->QueryEffectInterface = lookUp<QueryEffectInterfaceFn>(h, "QueryEffectInterface");
    plugin->ApplyEffect = lookUp<ApplyEffectFn>(h, "ApplyEffect");
    plugin->SetEffectSettingsText = lookUp<SetEffectSettingsTextFn>(h, "SetEffectSettingsText");
    plugin->GetEffectResultText = lookUp<GetEffectResultTextFn>(h, "GetEffectResultText");
    // A plug-in without all five would crash the worker the first time it is applied.
    if (!plugin->SetEffectParams || !plugin->FreeEffectBuffers || !plugin->AbortEffectProcessing ||
        !plugin->QueryEffectInterface || !plugin->ApplyEffect) {
        return kRegisterCannotLoad;
    }

    plugin->interfacePath = path;
    plugin->index = static_cast<int>(list.size()) + 1;
    list.append(std::move(plugin));
    return 0;
}

void LoadEffectPlugins(EffectPluginList& list, const std::string& folder) {
    list.clear();
    list.folder = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    DIR* dir = ::opendir(list.folder.empty() ? "." : list.folder.c_str());
    if (!dir) return;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (!isEffectInterfaceName(name)) continue;
        if (!isRegularFile(list.folder + name)) continue;
        RegisterEffectPlugin(list, list.folder + name);
    }
    ::closedir(dir);
}

void UnloadEffectPlugins(EffectPluginList& list) {
    list.clear();
}

std::string EffectResultText(const EffectPlugin& plugin) {
    if (!plugin.GetEffectResultText || !plugin.params) return {};
    char text[EFFECT_TEXT_BYTES] = {};
    if (plugin.GetEffectResultText(plugin.params, text) != 0) return {};
    return bufferText(text);
}

}  // namespace sonthra
