// The grid tools on generated forms of 1,000, 8,000 and 32,767 components, flat and nested:
// filling the grid in each sort order, and writing every row back after OK. With no one to
// answer it the window closes at once with Cancel. Orders are picked in the window, as a
// person does: the hint order then lasts, so only a family's first run fills twice, while the
// position tool starts by parent every run, so its other orders fill the grid twice. Each
// family ends with the growth the library fits to it (the target: no worse than N log N).
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/cfrminfo.h"
#include "grid/Hintgrid.h"
#include "host/controls/ControlClasses.h"
#include "host/controls/StdCtrls.h"
#include "host/vcl/ClassCatalogue.h"
#include "host/vcl/Forms.h"

using namespace vcl;

namespace {

enum Shape { kFlat, kNested };

// One component in four is non-visual (a data source), the others edits and labels with
// hints and captions, placed on a grid of places so that every order has work to do. Flat:
// every control on the form; nested: panels ten deep with the controls on the innermost.
std::unique_ptr<TForm> GridForm(int components, Shape shape) {
    auto form = std::make_unique<TForm>(nullptr);
    form->SetName("BigForm");
    TWinControl* parent = form.get();
    for (int made = 0; made < components; ++made) {
        const std::string name = "C" + std::to_string((made * 7919) % components);  // names out of order
        if (made % 4 == 1) {
            TComponent* c = ClassCatalogue().CreateComponent("TDataSource", form.get());
            c->SetName(name);
            c->SetDesignInfo(int32_t(uint32_t(made % 600) << 16 | uint32_t(made % 800)));
            continue;
        }
        if (shape == kNested && made % 320 == 0) {
            parent = form.get();
            for (int depth = 0; depth < 10 && made < components; ++depth, ++made) {
                auto* panel = new TPanel(form.get());
                panel->SetName("P" + std::to_string(made));
                panel->SetParent(parent);
                parent = panel;
            }
            --made;
            continue;
        }
        TControl* c = made % 4 == 3 ? static_cast<TControl*>(new TLabel(form.get())) : new TEdit(form.get());
        c->SetName(name);
        c->SetParent(parent);
        c->SetBounds((made * 37) % 700, (made * 53) % 500, 60, 20);
        c->SetHint("Hint " + std::to_string(made % 97));
        if (made % 4 == 3) static_cast<TLabel*>(c)->SetCaption("&Label " + std::to_string(made % 89));
    }
    return form;
}

// Runs a tool on a fresh form of the benchmark's size; the window picks sort item `sort`
// (when it is not the one shown) and closes with `result`.
void RunGridTool(benchmark::State& state, void (*entry)(TComponent*), Shape shape, int sort, TModalResult result) {
    auto form = GridForm(int(state.range(0)), shape);
    SetModalRunner([sort, result](TCustomForm&) {
        TComboBox* box = tavrin::HintEd->SortCB;
        if (sort >= 0 && box->Visible() && box->ItemIndex() != sort) box->Choose(sort);
        return result;
    });
    for (auto _ : state) entry(form.get());
    SetModalRunner(nullptr);
    state.SetComplexityN(state.range(0));
    state.counters["components"] = double(form->ComponentCount());
}

void Register(const std::string& name, void (*entry)(TComponent*), int sort, TModalResult result) {
    for (Shape shape : {kFlat, kNested}) {
        benchmark::RegisterBenchmark((name + (shape == kFlat ? "_Flat" : "_Nested")).c_str(),
                                     [=](benchmark::State& state) { RunGridTool(state, entry, shape, sort, result); })
            ->Arg(1000)
            ->Arg(8000)
            ->Arg(32767)
            ->Unit(benchmark::kMillisecond)
            ->Complexity();
    }
}

}  // namespace

int main(int argc, char** argv) {
    RegisterControlClasses();
    // The hint order lasts between runs: each family sets it through the window.
    Register("Hints_ByClass", tavrin::showHints, 0, mrCancel);
    Register("Hints_ByParent", tavrin::showHints, 1, mrCancel);
    Register("Hints_ByName", tavrin::showHints, 2, mrCancel);
    Register("Hints_WrittenBack", tavrin::showHints, 0, mrOk);
    Register("Positions_ByParent", tavrin::reposition, 0, mrCancel);
    Register("Positions_ByTopLeft", tavrin::reposition, 1, mrCancel);
    Register("Positions_ByLeft", tavrin::reposition, 2, mrCancel);
    Register("Positions_WrittenBack", tavrin::reposition, 0, mrOk);
    Register("ComponentList", tavrin::ComponentInfo, -1, mrCancel);
    Register("ComponentList_WrittenBack", tavrin::ComponentInfo, -1, mrOk);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
