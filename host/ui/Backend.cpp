#include "host/ui/Backend.h"

#include "host/controls/Dialogs.h"

namespace ui {

void Install(TBackend* backend) {
    if (backend == nullptr) {
        vcl::SetModalRunner(nullptr);
        vcl::SetSaveDialogRunner(nullptr);
        vcl::SetMessageBoxRunner(nullptr);
        return;
    }
    vcl::SetModalRunner([backend](vcl::TCustomForm& form) { return backend->RunModal(form); });
    vcl::SetSaveDialogRunner([backend](vcl::TSaveDialog& dialog) { return backend->AnswerSaveDialog(dialog); });
    vcl::SetMessageBoxRunner([backend](const std::string& text, const std::string& caption, int flags) {
        return backend->MessageBox(text, caption, flags);
    });
}

}  // namespace ui
