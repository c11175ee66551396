// dBASE single index headers (.ndx) and the key expressions they hold.
#include <string>

#include "host/db/Dbase.h"
#include "host/vcl/SysUtils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        const dbe::TDbaseIndex index = dbe::ParseNdx(bytes, "fuzz.ndx");
        dbe::ExpressionNames(index.expression);
        dbe::KeyExpressionFields(index.expression, {"LASTNAME", "TOWN"});
    } catch (const vcl::EDBEngineError&) {
    }
    // Expressions of any bytes, whatever the header.
    dbe::ExpressionNames(bytes);
    dbe::KeyExpressionFields(bytes, {"A", "B"});
    return 0;
}
