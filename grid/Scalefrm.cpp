#include "grid/Scalefrm.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "host/controls/StdCtrls.h"

extern const char kScalefrmDfm[];

namespace tavrin {

TScaleDlg* ScaleDlg = nullptr;

namespace {

// The platform's floating-point text: blanks around it, a sign, digits with the decimal
// point, an exponent. Infinities and NaN are no numbers a person types into a scale factor.
// The point is the locale's separator or '.', which every keyboard has.
long double ToExtended(const std::string& text) {
    std::string pointed = text;
    if (const std::string& separator = vcl::DecimalSeparator(); separator != ".")
        if (const size_t at = pointed.find(separator); at != std::string::npos)
            pointed.replace(at, separator.size(), ".");
    std::string_view s = pointed;
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    // from_chars takes a minus sign but no plus sign.
    const bool plus = !s.empty() && s.front() == '+';
    const std::string_view digits = plus ? s.substr(1) : s;
    long double value = 0;
    const bool twoSigns = plus && !digits.empty() && (digits.front() == '-' || digits.front() == '+');
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, std::chars_format::general);
    if (digits.empty() || twoSigns || ec != std::errc() || end != digits.data() + digits.size() || !std::isfinite(value))
        throw vcl::EConvertError("'" + text + "' is not a valid floating point value");
    return value;
}

}  // namespace

int32_t ScalePosition(const std::string& numerator, const std::string& denominator, int32_t value) {
    const long double a = ToExtended(numerator);
    const long double b = ToExtended(denominator);
    if (b == 0) throw vcl::EZeroDivide("Floating point division by zero");
    // The default rounding mode of the floating-point unit rounds a half to even.
    const long double rounded = std::nearbyintl(a / b * static_cast<long double>(value));
    if (!(rounded >= std::numeric_limits<int32_t>::min() && rounded <= std::numeric_limits<int32_t>::max()))
        throw vcl::ERangeError("Range check error: " + numerator + " / " + denominator + " of " +
                               std::to_string(value) + " does not fit an integer");
    return static_cast<int32_t>(rounded);
}

int32_t AddOffset(int32_t value, const std::string& offset) {
    const int64_t sum = int64_t(value) + vcl::StrToInt(offset);
    if (sum < std::numeric_limits<int32_t>::min() || sum > std::numeric_limits<int32_t>::max())
        throw vcl::EIntOverflow("Integer overflow: " + std::to_string(value) + " + " + offset);
    return static_cast<int32_t>(sum);
}

TScaleDlg::TScaleDlg(vcl::TComponent* owner) : TDesignedForm(owner, "TScaleDlg") {
    LoadDesign(kScalefrmDfm, "Scalefrm.dfm");
}

bool TScaleDlg::execute() { return ShowModal() == vcl::mrOk; }

void TScaleDlg::CheckAccepted() {
    int32_t top = 0, left = 0, width = 0, height = 0;
    Rescale(top, left, width, height);  // every field the rows will use, read as they will be
}

std::vector<vcl::TDesignedForm::TBadValue> TScaleDlg::BadValues() const {
    struct Field {
        const char* name;
        const vcl::TEdit* edit;
        enum { kFactor, kDivisor, kWhole } kind;
        const vcl::TCheckBox* when;
    };
    const Field fields[] = {
        {"Left Offset", LeftOffset, Field::kWhole, CheckLeftOffset},
        {"Const Width", ConstWidth, Field::kWhole, CheckConstWidth},
        {"Horiz Numerator", LeftNumerator, Field::kFactor, nullptr},
        {"Horiz Denominator", LeftDenom, Field::kDivisor, nullptr},
        {"Top Offset", TopOffset, Field::kWhole, CheckTopOffset},
        {"Const Height", ConstHeight, Field::kWhole, CheckConstHeight},
        {"Vert Numerator", TopNumerator, Field::kFactor, nullptr},
        {"Vert Denominator", TopDenom, Field::kDivisor, nullptr},
    };
    std::vector<TBadValue> bad;
    for (const Field& f : fields) {
        if (f.when != nullptr && !f.when->Checked()) continue;
        try {
            if (f.kind == Field::kWhole) vcl::StrToInt(f.edit->Text());
            else if (ToExtended(f.edit->Text()) == 0 && f.kind == Field::kDivisor)
                throw vcl::EZeroDivide("Floating point division by zero");
        } catch (const vcl::Exception& e) {
            bad.push_back({f.edit, -1, -1, std::string(f.name) + ": " + e.Message()});
        }
    }
    return bad;
}

void TScaleDlg::Rescale(int32_t& top, int32_t& left, int32_t& width, int32_t& height) const {
    int32_t t = ScalePosition(TopNumerator->Text(), TopDenom->Text(), top);
    if (CheckTopOffset->Checked()) t = AddOffset(t, TopOffset->Text());
    int32_t h = height;
    if (CheckConstHeight->Checked()) h = vcl::StrToInt(ConstHeight->Text());
    int32_t l = ScalePosition(LeftNumerator->Text(), LeftDenom->Text(), left);
    if (CheckLeftOffset->Checked()) l = AddOffset(l, LeftOffset->Text());
    int32_t w = width;
    if (CheckConstWidth->Checked()) w = vcl::StrToInt(ConstWidth->Text());
    top = t;
    left = l;
    width = w;
    height = h;
}

}  // namespace tavrin
