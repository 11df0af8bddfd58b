#include "cli/feature_verbs.h"

#include <algorithm>

#include "cli/chain_command.h"
#include "cli/convert_command.h"
#include "cli/effects_command.h"
#include "cli/format_command.h"
#include "cli/loudness_command.h"
#include "cli/markers_command.h"
#include "cli/podcast_command.h"
#include "cli/spectrogram_command.h"
#include "cli/tags_command.h"
#include "cli/upload_command.h"

namespace sonthra::cli {

const std::vector<FeatureVerb>& featureVerbs() {
    // One line per verb; each feature adds its own.
    static const std::vector<FeatureVerb> table = {
        {"chain", kChainUsage, &runChainVerb},
        {"convert", kConvertUsage, &runConvertVerb},
        {"effects", kEffectsUsage, &runEffectsVerb},
        {"effect", kEffectUsage, &runEffectVerb},
        {"format", kFormatUsage, &runFormatVerb},
        {"loudness", kLoudnessUsage, &runLoudnessVerb},
        {"markers", kMarkersUsage, &runMarkersVerb},
        {"podcast", kPodcastUsage, &runPodcastVerb},
        {"spectrogram", kSpectrogramUsage, &runSpectrogramVerb},
        {"tags", kTagsUsage, &runTagsVerb},
        {"tag", kTagUsage, &runTagVerb},
        {"upload", kUploadUsage, &runUploadVerb},
    };
    return table;
}

const FeatureVerb* findFeatureVerb(const std::vector<std::string>& args) {
    if (args.empty()) return nullptr;
    const auto& table = featureVerbs();
    const auto found = std::find_if(table.begin(), table.end(),
                                    [&](const FeatureVerb& verb) { return args[0] == verb.name; });
    return found == table.end() ? nullptr : &*found;
}

}  // namespace sonthra::cli
