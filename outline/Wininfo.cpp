#include "outline/Wininfo.h"

#include "host/controls/Dialogs.h"
#include "host/controls/Outline.h"
#include "host/vcl/Forms.h"
#include "host/vcl/Notebooks.h"
#include "outline/Parento2.h"

namespace tavrin {

tZorWinControlInfo* ZorWinControlInfo = nullptr;

namespace {

std::string NameKey(const std::string& name, const std::string& className) { return name + '\n' + className; }

}  // namespace

tZorWinControlInfo::tZorWinControlInfo(TComponent*) {
    FrmInfo = new TFrmInfo(vcl::Application());
    FrmInfo->settab(false);
    alloccount = 0;
}

tZorWinControlInfo::~tZorWinControlInfo() {
    delete FrmInfo;
    FrmInfo = nullptr;
}

int32_t tZorWinControlInfo::AddNode(vcl::TOutline* outline, int32_t parent, TComponent* component, bool asChild) {
    NodeIDInto(nodeText_, component);
    return asChild ? outline->AddChild(parent, nodeText_) : outline->Add(parent, nodeText_);
}

void tZorWinControlInfo::AllocControl(int32_t parent, int position, tComponentAllocRec rec, vcl::TControl* control) {
    ++alloccount;
    const int32_t item = AddNode(FrmInfo->OutlineParent, parent, control, true);
    rec.allocated = true;
    alloclist[position] = rec;
    if (!vcl::Is<vcl::TNotebookBase>(control)) return;
    if (vcl::Is<vcl::TNotebook>(control)) HandleNoteBook(item, rec.index);
    if (vcl::Is<vcl::TTabbedNotebook>(control)) HandleTabbedNoteBook(item, rec.index);
}

void tZorWinControlInfo::ListControls() {
    // Parents do not change during a run, so one index serves every lookup.
    if (childrenListed_ == alloclist.Count()) return;
    families_.clear();
    familyOf_.clear();
    familyAt_.assign(size_t(alloclist.Count()), -1);
    for (int i = 0; i < alloclist.Count(); ++i) {
        auto* c = vcl::Cast<vcl::TControl>(ComponentOf(alloclist[i]));
        if (c == nullptr) continue;
        auto [at, added] = familyOf_.try_emplace(c->Parent(), int(families_.size()));
        if (added) families_.push_back({c->Parent(), {}});
        families_[size_t(at->second)].positions.push_back(i);
        familyAt_[size_t(i)] = at->second;
    }
    childrenListed_ = alloclist.Count();
}

const std::vector<int>& tZorWinControlInfo::ListedUnder(const TComponent* parent) {
    ListControls();
    static const std::vector<int> none;
    auto it = familyOf_.find(parent);
    return it == familyOf_.end() ? none : families_[size_t(it->second)].positions;
}

void tZorWinControlInfo::AddControlsForParent(int32_t parentItem, TComponent* parent) {
    if (!oktoproceed() || alloclist.Count() == 0) return;
    for (int i : ListedUnder(parent)) {
        const tComponentAllocRec rec = alloclist[i];
        if (!rec.allocated) AllocControl(parentItem, i, rec, ControlAt(i));
    }
}

void tZorWinControlInfo::AddPages(int32_t parentItem, int componentIndex) {
    auto* notebook = vcl::As<vcl::TNotebookBase>(form->Components(componentIndex));
    const vcl::TStringList pages = notebook->Pages();
    for (int i = 0; i < pages.Count(); ++i) {
        auto* page = static_cast<vcl::TComponent*>(pages.Objects(i));
        // A page with a name keeps it: the form's unit may declare it.
        if (page->Name().empty()) page->SetName(valid_componentname(pages.Strings(i)));
        const int32_t item = AddNode(FrmInfo->OutlineParent, parentItem, page, true);
        AddControlsForParent(item, page);
    }
}

void tZorWinControlInfo::HandleTabbedNoteBook(int32_t parentItem, int componentIndex) {
    AddPages(parentItem, componentIndex);
}

void tZorWinControlInfo::HandleNoteBook(int32_t parentItem, int componentIndex) { AddPages(parentItem, componentIndex); }

void tZorWinControlInfo::ProcessControls() {
    if (!oktoproceed()) return;
    vcl::TOutline* outline = FrmInfo->OutlineParent;
    outline->ExpectItems(alloclist.Count() + 1);  // the form and its controls
    const int32_t root = AddNode(outline, 0, form, false);
    if (alloclist.Count() == 0) return;
    AddControlsForParent(root, form);

    ListControls();
    // Per parent: its text, made when first needed, and the item count at which no item had
    // that text. Items are only added while the tree is built, so until the count moves on
    // the answer stays none. Only notebook pages are renamed meanwhile, and the controls on
    // a page are placed as it is renamed, so no text kept here is looked for after it changed.
    std::vector<std::string> parentTexts(families_.size());
    std::vector<bool> known(families_.size(), false);
    std::vector<int32_t> absentAt(families_.size(), -1);
    const int last = alloclist.Count() - 1;
    int i = 0;
    int passes = 0;
    bool done = false;
    for (;;) {
        const tComponentAllocRec rec = alloclist[i];
        // Only controls have a parent to be found under.
        const int f = familyAt_[size_t(i)];
        if (!rec.allocated && f >= 0 && absentAt[size_t(f)] != outline->ItemCount()) {
            vcl::TControl* control = ControlAt(i);
            if (!known[size_t(f)]) {
                parentTexts[size_t(f)] = NodeID(control->Parent());
                known[size_t(f)] = true;
            }
            const int32_t item = outline->GetTextItem(parentTexts[size_t(f)]);
            if (item > 0)
                AllocControl(item, i, rec, control);
            else
                absentAt[size_t(f)] = outline->ItemCount();
        }
        done = alloccount == alloclist.Count();
        if (done) break;
        if (i == last) {
            i = 0;
            if (++passes == MaxIterations) break;
        } else {
            ++i;
        }
    }
    if (!done) vcl::ShowMessage("WinControls unallocated after " + std::to_string(MaxIterations) + " iterations");
}

bool tZorWinControlInfo::execute() {
    return FrmInfo->ShowTree("Parentage for " + NodeID(form), "Parent Editor") == vcl::mrOk;
}

TComponent* tZorWinControlInfo::findfromnode(std::string_view text) {
    if (!oktoproceed() || alloclist.Count() == 0) return nullptr;
    std::string name, className;
    classnamefromid(text, name, className);
    if (namesListed_ != alloclist.Count()) {
        byName_.clear();
        for (int i = 0; i < alloclist.Count(); ++i) {
            const TComponent* c = ComponentOf(alloclist[i]);
            byName_[NameKey(c->Name(), c->ClassName())].push_back(i);
        }
        namesListed_ = alloclist.Count();
    }
    auto it = byName_.find(NameKey(name, className));
    if (it == byName_.end()) return nullptr;
    for (int i : it->second) {
        TComponent* c = ComponentOf(alloclist[i]);
        if (c->Name() == name && c->ClassName() == className) return c;
    }
    return nullptr;
}

}  // namespace tavrin
