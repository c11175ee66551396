// Binary form streams: every length is checked, so no input can crash, hang or exhaust memory.
#include "fuzz/FuzzCommon.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Half the inputs get the resource header, so both layouts are explored.
    std::string bytes(reinterpret_cast<const char*>(data), size);
    if (!bytes.empty() && (bytes[0] & 1)) {
        std::string header("\xFF\x0A\0FORM\0\x30\x10", 10);
        uint32_t n = static_cast<uint32_t>(bytes.size() - 1);
        for (int i = 0; i < 4; ++i) header += static_cast<char>((n >> (8 * i)) & 0xFF);
        bytes = header + bytes.substr(1);
    } else if (!bytes.empty()) {
        bytes = "TPF0" + bytes.substr(1);
    }
    fuzz::Run(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    return 0;
}
