// The project-wide check end to end on a generated project of mixed form sizes: forms per
// second by one worker and by one per core, against `tavrinqa convert` of the same files run
// one process at a time. TAVRIN_CHECK_FORMS sets the project's size (default 1,000 forms;
// 5,000 make about 200 MB).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "bench/GeneratedForms.h"
#include "check/Checker.h"
#include "host/controls/ControlClasses.h"

namespace {

struct Project {
    std::string dir;
    std::vector<std::string> files;
    uint64_t bytes = 0;

    Project() {
        const char* env = std::getenv("TAVRIN_CHECK_FORMS");
        const int count = env ? std::max(1, std::atoi(env)) : 1000;
        dir = (std::filesystem::temp_directory_path() / ("tavrin-check-bench-" + std::to_string(::getpid()))).string();
        std::filesystem::create_directories(dir);
        // Most forms are dialogs of a few dozen components; some are large, a few huge.
        for (int i = 0; i < count; ++i) {
            const int size = i % 100 == 99 ? 8000 : i % 10 == 9 ? 1000 : 40 + i % 200;
            const std::string text = bench::GeneratedForm(size, i % 2 ? bench::Shape::Nested : bench::Shape::Flat);
            const std::string path = dir + "/form" + std::to_string(i) + ".dfm";
            std::ofstream(path, std::ios::binary) << text;
            files.push_back(path);
            bytes += text.size();
        }
    }
    ~Project() { std::filesystem::remove_all(dir); }
};

Project& TheProject() {
    static Project p;
    return p;
}

void BM_CheckProject(benchmark::State& state) {
    vcl::RegisterControlClasses();
    Project& p = TheProject();
    const int jobs = int(state.range(0));
    for (auto _ : state) {
        auto results = check::CheckFiles(p.files, check::RuleSettings{}, jobs);
        benchmark::DoNotOptimize(results.data());
    }
    state.counters["forms/s"] = benchmark::Counter(double(p.files.size()), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["MB/s"] = benchmark::Counter(double(p.bytes) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["workers"] = jobs;
}
BENCHMARK(BM_CheckProject)->Arg(1)->Arg(int(std::max(1u, std::thread::hardware_concurrency())))
    ->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// The peer of the issue: `convert` of the same files, one process after another.
void BM_ConvertOneProcessAtATime(benchmark::State& state) {
    Project& p = TheProject();
    for (auto _ : state)
        for (const std::string& f : p.files) {
            const std::string cmd = std::string("'") + TAVRINQA_BINARY + "' convert '" + f + "' >/dev/null";
            if (std::system(cmd.c_str()) != 0) state.SkipWithError("convert failed");
        }
    state.counters["forms/s"] = benchmark::Counter(double(p.files.size()), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ConvertOneProcessAtATime)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
