// One run of the tools on one opened form file, as the program, `check --fix` and the tests
// make it: the edit session of its windows (only what the person accepted is written), the
// tools' own state for this form, and the QA component the verbs belong to.
#pragma once

#include "host/formfile/FormModel.h"
#include "host/vcl/EditSession.h"
#include "toolbase/Infobase.h"

namespace tavrin {

class TFormRun {
public:
    explicit TFormRun(formfile::TFormFile& file);
    TFormRun(const TFormRun&) = delete;
    TFormRun& operator=(const TFormRun&) = delete;

    // The verb of the form's QA component, as the component editor runs it; a form without
    // one gets one dropped on it for the verb, and taken away afterwards (never written).
    void RunVerb(int verb);
    // The tools are done: see TEditSession::Finish.
    void Finish() { session_.Finish(); }
    bool Accepted() const { return session_.Accepted(); }
    // The person accepted a change the form does not hold yet on disk.
    bool HasAcceptedChanges() { return session_.Accepted() && file_.Modified(); }
    // Writes the accepted changes to path; once per run.
    void Save(const std::string& path);

private:
    formfile::TFormFile& file_;
    vcl::TEditSession session_;
    vcl::TSessionScope sessionScope_;
    TToolRun toolRun_;
};

}  // namespace tavrin
