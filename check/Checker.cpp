#include "check/Checker.h"

#include <CLI/CLI.hpp>

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <thread>
#include <type_traits>
#include <unordered_set>

#include <nlohmann/json.hpp>

#include "check/Fix.h"
#include "check/HtmlReport.h"
#include "host/base/AtomicFile.h"
#include "host/base/Installation.h"
#include "host/controls/ControlClasses.h"
#include "host/db/DB.h"
#include "host/db/Engine.h"
#include "host/formfile/FormModel.h"
#include "host/vcl/ClassCatalogue.h"
#include "host/vcl/SysUtils.h"

namespace check {

namespace fs = std::filesystem;
using nlohmann::json;

void AddCheckOptions(CLI::App& command, CheckOptions& options) {
    command.add_option("PATH", options.paths, "form files, or folders to search for them (default: .)");
    command.add_option("--format", options.format,
                       "text (file:line:col: severity: message [rule]), json, sarif or html (a page with pictures)")
        ->check(CLI::IsMember({"text", "json", "sarif", "html"}));
    command.add_option("-o,--output", options.output, "html: the page to write (default: standard output)");
    command.add_option("--fail-on", options.failOn, "the least severity that fails the run: note, warning, error, none")
        ->check(CLI::IsMember({"note", "warning", "error", "none"}));
    command.add_option("--config", options.config, "the configuration (default: the nearest tavrinqa.toml upwards)");
    command.add_option("--baseline", options.baseline,
                       "findings recorded here do not count; a missing file records today's findings");
    command.add_flag("--update-baseline", options.updateBaseline, "record today's findings in the --baseline file");
    command.add_option("-j,--jobs", options.jobs, "worker processes (default: one per core)")->check(CLI::Range(0, 256));
    command.add_flag("--fix", options.fix, "put tab orders in reading order in the form files (tab-reading-order)");
    command.add_flag("--diff", options.diff, "print what --fix changes as a unified diff instead of the findings");
    command.add_option("--min-severity", options.minSeverity, "report only findings of this severity or worse: note, "
                                                              "warning, error")
        ->check(CLI::IsMember({"note", "warning", "error"}));
    const CLI::Validator known(
        [](std::string& id) { return FindRule(id) ? std::string() : "no rule is called '" + id + "' (docs/check.md)"; },
        "RULE,...", "rule");
    command.add_option("--enable", options.enable, "turn these rules on, whatever the configuration says")
        ->delimiter(',')
        ->check(known);
    command.add_option("--disable", options.disable, "turn these rules off, whatever the configuration says")
        ->delimiter(',')
        ->check(known);
    command.add_option("--color", options.color, "colour the text report: auto (on a terminal unless NO_COLOR is "
                                                 "set), always, never")
        ->check(CLI::IsMember({"auto", "always", "never"}));
}

bool UseColor(const std::string& choice, bool terminal, const char* noColor) {
    if (choice == "auto") return terminal && (noColor == nullptr || *noColor == '\0');
    return choice == "always";
}

bool ShowProgress(bool terminal, double secondsSoFar) { return terminal && secondsSoFar >= 1.0; }

// ---- finding the forms ----

namespace {

bool IsFormFile(const fs::path& p) {
    const std::string ext = vcl::LowerCase(p.extension().string());
    return ext == ".dfm" || ext == ".lfm" || ext == ".xfm";
}

}  // namespace

std::vector<std::string> DiscoverForms(const std::vector<std::string>& paths, std::vector<std::string>& missing,
                                       std::vector<std::string>* empty) {
    std::vector<std::string> out;
    std::unordered_set<std::string> seen;
    auto canonical = [](const fs::path& p) {
        std::error_code ec;
        fs::path key = fs::weakly_canonical(p, ec);
        return ec ? p.lexically_normal() : key;
    };
    auto take = [&](const fs::path& p, const fs::path& key) {
        if (seen.insert(key.string()).second) out.push_back(p.string());
    };
    for (const std::string& arg : paths) {
        std::error_code ec;
        const fs::file_status st = fs::status(arg, ec);
        if (ec || !fs::exists(st)) {
            missing.push_back(arg);
            continue;
        }
        if (!fs::is_directory(st)) {
            take(arg, canonical(arg));
            continue;
        }
        // The walk follows no link to a folder, so below the folder every part of a path is a
        // real folder: only the folder and the files that are links need resolving, not every
        // part of every path (a system call each, most of a run's system time).
        const fs::path folder = canonical(arg);
        std::vector<std::pair<fs::path, bool>> found;  // and whether it is a link
        fs::recursive_directory_iterator it(arg, fs::directory_options::skip_permission_denied, ec), end;
        for (; !ec && it != end; it.increment(ec)) {
            const fs::path& p = it->path();
            // Hidden folders (.git, .svn) hold no forms of the project.
            if (it->is_directory(ec) && p.filename().string().starts_with(".")) {
                it.disable_recursion_pending();
                continue;
            }
            if (IsFormFile(p) && it->is_regular_file(ec)) found.emplace_back(p, it->is_symlink(ec));
        }
        if (ec) missing.push_back(arg + " (" + ec.message() + ")");
        else if (found.empty() && empty) empty->push_back(arg);
        std::sort(found.begin(), found.end());
        for (const auto& [p, link] : found) {
            const fs::path below = p.lexically_relative(arg);
            take(p, link || below.empty() ? canonical(p) : (folder / below).lexically_normal());
        }
    }
    return out;
}

// ---- checking ----

FileResult CheckFile(const std::string& path, const RuleSettings& settings) {
    FileResult result;
    try {
        std::unique_ptr<formfile::TFormFile> file = formfile::TFormFile::Load(path);
        dbe::Engine().SetFormFolder(fs::path(path).parent_path().string());
        result.findings = CheckForm(*file, settings);
    } catch (const vcl::EParserError& e) {
        result.unreadable = true;
        result.error = e.Reason();
        result.where.line = e.Line();
        result.where.column = e.Column();
    } catch (const vcl::Exception& e) {
        result.unreadable = true;
        result.error = std::string(e.ClassName()) + ": " + e.what();
    } catch (const std::bad_alloc&) {
        result.unreadable = result.outOfMemory = true;
        result.error = "out of memory";
    } catch (const std::exception& e) {
        result.unreadable = true;
        result.error = e.what();
    }
    return result;
}

namespace {

// What a worker sends back: "S" index when it starts a file, "R" index, length and the result
// when it is done, so that the parent knows which file a dead worker was on. The length lets
// the parent decode a result once, when all of it has come.
class Writer {
public:
    void U32(uint32_t v) { bytes_.append(reinterpret_cast<const char*>(&v), sizeof v); }
    void Text(const std::string& s) {
        U32(uint32_t(s.size()));
        bytes_ += s;
    }
    std::string& Bytes() { return bytes_; }

private:
    std::string bytes_;
};

class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}
    bool U32(uint32_t& v) {
        if (bytes_.size() - at_ < sizeof v) return false;
        std::memcpy(&v, bytes_.data() + at_, sizeof v);
        at_ += sizeof v;
        return true;
    }
    bool Text(std::string& s) {
        uint32_t n = 0;
        if (!U32(n) || bytes_.size() - at_ < n) return false;
        s.assign(bytes_.substr(at_, n));
        at_ += n;
        return true;
    }
    size_t At() const { return at_; }

private:
    std::string_view bytes_;
    size_t at_ = 0;
};

void Encode(Writer& w, const FileResult& r) {
    w.U32(r.outOfMemory ? 2 : r.unreadable ? 1 : 0);
    w.Text(r.error);
    w.U32(uint32_t(r.where.line));
    w.U32(uint32_t(r.where.column));
    w.U32(uint32_t(r.findings.size()));
    for (const Finding& f : r.findings) {
        w.Text(f.rule);
        w.U32(uint32_t(f.severity));
        w.Text(f.component);
        w.Text(f.message);
        w.U32(f.pos.offset);
        w.U32(uint32_t(f.pos.line));
        w.U32(uint32_t(f.pos.column));
        w.Text(f.path);
    }
}

bool Decode(Reader& r, FileResult& out) {
    uint32_t unreadable = 0, line = 0, column = 0, count = 0;
    if (!r.U32(unreadable) || !r.Text(out.error) || !r.U32(line) || !r.U32(column) || !r.U32(count)) return false;
    out.findings.reserve(std::min<uint32_t>(count, 1u << 16));
    out.unreadable = unreadable != 0;
    out.outOfMemory = unreadable == 2;
    out.where.line = int(line);
    out.where.column = int(column);
    for (uint32_t i = 0; i < count; ++i) {
        Finding f;
        uint32_t severity = 0, fline = 0, fcolumn = 0;
        if (!r.Text(f.rule) || !r.U32(severity) || !r.Text(f.component) || !r.Text(f.message) || !r.U32(f.pos.offset) ||
            !r.U32(fline) || !r.U32(fcolumn) || !r.Text(f.path))
            return false;
        f.severity = Severity(std::min<uint32_t>(severity, 2));
        f.pos.line = int(fline);
        f.pos.column = int(fcolumn);
        out.findings.push_back(std::move(f));
    }
    return true;
}

// How a worker that ran out of memory outside a file's check ends.
constexpr int kWorkerOutOfMemory = 3;

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(size_t(n));
    }
    return true;
}

// The files of one round, handed out one at a time through a counter the workers share.
void WorkerLoop(int fd, std::atomic<uint32_t>* next, const std::vector<size_t>& todo,
                const std::vector<std::string>& files, const RuleSettings& settings) {
    for (uint32_t i; (i = next->fetch_add(1)) < todo.size();) {
        Writer start;
        start.Bytes() += 'S';
        start.U32(uint32_t(todo[i]));
        if (!WriteAll(fd, start.Bytes())) return;
        Writer result;
        Encode(result, CheckFile(files[todo[i]], settings));
        Writer done;
        done.Bytes() += 'R';
        done.U32(uint32_t(todo[i]));
        done.U32(uint32_t(result.Bytes().size()));
        if (!WriteAll(fd, done.Bytes()) || !WriteAll(fd, result.Bytes())) return;
    }
}

}  // namespace

std::vector<FileResult> CheckFiles(const std::vector<std::string>& files, const RuleSettings& settings, int jobs,
                                   const std::function<void(size_t)>& progress) {
    std::vector<FileResult> results(files.size());
    CheckFilesInOrder(files, settings, jobs, [&](size_t i, FileResult&& r) { results[i] = std::move(r); }, progress);
    return results;
}

void CheckFilesInOrder(const std::vector<std::string>& files, const RuleSettings& settings, int jobs,
                       const std::function<void(size_t index, FileResult&& result)>& take,
                       const std::function<void(size_t)>& progress) {
    if (jobs <= 0) jobs = int(std::max(1u, std::thread::hardware_concurrency()));
    jobs = int(std::min<size_t>(size_t(jobs), files.size()));
    size_t done = 0;
    // A result waits here only until every file before its own has come.
    std::map<size_t, FileResult> waiting;
    size_t nextOut = 0;
    auto arrived = [&](size_t index, FileResult&& result) {
        waiting.emplace(index, std::move(result));
        for (auto it = waiting.begin(); it != waiting.end() && it->first == nextOut; it = waiting.erase(it), ++nextOut)
            take(nextOut, std::move(it->second));
    };
    auto here = [&](const std::vector<size_t>& which) {
        for (size_t i : which) {
            arrived(i, CheckFile(files[i], settings));
            if (progress) progress(++done);
        }
    };
    std::vector<size_t> todo(files.size());
    for (size_t i = 0; i < todo.size(); ++i) todo[i] = i;
    if (jobs <= 1) return here(todo);
    std::vector<bool> finished(files.size(), false);
    // Rounds: a worker that dies loses the file it was on (reported) and leaves the ones it
    // never started to the next round.
    while (!todo.empty()) {
        void* shared = ::mmap(nullptr, sizeof(std::atomic<uint32_t>), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS,
                              -1, 0);
        if (shared == MAP_FAILED) return here(todo);
        auto* next = new (shared) std::atomic<uint32_t>(0);
        std::cout.flush();
        std::cerr.flush();
        struct Worker {
            pid_t pid;
            int fd;
            std::string buffer;
            size_t used = 0;
            std::optional<size_t> current;
        };
        std::vector<Worker> workers;
        for (int j = 0; j < jobs && size_t(j) < todo.size(); ++j) {
            int fds[2];
            if (::pipe(fds) != 0) break;
            const pid_t pid = ::fork();
            if (pid == 0) {
                ::close(fds[0]);
                for (const Worker& w : workers) ::close(w.fd);
                // A failure outside a file's check (memory for its result) ends this worker
                // only: the parent reports the file it was on.
                int status = 0;
                try {
                    WorkerLoop(fds[1], next, todo, files, settings);
                } catch (const std::bad_alloc&) {
                    status = kWorkerOutOfMemory;
                } catch (...) {
                    status = 1;
                }
                ::close(fds[1]);
                ::_exit(status);  // no destructors, no exit handlers: the parent owns all of that
            }
            ::close(fds[1]);
            if (pid < 0) {
                ::close(fds[0]);
                break;
            }
            workers.push_back({pid, fds[0], {}, 0, std::nullopt});
        }
        if (workers.empty()) {
            ::munmap(shared, sizeof(std::atomic<uint32_t>));
            return here(todo);
        }
        std::set<size_t> started;
        for (size_t open = workers.size(); open > 0;) {
            std::vector<pollfd> fds;
            std::vector<size_t> which;
            for (size_t k = 0; k < workers.size(); ++k)
                if (workers[k].fd >= 0) fds.push_back({workers[k].fd, POLLIN, 0}), which.push_back(k);
            if (::poll(fds.data(), fds.size(), -1) < 0) {
                if (errno == EINTR) continue;
                break;
            }
            for (size_t f = 0; f < fds.size(); ++f) {
                if (fds[f].revents == 0) continue;
                Worker& w = workers[which[f]];
                char chunk[65536];
                const ssize_t n = ::read(w.fd, chunk, sizeof chunk);
                if (n < 0 && errno == EINTR) continue;
                if (n <= 0) {
                    ::close(w.fd);
                    w.fd = -1;
                    --open;
                    continue;
                }
                w.buffer.append(chunk, size_t(n));
                // Take every complete record.
                for (;;) {
                    std::string_view rest = std::string_view(w.buffer).substr(w.used);
                    if (rest.size() < 5) break;
                    Reader r(rest.substr(1));
                    uint32_t index = 0;
                    r.U32(index);
                    if (rest[0] == 'S') {
                        w.current = index;
                        started.insert(index);
                        w.used += 5;
                        continue;
                    }
                    uint32_t length = 0;
                    if (!r.U32(length) || rest.size() - 9 < length) break;  // not all there yet
                    FileResult result;
                    Reader payload(rest.substr(9, length));
                    if (!Decode(payload, result)) {
                        result = FileResult{};
                        result.unreadable = true;
                        result.error = "the check of this file sent back a broken result";
                    }
                    w.used += 9 + size_t(length);
                    if (index < files.size() && !finished[index]) {
                        finished[index] = true;
                        arrived(index, std::move(result));
                        if (progress) progress(++done);
                    }
                    w.current.reset();
                }
                if (w.used > (1u << 20)) w.buffer.erase(0, w.used), w.used = 0;
            }
        }
        for (Worker& w : workers) {
            if (w.fd >= 0) ::close(w.fd);
            int status = 0;
            while (::waitpid(w.pid, &status, 0) < 0 && errno == EINTR) {
            }
            const bool died = !WIFEXITED(status) || WEXITSTATUS(status) != 0;
            if (w.current && !finished[*w.current]) {
                FileResult r;
                r.unreadable = true;
                r.outOfMemory = died && WIFEXITED(status) && WEXITSTATUS(status) == kWorkerOutOfMemory;
                r.error = r.outOfMemory ? "out of memory"
                          : died && WIFSIGNALED(status)
                              ? std::string("the check of this file failed (") + ::strsignal(WTERMSIG(status)) + ")"
                              : "the check of this file failed";
                finished[*w.current] = true;
                arrived(*w.current, std::move(r));
                if (progress) progress(++done);
            }
        }
        ::munmap(shared, sizeof(std::atomic<uint32_t>));
        std::vector<size_t> left;
        for (size_t i : todo)
            if (!finished[i]) left.push_back(i);
        if (left.size() == todo.size()) return here(left);  // no worker got anywhere: finish here
        todo = std::move(left);
    }
}

// ---- reporting ----

namespace {

struct Reported {
    const std::string* file;
    const Finding* finding;
};

// path relative to base; outside base, absolute unless climb allows "../".
std::string Relative(const std::string& path, const std::string& base, bool climb = false) {
    std::error_code ec;
    const fs::path abs = fs::absolute(path, ec).lexically_normal();
    const fs::path rel = abs.lexically_relative(base);
    return rel.empty() || (!climb && rel.string().starts_with("..")) ? abs.string() : rel.string();
}

// A path as a URI reference: relative paths stay relative (to the folder the check ran in).
// Every byte but the unreserved ones is percent-encoded, so names that are not UTF-8 stay
// apart and can be read back.
std::string Uri(const std::string& path) {
    static const char* hex = "0123456789ABCDEF";
    std::string out = path.starts_with("/") ? "file://" : "";
    for (unsigned char c : path) {
        if (std::isalnum(c) || std::strchr("-._~/", c) != nullptr) out += char(c);
        else out += {'%', hex[c >> 4], hex[c & 15]};
    }
    return out;
}

}  // namespace

std::string EscapedName(std::string_view name) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    out.reserve(name.size());
    for (size_t i = 0; i < name.size();) {
        const auto c = static_cast<unsigned char>(name[i]);
        const size_t n = c >= 0x80 ? vcl::Utf8SequenceAt(name, i) : 1;
        if (c == '\\') {
            out += "\\\\";
        } else if (n == 0) {
            out += {'\\', 'x', hex[c >> 4], hex[c & 15]};
        } else {
            out.append(name.substr(i, n));
            i += n;
            continue;
        }
        ++i;
    }
    return out;
}

namespace {

// Text set aside until the end of a run, in a temporary file that has no name (nothing is left
// behind, however the run ends), or in memory where no such file can be made. A write that
// fails is remembered, and the text is then incomplete.
class Spool : public std::streambuf {
public:
    Spool() = default;
    Spool(const Spool&) = delete;
    Spool& operator=(const Spool&) = delete;
    ~Spool() override {
        if (fd_ >= 0) ::close(fd_);
    }
    bool Empty() const { return size_ == 0; }
    const std::string& Problem() const { return problem_; }
    // Everything set aside, to out; false (and Problem says why) when some of it is lost.
    bool CopyTo(std::ostream& out) {
        if (!problem_.empty()) return false;
        if (fd_ < 0) return out.write(memory_.data(), std::streamsize(memory_.size())), true;
        char chunk[65536];
        for (off_t at = 0; at < size_;) {
            const ssize_t n = ::pread(fd_, chunk, sizeof chunk, at);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return Lost(n < 0 ? std::strerror(errno) : "the temporary file was cut short");
            out.write(chunk, n);
            at += n;
        }
        return true;
    }

protected:
    std::streamsize xsputn(const char* text, std::streamsize n) override {
        Put(std::string_view(text, size_t(n)));
        return n;
    }
    int_type overflow(int_type ch) override {
        if (!traits_type::eq_int_type(ch, traits_type::eof())) {
            const char c = traits_type::to_char_type(ch);
            Put(std::string_view(&c, 1));
        }
        return traits_type::not_eof(ch);
    }

private:
    // Made with the first text: a run without any makes no file.
    void Open() {
        opened_ = true;
        std::error_code ec;
        const std::string folder = fs::temp_directory_path(ec).string();
        if (ec) return;
        fd_ = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (fd_ >= 0) return;
        std::string name = folder + "/tavrinqa-check-XXXXXX";  // a file system without unnamed files
        fd_ = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd_ >= 0) ::unlink(name.c_str());
    }
    void Put(std::string_view text) {
        if (!problem_.empty() || text.empty()) return;
        if (!opened_) Open();
        if (fd_ < 0) {
            memory_.append(text);
        } else {
            for (std::string_view rest = text; !rest.empty();) {
                const ssize_t n = ::write(fd_, rest.data(), rest.size());
                if (n < 0 && errno == EINTR) continue;
                if (n <= 0) return void(Lost(n < 0 ? std::strerror(errno) : "nothing written"));
                rest.remove_prefix(size_t(n));
            }
        }
        size_ += off_t(text.size());
    }
    bool Lost(const std::string& why) {
        problem_ = why;
        return false;
    }
    bool opened_ = false;
    int fd_ = -1;
    off_t size_ = 0;
    std::string memory_;   // when there is no temporary file
    std::string problem_;  // why some of the text was lost
};

// JSON written as it goes, indented by two blanks. No document tree: a report costs no memory
// beyond its text, and nothing allocates while a failed allocation unwinds (the library's
// tree allocates in its destructor, which ends the program when memory has run out).
class JsonWriter {
public:
    explicit JsonWriter(std::ostream& out) : out_(out) {}
    // The items of an array that sits depth levels down in another document, to be put there
    // by Splice: indented as they will stand.
    JsonWriter(std::ostream& out, size_t depth) : out_(out), open_(depth, false) {}
    JsonWriter& Open(char bracket) {
        Item();
        text_ += bracket;
        open_.push_back(false);
        return *this;
    }
    JsonWriter& Close(char bracket) {
        const bool any = open_.back();
        open_.pop_back();
        if (any) NewLine();
        text_ += bracket;
        return *this;
    }
    JsonWriter& Key(std::string_view key) {
        Item();
        String(key);
        text_ += ": ";
        keyed_ = true;
        return *this;
    }
    // Text that is not UTF-8 has its stray bytes replaced (U+FFFD); names that must stay
    // apart are given as EscapedName.
    JsonWriter& Value(std::string_view text) {
        Item();
        String(text);
        return *this;
    }
    template <class T>
        requires std::is_integral_v<T>
    JsonWriter& Value(T n) {
        Item();
        if constexpr (std::is_same_v<T, bool>) text_ += n ? "true" : "false";
        else text_ += std::to_string(n);
        return *this;
    }
    void Finish() {
        text_ += '\n';
        Flush();
    }
    void Flush() {
        out_.write(text_.data(), std::streamsize(text_.size()));
        text_.clear();
    }
    // The items a writer made for the array open here (see the constructor with a depth).
    bool Splice(Spool& items) {
        Flush();
        if (!items.Empty()) open_.back() = true;
        return items.CopyTo(out_);
    }

private:
    void Item() {
        if (text_.size() >= (size_t(1) << 16)) Flush();
        if (keyed_) {
            keyed_ = false;
        } else if (!open_.empty()) {
            if (open_.back()) text_ += ',';
            open_.back() = true;
            NewLine();
        }
    }
    void NewLine() {
        text_ += '\n';
        text_.append(2 * open_.size(), ' ');
    }
    void String(std::string_view s) {
        static const char* hex = "0123456789abcdef";
        text_ += '"';
        for (size_t i = 0; i < s.size();) {
            const auto c = static_cast<unsigned char>(s[i]);
            if (c >= 0x80) {
                const size_t n = vcl::Utf8SequenceAt(s, i);
                text_.append(n > 0 ? s.substr(i, n) : "\xEF\xBF\xBD");
                i += std::max<size_t>(n, 1);
                continue;
            }
            if (c == '"' || c == '\\') text_ += {'\\', char(c)};
            else if (c == '\n') text_ += "\\n";
            else if (c == '\t') text_ += "\\t";
            else if (c == '\r') text_ += "\\r";
            else if (c < 0x20) text_ += {'\\', 'u', '0', '0', hex[c >> 4], hex[c & 15]};
            else text_ += char(c);
            ++i;
        }
        text_ += '"';
    }

    std::ostream& out_;
    std::string text_;
    std::vector<bool> open_;  // per open object or array: whether it has an item yet
    bool keyed_ = false;      // a key was written: the next value follows it on its line
};

void WriteLine(std::ostream& out, const std::string& file, const Finding& f, bool color) {
    // As compilers colour them: the place bold, the severity in its colour.
    static const char* const shades[] = {"\033[1;36m", "\033[1;35m", "\033[1;31m"};
    const char* bold = color ? "\033[1m" : "";
    const char* plain = color ? "\033[0m" : "";
    out << bold << vcl::PrintableText(file);
    if (f.pos.line > 0) out << ":" << f.pos.line << ":" << f.pos.column;
    out << ":" << plain << " " << (color ? shades[int(f.severity)] : "") << SeverityName(f.severity) << ":" << plain
        << " " << vcl::PrintableText(f.message);
    if (f.pos.line == 0) out << " (byte " << f.pos.offset << ")";
    out << " [" << f.rule << "]\n";
}

// A binary form has no lines: the region is the bytes of the name at the offset (a property's
// name, or an object's class name, each a length byte and its letters), else the one byte.
uint32_t NameLength(std::string_view bytes, uint32_t offset) {
    if (offset < bytes.size() && (uint8_t(bytes[offset]) & 0xF0) == 0xF0) ++offset;  // an object's flags
    if (offset >= bytes.size()) return 1;
    const size_t n = uint8_t(bytes[offset]);
    if (n == 0 || offset + 1 + n > bytes.size()) return 1;
    for (char ch : bytes.substr(offset + 1, n))
        if (!std::isalnum(static_cast<unsigned char>(ch)) && ch != '_' && ch != '.') return 1;
    return uint32_t(1 + n);
}

void Region(JsonWriter& w, const formfile::SourcePos& pos, std::string_view binary = {}) {
    w.Open('{');
    if (pos.line > 0) w.Key("startLine").Value(pos.line).Key("startColumn").Value(std::max(1, pos.column));
    else w.Key("byteOffset").Value(pos.offset).Key("byteLength").Value(NameLength(binary, pos.offset));
    w.Close('}');
}

// Where each rule's section is: the docs installed beside the program, or those of the source
// tree a build folder sits in; else the page's place in the source tree.
std::string DocsUri() {
    const std::string folder = zorbase::ProgramFolder();
    for (const char* place : {"/../share/doc/tavrinqa/check.md", "/../docs/check.md"}) {
        std::error_code ec;
        const fs::path doc = fs::canonical(folder + place, ec);
        if (!folder.empty() && !ec) return Uri(doc.string());
    }
    return "docs/check.md";
}

// The report in the format asked for, written as the findings are added in file order, so that
// it keeps none of them: text lines and SARIF results go out at once; the JSON report's summary
// comes before its findings, which wait in a spool (a temporary file) meanwhile. The forms that
// could not be read come last in both (SARIF's notifications follow its results).
class Report {
public:
    Report(const std::string& format, std::ostream& out, bool color, const RuleSettings& settings, size_t files)
        : format_(format), out_(out), color_(color), files_(files) {
        if (format_ == "json") findings_.emplace(spool_, 2);  // the items of the document's "findings"
        if (format_ == "sarif") SarifStart(settings);
    }

    void Add(const std::string& file, const Finding& f) {
        if (format_ == "json") return JsonFinding(file, f);
        if (format_ == "sarif") return SarifResult(file, f);
        WriteLine(out_, file, f, color_);
    }

    // The end of the report, with the forms that could not be read; false when the findings
    // set aside could not all be read back (why goes to err).
    bool Finish(const std::vector<std::pair<std::string, FileResult>>& bad, std::ostream& err) {
        if (format_ == "sarif") SarifEnd(bad);
        if (format_ != "json") return true;
        findings_->Flush();
        JsonWriter w(out_);
        w.Open('{').Key("version").Value(1).Key("files").Value(files_);
        w.Key("summary").Open('{').Key("findings").Value(count_).Key("bySeverity").Open('{');
        for (Severity sev : {Severity::Error, Severity::Warning, Severity::Note})
            w.Key(SeverityName(sev)).Value(bySeverity_[int(sev)]);
        w.Close('}').Key("byRule").Open('{');
        for (const auto& [rule, counted] : byRule_)
            w.Key(rule).Open('{').Key("severity").Value(SeverityName(counted.first)).Key("count").Value(counted.second)
                .Close('}');
        w.Close('}').Close('}').Key("findings").Open('[');
        if (!w.Splice(spooled_)) {
            err << "tavrinqa: the findings of the JSON report could not be kept in a temporary file: "
                << vcl::PrintableText(spooled_.Problem()) << "\n";
            return false;
        }
        w.Close(']').Key("errors").Open('[');
        for (const auto& [file, result] : bad) {
            w.Open('{').Key("file").Value(EscapedName(file)).Key("line").Value(result.where.line);
            w.Key("column").Value(result.where.column).Key("message").Value(result.error).Close('}');
        }
        w.Close(']').Close('}').Finish();
        return true;
    }

private:
    void JsonFinding(const std::string& file, const Finding& f) {
        auto& [severity, count] = byRule_.try_emplace(f.rule, f.severity, 0).first->second;
        severity = std::max(severity, f.severity);
        ++count;
        ++bySeverity_[int(f.severity)];
        ++count_;
        JsonWriter& w = *findings_;
        w.Open('{').Key("file").Value(EscapedName(file)).Key("line").Value(f.pos.line);
        w.Key("column").Value(f.pos.column).Key("offset").Value(f.pos.offset);
        w.Key("severity").Value(SeverityName(f.severity)).Key("rule").Value(f.rule);
        w.Key("component").Value(f.component).Key("path").Value(f.path).Key("message").Value(f.message);
        w.Key("fingerprint").Value(Fingerprint(f)).Close('}');
    }

    void SarifStart(const RuleSettings& settings) {
        JsonWriter& w = sarif_;
        w.Open('{').Key("$schema").Value("https://json.schemastore.org/sarif-2.1.0.json").Key("version").Value("2.1.0");
        w.Key("runs").Open('[').Open('{');
        w.Key("tool").Open('{').Key("driver").Open('{').Key("name").Value("tavrinqa").Key("version").Value("0.1.0");
        w.Key("rules").Open('[');
        const std::string docs = DocsUri();
        for (const RuleInfo& r : AllRules()) {
            ruleIndex_.emplace(r.id, ruleIndex_.size());
            w.Open('{').Key("id").Value(r.id);
            w.Key("shortDescription").Open('{').Key("text").Value(r.summary).Close('}');
            w.Key("fullDescription").Open('{').Key("text").Value(r.description).Close('}');
            const std::string uri = docs + "#" + r.id;
            w.Key("help").Open('{').Key("text").Value(std::string(r.description) + " See " + uri + ".");
            w.Key("markdown").Value(std::string(r.description) + " See [" + r.id + "](" + uri + ").").Close('}');
            w.Key("helpUri").Value(uri);
            w.Key("defaultConfiguration").Open('{').Key("level").Value(SeverityName(settings.SeverityOf(r)));
            w.Key("enabled").Value(settings.Enabled(r)).Close('}').Close('}');
        }
        w.Close(']').Close('}').Close('}');
        w.Key("results").Open('[');
    }
    void SarifResult(const std::string& file, const Finding& f) {
        JsonWriter& w = sarif_;
        const auto rule = ruleIndex_.find(f.rule);
        w.Open('{').Key("ruleId").Value(f.rule).Key("ruleIndex").Value(rule == ruleIndex_.end() ? 0 : rule->second);
        w.Key("level").Value(SeverityName(f.severity)).Key("message").Open('{').Key("text").Value(f.message).Close('}');
        w.Key("locations").Open('[').Open('{').Key("physicalLocation").Open('{');
        w.Key("artifactLocation").Open('{').Key("uri").Value(Uri(file)).Close('}');
        if (f.pos.line == 0 && binaryFile_ != file) {
            binaryFile_ = file;
            try {
                binary_ = zorbase::ReadWholeFile(file).value_or(std::string());
            } catch (const vcl::Exception&) {
                binary_.clear();  // gone since: the name's length is not known, the offset still is
            }
        }
        Region(w.Key("region"), f.pos, binary_);
        w.Close('}');
        if (!f.component.empty()) {
            w.Key("logicalLocations").Open('[').Open('{').Key("name").Value(f.component);
            w.Key("fullyQualifiedName").Value(f.path).Key("kind").Value("object").Close('}').Close(']');
        }
        w.Close('}').Close(']');
        w.Key("partialFingerprints").Open('{').Key("componentMessage/v1").Value(Fingerprint(f)).Close('}').Close('}');
    }
    void SarifEnd(const std::vector<std::pair<std::string, FileResult>>& bad) {
        JsonWriter& w = sarif_;
        w.Close(']');
        w.Key("invocations").Open('[').Open('{').Key("executionSuccessful").Value(bad.empty());
        w.Key("toolExecutionNotifications").Open('[');
        for (const auto& [file, result] : bad) {
            w.Open('{').Key("level").Value("error").Key("message").Open('{').Key("text").Value(result.error).Close('}');
            w.Key("locations").Open('[').Open('{').Key("physicalLocation").Open('{');
            w.Key("artifactLocation").Open('{').Key("uri").Value(Uri(file)).Close('}');
            if (result.where.line > 0) Region(w.Key("region"), result.where);
            w.Close('}').Close('}').Close(']').Close('}');
        }
        w.Close(']').Close('}').Close(']');
        w.Close('}').Close(']').Close('}').Finish();
    }

    const std::string format_;
    std::ostream& out_;
    const bool color_;
    const size_t files_;
    // JSON: the findings written aside, and what the summary counts.
    Spool spooled_;
    std::ostream spool_{&spooled_};
    std::optional<JsonWriter> findings_;
    size_t count_ = 0;
    size_t bySeverity_[3] = {0, 0, 0};
    std::map<std::string, std::pair<Severity, size_t>, std::less<>> byRule_;
    // SARIF: the log as it is written, and the file a binary form's region reads names from.
    JsonWriter sarif_{out_};
    std::map<std::string, size_t, std::less<>> ruleIndex_;
    std::string binaryFile_, binary_;
};

// ---- baseline ----

// A finding as the baseline holds it: its file relative to the baseline's folder (EscapedName),
// rule, component and fingerprint. Baselines before fingerprints hold no fingerprint and match
// by file, rule and component.
struct BaselineEntry {
    std::string file, rule, component, fingerprint;
};
using LegacyKey = std::tuple<std::string, std::string, std::string>;  // file, rule, component
using PrintKey = std::pair<std::string, std::string>;                // file, fingerprint

struct Baseline {
    std::map<PrintKey, int> prints;
    std::map<LegacyKey, int> legacy;

    // Takes the entry that matches the finding, if one is left.
    bool Take(const BaselineEntry& f) {
        if (auto it = prints.find({f.file, f.fingerprint}); it != prints.end() && it->second > 0) return --it->second, true;
        if (auto it = legacy.find({f.file, f.rule, f.component}); it != legacy.end() && it->second > 0)
            return --it->second, true;
        return false;
    }
    int Left() const {
        int n = 0;
        for (const auto& [key, count] : prints) n += count;
        for (const auto& [key, count] : legacy) n += count;
        return n;
    }
};

std::string BaselineText(const std::vector<BaselineEntry>& findings) {
    std::ostringstream text;
    JsonWriter w(text);
    w.Open('{').Key("version").Value(2).Key("findings").Open('[');
    for (const BaselineEntry& f : findings)
        w.Open('{').Key("file").Value(f.file).Key("rule").Value(f.rule).Key("component").Value(f.component)
            .Key("fingerprint").Value(f.fingerprint).Close('}');
    w.Close(']').Close('}').Finish();
    return std::move(text).str();
}

// The findings of a baseline, read as the parser meets them: no document tree (see
// JsonWriter). Each finding is an object with the texts file, rule and component, and since
// version 2 fingerprint.
class BaselineReader : public nlohmann::json_sax<json> {
public:
    explicit BaselineReader(std::string folder) : folder_(std::move(folder)) {}
    Baseline baseline;
    bool sawFindings = false;
    std::string problem;

    bool null() override { return Other(); }
    bool boolean(bool) override { return Other(); }
    bool number_integer(number_integer_t) override { return Other(); }
    bool number_unsigned(number_unsigned_t) override { return Other(); }
    bool number_float(number_float_t, const string_t&) override { return Other(); }
    bool binary(binary_t&) override { return Other(); }
    bool string(string_t& text) override {
        if (!InFinding()) return Other();
        static const char* const fields[] = {"file", "rule", "component", "fingerprint"};
        std::string* slots[] = {&finding_.file, &finding_.rule, &finding_.component, &finding_.fingerprint};
        for (int i = 0; i < 4; ++i)
            if (key_ == fields[i]) *slots[i] = text, have_ |= 1u << i;
        return true;
    }
    bool key(string_t& text) override {
        key_ = text;
        return true;
    }
    bool start_object(std::size_t) override {
        ++depth_;
        if (inFindings_ && depth_ == 3) have_ = 0, finding_ = {};
        return true;
    }
    bool end_object() override {
        if (InFinding() && (have_ & 7) != 7) return Fail("a finding without its file, rule and component");
        if (InFinding()) {
            // Baselines of old recorded files outside the folder by their absolute path.
            if (finding_.file.starts_with("/"))
                finding_.file = fs::path(finding_.file).lexically_relative(folder_).string();
            if (have_ & 8) ++baseline.prints[{finding_.file, finding_.fingerprint}];
            else ++baseline.legacy[{finding_.file, finding_.rule, finding_.component}];
        }
        --depth_;
        return true;
    }
    bool start_array(std::size_t) override {
        if (!Other()) return false;
        ++depth_;
        if (depth_ == 2 && key_ == "findings") inFindings_ = sawFindings = true;
        return true;
    }
    bool end_array() override {
        if (depth_ == 2) inFindings_ = false;
        --depth_;
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& e) override {
        return Fail(e.what());
    }

private:
    bool InFinding() const { return inFindings_ && depth_ == 3; }
    // Anything but an object in the list, or anything but text in a finding's fields.
    bool Other() {
        if (inFindings_ && depth_ == 2) return Fail("a finding that is not an object");
        if (InFinding() && (key_ == "file" || key_ == "rule" || key_ == "component" || key_ == "fingerprint"))
            return Fail("a finding's " + key_ + " that is not text");
        return true;
    }
    bool Fail(std::string why) {
        if (problem.empty()) problem = std::move(why);
        return false;
    }
    std::string folder_;
    int depth_ = 0;
    bool inFindings_ = false;
    std::string key_;
    BaselineEntry finding_;
    unsigned have_ = 0;
};

Baseline ReadBaseline(const std::string& path, const std::string& folder, const std::string& text) {
    BaselineReader reader(folder);
    const bool parsed = json::sax_parse(text, &reader);
    if (!parsed || !reader.problem.empty() || !reader.sawFindings)
        throw vcl::EParserError(path, 0, 0,
                                "not a baseline of tavrinqa check: " +
                                    (reader.problem.empty() ? std::string("no list of findings") : reader.problem));
    return std::move(reader.baseline);
}

}  // namespace

int RunCheck(const CheckOptions& options, std::ostream& out, std::ostream& err) {
    constexpr int kClean = 0, kFindings = 1, kFailed = 1, kUsage = 2;
    CheckConfig config;
    const std::vector<std::string> paths = options.paths.empty() ? std::vector<std::string>{"."} : options.paths;
    try {
        std::optional<std::string> configPath =
            options.config.empty() ? FindConfig(paths.front()) : std::optional<std::string>(options.config);
        if (configPath) config = LoadConfig(*configPath);
    } catch (const vcl::EParserError& e) {
        err << "tavrinqa: " << vcl::PrintableText(e.File()) << ":" << e.Line() << ":" << e.Column()
            << ": error: " << vcl::PrintableText(e.Reason()) << "\n";
        return kUsage;
    } catch (const vcl::Exception& e) {
        err << "tavrinqa: " << vcl::PrintableText(e.what()) << "\n";
        return kUsage;
    }
    for (const auto& [names, on] : {std::pair{&options.enable, true}, std::pair{&options.disable, false}})
        for (const std::string& name : *names) config.rules.enabled[name] = on;
    if (options.updateBaseline && options.baseline.empty()) {
        err << "tavrinqa: --update-baseline needs --baseline FILE\n";
        return kUsage;
    }
    // Only the page is written to a file; the other formats are read from standard output,
    // and a file named for them would be silently left unwritten.
    if (!options.output.empty() && options.format != "html") {
        err << "tavrinqa: -o FILE writes the html report only; the " << options.format
            << " output goes to standard output\n";
        return kUsage;
    }
    std::optional<Baseline> baseline;
    std::string baselineDir;
    if (!options.baseline.empty()) {
        std::error_code ec;
        baselineDir = fs::absolute(options.baseline, ec).parent_path().lexically_normal().string();
        try {
            if (!options.updateBaseline)
                if (auto text = zorbase::ReadWholeFile(options.baseline))
                    baseline = ReadBaseline(options.baseline, baselineDir, *text);
        } catch (const vcl::Exception& e) {
            err << "tavrinqa: " << vcl::PrintableText(e.what()) << "\n";
            return kUsage;
        }
    }

    std::vector<std::string> missing, empty;
    const std::vector<std::string> files = DiscoverForms(paths, missing, &empty);
    for (const std::string& m : missing) err << "tavrinqa: " << vcl::PrintableText(m) << ": No such file or directory\n";
    // A folder without forms is a mistyped path more often than a project without forms.
    for (const std::string& e : empty)
        err << "tavrinqa: " << vcl::PrintableText(e) << ": no form files (.dfm, .lfm, .xfm) there\n";
    if (!empty.empty()) return kUsage;
    // The baseline is an output: it never replaces a form, by whatever path or link.
    if (!options.baseline.empty())
        for (const std::string& f : files)
            if (zorbase::SameFile(options.baseline, f)) {
                err << "tavrinqa: the baseline '" << vcl::PrintableText(options.baseline) << "' is the form '"
                    << vcl::PrintableText(f) << "'; a form is never replaced by a baseline\n";
                return kUsage;
            }

    vcl::RegisterControlClasses();
    vcl::RegisterDatabaseClasses();
    // A dataset stored open that cannot open is data-active-stored's business, not a warning.
    vcl::TDataSet::SetWarningHandler([](const std::string&) {});
    // Progress only where a person watches, and only once the run has taken a while.
    const bool tty = ::isatty(2) != 0;
    const auto began = std::chrono::steady_clock::now();
    auto lastShown = began;
    bool shown = false;
    auto progress = [&](size_t done) {
        const auto now = std::chrono::steady_clock::now();
        if (!ShowProgress(tty, std::chrono::duration<double>(now - began).count()) ||
            now - lastShown < std::chrono::milliseconds(100))
            return;
        lastShown = now;
        shown = true;
        err << "\rtavrinqa: checked " << done << " of " << files.size() << " forms" << std::flush;
    };
    // What counts: not suppressed, not in the baseline. The text, JSON and SARIF reports are
    // written file by file as results come (the JSON report's findings wait in a temporary file
    // for its summary); the page and --fix work on all of them, and a baseline being recorded
    // reports none: those keep the findings reported (only those) until the end.
    const bool recording = !options.baseline.empty() && (!baseline || options.updateBaseline);
    const bool streamed = !recording && !options.fix && !options.diff && options.format != "html";
    const bool color = UseColor(options.color, &out == &std::cout && ::isatty(1), std::getenv("NO_COLOR"));
    std::optional<Report> report;
    if (streamed) report.emplace(options.format, out, color, config.rules, files.size());
    std::vector<Reported> list;
    std::deque<FileResult> kept;
    std::vector<std::pair<std::string, FileResult>> bad;
    std::vector<BaselineEntry> recorded;
    Baseline remaining = baseline.value_or(Baseline{});
    const Severity least = *ParseSeverity(options.minSeverity);  // reported
    size_t suppressed = 0, baselined = 0;
    size_t counts[3] = {0, 0, 0};
    bool outOfMemory = false;
    auto take = [&](size_t i, FileResult&& r) {
        outOfMemory = outOfMemory || r.outOfMemory;
        if (r.unreadable) {
            err << vcl::PrintableText(files[i]);
            if (r.where.line > 0) err << ":" << r.where.line << ":" << r.where.column;
            err << ": error: cannot read the form: " << vcl::PrintableText(r.error) << "\n";
            bad.emplace_back(files[i], std::move(r));
            return;
        }
        const std::string relative = config.path.empty() ? files[i] : Relative(files[i], config.root);
        // Relative even where it climbs out of the folder: the baseline moves with the checkout.
        const std::string baselineName =
            baselineDir.empty() ? std::string() : EscapedName(Relative(files[i], baselineDir, true));
        std::vector<Finding> reported;
        for (Finding& f : r.findings) {
            if (f.severity < least) continue;
            if (config.Suppressed(relative, f)) {
                ++suppressed;
                continue;
            }
            if (!options.baseline.empty()) {
                BaselineEntry entry{baselineName, f.rule, f.component, Fingerprint(f)};
                if (baseline && remaining.Take(entry)) {
                    ++baselined;
                    continue;
                }
                recorded.push_back(std::move(entry));
            }
            if (recording) continue;
            if (streamed) {
                if (shown) {  // the findings are written over the progress line
                    err << "\r\033[K" << std::flush;
                    shown = false;
                }
                report->Add(files[i], f);
                ++counts[int(f.severity)];
            } else {
                reported.push_back(std::move(f));
            }
        }
        if (reported.empty()) return;
        kept.push_back({});
        kept.back().findings = std::move(reported);
        for (const Finding& f : kept.back().findings) list.push_back({&files[i], &f});
    };
    CheckFilesInOrder(files, config.rules, options.jobs, take, progress);
    if (shown) err << "\r\033[K" << std::flush;

    if (recording) {
        try {
            zorbase::WriteFileAtomically(options.baseline, BaselineText(recorded));
        } catch (const vcl::Exception& e) {
            err << "tavrinqa: " << vcl::PrintableText(e.what()) << "\n";
            return kUsage;
        }
        err << "tavrinqa: recorded " << recorded.size() << " findings in " << vcl::PrintableText(options.baseline) << "\n";
    }

    if (options.fix || options.diff) {
        // The findings fixed leave the report; a form that cannot be fixed keeps them.
        std::map<const std::string*, std::vector<std::string>> byFile;
        for (const Reported& r : list)
            if (r.finding->rule == "tab-reading-order") byFile[r.file].push_back(r.finding->component);
        std::set<std::pair<const std::string*, std::string>> fixed;
        for (const std::string& f : files) {
            auto it = byFile.find(&f);
            if (it == byFile.end()) continue;
            const FixResult fix = FixTabOrder(f, it->second, config.rules, options.fix);
            if (!fix.error.empty()) {
                err << vcl::PrintableText(f) << ": error: not fixed: " << vcl::PrintableText(fix.error) << "\n";
                continue;
            }
            for (const std::string& name : it->second)
                if (std::find(fix.settled.begin(), fix.settled.end(), name) == fix.settled.end())
                    err << vcl::PrintableText(f) << ": error: not fixed: the tab order around "
                        << vcl::PrintableText(name) << " has no reading order the tab order tool can give it\n";
            if (options.diff) out << UnifiedDiff(f, fix.before, fix.after);
            if (!options.fix || fix.after == fix.before) continue;
            for (const std::string& name : fix.settled) fixed.insert({&f, name});
            err << "tavrinqa: fixed " << vcl::PrintableText(f) << ", tab order changed:";
            for (const std::string& name : fix.changed) err << " " << vcl::PrintableText(name);
            err << "\n";
        }
        list.erase(std::remove_if(list.begin(), list.end(),
                                  [&](const Reported& r) {
                                      return r.finding->rule == "tab-reading-order" &&
                                             fixed.count({r.file, r.finding->component});
                                  }),
                   list.end());
    }

    // With --diff the diff is the output: a patch to read or apply.
    if (!options.diff) {
        if (options.format == "html") {
            if (const int failed = WriteHtmlReport(options.output, out, err, HtmlFindings(list), files)) return failed;
        } else {
            if (!report) {
                report.emplace(options.format, out, color, config.rules, files.size());
                for (const Reported& r : list) report->Add(*r.file, *r.finding);
            }
            if (!report->Finish(bad, err)) return kFailed;
        }
    }
    out.flush();

    for (const Reported& r : list) ++counts[int(r.finding->severity)];
    err << "tavrinqa: " << files.size() << " forms checked: " << counts[2] << " errors, " << counts[1] << " warnings, "
        << counts[0] << " notes";
    if (suppressed) err << ", " << suppressed << " suppressed";
    if (baselined) err << ", " << baselined << " in the baseline";
    if (const int gone = baseline ? remaining.Left() : 0)
        err << "; " << gone << " baseline entries no longer found (--update-baseline drops them)";
    if (!bad.empty()) err << "; " << bad.size() << " could not be read";
    err << "\n";

    if (outOfMemory) {
        err << "tavrinqa: out of memory\n";
        return kFailed;
    }
    if (!missing.empty() || !bad.empty()) return kUsage;
    if (options.failOn == "none") return kClean;
    const Severity failing = *ParseSeverity(options.failOn);
    for (int sev = int(failing); sev < 3; ++sev)
        if (counts[sev] > 0) return kFindings;
    return kClean;
}

}  // namespace check
