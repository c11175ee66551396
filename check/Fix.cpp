#include "check/Fix.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <set>
#include <sstream>
#include <unordered_map>
#include <unordered_set>

#include <dtl/dtl.hpp>

#include "framework/FormRun.h"
#include "framework/cfrminfo.h"
#include "host/controls/Dialogs.h"
#include "host/controls/Outline.h"
#include "host/formfile/FormModel.h"
#include "host/ui/Backend.h"
#include "host/vcl/Controls.h"
#include "host/vcl/SysUtils.h"
#include "outline/Parento2.h"
#include "outline/Tabinfo.h"

namespace check {

namespace {

using vcl::TWinControl;

// Plays the person at the tab order tool: drags the children of each parent to be fixed
// into reading order, then presses OK. Controls the rule does not tab to (hidden ones,
// panels without tab stops) keep their places among them.
class ReorderingBackend : public ui::TBackend {
public:
    explicit ReorderingBackend(const std::vector<TabFix>& fixes) {
        for (const TabFix& f : fixes) order_[f.parent] = f.readingOrder;
    }
    vcl::TModalResult RunModal(vcl::TCustomForm&) override {
        vcl::TOutline* outline = tavrin::FrmInfo->OutlineParent;
        std::vector<std::pair<vcl::TOutlineNode*, std::vector<vcl::TOutlineNode*>>> families;
        for (vcl::TOutlineNode* node : outline->Nodes()) {
            std::vector<vcl::TOutlineNode*> children;
            for (int32_t c = node->getFirstChild(); c != -1; c = node->GetNextChild(c))
                children.push_back(&outline->Items(c));
            if (!children.empty()) families.emplace_back(node, std::move(children));
        }
        for (auto& [node, children] : families) {
            std::vector<TWinControl*> controls;
            const TWinControl* parent = nullptr;
            for (vcl::TOutlineNode* child : children) {
                auto* w = dynamic_cast<TWinControl*>(tavrin::ZorTabInfo->findfromnode(child->Text()));
                controls.push_back(w);
                if (w && !parent) parent = w->Parent();
            }
            auto it = order_.find(parent);
            if (it == order_.end()) continue;
            // The places the rule's tab stops hold now, filled in reading order.
            const std::unordered_set<TWinControl*> stops(it->second.begin(), it->second.end());
            size_t next = 0;
            std::unordered_map<TWinControl*, vcl::TOutlineNode*> nodeOf;
            for (size_t i = 0; i < children.size(); ++i)
                if (controls[i]) nodeOf[controls[i]] = children[i];
            std::vector<vcl::TOutlineNode*> wanted;
            for (size_t i = 0; i < children.size(); ++i) {
                if (controls[i] && stops.count(controls[i]) && next < it->second.size() && nodeOf.count(it->second[next]))
                    wanted.push_back(nodeOf[it->second[next++]]);
                else
                    wanted.push_back(children[i]);
            }
            for (vcl::TOutlineNode* child : wanted) child->MoveTo(node->Index(), vcl::oaAddChild);
        }
        return vcl::mrOk;
    }
    std::optional<std::string> AnswerSaveDialog(vcl::TSaveDialog&) override { return std::nullopt; }
    int MessageBox(const std::string&, const std::string&, int) override { return vcl::IDOK; }

private:
    std::unordered_map<const TWinControl*, std::vector<TWinControl*>> order_;
};

// The fixes for the parents of the named components.
std::vector<TabFix> Wanted(const formfile::TFormFile& file, const std::vector<std::string>& components,
                           const RuleSettings& settings) {
    std::vector<TabFix> out;
    for (TabFix& f : TabFixes(file, settings))
        for (const TWinControl* w : f.readingOrder)
            if (std::any_of(components.begin(), components.end(), [&](auto& n) { return vcl::SameText(n, w->Name()); })) {
                out.push_back(std::move(f));
                break;
            }
    return out;
}

std::string ParentName(const TWinControl* parent) {
    return parent->Name().empty() ? "(" + parent->ClassName() + ")" : parent->Name();
}

}  // namespace

FixResult FixTabOrder(const std::string& path, const std::vector<std::string>& components,
                      const RuleSettings& settings, bool write) {
    FixResult result;
    try {
        std::unique_ptr<formfile::TFormFile> file = formfile::TFormFile::Load(path);
        result.before = result.after = std::string(file->Doc().Source());
        const std::vector<TabFix> fixes = Wanted(*file, components, settings);
        if (fixes.empty()) return result;
        std::optional<std::string> accepted;
        std::set<std::string> parents;
        for (const TabFix& f : fixes) parents.insert(vcl::LowerCase(ParentName(f.parent)));
        {
            // The tool's window is an edit session: what the tool does to show the form
            // (it names unnamed pages) is not written, only the tab orders it was told to set.
            ReorderingBackend backend(fixes);
            ui::TInstalled installed(backend);
            tavrin::TFormRun run(*file);
            tavrin::showalltabs(file->Root());
            run.Finish();
            accepted = run.AcceptedFile();
            if (!accepted) {
                result.error = "the tab order tool changed nothing";
                return result;
            }
        }
        std::string& after = *accepted;
        // The fixed file, read afresh, must satisfy the rule under every parent fixed.
        std::unique_ptr<formfile::TFormFile> again = formfile::TFormFile::LoadBytes(after, path);
        for (const TabFix& f : TabFixes(*again, settings))
            if (parents.count(vcl::LowerCase(ParentName(f.parent)))) {
                result.error = "the tab order under " + ParentName(f.parent) + " could not be put in reading order";
                return result;
            }
        if (write) file->Save(path, after);
        result.after = std::move(after);
        result.changed = file->ChangedComponents();
        for (const TabFix& f : fixes)
            for (const TWinControl* w : f.readingOrder)
                for (const std::string& name : components)
                    if (vcl::SameText(name, w->Name())) result.settled.push_back(name);
    } catch (const vcl::EParserError& e) {
        result.error = e.what();
    } catch (const vcl::Exception& e) {
        result.error = std::string(e.ClassName()) + ": " + e.what();
    } catch (const std::exception& e) {
        result.error = e.what();
    }
    if (!result.error.empty()) result.after = result.before;
    return result;
}

namespace {

// Lines keep a carriage return of their own, so that the patch applies to a CRLF file.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(std::move(line));
    return out;
}

// A binary form as the text it converts to.
std::string AsText(const std::string& bytes) {
    const formfile::Document doc = formfile::Document::Parse(bytes);
    if (doc.SourceFormat() == formfile::Format::Text) return bytes;
    return formfile::ToText(doc);
}

// A name in a patch header as patch reads it back: as it is, ended by a tab when it has
// blanks; in double quotes with C escapes (as git writes them) when it has a control
// character, a quote, a backslash or bytes that are not UTF-8, so that no name ends its line
// early and steers patch to another file.
std::string PatchName(const std::string& name) {
    bool quote = false;
    for (size_t i = 0; i < name.size() && !quote;) {
        const auto c = static_cast<unsigned char>(name[i]);
        const size_t n = c >= 0x80 ? vcl::Utf8SequenceAt(name, i) : 1;
        quote = n == 0 || c < 0x20 || c == 0x7F || c == '"' || c == '\\';
        i += std::max<size_t>(n, 1);
    }
    if (!quote) return name.find(' ') == std::string::npos ? name : name + '\t';
    std::string out = "\"";
    for (size_t i = 0; i < name.size();) {
        const auto c = static_cast<unsigned char>(name[i]);
        const size_t n = c >= 0x80 ? vcl::Utf8SequenceAt(name, i) : 0;
        if (n > 0) {
            out.append(name, i, n);
            i += n;
            continue;
        }
        if (c == '"' || c == '\\') out += {'\\', char(c)};
        else if (c >= '\a' && c <= '\r') out += {'\\', "abtnvfr"[c - '\a']};  // \a \b \t \n \v \f \r in order
        else if (c < 0x20 || c >= 0x7F) out += {'\\', char('0' + (c >> 6)), char('0' + ((c >> 3) & 7)), char('0' + (c & 7))};
        else out += char(c);
        ++i;
    }
    return out + "\"";
}

}  // namespace

std::string UnifiedDiff(const std::string& path, const std::string& before, const std::string& after) {
    if (before == after) return {};
    const bool binary = formfile::DetectFormat(before) != formfile::Format::Text;
    dtl::Diff<std::string, std::vector<std::string>> diff(Lines(binary ? AsText(before) : before),
                                                         Lines(binary ? AsText(after) : after));
    diff.onHuge();
    diff.compose();
    diff.composeUnifiedHunks();
    std::ostringstream hunks;
    diff.printUnifiedFormat(hunks);
    // patch -p1 takes the name after a/ and b/.
    const std::string label = std::filesystem::path(path).lexically_normal().string();
    const std::string a = PatchName("a/" + label), b = PatchName("b/" + label);
    std::ostringstream out;
    if (!binary) {
        out << "--- " << a << "\n+++ " << b << "\n" << hunks.str();
        return out.str();
    }
    // A binary form cannot be patched: its change is shown as text, in lines patch passes over.
    out << "Binary files " << a << " and " << b << " differ; as text:\n";
    std::istringstream lines(hunks.str());
    for (std::string line; std::getline(lines, line);) out << "# " << line << "\n";
    return out.str();
}

}  // namespace check
