#include <gtest/gtest.h>

#include <filesystem>

#include "host/formfile/FormModel.h"
#include "host/vcl/ClassCatalogue.h"
#include "host/vcl/Controls.h"
#include "host/vcl/Forms.h"
#include "host/vcl/Menus.h"
#include "host/vcl/Notebooks.h"
#include "tests/support/TestSupport.h"

using namespace vcl;
using formfile::TFormFile;

namespace {

const std::string kExample = std::string(TAVRIN_SOURCE_DIR) + "/examples/Customer.dfm";

template <typename T = TComponent>
T* Find(const TFormFile& f, const char* name) {
    TComponent* c = f.Root()->FindComponent(name);
    EXPECT_NE(c, nullptr) << name;
    return dynamic_cast<T*>(c);
}

// The lines of b that differ from a, which must have as many lines.
std::vector<std::string> ChangedLines(const std::string& a, const std::string& b) {
    std::vector<std::string> la, lb, changed;
    for (auto [src, dst] : {std::pair{&a, &la}, {&b, &lb}}) {
        size_t start = 0;
        for (size_t nl; (nl = src->find('\n', start)) != std::string::npos; start = nl + 1)
            dst->push_back(src->substr(start, nl - start));
    }
    EXPECT_EQ(la.size(), lb.size());
    for (size_t i = 0; i < std::min(la.size(), lb.size()); ++i)
        if (la[i] != lb[i]) changed.push_back(lb[i]);
    return changed;
}

}  // namespace

TEST(FormModel, BuildsOwnersParentsMenusPagesAndDesignPositions) {
    auto f = TFormFile::Load(kExample);
    TComponent* root = f->Root();
    EXPECT_EQ(root->ClassName(), "TCustomerForm");
    EXPECT_TRUE(Is<TForm>(root));
    auto* panel = Find<TWinControl>(*f, "PanelAddress");
    auto* city = Find<TWinControl>(*f, "EditCity");
    EXPECT_EQ(city->Parent(), panel);
    EXPECT_EQ(city->Owner(), root);
    EXPECT_EQ(city->TabOrder(), 0);
    EXPECT_EQ(Find<TWinControl>(*f, "EditStreet")->TabOrder(), 1);

    auto* book = Find<TNotebook>(*f, "Notebook1");
    ASSERT_EQ(book->PageCount(), 2);
    EXPECT_EQ(book->Pages().Strings(1), "&Notes");
    auto* page = static_cast<TControl*>(book->Pages().Objects(0));
    EXPECT_EQ(page->Owner(), book);
    EXPECT_EQ(Find<TControl>(*f, "DBGrid1")->Parent(), page);

    auto* menu = Find<TMainMenu>(*f, "MainMenu1");
    auto* file = Find<TMenuItem>(*f, "File1");
    EXPECT_EQ(file->Parent(), menu->Items());
    EXPECT_EQ(Find<TMenuItem>(*f, "Exit1")->Parent(), file);
    EXPECT_EQ(file->Count(), 3);
    EXPECT_EQ(static_cast<TForm*>(root)->Menu(), menu);

    TComponent* table = Find(*f, "Table1");
    EXPECT_EQ(table->DesignInfo(), 8 * 65536 + 408);
    TComponent* source = Find(*f, "DataSource1");
    EXPECT_EQ(GetObjectProp(source, GetPropInfo(source, "DataSet")), table);
    TComponent* memo = Find(*f, "DBMemoNotes");
    EXPECT_EQ(GetStrProp(memo, GetPropInfo(memo, "DataField")), "Notes");
    EXPECT_EQ(GetObjectProp(memo, GetPropInfo(memo, "DataSource")), source);
    EXPECT_EQ(Find<TControl>(*f, "EditName")->Hint(), "The customer's full name");
}

TEST(FormModel, UnchangedFormsWriteBackByteIdentical) {
    auto f = TFormFile::Load(kExample);
    EXPECT_FALSE(f->ApplyChanges());
    EXPECT_EQ(f->Bytes(), testsupport::ReadFile(kExample));
    // Setting values to what they already are is no change either.
    Find<TControl>(*f, "EditName")->SetLeft(80);
    Find<TWinControl>(*f, "EditCity")->SetTabOrder(0);
    EXPECT_FALSE(f->ApplyChanges());
}

TEST(FormModel, RenameRewritesHeaderAndEveryReference) {
    auto f = TFormFile::Load(kExample);
    Find(*f, "DataSource1")->SetName("CustomerSource");
    Find(*f, "MainMenu1")->SetName("CustomerMenu");
    Find(*f, "EditName")->SetName("EditFullName");  // its text was its name: it follows
    const std::string before = testsupport::ReadFile(kExample);
    auto changed = ChangedLines(before, f->Bytes());
    EXPECT_EQ(changed, (std::vector<std::string>{
                           "  Menu = CustomerMenu\r", "    FocusControl = EditFullName\r",
                           "  object EditFullName: TEdit\r", "    Text = 'EditFullName'\r",
                           "        DataSource = CustomerSource\r", "        DataSource = CustomerSource\r",
                           "  object CustomerMenu: TMainMenu\r", "  object CustomerSource: TDataSource\r"}));
}

TEST(FormModel, TabOrdersPositionsDefaultsAndNewValuesLandInTheFileOnly) {
    auto f = TFormFile::Load(kExample);
    Find<TWinControl>(*f, "CheckActive")->SetTabOrder(0);  // C, A, B under the panel
    Find(*f, "Table1")->SetDesignInfo(30 * 65536 + 41);
    auto* ok = Find<TControl>(*f, "ButtonOK");
    ok->SetHint("Save and close");                          // a value the file did not hold
    ok->SetVisible(false);
    auto* street = Find<TControl>(*f, "EditStreet");
    street->SetCaption("Main Street");
    const std::string before = testsupport::ReadFile(kExample);
    const std::string after = f->Bytes();
    EXPECT_NE(after.find("    Hint = 'Save and close'\r\n"), std::string::npos);
    EXPECT_NE(after.find("    Visible = False\r\n"), std::string::npos);
    EXPECT_NE(after.find("      Text = 'Main Street'\r\n"), std::string::npos);
    EXPECT_NE(after.find("    Left = 41\r\n    Top = 30\r\n"), std::string::npos);
    // Set back to the default, the property leaves the file again.
    ok->SetVisible(true);
    ok->SetHint("");
    Find(*f, "Table1")->SetDesignInfo(8 * 65536 + 408);
    auto changed = ChangedLines(before, f->Bytes());
    EXPECT_EQ(changed, (std::vector<std::string>{"      TabOrder = 2\r", "      Text = 'Main Street'\r",
                                                 "      TabOrder = 1\r", "      TabOrder = 0\r"}));
    street->SetCaption("");  // an empty string is the default: the writer leaves it out
    EXPECT_EQ(f->Bytes().find("Main Street"), std::string::npos);
    EXPECT_EQ(f->Bytes().size(), before.size() - std::string("      Text = ''\r\n").size());
}

TEST(FormModel, LazarusLowerCaseDesignPositionsAreRead) {
    const std::string lfm =
        "object Form1: TForm1\n  Left = 10\n  Height = 100\n  Width = 200\n"
        "  object Timer1: TTimer\n    left = 40\n    top = 30\n  end\nend\n";
    auto f = TFormFile::LoadBytes(lfm, "unit1.lfm");
    TComponent* timer = Find(*f, "Timer1");
    EXPECT_EQ(timer->DesignInfo(), 30 * 65536 + 40);
    timer->SetDesignInfo(31 * 65536 + 40);
    EXPECT_EQ(f->Bytes(), "object Form1: TForm1\n  Left = 10\n  Height = 100\n  Width = 200\n"
                          "  object Timer1: TTimer\n    left = 40\n    top = 31\n  end\nend\n");
}

TEST(FormModel, ValuesTheFrameworkRefusesAreReportedWhereTheyStand) {
    auto errorAt = [](const std::string& text) {
        try {
            TFormFile::LoadBytes(text, "bad.dfm");
        } catch (const EParserError& e) {
            EXPECT_EQ(e.File(), "bad.dfm");
            return std::pair{e.Line(), e.Column()};
        }
        return std::pair{0, 0};
    };
    EXPECT_EQ(errorAt("object F: TForm\n  object A: TEdit\n  end\n  object a: TEdit\n  end\nend\n"),
              (std::pair{4, 3}));
    EXPECT_EQ(errorAt("object F: TForm\n  object A: TEdit\n    TabOrder = 40000\n  end\nend\n").first, 3);
    EXPECT_EQ(errorAt("object F: TForm\n  object A: TEdit\n    Left = 'x'\n  end\nend\n").first, 3);
}

TEST(FormModel, SavingIsAtomicAndAFailedSaveLeavesTheOriginal) {
    testsupport::TempDir dir;
    const std::string path = dir.File("Customer.dfm");
    testsupport::WriteFile(path, testsupport::ReadFile(kExample));
    auto f = TFormFile::Load(path);
    Find(*f, "Table1")->SetName("Customers");
    EXPECT_THROW(f->Save(dir.File("missing/Customer.dfm")), EInOutError);
    std::filesystem::create_directory(dir.File("taken"));
    testsupport::WriteFile(dir.File("taken/keep"), "x");
    EXPECT_THROW(f->Save(dir.File("taken")), EInOutError);  // a folder is in the way
    EXPECT_EQ(testsupport::ReadFile(path), testsupport::ReadFile(kExample));
    f->Save(path);
    EXPECT_NE(testsupport::ReadFile(path).find("object Customers: TTable"), std::string::npos);
    size_t files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.Path())) files += e.is_regular_file();
    EXPECT_EQ(files, 1u);  // no temporary file left behind
}

TEST(FormModel, EveryCorpusFormLoadsIntoTheModelAndWritesBackUnchanged) {
    const std::filesystem::path corpus = TAVRIN_FORMS_DIR;
    if (!std::filesystem::exists(corpus)) GTEST_SKIP() << "no form corpus beside the repository";
    const std::string manifest = testsupport::ReadFile((corpus / "MANIFEST.tsv").string());
    int loaded = 0, refused = 0;
    for (const auto& e : std::filesystem::recursive_directory_iterator(corpus)) {
        const std::string ext = e.path().extension().string();
        if (ext != ".dfm" && ext != ".lfm" && ext != ".xfm") continue;
        const std::string rel = std::filesystem::relative(e.path(), corpus).string();
        const size_t at = manifest.find(rel + "\t");
        const bool malformed = at != std::string::npos &&
                               manifest.substr(at, manifest.find('\n', at) - at).find("malformed") != std::string::npos;
        try {
            auto f = TFormFile::Load(e.path().string());
            EXPECT_FALSE(malformed) << rel << " is damaged but loaded";
            EXPECT_FALSE(f->ApplyChanges()) << rel;
            EXPECT_TRUE(f->Bytes() == f->Doc().Source()) << rel;
            ++loaded;
        } catch (const EParserError& err) {
            EXPECT_TRUE(malformed) << rel << ": " << err.what();
            ++refused;
        }
    }
    EXPECT_GT(loaded, 150);
    EXPECT_EQ(refused, 1);
}

TEST(FormModel, ADesignedFormIsReadIntoAnExistingWindow) {
    TForm window(nullptr);
    TFormFile::ReadInto(window,
                        "object FrmInfo: TFrmInfo\n  Caption = 'Parentage'\n  Width = 300\n"
                        "  object Panel1: TPanel\n    Width = 300\n    object OKBtn: TButton\n"
                        "      Caption = 'OK'\n      TabOrder = 0\n    end\n  end\nend\n",
                        "Parento2.dfm");
    EXPECT_EQ(window.Name(), "FrmInfo");
    EXPECT_EQ(window.Caption(), "Parentage");
    EXPECT_EQ(window.Width(), 300);
    ASSERT_EQ(window.ComponentCount(), 2);
    auto* ok = dynamic_cast<TControl*>(window.FindComponent("OKBtn"));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->Parent(), window.FindComponent("Panel1"));
    EXPECT_FALSE(window.Loading());
}

TEST(FormModel, UnknownTopClassesAreFormsOrDataModulesByWhatTheyStore) {
    auto module = TFormFile::LoadBytes("object DM: TDMUnknownZ\n  OldCreateOrder = False\n  Height = 150\n"
                                       "  Width = 215\n  object T: TTimer\n  end\nend\n", "dm.dfm");
    EXPECT_TRUE(Is<TDataModule>(module->Root()));
    auto form = TFormFile::LoadBytes("object F: TFormUnknownZ\n  Caption = 'x'\n  Height = 150\n"
                                     "  Width = 215\nend\n", "f.dfm");
    EXPECT_TRUE(Is<TForm>(form->Root()));
    auto frame = TFormFile::LoadBytes("object P: TPageUnknownZ\n  Height = 150\n  Width = 215\n"
                                      "  object E: TEdit\n    Width = 20\n  end\nend\n", "p.dfm");
    EXPECT_TRUE(Is<TFrame>(frame->Root()));
}

TEST(FormModel, OnlyWhatChangedSinceReadingOrTheLastSaveIsWritten) {
    auto f = TFormFile::Load(kExample);
    const std::string original = testsupport::ReadFile(kExample);
    auto* name = Find<TControl>(*f, "EditName");
    name->SetLeft(81);
    name->SetLeft(80);  // and back: no change
    EXPECT_FALSE(f->ApplyChanges());
    name->SetTop(17);
    EXPECT_TRUE(f->ApplyChanges());
    const std::string once = f->Bytes();
    EXPECT_EQ(ChangedLines(original, once), std::vector<std::string>{"    Top = 17\r"});
    EXPECT_FALSE(f->ApplyChanges() && f->Bytes() != once);  // nothing new since
    // A component freed during the run keeps its object; the others are still written.
    delete Find(*f, "ButtonCancel");
    Find<TControl>(*f, "ButtonOK")->SetWidth(80);
    EXPECT_EQ(ChangedLines(original, f->Bytes()), (std::vector<std::string>{"    Top = 17\r", "    Width = 80\r"}));
}
