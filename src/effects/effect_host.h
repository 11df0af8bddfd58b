// The effect plug-in host: finds the plug-in pairs in a folder, loads them with dlopen, keeps a
// record per plug-in and unloads them. Call from one thread (the GUI thread); the records'
// processing entry points are then used by the effect worker (effect_processing.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "effect_plugin_api.h"

namespace sonthra {

// Registration results beyond the plug-in's own codes.
inline constexpr int kRegisterNoMemory = 257;
inline constexpr int kRegisterCannotLoad = 420;
inline constexpr int kRegisterBadInfo = 3;

// The largest parameter block a plug-in may ask for; a larger request is taken as a broken
// plug-in rather than allocated.
inline constexpr std::uint32_t kMaxParamBlockBytes = 1u << 20;

struct EffectPlugin {
    int index = 0;               // position in the list + 1
    std::uintptr_t menuKey = 0;  // the Effects menu item that runs this effect
    std::string interfacePath;
    std::string processingLibrary;  // bare file name, in the same folder
    void* interfaceHandle = nullptr;
    void* processingHandle = nullptr;

    GetEffectInfoFn GetEffectInfo = nullptr;
    ShowEffectDialogFn ShowEffectDialog = nullptr;
    SetEffectParamsFn SetEffectParams = nullptr;
    FreeEffectBuffersFn FreeEffectBuffers = nullptr;
    AbortEffectProcessingFn AbortEffectProcessing = nullptr;
    QueryEffectInterfaceFn QueryEffectInterface = nullptr;
    ApplyEffectFn ApplyEffect = nullptr;
    SetEffectSettingsTextFn SetEffectSettingsText = nullptr;  // optional
    GetEffectResultTextFn GetEffectResultText = nullptr;      // optional

    std::string effectName;
    std::string text1;
    std::string text2;
    // The path handed to SetEffectParams; set when the plug-in asks for the source.
    std::string sourcePath;
    // Zero-filled at load; the plug-in keeps its settings here for the run.
    void* params = nullptr;
    std::uint32_t paramSize = 0;

    EffectPlugin() = default;
    EffectPlugin(const EffectPlugin&) = delete;
    EffectPlugin& operator=(const EffectPlugin&) = delete;
    ~EffectPlugin();
};

class EffectPluginList {
public:
    // The folder that is searched (with a trailing slash); set by LoadEffectPlugins.
    std::string folder;

    const std::vector<std::unique_ptr<EffectPlugin>>& plugins() const { return m_plugins; }
    std::size_t size() const { return m_plugins.size(); }
    EffectPlugin* at(std::size_t i) const { return m_plugins[i].get(); }
    void append(std::unique_ptr<EffectPlugin> plugin) { m_plugins.push_back(std::move(plugin)); }
    // Frees every record with its libraries and parameter block.
    void clear() { m_plugins.clear(); }

    // The plug-in whose effect name equals name regardless of case, or nullptr.
    EffectPlugin* findByName(const std::string& name) const;
    EffectPlugin* findByMenuKey(std::uintptr_t key) const;

private:
    std::vector<std::unique_ptr<EffectPlugin>> m_plugins;
};

// Whether a file name has the interface library's form: "CV", then "UI" somewhere after it,
// ending in ".so" (letters in any case).
bool isEffectInterfaceName(const std::string& fileName);

// Loads one plug-in pair from the interface library at path (whose processing library must lie
// in list.folder) and appends it: 0, 257, 420 (a library or an entry point is missing), 3 (the
// description is empty, its size 0 or too large, or the processing name is not a bare file
// name) or the code GetEffectInfo returned.
int RegisterEffectPlugin(EffectPluginList& list, const std::string& path);

// Every plug-in pair of the folder (with or without its trailing slash), in the order the
// directory listing returns them; pairs that fail to load are skipped.
void LoadEffectPlugins(EffectPluginList& list, const std::string& folder);

void UnloadEffectPlugins(EffectPluginList& list);

// What the plug-in says its last finished run did ("Amplify: 120 samples clipped, ..."); empty
// when it has nothing to say or no such entry point.
std::string EffectResultText(const EffectPlugin& plugin);

}  // namespace sonthra
