// Paradox and dBASE files for the standard driver's tests: tables made with pxlib's writer,
// index headers written byte by byte from the published descriptions of their layout (pxlib
// writes no secondary indexes, and nothing in Debian writes .ndx files).
#pragma once

extern "C" {
#include <paradox.h>
}
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace pxtest {

struct Field {
    std::string name;
    uint8_t type;  // the file's type code
    int size;
};

constexpr uint8_t kAlpha = 0x01, kDate = 0x02, kShort = 0x03, kNumber = 0x06, kMemo = 0x0C, kBlob = 0x0D,
                  kFmtMemo = 0x0E;

// A table of fields, the first keyFields of them its key, without rows.
inline void MakeTable(const std::string& path, const std::vector<Field>& fields, int keyFields) {
    PX_boot();
    pxdoc_t* doc = PX_new();
    ASSERT_NE(doc, nullptr);
    auto* list = static_cast<pxfield_t*>(doc->malloc(doc, int(fields.size() * sizeof(pxfield_t)), "test"));
    for (size_t i = 0; i < fields.size(); ++i)
        list[i] = {PX_strdup(doc, fields[i].name.c_str()), char(fields[i].type), fields[i].size, 0};
    ASSERT_EQ(PX_create_file(doc, list, int(fields.size()), path.c_str(),
                             keyFields > 0 ? pxfFileTypIndexDB : pxfFileTypNonIndexDB), 0);
    if (keyFields > 0) PX_set_value(doc, "numprimkeys", float(keyFields));
    PX_close(doc);
    PX_delete(doc);
}

inline void Put(std::string& b, size_t at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) b[at + size_t(i)] = char(value >> (8 * i) & 0xFF);
}

// The header of a secondary index file (.Xnn, .XGn): its own fields (the indexed ones, the
// table's key fields, then "Hint"), the table's numbers of the indexed fields, the sort order
// and, for a composite index, its name.
struct Secondary {
    std::vector<Field> fields;
    std::vector<int> numbers;
    std::string name;  // empty for .Xnn
    int version = 9;   // 4.x; 12 for 7.x
    bool descending = false;
};

inline std::string SecondaryBytes(const Secondary& x) {
    std::string b(0x800, '\0');
    const size_t n = x.fields.size();
    int record = 0;
    for (const Field& f : x.fields) record += f.size;
    Put(b, 0x00, uint32_t(record), 2);
    Put(b, 0x02, 0x800, 2);
    b[0x04] = char(x.name.empty() ? 3 : 6);
    b[0x05] = 1;
    b[0x15] = char(x.name.empty() ? x.numbers[0] : 0);
    Put(b, 0x21, uint32_t(n), 2);
    Put(b, 0x23, uint32_t(n - 1), 2);
    b[0x39] = char(x.version);
    b[0x55] = char(x.descending ? 0x11 : 0x01);
    Put(b, 0x6A, 437, 2);
    size_t at = 0x78;
    for (const Field& f : x.fields) {
        b[at++] = char(f.type);
        b[at++] = char(f.size);
    }
    at += 4 + 4 * n + (x.version >= 12 ? 261 : 79);
    auto text = [&](const std::string& s) {
        b.replace(at, s.size() + 1, s.c_str(), s.size() + 1);
        at += s.size() + 1;
    };
    for (const Field& f : x.fields) text(f.name);
    for (size_t i = 0; i < n; ++i, at += 2) Put(b, at, uint32_t(i < x.numbers.size() ? x.numbers[i] : 0), 2);
    text("ascii");
    if (!x.name.empty()) text(x.name);
    return b;
}

// The header of an index of keys (.PX of a table, .Ynn/.YGn of a secondary index file).
inline std::string KeyIndexBytes(const std::vector<Field>& keys, int fileType) {
    std::string b(0x800, '\0');
    int record = 6;
    for (const Field& f : keys) record += f.size;
    Put(b, 0x00, uint32_t(record), 2);
    Put(b, 0x02, 0x800, 2);
    b[0x04] = char(fileType);
    b[0x05] = 1;
    Put(b, 0x21, uint32_t(keys.size()), 2);
    b[0x39] = 9;
    size_t at = 0x58;
    for (const Field& f : keys) {
        b[at++] = char(f.type);
        b[at++] = char(f.size);
    }
    return b;
}

// A dBASE single index (.ndx) header of a key expression.
inline std::string NdxBytes(const std::string& expression, bool unique = false) {
    std::string b(1024, '\0');
    Put(b, 0, 1, 4);   // root page
    Put(b, 4, 2, 4);   // pages
    Put(b, 12, 30, 2); // key length
    Put(b, 14, 12, 2); // keys a page
    Put(b, 18, 40, 2); // key entry
    b[23] = char(unique ? 1 : 0);
    b.replace(24, expression.size(), expression);
    return b;
}

}  // namespace pxtest
