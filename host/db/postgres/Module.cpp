// The entry point of the PostgreSQL module, which the engine loads by name (host/db/PostgresProxy).
#include "host/db/PostgresDriver.h"
#include "host/db/PostgresProxy.h"

extern "C" __attribute__((visibility("default"))) const dbe::TPostgresEntries* tavrinqa_postgres_entries() {
    static const dbe::TPostgresEntries entries{dbe::MakePostgresDriver, dbe::CheckedPostgresUri};
    return &entries;
}
