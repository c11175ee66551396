// Whole runs of the tavrinqa program on the 32,767-component form, as a user starts them:
// load, run a verb with --print, exit. Times are wall-clock per run.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/GeneratedForms.h"

namespace {

const std::string& FormPath() {
    static const std::string path = [] {
        const auto dir = std::filesystem::temp_directory_path() / "tavrinqa-bench";
        std::filesystem::create_directories(dir);
        const auto file = dir / "Generated.dfm";
        std::ofstream(file, std::ios::binary) << bench::GeneratedForm();
        return file.string();
    }();
    return path;
}

void RunVerb(benchmark::State& state, const std::string& verb) {
    const std::string home = std::filesystem::path(FormPath()).parent_path().string();
    const std::string cmd = std::string(TAVRINQA_BINARY) + " " + verb + " '" + FormPath() + "' --print --home '" +
                            home + "' >/dev/null 2>&1";
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const int status = std::system(cmd.c_str());
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (status != 0) state.SkipWithError(("tavrinqa " + verb + " failed").c_str());
    }
    state.counters["components"] = 32767;
    state.counters["MB"] = double(bench::GeneratedForm().size()) / (1 << 20);
}

void BM_Program_About(benchmark::State& s) { RunVerb(s, "about"); }  // load and close: the floor
void BM_Program_FormData(benchmark::State& s) { RunVerb(s, "formdata"); }
void BM_Program_Parentage(benchmark::State& s) { RunVerb(s, "parentage"); }
void BM_Program_Tabs(benchmark::State& s) { RunVerb(s, "tabs"); }

}  // namespace

BENCHMARK(BM_Program_About)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Program_FormData)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Program_Parentage)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Program_Tabs)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
