// The check's configuration (tavrinqa.toml): whatever the bytes, reading gives a
// configuration or a vcl::EParserError with a line, never a crash or a stack overflow.
#include <cstdint>
#include <string>

#include "check/CheckConfig.h"
#include "host/vcl/SysUtils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        check::ParseConfig(text, "fuzz/tavrinqa.toml");
    } catch (const vcl::EParserError&) {
    }
    return 0;
}
