// `tavrinqa check` as a user runs it: on the real forms and the examples it reports, exits by
// what it found, and leaves every file as it was.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "tests/support/TestSupport.h"

namespace {

using testsupport::Outcome;

Outcome Check(const testsupport::TempDir& dir, const std::string& args) {
    const std::string errFile = dir.File("stderr");
    const std::string cmd = std::string("cd '") + dir.Path() + "' && '" + TAVRINQA_BINARY + "' check " + args;
    return testsupport::RunShell(cmd, errFile);
}

// Every file under dir with its bytes and time of change.
std::map<std::string, std::pair<std::string, std::filesystem::file_time_type>> Snapshot(const std::string& dir) {
    std::map<std::string, std::pair<std::string, std::filesystem::file_time_type>> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir))
        if (e.is_regular_file()) files[e.path().string()] = {testsupport::ReadFile(e.path().string()), e.last_write_time()};
    return files;
}

TEST(CheckCommand, ExamplesAreReportedRelativeToTheFolderAndNothingIsWritten) {
    testsupport::TempDir dir;
    std::filesystem::copy(std::string(TAVRIN_SOURCE_DIR) + "/examples", dir.File("examples"),
                          std::filesystem::copy_options::recursive);
    const auto before = Snapshot(dir.Path() + "/examples");
    Outcome r = Check(dir, "examples");
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.out.find("examples/Customer.dfm:"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("3 forms checked"), std::string::npos) << r.err;
    EXPECT_EQ(Check(dir, "examples --fail-on error").status, 0);
    EXPECT_EQ(Check(dir, "examples --format json").out.front(), '{');
    EXPECT_EQ(Check(dir, "examples --format yaml").status, 2);
    EXPECT_EQ(Snapshot(dir.Path() + "/examples"), before);
}

TEST(CheckCommand, TheRealFormsAreAllReadButTheMalformedOne) {
    if (!std::filesystem::exists(TAVRIN_FORMS_DIR "/MANIFEST.tsv")) GTEST_SKIP() << "no form corpus";
    testsupport::TempDir dir;
    Outcome r = Check(dir, "'" TAVRIN_FORMS_DIR "' --format sarif");
    EXPECT_EQ(r.status, 2);  // the malformed binary form is named, the rest are checked
    EXPECT_NE(r.err.find("JvSIMDModifyForm.dfm: error: cannot read the form"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("1 could not be read"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("\"version\": \"2.1.0\""), std::string::npos);
}

}  // namespace
