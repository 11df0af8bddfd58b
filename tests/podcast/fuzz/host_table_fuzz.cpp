// The host table reader, its writer and the password unscrambling on hostile bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "podcast/host_table.h"
#include "podcast/text_rules.h"

using namespace sonthra::podcast;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    HostTable table = HostTable::parse(splitLines(bytes));
    for (const std::string& name : table.sections()) {
        hostSettingsFor(table, name);
        userNameForLogin(table, name);
        passwordForLogin(table, name);
    }
    storeAccount(table, "x", bytes, bytes);
    HostTable::parse(table.serialize());
    return 0;
}
