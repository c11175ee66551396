// Form-file reader and writer speed, against Free Pascal's ObjectTextToBinary on the same input,
// and the memory a large document holds.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "host/formfile/FormFile.h"
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

// A form of 32,767 components in panels of up to 63 controls, about 8 MB of text.
const std::string& GeneratedForm() {
    static std::string text = [] {
        std::string s;
        s.reserve(9u << 20);
        s += "object MainForm: TMainForm\r\n  Left = 0\r\n  Top = 0\r\n  Caption = 'Generated'\r\n"
             "  ClientHeight = 600\r\n  ClientWidth = 800\r\n";
        int made = 1, panel = 0;
        while (made < 32767) {
            std::string p = std::to_string(++panel);
            s += "  object Panel" + p + ": TPanel\r\n    Left = " + std::to_string(panel % 800) +
                 "\r\n    Top = 8\r\n    Width = 200\r\n    Height = 400\r\n    Caption = 'Panel " + p + "'\r\n";
            ++made;
            for (int i = 0; i < 63 && made < 32767; ++i, ++made) {
                std::string n = std::to_string(made);
                s += "    object Button" + n + ": TButton\r\n      Left = " + std::to_string(i * 3) +
                     "\r\n      Top = " + std::to_string(i * 27) + "\r\n      Width = 75\r\n      Height = 25\r\n"
                     "      Hint = 'Runs action number " + n + " of the panel'\r\n      Caption = 'Button " + n +
                     "'\r\n      Font.Style = [fsBold, fsItalic]\r\n      TabOrder = " + std::to_string(i) +
                     "\r\n      OnClick = Button" + n + "Click\r\n    end\r\n";
            }
            s += "  end\r\n";
        }
        s += "end\r\n";
        return s;
    }();
    return text;
}

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
void BM_TextToBinary_LargestCorpusFile(benchmark::State& s) { TextToBinary(s, LargestCorpusFile()); }
void BM_TextToBinary_Generated32767(benchmark::State& s) { TextToBinary(s, GeneratedForm()); }
void BM_Fpc_TextToBinary_LargestCorpusFile(benchmark::State& s) { FpcTextToBinary(s, LargestCorpusFile()); }
void BM_Fpc_TextToBinary_Generated32767(benchmark::State& s) { FpcTextToBinary(s, GeneratedForm()); }

BENCHMARK(BM_ParseWrite_LargestCorpusFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseWrite_Generated32767)->Unit(benchmark::kMillisecond);
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
    std::string name;
    LargestCorpusFile(&name);
    if (!name.empty()) std::printf("largest corpus file: %s (%.2f MB)\n", name.c_str(), LargestCorpusFile().size() / 1048576.0);
}

}  // namespace

int main(int argc, char** argv) {
    ReportMemory();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
