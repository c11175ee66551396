// The header of a Paradox table (.db): its fields with their types and sizes, the number of
// key fields, records and the code page of its texts. Read by this program from the file's
// first block, with every offset checked against the bytes read, so a truncated or damaged
// table is an error naming what is wrong, never a crash or an endless loop. Rows and blob
// files (.mb) are never read: the engine only describes tables.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dbe {

struct TParadoxField {
    std::string name;   // UTF-8
    uint8_t type = 0;   // the file's type code: 0x01 alpha ... 0x18 bytes
    int size = 0;       // bytes in a record (BCD: 17)
    int decimals = 0;   // BCD only
};

struct TParadoxHeader {
    int recordSize = 0;
    int fileType = 0;      // 0 keyed table, 2 table without key
    int version = 0;       // the file's version byte: 3 (3.0) to 12 (7.x)
    uint32_t records = 0;
    int keyFields = 0;
    int codePage = 0;      // 0 when the file does not say
    std::vector<TParadoxField> fields;
};

// The header of the table in bytes (at least its first block); EDBEngineError naming path
// when it is no Paradox table or is damaged.
TParadoxHeader ParseParadoxHeader(std::string_view bytes, const std::string& path);
// Reads the header of the table at path (a regular file only).
TParadoxHeader ReadParadoxHeader(const std::string& path);
// The engine's declared-type words for a field ("VARCHAR(20)", "MEMO(30)"), docs/database.md.
std::string ParadoxDeclaredType(const TParadoxField& field);

}  // namespace dbe
