#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <sstream>

#include "host/vcl/ClassCatalogue.h"
#include "host/vcl/Controls.h"
#include "host/vcl/Forms.h"

using namespace vcl;

TEST(Properties, ReachTheFrameworksOwnSettersByKind) {
    TForm form(nullptr);
    auto* button = static_cast<TWinControl*>(ClassCatalogue().CreateComponent("TButton", &form));
    button->SetParent(&form);
    SetStrProp(button, GetPropInfo(button, "caption"), "&OK");
    EXPECT_EQ(button->Caption(), "&OK");
    SetStrProp(button, GetPropInfo(button, "Name"), "OKBtn");
    EXPECT_EQ(form.FindComponent("okbtn"), button);
    EXPECT_THROW(SetStrProp(button, GetPropInfo(button, "Name"), "not valid"), EComponentError);
    SetOrdProp(button, GetPropInfo(button, "Left"), 17);
    EXPECT_EQ(button->Left(), 17);
    SetOrdProp(button, GetPropInfo(button, "Enabled"), 0);
    EXPECT_FALSE(button->Enabled());
    EXPECT_EQ(GetOrdProp(button, GetPropInfo(button, "Enabled")), 0);
    EXPECT_EQ(GetEnumProp(button, GetPropInfo(button, "Visible")), "True");
    EXPECT_THROW(SetOrdProp(button, GetPropInfo(button, "Tag"), int64_t(1) << 40), ERangeError);
    EXPECT_THROW(GetStrProp(button, GetPropInfo(button, "Tag")), EPropertyError);
    EXPECT_THROW(GetOrdProp(button, GetPropInfo(button, "Caption")), EPropertyError);
    EXPECT_THROW(GetStrProp(button, nullptr), EPropertyError);
}

// A class gives meaning to a property by its name, compared a word at a time: names of every
// length up to two words match in any case, and a name differing in one byte, or a byte
// shorter or longer, does not, whatever the bytes beside the name.
template <size_t N>
void ExpectOnlyItsNameMatches(const char (&lower)[N]) {
    const std::string name(lower, N - 1);
    std::string upper = name, mixed = name;
    for (size_t i = 0; i < name.size(); ++i) {
        upper[i] = char(std::toupper(static_cast<unsigned char>(name[i])));
        if (i % 2 == 1) mixed[i] = upper[i];
    }
    // Each as a view inside other bytes, so that reading beyond it would show.
    const auto within = [](const std::string& s) { return "Zq" + s + "Zq"; };
    for (const std::string& same : {name, upper, mixed}) {
        const std::string around = within(same);
        EXPECT_TRUE(NameIs(std::string_view(around).substr(2, same.size()), lower)) << same;
    }
    for (size_t i = 0; i < name.size(); ++i) {
        std::string other = within(name);
        other[2 + i] = name[i] == 'q' ? 'r' : 'q';
        EXPECT_FALSE(NameIs(std::string_view(other).substr(2, name.size()), lower)) << other << " at " << i;
    }
    const std::string around = within(name);
    EXPECT_FALSE(NameIs(std::string_view(around).substr(2, name.size() - 1), lower)) << name;
    EXPECT_FALSE(NameIs(std::string_view(around).substr(2, name.size() + 1), lower)) << name;
}

TEST(Properties, NamesAClassGivesMeaningToMatchInAnyCaseAndOnlyThemselves) {
    ExpectOnlyItsNameMatches("x");
    ExpectOnlyItsNameMatches("ab");
    ExpectOnlyItsNameMatches("tag");
    ExpectOnlyItsNameMatches("left");
    ExpectOnlyItsNameMatches("width");
    ExpectOnlyItsNameMatches("height");
    ExpectOnlyItsNameMatches("caption");
    ExpectOnlyItsNameMatches("taborder");
    ExpectOnlyItsNameMatches("autosize2");
    ExpectOnlyItsNameMatches("helpcontext");
    ExpectOnlyItsNameMatches("parentshowhint");
    ExpectOnlyItsNameMatches("abcdefghijklmnop");
    ExpectOnlyItsNameMatches("abcdefghijklmnopq");
}

TEST(Properties, WithoutFrameworkMeaningAreKeptAsStoredValues) {
    TForm form(nullptr);
    TComponent* edit = ClassCatalogue().CreateComponent("TDBEdit", &form);
    const TPropInfo* field = GetPropInfo(edit, "datafield");
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(GetStrProp(edit, field), "");
    SetStrProp(edit, field, "CustNo");
    SetStrProp(edit, GetPropInfo(edit, "DATAFIELD"), "Company");
    EXPECT_EQ(GetStrProp(edit, field), "Company");
    ASSERT_EQ(edit->StoredValues().Count(), 1u);
    SetEnumProp(edit, GetPropInfo(edit, "CharCase"), "ecUpperCase");
    EXPECT_EQ(std::get<TIdent>(GetPropValue(edit, GetPropInfo(edit, "charcase"))).name, "ecUpperCase");
    EXPECT_THROW(SetEnumProp(edit, GetPropInfo(edit, "CharCase"), "not an ident"), EPropertyError);
    // A class property gives the address of its target.
    TComponent* source = ClassCatalogue().CreateComponent("TDataSource", &form);
    SetObjectProp(edit, GetPropInfo(edit, "DataSource"), source);
    EXPECT_EQ(GetOrdProp(edit, GetPropInfo(edit, "DataSource")), reinterpret_cast<intptr_t>(static_cast<TObject*>(source)));
}

namespace {

// A component of a class of its own that publishes nothing until it learns from a file.
TComponent* PlainThing(TForm& form, const std::string& className) {
    ClassCatalogue().Load("class " + className + " : TComponent\n", className + ".txt");
    return ClassCatalogue().CreateComponent(className, &form);
}

// Sets an integer property the thing's class learns on the way, as reading a file does.
void SetLearnt(TComponent* thing, const std::string& name, int64_t value) {
    SetOrdProp(thing, &ClassCatalogue().LearnProperty(thing->ClassType(), name, TTypeKind::tkInteger), value);
}

}  // namespace

// A file may give one object any number of properties the catalogue does not know.
TEST(Properties, ManyStoredValuesStayFoundByNameInTheOrderFirstSet) {
    auto& cat = ClassCatalogue();
    TForm form(nullptr);
    TComponent* thing = PlainThing(form, "TWideThing");
    const TClassInfo& cls = thing->ClassType();
    for (int i = 0; i < 40; ++i) SetLearnt(thing, "P" + std::to_string(i), i);
    // Every one, the values that made the index grow among them.
    for (int i = 0; i < 40; ++i) EXPECT_EQ(GetOrdProp(thing, GetPropInfo(thing, "p" + std::to_string(i))), i) << i;
    SetOrdProp(thing, GetPropInfo(thing, "p7"), 700);  // a second value replaces the first
    std::vector<std::string> order;
    thing->StoredValues().ForEach([&](const TPropInfo& prop, const TValue&) { order.push_back(prop.Name); });
    ASSERT_EQ(order.size(), 40u);
    EXPECT_EQ(order[7], "P7");
    EXPECT_EQ(order[39], "P39");
    // The longer value moved those after it: each is still found.
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(GetOrdProp(thing, GetPropInfo(thing, "p" + std::to_string(i))), i == 7 ? 700 : i) << i;
    // Another declaration of the same name (another class's) reaches the same value.
    TPropInfo alias = *GetPropInfo(thing, "P23");
    alias.Name = "p23";
    EXPECT_EQ(std::get<int64_t>(thing->ReadProperty(alias)), 23);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(GetPropValue(thing, &cat.LearnProperty(cls, "P40", TTypeKind::tkInteger))));
}

// Room made at once for a wide object's values, after a few were set, loses none of them.
TEST(Properties, StoredValuesGivenRoomAtOnceStayFoundByName) {
    TForm form(nullptr);
    TComponent* thing = PlainThing(form, "TRoomyThing");
    for (int i = 0; i < 3; ++i) SetLearnt(thing, "Q" + std::to_string(i), i);
    thing->ReserveStored(100);
    for (int i = 3; i < 100; ++i) SetLearnt(thing, "Q" + std::to_string(i), i);
    SetLearnt(thing, "Q1", 101);
    ASSERT_EQ(thing->StoredValues().Count(), 100u);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(GetOrdProp(thing, GetPropInfo(thing, "q" + std::to_string(i))), i == 1 ? 101 : i) << i;
}

// Stored values are packed: each kind comes back as written, and a value replaced by a longer or
// shorter one leaves the others where they were, whether found in turn or through the index.
TEST(Properties, StoredValuesOfEveryKindSurviveReplacementsAroundThem) {
    auto& cat = ClassCatalogue();
    TForm form(nullptr);
    for (const int count : {5, 40}) {
        TComponent* thing = PlainThing(form, "TPackedThing" + std::to_string(count));
        const TClassInfo& cls = thing->ClassType();
        const auto prop = [&](int i) -> const TPropInfo& {
            return cat.LearnProperty(cls, "V" + std::to_string(i), TTypeKind::tkVariant);
        };
        // Written first as round 0, then one in three again larger (round 1), one smaller (2).
        const auto valueFor = [&](int i, int round) -> TValue {
            const size_t size[] = {4, 60, 0};
            switch (i / 3 % 6) {
            case 0: return (i % 2 ? -1 : 1) * (int64_t(1) << (i % 40)) * (round == 1 ? 1000 : 1) * (round != 2);
            case 1: return 0.1 * i - 3e300 * round;
            case 2: return std::string(size[round] * 5, char('a' + i % 26)) + std::string(1, '\0');
            case 3: return TIdent{"id" + std::string(size[round], 'x')};
            case 4: return TSetValue{std::vector<std::string>(size[round], "el" + std::to_string(i))};
            default: return TReference{round == 2 ? "" : "Target" + std::to_string(i), round == 0 ? &form : nullptr};
            }
        };
        for (int i = 0; i < count; ++i) thing->WriteProperty(prop(i), valueFor(i, 0));
        for (int i = 0; i < count; ++i)
            if (i % 3 != 0) thing->WriteProperty(prop(i), valueFor(i, i % 3));
        ASSERT_EQ(thing->StoredValues().Count(), size_t(count));
        for (int i = 0; i < count; ++i) {
            EXPECT_EQ(thing->ReadProperty(prop(i)), valueFor(i, i % 3)) << count << " " << i;
            TPropInfo other = prop(i);
            other.Name = "v" + std::to_string(i);  // found by name, any case
            EXPECT_EQ(thing->ReadProperty(other), thing->ReadProperty(prop(i)));
        }
        int at = 0;
        thing->StoredValues().ForEach([&](const TPropInfo& p, const TValue&) { EXPECT_EQ(&p, &prop(at++)); });
        // A reference to a component that goes becomes nil; the others stay.
        TComponent* target = ClassCatalogue().CreateComponent("TDataSource", &form);
        thing->WriteProperty(prop(1), TReference{"DataSource1", target});
        const TValue before = thing->ReadProperty(prop(2));
        delete target;
        EXPECT_EQ(thing->ReadProperty(prop(1)), TValue(TReference{}));
        EXPECT_EQ(thing->ReadProperty(prop(2)), before);
    }
}

// Lookups stay right while classes learn and redeclare properties after being looked up.
TEST(Catalogue, LookupsFollowDeclarationsMadeAfterThem) {
    auto& cat = ClassCatalogue();
    cat.Load("class TBaseGadget : TComponent\n  Alpha: Integer\nclass TGadget : TBaseGadget\n", "gadget.txt");
    const TClassInfo& base = cat.Require("TBaseGadget");
    const TClassInfo& gadget = cat.Require("TGadget");
    const TPropInfo* alpha = base.FindProperty("Alpha");
    EXPECT_EQ(gadget.FindProperty("ALPHA"), alpha);
    EXPECT_EQ(gadget.FindProperty("Beta"), nullptr);
    const TPropInfo& beta = cat.LearnProperty(base, "Beta", TTypeKind::tkInteger);  // an ancestor changes
    EXPECT_EQ(gadget.FindProperty("beta"), &beta);
    cat.Load("class TGadget : TBaseGadget\n  Alpha: String\n", "gadget2.txt");  // redeclared below
    ASSERT_NE(gadget.FindProperty("alpha"), alpha);
    EXPECT_TRUE(IsStringKind(gadget.FindProperty("alpha")->Kind));
    EXPECT_EQ(base.FindProperty("alpha"), alpha);
    const TPropInfo& gamma = cat.LearnProperty(gadget, "Gamma", TTypeKind::tkInteger);
    EXPECT_EQ(gadget.FindProperty("GAMMA"), &gamma);
    EXPECT_EQ(base.FindProperty("Gamma"), nullptr);
    int alphas = 0;
    for (const TPropInfo* p : gadget.AllProperties()) alphas += SameText(p->Name, "alpha") ? 1 : 0;
    EXPECT_EQ(alphas, 1);
}

// The program reads its own catalogue without checking each line at start: every line must pass
// the checks a user's catalogue gets.
TEST(Catalogue, TheStandardClassesPassEveryCheck) {
    TClassCatalogue fresh;
    EXPECT_NO_THROW(fresh.LoadFromFile(std::string(TAVRIN_SOURCE_DIR) + "/host/vcl/StandardClasses.txt"));
}

// The compiled-in classes are made when first asked for, from where a look at the text's
// unindented lines found them: each must come out as the text declares it.
TEST(Catalogue, CompiledInClassesAreMadeAsTheTextDeclaresThem) {
    TClassCatalogue fresh;
    // Known by kind before anything has made them.
    EXPECT_EQ(fresh.KindOfType("TColor"), TTypeKind::tkInteger);
    EXPECT_EQ(fresh.KindOfType("tdatasource"), TTypeKind::tkClass);
    EXPECT_EQ(fresh.KindOfType("TNoSuchThing"), TTypeKind::tkUnknown);

    std::ifstream in(std::string(TAVRIN_SOURCE_DIR) + "/host/vcl/StandardClasses.txt");
    const TClassInfo* cls = nullptr;
    int classes = 0, properties = 0;
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string first, second, third, fourth;
        words >> first >> second >> third >> fourth;
        if (first.empty() || first[0] == '#') continue;
        if (line[0] != ' ' && line[0] != '\t') {
            cls = first == "class" ? fresh.Find(second) : nullptr;
            if (first != "class") continue;
            ++classes;
            ASSERT_NE(cls, nullptr) << line;
            EXPECT_EQ(cls->Name(), second);
            if (third == ":") {
                ASSERT_NE(cls->Parent(), nullptr) << line;
                EXPECT_EQ(cls->Parent()->Name(), fourth) << line;
            } else {
                EXPECT_EQ(cls->Parent(), nullptr) << line;
            }
            continue;
        }
        ASSERT_NE(cls, nullptr) << line;
        ++properties;
        const std::string name = first.substr(0, first.size() - 1);  // "Name:"
        const TPropInfo* prop = cls->FindProperty(name);
        ASSERT_NE(prop, nullptr) << cls->Name() << "." << name;
        EXPECT_EQ(prop->TypeName, second) << cls->Name() << "." << name;
        if (const size_t equals = line.find(" = "); equals != std::string::npos) {
            std::string value = line.substr(equals + 3);
            while (!value.empty() && (value.back() == ' ' || value.back() == '\r')) value.pop_back();
            EXPECT_EQ(prop->DefaultOr("(none)"), value) << cls->Name() << "." << name;
        }
    }
    EXPECT_GT(classes, 400);
    EXPECT_GT(properties, 5000);
    // A user's catalogue may not give one of them another parent, made or not.
    try {
        fresh.Load("class TDBGrid : TEdit\n", "mine.txt");
        ADD_FAILURE() << "a second parent was taken";
    } catch (const EParserError& e) {
        EXPECT_NE(std::string(e.what()).find("declared again with another parent"), std::string::npos) << e.what();
    }
}

TEST(Catalogue, UserCataloguesAddClassesAndReportBadLines) {
    auto& cat = ClassCatalogue();
    cat.Load("# a user's own components\n"
             "type TGaugeKind = Enumeration\n"
             "class TMyGauge : TGraphicControl\n"
             "  Progress: Integer = 0\n"
             "  Kind: TGaugeKind = gkBar\n"
             "  Buddy: TMyBuddy\n"
             "class TMyBuddy : TEdit\n",
             "mine.txt");
    const TClassInfo& gauge = cat.Require("TMyGauge");
    EXPECT_TRUE(gauge.InheritsFrom("TControl"));
    ASSERT_NE(gauge.FindProperty("kind")->Default, nullptr);
    EXPECT_EQ(*gauge.FindProperty("kind")->Default, "gkBar");
    EXPECT_EQ(gauge.FindProperty("Buddy")->PropClass, cat.Find("TMyBuddy"));
    TForm form(nullptr);
    EXPECT_TRUE(Is<TGraphicControl>(cat.CreateComponent("TMyGauge", &form)));
    EXPECT_TRUE(Is<TWinControl>(cat.CreateComponent("tmybuddy", &form)));
    {
        std::string text = "class TMyDial : TMyGauge\n  Needle: TMyBuddy\n";
        cat.Load(text, "dial.txt");
        text.assign(text.size(), '#');  // properties are read later; the catalogue keeps its own copy
    }
    EXPECT_EQ(cat.Require("TMyDial").FindProperty("needle")->PropClass, cat.Find("TMyBuddy"));
    EXPECT_NE(cat.Require("TMyDial").FindProperty("Progress"), nullptr);

    auto lineOf = [&](const char* text) {
        try {
            cat.Load(text, "bad.txt");
        } catch (const EParserError& e) {
            EXPECT_EQ(e.File(), "bad.txt");
            return e.Line();
        }
        return 0;
    };
    EXPECT_EQ(lineOf("class TA1 : TComponent\n  X: Integer\nclass TB1 : TNowhere\n"), 3);
    EXPECT_EQ(lineOf("\n\ntype TK = Colourful\n"), 3);
    EXPECT_EQ(lineOf("class TA2 : TComponent\n  Y Integer\n"), 2);
    EXPECT_EQ(lineOf("class TA3 : TComponent\n  Z: TUndeclaredType\n"), 2);
    EXPECT_EQ(lineOf("class TButton : TComponent\n"), 1);  // another parent than before
    EXPECT_EQ(lineOf("  Orphan: Integer\n"), 1);
}
