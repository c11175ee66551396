#include "host/db/Dbase.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "host/db/RegularFile.h"
#include "host/vcl/SysUtils.h"

namespace dbe {

namespace {

uint32_t Le(std::string_view b, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(b[at + size_t(i)]);
    return v;
}

[[noreturn]] void Damaged(const char* what, const std::string& path, const std::string& why) {
    throw vcl::EDBEngineError(std::string("The ") + what + " " + path + " is damaged: " + why);
}

// shapelib opens the table and a code page file (.cpg) beside it through these hooks: only
// regular files, for reading, never blocking on a FIFO.
SAFile OpenForReading(const char* filename, const char* access) {
    if (std::strpbrk(access, "wa+") != nullptr) return nullptr;
    const int fd = ::open(filename, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st {};
    FILE* file = nullptr;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) file = ::fdopen(fd, "rb");
    if (file == nullptr) ::close(fd);
    return reinterpret_cast<SAFile>(file);
}

void Quiet(const char*) {}

// Key expressions and tag names are ASCII text; anything else is damage.
bool PrintableText(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) return false;
    return true;
}

std::string Trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

// The ASCIIZ text at the start of bytes, at most max bytes long; ok is false when the bytes
// end before its terminator or max.
std::string_view Zstring(std::string_view bytes, size_t max, bool& ok) {
    const std::string_view window = bytes.substr(0, std::min(max, bytes.size()));
    const size_t end = window.find('\0');
    ok = end != std::string_view::npos || window.size() == max;
    return window.substr(0, end == std::string_view::npos ? window.size() : end);
}

bool KeyType(char c) { return c == 'C' || c == 'D' || c == 'N' || c == 'F'; }

}  // namespace

void CheckDbaseHeader(std::string_view b, uint64_t fileSize, const std::string& path) {
    constexpr const char* what = "dBASE table";
    if (b.size() < 32) Damaged(what, path, "shorter than a table header");
    const size_t headerSize = Le(b, 8, 2);
    const size_t recordSize = Le(b, 10, 2);
    if (headerSize < 33) Damaged(what, path, "a header of " + std::to_string(headerSize) + " bytes");
    if (headerSize > fileSize) Damaged(what, path, "its header runs past the end of the file");
    if (recordSize < 2) Damaged(what, path, "a record of " + std::to_string(recordSize) + " bytes");
    // Field descriptions of 32 bytes each fill the header, unless a 0x0D ends them sooner (some
    // writers end them with another byte, and shapelib reads by the header's length too).
    const std::string_view head = b.substr(0, std::min(headerSize, b.size()));
    size_t fields = 0, bytes = 1;  // a record starts with its deletion flag
    for (size_t at = 32; at + 32 <= head.size() && head[at] != '\x0D'; at += 32, ++fields) {
        bool ok = false;
        const std::string_view name = Zstring(head.substr(at), 11, ok);
        if (name.empty()) Damaged(what, path, "field " + std::to_string(fields + 1) + " has no name");
        if (!std::isalpha(static_cast<unsigned char>(head[at + 11])))
            Damaged(what, path, "field " + std::to_string(fields + 1) + " has no type");
        bytes += static_cast<unsigned char>(head[at + 16]);
        // Character fields may take the decimals byte as the high byte of their width.
        if (head[at + 11] == 'C') bytes += size_t(static_cast<unsigned char>(head[at + 17])) << 8;
    }
    if (fields == 0) Damaged(what, path, "no fields");
    if (bytes > recordSize) Damaged(what, path, "its fields take " + std::to_string(bytes) + " bytes of a " +
                                                    std::to_string(recordSize) + "-byte record");
}

TDbaseFile::TDbaseFile(const std::string& path) {
    {
        const TRegularFile file(path, "dBASE table");
        CheckDbaseHeader(file.Read(0, 0x10000), file.Size(), path);
    }
    SAHooks hooks;
    SASetupDefaultHooks(&hooks);
    hooks.FOpen = OpenForReading;
    hooks.Error = Quiet;
    handle_ = DBFOpenLL(path.c_str(), "rb", &hooks);
    if (handle_ == nullptr) throw vcl::EDBEngineError("Cannot open the dBASE table " + path + ": not a dBASE table, or unreadable");
}

TDbaseFile::~TDbaseFile() { DBFClose(handle_); }

std::vector<std::string> TDbaseFile::FieldNames() const {
    std::vector<std::string> names;
    for (int i = 0; i < DBFGetFieldCount(handle_); ++i) {
        char name[XBASE_FLDNAME_LEN_READ + 1] = {};
        int width = 0, decimals = 0;
        DBFGetFieldInfo(handle_, i, name, &width, &decimals);
        names.push_back(name);
    }
    return names;
}

// The header: version, date, table name, block sizes, then at 544 the tag table, up to 48
// entries. Each entry points to a tag header page (512-byte pages) that holds the key format,
// type and expression.
std::vector<TDbaseIndex> ParseMdx(const TByteReader& read, uint64_t fileSize, const std::string& path) {
    constexpr const char* what = "dBASE index";
    constexpr size_t kTagTable = 544, kPage = 512, kMaxTags = 48, kLongEntry = 48;
    const std::string head = read(0, kTagTable + kMaxTags * kLongEntry);
    if (head.size() < kTagTable) Damaged(what, path, "shorter than an index header");
    const size_t blockSize = Le(head, 0x16, 2);
    const size_t maxTags = static_cast<unsigned char>(head[0x19]);
    const size_t entrySize = static_cast<unsigned char>(head[0x1A]);
    const size_t tags = Le(head, 0x1C, 2);
    if (blockSize == 0 || blockSize % kPage != 0) Damaged(what, path, "a block size of " + std::to_string(blockSize));
    if (maxTags > kMaxTags || tags > maxTags) Damaged(what, path, std::to_string(tags) + " tags");
    if (entrySize < 32 || entrySize > kLongEntry) Damaged(what, path, "tag entries of " + std::to_string(entrySize) + " bytes");
    std::vector<TDbaseIndex> list;
    for (size_t i = 0; i < tags; ++i) {
        const std::string tag = "tag " + std::to_string(i + 1);
        // Files made for level-7 tables keep names of up to 32 characters, which move the rest
        // of the entry along; the key type in the entry tells which layout a file has.
        const size_t shortAt = kTagTable + i * entrySize, longAt = kTagTable + i * kLongEntry;
        bool longNames = false;
        if (shortAt + 21 <= head.size() && KeyType(head[shortAt + 20])) longNames = false;
        else if (longAt + 43 <= head.size() && KeyType(head[longAt + 42])) longNames = true;
        else if (shortAt + 21 > head.size()) Damaged(what, path, "its tag table is cut short");
        else Damaged(what, path, tag + " has no key type");
        const size_t at = longNames ? longAt : shortAt;
        bool ok = false;
        const std::string_view name = Zstring(std::string_view(head).substr(at + 4), longNames ? 33 : 11, ok);
        if (!ok || !PrintableText(name)) Damaged(what, path, tag + " has no name");
        const char entryType = head[at + (longNames ? 42 : 20)];
        const uint64_t page = Le(head, at, 4);
        if (page * kPage < kTagTable || page * kPage + 25 > fileSize)
            Damaged(what, path, tag + " (" + std::string(name) + ") lies outside the file");
        const std::string header = read(page * kPage, kPage);
        if (header.size() < 25) Damaged(what, path, tag + " (" + std::string(name) + ") is cut short");
        if (header[9] != entryType) Damaged(what, path, tag + " (" + std::string(name) + ") has two key types");
        const std::string_view expression = Zstring(std::string_view(header).substr(24), kPage - 24, ok);
        const std::string text = Trimmed(expression);
        if (!ok || !PrintableText(text)) Damaged(what, path, tag + " (" + std::string(name) + ") has no key expression");
        TDbaseIndex index;
        index.name = std::string(name);
        index.expression = text;
        const auto format = static_cast<unsigned char>(header[8]);
        index.descending = (format & 0x08) != 0;
        index.unique = (format & 0x40) != 0 || header[23] != 0;
        list.push_back(std::move(index));
    }
    return list;
}

// One 512-byte header: root and page count, key length and type, the unique flag at 23 and the
// key expression from 24.
TDbaseIndex ParseNdx(std::string_view b, const std::string& path) {
    constexpr const char* what = "dBASE index";
    if (b.size() < 25) Damaged(what, path, "shorter than an index header");
    const uint32_t root = Le(b, 0, 4), pages = Le(b, 4, 4);
    const uint32_t keyLength = Le(b, 12, 2), keyType = Le(b, 16, 2);
    if (root == 0 || pages < 2 || root >= pages) Damaged(what, path, "its root page " + std::to_string(root) + " of " + std::to_string(pages));
    if (keyLength == 0 || keyLength > 100) Damaged(what, path, "a key of " + std::to_string(keyLength) + " bytes");
    if (keyType > 1) Damaged(what, path, "the unknown key type " + std::to_string(keyType));
    bool ok = false;
    const std::string text = Trimmed(Zstring(b.substr(24), 512 - 24, ok));
    if (!ok || !PrintableText(text)) Damaged(what, path, "it has no key expression");
    TDbaseIndex index;
    index.expression = text;
    index.unique = b[23] != 0;
    return index;
}

std::vector<TDbaseIndex> ReadMdx(const std::string& path) {
    const TRegularFile file(path, "dBASE index");
    return ParseMdx([&file](uint64_t offset, size_t length) { return file.Read(offset, length); }, file.Size(), path);
}

TDbaseIndex ReadNdx(const std::string& path) {
    const TRegularFile file(path, "dBASE index");
    return ParseNdx(file.Read(0, 512), path);
}

std::vector<std::string> KeyExpressionFields(std::string_view expression, const std::vector<std::string>& fields) {
    std::vector<std::string> names;
    size_t at = 0;
    while (at <= expression.size()) {
        const size_t plus = std::min(expression.find('+', at), expression.size());
        const std::string part = Trimmed(expression.substr(at, plus - at));
        std::string found;
        for (const std::string& f : fields)
            if (vcl::SameText(f, part)) found = f;
        if (found.empty()) return {};
        names.push_back(found);
        at = plus + 1;
    }
    return names;
}

std::vector<std::string> ExpressionNames(std::string_view e) {
    std::vector<std::string> names;
    for (size_t at = 0; at < e.size();) {
        const char c = e[at];
        if (c == '\'' || c == '"') {  // quoted text
            const size_t end = e.find(c, at + 1);
            at = end == std::string_view::npos ? e.size() : end + 1;
        } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
            size_t end = at;
            while (end < e.size() && (std::isalnum(static_cast<unsigned char>(e[end])) || e[end] == '_')) ++end;
            size_t next = end;
            while (next < e.size() && e[next] == ' ') ++next;
            if (next >= e.size() || e[next] != '(') names.emplace_back(e.substr(at, end - at));
            at = end;
        } else if (std::isdigit(static_cast<unsigned char>(c))) {
            while (at < e.size() && (std::isalnum(static_cast<unsigned char>(e[at])) || e[at] == '.')) ++at;
        } else {
            ++at;
        }
    }
    return names;
}

}  // namespace dbe
