#include "host/db/ParadoxHeader.h"

#include <iconv.h>

#include "host/db/RegularFile.h"
#include "host/vcl/SysUtils.h"

namespace dbe {

namespace {

// The header's length field is 16 bits: nothing past this is ever needed.
constexpr size_t kMaxHeader = 0x10000;

// The kinds of file that share the table header's layout.
enum class Kind { Table, Secondary, Primary, SecondaryKeys };

const char* Noun(Kind kind) { return kind == Kind::Table ? "Paradox table" : "Paradox index"; }

[[noreturn]] void Damaged(Kind kind, const std::string& path, const std::string& what) {
    throw vcl::EDBEngineError(std::string("The ") + Noun(kind) + " " + path + " is damaged: " + what);
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

namespace {

struct Parsed {
    TParadoxHeader header;
    std::string_view head;  // the header's bytes
    size_t at = 0;          // just past the field names (or the field descriptions of a key index)
};

bool TypeFits(Kind kind, int fileType) {
    switch (kind) {
        case Kind::Table: return fileType == 0 || fileType == 2;
        case Kind::Secondary: return fileType == 3 || fileType == 5 || fileType == 6 || fileType == 8;
        case Kind::Primary: return fileType == 1;
        case Kind::SecondaryKeys: return fileType == 4 || fileType == 7;
    }
    return false;
}

// The part every kind shares: the fixed header, the field descriptions and (tables and
// secondary index files) the field names.
Parsed ParseCommon(std::string_view b, const std::string& path, Kind kind) {
    if (b.size() < 0x58) Damaged(kind, path, "shorter than a header");
    Parsed p;
    TParadoxHeader& h = p.header;
    h.recordSize = int(Le(b, 0x00, 2));
    const size_t headerSize = Le(b, 0x02, 2);
    h.fileType = b[0x04];
    h.records = Le(b, 0x06, 4);
    const int fieldCount = int(Le(b, 0x21, 2));
    h.keyFields = int(Le(b, 0x23, 2));
    h.version = static_cast<unsigned char>(b[0x39]);
    if (!TypeFits(kind, h.fileType)) {
        static const char* const kWhat[] = {"no Paradox table", "no secondary index of a Paradox table",
                                            "no primary index of a Paradox table", "no index of a secondary index"};
        throw vcl::EDBEngineError(path + " is " + kWhat[int(kind)]);
    }
    if (h.version < 3 || h.version > 12) Damaged(kind, path, "unknown file version " + std::to_string(h.version));
    if (headerSize < 0x58 || headerSize > b.size()) Damaged(kind, path, "its header runs past the end of the file");
    if (fieldCount < 1 || fieldCount > 255) Damaged(kind, path, std::to_string(fieldCount) + " fields");
    if (h.keyFields > fieldCount) Damaged(kind, path, "more key fields than fields");
    p.head = b.substr(0, headerSize);
    const std::string_view head = p.head;
    // Tables and secondary index files of version 4 and later carry a second part of the
    // header with the code page; key index files never do.
    size_t at = 0x58;
    const bool named = kind == Kind::Table || kind == Kind::Secondary;
    if (named && h.version >= 5) {
        if (head.size() < 0x78) Damaged(kind, path, "its header is cut short");
        h.codePage = int(Le(head, 0x6A, 2));
        at = 0x78;
    }
    auto need = [&](size_t bytes) {
        if (at + bytes > head.size()) Damaged(kind, path, "its field descriptions are cut short");
    };
    need(size_t(fieldCount) * 2);
    int bytes = 0;
    for (int i = 0; i < fieldCount; ++i, at += 2) {
        TParadoxField f;
        f.type = static_cast<uint8_t>(head[at]);
        f.size = static_cast<unsigned char>(head[at + 1]);
        if (!KnownType(f.type)) Damaged(kind, path, "field " + std::to_string(i + 1) + " has the unknown type " + std::to_string(f.type));
        if (f.type == 0x17) {  // BCD: the size byte holds the decimals; the value takes 17 bytes
            f.decimals = f.size;
            f.size = 17;
        }
        if (f.size == 0) Damaged(kind, path, "field " + std::to_string(i + 1) + " has no size");
        bytes += f.size;
        h.fields.push_back(std::move(f));
    }
    // A key index record holds its fields and three integers more.
    const int expected = named ? bytes : bytes + 6;
    if (expected != h.recordSize) Damaged(kind, path, "its fields take " + std::to_string(expected) + " bytes of a " +
                                                     std::to_string(h.recordSize) + "-byte record");
    if (!named) {
        p.at = at;
        return p;
    }
    // The table name's pointer, one pointer per field name, the table name, then the names.
    const size_t tableName = h.version >= 12 ? 261 : 79;
    need(4 + size_t(fieldCount) * 4 + tableName);
    at += 4 + size_t(fieldCount) * 4 + tableName;
    for (TParadoxField& f : h.fields) {
        const size_t end = head.find('\0', at);
        if (end == std::string_view::npos) Damaged(kind, path, "its field names are cut short");
        f.name = NameAsUtf8(head.substr(at, end - at), h.codePage);
        at = end + 1;
    }
    p.at = at;
    return p;
}

std::string ReadHead(const std::string& path, const char* what) {
    const TRegularFile file(path, what);
    return file.Read(0, kMaxHeader);
}

}  // namespace

TParadoxHeader ParseParadoxHeader(std::string_view b, const std::string& path) {
    return ParseCommon(b, path, Kind::Table).header;
}

TParadoxHeader ReadParadoxHeader(const std::string& path) {
    return ParseParadoxHeader(ReadHead(path, "Paradox table"), path);
}

TParadoxIndex ParseParadoxIndex(std::string_view b, const std::string& path, const TParadoxHeader& table,
                                bool composite, int field) {
    constexpr Kind kind = Kind::Secondary;
    Parsed p = ParseCommon(b, path, kind);
    TParadoxIndex index;
    index.file = std::move(p.header);
    const TParadoxHeader& own = index.file;
    const std::string_view head = p.head;
    size_t at = p.at;
    const size_t n = own.fields.size();
    // An encrypted file keeps a block after the names: 256 bytes with auxiliary passwords,
    // else one byte a field.
    if (Le(head, own.version >= 5 ? 0x5C : 0x25, 4) != 0) at += head[0x3D] != 0 ? 256 : n;
    if (at + n * 2 > head.size()) Damaged(kind, path, "its field numbers are cut short");
    std::vector<int> numbers;
    for (size_t i = 0; i < n; ++i, at += 2) numbers.push_back(int(Le(head, at, 2)));
    auto text = [&](const char* what) {
        const size_t end = head.find('\0', at);
        if (end == std::string_view::npos) Damaged(kind, path, std::string(what) + " is cut short");
        const std::string_view raw = head.substr(at, end - at);
        at = end + 1;
        return NameAsUtf8(raw, own.codePage);
    };
    text("its sort order");
    // The indexed fields come first, then the table's key fields, then the block number.
    const int indexed = int(n) - 1 - table.keyFields;
    if (indexed < 1) Damaged(kind, path, "it holds no indexed field");
    if (own.fields.back().type != 0x03) Damaged(kind, path, "its last field is no block number");
    if (!composite && indexed != 1) Damaged(kind, path, "a single-field index of " + std::to_string(indexed) + " fields");
    for (int i = 0; i < indexed; ++i) {
        const int number = numbers[size_t(i)];
        if (number < 1 || number > int(table.fields.size()))
            Damaged(kind, path, "it indexes field " + std::to_string(number) + " of a table of " +
                                    std::to_string(table.fields.size()));
        const TParadoxField& mine = own.fields[size_t(i)];
        const TParadoxField& theirs = table.fields[size_t(number - 1)];
        if (mine.type != theirs.type || mine.size != theirs.size)
            Damaged(kind, path, "its field " + std::to_string(i + 1) + " is not of the type of field " + theirs.name);
        index.fields.push_back(number);
    }
    if (!composite && index.fields[0] != field)
        Damaged(kind, path, "its name says field " + std::to_string(field) + ", its header field " +
                                std::to_string(index.fields[0]));
    if (composite) {
        index.name = text("its index name");
        if (index.name.empty()) Damaged(kind, path, "it has no index name");
    }
    // 7.x files keep the direction where tables keep referential integrity.
    index.descending = own.version >= 12 && (static_cast<unsigned char>(head[0x55]) & 0x10) != 0;
    return index;
}

TParadoxIndex ReadParadoxIndex(const std::string& path, const TParadoxHeader& table, bool composite, int field) {
    return ParseParadoxIndex(ReadHead(path, "Paradox index"), path, table, composite, field);
}

void CheckParadoxKeyIndex(std::string_view bytes, const std::string& path, const TParadoxHeader& indexed,
                          bool secondary) {
    const Kind kind = secondary ? Kind::SecondaryKeys : Kind::Primary;
    const TParadoxHeader own = ParseCommon(bytes, path, kind).header;
    if (int(own.fields.size()) != indexed.keyFields)
        Damaged(kind, path, std::to_string(own.fields.size()) + " key fields where its table has " +
                                std::to_string(indexed.keyFields));
    for (size_t i = 0; i < own.fields.size(); ++i)
        if (own.fields[i].type != indexed.fields[i].type || own.fields[i].size != indexed.fields[i].size)
            Damaged(kind, path, "its field " + std::to_string(i + 1) + " is not of the type of key field " +
                                    indexed.fields[i].name);
}

void ReadParadoxKeyIndex(const std::string& path, const TParadoxHeader& indexed, bool secondary) {
    CheckParadoxKeyIndex(ReadHead(path, "Paradox index"), path, indexed, secondary);
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
