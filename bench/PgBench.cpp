// The data relations tool on a form of 1,000 tables (each with a data source and an edit on
// one field) against a PostgreSQL server of 1,000 tables, started for the run: the time of a
// whole report and the messages it sends the server. Describing goes in batches, so the
// messages are about one per table opened (the report opens each table) plus a few.
#include <benchmark/benchmark.h>

#include <algorithm>
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
    bench::Folder home;  // the settings home of the program's runs: aliases.conf and the form
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
        bench::WriteFile(home.File("Many.dfm"), form);
        bench::WriteFile(home.File("aliases.conf"), "[MANYPG]\nDRIVER=POSTGRESQL\nPATH=" + server.Uri() + "\n");
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

std::vector<double> programRuns;

// The program as a user starts it: `tavrinqa datainfo Many.dfm --print`, processor seconds.
void BM_WholeProcess_DataInfo_Postgres(benchmark::State& state) {
    if (!Data().server.Running()) {
        state.SkipWithError(Data().server.Why().c_str());
        return;
    }
    const std::string home = Data().home.Path();
    for (auto _ : state)
        programRuns.push_back(
            bench::RunProgram({TAVRINQA_BINARY, "datainfo", home + "/Many.dfm", "--print", "--home", home}));
}

}  // namespace

BENCHMARK(BM_DataRelations_Postgres)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_WholeProcess_DataInfo_Postgres)->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    std::printf("datainfo on %d datasets against %d server tables: %llu round trips per report\n", kTables, kTables,
                static_cast<unsigned long long>(lastRoundTrips));
    if (!programRuns.empty()) {
        std::sort(programRuns.begin(), programRuns.end());
        std::printf("whole process, tavrinqa datainfo --print: %.3f s of processor time (median of %zu; -1: failed)\n",
                    programRuns[programRuns.size() / 2], programRuns.size());
    }
    benchmark::Shutdown();
    return 0;
}
