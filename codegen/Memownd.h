// The property values window: shows the generated form data text in an editable memo and
// pastes the memo's text, as edited, into the host's source editor.
#pragma once

#include "host/controls/DesignedForm.h"
#include "host/controls/StdCtrls.h"

namespace tavrin {

class TMemoWindow : public vcl::TDesignedForm {
public:
    explicit TMemoWindow(vcl::TComponent* owner);

    TAVRIN_CONTROL(vcl::TPanel, Panel1);
    TAVRIN_CONTROL(vcl::TBitBtn, OKBtn);
    TAVRIN_CONTROL(vcl::TBitBtn, CancelBtn);
    TAVRIN_CONTROL(vcl::TBitBtn, HelpBtn);
    TAVRIN_CONTROL(vcl::TMemo, Memo1);
    TAVRIN_CONTROL(vcl::TBitBtn, BitBtn1);

    // Paste: every memo line followed by CR LF goes to the source editor. The window stays
    // open, so pressing it again inserts the text again; an error from the editor passes on.
    TAVRIN_HANDLER(BitBtn1Click)(vcl::TObject* sender);
};

// The window of the running form data generator; null when none runs.
extern TMemoWindow* MemoWindow;

}  // namespace tavrin
