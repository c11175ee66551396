// The engine's way to the PostgreSQL driver, which lives in a module of its own
// (tavrinqa-postgres.so) with libpq and the libraries libpq brings (Kerberos, LDAP, TLS): the
// module is loaded when a PostgreSQL database is first opened, so runs over files and the
// program's start never load them.
#pragma once

#include <memory>
#include <string>

#include "host/db/Engine.h"

namespace dbe {

// What the module offers (host/db/postgres/Module.cpp), as PostgresDriver.h declares it.
struct TPostgresEntries {
    std::unique_ptr<TDriver> (*makeDriver)();
    std::string (*checkedUri)(const std::string& uri);
};

namespace postgres {

// The driver the engine registers: its name at once, its connections through the module.
std::unique_ptr<TDriver> MakeProxyDriver();
// postgresql:// and postgres:// URIs, told without loading the module.
bool IsUri(const std::string& text);
// CheckedPostgresUri of the module: an EDBEngineError for one libpq cannot read, that holds a
// password, or when the module cannot be loaded.
std::string CheckedUri(const std::string& uri);

}  // namespace postgres
}  // namespace dbe
