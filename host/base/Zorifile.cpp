#include "host/base/Zorifile.h"

#include "host/base/AtomicFile.h"
#include "host/vcl/SysUtils.h"

#include <iostream>
#include <limits>
#include <mutex>
#include <optional>
#include <set>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

// The file is re-read on every call rather than cached: it is a few hundred bytes, and a cache
// keyed on size/mtime/inode can miss a rewrite of the same size when the inode number freed by
// one rename is handed to the next temporary file within one clock tick.
//
// Duplicates: only the first [Section] block of a name counts; later blocks of that name are
// kept byte for byte but never read or changed. Within that block the first line of a key holds
// its value and its place; later lines of the same key are kept, shadowed, and are no entries.

namespace zorbase {
namespace {

constexpr size_t npos = std::string::npos;
constexpr const char* kBom = "\xEF\xBB\xBF";
// Every window and grid of every tool fits in a few kilobytes; a larger file is no settings
// file of ours and is neither read nor replaced.
constexpr uint64_t kMaxSettingsSize = uint64_t(1) << 20;

// Blanks around names and values. CR is one so that a stray CR from a CR-only editor or a
// half-converted file does not make a value unreadable.
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Decimal with an optional sign; anything else, or a value beyond 32 bits, is no integer.
std::optional<int32_t> ParseInt32(std::string_view s) {
    s = Trim(s);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    if (s.empty()) return std::nullopt;
    const int64_t limit = negative ? -int64_t(std::numeric_limits<int32_t>::min())
                                   : int64_t(std::numeric_limits<int32_t>::max());
    int64_t magnitude = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > limit) return std::nullopt;
    }
    return int32_t(negative ? -magnitude : magnitude);
}

}  // namespace

struct IniDocument {
    struct Line {
        std::string text;  // without its line end
        std::string eol;   // "\n", "\r\n", or "" for an unterminated last line
    };
    bool bom = false;
    std::vector<Line> lines;
    std::string eol = "\n";  // for lines we add: the style of the file's first line end
};

namespace {

using Line = IniDocument::Line;
using Document = IniDocument;

Document Parse(std::string_view bytes) {
    Document d;
    if (bytes.substr(0, 3) == kBom) {
        d.bom = true;
        bytes.remove_prefix(3);
    }
    bool styleSeen = false;
    while (!bytes.empty()) {
        const size_t nl = bytes.find('\n');
        Line line;
        if (nl == std::string_view::npos) {
            line.text = bytes;
            bytes = {};
        } else {
            std::string_view text = bytes.substr(0, nl);
            line.eol = "\n";
            if (!text.empty() && text.back() == '\r') {
                text.remove_suffix(1);
                line.eol = "\r\n";
            }
            line.text = text;
            bytes.remove_prefix(nl + 1);
            if (!styleSeen) d.eol = line.eol;
            styleSeen = true;
        }
        d.lines.push_back(std::move(line));
    }
    return d;
}

std::string Serialize(const Document& d) {
    std::string out = d.bom ? kBom : "";
    for (const Line& l : d.lines) out += l.text + l.eol;
    return out;
}

// The name a [Section] line gives, or nothing for any other line. Text after ']' is ignored.
std::optional<std::string_view> HeaderName(std::string_view text) {
    const std::string_view t = Trim(text);
    if (t.empty() || t.front() != '[') return std::nullopt;
    const size_t close = t.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return Trim(t.substr(1, close - 1));
}

// The key of a Key=Value line; nothing for comments, junk and lines with an empty key.
std::optional<std::string_view> KeyOf(std::string_view text) {
    const std::string_view t = Trim(text);
    if (t.empty() || t.front() == ';' || t.front() == '#' || t.front() == '[') return std::nullopt;
    const size_t eq = text.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    const std::string_view key = Trim(text.substr(0, eq));
    if (key.empty()) return std::nullopt;
    return key;
}


size_t FindSection(const Document& d, std::string_view name) {
    for (size_t i = 0; i < d.lines.size(); ++i) {
        const auto h = HeaderName(d.lines[i].text);
        if (h && vcl::SameText(*h, name)) return i;
    }
    return npos;
}

// Line indexes of the section's entries, in file order, shadowed duplicates left out.
std::vector<size_t> Entries(const Document& d, size_t header) {
    std::vector<size_t> entries;
    std::unordered_set<std::string_view, vcl::CaseInsensitiveHash, vcl::CaseInsensitiveEqual> seen;
    for (size_t i = header + 1; i < d.lines.size() && !HeaderName(d.lines[i].text); ++i) {
        const auto key = KeyOf(d.lines[i].text);
        if (key && seen.insert(*key).second) entries.push_back(i);
    }
    return entries;
}

size_t FindKey(const Document& d, size_t header, std::string_view key) {
    for (size_t i : Entries(d, header))
        if (vcl::SameText(*KeyOf(d.lines[i].text), key)) return i;
    return npos;
}

std::mutex& WarningMutex() {
    static std::mutex m;
    return m;
}
std::ostream* warningStream = nullptr;

// Once per problem per run: a window closing five times with no home makes one line.
void Warn(const std::string& problem, const char* consequence) {
    const std::lock_guard<std::mutex> guard(WarningMutex());
    static std::set<std::string> reported;
    if (!reported.insert(problem).second) return;
    std::ostream& out = warningStream ? *warningStream : std::cerr;
    out << "tavrinqa: warning: " << consequence << ": " << problem << "\n";
    out.flush();
}

Document LoadForReading(const std::string& path) {
    try {
        const auto bytes = ReadWholeFile(path, nullptr, kMaxSettingsSize);
        return bytes ? Parse(*bytes) : Document{};
    } catch (const std::exception& e) {
        Warn(e.what(), "settings not read, windows use their defaults");
        return Document{};
    }
}

// Why the reader would see a name differently from how it was written; empty when it would
// not, so a value written is always the value read back.
std::string BadName(const std::string& name, const char* kind, bool isKey) {
    bool ok = !name.empty() && !IsBlank(name.front()) && !IsBlank(name.back()) &&
              name.find_first_of(std::string("\n\0", 2)) == npos;
    if (isKey)
        ok = ok && name.find('=') == npos && name.front() != '[' && name.front() != ';' &&
             name.front() != '#';
    else
        ok = ok && name.find(']') == npos;
    return ok ? "" : std::string("invalid ") + kind + " name '" + vcl::PrintableText(name) + "'";
}

void Terminate(Line& line, const std::string& eol) {
    if (line.eol.empty()) line.eol = eol;
}

void Store(Document& d, const std::string& section, const std::string& key, int32_t value) {
    const std::string number = std::to_string(value);
    const size_t header = FindSection(d, section);
    if (header == npos) {
        if (!d.lines.empty()) {
            Terminate(d.lines.back(), d.eol);
            if (!Trim(d.lines.back().text).empty()) d.lines.push_back({"", d.eol});
        }
        d.lines.push_back({"[" + section + "]", d.eol});
        d.lines.push_back({key + "=" + number, d.eol});
    } else if (const size_t at = FindKey(d, header, key); at != npos) {
        // Keep the key's spelling and the blanks up to the value; only the value changes.
        std::string& text = d.lines[at].text;
        size_t start = text.find('=') + 1;
        while (start < text.size() && (text[start] == ' ' || text[start] == '\t')) ++start;
        text = text.substr(0, start) + number;
    } else {
        Terminate(d.lines[header], d.eol);
        d.lines.insert(d.lines.begin() + std::ptrdiff_t(header) + 1, {key + "=" + number, d.eol});
    }
}

// The writes of an open update, as if they were on disk already.
template <class Writes>
Document WithWrites(Document d, const Writes& writes) {
    for (const auto& w : writes) Store(d, w.section, w.key, w.value);
    return d;
}

}  // namespace

std::ostream* SetSettingsWarningStream(std::ostream* out) {
    const std::lock_guard<std::mutex> guard(WarningMutex());
    return std::exchange(warningStream, out);
}

tinifile::tinifile(std::string fileName) : fileName_(std::move(fileName)) {}

const IniDocument& tinifile::Seen(IniDocument& scratch) const {
    if (readings_ == 0) return scratch = WithWrites(LoadForReading(fileName_), pending_);
    if (!snapshot_) snapshot_ = std::make_unique<IniDocument>(LoadForReading(fileName_));
    if (pending_.empty()) return *snapshot_;
    return scratch = WithWrites(*snapshot_, pending_);
}

tinifile::Reading::Reading(const tinifile& file) : file_(file) { ++file_.readings_; }

tinifile::Reading::~Reading() {
    if (--file_.readings_ == 0) file_.snapshot_.reset();
}

tinifile::~tinifile() = default;

tinifile::Update::Update(tinifile& file) : file_(file) { ++file_.updates_; }

tinifile::Update::~Update() {
    if (--file_.updates_ == 0) file_.Flush();
}

bool tinifile::sect_exist(const std::string& section) const {
    Document scratch;
    return FindSection(Seen(scratch), section) != npos;
}

int32_t tinifile::ReadInteger(const std::string& section, const std::string& key,
                              int32_t def) const {
    Document scratch;
    const Document& d = Seen(scratch);
    const size_t header = FindSection(d, section);
    if (header == npos) return def;
    const size_t line = FindKey(d, header, key);
    if (line == npos) return def;
    const std::string& text = d.lines[line].text;
    return ParseInt32(std::string_view(text).substr(text.find('=') + 1)).value_or(def);
}

void tinifile::WriteInteger(const std::string& section, const std::string& key, int32_t value) {
    std::string bad = BadName(section, "section", false);
    if (bad.empty()) bad = BadName(key, "key", true);
    if (!bad.empty()) {
        Warn("Cannot write '" + vcl::PrintableText(fileName_) + "': " + bad, "setting not saved");
        return;
    }
    pending_.push_back({section, key, value});
    if (updates_ == 0) Flush();
}

// The lock is a sibling file, never the settings file itself: a writer replaces the settings
// file by rename, so a lock on it would sit on an inode that has left the directory while
// the read-modify-write below must cover the newest one. For the same reason the lock file
// is never deleted. It sits beside the file a link leads to, so every path to one file
// shares one lock.
void tinifile::Flush() noexcept {
    const std::vector<Write> writes = std::exchange(pending_, {});
    if (writes.empty()) return;
    snapshot_.reset();  // the reads after this one see these writes on disk
    try {
        const std::string target = ResolveLinks(fileName_);
        const FileLock lock(target + ".lock", lockWait_);
        // Strict where reading is tolerant: a file that could not be read is not replaced by
        // one holding only these keys.
        const std::optional<std::string> before = ReadWholeFile(target, nullptr, kMaxSettingsSize);
        const std::string after = Serialize(WithWrites(before ? Parse(*before) : Document{}, writes));
        // Readers never take the lock; the replacement is atomic, so they see old or new.
        if (!before || *before != after) WriteFileAtomically(target, after);
    } catch (const std::exception& e) {
        Warn(e.what(), "settings not saved");
    }
}

std::string tinifile::get_line(const std::string& section, int i) const {
    if (i < 0) return "";
    Document scratch;
    const Document& d = Seen(scratch);
    const size_t header = FindSection(d, section);
    if (header == npos) return "";
    const std::vector<size_t> entries = Entries(d, header);
    if (size_t(i) >= entries.size()) return "";
    return std::string(*KeyOf(d.lines[entries[size_t(i)]].text));
}

}  // namespace zorbase
