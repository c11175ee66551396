// The check's report as one page a browser opens without a network: the findings counted by
// rule, then each form with findings as the designer shows it, its findings marked on their
// controls and listed with their lines (each mark and its line link to one another), and its
// tab order drawn over it. The pictures come from the screen module, loaded only here.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "check/Rules.h"
#include "host/ui/PreviewOptions.h"

namespace formfile {
class TFormFile;
}

namespace check {

// What a picture of a loaded form reads from its file besides the model's values.
ui::TPreviewOptions PreviewOptionsFor(const formfile::TFormFile& file);

struct HtmlFinding {
    const std::string* file;
    const Finding* finding;
};
template <class List>
std::vector<HtmlFinding> HtmlFindings(const List& list) {
    std::vector<HtmlFinding> out;
    for (const auto& r : list) out.push_back({r.file, r.finding});
    return out;
}

// Writes the page to path (atomically), or to out when path is empty; forms names every form
// checked, which the page never replaces. Gives the exit status of a failure to write it (2),
// or 0.
int WriteHtmlReport(const std::string& path, std::ostream& out, std::ostream& err,
                    const std::vector<HtmlFinding>& findings, const std::vector<std::string>& forms);

}  // namespace check
