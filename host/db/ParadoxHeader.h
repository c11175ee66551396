// The header of a Paradox table (.db): its fields with their types and sizes, the number of
// key fields, records and the code page of its texts; and the headers of its index files
// (.px, .Xnn/.Ynn, .XGn/.YGn), which share the table header's layout. Read by this program
// (no Debian library reads index headers) from each file's first block, with every offset
// checked against the bytes read, so a truncated or damaged file is an error naming what is
// wrong, never a crash or an endless loop. Rows and blob files (.mb) are never read: the
// engine only describes tables.
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

// A secondary index as its .Xnn or .XGn file describes it. The file is itself a table of the
// indexed fields, the table's key fields and a block number ("Hint"); the .Ynn or .YGn
// beside it indexes that table and adds nothing to the description.
struct TParadoxIndex {
    std::string name;         // .XGn: the name the file keeps; .Xnn: empty, named after its field
    std::vector<int> fields;  // the table's field numbers (from 1), in key order
    bool descending = false;  // only 7.x files say so
    TParadoxHeader file;      // the index file's own fields
};

// The .Xnn (field: nn, the indexed field's number) or .XGn (composite) file of table in bytes;
// EDBEngineError naming path when it is no secondary index of that table or is damaged.
TParadoxIndex ParseParadoxIndex(std::string_view bytes, const std::string& path, const TParadoxHeader& table,
                                bool composite, int field = 0);
TParadoxIndex ReadParadoxIndex(const std::string& path, const TParadoxHeader& table, bool composite, int field = 0);
// The .PX of a table (secondary false) or the .Ynn/.YGn of a secondary index file: an index of
// the first keyFields fields of indexed; EDBEngineError naming path when it is not.
void CheckParadoxKeyIndex(std::string_view bytes, const std::string& path, const TParadoxHeader& indexed,
                          bool secondary);
void ReadParadoxKeyIndex(const std::string& path, const TParadoxHeader& indexed, bool secondary);
// The engine's declared-type words for a field ("VARCHAR(20)", "MEMO(30)"), docs/database.md.
std::string ParadoxDeclaredType(const TParadoxField& field);

}  // namespace dbe
