// The engine's drivers, made once for the engine of the process.
#pragma once

#include <memory>

#include "host/db/Engine.h"

namespace dbe {

// SQLite database files (PATH: the file, or a file: URI), opened read-only.
std::unique_ptr<TDriver> MakeSqliteDriver();
// A database in memory holding the given tables (their rows when a cursor is given), for
// Local SQL over tables that are no SQLite tables. Changes stay in memory.
struct TScratchTable {
    std::string name;
    std::vector<TColumn> columns;
    std::unique_ptr<TCursor> rows;
};
std::unique_ptr<TDatabaseHandle> MakeScratchDatabase(std::vector<TScratchTable> tables);
// A folder of Paradox and dBASE tables (PATH: the folder), read-only.
std::unique_ptr<TDriver> MakeStandardDriver();

}  // namespace dbe
