// The data relations tool on a form of 1,000 tables (each with a data source and an edit on
// one field) over a SQLite database of 1,000 tables: in process, the engine alone describing
// the tables, and whole runs of the program. Prints the target ratio: a whole `datainfo
// --print` run at most 2x a `convert` run of the same form plus the engine's own time to
// describe the tables (processor time, median of the runs).
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/DataForms.h"
#include "framework/cfrminfo.h"
#include "framework/zorQAReg.h"
#include "host/controls/ControlClasses.h"
#include "host/controls/Dialogs.h"
#include "host/db/DBTables.h"
#include "host/formfile/FormModel.h"
#include "host/ui/Backend.h"

namespace {

constexpr int kTables = 1000;


// A fresh folder under /tmp, removed with what it holds.
struct Fixture {
    bench::Folder dir;
    std::string database = dir.File("many.sqlite");
    std::string form = dir.File("Many.dfm");
    std::string aliases = dir.File("aliases.conf");

    Fixture() {
        std::string sql = "begin;";
        for (int i = 0; i < kTables; ++i) {
            const std::string t = "t" + std::to_string(i);
            sql += "create table " + t + " (Id INTEGER primary key, Name VARCHAR(30), Price MONEY, Notes MEMO(20), "
                   "Stamp TIMESTAMP);create index " + t + "ByName on " + t + " (Name);";
        }
        sql += "commit;";
        sqlite3* db = nullptr;
        sqlite3_open(database.c_str(), &db);
        sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
        sqlite3_close(db);
        bench::WriteFile(aliases, "[MANY]\nDRIVER=SQLITE\nPATH=" + database + "\n");
        bench::WriteFile(form, bench::ManyDatasetsForm(kTables, "MANY", ".db"));
    }
};

Fixture& Data() {
    static Fixture fixture;
    return fixture;
}

void BM_DataRelations_InProcess(benchmark::State& state) {
    vcl::RegisterControlClasses();
    tavrin::Register();
    dbe::Engine().SetConfigFile(Data().aliases);
    bench::CancelBackend backend;
    ui::TInstalled installed(backend);
    for (auto _ : state) {
        auto file = formfile::TFormFile::Load(Data().form);
        tavrin::showDataRelations(file->Root());
    }
    dbe::Engine().CloseDatabases();
}

void BM_DescribeTables(benchmark::State& state) {
    dbe::Engine().SetConfigFile(Data().aliases);
    for (auto _ : state) {
        dbe::Engine().CloseDatabases();
        auto db = dbe::Engine().OpenDatabase("MANY", nullptr);
        size_t n = 0;
        for (int i = 0; i < kTables; ++i) {
            const std::string t = "t" + std::to_string(i) + ".db";
            n += db->Fields(t).size() + db->Indexes(t).size();
        }
        benchmark::DoNotOptimize(n);
    }
    dbe::Engine().CloseDatabases();
}

std::vector<double> datainfoRuns, convertRuns, describeRuns;

void BM_WholeProcess_DataInfo(benchmark::State& state) {
    for (auto _ : state)
        datainfoRuns.push_back(bench::RunProgram({TAVRINQA_BINARY, "datainfo", Data().form, "--print", "--home", Data().dir.Path()}));
}

void BM_WholeProcess_Convert(benchmark::State& state) {
    for (auto _ : state) convertRuns.push_back(bench::RunProgram({TAVRINQA_BINARY, "convert", Data().form, "-o", Data().dir.File("Many.bin")}));
}

void BM_DescribeTables_Timed(benchmark::State& state) {
    for (auto _ : state) {
        const auto start = std::clock();
        dbe::Engine().SetConfigFile(Data().aliases);
        dbe::Engine().CloseDatabases();
        auto db = dbe::Engine().OpenDatabase("MANY", nullptr);
        for (int i = 0; i < kTables; ++i) {
            const std::string t = "t" + std::to_string(i);
            db->Fields(t);
            db->Indexes(t);
        }
        dbe::Engine().CloseDatabases();
        describeRuns.push_back(double(std::clock() - start) / CLOCKS_PER_SEC);
    }
}

double Median(std::vector<double> v) {
    if (v.empty()) return -1;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

BENCHMARK(BM_DataRelations_InProcess)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DescribeTables)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WholeProcess_DataInfo)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_WholeProcess_Convert)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_DescribeTables_Timed)->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    const double datainfo = Median(datainfoRuns), convert = Median(convertRuns), describe = Median(describeRuns);
    if (datainfo > 0 && convert > 0 && describe > 0) {
        const double ratio = datainfo / (convert + describe);
        std::printf("datainfo --print %.3fs, convert %.3fs, engine describing %d tables %.3fs: ratio %.2f (target <= 2) %s\n",
                    datainfo, convert, kTables, describe, ratio, ratio <= 2 ? "ok" : "OVER");
    } else if (!datainfoRuns.empty()) {
        std::printf("a whole run failed (datainfo %.3f, convert %.3f)\n", datainfo, convert);
    }
    benchmark::Shutdown();
    return 0;
}
