// The check as a user runs it: finding the forms, workers, exit status, the three output
// formats, the configuration, suppressions and the baseline.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include <nlohmann/json.hpp>

#include "check/Checker.h"
#include "check/Fix.h"
#include "host/controls/ControlClasses.h"
#include "host/formfile/FormFile.h"
#include "host/vcl/SysUtils.h"
#include "tests/support/TestSupport.h"

using nlohmann::json;
using testsupport::kSwapped;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

const std::string kClean =
    "object Form2: TForm2\n  ClientWidth = 400\n  ClientHeight = 300\n"
    "  object edName: TEdit\n    Left = 8\n    Top = 8\n    Width = 100\n    Height = 21\n    TabOrder = 0\n  end\n"
    "end\n";

// The file as text with its TabOrder lines left out: what --fix must leave as it was.
std::string WithoutTabOrders(const std::string& bytes) {
    const formfile::Document doc = formfile::Document::Parse(bytes);
    std::istringstream in(doc.SourceFormat() == formfile::Format::Text ? bytes : formfile::ToText(doc));
    std::string out;
    for (std::string line; std::getline(in, line);)
        if (line.find_first_not_of(' ') == std::string::npos || line.substr(line.find_first_not_of(' ')).rfind("TabOrder = ", 0) != 0)
            out += line + "\n";
    return out;
}

struct CheckRun {
    int status;
    std::string out, err;
};

CheckRun Check(check::CheckOptions options) {
    std::ostringstream out, err;
    const int status = check::RunCheck(options, out, err);
    return {status, out.str(), err.str()};
}

class Project : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(dir.File("forms/sub"));
        std::filesystem::create_directories(dir.File(".git"));
        WriteFile(dir.File("forms/b.dfm"), kSwapped);
        WriteFile(dir.File("forms/sub/a.LFM"), kClean);
        WriteFile(dir.File("forms/readme.txt"), "not a form");
        WriteFile(dir.File(".git/c.dfm"), kSwapped);
    }
    check::CheckOptions Options() {
        check::CheckOptions o;
        o.paths = {dir.File("forms")};
        o.config = "";
        o.failOn = "note";  // tab-reading-order, the finding of these forms, is a note
        return o;
    }
    TempDir dir;
};

TEST_F(Project, FindsFormsInPathOrderAndEachOnce) {
    std::vector<std::string> missing;
    const auto files = check::DiscoverForms({dir.Path(), dir.File("forms/b.dfm"), dir.File("nowhere")}, missing);
    EXPECT_EQ(files, (std::vector<std::string>{dir.File("forms/b.dfm"), dir.File("forms/sub/a.LFM")}));
    EXPECT_EQ(missing, std::vector<std::string>{dir.File("nowhere")});
}

TEST_F(Project, ExitStatusFollowsTheWorstFindingAndFailOn) {
    CheckRun r = Check(Options());
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out, dir.File("forms/b.dfm") +
                         ":16:5: note: edSecond is tabbed to before edFirst, which comes first in reading order "
                         "(top to bottom, left to right) under Form1 [tab-reading-order]\n");
    EXPECT_NE(r.err.find("2 forms checked: 0 errors, 0 warnings, 1 notes"), std::string::npos) << r.err;
    auto options = Options();
    options.failOn = "error";
    EXPECT_EQ(Check(options).status, 0);
    options.failOn = "none";
    EXPECT_EQ(Check(options).status, 0);
    options.paths = {dir.File("forms/sub")};
    options.failOn = "note";
    EXPECT_EQ(Check(options).status, 0);
}

TEST_F(Project, UnreadableFormsAreNamedAndTheOthersChecked) {
    WriteFile(dir.File("forms/broken.dfm"), "object Form3: TForm3\n  Caption = 'x\nend\n");
    WriteFile(dir.File("forms/empty.xfm"), "");
    for (int jobs : {1, 2}) {
        auto options = Options();
        options.paths.push_back(dir.File("missing"));
        options.jobs = jobs;
        CheckRun r = Check(options);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find(dir.File("forms/broken.dfm") + ":2:"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(dir.File("forms/empty.xfm") + ":1:1: error: cannot read"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("; 2 could not be read\n"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(dir.File("missing") + ": No such file"), std::string::npos) << r.err;
        EXPECT_NE(r.out.find("[tab-reading-order]"), std::string::npos);
    }
}

TEST_F(Project, JsonAndSarifCarryTheSameFindings) {
    auto options = Options();
    options.format = "json";
    const json j = json::parse(Check(options).out);
    ASSERT_EQ(j["findings"].size(), 1u);
    EXPECT_EQ(j["findings"][0]["rule"], "tab-reading-order");
    EXPECT_EQ(j["findings"][0]["component"], "edSecond");
    EXPECT_EQ(j["findings"][0]["line"], 16);
    EXPECT_EQ(j["files"], 2);

    // SARIF: the same finding, where code-scanning services look for it.
    options.format = "sarif";
    const json s = json::parse(Check(options).out);
    const json& result = s["runs"][0]["results"].at(0);
    EXPECT_EQ(s["runs"][0]["tool"]["driver"]["rules"][result["ruleIndex"].get<size_t>()]["id"], "tab-reading-order");
    const json& where = result["locations"][0]["physicalLocation"];
    EXPECT_EQ(where["artifactLocation"]["uri"], "file://" + dir.File("forms/b.dfm"));
    EXPECT_EQ(where["region"]["startLine"], 16);
    EXPECT_EQ(result["partialFingerprints"]["componentMessage/v1"], j["findings"][0]["fingerprint"]);
    EXPECT_EQ(result["locations"][0]["logicalLocations"][0]["fullyQualifiedName"], "Form1.edSecond");
    EXPECT_EQ(j["findings"][0]["fingerprint"].get<std::string>().size(), 16u);
    EXPECT_EQ(j["summary"]["byRule"]["tab-reading-order"], (json{{"severity", "note"}, {"count", 1}}));
    EXPECT_EQ(j["summary"]["bySeverity"], (json{{"error", 0}, {"warning", 0}, {"note", 1}}));
    // Every rule explains itself and links its section of the docs.
    for (const json& rule : s["runs"][0]["tool"]["driver"]["rules"]) {
        EXPECT_GT(rule["fullDescription"]["text"].get<std::string>().size(), rule["shortDescription"]["text"].get<std::string>().size());
        EXPECT_TRUE(rule["helpUri"].get<std::string>().ends_with("check.md#" + rule["id"].get<std::string>())) << rule;
        EXPECT_NE(rule["help"]["text"].get<std::string>().find(rule["helpUri"].get<std::string>()), std::string::npos);
    }
    // A binary form has no lines: the region is the bytes of the property's name.
    WriteFile(dir.File("forms/b.dfm"), formfile::ToBinary(formfile::Document::Parse(kSwapped), false));
    const json binary = json::parse(Check(options).out)["runs"][0]["results"].at(0)["locations"][0]["physicalLocation"];
    const std::string bytes = testsupport::ReadFile(dir.File("forms/b.dfm"));
    const size_t offset = binary["region"]["byteOffset"], length = binary["region"]["byteLength"];
    EXPECT_EQ(bytes.substr(offset, length), "\x08TabOrder");
}

// Several forms by two workers, the reports written as the results come: every format lists
// the same findings in file order, the JSON summary counts them, and the unreadable form follows.
TEST_F(Project, EveryFormatListsTheFindingsOfAMultiFormRunAlike) {
    for (int i = 0; i < 5; ++i) WriteFile(dir.File("forms/sub/f" + std::to_string(i) + ".dfm"), kSwapped);
    WriteFile(dir.File("forms/broken.dfm"), "object Form3: TForm3\n  Caption = 'x\nend\n");
    auto options = Options();
    options.jobs = 2;
    std::istringstream text(Check(options).out);
    options.format = "json";
    const json j = json::parse(Check(options).out);
    options.format = "sarif";
    const json run = json::parse(Check(options).out)["runs"][0];
    ASSERT_EQ(j["findings"].size(), 6u);
    ASSERT_EQ(run["results"].size(), 6u);
    EXPECT_EQ(j["summary"]["findings"], 6);
    EXPECT_EQ(j["summary"]["byRule"]["tab-reading-order"]["count"], 6);
    for (size_t k = 0; k < 6; ++k) {
        const json& f = j["findings"][k];
        const std::string file = f["file"];
        EXPECT_EQ(file, dir.File(k == 0 ? "forms/b.dfm" : "forms/sub/f" + std::to_string(k - 1) + ".dfm"));
        std::string line;
        std::getline(text, line);
        EXPECT_TRUE(line.starts_with(file + ":" + std::to_string(int(f["line"])) + ":")) << line;
        EXPECT_EQ(run["results"][k]["locations"][0]["physicalLocation"]["artifactLocation"]["uri"], "file://" + file);
        EXPECT_EQ(run["results"][k]["partialFingerprints"]["componentMessage/v1"], f["fingerprint"]);
    }
    EXPECT_EQ(j["errors"].at(0)["file"], dir.File("forms/broken.dfm"));
    EXPECT_EQ(run["invocations"][0]["executionSuccessful"], false);
    EXPECT_EQ(run["invocations"][0]["toolExecutionNotifications"].size(), 1u);
}

// The log, with a finding and an unreadable form, against the SARIF 2.1.0 schema (vendored
// from the MIT-licensed npm package @microsoft/jest-sarif) by Debian's python3-jsonschema.
TEST_F(Project, SarifPassesTheSchema) {
    WriteFile(dir.File("forms/broken.dfm"), "object Form3: TForm3\n  Caption = 'x\nend\n");
    auto options = Options();
    options.format = "sarif";
    WriteFile(dir.File("log.sarif"), Check(options).out);
    const std::string cmd = "python3 -c 'import json, sys, jsonschema; "
                            "jsonschema.Draft4Validator(json.load(open(sys.argv[1]))).validate(json.load(open(sys.argv[2])))' '" +
                            std::string(TAVRIN_SOURCE_DIR) + "/tests/check/sarif-schema-2.1.0.json' '" +
                            dir.File("log.sarif") + "'";
    const testsupport::Outcome r = testsupport::RunShell(cmd, dir.File("validator.err"));
    EXPECT_EQ(r.status, 0) << r.err << "(python3-jsonschema comes with scripts/setup.sh)";
}

TEST_F(Project, ConfigurationTurnsRulesAndSeveritiesAndSuppresses) {
    // Found upwards from the path: with rows this tall both edits stand in one row, at one
    // left edge, where the tab order may choose.
    WriteFile(dir.File("tavrinqa.toml"), "row-tolerance = 40\n");
    auto options = Options();
    EXPECT_EQ(Check(options).out, "");
    WriteFile(dir.File("tavrinqa.toml"), "[rules]\ntab-reading-order = \"error\"\n");
    CheckRun r = Check(options);
    EXPECT_NE(r.out.find(": error: "), std::string::npos);
    options.failOn = "error";
    EXPECT_EQ(Check(options).status, 1);
    WriteFile(dir.File("tavrinqa.toml"),
              "[[suppress]]\nfile = \"forms/b.*\"\ncomponent = \"EDSECOND\"\nrule = \"tab-reading-order\"\n");
    r = Check(options);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("1 suppressed"), std::string::npos);
    // Mistakes are named with their place.
    WriteFile(dir.File("tavrinqa.toml"), "[rules]\nno-such-rule = true\n");
    r = Check(options);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("tavrinqa.toml:2:"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("no rule is called 'no-such-rule'"), std::string::npos);
    WriteFile(dir.File("tavrinqa.toml"), "ppi = \"high\"\n");
    EXPECT_EQ(Check(options).status, 2);
    WriteFile(dir.File("tavrinqa.toml"), "[rules\n");
    EXPECT_EQ(Check(options).status, 2);
}

TEST_F(Project, BaselineLetsOnlyNewFindingsFail) {
    auto options = Options();
    options.baseline = dir.File("baseline.json");
    CheckRun first = Check(options);
    EXPECT_EQ(first.status, 0);
    EXPECT_NE(first.err.find("recorded 1 findings"), std::string::npos);
    const std::string recorded = testsupport::ReadFile(options.baseline);
    CheckRun again = Check(options);
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(again.out, "");
    EXPECT_EQ(testsupport::ReadFile(options.baseline), recorded);  // reading it never writes it
    // A new form with the same fault is new (NamesWithTabs... shows it); updated, it is not.
    WriteFile(dir.File("forms/c.dfm"), kSwapped);
    EXPECT_EQ(Check(options).status, 1);
    options.updateBaseline = true;
    EXPECT_EQ(Check(options).status, 0);
    options.updateBaseline = false;
    EXPECT_EQ(Check(options).status, 0);
}

// The baseline in its own folder beside the forms: a copy of the project elsewhere, with the
// finding's lines moved, still matches it; baselines without fingerprints still read.
TEST_F(Project, BaselineTravelsWithTheProjectAndSurvivesMovedLines) {
    std::filesystem::create_directories(dir.File("p/ci"));
    std::filesystem::copy(dir.File("forms"), dir.File("p/src"), std::filesystem::copy_options::recursive);
    auto options = Options();
    options.paths = {dir.File("p/src")};
    options.baseline = dir.File("p/ci/baseline.json");
    EXPECT_EQ(Check(options).status, 0);
    EXPECT_EQ(json::parse(testsupport::ReadFile(options.baseline))["findings"][0]["file"], "../src/b.dfm");
    std::filesystem::rename(dir.File("p"), dir.File("moved"));
    std::string shifted = kSwapped;
    shifted.insert(shifted.find("  object edFirst"), "  Caption = 'Moved'\n  Color = clBtnFace\n");
    WriteFile(dir.File("moved/src/b.dfm"), shifted);
    options.paths = {dir.File("moved/src")};
    options.baseline = dir.File("moved/ci/baseline.json");
    CheckRun moved = Check(options);
    EXPECT_EQ(moved.status, 0) << moved.out;
    EXPECT_NE(moved.err.find("1 in the baseline"), std::string::npos) << moved.err;
    // Another message for the same component is another finding; the old entry expires.
    for (size_t at; (at = shifted.find("edFirst")) != std::string::npos;) shifted.replace(at, 7, "edOne");
    WriteFile(dir.File("moved/src/b.dfm"), shifted);
    CheckRun changed = Check(options);
    EXPECT_EQ(changed.status, 1);
    EXPECT_NE(changed.err.find("1 baseline entries no longer found"), std::string::npos) << changed.err;
    // Before fingerprints: file, rule and component, the file absolute when outside the folder.
    for (const std::string& file : {std::string("../src/b.dfm"), dir.File("moved/src/b.dfm")}) {
        WriteFile(options.baseline, "{\"version\": 1, \"findings\": [{\"file\": \"" + file +
                                        "\", \"rule\": \"tab-reading-order\", \"component\": \"edSecond\"}]}");
        EXPECT_EQ(Check(options).status, 0) << file;
    }
}

TEST_F(Project, FixWritesReadingOrderThroughLinksAndDiffOnlyShowsIt) {
    const std::string form = dir.File("forms/b.dfm");
    std::filesystem::create_symlink(form, dir.File("link.dfm"));
    WriteFile(dir.File("forms/bin.dfm"), formfile::ToBinary(formfile::Document::Parse(kSwapped), true));
    WriteFile(dir.File("forms/broken.dfm"), "object Form3: TForm3\n  Caption = 'x\nend\n");
    WriteFile(dir.File("readonly.dfm"), kSwapped);
    std::filesystem::permissions(dir.File("readonly.dfm"), std::filesystem::perms::owner_read);
    auto options = Options();
    options.paths = {dir.File("readonly.dfm"), dir.File("link.dfm"), dir.File("forms/bin.dfm"),
                     dir.File("forms/broken.dfm")};
    options.diff = true;
    CheckRun shown = Check(options);
    EXPECT_NE(shown.out.find("-    TabOrder = 1\n+    TabOrder = 0\n"), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("bin.dfm differ; as text:\n# @@"), std::string::npos) << shown.out;
    EXPECT_EQ(testsupport::ReadFile(form), kSwapped);
    const std::string binary = testsupport::ReadFile(dir.File("forms/bin.dfm"));

    options.diff = false;
    options.fix = true;
    CheckRun fixed = Check(options);
    EXPECT_EQ(fixed.status, 2) << fixed.err;  // the broken form, named and left alone
    EXPECT_NE(fixed.err.find("readonly.dfm: error: not fixed: "), std::string::npos) << fixed.err;
    EXPECT_EQ(testsupport::ReadFile(dir.File("readonly.dfm")), kSwapped);
    EXPECT_EQ(fixed.out, dir.File("readonly.dfm") +
                             ":16:5: note: edSecond is tabbed to before edFirst, which comes first in reading order "
                             "(top to bottom, left to right) under Form1 [tab-reading-order]\n");
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.dfm")));
    for (const std::string& f : {form, dir.File("forms/bin.dfm")}) {
        const std::string after = testsupport::ReadFile(f);
        EXPECT_NE(after, f == form ? kSwapped : binary);
        EXPECT_EQ(WithoutTabOrders(after), WithoutTabOrders(kSwapped)) << f;
    }
    EXPECT_EQ(formfile::DetectFormat(testsupport::ReadFile(dir.File("forms/bin.dfm"))), formfile::Format::Resource);
    options.fix = false;
    options.paths = {dir.File("link.dfm"), dir.File("forms/bin.dfm")};
    EXPECT_EQ(Check(options).status, 0);  // clean now

    // The patch applies to a form with CRLF line ends as it stands.
    std::string crlf;
    for (char ch : kSwapped) crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
    WriteFile(dir.File("crlf.dfm"), crlf);
    options.paths = {dir.File("crlf.dfm")};
    options.diff = true;
    WriteFile(dir.File("crlf.patch"), Check(options).out);
    EXPECT_EQ(testsupport::RunShell("patch -s '" + dir.File("crlf.dfm") + "' '" + dir.File("crlf.patch") + "'",
                                    dir.File("patch.err")).status, 0) << testsupport::ReadFile(dir.File("patch.err"));
    options.diff = false;
    EXPECT_EQ(Check(options).status, 0);
    EXPECT_EQ(testsupport::ReadFile(dir.File("crlf.dfm")).find("\r\n\n"), std::string::npos);
}

// Every real form whose tab order is out of reading order, fixed in a copy: the rule is
// satisfied under every parent it named, and nothing but tab orders changed.
TEST(Corpus, FixesOfTheRealFormsChangeOnlyTabOrders) {
    std::vector<std::string> missing;
    const auto files = check::DiscoverForms({TAVRIN_FORMS_DIR}, missing);
    if (files.empty()) GTEST_SKIP() << "no form corpus at " TAVRIN_FORMS_DIR;
    vcl::RegisterControlClasses();
    testsupport::TempDir dir;
    check::RuleSettings settings;
    size_t fixedForms = 0, failed = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        std::vector<std::string> named;
        for (const check::Finding& f : check::CheckFile(files[i], settings).findings)
            if (f.rule == "tab-reading-order") named.push_back(f.component);
        if (named.empty()) continue;
        const std::string copy = dir.File(std::to_string(i) + std::filesystem::path(files[i]).extension().string());
        std::filesystem::copy_file(files[i], copy);
        std::filesystem::permissions(copy, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
        const check::FixResult fix = check::FixTabOrder(copy, named, settings, true);
        const std::string after = testsupport::ReadFile(copy);
        if (!fix.error.empty()) {
            ++failed;
            EXPECT_EQ(after, testsupport::ReadFile(files[i])) << files[i];
            continue;
        }
        EXPECT_EQ(after, fix.after);
        EXPECT_EQ(WithoutTabOrders(after), WithoutTabOrders(fix.before)) << files[i];
        fixedForms += after != fix.before;
        for (const check::Finding& f : check::CheckFile(copy, settings).findings)
            EXPECT_FALSE(f.rule == "tab-reading-order" &&
                         std::count(fix.settled.begin(), fix.settled.end(), f.component))
                << files[i] << ": " << f.message;
    }
    EXPECT_GT(fixedForms, 20u);
    EXPECT_LT(failed, fixedForms / 10 + 1);
}

// Every real form, by two workers and by one: the same results in the same order, and no
// file touched.
TEST(Corpus, WorkersAgreeWithOneProcessOnEveryForm) {
    std::vector<std::string> missing;
    const auto files = check::DiscoverForms({TAVRIN_FORMS_DIR}, missing);
    if (files.empty()) GTEST_SKIP() << "no form corpus at " TAVRIN_FORMS_DIR;
    check::RuleSettings settings;
    const auto one = check::CheckFiles(files, settings, 1);
    const auto two = check::CheckFiles(files, settings, 2);
    ASSERT_EQ(one.size(), two.size());
    size_t unreadable = 0, findings = 0;
    for (size_t i = 0; i < one.size(); ++i) {
        EXPECT_EQ(one[i].unreadable, two[i].unreadable) << files[i];
        unreadable += one[i].unreadable;
        ASSERT_EQ(one[i].findings.size(), two[i].findings.size()) << files[i];
        for (size_t k = 0; k < one[i].findings.size(); ++k) {
            EXPECT_EQ(one[i].findings[k].message, two[i].findings[k].message);
            EXPECT_EQ(one[i].findings[k].pos.offset, two[i].findings[k].pos.offset);
        }
        findings += one[i].findings.size();
    }
    // The manifest marks the malformed ones; everything else reads.
    std::ifstream manifest(TAVRIN_FORMS_DIR "/MANIFEST.tsv");
    size_t malformed = 0;
    for (std::string line; std::getline(manifest, line);) malformed += vcl::LowerCase(line).find("malformed") != std::string::npos;
    EXPECT_EQ(unreadable, malformed);
    EXPECT_GT(findings, 0u);
}

// The labelled set: on the forms it names, every finding of a rule judged there and every
// warning or error, each judged by reading the form. A finding that goes, or a new one nobody
// judged, fails; so does a rule at warning or error that is right less than nine times in ten.
TEST(Corpus, LabelledFindingsStayAsJudged) {
    std::ifstream tsv(TAVRIN_SOURCE_DIR "/tests/check/labelled-findings.tsv");
    std::multiset<std::string> judged;
    std::set<std::string> forms, rules;
    std::map<std::string, std::pair<int, int>> rightOf;  // rule: right, judged
    for (std::string line; std::getline(tsv, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> f;
        for (size_t at = 0, tab; at <= line.size(); at = tab + 1) {
            tab = std::min(line.find('\t', at), line.size());
            f.push_back(line.substr(at, tab - at));
        }
        ASSERT_EQ(f.size(), 5u) << line;
        ASSERT_TRUE(f[3] == "right" || f[3] == "debatable" || f[3] == "wrong") << line;
        judged.insert(f[0] + " " + f[1] + " " + f[2]);
        forms.insert(f[0]);
        rules.insert(f[1]);
        rightOf[f[1]].first += f[3] == "right";
        ++rightOf[f[1]].second;
    }
    ASSERT_FALSE(forms.empty());
    if (!std::filesystem::exists(TAVRIN_FORMS_DIR "/" + *forms.begin())) GTEST_SKIP() << "no form corpus";
    vcl::RegisterControlClasses();
    std::multiset<std::string> found;
    for (const std::string& form : forms)
        for (const check::Finding& f : check::CheckFile(TAVRIN_FORMS_DIR "/" + form, {}).findings)
            if (f.severity != check::Severity::Note || rules.count(f.rule)) found.insert(form + " " + f.rule + " " + f.component);
    EXPECT_EQ(found, judged);
    for (const auto& [rule, counts] : rightOf)
        if (check::FindRule(rule)->severity != check::Severity::Note) {
            EXPECT_GE(counts.first * 10, counts.second * 9) << rule << ": " << counts.first << " of " << counts.second;
        }
}

}  // namespace

// File names are bytes: a tab, a line end or bytes that are not UTF-8 never merge two files in
// a report or the baseline, and never steer patch to another file.
TEST(HostileNames, EscapedNamesStayApartAndReadBack) {
    EXPECT_EQ(check::EscapedName("forms/Main.dfm"), "forms/Main.dfm");
    EXPECT_EQ(check::EscapedName("caf\xC3\xA9.dfm"), "caf\xC3\xA9.dfm");  // UTF-8 stays as it is
    EXPECT_EQ(check::EscapedName("a\xFF.dfm"), "a\\xFF.dfm");
    EXPECT_EQ(check::EscapedName("a\\xFF.dfm"), "a\\\\xFF.dfm");  // the escape itself is escaped
    EXPECT_NE(check::EscapedName("a\xFE.dfm"), check::EscapedName("a\xFF.dfm"));
    EXPECT_EQ(check::EscapedName("a\xC3.dfm"), "a\\xC3.dfm");  // a cut-off sequence
    EXPECT_EQ(check::EscapedName("a\tb"), "a\tb");            // JSON escapes it on its own
}

TEST_F(Project, NamesWithTabsAndStrayBytesStayApartInEveryFormatAndTheBaseline) {
    const std::vector<std::string> names = {"tab\there.dfm", "bad\xFE.dfm", "bad\xFF.dfm", "line\nend.dfm"};
    std::filesystem::create_directories(dir.File("odd"));
    for (const std::string& n : names) WriteFile(dir.File("odd/" + n), kSwapped);
    auto options = Options();
    options.paths = {dir.File("odd")};
    options.failOn = "none";

    options.format = "json";
    const json j = json::parse(Check(options).out);
    std::set<std::string> files;
    for (const json& f : j.at("findings")) files.insert(f.at("file").get<std::string>());
    EXPECT_EQ(files, (std::set<std::string>{dir.File("odd/bad\\xFE.dfm"), dir.File("odd/bad\\xFF.dfm"),
                                            dir.File("odd/line\nend.dfm"), dir.File("odd/tab\there.dfm")}));

    options.format = "sarif";
    const json s = json::parse(Check(options).out);
    std::set<std::string> uris;
    for (const json& r : s["runs"][0]["results"])
        uris.insert(r["locations"][0]["physicalLocation"]["artifactLocation"]["uri"].get<std::string>());
    EXPECT_EQ(uris.size(), 4u);
    EXPECT_EQ(uris.count("file://" + dir.File("odd/bad%FE.dfm")), 1u);
    EXPECT_EQ(uris.count("file://" + dir.File("odd/tab%09here.dfm")), 1u);

    // Recorded apart, and matched on the next run; a new file with a stray byte is new.
    options.format = "text";
    options.baseline = dir.File("baseline.json");
    EXPECT_NE(Check(options).err.find("recorded 4 findings"), std::string::npos);
    const json recorded = json::parse(testsupport::ReadFile(options.baseline));
    std::set<std::string> kept;
    for (const json& f : recorded.at("findings")) kept.insert(f.at("file").get<std::string>());
    EXPECT_EQ(kept, (std::set<std::string>{"odd/bad\\xFE.dfm", "odd/bad\\xFF.dfm", "odd/line\nend.dfm",
                                           "odd/tab\there.dfm"}));
    options.failOn = "note";
    CheckRun again = Check(options);
    EXPECT_EQ(again.status, 0) << again.out;
    EXPECT_NE(again.err.find("4 in the baseline"), std::string::npos) << again.err;
    WriteFile(dir.File("odd/bad\xFD.dfm"), kSwapped);
    CheckRun added = Check(options);
    EXPECT_EQ(added.status, 1);
    EXPECT_NE(added.out.find("bad\\xFD.dfm"), std::string::npos) << added.out;
    EXPECT_EQ(added.out.find("bad\\xFE.dfm"), std::string::npos) << added.out;
}

TEST_F(Project, ABaselineThatIsOneOfTheFormsIsRefusedAndBrokenBaselinesAreBadUsage) {
    auto options = Options();
    std::filesystem::create_hard_link(dir.File("forms/b.dfm"), dir.File("baseline.json"));
    options.baseline = dir.File("baseline.json");
    options.updateBaseline = true;
    CheckRun r = Check(options);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("is the form"), std::string::npos) << r.err;
    EXPECT_EQ(testsupport::ReadFile(dir.File("forms/b.dfm")), kSwapped);
    std::filesystem::remove(dir.File("baseline.json"));
    options.updateBaseline = false;
    for (const char* broken : {"[1, 2]", "{\"findings\": [3]}", "{\"findings\": [{\"file\": 1, \"rule\": \"r\", "
                                                              "\"component\": \"c\"}]}",
                               "{\"findings\": [{\"rule\": \"r\"}]}", "{\"findings\": [", "{\"version\": 1}"}) {
        WriteFile(options.baseline, broken);
        CheckRun bad = Check(options);
        EXPECT_EQ(bad.status, 2) << broken;
        EXPECT_NE(bad.err.find("not a baseline of tavrinqa check"), std::string::npos) << broken << bad.err;
    }
    WriteFile(options.baseline, "{\"version\": 1, \"extra\": {\"findings\": [1]}, \"findings\": []}");
    EXPECT_EQ(Check(options).status, 1);  // read: an empty baseline, so the finding counts
}

TEST(HostileNames, DiffQuotesNamesThatCouldEndTheirLineAndPatchAppliesItToTheRightFile) {
    TempDir dir;
    const std::string tabName = "a\tb.dfm", lineName = "x.dfm\n+++ b/victim.dfm";
    std::filesystem::create_directories(dir.File("p"));
    for (const std::string& n : {tabName, lineName, std::string("victim.dfm"), std::string("stray\xFF.dfm")})
        WriteFile(dir.File("p/" + n), kSwapped);
    const std::string swapped = kSwapped;
    std::string fixed = kSwapped;
    fixed.replace(fixed.find("TabOrder = 1"), 12, "TabOrder = 0");
    fixed.replace(fixed.rfind("TabOrder = 0"), 12, "TabOrder = 1");
    EXPECT_EQ(check::UnifiedDiff(tabName, swapped, fixed).rfind("--- \"a/a\\tb.dfm\"\n+++ \"b/a\\tb.dfm\"\n", 0), 0u);
    EXPECT_EQ(check::UnifiedDiff("stray\xFF.dfm", swapped, fixed).rfind("--- \"a/stray\\377.dfm\"\n", 0), 0u);
    EXPECT_EQ(check::UnifiedDiff("q\"\\.dfm", swapped, fixed).rfind("--- \"a/q\\\"\\\\.dfm\"\n", 0), 0u);
    const std::string steered = check::UnifiedDiff(lineName, swapped, fixed);
    EXPECT_EQ(steered.find("\n+++ b/victim.dfm"), std::string::npos) << steered;
    // patch takes the quoted names back as they were; a name with a line end it refuses to
    // look for, and the file the line end pointed at stays as it was.
    const auto apply = [&](const std::string& patchText) {
        WriteFile(dir.File("fix.patch"), patchText);
        return testsupport::RunShell("cd '" + dir.File("p") + "' && patch --batch -p1 < ../fix.patch", dir.File("stderr"));
    };
    const testsupport::Outcome r =
        apply(check::UnifiedDiff(tabName, swapped, fixed) + check::UnifiedDiff("stray\xFF.dfm", swapped, fixed));
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(testsupport::ReadFile(dir.File("p/" + tabName)), fixed);
    EXPECT_EQ(testsupport::ReadFile(dir.File("p/stray\xFF.dfm")), fixed);
    EXPECT_NE(apply(steered).status, 0);
    EXPECT_EQ(testsupport::ReadFile(dir.File("p/victim.dfm")), swapped);
}
