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

    vcl::TGroupBox* GroupBox1;
    vcl::TCheckBox* CheckLeftOffset;
    vcl::TEdit* LeftOffset;
    vcl::TCheckBox* CheckConstWidth;
    vcl::TEdit* ConstWidth;
    vcl::TLabel* Label1;
    vcl::TEdit* LeftNumerator;
    vcl::TLabel* Label2;
    vcl::TEdit* LeftDenom;
    vcl::TGroupBox* GroupBox2;
    vcl::TCheckBox* CheckTopOffset;
    vcl::TEdit* TopOffset;
    vcl::TCheckBox* CheckConstHeight;
    vcl::TEdit* ConstHeight;
    vcl::TLabel* Label4;
    vcl::TEdit* TopNumerator;
    vcl::TLabel* Label5;
    vcl::TEdit* TopDenom;
    vcl::TBitBtn* OKBtn;
    vcl::TBitBtn* CancelBtn;

    // Shows the dialog modally; true after OK.
    bool execute();
    // One row as the dialog's fields say, read afresh for every row: top scaled then offset,
    // height constant, left scaled then offset, width constant. A failing step raises and
    // leaves the four values as they were.
    void Rescale(int32_t& top, int32_t& left, int32_t& width, int32_t& height) const;
};

// The dialog while the grid window's Rescale button has it open.
extern TScaleDlg* ScaleDlg;

}  // namespace tavrin
