// OK without an edit writes nothing: every tool of the QA component, on every real form,
// closed with OK at once, leaves the form file as it was read. What the tools do to show a
// form (names for unnamed pages, a component dropped for the run) is theirs, not the person's;
// and whatever they change goes through setters that tell the form file first.
#include <gtest/gtest.h>

#include <sstream>

#include "toolbase/TavrinQA.h"
#include "framework/zorQAReg.h"
#include "host/controls/ControlClasses.h"
#include "host/db/DB.h"
#include "host/db/Engine.h"
#include "host/designer/DesignIntf.h"
#include "host/formfile/FormModel.h"
#include "host/ui/Script.h"
#include "framework/FormRun.h"
#include "host/vcl/Forms.h"
#include "tests/support/TestSupport.h"

namespace {

// The verbs by their index in the component editor; the about box changes nothing to see.
constexpr int kTools[] = {1, 2, 3, 4, 5, 6, 7, 8};

TEST(SessionCorpus, OkWithoutAnEditWritesNothingOnEveryToolAndForm) {
    const auto forms = testsupport::WellFormedCorpusForms();
    if (forms.empty()) {
        if (std::getenv("TAVRIN_REQUIRE_FORMS") != nullptr) FAIL() << "no form corpus at " TAVRIN_FORMS_DIR;
        GTEST_SKIP() << "no form corpus at " TAVRIN_FORMS_DIR;
    }
    vcl::RegisterControlClasses();
    tavrin::Register();
    testsupport::TempDir home;
    vcl::Application()->SetExeName(home.File("host"));
    dbe::Engine().SetConfigFile(home.File("aliases.conf"));
    vcl::TDataSet::SetWarningHandler([](const std::string&) {});  // their databases are not here
    int accepted = 0;
    for (const auto& [path, notes] : forms) {
        for (int verb : kTools) {
            std::unique_ptr<formfile::TFormFile> file;
            try {
                file = formfile::TFormFile::Load(path);
            } catch (const vcl::Exception& e) {
                ADD_FAILURE() << path << ": " << e.Message();
                break;
            }
            std::ostringstream out, err;
            ui::TScriptBackend backend("ok\n", "ok", out, err);
            ui::TInstalled installed(backend);
            tavrin::TFormRun run(*file);
            const std::vector<uint64_t> read = file->Fingerprints();
            try {
                run.RunVerb(verb);
                backend.Finish();
            } catch (const vcl::Exception&) {
                // A tool that refuses the form (no window to show) has accepted nothing.
            }
            // Every change a tool made went through a setter that told the form file.
            for (const std::string& unnoticed : file->UnnoticedChanges(read))
                ADD_FAILURE() << path << " verb " << verb << ": " << unnoticed << " changed unseen";
            run.Finish();
            accepted += run.Accepted();
            EXPECT_FALSE(file->Modified()) << path << " verb " << verb << ": changed "
                                           << (file->ChangedComponents().empty() ? "" : file->ChangedComponents()[0]);
            EXPECT_EQ(file->Bytes(), testsupport::ReadFile(path)) << path << " verb " << verb;
        }
    }
    vcl::TDataSet::SetWarningHandler(nullptr);
    dbe::Engine().SetConfigFile("");
    dbe::Engine().CloseDatabases();
    EXPECT_GT(accepted, int(forms.size()) * 4);  // the windows were really shown and OK'd
}

}  // namespace
