// The outline tools on generated forms of 1,000, 8,000 and 32,767 components, flat and
// nested, and on menus of up to 32,767 items. The windows are not shown: with no one to
// answer them they close at once with Cancel. After the figures, the growth of each tool
// from 1,000 to 32,767 components is printed beside linear and N log N growth.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/cfrminfo.h"
#include "host/controls/ControlClasses.h"
#include "host/controls/StdCtrls.h"
#include "host/vcl/Forms.h"
#include "host/vcl/Menus.h"
#include "outline/Parento2.h"

using namespace vcl;

namespace {

enum Shape { kFlat, kNested };

// Flat: every control on the form, one in four a label. Nested: chains of ten panels, each
// panel made before the panel that holds it (the order that costs the parentage tool the
// most passes), with 22 controls on the innermost one.
std::unique_ptr<TForm> ControlsForm(int components, Shape shape) {
    auto form = std::make_unique<TForm>(nullptr);
    form->SetName("BigForm");
    int made = 0;
    auto control = [&](TWinControl* parent) {
        TControl* c = made % 4 == 3 ? static_cast<TControl*>(new TLabel(form.get())) : new TEdit(form.get());
        c->SetName("C" + std::to_string(made++));
        c->SetParent(parent);
    };
    constexpr int kDepth = 10, kBlock = 32;
    while (shape == kNested && components - made >= kBlock) {
        std::vector<TPanel*> chain(kDepth);
        for (int level = kDepth - 1; level >= 0; --level) {
            chain[size_t(level)] = new TPanel(form.get());
            chain[size_t(level)]->SetName("C" + std::to_string(made++));
        }
        chain[0]->SetParent(form.get());
        for (size_t i = 1; i < chain.size(); ++i) chain[i]->SetParent(chain[i - 1]);
        for (int i = kDepth; i < kBlock; ++i) control(chain.back());
    }
    while (made < components) control(form.get());
    return form;
}

// Menus of up to 1,000 items each: ten top items, nine under each, ten under each of those.
std::unique_ptr<TForm> MenuForm(int components) {
    auto form = std::make_unique<TForm>(nullptr);
    form->SetName("MenuForm");
    int made = 0;
    auto item = [&](TMenuItem* parent) {
        auto* i = new TMenuItem(form.get());
        i->SetName("M" + std::to_string(made++));
        i->SetCaption("&Item " + std::to_string(made));
        parent->Add(i);
        return i;
    };
    while (made < components) {
        auto* menu = new TPopupMenu(form.get());
        menu->SetName("M" + std::to_string(made++));
        for (int a = 0; a < 10 && made < components; ++a) {
            TMenuItem* top = item(menu->Items());
            for (int b = 0; b < 9 && made < components; ++b) {
                TMenuItem* sub = item(top);
                for (int c = 0; c < 10 && made < components; ++c) item(sub);
            }
        }
    }
    return form;
}

const std::vector<int64_t> kSizes = {1000, 8000, 32767};

void RunTool(benchmark::State& state, void (*entry)(TComponent*), TComponent* form) {
    for (auto _ : state) entry(form);
    state.SetComplexityN(state.range(0));
    state.counters["components"] = double(form->ComponentCount());
}

void BM_Parentage_Flat(benchmark::State& state) {
    auto form = ControlsForm(int(state.range(0)), kFlat);
    RunTool(state, tavrin::showparentage, form.get());
}
void BM_Parentage_Nested(benchmark::State& state) {
    auto form = ControlsForm(int(state.range(0)), kNested);
    RunTool(state, tavrin::showparentage, form.get());
}
void BM_TabOrder_Flat(benchmark::State& state) {
    auto form = ControlsForm(int(state.range(0)), kFlat);
    RunTool(state, tavrin::showalltabs, form.get());
}
void BM_TabOrder_Nested(benchmark::State& state) {
    auto form = ControlsForm(int(state.range(0)), kNested);
    RunTool(state, tavrin::showalltabs, form.get());
}
void BM_Menus(benchmark::State& state) {
    auto form = MenuForm(int(state.range(0)));
    RunTool(state, tavrin::showMenus, form.get());
}

// The window answered: OK for the tab order tool (every shown control's tab order written
// back), one press of Captions for the menu tool (the tree rebuilt in caption view).
void BM_TabOrderWrittenBack_Flat(benchmark::State& state) {
    auto form = ControlsForm(int(state.range(0)), kFlat);
    SetModalRunner([](TCustomForm&) { return mrOk; });
    RunTool(state, tavrin::showalltabs, form.get());
    SetModalRunner(nullptr);
}
void BM_TabOrderWrittenBack_Nested(benchmark::State& state) {
    auto form = ControlsForm(int(state.range(0)), kNested);
    SetModalRunner([](TCustomForm&) { return mrOk; });
    RunTool(state, tavrin::showalltabs, form.get());
    SetModalRunner(nullptr);
}
void BM_MenusCaptionView(benchmark::State& state) {
    auto form = MenuForm(int(state.range(0)));
    SetModalRunner([](TCustomForm&) {
        tavrin::FrmInfo->EditBtn->Click();
        return mrCancel;
    });
    RunTool(state, tavrin::showMenus, form.get());
    SetModalRunner(nullptr);
}

// Prints the usual table, then each tool's growth from the smallest to the largest form.
class GrowthReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                times_[run.run_name.function_name][run.complexity_n] = run.GetAdjustedRealTime();
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\nGrowth from 1,000 to 32,767 components (linear: %.1fx, N log N: %.1fx)\n", 32.767,
                    32.767 * std::log(32767.0) / std::log(1000.0));
        for (const auto& [name, byN] : times_) {
            auto small = byN.find(1000), large = byN.find(32767);
            if (small == byN.end() || large == byN.end()) continue;
            std::printf("  %-32s %8.2f ms -> %8.2f ms  %5.1fx\n", name.c_str(), small->second, large->second,
                        large->second / small->second);
        }
    }

private:
    std::map<std::string, std::map<int64_t, double>> times_;
};

}  // namespace

BENCHMARK(BM_Parentage_Flat)->ArgsProduct({kSizes})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Parentage_Nested)->ArgsProduct({kSizes})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TabOrder_Flat)->ArgsProduct({kSizes})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TabOrder_Nested)->ArgsProduct({kSizes})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Menus)->ArgsProduct({{1000, 8000, 10000, 32767}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TabOrderWrittenBack_Flat)->ArgsProduct({kSizes})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TabOrderWrittenBack_Nested)->ArgsProduct({kSizes})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MenusCaptionView)->ArgsProduct({{1000, 8000, 10000, 32767}})->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    RegisterControlClasses();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    GrowthReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
