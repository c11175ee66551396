// dBASE production index headers (.mdx): the tag table and each tag's header page, read at
// offsets the file gives and checked against its size.
#include <string>

#include "host/db/Dbase.h"
#include "host/vcl/SysUtils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    auto read = [&bytes](uint64_t offset, size_t length) {
        return offset >= bytes.size() ? std::string() : bytes.substr(size_t(offset), length);
    };
    try {
        for (const dbe::TDbaseIndex& tag : dbe::ParseMdx(read, bytes.size(), "fuzz.mdx"))
            dbe::KeyExpressionFields(tag.expression, {"LASTNAME", "TOWN"});
    } catch (const vcl::EDBEngineError&) {
    }
    return 0;
}
