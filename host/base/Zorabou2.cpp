#include "host/base/Zorabou2.h"

#include "host/vcl/ClassCatalogue.h"

namespace zorbase {

TZorAboutBox* ZorAboutBox = nullptr;

static const vcl::TClassInfo* AboutBoxClass() {
    static const vcl::TClassInfo* cls = &vcl::ClassCatalogue().Declare("TZorAboutBox", "TForm");
    return cls;
}

TZorAboutBox::TZorAboutBox(vcl::TComponent* owner) : vcl::TForm(owner, AboutBoxClass()) {}

void TZorAboutBox::setbmpsize() {
    pictureWidth_ = picture_.Width();
    pictureHeight_ = picture_.Height();
}

}  // namespace zorbase
