// The base library's about box, and the property editor every tool property uses.
#pragma once

#include <string>

#include "host/controls/DesignedForm.h"
#include "host/controls/StdCtrls.h"
#include "host/designer/DesignIntf.h"

namespace zorbase {

// A designed window like the tools': its texts are labels and its picture an image, so a
// script and the screen reach its OK button the same way.
class TZorAboutBox : public vcl::TDesignedForm {
public:
    explicit TZorAboutBox(vcl::TComponent* owner);

    void setbitmap(const vcl::TPicture& picture) { ProgramIcon->Picture() = picture; }
    // Fits the picture area to the picture (an empty picture takes no room).
    void setbmpsize();
    void setprodnametext(const std::string& s) { ProductName->SetCaption(s); }
    void setyeartext(const std::string& s) { Copyright->SetCaption(s.empty() ? s : "Copyright " + s); }
    void setBoxcaptiontext(const std::string& s) { SetCaption(s); }
    void setversiontext(const std::string& s) { Version->SetCaption(s); }
    void setvercommenttext(const std::string& s) { Comments->SetCaption(s); }
    vcl::TModalResult execute() { return ShowModal(); }

    int PictureWidth() const { return ProgramIcon->Width(); }
    int PictureHeight() const { return ProgramIcon->Height(); }

    TAVRIN_CONTROL(vcl::TImage, ProgramIcon);
    TAVRIN_CONTROL(vcl::TLabel, ProductName);
    TAVRIN_CONTROL(vcl::TLabel, Version);
    TAVRIN_CONTROL(vcl::TLabel, Copyright);
    TAVRIN_CONTROL(vcl::TLabel, Comments);
    TAVRIN_CONTROL(vcl::TBitBtn, OKBtn);
};

// The about box while it is shown; null otherwise.
extern TZorAboutBox* ZorAboutBox;

// Read-only in the Object Inspector, with an ellipsis button that calls Edit.
class TZorAboutpropedit : public designer::TStringProperty {
public:
    using TStringProperty::TStringProperty;
    designer::TPropertyAttributes GetAttributes() const override {
        return designer::paDialog | designer::paReadOnly;
    }
    // "(Parentage)" for the property Parentage: the tool the button opens.
    std::string GetValue() const override { return "(" + GetName() + ")"; }
};

}  // namespace zorbase
