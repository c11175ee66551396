#include "check/HtmlReport.h"

#include <iostream>
#include <map>
#include <set>
#include <sstream>

#include "host/base/AtomicFile.h"
#include "host/formfile/FormModel.h"
#include "host/formfile/StoredView.h"
#include "host/ui/ScreenLoader.h"
#include "host/vcl/SysUtils.h"

namespace check {

namespace {

std::string Escaped(std::string_view text) {
    std::string out;
    for (char c : vcl::PrintableText(text)) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

// A component's name as part of an element id: letters, digits and '_' are all a name holds.
std::string IdPart(std::string_view name) {
    std::string out;
    for (char c : name) out += std::isalnum(static_cast<unsigned char>(c)) || c == '_' ? c : '-';
    return out.empty() ? "form" : out;
}

std::string Base64(std::string_view bytes) {
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t n = uint32_t(uint8_t(bytes[i])) << 16;
        if (i + 1 < bytes.size()) n |= uint32_t(uint8_t(bytes[i + 1])) << 8;
        if (i + 2 < bytes.size()) n |= uint8_t(bytes[i + 2]);
        out += digits[(n >> 18) & 63];
        out += digits[(n >> 12) & 63];
        out += i + 1 < bytes.size() ? digits[(n >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? digits[n & 63] : '=';
    }
    return out;
}

constexpr const char* kStyle = R"(body{font:14px sans-serif;margin:1.5em;color:#222}
table{border-collapse:collapse}td,th{border:1px solid #ccc;padding:2px 8px;text-align:left}
.pics{display:flex;flex-wrap:wrap;gap:1em;align-items:flex-start}figure{margin:0}
.pic{position:relative;display:inline-block}.pic img{display:block;border:1px solid #999}
.pic a{position:absolute;display:block}.pic a:target,.pic a:hover{outline:3px solid #fc0}
li:target{background:#ffd}.error{color:#b00}.warning{color:#a60}.note{color:#06a}
)";

}  // namespace

ui::TPreviewOptions PreviewOptionsFor(const formfile::TFormFile& file) {
    ui::TPreviewOptions options;
    options.stored = [&file](const vcl::TComponent& c, const std::function<void(const vcl::TStoredObject&)>& f) {
        if (std::optional<formfile::Object> object = file.ObjectOf(c)) f(formfile::StoredObject(*object));
    };
    return options;
}

int WriteHtmlReport(const std::string& path, std::ostream& out, std::ostream& err,
                    const std::vector<HtmlFinding>& findings, const std::vector<std::string>& forms) {
    for (const std::string& f : forms)
        if (!path.empty() && zorbase::SameFile(path, f)) {
            err << "tavrinqa: the report '" << vcl::PrintableText(path) << "' is the form '"
                      << vcl::PrintableText(f) << "'; a form is never replaced by a report\n";
            return 2;
        }
    std::ostringstream page;
    page << "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Tavrin QA check</title><style>" << kStyle
         << "</style></head><body>\n<h1>Check of " << forms.size() << " forms: " << findings.size()
         << " findings</h1>\n";

    std::map<std::string, size_t> byRule;
    std::vector<const std::string*> order;  // the forms with findings, in report order
    std::map<const std::string*, std::vector<const Finding*>> byForm;
    for (const HtmlFinding& h : findings) {
        ++byRule[h.finding->rule];
        if (byForm[h.file].empty()) order.push_back(h.file);
        byForm[h.file].push_back(h.finding);
    }
    page << "<h2>By rule</h2>\n<table><tr><th>rule</th><th>findings</th><th>what it finds</th></tr>\n";
    for (const auto& [rule, count] : byRule) {
        const RuleInfo* info = FindRule(rule);
        page << "<tr><td>" << Escaped(rule) << "</td><td>" << count << "</td><td>"
             << (info != nullptr ? Escaped(info->summary) : std::string()) << "</td></tr>\n";
    }
    page << "</table>\n";

    for (size_t i = 0; i < order.size(); ++i) {
        const std::string& name = *order[i];
        const std::vector<const Finding*>& list = byForm[order[i]];
        const std::string id = "f" + std::to_string(i);
        page << "<section><h2 id=\"" << id << "\">" << Escaped(name) << "</h2>\n";
        // The first finding on a control is where its mark leads.
        std::map<std::string, size_t> firstOn;
        for (size_t k = 0; k < list.size(); ++k) firstOn.emplace(vcl::LowerCase(list[k]->component), k);
        {
            try {
                std::unique_ptr<formfile::TFormFile> file = formfile::TFormFile::Load(name);
                ui::TPreviewOptions options = PreviewOptionsFor(*file);
                options.maxSide = 1200;
                for (size_t k = 0; k < list.size(); ++k) options.marks.push_back({list[k]->component, std::to_string(k + 1)});
                const ui::TPreviewPicture marked = ui::PreviewPicture(*file->Root(), options, "PNG");
                options.marks.clear();
                options.tabOrder = true;
                const ui::TPreviewPicture tabs = ui::PreviewPicture(*file->Root(), options, "PNG");
                page << "<div class=\"pics\"><figure><div class=\"pic\"><img alt=\"the form with its findings\" src=\"data:image/png;base64,"
                     << Base64(marked.bytes) << "\" width=\"" << marked.width << "\" height=\"" << marked.height << "\">";
                std::set<std::string> linked;
                for (const ui::TPreviewPlace& place : marked.places) {
                    auto at = firstOn.find(vcl::LowerCase(place.component));
                    if (at == firstOn.end() || !linked.insert(at->first).second) continue;
                    page << "<a id=\"" << id << "-c-" << IdPart(place.component) << "\" href=\"#" << id << "-" << at->second + 1
                         << "\" title=\"" << Escaped(place.component.empty() ? "the form" : place.component)
                         << "\" style=\"left:" << place.left << "px;top:" << place.top << "px;width:" << place.width
                         << "px;height:" << place.height << "px\"></a>";
                }
                page << "</div><figcaption>findings marked</figcaption></figure>\n<figure><img alt=\"tab order\" "
                        "src=\"data:image/png;base64,"
                     << Base64(tabs.bytes) << "\" width=\"" << tabs.width << "\" height=\"" << tabs.height
                     << "\"><figcaption>tab order (dashed: not a tab stop)</figcaption></figure></div>\n";
            } catch (const vcl::Exception& e) {
                page << "<p>No picture: " << Escaped(e.what()) << "</p>\n";
            }
        }
        page << "<ol>\n";
        for (size_t k = 0; k < list.size(); ++k) {
            const Finding& f = *list[k];
            const char* severity = SeverityName(f.severity);
            page << "<li id=\"" << id << "-" << k + 1 << "\"><a href=\"#" << id << "-c-" << IdPart(f.component) << "\">"
                 << Escaped(f.component.empty() ? "the form" : f.component) << "</a> line " << f.pos.line
                 << ": <span class=\"" << severity << "\">" << severity << "</span> " << Escaped(f.message) << " ["
                 << Escaped(f.rule) << "]</li>\n";
        }
        page << "</ol></section>\n";
    }
    page << "</body></html>\n";
    if (path.empty() || path == "-") {
        out << page.str();
        return 0;
    }
    try {
        zorbase::WriteFileAtomically(path, page.str());
    } catch (const vcl::Exception& e) {
        err << "tavrinqa: " << vcl::PrintableText(e.what()) << "\n";
        return 2;
    }
    return 0;
}

}  // namespace check
