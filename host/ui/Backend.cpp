#include "host/ui/Backend.h"

#include "host/controls/Dialogs.h"
#include "host/vcl/SysUtils.h"

namespace ui {

namespace {
bool accepted = false;
}  // namespace

bool UserAccepted() { return accepted; }
void NoteUserAccepted() { accepted = true; }
void ResetUserAccepted() { accepted = false; }

void TBackend::ShowException(const vcl::Exception& e) {
    MessageBox(vcl::PrintableText(e.Message()), "Error", vcl::MB_OK | vcl::MB_ICONERROR);
}

void Install(TBackend* backend) {
    if (backend == nullptr) {
        vcl::SetModalRunner(nullptr);
        vcl::SetSaveDialogRunner(nullptr);
        vcl::SetMessageBoxRunner(nullptr);
        vcl::SetExceptionRunner(nullptr);
        return;
    }
    // Every modal window ends here, so here is where OK counts as accepted.
    vcl::SetModalRunner([backend](vcl::TCustomForm& form) {
        const vcl::TModalResult result = backend->RunModal(form);
        if (result == vcl::mrOk) accepted = true;
        return result;
    });
    vcl::SetSaveDialogRunner([backend](vcl::TSaveDialog& dialog) { return backend->AnswerSaveDialog(dialog); });
    vcl::SetMessageBoxRunner([backend](const std::string& text, const std::string& caption, int flags) {
        return backend->MessageBox(text, caption, flags);
    });
    vcl::SetExceptionRunner([backend](const vcl::Exception& e) { backend->ShowException(e); });
}

}  // namespace ui
