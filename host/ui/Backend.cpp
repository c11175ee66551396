#include "host/ui/Backend.h"

#include "host/controls/Dialogs.h"
#include "host/vcl/SysUtils.h"

namespace ui {

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
    vcl::SetModalRunner([backend](vcl::TCustomForm& form) { return backend->RunModal(form); });
    vcl::SetSaveDialogRunner([backend](vcl::TSaveDialog& dialog) { return backend->AnswerSaveDialog(dialog); });
    vcl::SetMessageBoxRunner([backend](const std::string& text, const std::string& caption, int flags) {
        return backend->MessageBox(text, caption, flags);
    });
    vcl::SetExceptionRunner([backend](const vcl::Exception& e) { backend->ShowException(e); });
}

}  // namespace ui
