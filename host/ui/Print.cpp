#include "host/ui/Print.h"

#include <algorithm>
#include <ostream>
#include <vector>

#include "host/controls/Dialogs.h"
#include "host/controls/Lines.h"
#include "host/controls/StdCtrls.h"
#include "host/ui/Dump.h"

namespace ui {

TPrintBackend::TPrintBackend(std::ostream& out, std::ostream& err, std::vector<std::string> exportButtons)
    : out_(out), err_(err), exportButtons_(std::move(exportButtons)) {}

vcl::TModalResult TPrintBackend::RunModal(vcl::TCustomForm& form) {
    if (depth_ == 0) {
        ++depth_;
        struct Leave {
            int& depth;
            ~Leave() { --depth; }
        } leave{depth_};
        Print(form);
    }
    form.SetModalResult(vcl::mrCancel);
    return vcl::mrCancel;
}

std::optional<std::string> TPrintBackend::AnswerSaveDialog(vcl::TSaveDialog&) {
    std::optional<std::string> answer = std::move(answer_);
    answer_.reset();
    return answer;
}

int TPrintBackend::MessageBox(const std::string& text, const std::string&, int) {
    err_ << "message: " << text << "\n";
    err_.flush();
    return vcl::IDOK;
}

bool TPrintBackend::PrintExport(vcl::TCustomForm& form) {
    vcl::TButton* button = nullptr;
    for (const auto& name : exportButtons_)
        if ((button = dynamic_cast<vcl::TButton*>(form.FindComponent(name))) != nullptr) break;
    if (button == nullptr) return false;

    // The export's lines come straight here, through a name a capture holds: printing writes
    // nothing to disk, and needs no temporary folder (a TMPDIR that names none made it fail).
    // Under /dev/null no file can ever be, so a writer the capture missed fails rather than
    // writes. Blocks hold whole lines, each ended by CR LF; the output is text for this system,
    // and a CR that ends no line stays.
    const std::string path = "/dev/null/tavrinqa-print.txt";
    // A block's lines go out in one write, through one buffer as large as a block: a write per
    // line costs the stream's checks tens of thousands of times.
    std::string lines;
    const vcl::TLineCapture capture(path, [&](std::string_view block) {
        lines.clear();
        for (size_t i = 0; i < block.size();) {
            const size_t at = std::min(block.find("\r\n", i), block.size());
            lines.append(block.data() + i, at - i);
            if (at < block.size()) lines.push_back('\n');
            i = at + 2;
        }
        out_.write(lines.data(), std::streamsize(lines.size()));
    });
    answer_ = path;
    button->Click();
    answer_.reset();
    out_.flush();
    return true;
}

void TPrintBackend::Print(vcl::TCustomForm& form) {
    if (PrintExport(form)) return;
    for (int i = 0; i < form.ComponentCount(); ++i)
        if (auto* memo = dynamic_cast<vcl::TMemo*>(form.Components(i))) {
            for (const auto& line : memo->Lines()) out_ << line << "\n";
            out_.flush();
            return;
        }
    DumpWindow(form, out_);
    out_.flush();
}

}  // namespace ui
