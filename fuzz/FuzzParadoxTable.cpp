// Paradox table headers (.db) and key index headers (.px, .Ynn): every offset is checked, so no
// input can crash, hang or read past its bytes; refusals are engine errors.
#include <string>

#include "host/db/ParadoxHeader.h"
#include "host/vcl/SysUtils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        const dbe::TParadoxHeader table = dbe::ParseParadoxHeader(bytes, "fuzz.db");
        for (const dbe::TParadoxField& f : table.fields) dbe::ParadoxDeclaredType(f);
        // A table whose header reads is a fine reference for the key index readers too.
        try {
            dbe::CheckParadoxKeyIndex(bytes, "fuzz.px", table, false);
        } catch (const vcl::EDBEngineError&) {
        }
        dbe::CheckParadoxKeyIndex(bytes, "fuzz.Y01", table, true);
    } catch (const vcl::EDBEngineError&) {
    }
    return 0;
}
