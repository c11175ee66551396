#include "host/ui/Print.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>
#include <vector>

#include "host/controls/Dialogs.h"
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

    // A file not there yet, in a folder of our own, so that no overwrite question comes up;
    // with an extension of its own, the name is kept as it is by the dialog.
    std::string folder = (std::filesystem::temp_directory_path() / "tavrinqa-print-XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr)
        throw vcl::EInOutError("Cannot create a temporary folder for the text export");
    const std::string path = folder + "/view.txt";
    struct Remove {
        const std::string& folder;
        const std::string& path;
        ~Remove() {
            std::remove(path.c_str());
            std::remove(folder.c_str());
        }
    } remove{folder, path};

    answer_ = path;
    button->Click();
    answer_.reset();
    // The export ends its lines with CR LF; the output is text for this system. Read in blocks,
    // a CR at the end of one held back until the next shows whether it ends a line.
    std::ifstream in(path, std::ios::binary);
    std::vector<char> block(size_t(1) << 16);
    std::string text;
    bool heldCR = false;
    while (in.read(block.data(), std::streamsize(block.size())) || in.gcount() > 0) {
        const size_t n = size_t(in.gcount());
        text.clear();
        if (heldCR && block[0] != '\n') text += '\r';
        heldCR = block[n - 1] == '\r';
        const char* const data = block.data();
        for (size_t i = 0, end = n - (heldCR ? 1 : 0); i < end;) {
            const auto* cr = static_cast<const char*>(std::memchr(data + i, '\r', end - i));
            const size_t at = cr == nullptr ? end : size_t(cr - data);
            text.append(data + i, at - i);
            if (at < end && data[at + 1] != '\n') text += '\r';
            i = at + 1;
        }
        out_ << text;
    }
    if (heldCR) out_ << '\r';
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
