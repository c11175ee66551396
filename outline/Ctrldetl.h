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

    vcl::TLabel* Label7;
    vcl::TEdit* EdName;
    vcl::TLabel* Label8;
    vcl::TEdit* EdClass;
    vcl::TCheckBox* CheckBox1;
    vcl::TLabel* Label1;
    vcl::TEdit* EdTop;
    vcl::TLabel* Label2;
    vcl::TEdit* EdLeft;
    vcl::TCheckBox* CheckBox2;
    vcl::TLabel* Label4;
    vcl::TEdit* EdHeight;
    vcl::TLabel* Label3;
    vcl::TEdit* EdWidth;
    vcl::TLabel* Label5;
    vcl::TEdit* EdHint;
    vcl::TCheckBox* CheckBox3;
    vcl::TLabel* Label6;
    vcl::TEdit* EdTag;
    vcl::TBitBtn* OKBtn;
    vcl::TBitBtn* CancelBtn;

    // Loads the control into the fields; the control already loaded is left as the user
    // has edited it.
    void SetDisplControl(vcl::TControl* control);
    vcl::TControl* DisplControl() const { return DisplControl_; }
    // Shows the dialog modally; true after OK.
    bool execute();
    // Writes the fields into the control, each at once: top, left, width, height, hint,
    // tag, name, then the three flags. A field that fails stops the rest.
    vcl::TControl* GetDisplControl();

private:
    vcl::TControl* DisplControl_ = nullptr;
};

// The dialog while the outline window's Edit button has it open.
extern TControlDetailBox* ControlDetailBox;

}  // namespace tavrin
