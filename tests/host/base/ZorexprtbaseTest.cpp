#include "host/base/Zorexprtbase.h"
#include "host/vcl/SysUtils.h"
#include "tests/host/base/BaseTestDir.h"


using namespace zorbase;

using ZorexprtbaseTest = BaseTestDir;

// Without an editor, or into one, is what Paste does (MemowndTest); here an editor that fails.
TEST_F(ZorexprtbaseTest, AnEditorThatCannotTakeTheTextRaises) {
    TZorExpertBaseClass expert;
    std::ostringstream out;
    out.setstate(std::ios::badbit);
    TStreamEditor editor(out);
    SetSourceEditor(&editor);
    EXPECT_THROW(expert.Insertext("x"), vcl::EInOutError);
    SetSourceEditor(nullptr);
}

TEST_F(ZorexprtbaseTest, InsertsAtTheLineInCallOrderKeepingLineEnds) {
    struct Case { std::string unit; int line; std::vector<std::string> pieces; std::string expected; };
    const Case cases[] = {
        {"one\ntwo\nthree\n", 2, {"new"}, "one\nnew\ntwo\nthree\n"},
        {"one\ntwo\n", 2, {"a\n", "b\n"}, "one\na\nb\ntwo\n"},
        {"\xEF\xBB\xBFone\n", 1, {"a\n"}, "\xEF\xBB\xBF" "a\none\n"},
        {"one\ntwo\n", 0, {"x := ", "1;"}, "one\ntwo\nx := 1;\n"},
        {"one\ntwo\n", 3, {"end."}, "one\ntwo\nend.\n"},
        {"one\ntwo", 9, {"end."}, "one\ntwo\nend.\n"},
        {"one\r\ntwo\r\n", 2, {"a\nb\r\n", "c"}, "one\r\na\r\nb\r\nc\r\ntwo\r\n"},
        {"one\r\ntwo", 0, {"end."}, "one\r\ntwo\r\nend.\r\n"},
        {"one\ntwo\n", 2, {"a\r\n"}, "one\na\ntwo\n"},
    };
    for (const Case& c : cases) {
        Put(Path("Unit1.pas"), c.unit);
        TUnitFileEditor editor(Path("Unit1.pas"), c.line);
        for (const std::string& p : c.pieces) editor.InsertText(p);
        editor.Commit();
        EXPECT_EQ(Get(Path("Unit1.pas")), c.expected) << c.unit << " at " << c.line;
    }
}

TEST_F(ZorexprtbaseTest, OnlyCommitTouchesTheDisk) {
    Put(Path("Unit1.pas"), "one\ntwo\n");
    TUnitFileEditor editor(Path("Unit1.pas"), 2);
    editor.InsertText("a");
    EXPECT_EQ(Get(Path("Unit1.pas")), "one\ntwo\n");
    editor.Commit();
    editor.InsertText("b");
    editor.Commit();
    EXPECT_EQ(Get(Path("Unit1.pas")), "one\na\nb\ntwo\n");
    EXPECT_EQ(Entries(), 1);

    TUnitFileEditor gone(Path("Gone.pas"), 1);
    gone.InsertText("x");
    EXPECT_THROW(gone.Commit(), vcl::EInOutError);
    EXPECT_EQ(gone.Pending(), "x");
}

TEST_F(ZorexprtbaseTest, UnitsAreSavedThroughLinksAndNeverOverAChange) {
    std::filesystem::create_directory(Path("src"));
    Put(Path("src/Unit1.pas"), "one\n");
    std::filesystem::create_symlink("src/Unit1.pas", Path("Unit1.pas"));
    TUnitFileEditor linked(Path("Unit1.pas"), 0);
    linked.InsertText("a");
    linked.Commit();
    EXPECT_TRUE(std::filesystem::is_symlink(Path("Unit1.pas")));
    EXPECT_EQ(Get(Path("src/Unit1.pas")), "one\na\n");

    // Changed by someone else after the editor opened it, or after its last commit.
    TUnitFileEditor editor(Path("Unit1.pas"), 0);
    Put(Path("src/Unit1.pas"), "their edit\n");
    editor.InsertText("b");
    EXPECT_THROW(editor.Commit(), vcl::EInOutError);
    linked.InsertText("c");
    EXPECT_THROW(linked.Commit(), vcl::EInOutError);
    EXPECT_EQ(Get(Path("src/Unit1.pas")), "their edit\n");
    EXPECT_EQ(editor.Pending(), "b");
    EXPECT_EQ(Entries(), 2);
}
