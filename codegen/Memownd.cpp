#include "codegen/Memownd.h"

#include "host/base/Zorexprtbase.h"

extern const char kMemowndDfm[];

namespace tavrin {

TMemoWindow* MemoWindow = nullptr;

TMemoWindow::TMemoWindow(vcl::TComponent* owner) : TDesignedForm(owner, "TMemoWindow") {
    LoadDesign(kMemowndDfm, "Memownd.dfm");
}

void TMemoWindow::BitBtn1Click(vcl::TObject*) {
    zorbase::TZorExpertBaseClass expert;
    expert.Insertext(Memo1->Lines().Text());
}

}  // namespace tavrin
