#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include "host/vcl/ClassCatalogue.h"
#include "host/vcl/ComponentArena.h"
#include "host/vcl/Controls.h"
#include "host/vcl/Forms.h"
#include "host/vcl/LargePages.h"
#include "host/vcl/Menus.h"
#include "host/vcl/Notebooks.h"
#include "tests/support/TestSupport.h"

using namespace vcl;

using testsupport::Make;

// (A control's text that was its name follows a rename, one of its own stays: the worked
// examples' and the position tool's renames.)
TEST(Rename, RefusesInvalidIdentifiersAndDuplicatesIgnoringCase) {
    TForm form(nullptr);
    TComponent* a = Make("TButton", &form, "Button1");
    TComponent* b = Make("TButton", &form, "Button2");
    EXPECT_THROW(b->SetName("BUTTON1"), EComponentError);
    EXPECT_EQ(b->Name(), "Button2");
    b->SetName("Button2");  // the same name again is no change
    a->SetName("BUTTON1");  // only the case changes: allowed
    EXPECT_EQ(a->Name(), "BUTTON1");
    EXPECT_EQ(form.FindComponent("button1"), a);
    Make("TButton", &form, "");  // unnamed components are allowed
    b->SetName("Button1x");
    EXPECT_EQ(form.FindComponent("BUTTON1X"), b);
    EXPECT_EQ(form.FindComponent("Button2"), nullptr);
    Make("TEdit", &form, "Button2");  // the old name is free again
    TForm other(nullptr);
    Make("TEdit", &other, "Button1");  // another owner's names are its own
}

TEST(Ownership, ComponentListKeepsOrderAndIndexesAcrossRemoval) {
    TForm form(nullptr);
    TComponent* a = Make("TLabel", &form, "A");
    TComponent* b = Make("TTimer", &form, "B");
    TComponent* c = Make("TEdit", &form, "C");
    ASSERT_EQ(form.ComponentCount(), 3);
    EXPECT_EQ(c->ComponentIndex(), 2);
    delete b;
    EXPECT_EQ(form.ComponentCount(), 2);
    EXPECT_EQ(form.Components(1), c);
    EXPECT_EQ(c->ComponentIndex(), 1);
    EXPECT_EQ(a->ComponentIndex(), 0);
    EXPECT_EQ(form.FindComponent("B"), nullptr);
    EXPECT_THROW(form.Components(2), EListError);
    EXPECT_THROW(form.Components(-1), EListError);
}

// References to a freed component, of the same owner or another, are cleared.
TEST(Ownership, FreedTargetsLeaveNoDanglingReferences) {
    auto module = std::make_unique<TDataModule>(nullptr);
    TForm form(nullptr);
    TComponent* source = Make("TDataSource", &form, "DataSource1");
    TComponent* edit = Make("TDBEdit", &form, "DBEdit1");
    TComponent* grid = Make("TDBGrid", &form, "DBGrid1");
    const TPropInfo* prop = GetPropInfo(edit, "datasource");
    SetObjectProp(edit, prop, source);
    SetObjectProp(grid, GetPropInfo(grid, "DataSource"), Make("TDataSource", module.get(), "DataSource1"));
    auto* menu = static_cast<TMainMenu*>(Make("TMainMenu", &form, "MainMenu1"));
    form.SetMenu(menu);
    delete source;
    delete menu;
    module.reset();
    EXPECT_EQ(GetObjectProp(edit, prop), nullptr);
    EXPECT_EQ(form.Menu(), nullptr);
    EXPECT_EQ(GetObjectProp(grid, GetPropInfo(grid, "DataSource")), nullptr);
}

TEST(Ownership, ParentFreesItsChildControlsWhoeverOwnsThem) {
    TForm form(nullptr);
    auto* panel = static_cast<TWinControl*>(Make("TPanel", &form, "Panel1"));
    panel->SetParent(&form);
    auto* edit = static_cast<TControl*>(Make("TEdit", &form, "Edit1"));
    edit->SetParent(panel);
    auto* label = static_cast<TControl*>(Make("TLabel", &form, "Label1"));
    label->SetParent(&form);
    ASSERT_EQ(form.ComponentCount(), 3);
    delete panel;
    EXPECT_EQ(form.ComponentCount(), 1);
    EXPECT_EQ(form.Components(0), label);
    EXPECT_EQ(form.ControlCount(), 1);
}

TEST(ClassTests, HoldThroughCatalogueAndCppInheritance) {
    TForm form(nullptr);
    TComponent* button = Make("TBitBtn", &form);
    EXPECT_EQ(button->ClassName(), "TBitBtn");
    EXPECT_TRUE(button->InheritsFrom("TButton"));
    EXPECT_TRUE(button->InheritsFrom("tcontrol"));
    EXPECT_TRUE(Is<TWinControl>(button));
    EXPECT_FALSE(Is<TMenuItem>(button));
    TComponent* label = Make("TLabel", &form);
    EXPECT_TRUE(Is<TControl>(label));
    EXPECT_FALSE(Is<TWinControl>(label));
    TComponent* timer = Make("TTimer", &form);
    EXPECT_FALSE(Is<TControl>(timer));
    EXPECT_FALSE(timer->InheritsFrom("TControl"));
    EXPECT_TRUE(Is<TMainMenu>(Make("TMainMenu", &form)));
    // The classes every component is asked about answer by a bit their constructors set.
    TComponent* item = Make("TMenuItem", &form);
    EXPECT_EQ(Cast<TMenuItem>(item), dynamic_cast<TMenuItem*>(item));
    EXPECT_EQ(Cast<TControl>(item), nullptr);
    EXPECT_EQ(Cast<const TControl>(static_cast<const TComponent*>(button)), dynamic_cast<const TControl*>(button));
    EXPECT_THROW(As<TWinControl>(label), EInvalidCast);
    EXPECT_THROW(ClassCatalogue().CreateComponent("TNoSuchThing", &form), EClassNotFound);
    EXPECT_THROW(ClassCatalogue().CreateComponent("TFont", &form), EClassNotFound);
}

// By the time its owner's components hear that it went, a component is a plain TComponent
// again: a cast by kind bit must not hand back the class it was (as dynamic_cast would not).
TEST(ClassTests, AComponentGoingIsNoLongerItsClassWhenItsOwnerIsTold) {
    struct Listener : TComponent {
        using TComponent::TComponent;
        std::vector<std::string> heard;
        void Notification(TComponent* c, TOperation op) override {
            if (op == TOperation::opRemove)
                heard.push_back(std::string(c->ClassName()) + (Cast<TControl>(c) || Cast<TMenuItem>(c) ||
                                                                         Cast<TMenu>(c) || Cast<TNotebookBase>(c)
                                                                     ? " still cast"
                                                                     : " gone"));
            TComponent::Notification(c, op);
        }
    };
    TForm form(nullptr);
    auto* listener = new Listener(&form);
    const std::vector<std::string> classes{"TButton", "TMenuItem", "TPopupMenu", "TNotebook"};
    for (const auto& cls : classes) delete Make(cls.c_str(), &form);
    ASSERT_EQ(listener->heard.size(), classes.size());
    for (size_t i = 0; i < classes.size(); ++i) EXPECT_EQ(listener->heard[i], classes[i] + " gone");
}

// A form's components live in its arena while they are made in its scope, on that thread only;
// freeing one there, or one from the heap while the arena lives, is safe.
TEST(Ownership, ComponentsMadeInAnArenaScopeLiveThere) {
    TComponentArena arena;
    {
        TForm form(nullptr);
        TComponent *inside, *other = nullptr;
        {
            TComponentArena::Scope scope(&arena);
            inside = Make("TButton", &form, "Inside");
            std::thread([&] { other = new TComponent(nullptr); }).join();
        }
        TComponent* outside = Make("TButton", &form, "Outside");
#ifndef TAVRIN_SANITIZED
        EXPECT_TRUE(arena.Holds(inside));
#endif
        EXPECT_FALSE(arena.Holds(other));
        EXPECT_FALSE(arena.Holds(outside));
        delete other;
        delete inside;
        EXPECT_EQ(form.ComponentCount(), 1);
        EXPECT_EQ(form.Components(0), outside);
    }
    // A large form's first block starts on a large page.
    TComponentArena large(size_t{3} << 20);
    TComponentArena::Scope scope(&large);
    const std::unique_ptr<TComponent> first(new TComponent(nullptr));
    EXPECT_EQ(large.Holds(first.get()) ? reinterpret_cast<uintptr_t>(first.get()) % (size_t{2} << 20) : 0u, 0u);
}

// A component of an arena keeps a text as a view of the bytes its own arena is offered (the
// file it was read from, which outlives it), and a copy of anything else: bytes offered for
// another arena (a design read into a component meanwhile, freed after) are not its to keep.
TEST(Ownership, ATextIsAViewOnlyOfTheBytesItsOwnArenaIsOffered) {
    TComponentArena arena, other;
    TForm form(nullptr);
    TControl* control;
    {
        TComponentArena::Scope scope(&arena);
        control = static_cast<TControl*>(Make("TButton", &form, "Button1"));
    }
    const TComponentArena::TextsScope texts(&arena);
    const std::string file = "Hint = 'Runs the action'", design = "Hint = 'Runs the action'";
    const auto viewOf = [](const std::string& bytes, std::string_view text) {
        return text.data() >= bytes.data() && text.data() < bytes.data() + bytes.size();
    };
    {
        const TComponentArena::OfferedBytes offered(&other, design);
        control->SetHint("Runs the action");
        EXPECT_FALSE(viewOf(design, control->Hint()));
    }
    {
        const TComponentArena::OfferedBytes offered(&arena, file);
        control->SetHint("Runs the action");
#ifndef TAVRIN_SANITIZED
        EXPECT_TRUE(viewOf(file, control->Hint()));
        EXPECT_EQ(control->Hint().data(), file.data() + 8);
#endif
        control->SetHint("Runs no action");  // not among the bytes: a copy
        EXPECT_FALSE(viewOf(file, control->Hint()));
    }
    control->SetHint("Runs the action");  // offered no longer
    EXPECT_FALSE(viewOf(file, control->Hint()));
    EXPECT_EQ(control->Hint(), "Runs the action");
    delete control;
}

// The compilers of the dialect take ASCII names only: a rename to anything else is refused as
// an invalid name, while a name read from a file (newer compilers wrote other scripts) keeps
// its letters.
TEST(Rename, NewNamesAreAsciiIdentifiersAndNamesReadKeepTheirLetters) {
    TForm form(nullptr);
    TComponent* b = Make("TButton", &form, "Button1");
    for (const std::string name : {"\xCF\x80", "\xD9\xA1\xD9\xA2", "caf\xC3\xA9", "Caf\xC3\xA9", "A\xCC\x81", "x\xFF",
                                   "1abc", "a-b", "a b", ""}) {
        EXPECT_EQ(testsupport::ErrorOf<EComponentError>([&] { b->SetName(name); }),
                  name.empty() ? "The name of Button1 cannot be made empty" : "'" + name + "' is not a valid component name");
        EXPECT_EQ(b->Name(), "Button1");
    }
    for (const std::string name : {"_", "_1", "Button_2", "z9"}) {
        b->SetName(name);
        EXPECT_EQ(b->Name(), name);
    }
    // Read from a file: the letters stay, and the index finds them.
    TComponent* read = ClassCatalogue().CreateComponent("TButton", &form);
    read->SetLoading(true);
    read->SetName("Caf\xC3\xA9");
    read->SetLoading(false);
    EXPECT_EQ(read->Name(), "Caf\xC3\xA9");
    EXPECT_EQ(form.FindComponent("Caf\xC3\xA9"), read);
    read->SetName("Caf\xC3\xA9");  // the same name again is no change
    EXPECT_THROW(read->SetName("Caf\xC3\xA9s"), EComponentError);
    EXPECT_THROW(b->SetName("x\xFF"), EComponentError);  // not even UTF-8
    read->SetLoading(true);
    EXPECT_THROW(read->SetName("x\xFF"), EComponentError);
    read->SetLoading(false);
    read->SetName("Cafe");
    EXPECT_EQ(form.FindComponent("CAFE"), read);
}

#ifndef TAVRIN_SANITIZED
// Before a large form is read the heap grows once by what it will fill, so that what follows is
// carved from large pages; the allocations after it work as ever.
TEST(Memory, ThePreparedHeapServesWhatFollowsWithoutGrowing) {
    PrepareHeap(size_t{16} << 20);
    EXPECT_GE(mallinfo2().keepcost, size_t{16} << 20);
    char* const after = static_cast<char*>(sbrk(0));
    std::vector<std::unique_ptr<std::string>> texts;
    for (int i = 0; i < 100000; ++i) texts.push_back(std::make_unique<std::string>(40, char('a' + i % 26)));
    EXPECT_EQ(static_cast<char*>(sbrk(0)), after);  // all of it from the prepared room
    EXPECT_EQ(*texts[27], std::string(40, 'b'));
}
#endif

// A buffer's pages are made present a step ahead of its fill, and never far beyond it.
TEST(Memory, FillingAheadMakesPagesPresentJustBeyondTheFill) {
    constexpr size_t kPage = 4096, kSize = size_t{4} << 20;
    void* raw = mmap(nullptr, kSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(raw, MAP_FAILED);
    madvise(raw, kSize, MADV_NOHUGEPAGE);
    const auto present = [&](size_t from, size_t to) {
        std::vector<unsigned char> in((to - from) / kPage);
        EXPECT_EQ(mincore(static_cast<char*>(raw) + from, to - from, in.data()), 0);
        return size_t(std::count_if(in.begin(), in.end(), [](unsigned char c) { return c & 1; }));
    };
    TFillAhead ahead;
    ahead.Filled(raw, 0, kSize);
    EXPECT_EQ(present(0, 16 * kPage), size_t{4});  // 16 kB from the start
    ahead.Filled(raw, 1 << 20, kSize);             // a megabyte in: an eighth of it ahead
    EXPECT_EQ(present(1 << 20, (1 << 20) + 32 * kPage), size_t{32});
    EXPECT_EQ(present((1 << 20) + 32 * kPage, kSize), size_t{0});
    munmap(raw, kSize);
}
