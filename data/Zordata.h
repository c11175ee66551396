// The words in which the data tools name field and table types, the reverse lookups of
// table types, the compact description of an engine field record, and the alias maker.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/db/DBTables.h"

namespace tavrin {

std::string FieldTypetoStr(vcl::TFieldType type);
std::string TextTableType(vcl::TTableType type);
// By the file's extension, compared exactly: DB or none is Paradox, DBF dBASE, TXT ASCII.
vcl::TTableType tabletypefromext(const std::string& fileName);
// By the word, case ignored: PARADOX, DBASE, TEXT; anything else is default.
vcl::TTableType str_to_tabletype(const std::string& name);
// "Decimal(15,2)", "Blob:Memo", "String(20)" from the current record's TYPE, SUBTYPE, UNITS1,
// UNITS2 and LENGTH; a missing field raises EDatabaseError, a value beyond 16 bits ERangeError.
std::string GetFieldType(vcl::TDataSet* descriptor);
// Registers a persistent standard alias for a folder; the engine's result code (0: done).
// An alias name or parameter string beyond the engine's 260 characters is refused
// (DBIERR_INVALIDPARAM), never cut.
uint16_t MakeAlias(const std::string& aliasName, const std::string& directory);
// NAME=VALUE lines as the engine's "NAME:VALUE;NAME:VALUE" string; empty values drop out and a
// value keeps at most 255 characters.
std::string ParamsFromStrings(const std::vector<std::string>& lines);

}  // namespace tavrin
