#include <gtest/gtest.h>

#include <sstream>

#include "framework/FormRun.h"
#include "framework/cfrminfo.h"
#include "host/formfile/FormModel.h"
#include "host/ui/Script.h"
#include "tests/codegen/CodegenTestUtil.h"
#include "tests/support/TestSupport.h"

using namespace codegentest;
using testsupport::ReadFile;

namespace {

class Memownd : public CodegenTest {
protected:
    // The generator on the example form under a script; Paste sends to editor.
    // Gives whether the run's edit session accepted anything.
    bool RunScript(const std::string& script, zorbase::TSourceEditor* editor, vcl::TComponent* form) {
        ui::TScriptBackend backend(script, "test.script", out, err);
        ui::TInstalled installed(backend);
        tavrin::TFormRun run(*file);
        zorbase::SetSourceEditor(editor);
        tavrin::FormDataProperty(form);
        backend.Finish();
        run.Finish();
        return run.Accepted();
    }
    std::ostringstream out, err;
    std::unique_ptr<formfile::TFormFile> file = formfile::TFormFile::Load(InputControlsPath());
    testsupport::TempDir dir;
    std::string unit = dir.File("Unit1.pas");
};

}  // namespace

TEST_F(Memownd, EditedTextPastedTwiceThenOkGoesTwiceIntoTheUnitBeforeTheLine) {
    testsupport::WriteFile(unit, "unit Unit1;\r\n\r\ninterface\r\n\r\nimplementation\r\n\r\nend.\r\n");
    zorbase::TUnitFileEditor editor(unit, 5);
    RunScript("set Memo1 x := 1;\\n\\n  y := 2;\nclick BitBtn1\nclick BitBtn1\nok\n", &editor, file->Root());
    editor.Commit();
    const std::string block = "x := 1;\r\n\r\n  y := 2;\r\n";
    EXPECT_EQ(ReadFile(unit), "unit Unit1;\r\n\r\ninterface\r\n\r\n" + block + block + "implementation\r\n\r\nend.\r\n");
}

// Paste is accepting, even when the window then closes with Cancel; a Paste that fails is
// shown, accepts nothing, and the window takes the next lines.
TEST_F(Memownd, CancelAfterPasteKeepsWhatWasPastedAndAFailedPasteIsShown) {
    testsupport::WriteFile(unit, "");
    zorbase::TUnitFileEditor editor(unit, 0);
    EXPECT_TRUE(RunScript("click BitBtn1\ncancel\n", &editor, file->Root()));
    editor.Commit();
    EXPECT_EQ(ReadFile(unit), kInputControlsText);
    EXPECT_FALSE(RunScript("click BitBtn1\ndump\ncancel\n", nullptr, file->Root()));
    EXPECT_EQ(err.str(), "error: Exception: No source editor is open to insert the generated text into\n");
    EXPECT_EQ(out.str().rfind("window\tTMemoWindow\t", 0), 0u);
}

// An empty memo pastes nothing; text pasted ends every line with CR LF.
TEST_F(Memownd, WithoutAFormTheMemoIsEmptyAndPasteEndsEveryLineWithCrLf) {
    std::ostringstream pasted;
    zorbase::TStreamEditor editor(pasted);
    RunScript("dump\nclick BitBtn1\nset Memo1 a\\n\\nb\nclick BitBtn1\nok\n", &editor, nullptr);
    EXPECT_NE(out.str().find("memo\tMemo1\t0\n"), std::string::npos) << out.str();
    EXPECT_EQ(pasted.str(), "a\r\n\r\nb\r\n");
}
