#include "host/db/ParadoxHeader.h"

#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "host/vcl/SysUtils.h"

namespace dbe {

namespace {

// The header's length field is 16 bits: nothing past this is ever needed.
constexpr size_t kMaxHeader = 0x10000;

[[noreturn]] void Damaged(const std::string& path, const std::string& what) {
    throw vcl::EDBEngineError("The Paradox table " + path + " is damaged: " + what);
}

uint32_t Le(std::string_view b, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(b[at + size_t(i)]);
    return v;
}

bool KnownType(uint8_t type) {
    return (type >= 0x01 && type <= 0x06) || type == 0x09 || (type >= 0x0C && type <= 0x10) ||
           (type >= 0x14 && type <= 0x18);
}

// Field names are in the table's code page; one that iconv does not know is read as Latin-1.
std::string NameAsUtf8(std::string_view raw, int codePage) {
    bool ascii = true;
    for (char ch : raw) ascii = ascii && static_cast<unsigned char>(ch) < 0x80;
    if (ascii) return std::string(raw);
    if (codePage > 0) {
        iconv_t cd = iconv_open("UTF-8", ("CP" + std::to_string(codePage)).c_str());
        if (cd != reinterpret_cast<iconv_t>(-1)) {
            std::string out(raw.size() * 4, '\0');
            char* in = const_cast<char*>(raw.data());
            size_t inLeft = raw.size(), outLeft = out.size();
            char* o = out.data();
            const bool ok = iconv(cd, &in, &inLeft, &o, &outLeft) != static_cast<size_t>(-1);
            iconv_close(cd);
            if (ok) return out.substr(0, out.size() - outLeft);
        }
    }
    std::string out;
    for (char ch : raw) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) out += ch;
        else out += {char(0xC0 | c >> 6), char(0x80 | (c & 0x3F))};
    }
    return out;
}

}  // namespace

TParadoxHeader ParseParadoxHeader(std::string_view b, const std::string& path) {
    if (b.size() < 0x58) Damaged(path, "shorter than a table header");
    TParadoxHeader h;
    h.recordSize = int(Le(b, 0x00, 2));
    const size_t headerSize = Le(b, 0x02, 2);
    h.fileType = b[0x04];
    h.records = Le(b, 0x06, 4);
    const int fieldCount = int(Le(b, 0x21, 2));
    h.keyFields = int(Le(b, 0x23, 2));
    h.version = static_cast<unsigned char>(b[0x39]);
    if (h.fileType != 0 && h.fileType != 2) throw vcl::EDBEngineError(path + " is no Paradox table");
    if (h.version < 3 || h.version > 12) Damaged(path, "unknown file version " + std::to_string(h.version));
    if (headerSize < 0x58 || headerSize > b.size()) Damaged(path, "its header runs past the end of the file");
    if (fieldCount < 1 || fieldCount > 255) Damaged(path, std::to_string(fieldCount) + " fields");
    if (h.keyFields > fieldCount) Damaged(path, "more key fields than fields");
    const std::string_view head = b.substr(0, headerSize);
    // Version 4 and later tables carry a second part of the header with the code page.
    size_t at = 0x58;
    if (h.version >= 5) {
        if (head.size() < 0x78) Damaged(path, "its header is cut short");
        h.codePage = int(Le(head, 0x6A, 2));
        at = 0x78;
    }
    auto need = [&](size_t bytes) {
        if (at + bytes > head.size()) Damaged(path, "its field descriptions are cut short");
    };
    need(size_t(fieldCount) * 2);
    int bytes = 0;
    for (int i = 0; i < fieldCount; ++i, at += 2) {
        TParadoxField f;
        f.type = static_cast<uint8_t>(head[at]);
        f.size = static_cast<unsigned char>(head[at + 1]);
        if (!KnownType(f.type)) Damaged(path, "field " + std::to_string(i + 1) + " has the unknown type " + std::to_string(f.type));
        if (f.type == 0x17) {  // BCD: the size byte holds the decimals; the value takes 17 bytes
            f.decimals = f.size;
            f.size = 17;
        }
        if (f.size == 0) Damaged(path, "field " + std::to_string(i + 1) + " has no size");
        bytes += f.size;
        h.fields.push_back(std::move(f));
    }
    if (bytes != h.recordSize) Damaged(path, "its fields take " + std::to_string(bytes) + " bytes of a " +
                                             std::to_string(h.recordSize) + "-byte record");
    // The table name's pointer, one pointer per field name, the table name, then the names.
    const size_t tableName = h.version >= 12 ? 261 : 79;
    need(4 + size_t(fieldCount) * 4 + tableName);
    at += 4 + size_t(fieldCount) * 4 + tableName;
    for (TParadoxField& f : h.fields) {
        const size_t end = head.find('\0', at);
        if (end == std::string_view::npos) Damaged(path, "its field names are cut short");
        f.name = NameAsUtf8(head.substr(at, end - at), h.codePage);
        at = end + 1;
    }
    return h;
}

TParadoxHeader ReadParadoxHeader(const std::string& path) {
    // Opened without blocking, and read only when it is a regular file: a FIFO or a device
    // named like a table would wait for ever.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) throw vcl::EDBEngineError("Cannot open the Paradox table " + path + ": " + std::strerror(errno));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        throw vcl::EDBEngineError("The Paradox table " + path + " is no regular file");
    std::string bytes(std::min<size_t>(size_t(st.st_size), kMaxHeader), '\0');
    size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw vcl::EDBEngineError("Cannot read the Paradox table " + path + ": " + std::strerror(errno));
        if (n == 0) break;
        got += size_t(n);
    }
    bytes.resize(got);
    return ParseParadoxHeader(bytes, path);
}

std::string ParadoxDeclaredType(const TParadoxField& f) {
    const std::string blob = "(" + std::to_string(f.size > 10 ? f.size - 10 : 0) + ")";
    switch (f.type) {
        case 0x01: return "VARCHAR(" + std::to_string(f.size) + ")";
        case 0x02: return "DATE";
        case 0x03: return "SMALLINT";
        case 0x04: return "INTEGER";
        case 0x05: return "MONEY";
        case 0x06: return "FLOAT";
        case 0x09: return "BOOLEAN";
        case 0x0C: return "MEMO" + blob;
        case 0x0D: return "BLOB" + blob;
        case 0x0E: return "FMTMEMO" + blob;
        case 0x0F: return "OLE" + blob;
        case 0x10: return "GRAPHIC" + blob;
        case 0x14: return "TIME";
        case 0x15: return "TIMESTAMP";
        case 0x16: return "AUTOINC";
        case 0x17: return "NUMERIC(32," + std::to_string(f.decimals) + ")";
        case 0x18: return "BYTES(" + std::to_string(f.size) + ")";
        default: return "";
    }
}

}  // namespace dbe
