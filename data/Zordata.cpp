#include "data/Zordata.h"

#include <cstdio>

namespace tavrin {

namespace {

constexpr const char* kFieldTypeNames[] = {"Unknown", "String", "Smallint", "Integer", "Word", "Boolean",
                                           "Float", "Currency", "BCD", "Date", "Time", "DateTime",
                                           "Bytes", "VarBytes", "", "Blob", "Memo", "Graphic"};
constexpr const char* kTableTypeTexts[] = {"DEFAULT", "PARADOX", "DBASE", "", "TEXT"};
constexpr const char* kLogicalTypes[] = {"Unknown", "String", "Date", "Blob", "Boolean", "Int16",
                                         "Int32", "Float64", "Decimal", "Bytes", "Time", "DateTime",
                                         "UInt16", "UInt32", "Float80", "VarBytes", "LockInfo"};
constexpr const char* kSubtypes[] = {"Money", "Memo", "Binary", "Formatted Memo", "OLE", "Graphic",
                                     "dBase OLE", "User Typed"};
// The engine's buffers: 260 characters and a terminator.
constexpr size_t kBufferText = 260;

uint16_t Word(vcl::TDataSet* descriptor, const char* name) {
    const int64_t v = descriptor->FieldByName(name)->AsInteger();
    if (v < 0 || v > 0xFFFF) throw vcl::ERangeError(std::string(name) + ": " + std::to_string(v) + " is out of range");
    return uint16_t(v);
}

std::string Format(const char* format, const std::string& text, int a) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, a);
    return text + buffer;
}

}  // namespace

std::string FieldTypetoStr(vcl::TFieldType type) {
    const int i = int(type);
    return i >= 0 && i < int(std::size(kFieldTypeNames)) ? kFieldTypeNames[i] : "";
}

std::string TextTableType(vcl::TTableType type) {
    std::string text;
    const int i = int(type);
    if (i >= 0 && i < int(std::size(kTableTypeTexts))) text = kTableTypeTexts[i];
    return text;
}

vcl::TTableType tabletypefromext(const std::string& fileName) {
    const size_t slash = fileName.find_last_of("/\\:");
    const std::string name = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
    const size_t dot = name.rfind('.');
    const std::string ext = dot == std::string::npos ? std::string() : name.substr(dot + 1);
    vcl::TTableType result = vcl::ttDefault;
    if (ext == "DB" || dot == std::string::npos) result = vcl::ttParadox;
    if (ext == "DBF") result = vcl::ttDBase;
    if (ext == "TXT") result = vcl::ttASCII;
    return result;
}

vcl::TTableType str_to_tabletype(const std::string& name) {
    const std::string word = vcl::UpperCase(name);
    if (word == "PARADOX") return vcl::ttParadox;
    if (word == "DBASE") return vcl::ttDBase;
    if (word == "TEXT") return vcl::ttASCII;
    return vcl::ttDefault;
}

std::string GetFieldType(vcl::TDataSet* descriptor) {
    uint16_t type = Word(descriptor, "TYPE");
    uint16_t subtype = Word(descriptor, "SUBTYPE");
    const uint16_t units1 = Word(descriptor, "UNITS1");
    const uint16_t units2 = Word(descriptor, "UNITS2");
    const uint16_t length = Word(descriptor, "LENGTH");
    if (type > 16) type = 0;
    if (subtype < 21 || subtype > 28) subtype = 0;
    const std::string name = kLogicalTypes[type];
    switch (type) {
        case 0: return Format("(%d)", name, length);
        case 1:
        case 9:
        case 15: return Format("(%d)", name, units1);
        case 3:
        case 7:
        case 8:
        case 14: {
            std::string text = name;
            if (subtype != 0) text += std::string(":") + kSubtypes[subtype - 21];
            if (units1 > 1 || units2 > 0) text += "(" + std::to_string(units1) + "," + std::to_string(units2) + ")";
            return text;
        }
        default: return name;
    }
}

std::string ParamsFromStrings(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos || eq + 1 == line.size()) continue;
        text += line.substr(0, eq) + ":" + line.substr(eq + 1, 255) + ";";
    }
    if (!text.empty()) text.pop_back();
    return text;
}

uint16_t MakeAlias(const std::string& aliasName, const std::string& directory) {
    const std::vector<std::string> lines = {"PATH=" + directory, "TYPE=Standard"};
    const std::string params = ParamsFromStrings(lines);
    if (aliasName.size() > kBufferText || params.size() > kBufferText) return dbe::DBIERR_INVALIDPARAM;
    // The folder goes as a list, not in the parameter string, where a ';' in its name would end it.
    return dbe::Engine().AddAlias(aliasName, std::string(), dbe::TParamList{{"PATH", directory}}, true);
}

}  // namespace tavrin
