// The control detail dialog: one control's name, class, position, size, hint, tag and
// flags, written straight back into the control after OK.
#pragma once

#include "host/controls/DesignedForm.h"

namespace vcl {
class TLabel;
class TEdit;
class TCheckBox;
class TBitBtn;
}  // namespace vcl

namespace tavrin {

class TControlDetailBox : public vcl::TDesignedForm {
public:
    explicit TControlDetailBox(vcl::TComponent* owner);

    TAVRIN_CONTROL(vcl::TLabel, Label7);
    TAVRIN_CONTROL(vcl::TEdit, EdName);
    TAVRIN_CONTROL(vcl::TLabel, Label8);
    TAVRIN_CONTROL(vcl::TEdit, EdClass);
    TAVRIN_CONTROL(vcl::TCheckBox, CheckBox1);
    TAVRIN_CONTROL(vcl::TLabel, Label1);
    TAVRIN_CONTROL(vcl::TEdit, EdTop);
    TAVRIN_CONTROL(vcl::TLabel, Label2);
    TAVRIN_CONTROL(vcl::TEdit, EdLeft);
    TAVRIN_CONTROL(vcl::TCheckBox, CheckBox2);
    TAVRIN_CONTROL(vcl::TLabel, Label4);
    TAVRIN_CONTROL(vcl::TEdit, EdHeight);
    TAVRIN_CONTROL(vcl::TLabel, Label3);
    TAVRIN_CONTROL(vcl::TEdit, EdWidth);
    TAVRIN_CONTROL(vcl::TLabel, Label5);
    TAVRIN_CONTROL(vcl::TEdit, EdHint);
    TAVRIN_CONTROL(vcl::TCheckBox, CheckBox3);
    TAVRIN_CONTROL(vcl::TLabel, Label6);
    TAVRIN_CONTROL(vcl::TEdit, EdTag);
    TAVRIN_CONTROL(vcl::TBitBtn, OKBtn);
    TAVRIN_CONTROL(vcl::TBitBtn, CancelBtn);

    // Loads the control into the fields; the control already loaded is left as the user
    // has edited it.
    void SetDisplControl(vcl::TControl* control);
    vcl::TControl* DisplControl() const { return DisplControl_; }
    // Shows the dialog modally; true after OK.
    bool execute();
    // Writes the fields into the control, each at once: top, left, width, height, hint,
    // tag, name, then the three flags. A field that fails stops the rest.
    vcl::TControl* GetDisplControl();

    bool ChecksValues() const override { return true; }
    std::vector<TBadValue> BadValues() const override;

protected:
    // OK with a number field that is no number is refused, naming it; the dialog stays open
    // with every field as typed, and nothing has reached the control.
    void CheckAccepted() override;

private:
    vcl::TControl* DisplControl_ = nullptr;
};

// The dialog while the outline window's Edit button has it open.
extern TControlDetailBox* ControlDetailBox;

}  // namespace tavrin
