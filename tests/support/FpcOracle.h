// Free Pascal's form converters as a peer to compare against. The Pascal source beside this
// header is compiled with fpc on first use, into a folder next to the running program; when fpc
// is missing or the build fails, Get() returns nullptr and Why() says why.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace testsupport {

class FpcOracle {
public:
    static FpcOracle* Get() { return Instance().exe_.empty() ? nullptr : &Instance(); }
    static const std::string& Why() { return Instance().why_; }
    // The built oracle, for callers that run it themselves: fpcoracle t2b|b2t|r2t IN OUT.
    const std::string& Executable() const { return exe_; }

    // mode is t2b, b2t or r2t. False when fpc refuses the input; *out then holds its message.
    bool Convert(const std::string& mode, const std::string& input, std::string* out) {
        std::string in = dir_ + "/in.bin", res = dir_ + "/out.bin", err = dir_ + "/err.txt";
        Write(in, input);
        std::remove(res.c_str());
        int rc = std::system((Quote(exe_) + " " + mode + " " + Quote(in) + " " + Quote(res) + " 2>" + Quote(err)).c_str());
        if (rc != 0) {
            *out = Read(err);
            return false;
        }
        *out = Read(res);
        return true;
    }

    struct Job {
        std::string mode;
        std::string input;   // bytes
        std::string output;  // filled in
        bool ok = false;
    };
    // Many conversions in one run of the oracle.
    void ConvertMany(std::vector<Job>& jobs) {
        std::string list;
        for (size_t i = 0; i < jobs.size(); ++i) {
            std::string in = dir_ + "/job" + std::to_string(i) + ".in", out = dir_ + "/job" + std::to_string(i) + ".out";
            Write(in, jobs[i].input);
            std::remove(out.c_str());
            std::remove((out + ".err").c_str());
            list += jobs[i].mode + "\t" + in + "\t" + out + "\n";
        }
        Write(dir_ + "/jobs.txt", list);
        int rc = std::system((Quote(exe_) + " batch " + Quote(dir_ + "/jobs.txt") + " >/dev/null 2>&1").c_str());
        for (size_t i = 0; i < jobs.size(); ++i) {
            std::string in = dir_ + "/job" + std::to_string(i) + ".in", out = dir_ + "/job" + std::to_string(i) + ".out";
            std::error_code ec;
            jobs[i].ok = rc == 0 && !std::filesystem::exists(out + ".err", ec);
            jobs[i].output = Read(jobs[i].ok ? out : out + ".err");
            std::remove(in.c_str());
            std::remove(out.c_str());
            std::remove((out + ".err").c_str());
        }
    }

    // Seconds fpc's ObjectTextToBinary takes for the file, averaged over iterations in one process.
    std::optional<double> TimeTextToBinary(const std::string& path, int iterations) {
        std::string res = dir_ + "/time.txt";
        std::string cmd = Quote(exe_) + " time-t2b " + Quote(path) + " " + std::to_string(iterations) + " >" + Quote(res);
        if (std::system(cmd.c_str()) != 0) return std::nullopt;
        std::string s = Read(res);
        for (char& c : s)
            if (c == ',') c = '.';
        return std::strtod(s.c_str(), nullptr);
    }

private:
    std::string exe_;
    std::string dir_;
    std::string why_;

    static FpcOracle& Instance() {
        static FpcOracle oracle;
        return oracle;
    }

    FpcOracle() {
        namespace fs = std::filesystem;
        fs::path source = fs::path(__FILE__).parent_path() / "FpcOracle.pas";
#ifdef TAVRIN_SOURCE_DIR
        if (!fs::exists(source)) source = fs::path(TAVRIN_SOURCE_DIR) / "tests/support/FpcOracle.pas";
#endif
        if (!fs::exists(source)) {
            why_ = "FpcOracle.pas not found";
            return;
        }
        if (std::system("fpc -iV >/dev/null 2>&1") != 0) {
            why_ = "fpc is not installed";
            return;
        }
        std::error_code ec;
        fs::path self = fs::read_symlink("/proc/self/exe", ec);
        fs::path dir = ec ? fs::temp_directory_path() : self.parent_path();
        dir /= "fpc-oracle-" + std::to_string(getpid());
        fs::create_directories(dir, ec);
        dir_ = dir.string();
        std::string exe = dir_ + "/fpcoracle";
        std::string log = dir_ + "/build.log";
        std::string cmd = "fpc -O2 -v0 " + Quote("-FE" + dir_) + " " + Quote("-FU" + dir_) + " " + Quote("-o" + exe) +
                          " " + Quote(source.string()) + " >" + Quote(log) + " 2>&1";
        if (std::system(cmd.c_str()) != 0 || !fs::exists(exe)) {
            why_ = "fpc could not build the oracle: " + Read(log);
            return;
        }
        exe_ = exe;
    }

    ~FpcOracle() {
        if (!dir_.empty()) {
            std::error_code ec;
            std::filesystem::remove_all(dir_, ec);
        }
    }

    static std::string Quote(const std::string& s) {
        std::string q = "'";
        for (char c : s) {
            if (c == '\'')
                q += "'\\''";
            else
                q += c;
        }
        return q + "'";
    }
    static void Write(const std::string& path, const std::string& bytes) {
        std::ofstream o(path, std::ios::binary);
        o << bytes;
    }
    static std::string Read(const std::string& path) {
        std::ifstream i(path, std::ios::binary);
        std::ostringstream s;
        s << i.rdbuf();
        return s.str();
    }
};

}  // namespace testsupport
