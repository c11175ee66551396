// dBASE files of a standard database. Table headers are read with shapelib's dBASE reader,
// after a bounded check of our own and through file hooks that open regular files only.
// Index files are read by our own small reader (no Debian library reads them), from their
// headers alone: the production index (.mdx, beside the table under its base name, with its
// tag table) and single indexes (.ndx). Every offset is checked against the file.
#pragma once

#include <shapefil.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace dbe {

// The header of a dBASE table in bytes (at least its header): EDBEngineError naming path when
// it is no dBASE table or is damaged, before shapelib ever sees it.
void CheckDbaseHeader(std::string_view bytes, uint64_t fileSize, const std::string& path);

// A dBASE table open for its header; EDBEngineError naming path when it cannot be.
class TDbaseFile {
public:
    explicit TDbaseFile(const std::string& path);
    ~TDbaseFile();
    TDbaseFile(const TDbaseFile&) = delete;
    TDbaseFile& operator=(const TDbaseFile&) = delete;
    DBFHandle get() const { return handle_; }
    std::vector<std::string> FieldNames() const;

private:
    DBFHandle handle_ = nullptr;
};

// One index: an .mdx tag or an .ndx file.
struct TDbaseIndex {
    std::string name;        // the tag's name; empty for an .ndx
    std::string expression;  // the key expression as written
    bool descending = false;
    bool unique = false;
};

// Bytes of a file at an offset; fewer at its end.
using TByteReader = std::function<std::string(uint64_t offset, size_t length)>;

std::vector<TDbaseIndex> ParseMdx(const TByteReader& read, uint64_t fileSize, const std::string& path);
TDbaseIndex ParseNdx(std::string_view bytes, const std::string& path);
std::vector<TDbaseIndex> ReadMdx(const std::string& path);
TDbaseIndex ReadNdx(const std::string& path);

// The fields a key expression names when it is a field, or fields joined by '+', of fields
// (as fields spell them, case ignored); empty when it is anything else.
std::vector<std::string> KeyExpressionFields(std::string_view expression, const std::vector<std::string>& fields);
// The names an expression uses outside function names and quoted text: "UPPER(NAME)+CITY"
// uses NAME and CITY.
std::vector<std::string> ExpressionNames(std::string_view expression);

}  // namespace dbe
