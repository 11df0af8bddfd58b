// The host table reader, its writer and the password unscrambling on hostile bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "podcast/host_table.h"
#include "podcast/text_rules.h"

using namespace sonthra::podcast;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    HostTable table = HostTable::parse(splitLines(bytes));
    // Each lookup walks the sections, so looking up every one of a thousand tiny sections made
    // each input cost milliseconds; the first sections are as good a test of the lookups.
    const std::vector<std::string> names = table.sections();
    for (std::size_t i = 0; i < names.size() && i < 32; ++i) {
        hostSettingsFor(table, names[i]);
        userNameForLogin(table, names[i]);
        passwordForLogin(table, names[i]);
    }
    storeAccount(table, "x", bytes, bytes);
    HostTable::parse(table.serialize());
    return 0;
}
