#include "outline/Ctrldetl.h"

#include "toolbase/Infobase.h"
#include "host/controls/StdCtrls.h"

extern const char kCtrldetlDfm[];

namespace tavrin {

TControlDetailBox* ControlDetailBox = nullptr;

TControlDetailBox::TControlDetailBox(vcl::TComponent* owner) : TDesignedForm(owner, "TControlDetailBox") {
    using namespace vcl;
    LoadDesign(kCtrldetlDfm, "Ctrldetl.dfm");
    Label7 = Control<TLabel>("Label7");
    EdName = Control<TEdit>("EdName");
    Label8 = Control<TLabel>("Label8");
    EdClass = Control<TEdit>("EdClass");
    CheckBox1 = Control<TCheckBox>("CheckBox1");
    Label1 = Control<TLabel>("Label1");
    EdTop = Control<TEdit>("EdTop");
    Label2 = Control<TLabel>("Label2");
    EdLeft = Control<TEdit>("EdLeft");
    CheckBox2 = Control<TCheckBox>("CheckBox2");
    Label4 = Control<TLabel>("Label4");
    EdHeight = Control<TEdit>("EdHeight");
    Label3 = Control<TLabel>("Label3");
    EdWidth = Control<TEdit>("EdWidth");
    Label5 = Control<TLabel>("Label5");
    EdHint = Control<TEdit>("EdHint");
    CheckBox3 = Control<TCheckBox>("CheckBox3");
    Label6 = Control<TLabel>("Label6");
    EdTag = Control<TEdit>("EdTag");
    OKBtn = Control<TBitBtn>("OKBtn");
    CancelBtn = Control<TBitBtn>("CancelBtn");
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
    EdHint->SetText(control->Hint());
    EdName->SetText(control->Name());
    EdClass->SetText(control->ClassName());
    CheckBox1->SetChecked(control->Enabled());
    CheckBox2->SetChecked(control->Visible());
    CheckBox3->SetChecked(control->ShowHint());
}

bool TControlDetailBox::execute() { return ShowModal() == vcl::mrOk; }

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
