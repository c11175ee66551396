#include "tests/support/PgServer.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace testsupport {

namespace {

std::string ShellQuote(const std::string& s) {
    std::string q = "'";
    for (char ch : s) q += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
    return q + "'";
}

bool Executable(const std::string& path) { return ::access(path.c_str(), X_OK) == 0; }

}  // namespace

std::string PgServer::BinDir() {
    if (FILE* p = ::popen("pg_config --bindir 2>/dev/null", "r")) {
        char line[512] = {};
        const bool read = std::fgets(line, sizeof line, p) != nullptr;
        ::pclose(p);
        std::string dir = read ? std::string(line) : std::string();
        while (!dir.empty() && (dir.back() == '\n' || dir.back() == ' ')) dir.pop_back();
        if (!dir.empty() && Executable(dir + "/initdb") && Executable(dir + "/pg_ctl")) return dir;
    }
    for (int version = 20; version >= 11; --version) {
        const std::string dir = "/usr/lib/postgresql/" + std::to_string(version) + "/bin";
        if (Executable(dir + "/initdb") && Executable(dir + "/pg_ctl")) return dir;
    }
    return {};
}

std::string PgServer::Run(const std::string& command, bool* ok) const {
    const std::string full = (asUser_ ? "runuser -u postgres -- sh -c " + ShellQuote(command) : command) + " 2>&1";
    std::string out;
    FILE* p = ::popen(full.c_str(), "r");
    if (p == nullptr) {
        if (ok) *ok = false;
        return "cannot run " + command;
    }
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
    const int status = ::pclose(p);
    if (ok) *ok = status == 0;
    return out;
}

PgServer::PgServer() {
    bin_ = BinDir();
    if (bin_.empty()) {
        why_ = "No PostgreSQL server binaries (initdb, pg_ctl): install postgresql-15";
        return;
    }
    char tmpl[] = "/tmp/tavrin-pg-XXXXXX";
    if (::mkdtemp(tmpl) == nullptr) {
        why_ = "Cannot make a folder for the test server";
        return;
    }
    dir_ = tmpl;
    user_ = "tavrin";
    if (::geteuid() == 0) {
        // initdb and postgres refuse root: the cluster belongs to the postgres system user.
        const passwd* pw = ::getpwnam("postgres");
        if (pw == nullptr) {
            why_ = "Running as root and no postgres system user to run the test server";
            return;
        }
        if (::chown(dir_.c_str(), pw->pw_uid, pw->pw_gid) != 0 || ::chmod(dir_.c_str(), 0755) != 0) {
            why_ = "Cannot hand the test server's folder to the postgres user";
            return;
        }
        asUser_ = true;
    }
    port_ = 20000 + int(::getpid() % 20000);
    bool ok = false;
    std::string out = Run(ShellQuote(bin_ + "/initdb") + " -D " + ShellQuote(dir_ + "/data") + " -U " + user_ +
                              " -A trust --no-sync -E UTF8 --locale=C",
                          &ok);
    if (!ok) {
        why_ = "initdb failed: " + out;
        return;
    }
    out = Run(ShellQuote(bin_ + "/pg_ctl") + " -D " + ShellQuote(dir_ + "/data") + " -l " + ShellQuote(dir_ + "/log") +
                  " -w -t 60 -o " +
                  ShellQuote("-c listen_addresses='' -c unix_socket_directories=" + dir_ + " -p " + std::to_string(port_) +
                             " -c fsync=off -c max_locks_per_transaction=256") +
                  " start",
              &ok);
    if (!ok) {
        why_ = "The test server did not start: " + out;
        return;
    }
    running_ = true;
}

PgServer::~PgServer() {
    Stop();
    if (!dir_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
}

void PgServer::Stop() {
    if (!running_) return;
    running_ = false;
    Run(ShellQuote(bin_ + "/pg_ctl") + " -D " + ShellQuote(dir_ + "/data") + " -m immediate -w stop", nullptr);
}

std::string PgServer::Uri(const std::string& database) const {
    return "postgresql://" + user_ + "@/" + database + "?host=" + dir_ + "&port=" + std::to_string(port_);
}

std::string PgServer::Sql(const std::string& sql, bool* ok, const std::string& database) const {
    const std::string file = dir_ + "/input.sql";
    {
        std::ofstream out(file, std::ios::binary);
        out << sql;
    }
    ::chmod(file.c_str(), 0644);
    return Run(ShellQuote(bin_ + "/psql") + " -X -q -v ON_ERROR_STOP=1 -h " + ShellQuote(dir_) + " -p " +
                   std::to_string(port_) + " -U " + user_ + " -d " + ShellQuote(database) + " -f " + ShellQuote(file),
               ok);
}

}  // namespace testsupport
