#include "host/controls/Zorabou2.h"

extern const char kZorabou2Dfm[];

namespace zorbase {

TZorAboutBox* ZorAboutBox = nullptr;

TZorAboutBox::TZorAboutBox(vcl::TComponent* owner) : TDesignedForm(owner, "TZorAboutBox") {
    LoadDesign(kZorabou2Dfm, "Zorabou2.dfm");
    setbmpsize();
}

void TZorAboutBox::setbmpsize() {
    const vcl::TPicture& picture = ProgramIcon->Picture();
    ProgramIcon->SetBounds(ProgramIcon->Left(), ProgramIcon->Top(), picture.Width(), picture.Height());
}

}  // namespace zorbase
