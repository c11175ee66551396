// The PostgreSQL driver (libpq). An alias names its server by a libpq connection URI or
// key=value string in PATH, or by SERVER NAME, PORT, DATABASE NAME and USER NAME; the password
// comes from ~/.pgpass or the PG* environment, never from the aliases file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "host/db/Engine.h"

namespace dbe {

std::unique_ptr<TDriver> MakePostgresDriver();

// postgresql:// and postgres:// URIs.
bool IsPostgresUri(const std::string& text);
// The URI as an alias keeps it; an EDBEngineError for one libpq cannot read or that holds a
// password.
std::string CheckedPostgresUri(const std::string& uri);

// Messages sent to servers by this process and answered (a measure for the benchmarks).
uint64_t PostgresRoundTrips();

}  // namespace dbe
