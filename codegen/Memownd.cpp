#include "codegen/Memownd.h"

#include "host/base/Zorexprtbase.h"

extern const char kMemowndDfm[];

namespace tavrin {

TMemoWindow* MemoWindow = nullptr;

TMemoWindow::TMemoWindow(vcl::TComponent* owner) : TDesignedForm(owner, "TMemoWindow") {
    RegisterHandler("BitBtn1Click", [this](vcl::TObject* sender) { BitBtn1Click(sender); });
    LoadDesign(kMemowndDfm, "Memownd.dfm");
    Panel1 = Control<vcl::TPanel>("Panel1");
    OKBtn = Control<vcl::TBitBtn>("OKBtn");
    CancelBtn = Control<vcl::TBitBtn>("CancelBtn");
    HelpBtn = Control<vcl::TBitBtn>("HelpBtn");
    Memo1 = Control<vcl::TMemo>("Memo1");
    BitBtn1 = Control<vcl::TBitBtn>("BitBtn1");
}

void TMemoWindow::BitBtn1Click(vcl::TObject*) {
    zorbase::TZorExpertBaseClass expert;
    expert.Insertext(Memo1->Lines().Text());
}

}  // namespace tavrin
