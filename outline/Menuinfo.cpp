#include "outline/Menuinfo.h"

#include "host/base/Zormanip.h"
#include "host/controls/Outline.h"
#include "host/vcl/Forms.h"
#include "host/vcl/Menus.h"
#include "outline/Parento2.h"

namespace tavrin {

tZorMenuInfo* ZorMenuInfo = nullptr;

tZorMenuInfo::tZorMenuInfo(TComponent*) {
    FrmInfo = new TFrmInfo(vcl::Application());
    FrmInfo->settab(true);
    FrmInfo->setMenu(true);
    alloccount = 0;
    showcaptions = false;
}

tZorMenuInfo::~tZorMenuInfo() {
    delete FrmInfo;
    FrmInfo = nullptr;
}

void tZorMenuInfo::categorisecontrols() {
    if (!oktoproceed()) return;
    for (int i = 0; i < form->ComponentCount(); ++i) {
        const tComponentAllocRec rec = tComponentAllocRec::Make(i);
        const TComponent* c = form->Components(i);
        if (vcl::Is<vcl::TMenu>(c)) menulist.Add(rec);
        if (vcl::Is<vcl::TMenuItem>(c)) alloclist.Add(rec);
    }
}

void tZorMenuInfo::ProcessControls() {
    if (!oktoproceed()) return;
    vcl::TOutline* outline = FrmInfo->OutlineParent;
    outline->ExpectItems(1 + menulist.Count() + alloclist.Count());  // the form, its menus and their items
    const std::string rootText = NodeID(form);
    outline->Add(0, rootText);
    for (const tComponentAllocRec& rec : menulist) {
        auto* menu = vcl::As<vcl::TMenu>(ComponentOf(rec));
        const int32_t root = outline->GetTextItem(rootText);
        menuid = NodeID(menu);
        outline->AddChild(root, menuid);
        AddItemsForParent(menu->Items(), true);
    }
    if (showcaptions) {
        outline->ForEachItem([this](vcl::TOutlineNode* node, int) {
            const std::string caption = CaptionfromItem(node->Text());
            if (!caption.empty()) node->SetText(caption);
            return true;
        });
    }
    outline->FullExpand();
}

void tZorMenuInfo::AddItemsForParent(TComponent* parent, bool top) {
    if (!oktoproceed() || alloclist.Count() == 0) return;
    if (!vcl::Is<vcl::TMenuItem>(parent)) return;
    // The items' parents do not change while the tool runs, so one index serves every call.
    if (childrenListed_ != alloclist.Count()) {
        children_.clear();
        for (int i = 0; i < alloclist.Count(); ++i)
            children_[static_cast<vcl::TMenuItem*>(ComponentOf(alloclist[i]))->Parent()].push_back(i);
        childrenListed_ = alloclist.Count();
    }
    auto it = children_.find(parent);
    if (it == children_.end()) return;
    for (int i : it->second) {
        const tComponentAllocRec rec = alloclist[i];
        AllocControl(i, rec, top, static_cast<vcl::TMenuItem*>(ComponentOf(rec)));
    }
}

void tZorMenuInfo::AllocControl(int index, tComponentAllocRec rec, bool top, vcl::TMenuItem* item) {
    vcl::TOutline* outline = FrmInfo->OutlineParent;
    const int32_t node = outline->GetTextItem(top ? menuid : NodeID(item->Parent()));
    ++alloccount;
    outline->AddChild(node, NodeID(item));
    rec.allocated = true;
    alloclist[index] = rec;
    AddItemsForParent(item, false);
}

std::string tZorMenuInfo::CaptionfromItem(std::string_view text) {
    if (!oktoproceed() || alloclist.Count() == 0) return {};
    // Names do not change while the tool runs, so the identifiers are indexed once.
    if (byNodeID_.empty())
        for (int i = 0; i < alloclist.Count(); ++i) byNodeID_.emplace(NodeID(ComponentOf(alloclist[i])), i);
    auto it = byNodeID_.find(text);
    if (it == byNodeID_.end()) return {};
    const auto* item = static_cast<const vcl::TMenuItem*>(ComponentOf(alloclist[it->second]));
    return zorbase::remove_char('&', item->Caption());
}

bool tZorMenuInfo::execute() {
    return FrmInfo->ShowTree("Menus for " + NodeID(form), "Menu Editor") == vcl::mrOk;
}

}  // namespace tavrin
