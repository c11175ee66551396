#include "check/Checker.h"

#include <CLI/CLI.hpp>

#include <poll.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>
#include <thread>
#include <unordered_set>

#include <nlohmann/json.hpp>

#include "check/Fix.h"
#include "host/base/AtomicFile.h"
#include "host/controls/ControlClasses.h"
#include "host/db/DB.h"
#include "host/formfile/FormModel.h"
#include "host/vcl/ClassCatalogue.h"
#include "host/vcl/SysUtils.h"

namespace check {

namespace fs = std::filesystem;
using nlohmann::json;

void AddCheckOptions(CLI::App& command, CheckOptions& options) {
    command.add_option("PATH", options.paths, "form files, or folders to search for them (default: .)");
    command.add_option("--format", options.format, "text (file:line:col: severity: message [rule]), json or sarif")
        ->check(CLI::IsMember({"text", "json", "sarif"}));
    command.add_option("--fail-on", options.failOn, "the least severity that fails the run: note, warning, error, none")
        ->check(CLI::IsMember({"note", "warning", "error", "none"}));
    command.add_option("--config", options.config, "the configuration (default: the nearest tavrinqa.toml upwards)");
    command.add_option("--baseline", options.baseline,
                       "findings recorded here do not count; a missing file records today's findings");
    command.add_flag("--update-baseline", options.updateBaseline, "record today's findings in the --baseline file");
    command.add_option("-j,--jobs", options.jobs, "worker processes (default: one per core)")->check(CLI::Range(0, 256));
    command.add_flag("--fix", options.fix, "put tab orders in reading order in the form files (tab-reading-order)");
    command.add_flag("--diff", options.diff, "print what --fix changes as a unified diff instead of the findings");
}

bool ShowProgress(bool terminal, double secondsSoFar) { return terminal && secondsSoFar >= 1.0; }

// ---- finding the forms ----

namespace {

bool IsFormFile(const fs::path& p) {
    const std::string ext = vcl::LowerCase(p.extension().string());
    return ext == ".dfm" || ext == ".lfm" || ext == ".xfm";
}

}  // namespace

std::vector<std::string> DiscoverForms(const std::vector<std::string>& paths, std::vector<std::string>& missing) {
    std::vector<std::string> out;
    std::unordered_set<std::string> seen;
    auto take = [&](const fs::path& p) {
        std::error_code ec;
        fs::path key = fs::weakly_canonical(p, ec);
        if (seen.insert(ec ? p.lexically_normal().string() : key.string()).second) out.push_back(p.string());
    };
    for (const std::string& arg : paths) {
        std::error_code ec;
        const fs::file_status st = fs::status(arg, ec);
        if (ec || !fs::exists(st)) {
            missing.push_back(arg);
            continue;
        }
        if (!fs::is_directory(st)) {
            take(arg);
            continue;
        }
        std::vector<fs::path> found;
        fs::recursive_directory_iterator it(arg, fs::directory_options::skip_permission_denied, ec), end;
        for (; !ec && it != end; it.increment(ec)) {
            const fs::path& p = it->path();
            // Hidden folders (.git, .svn) hold no forms of the project.
            if (it->is_directory(ec) && p.filename().string().starts_with(".")) {
                it.disable_recursion_pending();
                continue;
            }
            if (IsFormFile(p) && it->is_regular_file(ec)) found.push_back(p);
        }
        if (ec) missing.push_back(arg + " (" + ec.message() + ")");
        std::sort(found.begin(), found.end());
        for (const fs::path& p : found) take(p);
    }
    return out;
}

// ---- checking ----

FileResult CheckFile(const std::string& path, const RuleSettings& settings) {
    FileResult result;
    vcl::ClassCatalogue().ForgetInferred();  // each form's findings are its own
    try {
        std::unique_ptr<formfile::TFormFile> file = formfile::TFormFile::Load(path);
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
        result.unreadable = true;
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
    w.U32(r.unreadable);
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
    }
}

bool Decode(Reader& r, FileResult& out) {
    uint32_t unreadable = 0, line = 0, column = 0, count = 0;
    if (!r.U32(unreadable) || !r.Text(out.error) || !r.U32(line) || !r.U32(column) || !r.U32(count)) return false;
    out.findings.reserve(std::min<uint32_t>(count, 1u << 16));
    out.unreadable = unreadable != 0;
    out.where.line = int(line);
    out.where.column = int(column);
    for (uint32_t i = 0; i < count; ++i) {
        Finding f;
        uint32_t severity = 0, fline = 0, fcolumn = 0;
        if (!r.Text(f.rule) || !r.U32(severity) || !r.Text(f.component) || !r.Text(f.message) || !r.U32(f.pos.offset) ||
            !r.U32(fline) || !r.U32(fcolumn))
            return false;
        f.severity = Severity(std::min<uint32_t>(severity, 2));
        f.pos.line = int(fline);
        f.pos.column = int(fcolumn);
        out.findings.push_back(std::move(f));
    }
    return true;
}

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
    if (jobs <= 0) jobs = int(std::max(1u, std::thread::hardware_concurrency()));
    jobs = int(std::min<size_t>(size_t(jobs), files.size()));
    if (jobs <= 1) {
        for (size_t i = 0; i < files.size(); ++i) {
            results[i] = CheckFile(files[i], settings);
            if (progress) progress(i + 1);
        }
        return results;
    }
    std::vector<bool> finished(files.size(), false);
    size_t done = 0;
    std::vector<size_t> todo(files.size());
    for (size_t i = 0; i < todo.size(); ++i) todo[i] = i;
    // Rounds: a worker that dies loses the file it was on (reported) and leaves the ones it
    // never started to the next round.
    while (!todo.empty()) {
        void* shared = ::mmap(nullptr, sizeof(std::atomic<uint32_t>), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS,
                              -1, 0);
        if (shared == MAP_FAILED) return CheckFiles(files, settings, 1, progress);
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
                WorkerLoop(fds[1], next, todo, files, settings);
                ::close(fds[1]);
                ::_exit(0);  // no destructors, no exit handlers: the parent owns all of that
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
            return CheckFiles(files, settings, 1, progress);
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
                    if (index < results.size() && !finished[index]) {
                        results[index] = std::move(result);
                        finished[index] = true;
                        ++done;
                        if (progress) progress(done);
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
                FileResult& r = results[*w.current];
                r.unreadable = true;
                r.error = died && WIFSIGNALED(status)
                              ? std::string("the check of this file failed (") + ::strsignal(WTERMSIG(status)) + ")"
                              : "the check of this file failed";
                finished[*w.current] = true;
                ++done;
                if (progress) progress(done);
            }
        }
        ::munmap(shared, sizeof(std::atomic<uint32_t>));
        std::vector<size_t> left;
        for (size_t i : todo)
            if (!finished[i]) left.push_back(i);
        if (left.size() == todo.size()) {  // no worker got anywhere: finish here
            for (size_t i : left) results[i] = CheckFile(files[i], settings);
            break;
        }
        todo = std::move(left);
    }
    return results;
}

// ---- reporting ----

namespace {

struct Reported {
    const std::string* file;
    const Finding* finding;
};

std::string Relative(const std::string& path, const std::string& base) {
    std::error_code ec;
    const fs::path abs = fs::absolute(path, ec).lexically_normal();
    const fs::path rel = abs.lexically_relative(base);
    return rel.empty() || rel.string().starts_with("..") ? abs.string() : rel.string();
}

// A path as a URI reference: relative paths stay relative (to the folder the check ran in).
std::string Uri(const std::string& path) {
    static const char* hex = "0123456789ABCDEF";
    std::string out = path.starts_with("/") ? "file://" : "";
    for (unsigned char c : path) {
        if (std::isalnum(c) || std::strchr("-._~/", c) != nullptr) out += char(c);
        else out += {'%', hex[c >> 4], hex[c & 15]};
    }
    return out;
}

json Dumpable(const std::string& s) { return json(s); }

std::string JsonText(const json& j) { return j.dump(2, ' ', false, json::error_handler_t::replace) + "\n"; }

void WriteText(std::ostream& out, const std::vector<Reported>& list) {
    for (const Reported& r : list) {
        const Finding& f = *r.finding;
        out << vcl::PrintableText(*r.file);
        if (f.pos.line > 0) out << ":" << f.pos.line << ":" << f.pos.column;
        out << ": " << SeverityName(f.severity) << ": " << vcl::PrintableText(f.message);
        if (f.pos.line == 0) out << " (byte " << f.pos.offset << ")";
        out << " [" << f.rule << "]\n";
    }
}

json Region(const formfile::SourcePos& pos) {
    if (pos.line > 0) return {{"startLine", pos.line}, {"startColumn", std::max(1, pos.column)}};
    return {{"byteOffset", pos.offset}};
}

std::string Sarif(const std::vector<Reported>& list, const std::vector<std::pair<std::string, FileResult*>>& bad,
                  const RuleSettings& settings) {
    json rules = json::array();
    std::map<std::string, size_t> ruleIndex;
    for (const RuleInfo& r : AllRules()) {
        ruleIndex[r.id] = rules.size();
        rules.push_back({{"id", r.id},
                         {"shortDescription", {{"text", r.summary}}},
                         {"help", {{"text", std::string("docs/check.md, section ") + r.id}}},
                         {"defaultConfiguration",
                          {{"level", SeverityName(settings.SeverityOf(r))}, {"enabled", settings.Enabled(r)}}}});
    }
    json results = json::array();
    for (const Reported& r : list) {
        const Finding& f = *r.finding;
        json location = {{"physicalLocation", {{"artifactLocation", {{"uri", Uri(*r.file)}}}, {"region", Region(f.pos)}}}};
        if (!f.component.empty())
            location["logicalLocations"] = json::array({{{"name", Dumpable(f.component)}, {"kind", "object"}}});
        results.push_back({{"ruleId", f.rule},
                           {"ruleIndex", ruleIndex[f.rule]},
                           {"level", SeverityName(f.severity)},
                           {"message", {{"text", Dumpable(f.message)}}},
                           {"locations", json::array({location})}});
    }
    json notifications = json::array();
    for (const auto& [file, result] : bad) {
        json n = {{"level", "error"}, {"message", {{"text", Dumpable(result->error)}}}};
        json loc = {{"physicalLocation", {{"artifactLocation", {{"uri", Uri(file)}}}}}};
        if (result->where.line > 0) loc["physicalLocation"]["region"] = Region(result->where);
        n["locations"] = json::array({loc});
        notifications.push_back(n);
    }
    json log = {{"$schema", "https://json.schemastore.org/sarif-2.1.0.json"},
                {"version", "2.1.0"},
                {"runs",
                 json::array({{{"tool",
                                {{"driver",
                                  {{"name", "tavrinqa"},
                                   {"version", "0.1.0"},
                                   {"rules", rules}}}}},
                               {"invocations",
                                json::array({{{"executionSuccessful", bad.empty()},
                                              {"toolExecutionNotifications", notifications}}})},
                               {"results", results}}})}};
    return JsonText(log);
}

std::string Json(const std::vector<Reported>& list, const std::vector<std::pair<std::string, FileResult*>>& bad,
                 size_t files) {
    json findings = json::array();
    for (const Reported& r : list) {
        const Finding& f = *r.finding;
        findings.push_back({{"file", Dumpable(*r.file)},
                            {"line", f.pos.line},
                            {"column", f.pos.column},
                            {"offset", f.pos.offset},
                            {"severity", SeverityName(f.severity)},
                            {"rule", f.rule},
                            {"component", Dumpable(f.component)},
                            {"message", Dumpable(f.message)}});
    }
    json errors = json::array();
    for (const auto& [file, result] : bad)
        errors.push_back({{"file", Dumpable(file)},
                          {"line", result->where.line},
                          {"column", result->where.column},
                          {"message", Dumpable(result->error)}});
    return JsonText({{"version", 1}, {"files", files}, {"findings", findings}, {"errors", errors}});
}

// ---- baseline ----

using BaselineKey = std::tuple<std::string, std::string, std::string>;  // file, rule, component

std::map<BaselineKey, int> ReadBaseline(const std::string& path, const std::string& text) {
    std::map<BaselineKey, int> counts;
    json doc;
    try {
        doc = json::parse(text);
        for (const json& f : doc.at("findings"))
            ++counts[{f.at("file").get<std::string>(), f.at("rule").get<std::string>(), f.at("component").get<std::string>()}];
    } catch (const json::exception& e) {
        throw vcl::EParserError(path, 0, 0, std::string("not a baseline of tavrinqa check: ") + e.what());
    }
    return counts;
}

}  // namespace

int RunCheck(const CheckOptions& options, std::ostream& out, std::ostream& err) {
    constexpr int kClean = 0, kFindings = 1, kUsage = 2;
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
    if (options.updateBaseline && options.baseline.empty()) {
        err << "tavrinqa: --update-baseline needs --baseline FILE\n";
        return kUsage;
    }
    std::optional<std::map<BaselineKey, int>> baseline;
    std::string baselineDir;
    if (!options.baseline.empty()) {
        std::error_code ec;
        baselineDir = fs::absolute(options.baseline, ec).parent_path().lexically_normal().string();
        try {
            if (!options.updateBaseline)
                if (auto text = zorbase::ReadWholeFile(options.baseline)) baseline = ReadBaseline(options.baseline, *text);
        } catch (const vcl::Exception& e) {
            err << "tavrinqa: " << vcl::PrintableText(e.what()) << "\n";
            return kUsage;
        }
    }

    std::vector<std::string> missing;
    const std::vector<std::string> files = DiscoverForms(paths, missing);
    for (const std::string& m : missing) err << "tavrinqa: " << vcl::PrintableText(m) << ": No such file or directory\n";

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
    std::vector<FileResult> results = CheckFiles(files, config.rules, options.jobs, progress);
    if (shown) err << "\r\033[K" << std::flush;

    // What counts: not suppressed, not in the baseline.
    std::vector<Reported> list;
    std::vector<std::pair<std::string, FileResult*>> bad;
    json recorded = json::array();
    std::map<BaselineKey, int> remaining = baseline.value_or(std::map<BaselineKey, int>{});
    size_t suppressed = 0, baselined = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        FileResult& r = results[i];
        if (r.unreadable) {
            bad.emplace_back(files[i], &r);
            err << vcl::PrintableText(files[i]);
            if (r.where.line > 0) err << ":" << r.where.line << ":" << r.where.column;
            err << ": error: cannot read the form: " << vcl::PrintableText(r.error) << "\n";
            continue;
        }
        const std::string relative = config.path.empty() ? files[i] : Relative(files[i], config.root);
        const std::string baselineName = baselineDir.empty() ? std::string() : Relative(files[i], baselineDir);
        for (const Finding& f : r.findings) {
            if (config.Suppressed(relative, f)) {
                ++suppressed;
                continue;
            }
            if (!options.baseline.empty())
                recorded.push_back({{"file", baselineName}, {"rule", f.rule}, {"component", f.component}});
            if (baseline) {
                auto it = remaining.find({baselineName, f.rule, f.component});
                if (it != remaining.end() && it->second > 0) {
                    --it->second;
                    ++baselined;
                    continue;
                }
            }
            list.push_back({&files[i], &f});
        }
    }

    if (!options.baseline.empty() && (!baseline || options.updateBaseline)) {
        try {
            zorbase::WriteFileAtomically(options.baseline, JsonText({{"version", 1}, {"findings", recorded}}));
        } catch (const vcl::Exception& e) {
            err << "tavrinqa: " << vcl::PrintableText(e.what()) << "\n";
            return kUsage;
        }
        err << "tavrinqa: recorded " << recorded.size() << " findings in " << vcl::PrintableText(options.baseline) << "\n";
        list.clear();  // today's findings are the baseline now
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
        if (options.format == "json") out << Json(list, bad, files.size());
        else if (options.format == "sarif") out << Sarif(list, bad, config.rules);
        else WriteText(out, list);
    }
    out.flush();

    size_t counts[3] = {0, 0, 0};
    for (const Reported& r : list) ++counts[int(r.finding->severity)];
    err << "tavrinqa: " << files.size() << " forms checked: " << counts[2] << " errors, " << counts[1] << " warnings, "
        << counts[0] << " notes";
    if (suppressed) err << ", " << suppressed << " suppressed";
    if (baselined) err << ", " << baselined << " in the baseline";
    if (!bad.empty()) err << "; " << bad.size() << " could not be read";
    err << "\n";

    if (!missing.empty() || !bad.empty()) return kUsage;
    if (options.failOn == "none") return kClean;
    const Severity least = *ParseSeverity(options.failOn);
    for (const Reported& r : list)
        if (r.finding->severity >= least) return kFindings;
    return kClean;
}

}  // namespace check
