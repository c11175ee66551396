// One run of the tools on one opened form file, as the program, `check --fix` and the tests
// make it: the edit session of its windows (only what the person accepted is written), the
// tools' own state for this form, and the QA component the verbs belong to.
#pragma once

#include <optional>
#include <string>

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
    // The file as the person's accepted changes leave it; none when they accepted nothing or
    // what they accepted leaves the file as it was read.
    std::optional<std::string> AcceptedFile() const {
        return session_.Accepted() ? file_.ChangedBytes() : std::nullopt;
    }
    // Writes what AcceptedFile gave to path; once per run.
    void Save(const std::string& path, std::string acceptedFile);

private:
    formfile::TFormFile& file_;
    vcl::TEditSession session_;
    vcl::TSessionScope sessionScope_;
    TToolRun toolRun_;
};

}  // namespace tavrin
