// The tool framework over the largest form the component index allows: 32,767 components.
#include <benchmark/benchmark.h>

#include <memory>

#include "toolbase/Infobase.h"
#include "host/vcl/ClassCatalogue.h"
#include "host/vcl/Forms.h"

using namespace vcl;

namespace {

constexpr int kComponents = 32767;

// A quarter non-visual, the rest controls in panels of 20.
std::unique_ptr<TForm> BuildForm() {
    auto form = std::make_unique<TForm>(nullptr);
    form->SetName("BigForm");
    auto& cat = ClassCatalogue();
    TWinControl* panel = nullptr;
    for (int i = 0; i < kComponents; ++i) {
        TComponent* c;
        if (i % 4 == 3) {
            c = cat.CreateComponent("TTimer", form.get());
        } else if (i % 20 == 0) {
            panel = static_cast<TWinControl*>(cat.CreateComponent("TPanel", form.get()));
            panel->SetParent(form.get());
            c = panel;
        } else {
            c = cat.CreateComponent(i % 2 ? "TEdit" : "TLabel", form.get());
            static_cast<TControl*>(c)->SetParent(panel);
        }
        c->SetName("C" + std::to_string(i));
    }
    return form;
}

class Probe : public tavrin::tZorFrmInfo {
public:
    void ProcessControls() override {}
    bool execute() override { return true; }
};

void BM_BuildForm(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(BuildForm());
    state.SetItemsProcessed(state.iterations() * kComponents);
}

void BM_BaseCategorise(benchmark::State& state) {
    auto form = BuildForm();
    for (auto _ : state) {
        Probe tool;
        tool.form = form.get();
        tool.categorisecontrols();
        benchmark::DoNotOptimize(tool.alloclist.Count());
    }
    state.SetItemsProcessed(state.iterations() * kComponents);
}

void BM_NodeIDs(benchmark::State& state) {
    auto form = BuildForm();
    for (auto _ : state) {
        size_t total = 0;
        for (int i = 0; i < form->ComponentCount(); ++i) total += tavrin::NodeID(form->Components(i)).size();
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * kComponents);
}

void BM_NodeIDRoundTrip(benchmark::State& state) {
    auto form = BuildForm();
    std::string name, cls;
    for (auto _ : state) {
        for (int i = 0; i < form->ComponentCount(); ++i) {
            tavrin::classnamefromid(tavrin::NodeID(form->Components(i)), name, cls);
            benchmark::DoNotOptimize(form->FindComponent(name));
        }
    }
    state.SetItemsProcessed(state.iterations() * kComponents);
}

}  // namespace

BENCHMARK(BM_BuildForm)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BaseCategorise)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NodeIDs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NodeIDRoundTrip)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
