// Shared test helpers for every test program.
#include "tests/support/TestSupport.h"
#include "host/vcl/ClassCatalogue.h"
#include "host/vcl/Classes.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace testsupport {

vcl::TComponent* Make(const char* cls, vcl::TComponent* owner, const char* name) {
    vcl::TComponent* c = vcl::ClassCatalogue().CreateComponent(cls, owner);
    c->SetName(name);
    return c;
}

namespace {

// Tests that read the real forms skip when the folder is missing; where it must be there
// (CI sets TAVRIN_REQUIRE_FORMS), a missing folder fails every test program instead of
// letting those tests pass unseen.
class FormsRequired : public ::testing::Environment {
public:
    void SetUp() override {
        const char* required = std::getenv("TAVRIN_REQUIRE_FORMS");
        if (required == nullptr || *required == '\0' || std::string(required) == "0") return;
        ASSERT_TRUE(std::filesystem::exists(TAVRIN_FORMS_DIR "/MANIFEST.tsv"))
            << "the real forms are required but missing at " TAVRIN_FORMS_DIR;
    }
};

[[maybe_unused]] ::testing::Environment* const formsRequired =
    ::testing::AddGlobalTestEnvironment(new FormsRequired);

}  // namespace

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tavrin-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a temporary directory");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

Outcome RunShell(const std::string& command, const std::string& errFile) {
    FILE* pipe = popen((command + " 2>'" + errFile + "'").c_str(), "r");
    std::string out;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out, ReadFile(errFile)};
}

std::vector<std::pair<std::string, std::string>> CorpusForms() {
    std::vector<std::pair<std::string, std::string>> forms;
    std::ifstream manifest(TAVRIN_FORMS_DIR "/MANIFEST.tsv");
    std::string line, file, notes;
    for (std::getline(manifest, line); std::getline(manifest, line);) {
        std::istringstream cols(line);
        std::getline(cols, file, '\t');
        for (int i = 0; i < 5; ++i) std::getline(cols, notes, '\t');
        if (!file.empty()) forms.emplace_back(TAVRIN_FORMS_DIR "/" + file, notes);
    }
    return forms;
}

std::vector<std::pair<std::string, std::string>> WellFormedCorpusForms() {
    std::vector<std::pair<std::string, std::string>> forms;
    for (auto& [path, notes] : CorpusForms()) {
        std::string lower = notes;
        for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
        if (lower.find("malformed") == std::string::npos) forms.emplace_back(path, notes);
    }
    return forms;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (line.ends_with('\r')) line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> SettingsSection(const std::string& path, const std::string& section) {
    std::vector<std::string> lines;
    bool inside = false;
    for (const std::string& line : SplitLines(ReadFile(path))) {
        if (!line.empty() && line[0] == '[') inside = line == "[" + section + "]";
        else if (inside && !line.empty()) lines.push_back(line);
    }
    return lines;
}

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

void EditKeepingStamp(const std::string& path, const std::string& bytes) {
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    ASSERT_EQ(std::filesystem::file_size(path), bytes.size());
    {
        std::ofstream out(path, std::ios::binary | std::ios::in | std::ios::out);
        out.write(bytes.data(), std::streamsize(bytes.size()));
    }
    const struct timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

}  // namespace testsupport
