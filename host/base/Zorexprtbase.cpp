#include "host/base/Zorexprtbase.h"

#include "host/base/AtomicFile.h"
#include "host/vcl/EditSession.h"
#include "host/vcl/SysUtils.h"

#include <atomic>
#include <optional>
#include <ostream>
#include <string_view>
#include <utility>

namespace zorbase {

namespace {

// The host may switch editors from its UI thread while an expert runs on another.
std::atomic<TSourceEditor*> currentEditor{nullptr};

// Every line end of text, whatever its style, as eol; a lone CR is left alone.
std::string WithLineEnds(std::string_view text, const std::string& eol) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        if (text[i] == '\n')
            out += eol;
        else
            out += text[i];
    }
    return out;
}

}  // namespace

void SetSourceEditor(TSourceEditor* editor) { currentEditor.store(editor); }

TSourceEditor* SourceEditor() { return currentEditor.load(); }

void TZorExpertBaseClass::Insertext(const std::string& text) {
    TSourceEditor* editor = SourceEditor();
    if (!editor) throw vcl::Exception("No source editor is open to insert the generated text into");
    editor->InsertText(text);
    // The text reached the editor: the person accepted it.
    if (vcl::TEditSession* session = vcl::CurrentEditSession()) session->Accept();
}

TUnitFileEditor::TUnitFileEditor(std::string fileName, int line)
    : fileName_(std::move(fileName)), line_(line < 0 ? 0 : line) {
    // A unit that cannot be examined now gets its error at Commit, when something is pasted.
    try {
        opened_ = StampOf(fileName_);
    } catch (const vcl::EInOutError&) {
    }
}

void TUnitFileEditor::InsertText(const std::string& text) { pending_ += text; }

void TUnitFileEditor::Commit() {
    if (pending_.empty()) return;
    FileStamp read;
    const std::optional<std::string> existing = ReadWholeFile(fileName_, &read);
    if (!existing)
        throw vcl::EInOutError("Cannot insert into '" + vcl::PrintableText(fileName_) + "': no such unit file");
    if (opened_ && *opened_ != read)
        throw vcl::EInOutError("'" + vcl::PrintableText(fileName_) +
                               "' was changed by another program since it was opened; not saved");
    std::string unit = *existing;

    // The file's style is that of its first line end; a file without one gets LF.
    const size_t firstNl = unit.find('\n');
    const std::string eol = firstNl != std::string::npos && firstNl > 0 && unit[firstNl - 1] == '\r'
                                ? "\r\n"
                                : "\n";
    // The text ends in a line end so that the line it goes before stays a line of its own.
    std::string block = WithLineEnds(pending_, eol);
    if (block.back() != '\n') block += eol;

    size_t at = std::string::npos;
    if (line_ >= 1) {
        size_t start = 0;
        for (int n = 1; n < line_ && start != std::string::npos; ++n) {
            const size_t nl = unit.find('\n', start);
            start = nl == std::string::npos ? nl : nl + 1;
        }
        if (start != std::string::npos && start < unit.size()) at = start;
    }
    const bool append = at == std::string::npos;
    if (append) {
        at = unit.size();
        if (!unit.empty() && unit.back() != '\n') block.insert(0, eol);
    } else if (at == 0 && unit.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        at = 3;  // the byte order mark stays first
    }
    unit.insert(at, block);
    WriteFileAtomically(fileName_, unit, &read, *existing);
    opened_ = read;

    if (!append) {
        size_t lines = 0;
        for (char c : block) lines += c == '\n';
        line_ += int(lines);
    }
    pending_.clear();
}

void TStreamEditor::InsertText(const std::string& text) {
    out_ << text;
    out_.flush();
    if (!out_) throw vcl::EInOutError("Cannot write the generated text to its stream");
}

}  // namespace zorbase
