#include "outline/Parento2.h"

#include "toolbase/Infobase.h"
#include "host/controls/Dialogs.h"
#include "host/controls/Outline.h"
#include "host/controls/StdCtrls.h"
#include "outline/Ctrldetl.h"
#include "outline/Menuinfo.h"
#include "outline/Wininfo.h"

extern const char kParento2Dfm[];

namespace tavrin {

TFrmInfo* FrmInfo = nullptr;

// The menu view's button offers the view it does not show; its other caption is "&IDs".
constexpr const char* kCaptionsCaption = "Ca&ptions";

TFrmInfo::TFrmInfo(vcl::TComponent* owner) : TDesignedForm(owner, "TFrmInfo") {
    LoadDesign(kParento2Dfm, "Parento2.dfm");
}

void TFrmInfo::settab(bool on) {
    if (on) {
        OutlineParent->OnMouseDown() = Handler<vcl::TMouseEvent>("OutlineParentMouseDown");
        OutlineParent->OnDragOver() = Handler<vcl::TDragOverEvent>("OutlineParentDragOver");
        OutlineParent->OnDragDrop() = Handler<vcl::TDragDropEvent>("OutlineParentDragDrop");
    } else {
        OutlineParent->OnMouseDown() = nullptr;
        OutlineParent->OnDragOver() = nullptr;
        OutlineParent->OnDragDrop() = nullptr;
    }
    EditBtn->SetVisible(!on);
}

void TFrmInfo::setMenu(bool on) {
    settab(false);
    if (on) {
        EditBtn->OnClick() = Handler<vcl::TNotifyEvent>("MenuEditBtnClick");
        EditBtn->SetCaption(kCaptionsCaption);
    } else {
        EditBtn->SetCaption("&Edit");
    }
}

void TFrmInfo::read_ini(const std::string& section) {
    ReadWindowPlace(*this, section);
}

void TFrmInfo::write_ini(const std::string& section) {
    if (aninifile == nullptr) return;
    const zorbase::tinifile::Update once(*aninifile);  // one locked replace for the section
    WriteWindowPlace(*this, section);
}

vcl::TModalResult TFrmInfo::ShowTree(const std::string& caption, const std::string& section) {
    SetCaption(caption);
    OutlineParent->FullExpand();
    if (aninifile != nullptr) {
        const zorbase::tinifile::Reading once(*aninifile);
        if (aninifile->sect_exist(section)) read_ini(section);
    }
    const vcl::TModalResult result = ShowModal();
    write_ini(section);
    return result;
}

int32_t TFrmInfo::ItemAt(int X, int Y) const {
    try {
        const int32_t item = OutlineParent->GetItem(X, Y);
        return item > 0 ? item : -1;
    } catch (const vcl::Exception&) {
        return -1;
    }
}

bool TFrmInfo::SameParent(int32_t a, int32_t b) const {
    try {
        return OutlineParent->Items(a).Parent() == OutlineParent->Items(b).Parent();
    } catch (const vcl::Exception&) {
        return false;
    }
}

void TFrmInfo::OutlineParentMouseDown(vcl::TObject*, vcl::TMouseButton Button, vcl::TShiftState, int X, int Y) {
    if (Button != vcl::mbLeft) return;
    dragsource = ItemAt(X, Y);
    if (dragsource > 0) OutlineParent->BeginDrag(true);
}

void TFrmInfo::OutlineParentDragOver(vcl::TObject*, vcl::TObject* Source, int X, int Y, vcl::TDragState,
                                     bool& Accept) {
    Accept = false;
    if (!vcl::Is<vcl::TOutline>(Source)) return;
    droptarget = -1;
    droptarget = ItemAt(X, Y);
    Accept = droptarget > 0 && dragsource > 0 && SameParent(droptarget, dragsource);
}

void TFrmInfo::OutlineParentDragDrop(vcl::TObject*, vcl::TObject* Source, int X, int Y) {
    if (!vcl::Is<vcl::TOutline>(Source)) return;
    droptarget = -1;
    droptarget = ItemAt(X, Y);
    // The drop comes only where the drag-over accepted; the parent is checked again so that
    // an item can never change its parent.
    if (droptarget > 0 && dragsource > 0 && SameParent(droptarget, dragsource))
        OutlineParent->Items(dragsource).MoveTo(droptarget, vcl::oaInsert);
}

void TFrmInfo::EditBtnClick(vcl::TObject*) {
    if (ZorWinControlInfo == nullptr) return;
    const int32_t selected = OutlineParent->SelectedItem();
    if (selected <= 0) return;
    auto* control = dynamic_cast<vcl::TControl*>(ZorWinControlInfo->findfromnode(OutlineParent->Items(selected).Text()));
    if (control == nullptr) return;
    ControlDetailBox = new TControlDetailBox(this);
    struct Free {
        ~Free() {
            delete ControlDetailBox;
            ControlDetailBox = nullptr;
        }
    } free;
    ControlDetailBox->SetDisplControl(control);
    if (!ControlDetailBox->execute()) return;
    // The dialog may rename the control, whatever else it fails at.
    struct Renamed {
        ~Renamed() {
            if (ZorWinControlInfo != nullptr) ZorWinControlInfo->NamesChanged();
        }
    } renamed;
    ControlDetailBox->GetDisplControl();
}

void TFrmInfo::MenuEditBtnClick(vcl::TObject*) {
    const bool showCaptions = EditBtn->Caption() == kCaptionsCaption;
    EditBtn->SetCaption(showCaptions ? "&IDs" : kCaptionsCaption);
    if (ZorMenuInfo == nullptr) return;
    ZorMenuInfo->showcaptions = showCaptions;
    OutlineParent->Clear();
    ZorMenuInfo->ProcessControls();
}

void TFrmInfo::BtnExpandClick(vcl::TObject*) { OutlineParent->FullExpand(); }

void TFrmInfo::BtnCollapseClick(vcl::TObject*) { OutlineParent->FullCollapse(); }

void TFrmInfo::PrintBtnClick(vcl::TObject*) {
    if (!SaveDialog->Execute() || SaveDialog->FileName().empty()) return;
    WriteExport(SaveDialog->FileName(), Caption(), [&](vcl::TLineWriter& out) { OutlineParent->WriteLines(out); });
}

}  // namespace tavrin
