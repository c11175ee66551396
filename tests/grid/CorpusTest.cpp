// The three grid tools on every real form: a scripted edit changes exactly the edited
// properties (text and binary forms alike). A rescale fills the same cells OK writes; its
// arithmetic is the position tool's tests'.
#include <set>

#include "grid/Allinfo.h"
#include "grid/Hintinfo.h"
#include "grid/Reposn.h"
#include "host/formfile/FormModel.h"
#include "tests/support/TestSupport.h"
#include "host/vcl/TypInfo.h"
#include "tests/grid/GridTestSupport.h"

using namespace vcl;
using gridtest::Row;

namespace {

std::vector<std::pair<std::string, std::string>> Forms() { return testsupport::WellFormedCorpusForms(); }

// Every published value of every component, and the design position of non-visual ones, by
// component name; references by the name they give.
using Values = std::map<std::string, std::map<std::string, std::string>>;

std::string Text(const TValue& v) {
    if (auto* i = std::get_if<int64_t>(&v)) return std::to_string(*i);
    if (auto* d = std::get_if<double>(&v)) return std::to_string(*d);
    if (auto* s = std::get_if<std::string>(&v)) return "'" + *s + "'";
    if (auto* id = std::get_if<TIdent>(&v)) return id->name;
    if (auto* set = std::get_if<TSetValue>(&v)) {
        std::string t = "[";
        for (const auto& e : set->elements) t += e + ",";
        return t + "]";
    }
    if (auto* r = std::get_if<TReference>(&v)) return "->" + r->name;
    return "";
}

Values ValuesOf(const TComponent* root) {
    Values values;
    for (int i = 0; i < root->ComponentCount(); ++i) {
        const TComponent* c = root->Components(i);
        if (Is<tavrin::TTavrinQA>(c)) continue;  // dropped for the run, gone from the saved file
        auto& props = values[c->Name() + "#" + std::to_string(i)];
        for (const TPropInfo* p : c->ClassType().AllProperties())
            if (p->Kind != TTypeKind::tkMethod && p->Kind != TTypeKind::tkClass)
                props[p->Name] = Text(c->ReadProperty(*p));
        if (!Is<TControl>(c)) props["(design)"] = std::to_string(uint32_t(c->DesignInfo()));
    }
    return values;
}

// What differs: "component.property" for each value that changed.
std::set<std::string> Changes(const Values& before, const Values& after) {
    std::set<std::string> changed;
    for (const auto& [name, props] : before)
        for (const auto& [prop, value] : props)
            if (after.at(name).at(prop) != value) changed.insert(name.substr(0, name.find('#')) + "." + prop);
    return changed;
}

class Corpus : public gridtest::GridTest {
protected:
    void SetUp() override {
        GridTest::SetUp();
        if (Forms().empty()) GTEST_SKIP() << "no form corpus at " TAVRIN_FORMS_DIR;
    }
    void Script(void (*entry)(TComponent*), TComponent* root, const std::string& text) {
        ui::TScriptBackend script(text, "edit", out, err);
        ui::TInstalled installed(script);
        entry(root);
        script.Finish();
    }
};

}  // namespace

TEST_F(Corpus, AScriptedEditChangesExactlyTheEditedPropertiesInTextAndBinaryForms) {
    int edited = 0, binary = 0;
    for (const auto& [path, notes] : Forms()) {
        // Text forms are tried again as the binary stream they convert to.
        const std::string original = testsupport::ReadFile(path);
        std::vector<std::string> variants{original};
        if (notes.find("binary") == std::string::npos)
            variants.push_back(formfile::ToBinary(formfile::Document::Parse(original, path), true));
        for (const std::string& bytes : variants) {
            const bool isBinary = bytes.compare(0, 4, "TPF0") == 0 || bytes[0] == '\xFF';
            dropped = nullptr;
            auto file = formfile::TFormFile::LoadBytes(bytes, path);
            dropped = new tavrin::TTavrinQA(file->Root());
            TComponent* root = file->Root();
            // Look first: the rows each tool shows.
            std::vector<Row> hintRows, posnRows, compRows;
            Run(tavrin::showHints, nullptr, root);
            hintRows = rows;
            Run(tavrin::reposition, nullptr, root);
            posnRows = rows;
            Run(tavrin::ComponentInfo, nullptr, root);
            compRows = rows;
            // A component with a caption and a hint, a control, and a non-visual component other
            // than the dropped one.
            auto pick = [](const std::vector<Row>& list, auto ok) {
                for (size_t r = 0; r < list.size(); ++r)
                    if (ok(list[r])) return int(r) + 1;
                return 0;
            };
            const int h = pick(hintRows, [&](const Row& row) {
                TComponent* c = root->FindComponent(row.at("Name"));
                // An action's caption and hint reach the components linked to it when read again.
                return c != nullptr && tavrin::HasProp(c, "Caption") && !c->InheritsFrom("TBasicAction");
            });
            const int p =
                pick(posnRows, [&](const Row& row) {
                    auto* c = dynamic_cast<TControl*>(root->FindComponent(row.at("Name")));
                    return c != nullptr && !PlacedByParent(*c);  // a tab sheet's place is its page control's
                });
            const int n = pick(compRows, [&](const Row& row) {
                return root->FindComponent(row.at("Name")) != nullptr && row.at("Name") != dropped->Name();
            });
            if (h == 0 || p == 0) {
                delete dropped;
                continue;
            }
            const Values before = ValuesOf(root);
            const std::string hName = hintRows[size_t(h - 1)].at("Name"), pName = posnRows[size_t(p - 1)].at("Name"),
                              nName = n > 0 ? compRows[size_t(n - 1)].at("Name") : "";
            const Row& pr = posnRows[size_t(p - 1)];
            const std::string last = std::to_string(posnRows.size());
            RunScript(tavrin::showHints,
                      "cell StringGrid1 4 " + std::to_string(h) + " edited hint\n" + "cell StringGrid1 3 " +
                          std::to_string(h) + " edited caption\n" + "moverow StringGrid1 " +
                          std::to_string(hintRows.size()) + " 1\nok\n",
                      root);
            RunScript(tavrin::reposition,
                      "cell StringGrid1 5 " + std::to_string(p) + " " + std::to_string(std::stoi(pr.at("Top")) + 3) +
                          "\ncell StringGrid1 7 " + std::to_string(p) + " " +
                          std::to_string(std::stoi(pr.at("Width")) + 5) + "\nmoverow StringGrid1 " + last + " 1\nok\n",
                      root);
            if (n > 0) {
                const int nTop = std::stoi(compRows[size_t(n - 1)].at("Top"));
                RunScript(tavrin::ComponentInfo,
                          "cell StringGrid1 3 " + std::to_string(n) + " " + std::to_string(nTop == 65535 ? 0 : nTop + 1) + "\nok\n",
                          root);
            }
            const std::string saved = Saved(*file);
            auto reread = formfile::TFormFile::LoadBytes(saved, path);
            std::set<std::string> expected{hName + ".Hint", pName + ".Top", pName + ".Width"};
            if (n > 0) expected.insert(nName + ".(design)");
            if (tavrin::getcaption(root->FindComponent(hName)) == "edited caption") expected.insert(hName + ".Caption");
            Values after = ValuesOf(reread->Root());
            EXPECT_EQ(Changes(before, after), expected) << path;
            EXPECT_EQ(reread->Root()->FindComponent(hName)->ClassName(), root->FindComponent(hName)->ClassName());
            EXPECT_EQ(formfile::TFormFile::LoadBytes(saved, path)->Bytes(), saved) << path;  // reloads as saved
            ++edited;
            binary += isBinary;
        }
    }
    EXPECT_GT(edited, 100);
    EXPECT_GT(binary, 50);
}
