#include "host/vcl/Resources.h"

#include <cstdint>
#include <map>

#include "host/vcl/SysUtils.h"

namespace vcl {

namespace {

std::map<std::string, std::string_view, std::less<>>& Table() {
    static std::map<std::string, std::string_view, std::less<>> table;
    return table;
}

int32_t LittleEndian32(std::string_view b, size_t at) {
    return int32_t(uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 |
                   uint32_t(uint8_t(b[at + 2])) << 16 | uint32_t(uint8_t(b[at + 3])) << 24);
}

}  // namespace

void RegisterResource(std::string_view name, std::string_view bytes) {
    if (bytes.empty()) Table().erase(UpperCase(name));
    else Table()[UpperCase(name)] = bytes;
}

const std::string_view* FindResource(std::string_view name) {
    auto it = Table().find(UpperCase(name));
    return it == Table().end() ? nullptr : &it->second;
}

bool LoadBitmapResource(TPicture& picture, std::string_view name) {
    const std::string_view* bytes = FindResource(name);
    if (bytes == nullptr) return false;
    // A bitmap file: "BM", then the info header whose width and height follow its size.
    if (bytes->size() < 26 || (*bytes)[0] != 'B' || (*bytes)[1] != 'M')
        throw EInvalidGraphic("Resource " + std::string(name) + " is not a bitmap");
    const int32_t width = LittleEndian32(*bytes, 18), height = LittleEndian32(*bytes, 22);
    if (width <= 0 || height == 0 || width > 32768 || height > 32768 || height < -32768)
        throw EInvalidGraphic("Resource " + std::string(name) + " has an impossible size");
    picture.Assign(std::vector<uint8_t>(bytes->begin(), bytes->end()), width, height < 0 ? -height : height);
    return true;
}

}  // namespace vcl
