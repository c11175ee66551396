#include "outline/Ctrldetl.h"

#include "toolbase/Infobase.h"
#include "host/controls/StdCtrls.h"

extern const char kCtrldetlDfm[];

namespace tavrin {

TControlDetailBox* ControlDetailBox = nullptr;

TControlDetailBox::TControlDetailBox(vcl::TComponent* owner) : TDesignedForm(owner, "TControlDetailBox") {
    LoadDesign(kCtrldetlDfm, "Ctrldetl.dfm");
}

void TControlDetailBox::SetDisplControl(vcl::TControl* control) {
    if (control == DisplControl_) return;
    DisplControl_ = control;
    SetCaption("Details for " + NodeID(control));
    if (control == nullptr) return;
    EdTop->SetText(vcl::IntToStr(control->Top()));
    EdLeft->SetText(vcl::IntToStr(control->Left()));
    EdWidth->SetText(vcl::IntToStr(control->Width()));
    EdHeight->SetText(vcl::IntToStr(control->Height()));
    EdTag->SetText(vcl::IntToStr(control->Tag()));
    EdHint->SetText(std::string(control->Hint()));
    EdName->SetText(control->Name());
    EdClass->SetText(control->ClassName());
    CheckBox1->SetChecked(control->Enabled());
    CheckBox2->SetChecked(control->Visible());
    CheckBox3->SetChecked(control->ShowHint());
}

bool TControlDetailBox::execute() { return ShowModal() == vcl::mrOk; }

std::vector<vcl::TDesignedForm::TBadValue> TControlDetailBox::BadValues() const {
    const std::pair<const char*, vcl::TEdit*> numbers[] = {
        {"Top", EdTop}, {"Left", EdLeft}, {"Width", EdWidth}, {"Height", EdHeight}, {"Tag", EdTag}};
    std::vector<TBadValue> bad;
    for (const auto& [field, edit] : numbers) {
        try {
            vcl::StrToInt(edit->Text());
        } catch (const vcl::EConvertError& e) {
            bad.push_back({edit, -1, -1, std::string(field) + ": " + e.Message()});
        }
    }
    return bad;
}

void TControlDetailBox::CheckAccepted() {
    if (const std::vector<TBadValue> bad = BadValues(); !bad.empty()) throw vcl::EConvertError(bad.front().reason);
}

vcl::TControl* TControlDetailBox::GetDisplControl() {
    vcl::TControl* c = DisplControl_;
    if (c == nullptr) return nullptr;
    c->SetTop(vcl::StrToInt(EdTop->Text()));
    c->SetLeft(vcl::StrToInt(EdLeft->Text()));
    c->SetWidth(vcl::StrToInt(EdWidth->Text()));
    c->SetHeight(vcl::StrToInt(EdHeight->Text()));
    c->SetHint(EdHint->Text());
    c->SetTag(vcl::StrToInt(EdTag->Text()));
    c->SetName(EdName->Text());
    c->SetEnabled(CheckBox1->Checked());
    c->SetVisible(CheckBox2->Checked());
    c->SetShowHint(CheckBox3->Checked());
    return c;
}

}  // namespace tavrin
