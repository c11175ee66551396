// Text form files: whatever the bytes, reading ends in a tree or an EParserError.
#include "fuzz/FuzzCommon.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Streams have their own target.
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    formfile::Format f = formfile::DetectFormat(bytes);
    if (f == formfile::Format::Binary || f == formfile::Format::Resource) return 0;
    fuzz::Run(data, size);
    return 0;
}
