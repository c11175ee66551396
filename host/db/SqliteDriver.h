// The engine's drivers, made once for the engine of the process.
#pragma once

#include <memory>

#include "host/db/Engine.h"

namespace dbe {

// SQLite database files (PATH: the file, or a file: URI), opened read-only.
std::unique_ptr<TDriver> MakeSqliteDriver();
// An empty database in memory with the given tables' columns, so that Local SQL over tables
// that are no SQLite tables can be prepared.
struct TScratchTable {
    std::string name;
    std::vector<TColumn> columns;
};
std::unique_ptr<TDatabaseHandle> MakeScratchDatabase(const std::vector<TScratchTable>& tables);
// A folder of Paradox and dBASE tables (PATH: the folder), read-only.
std::unique_ptr<TDriver> MakeStandardDriver();

}  // namespace dbe
