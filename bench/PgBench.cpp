// The data relations tool on a form of 1,000 tables (each with a data source and an edit on
// one field) against a PostgreSQL server of 1,000 tables, started for the run: the time of a
// whole report and the messages it sends the server. Describing goes in batches, so the
// messages are about one per table opened (the report opens each table) plus a few.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/DataForms.h"
#include "framework/cfrminfo.h"
#include "framework/zorQAReg.h"
#include "host/controls/ControlClasses.h"
#include "host/controls/Dialogs.h"
#include "host/db/DBTables.h"
#include "host/db/PostgresDriver.h"
#include "host/formfile/FormModel.h"
#include "host/ui/Backend.h"
#include "tests/support/PgServer.h"

namespace {

constexpr int kTables = 1000;

struct Fixture {
    testsupport::PgServer server;
    std::string form;
    Fixture() {
        if (!server.Running()) return;
        std::string sql = "begin;";
        for (int i = 0; i < kTables; ++i) {
            const std::string t = "t" + std::to_string(i);
            sql += "create table " + t + " (id integer primary key, name varchar(30), price money, notes text, "
                   "stamp timestamp); create index " + t + "_by_name on " + t + " (name);";
        }
        server.Sql(sql + "commit;");
        form = bench::ManyDatasetsForm(kTables, "MANYPG", "");
    }
};

Fixture& Data() {
    static Fixture fixture;
    return fixture;
}

uint64_t lastRoundTrips = 0;

void BM_DataRelations_Postgres(benchmark::State& state) {
    if (!Data().server.Running()) {
        state.SkipWithError(Data().server.Why().c_str());
        return;
    }
    vcl::RegisterControlClasses();
    tavrin::Register();
    dbe::Engine().SetConfigFile("");
    dbe::Engine().DeleteAlias("MANYPG");
    dbe::Engine().AddAlias("MANYPG", "POSTGRESQL", "PATH:" + Data().server.Uri(), false);
    bench::CancelBackend backend;
    ui::TInstalled installed(backend);
    for (auto _ : state) {
        dbe::Engine().CloseDatabases();  // each report connects afresh and describes everything
        const uint64_t before = dbe::PostgresRoundTrips();
        auto file = formfile::TFormFile::LoadBytes(Data().form, "Many.dfm");
        tavrin::showDataRelations(file->Root());
        lastRoundTrips = dbe::PostgresRoundTrips() - before;
    }
    state.counters["round_trips"] = double(lastRoundTrips);
    dbe::Engine().CloseDatabases();
}

}  // namespace

BENCHMARK(BM_DataRelations_Postgres)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    std::printf("datainfo on %d datasets against %d server tables: %llu round trips per report\n", kTables, kTables,
                static_cast<unsigned long long>(lastRoundTrips));
    benchmark::Shutdown();
    return 0;
}
