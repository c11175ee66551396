// The form data generator over the largest form the component index allows: 32,767
// components, a mix of the input controls it takes and labels it leaves out.
#include <benchmark/benchmark.h>

#include <memory>
#include <ostream>
#include <streambuf>

#include "codegen/Makeprop.h"
#include "framework/cfrminfo.h"
#include "host/controls/ControlClasses.h"
#include "host/ui/Print.h"
#include "host/vcl/ClassCatalogue.h"
#include "host/vcl/Forms.h"

namespace {

constexpr int kComponents = 32767;

// Edits, combo boxes, check boxes, spin edits and labels in turn, in panels of 20.
std::unique_ptr<vcl::TForm> BuildForm() {
    vcl::RegisterControlClasses();
    auto& catalogue = vcl::ClassCatalogue();
    auto form = std::make_unique<vcl::TForm>(nullptr, &catalogue.Declare("TBigForm", "TForm"));
    form->SetName("BigForm");
    constexpr const char* kClasses[] = {"TEdit", "TComboBox", "TCheckBox", "TSpinEdit", "TLabel"};
    vcl::TWinControl* panel = nullptr;
    for (int i = 0; i < kComponents; ++i) {
        vcl::TComponent* c;
        if (i % 20 == 0) {
            panel = static_cast<vcl::TWinControl*>(catalogue.CreateComponent("TPanel", form.get()));
            panel->SetParent(form.get());
            c = panel;
        } else {
            c = catalogue.CreateComponent(kClasses[i % 5], form.get());
            static_cast<vcl::TControl*>(c)->SetParent(panel);
        }
        c->SetName("C" + std::to_string(i));
    }
    return form;
}

vcl::TForm& BigForm() {
    static std::unique_ptr<vcl::TForm> form = BuildForm();
    return *form;
}

// The three operations without the window: classification, then the text.
void BM_ClassifyAndGenerate(benchmark::State& state) {
    vcl::TForm& form = BigForm();
    int lines = 0;
    for (auto _ : state) {
        tavrin::tZorPropMaker tool(nullptr);
        tool.form = &form;
        tool.categorisecontrols();
        tool.ProcessControls();
        lines = tool.outputlines.Count();
        benchmark::DoNotOptimize(lines);
    }
    state.SetItemsProcessed(state.iterations() * kComponents);
    state.counters["lines"] = lines;
}

void BM_Classify(benchmark::State& state) {
    vcl::TForm& form = BigForm();
    for (auto _ : state) {
        tavrin::tZorPropMaker tool(nullptr);
        tool.form = &form;
        tool.categorisecontrols();
        benchmark::DoNotOptimize(tool.alloclist.Count());
    }
    state.SetItemsProcessed(state.iterations() * kComponents);
}

// Discards what it is given, as a terminal nobody reads would.
class TNullBuffer : public std::streambuf {
protected:
    int overflow(int c) override { return c; }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

// The whole run as the program makes it with --print: entry procedure, window, memo, printing.
void BM_FormDataPrint(benchmark::State& state) {
    vcl::TForm& form = BigForm();
    TNullBuffer buffer;
    std::ostream out(&buffer);
    ui::TPrintBackend printer(out, out);
    ui::TInstalled installed(printer);
    for (auto _ : state) tavrin::FormDataProperty(&form);
    state.SetItemsProcessed(state.iterations() * kComponents);
}

}  // namespace

BENCHMARK(BM_Classify)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClassifyAndGenerate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FormDataPrint)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
