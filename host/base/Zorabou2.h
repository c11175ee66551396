// The base library's about box, and the property editor every tool property uses.
#pragma once

#include <string>

#include "host/designer/DesignIntf.h"
#include "host/vcl/Forms.h"
#include "host/vcl/Graphics.h"

namespace zorbase {

class TZorAboutBox : public vcl::TForm {
public:
    explicit TZorAboutBox(vcl::TComponent* owner);

    void setbitmap(const vcl::TPicture& picture) { picture_ = picture; }
    // Fits the picture area to the picture (an empty picture takes no room).
    void setbmpsize();
    void setprodnametext(const std::string& s) { productName_ = s; }
    void setyeartext(const std::string& s) { year_ = s; }
    void setBoxcaptiontext(const std::string& s) { SetCaption(s); }
    void setversiontext(const std::string& s) { version_ = s; }
    void setvercommenttext(const std::string& s) { versionComment_ = s; }
    vcl::TModalResult execute() { return ShowModal(); }

    const vcl::TPicture& Picture() const { return picture_; }
    int PictureWidth() const { return pictureWidth_; }
    int PictureHeight() const { return pictureHeight_; }
    const std::string& ProductName() const { return productName_; }
    const std::string& Year() const { return year_; }
    const std::string& Version() const { return version_; }
    const std::string& VersionComment() const { return versionComment_; }

private:
    vcl::TPicture picture_;
    int pictureWidth_ = 0;
    int pictureHeight_ = 0;
    std::string productName_, year_, version_, versionComment_;
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
