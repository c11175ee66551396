// Form-file reader and writer speed, against Free Pascal's ObjectTextToBinary on the same input,
// and the memory a large document holds.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "bench/GeneratedForms.h"
#include "host/controls/ControlClasses.h"
#include "host/formfile/FormFile.h"
#include "host/formfile/FormModel.h"
#include "host/vcl/ClassCatalogue.h"
#include "tests/support/FpcOracle.h"

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

const std::string& LargestCorpusFile(std::string* name = nullptr) {
    static std::string path;
    static std::string bytes = [] {
        namespace fs = std::filesystem;
        uintmax_t best = 0;
        std::error_code ec;
        if (fs::exists(TAVRIN_FORMS_DIR, ec))
            for (const auto& e : fs::recursive_directory_iterator(TAVRIN_FORMS_DIR)) {
                std::string ext = e.path().extension().string();
                if (e.is_regular_file() && ext != ".tsv" && ext != ".md" && e.file_size() > best) {
                    best = e.file_size();
                    path = e.path().string();
                }
            }
        return path.empty() ? std::string() : ReadAll(path);
    }();
    if (name) *name = path;
    return bytes;
}

using bench::GeneratedForm;

void ParseAndWrite(benchmark::State& state, const std::string& bytes) {
    if (bytes.empty()) {
        state.SkipWithError("form corpus not found");
        return;
    }
    for (auto _ : state) {
        formfile::Document doc = formfile::Document::Parse(bytes);
        std::string out = doc.Write();
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes.size()));
}

void TextToBinary(benchmark::State& state, const std::string& bytes) {
    if (bytes.empty()) {
        state.SkipWithError("form corpus not found");
        return;
    }
    for (auto _ : state) {
        std::string out = formfile::ToBinary(formfile::Document::Parse(bytes));
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes.size()));
}

// The whole read: syntax tree, then the live components built from it, then freed.
void LoadModel(benchmark::State& state, const std::string& bytes) {
    if (bytes.empty()) {
        state.SkipWithError("form corpus not found");
        return;
    }
    for (auto _ : state) {
        auto file = formfile::TFormFile::LoadBytes(bytes, "bench.dfm");
        benchmark::DoNotOptimize(file->Root());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes.size()));
}

// fpc times its own loop in one process, so start-up is not counted.
void FpcTextToBinary(benchmark::State& state, const std::string& bytes) {
    auto* fpc = testsupport::FpcOracle::Get();
    if (!fpc || bytes.empty()) {
        state.SkipWithError(fpc ? "form corpus not found" : testsupport::FpcOracle::Why().c_str());
        return;
    }
    std::string path = std::filesystem::temp_directory_path() / ("tavrin-bench-" + std::to_string(getpid()) + ".dfm");
    {
        std::ofstream o(path, std::ios::binary);
        o << bytes;
    }
    for (auto _ : state) {
        auto secs = fpc->TimeTextToBinary(path, 5);
        if (!secs) {
            state.SkipWithError("fpc refused the input");
            break;
        }
        state.SetIterationTime(*secs);
    }
    std::remove(path.c_str());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes.size()));
}

void BM_ParseWrite_LargestCorpusFile(benchmark::State& s) { ParseAndWrite(s, LargestCorpusFile()); }
void BM_ParseWrite_Generated32767(benchmark::State& s) { ParseAndWrite(s, GeneratedForm()); }
void BM_LoadModel_LargestCorpusFile(benchmark::State& s) { LoadModel(s, LargestCorpusFile()); }
void BM_LoadModel_Generated32767(benchmark::State& s) {
    LoadModel(s, GeneratedForm());
    s.counters["components_per_second"] = benchmark::Counter(32767.0 * double(s.iterations()), benchmark::Counter::kIsRate);
}
void BM_TextToBinary_LargestCorpusFile(benchmark::State& s) { TextToBinary(s, LargestCorpusFile()); }
void BM_TextToBinary_Generated32767(benchmark::State& s) { TextToBinary(s, GeneratedForm()); }
void BM_Fpc_TextToBinary_LargestCorpusFile(benchmark::State& s) { FpcTextToBinary(s, LargestCorpusFile()); }
void BM_Fpc_TextToBinary_Generated32767(benchmark::State& s) { FpcTextToBinary(s, GeneratedForm()); }

BENCHMARK(BM_ParseWrite_LargestCorpusFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseWrite_Generated32767)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadModel_LargestCorpusFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadModel_Generated32767)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextToBinary_LargestCorpusFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextToBinary_Generated32767)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Fpc_TextToBinary_LargestCorpusFile)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Fpc_TextToBinary_Generated32767)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

long PeakRssKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

long CurrentRssKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return 0;
}

// Before any benchmark runs, so the peak belongs to this document alone.
void ReportMemory() {
    std::string bytes = GeneratedForm();
    double mb = static_cast<double>(bytes.size()) / (1 << 20);
    long before = CurrentRssKb();
    formfile::Document doc = formfile::Document::Parse(std::move(bytes));
    long peak = PeakRssKb();
    std::printf("generated form: %.2f MB, %zu objects\n", mb, doc.ObjectCount());
    std::printf("  document holds %.2f MB (%.2fx the file, source text included)\n",
                static_cast<double>(doc.MemoryUsage()) / (1 << 20), static_cast<double>(doc.MemoryUsage()) / (mb * (1 << 20)));
    std::printf("  peak RSS %.2f MB, growth while reading %.2f MB\n", peak / 1024.0, (peak - before) / 1024.0);
    // The same text read into live components, the tree kept for writing back.
    const long beforeModel = CurrentRssKb();
    {
        auto file = formfile::TFormFile::LoadBytes(GeneratedForm(), "bench.dfm");
        const long loaded = CurrentRssKb();
        std::printf("  read into live components: %.2f MB more (%.2fx the file), tree and components together\n",
                    (loaded - beforeModel) / 1024.0, (loaded - beforeModel) / 1024.0 / mb);
    }
    std::string name;
    LargestCorpusFile(&name);
    if (!name.empty()) std::printf("largest corpus file: %s (%.2f MB)\n", name.c_str(), LargestCorpusFile().size() / 1048576.0);
}

}  // namespace

int main(int argc, char** argv) {
    vcl::RegisterControlClasses();  // user forms' controls are the host's own classes
    ReportMemory();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
