// The project-wide check end to end on a generated project of mixed form sizes: forms per
// second by one worker and by one per core, against `tavrinqa convert` of the same files run
// one process at a time. TAVRIN_CHECK_FORMS sets the project's size (default 5,000 forms,
// about 200 MB); the project lives in a temporary folder while the benchmark runs. Then the
// targets, each printed as met or missed: one worker checks at least 2,000 real forms per
// second of CPU time (the real forms ten times over), the peak memory does not grow with the
// forms and their findings (the whole project against its largest form alone), and the check
// beats `convert` one process at a time by at least the core count.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

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

// CPU seconds (user and system) and peak memory of `tavrinqa check` with these arguments,
// its workers included; output dropped.
struct Usage {
    double cpu = 0;
    long peakKB = 0;
    bool ok = false;
};
Usage Measure(std::vector<std::string> args) {
    args.insert(args.begin(), {TAVRINQA_BINARY, "check", "--fail-on", "none"});
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    Usage u;
    int status = 0;
    rusage ru{};
    if (pid < 0 || ::wait4(pid, &status, 0, &ru) != pid) return u;
    u.cpu = double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) + double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
    u.peakKB = ru.ru_maxrss;  // the largest of the process and the workers it waited for
    u.ok = WIFEXITED(status) && WEXITSTATUS(status) != 127;
    return u;
}

void PrintTarget(const char* what, bool met, const std::string& figures) {
    std::printf("%-7s %s: %s\n", met ? "met" : "MISSED", what, figures.c_str());
}

void Targets() {
    std::printf("\ntargets\n");
    // The real forms ten times over, by one worker: CPU time, since the machine may be shared.
    const std::string real = (std::filesystem::temp_directory_path() /
                              ("tavrin-check-real-" + std::to_string(::getpid()))).string();
    std::error_code ec;
    std::filesystem::create_directories(real, ec);
    for (int i = 0; i < 10 && !ec; ++i)
        std::filesystem::copy(TAVRIN_FORMS_DIR, real + "/" + std::to_string(i), std::filesystem::copy_options::recursive, ec);
    if (!ec) {
        size_t forms = 0;
        for (const auto& e : std::filesystem::recursive_directory_iterator(real)) {
            std::string ext = e.path().extension().string();
            for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
            forms += ext == ".dfm" || ext == ".lfm" || ext == ".xfm";
        }
        const Usage u = Measure({real, "-j", "1"});
        const double rate = u.cpu > 0 ? double(forms) / u.cpu : 0;
        PrintTarget("one worker, 2,000 real forms per CPU second", u.ok && rate >= 2000,
                    std::to_string(forms) + " forms in " + std::to_string(u.cpu).substr(0, 5) + " s of CPU, " +
                        std::to_string(int(rate)) + " forms/s");
    } else {
        std::printf("skipped: the real forms (%s) could not be copied: %s\n", TAVRIN_FORMS_DIR, ec.message().c_str());
    }
    std::filesystem::remove_all(real, ec);

    // Memory flat in the forms and their findings: the whole project needs no more than its
    // largest form alone.
    const Project& p = TheProject();
    const std::string largest = *std::max_element(p.files.begin(), p.files.end(), [](const auto& a, const auto& b) {
        return std::filesystem::file_size(a) < std::filesystem::file_size(b);
    });
    const Usage one = Measure({largest, "-j", "1"}), all = Measure({p.dir, "-j", "1"});
    PrintTarget("peak memory flat in forms and findings (the project within 1.5x of its largest form)",
                one.ok && all.ok && double(all.peakKB) <= 1.5 * double(one.peakKB),
                std::to_string(one.peakKB / 1024) + " MB for the largest form, " + std::to_string(all.peakKB / 1024) +
                    " MB for all " + std::to_string(p.files.size()));

    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const std::string perCore = "check, " + std::to_string(cores) + " workers";
    if (rates.count("convert") && rates.count(perCore))
        PrintTarget(("faster than convert one process at a time by the core count (" + std::to_string(cores) + "x)").c_str(),
                    rates[perCore] >= cores * rates["convert"],
                    std::to_string(rates[perCore] / rates["convert"]).substr(0, 5) + "x");
}

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
    Targets();
    return 0;
}
