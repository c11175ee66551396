// Paradox secondary index headers (.Xnn, .XGn) of a fixed table: read or refused with an
// engine error, never a crash or a read past the input.
#include <string>

#include "host/db/ParadoxHeader.h"
#include "host/vcl/SysUtils.h"

namespace {

dbe::TParadoxHeader Table() {
    dbe::TParadoxHeader t;
    t.keyFields = 1;
    t.version = 9;
    t.fields = {{"CustNo", 0x06, 8, 0}, {"Company", 0x01, 30, 0}, {"City", 0x01, 20, 0}, {"Since", 0x02, 4, 0}};
    t.recordSize = 62;
    return t;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const dbe::TParadoxHeader table = Table();
    if (size == 0) return 0;
    // The first byte chooses composite or single-field and the field the file's name says.
    const bool composite = data[0] & 1;
    const int field = data[0] >> 1 & 7;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    try {
        const dbe::TParadoxIndex index = dbe::ParseParadoxIndex(bytes, "fuzz.X", table, composite, field);
        for (int number : index.fields)
            if (number < 1 || number > int(table.fields.size())) __builtin_trap();  // the driver relies on it
        if (!composite && (index.fields.size() != 1 || index.fields[0] != field)) __builtin_trap();
        dbe::CheckParadoxKeyIndex(bytes, "fuzz.Y", index.file, true);
    } catch (const vcl::EDBEngineError&) {
    }
    return 0;
}
