#include "framework/FormRun.h"

#include <memory>
#include <utility>

#include "host/designer/DesignIntf.h"
#include "toolbase/TavrinQA.h"

namespace tavrin {

TFormRun::TFormRun(formfile::TFormFile& file) : file_(file), session_(file), sessionScope_(session_) {}

void TFormRun::RunVerb(int verb) {
    vcl::TComponent* root = file_.Root();
    TTavrinQA* qa = nullptr;
    // Its class first: a failed dynamic_cast on each of a large form's components is slow.
    for (int i = 0; i < root->ComponentCount() && qa == nullptr; ++i)
        if (vcl::TComponent* c = root->Components(i); c->InheritsFrom(&TTavrinQA::StaticClass()))
            qa = dynamic_cast<TTavrinQA*>(c);
    std::unique_ptr<TTavrinQA> dropped;
    if (qa == nullptr) {
        dropped.reset(qa = new TTavrinQA(root));
        qa->SetForTheRunOnly(true);
    }
    designer::Designer().CreateComponentEditor(qa)->ExecuteVerb(verb);
}

void TFormRun::Save(const std::string& path, std::string acceptedFile) {
    session_.Saved();
    file_.Save(path, std::move(acceptedFile));
}

}  // namespace tavrin
