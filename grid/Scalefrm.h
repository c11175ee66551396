// The rescale dialog of the position grid: a scale factor for tops and one for lefts, each
// with an optional offset added after rounding, and optional constant widths and heights.
// It changes only the grid; the controls get the values when the grid window is accepted.
#pragma once

#include <cstdint>
#include <string>

#include "host/controls/DesignedForm.h"

namespace vcl {
class TGroupBox;
class TCheckBox;
class TEdit;
class TLabel;
class TBitBtn;
}  // namespace vcl

namespace tavrin {

// round(numerator / denominator * value) in extended precision, a half going to the even
// neighbour. The texts are the platform's floating-point text (EConvertError otherwise); a
// zero denominator raises EZeroDivide, a result outside 32 bits ERangeError.
int32_t ScalePosition(const std::string& numerator, const std::string& denominator, int32_t value);
// value + the offset text as a decimal integer; EIntOverflow outside 32 bits.
int32_t AddOffset(int32_t value, const std::string& offset);

class TScaleDlg : public vcl::TDesignedForm {
public:
    explicit TScaleDlg(vcl::TComponent* owner);

    TAVRIN_CONTROL(vcl::TGroupBox, GroupBox1);
    TAVRIN_CONTROL(vcl::TCheckBox, CheckLeftOffset);
    TAVRIN_CONTROL(vcl::TEdit, LeftOffset);
    TAVRIN_CONTROL(vcl::TCheckBox, CheckConstWidth);
    TAVRIN_CONTROL(vcl::TEdit, ConstWidth);
    TAVRIN_CONTROL(vcl::TLabel, Label1);
    TAVRIN_CONTROL(vcl::TEdit, LeftNumerator);
    TAVRIN_CONTROL(vcl::TLabel, Label2);
    TAVRIN_CONTROL(vcl::TEdit, LeftDenom);
    TAVRIN_CONTROL(vcl::TGroupBox, GroupBox2);
    TAVRIN_CONTROL(vcl::TCheckBox, CheckTopOffset);
    TAVRIN_CONTROL(vcl::TEdit, TopOffset);
    TAVRIN_CONTROL(vcl::TCheckBox, CheckConstHeight);
    TAVRIN_CONTROL(vcl::TEdit, ConstHeight);
    TAVRIN_CONTROL(vcl::TLabel, Label4);
    TAVRIN_CONTROL(vcl::TEdit, TopNumerator);
    TAVRIN_CONTROL(vcl::TLabel, Label5);
    TAVRIN_CONTROL(vcl::TEdit, TopDenom);
    TAVRIN_CONTROL(vcl::TBitBtn, OKBtn);
    TAVRIN_CONTROL(vcl::TBitBtn, CancelBtn);

    // Shows the dialog modally; true after OK.
    bool execute();
    // One row as the dialog's fields say, read afresh for every row: top scaled then offset,
    // height constant, left scaled then offset, width constant. A failing step raises and
    // leaves the four values as they were.
    void Rescale(int32_t& top, int32_t& left, int32_t& width, int32_t& height) const;

    // The fields OK would refuse: a scale that is no number or divides by zero, an offset or
    // constant (when its box is checked) that is no whole number.
    bool ChecksValues() const override { return true; }
    std::vector<TBadValue> BadValues() const override;

protected:
    // OK with a field that is no number (or a zero denominator) is refused: the dialog stays
    // open with what was typed.
    void CheckAccepted() override;
};

// The dialog while the grid window's Rescale button has it open.
extern TScaleDlg* ScaleDlg;

}  // namespace tavrin
