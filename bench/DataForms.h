// What the data benchmarks share: a form of many tables, each with a data source and a data-aware
// edit on one field, a backend that cancels every window the report opens, and a run of the
// program as a user starts it.
#pragma once

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/controls/Dialogs.h"
#include "host/ui/Backend.h"

namespace bench {

// A folder of its own for a benchmark's files, removed at the end.
struct Folder {
    std::string path;
    Folder() {
        char name[] = "/tmp/tavrin-bench-XXXXXX";
        path = mkdtemp(name) != nullptr ? name : "/tmp";
    }
    ~Folder() {
        std::error_code ec;
        if (path != "/tmp") std::filesystem::remove_all(path, ec);
    }
    std::string Path() const { return path; }
    std::string File(const std::string& name) const { return path + "/" + name; }
};

inline void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}


// count tables t0... of the database `alias`, named t0 + tableSuffix, ...
inline std::string ManyDatasetsForm(int count, const std::string& alias, const std::string& tableSuffix) {
    std::string text = "object Many: TForm1\n  Caption = 'Many'\n";
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        text += "  object Edit" + n + ": TDBEdit\n    DataField = 'name'\n    DataSource = Source" + n + "\n  end\n";
        text += "  object Table" + n + ": TTable\n    DatabaseName = '" + alias + "'\n    TableName = 't" + n +
                tableSuffix + "'\n  end\n";
        text += "  object Source" + n + ": TDataSource\n    DataSet = Table" + n + "\n  end\n";
    }
    return text + "end\n";
}

class CancelBackend : public ui::TBackend {
public:
    vcl::TModalResult RunModal(vcl::TCustomForm&) override { return vcl::mrCancel; }
    std::optional<std::string> AnswerSaveDialog(vcl::TSaveDialog&) override { return std::nullopt; }
    int MessageBox(const std::string&, const std::string&, int) override { return vcl::IDOK; }
};

// Processor seconds of one run of the program, its output thrown away; -1 when it fails.
inline double RunProgram(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace bench
