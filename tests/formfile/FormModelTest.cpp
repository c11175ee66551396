#include <gtest/gtest.h>

#include "host/formfile/FormModel.h"
#include "host/vcl/ClassCatalogue.h"
#include "host/vcl/Controls.h"
#include "host/vcl/Forms.h"
#include "host/vcl/Menus.h"
#include "host/vcl/Notebooks.h"
#include "tests/formfile/FormFileTestUtil.h"
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

// Parents, pages, tab orders and menu items as the windows show them are the worked examples';
// here what no window shows: owners, the form's menu, design positions, references.
TEST(FormModel, BuildsOwnersMenusPagesDesignPositionsAndReferences) {
    auto f = TFormFile::Load(kExample);
    TComponent* root = f->Root();
    EXPECT_EQ(root->ClassName(), "TCustomerForm");
    EXPECT_TRUE(Is<TForm>(root));
    EXPECT_EQ(Find(*f, "EditCity")->Owner(), root);

    auto* book = Find<TNotebook>(*f, "Notebook1");
    ASSERT_EQ(book->PageCount(), 2);
    EXPECT_EQ(book->Pages().Strings(1), "&Notes");
    EXPECT_EQ(static_cast<TControl*>(book->Pages().Objects(0))->Owner(), book);
    EXPECT_EQ(static_cast<TForm*>(root)->Menu(), Find<TMainMenu>(*f, "MainMenu1"));

    TComponent* table = Find(*f, "Table1");
    EXPECT_EQ(table->DesignInfo(), 8 * 65536 + 408);
    TComponent* source = Find(*f, "DataSource1");
    EXPECT_EQ(GetObjectProp(source, GetPropInfo(source, "DataSet")), table);
    TComponent* memo = Find(*f, "DBMemoNotes");
    EXPECT_EQ(GetStrProp(memo, GetPropInfo(memo, "DataField")), "Notes");
    EXPECT_EQ(GetObjectProp(memo, GetPropInfo(memo, "DataSource")), source);
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

// Components are built as the form is read until one needs what follows it (an unknown class
// that only its children place); it and the rest come after the reading, in the same order.
// A refusal met while reading waits for the reading: a later fault of the file is reported.
TEST(FormModel, BuildingWhileReadingKeepsTheFileOrderAndTheFileFaultFirst) {
    const std::string text =
        "object F: TForm\n  Caption = 'x'\n  object P: TPanel\n    object A: TButton\n    end\n"
        "    object G: TGizmoY\n      object B: TEdit\n      end\n    end\n    object C: TButton\n    end\n"
        "  end\n  object D: TButton\n  end\nend\n";
    auto f = TFormFile::LoadBytes(text, "order.dfm");
    std::string order;
    for (int i = 0; i < f->Root()->ComponentCount(); ++i) order += f->Root()->Components(i)->Name();
    EXPECT_EQ(order, "PAGBCD");
    EXPECT_EQ(Find<TControl>(*f, "B")->Parent(), Find<TWinControl>(*f, "G"));
    EXPECT_EQ(Find<TControl>(*f, "C")->Parent(), Find<TWinControl>(*f, "P"));
    EXPECT_EQ(Find<TControl>(*f, "D")->Parent(), f->Root());

    const std::string refusedThenBroken =
        "object F: TForm\n  object A: TEdit\n  end\n  object a: TEdit\n  end\n  object Z: TEdit\n    Left = \nend\n";
    try {
        TFormFile::LoadBytes(refusedThenBroken, "bad.dfm");
        ADD_FAILURE() << "loaded";
    } catch (const EParserError& e) {
        EXPECT_EQ(e.Line(), 9) << e.Message();  // the missing end, not the name taken at line 4
    }
}

// The atomic write itself is host/base's; here the form file hands it what it read, and then
// what it saved last, so an outside edit that keeps the size and sets the modification time
// back cannot hide from a save.
TEST(FormModel, ASaveRefusesAFileWhoseBytesChangedBehindTheSameSizeAndTime) {
    testsupport::TempDir dir;
    const std::string path = dir.File("Customer.dfm");
    testsupport::WriteFile(path, testsupport::ReadFile(kExample));
    const auto editBehind = [&](const std::string& from, const std::string& to) {
        std::string bytes = testsupport::ReadFile(path);
        testsupport::EditKeepingStamp(path, bytes.replace(bytes.find(from), from.size(), to));
    };
    auto f = TFormFile::Load(path);
    Find(*f, "Table1")->SetName("Orders");
    editBehind("Customers", "Hijacked!");
    EXPECT_THROW(f->Save(path), EInOutError);
    EXPECT_NE(testsupport::ReadFile(path).find("Hijacked!"), std::string::npos);
    // Put back, it saves; then the save's own bytes are what the next save compares with.
    editBehind("Hijacked!", "Customers");
    f->Save(path);
    Find(*f, "Orders")->SetName("Sales");
    f->Save(path);
    EXPECT_NE(testsupport::ReadFile(path).find("object Sales: TTable"), std::string::npos);
}

namespace {

using Names = std::unordered_map<std::string, std::string, CaseInsensitiveHash, CaseInsensitiveEqual>;

void AllComponents(TComponent* c, std::vector<TComponent*>& out) {
    out.push_back(c);
    for (int i = 0; i < c->ComponentCount(); ++i) AllComponents(c->Components(i), out);
}

int UnresolvedReferences(TComponent* root) {
    std::vector<TComponent*> all;
    AllComponents(root, all);
    int n = 0;
    for (TComponent* c : all)
        for (const TPropInfo* p : c->ClassType().AllProperties()) {
            const TValue v = c->ReadProperty(*p);
            auto* r = std::get_if<TReference>(&v);
            n += r != nullptr && !r->name.empty() && r->target == nullptr;
        }
    return n;
}

// The words of every identifier value, at any depth.
void IdentifierWords(const formfile::Value& v, Names& words) {
    if (v.Kind() == formfile::ValueKind::Ident) {
        std::stringstream in{std::string(v.AsIdent())};
        for (std::string part; std::getline(in, part, '.');) words.emplace(part, "");
    } else if (v.Kind() == formfile::ValueKind::List) {
        for (size_t i = 0; i < v.Count(); ++i) IdentifierWords(v.Item(i), words);
    } else if (v.Kind() == formfile::ValueKind::Collection) {
        for (size_t i = 0; i < v.Count(); ++i)
            for (formfile::Property p : v.Entry(i).Properties()) IdentifierWords(p.GetValue(), words);
    }
}

void IdentifierWords(formfile::Object o, Names& words) {
    for (formfile::Property p : o.Properties()) IdentifierWords(p.GetValue(), words);
    for (formfile::Object c : o.Children()) IdentifierWords(c, words);
}

}  // namespace

// Every form loads and writes back unchanged. Renamed one name after another, each saved
// in turn, it reads back with no identifier left naming an old name and every reference
// resolving as before; renamed back all at once, it is the tree that was read.
TEST(FormModel, EveryCorpusFormLoadsAndKeepsItsReferencesThroughRenames) {
    SKIP_WITHOUT_CORPUS();
    int loaded = 0;
    for (const auto& file : fftest::Corpus()) {
        if (file.Malformed()) continue;  // refused by the program (CheckCommandTest)
        std::unique_ptr<TFormFile> f = TFormFile::Load(file.path);
        EXPECT_FALSE(f->ApplyChanges()) << file.path;
        ASSERT_TRUE(f->Bytes() == f->Doc().Source()) << file.path;
        ++loaded;

        const std::string original(f->Doc().Source());
        const int unresolved = UnresolvedReferences(f->Root());
        std::vector<TComponent*> all;
        AllComponents(f->Root(), all);
        // Forty names spread over the form, each with its namesakes in frames.
        std::vector<std::string> names;
        Names seen, oldName;  // oldName by new name
        for (TComponent* c : all)
            if (!c->Name().empty() && seen.emplace(c->Name(), "").second) names.push_back(c->Name());
        size_t renamed = 0;
        for (size_t k = 0; k < names.size(); k += names.size() / 40 + 1) {
            for (TComponent* same : all)
                if (SameText(same->Name(), names[k])) {
                    same->SetName(names[k] + "Rn");
                    ++renamed;
                }
            oldName.emplace(names[k] + "Rn", names[k]);
            f->Bytes();
        }
        EXPECT_EQ(f->ChangedComponents().size(), renamed) << file.path;
        std::unique_ptr<TFormFile> again;
        ASSERT_NO_THROW(again = TFormFile::LoadBytes(f->Bytes(), file.path)) << file.path;
        EXPECT_EQ(UnresolvedReferences(again->Root()), unresolved) << file.path;
        Names words;
        IdentifierWords(again->Doc().Root(), words);
        for (const auto& [now, was] : oldName) EXPECT_FALSE(words.count(was)) << file.path << ": " << was;

        all.clear();
        AllComponents(again->Root(), all);
        for (TComponent* c : all)
            if (auto it = oldName.find(c->Name()); it != oldName.end()) c->SetName(it->second);
        again->ApplyChanges();
        EXPECT_EQ(fftest::TreeDifference(formfile::Document::Parse(original).Root(), again->Doc().Root()), "")
            << file.path;
    }
    EXPECT_GT(loaded, 150);
}

// A class no catalogue knows takes its place from what the form stores under it (a root's size,
// a component's size or children), in that form alone.
// An object the file gives more properties than the reading holds at once keeps every one, in
// order, and those that refer to a component find it.
TEST(FormModel, AnObjectOfThousandsOfPropertiesKeepsEveryOne) {
    constexpr int kCount = 3000;
    for (const char* cls : {"TPanel", "TWideUnknownZ"}) {
        std::string text = "object F: TForm\n  object W: " + std::string(cls) + "\n    Width = 40\n";
        for (int i = 0; i < kCount; ++i) text += "    Extra" + std::to_string(i) + " = " + std::to_string(i * 3) + "\n";
        text += "    PopupMenu = M\n    object E: TEdit\n      Left = 2\n    end\n  end\n  object M: TPopupMenu\n  end\nend\n";
        for (bool binary : {false, true}) {
            auto f = TFormFile::LoadBytes(binary ? formfile::ToBinary(fftest::Parse(text)) : text, "w.dfm");
            const auto* w = Cast<TControl>(f->Root()->FindComponent("W"));
            ASSERT_NE(w, nullptr) << cls;
            EXPECT_EQ(w->Width(), 40);
            int next = 0;
            bool ordered = true;
            w->StoredValues().ForEach([&](const TPropInfo& prop, const TValue& value) {
                if (!prop.Name.starts_with("Extra")) return;
                ordered = ordered && prop.Name == "Extra" + std::to_string(next) && value == TValue(int64_t(next * 3));
                ++next;
            });
            EXPECT_EQ(next, kCount) << cls << " binary " << binary;
            EXPECT_TRUE(ordered) << cls;
            if (const TPropInfo* popup = GetPropInfo(w, "PopupMenu"); popup->Kind == TTypeKind::tkClass)
                EXPECT_EQ(GetObjectProp(w, popup), f->Root()->FindComponent("M")) << cls;
            else  // a class of its own learns it as a name
                EXPECT_EQ(w->ReadProperty(*popup), TValue(TIdent{"M"})) << cls;
            EXPECT_EQ(Cast<TControl>(f->Root()->FindComponent("E"))->Parent(), w);
            EXPECT_EQ(f->Bytes(), binary ? formfile::ToBinary(fftest::Parse(text)) : text);
        }
    }
}

TEST(FormModel, UnknownClassesArePlacedByWhatTheFormStoresAndBelongToThatForm) {
    using Check = bool (*)(const TComponent*);
    const std::pair<const char*, Check> cases[] = {
        {"object DM: TDMUnknownZ\n  OldCreateOrder = False\n  Height = 150\n  Width = 215\n  object T: TTimer\n  end\nend\n",
         Is<TDataModule, TComponent>},
        {"object F: TFormUnknownZ\n  Caption = 'x'\n  Height = 150\n  Width = 215\nend\n", Is<TForm, TComponent>},
        {"object P: TPageUnknownZ\n  Height = 150\n  Width = 215\n  object E: TEdit\n    Width = 20\n  end\nend\n", Is<TFrame, TComponent>},
        {"object F: TForm\n  object G: TGizmoZ\n    Width = 5\n  end\nend\n",
         [](const TComponent* root) { return Is<TControl>(root->FindComponent("G")); }},
        {"object F: TForm\n  object G: TGizmoZ\n  end\nend\n",
         [](const TComponent* root) { return !Is<TControl>(root->FindComponent("G")); }},
        {"object F: TForm\n  object G: TGizmoZ\n    object E: TEdit\n    end\n  end\nend\n",
         [](const TComponent* root) { return Is<TWinControl>(root->FindComponent("G")); }},
        {"object F: TForm\n  object M: TMainMenu\n    object I: TItemZ\n    end\n  end\nend\n",
         [](const TComponent* root) { return Is<TMenuItem>(root->FindComponent("I")); }},
    };
    for (const auto& [text, check] : cases) EXPECT_TRUE(check(TFormFile::LoadBytes(text, "u.dfm")->Root())) << text;
    EXPECT_EQ(ClassCatalogue().Find("TGizmoZ"), nullptr);
    EXPECT_NE(ClassCatalogue().Find("TEdit"), nullptr);
}

TEST(FormModel, OnlyWhatChangedSinceReadingOrTheLastSaveIsWritten) {
    auto f = TFormFile::Load(kExample);
    const std::string original = testsupport::ReadFile(kExample);
    auto* name = Find<TControl>(*f, "EditName");
    name->SetLeft(81);
    name->SetLeft(80);  // and back: no change
    Find<TWinControl>(*f, "EditCity")->SetTabOrder(0);  // what it is already: none either
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


TEST(FormModel, RenamesFollowReferencesInSubPropertiesItemsAndLists) {
    const std::string lfm =
        "object Form1: TRenameFormZ\n  Height = 100\n  Width = 200\n  Caption = 'Form1'\n"
        "  object ButtonPanel1: TPanel\n    Height = 30\n    TabOrder = 0\n  end\n"
        "  object alClient: TPanel\n    Height = 30\n    TabOrder = 1\n  end\n"
        "  object Label1: TLabel\n    AnchorSideLeft.Control = ButtonPanel1\n"
        "    AnchorSideTop.Control = Form1.ButtonPanel1\n    AnchorSideTop.Side = asrBottom\n"
        "    Align = alClient\n    FocusControl = alClient\n  end\n"
        "  object Grid1: TGridUnknownZ\n    Width = 10\n    Source = ButtonPanel1\n"
        "    Columns = <    \n      item\n        Deep.Er.Control = ButtonPanel1\n        Kind = ckFixed\n      end>\n"
        "    Targets = (\n      ButtonPanel1\n      OtherForm.ButtonPanel1\n      clRed\n    )\n"
        "    Other = OtherForm.ButtonPanel1\n  end\nend\n";
    auto f = TFormFile::LoadBytes(lfm, "unit1.lfm");
    Find(*f, "ButtonPanel1")->SetName("Buttons");
    Find(*f, "alClient")->SetName("ClientPanel");
    const std::string once = f->Bytes();
    EXPECT_EQ(ChangedLines(lfm, once),
              (std::vector<std::string>{"  object Buttons: TPanel", "  object ClientPanel: TPanel",
                                        "    AnchorSideLeft.Control = Buttons", "    AnchorSideTop.Control = Form1.Buttons",
                                        "    FocusControl = ClientPanel", "    Source = Buttons",
                                        "        Deep.Er.Control = Buttons", "      Buttons"}));
    EXPECT_EQ(f->ChangedComponents(), (std::vector<std::string>{"ButtonPanel1 -> Buttons", "alClient -> ClientPanel"}));
    // The model follows as well; the root's rename carries the qualified reference.
    TComponent* grid = Find(*f, "Grid1");
    EXPECT_EQ(GetPropValue(grid, GetPropInfo(grid, "Source")), TValue(TIdent{"Buttons"}));
    grid->SetTag(3);
    f->Root()->SetName("MainForm");
    const std::string twice = f->Bytes();
    EXPECT_NE(twice.find("    Source = Buttons\n"), std::string::npos);
    EXPECT_NE(twice.find("    AnchorSideTop.Control = MainForm.Buttons\n"), std::string::npos);
    EXPECT_EQ(f->ChangedComponents(), (std::vector<std::string>{"Form1 -> MainForm", "ButtonPanel1 -> Buttons",
                                                               "alClient -> ClientPanel", "Grid1"}));
    auto again = TFormFile::LoadBytes(twice, "unit1.lfm");
    TComponent* label = Find(*again, "Label1");
    EXPECT_EQ(GetObjectProp(label, GetPropInfo(label, "FocusControl")), Find(*again, "ClientPanel"));
}

// Frames come from the structure, whatever their class is called: a frame inside a frame
// is written `inherited`, and so is a frame of a descendant form's ancestor, shown by a name
// it repeats. What a frame holds is its own; a panel or an unknown control is no frame.
TEST(FormModel, FramesComeFromTheStructureAndOwnWhatTheyHold) {
    const std::string dfm =
        "object Form1: TForm1\n  Caption = 'x'\n"
        "  object Button1: TButton\n  end\n"
        "  object Label9: TLabel\n    FocusControl = Outer1.Button1\n  end\n"
        "  inline Outer1: TOuterPane\n    Width = 100\n"
        "    inherited Button1: TButton\n    end\n"
        "    inherited Panel1: TPanel\n      inherited Label2: TLabel\n      end\n    end\n"
        "    inherited Inner1: TInnerPane\n"
        "      inherited Button1: TButton\n      end\n"
        "      inherited Label1: TLabel\n        FocusControl = Button1\n      end\n    end\n"
        "    inherited Inner2: TInnerPane\n      inherited Button1: TButton\n      end\n    end\n"
        "  end\nend\n";
    auto f = TFormFile::LoadBytes(dfm, "nested.dfm");
    auto owned = [](const TFormFile& file, std::initializer_list<const char*> path) {
        TComponent* c = file.Root();
        for (const char* name : path) c = c != nullptr ? c->FindComponent(name) : nullptr;
        return c;
    };
    EXPECT_NE(owned(*f, {"Outer1", "Label2"}), nullptr);
    EXPECT_NE(owned(*f, {"Outer1", "Inner2", "Button1"}), nullptr);
    owned(*f, {"Outer1", "Inner1", "Button1"})->SetName("InnerButton");
    owned(*f, {"Outer1"})->SetName("OuterA");
    EXPECT_EQ(ChangedLines(dfm, f->Bytes()),
              (std::vector<std::string>{"    FocusControl = OuterA.Button1", "  inline OuterA: TOuterPane",
                                        "      inherited InnerButton: TButton", "        FocusControl = InnerButton"}));

    auto descendant = TFormFile::LoadBytes(
        "inherited Form2: TForm2\n  inherited PackageNames: TComboBox\n  end\n"
        "  inherited Panel1: TPanel\n    inherited EditPane1: TEditPaneZ\n"
        "      inherited PackageNames: TTimer\n      end\n    end\n  end\n"
        "  inherited Pages: TPageCtlZ\n    inherited Sheet1: TTabSheet\n    end\n  end\nend\n",
        "form2.dfm");
    EXPECT_NE(owned(*descendant, {"EditPane1", "PackageNames"}), nullptr);
    EXPECT_NE(owned(*descendant, {"Sheet1"}), nullptr);
}

TEST(FormModel, NamesInOtherScriptsLoadRoundTripAndFollowRenames) {
    const std::string dfm =
        "object Formul\xC3\xA1rio: TFormul\xC3\xA1rio\n  Caption = 'x'\n"
        "  object EditFun\xC3\xA7\xC3\xA3o: TEdit\n    TabOrder = 0\n  end\n"
        "  object Label1: TLabel\n    FocusControl = EditFun\xC3\xA7\xC3\xA3o\n  end\nend\n";
    auto text = TFormFile::LoadBytes(dfm, "f.dfm");
    EXPECT_EQ(text->Bytes(), dfm);
    const std::string binary = formfile::ToBinary(text->Doc(), true);
    auto stream = TFormFile::LoadBytes(binary, "f.dfm");
    EXPECT_EQ(stream->Bytes(), binary);
    EXPECT_EQ(formfile::ToText(stream->Doc(), {"\r\n"}), formfile::ToText(text->Doc(), {"\r\n"}));
    TComponent* edit = Find(*stream, "EditFun\xC3\xA7\xC3\xA3o");
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(stream->Root()->Name(), "Formul\xC3\xA1rio");
    // A new name is ASCII (the component's own rule); the references follow it.
    edit->SetName("EditDescricao");
    auto back = TFormFile::LoadBytes(formfile::ToText(formfile::Document::Parse(stream->Bytes())), "f.dfm");
    TComponent* label = Find(*back, "Label1");
    EXPECT_EQ(GetObjectProp(label, GetPropInfo(label, "FocusControl")), Find(*back, "EditDescricao"));
    EXPECT_EQ(back->Root()->Name(), "Formul\xC3\xA1rio");
    EXPECT_THROW(TFormFile::LoadBytes("object F: TForm\n  object Fun\xE7\xE3o: TEdit\n  end\nend\n", "bad.dfm"),
                 EParserError);
}

TEST(FormModel, HintsReadFromTheFileKeepTheirTextsThroughEditsAndSaves) {
    // Hints of every length, some larger than a block of texts, so that texts fill several.
    std::string text = "object Form1: TForm\n  object Menu1: TMainMenu\n    object Item1: TMenuItem\n"
                       "      Hint = 'menu hint'\n    end\n  end\n";
    std::vector<std::string> hints;
    for (int i = 0; i < 400; ++i) {
        hints.push_back(i % 97 == 5 ? std::string(size_t(5000 + i), char('a' + i % 26)) : i % 50 == 0 ? "" : "hint " + std::to_string(i));
        text += "  object Button" + std::to_string(i) + ": TButton\n";
        if (!hints.back().empty()) text += "    Hint = '" + hints.back() + "'\n";
        text += "  end\n";
    }
    text += "end\n";
    auto f = TFormFile::LoadBytes(text, "hints.dfm");
    const auto button = [&](int i) { return Find<TControl>(*f, ("Button" + std::to_string(i)).c_str()); };
    for (int i = 0; i < 400; ++i) ASSERT_EQ(button(i)->Hint(), hints[size_t(i)]) << i;
    EXPECT_EQ(Find<TMenuItem>(*f, "Item1")->Hint(), "menu hint");

    // Set after reading: a longer text, another control's, and a part of its own.
    button(1)->SetHint(hints[1] + " and more");
    button(2)->SetHint(button(4)->Hint());
    button(3)->SetHint(button(3)->Hint().substr(2));
    Find<TMenuItem>(*f, "Item1")->SetHint("changed");
    ASSERT_TRUE(f->ApplyChanges());
    const std::string saved = f->Bytes();
    EXPECT_EQ(ChangedLines(text, saved),
              (std::vector<std::string>{"      Hint = 'changed'", "    Hint = 'hint 1 and more'",
                                        "    Hint = 'hint 4'", "    Hint = 'nt 3'"}));
    for (int i = 4; i < 400; ++i) ASSERT_EQ(button(i)->Hint(), hints[size_t(i)]) << i;
}

TEST(FormModel, HintsWrittenOtherwiseInTheFileReadAsTheirTexts) {
    // Hints whose bytes in the file are not their texts (quotes, codes, joined lines), beside
    // plain ones, in text and in binary: what a control keeps is the text, wherever it lies.
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"'plain'", "plain"},
        {"'it''s'", "it's"},
        {"'a'#13#10'b'", "a\r\nb"},
        {"#1055#1088#1080'!'", "\xD0\x9F\xD1\x80\xD0\xB8!"},
        {"\n      'first part ' +\n      'second part'", "first part second part"},
        {"'x'", "x"},
        {"''''", "'"},
    };
    std::string text = "object Form1: TForm\n";
    for (size_t i = 0; i < cases.size(); ++i)
        text += "  object Edit" + std::to_string(i) + ": TEdit\n    Hint = " + cases[i].first + "\n  end\n";
    text += "end\n";
    const std::string binary = formfile::ToBinary(formfile::Document::Parse(text, "t.dfm"));
    for (const std::string& bytes : {text, binary}) {
        auto f = TFormFile::LoadBytes(bytes, "hints.dfm");
        for (size_t i = 0; i < cases.size(); ++i)
            EXPECT_EQ(Find<TControl>(*f, ("Edit" + std::to_string(i)).c_str())->Hint(), cases[i].second) << i;
    }
    // A file that fails after its first hints were read is refused, its components gone.
    EXPECT_THROW(TFormFile::LoadBytes(text.substr(0, text.rfind("end")) + "object", "cut.dfm"), EParserError);
}
