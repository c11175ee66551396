// The project-wide check end to end on a generated project of mixed form sizes: forms per
// second by one worker and by one per core, against `tavrinqa convert` of the same files run
// one process at a time. TAVRIN_CHECK_FORMS sets the project's size (default 5,000 forms,
// about 200 MB); the project lives in a temporary folder while the benchmark runs.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>

#include "bench/GeneratedForms.h"

namespace {

struct Project {
    std::string dir;
    std::vector<std::string> files;
    uint64_t bytes = 0;

    Project() {
        const char* env = std::getenv("TAVRIN_CHECK_FORMS");
        const int count = env ? std::max(1, std::atoi(env)) : 5000;
        dir = (std::filesystem::temp_directory_path() / ("tavrin-check-bench-" + std::to_string(::getpid()))).string();
        std::filesystem::create_directories(dir);
        // Most forms are dialogs of a few dozen components; some are large, a few huge.
        for (int i = 0; i < count; ++i) {
            const int size = i % 100 == 99 ? 4000 : i % 10 == 9 ? 500 : 20 + i % 80;
            const std::string text = bench::GeneratedForm(size, i % 2 ? bench::Shape::Nested : bench::Shape::Flat);
            const std::string path = dir + "/form" + std::to_string(i) + ".dfm";
            std::ofstream(path, std::ios::binary) << text;
            files.push_back(path);
            bytes += text.size();
        }
    }
    ~Project() { std::filesystem::remove_all(dir); }
};

// Forms per second of each run, for the comparison printed at the end.
std::map<std::string, double> rates;

Project& TheProject() {
    static Project p;
    return p;
}

// `tavrinqa check` of the project as a user runs it: one process, started cold, with its workers.
void BM_CheckProject(benchmark::State& state) {
    Project& p = TheProject();
    const int jobs = int(state.range(0));
    const std::string cmd = std::string("'") + TAVRINQA_BINARY + "' check '" + p.dir + "' -j " + std::to_string(jobs) +
                            " --fail-on none >/dev/null 2>&1";
    for (auto _ : state) {
        const auto began = std::chrono::steady_clock::now();
        if (std::system(cmd.c_str()) != 0) state.SkipWithError("check failed");
        rates["check, " + std::to_string(jobs) + " workers"] =
            double(p.files.size()) / std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    }
    state.counters["forms/s"] = benchmark::Counter(double(p.files.size()), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["MB/s"] = benchmark::Counter(double(p.bytes) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["workers"] = jobs;
}
BENCHMARK(BM_CheckProject)->Arg(1)->Arg(int(std::max(1u, std::thread::hardware_concurrency())))
    ->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// The peer: `convert` of the same files, one process after another.
void BM_ConvertOneProcessAtATime(benchmark::State& state) {
    Project& p = TheProject();
    for (auto _ : state) {
        const auto began = std::chrono::steady_clock::now();
        for (const std::string& f : p.files) {
            const std::string cmd = std::string("'") + TAVRINQA_BINARY + "' convert '" + f + "' >/dev/null";
            if (std::system(cmd.c_str()) != 0) state.SkipWithError("convert failed");
        }
        rates["convert"] =
            double(p.files.size()) / std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    }
    state.counters["forms/s"] = benchmark::Counter(double(p.files.size()), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ConvertOneProcessAtATime)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (rates.empty()) return 0;
    const Project& p = TheProject();
    std::printf("\n%zu forms, %.0f MB\n", p.files.size(), double(p.bytes) / 1e6);
    for (const auto& [name, rate] : rates)
        std::printf("%-20s %8.1f forms/s%s\n", name.c_str(), rate,
                    rates.count("convert") && name != "convert"
                        ? (", " + std::to_string(rate / rates["convert"]).substr(0, 4) + " x convert").c_str()
                        : "");
    return 0;
}
