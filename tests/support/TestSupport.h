// Helpers every test program shares.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/support/FormText.h"

namespace vcl {
class TComponent;
}

namespace testsupport {

// A component of the catalogue's class cls, owned by owner, named name.
vcl::TComponent* Make(const char* cls, vcl::TComponent* owner, const char* name = "");

// A fresh directory under /tmp, removed with everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::string ReadFile(const std::string& path);
// The lines of text, each without its line end (LF or CR LF).
std::vector<std::string> SplitLines(const std::string& text);
// The lines of one section of a settings file, as written, blank lines left out.
std::vector<std::string> SettingsSection(const std::string& path, const std::string& section);

// What a shell command printed and how it ended (-1 when a signal ended it).
struct Outcome {
    int status;
    std::string out;
    std::string err;
};
// Runs command with sh; its standard error goes through errFile.
Outcome RunShell(const std::string& command, const std::string& errFile);
void WriteFile(const std::string& path, const std::string& content);
// Writes same-size bytes over the file in place and sets its times back as they were: its stamp
// (device, inode, size, modification time) cannot tell.
void EditKeepingStamp(const std::string& path, const std::string& bytes);
#ifdef TAVRINQA_BINARY
// Runs the program by sh with its settings in home (a throwaway folder when none is given);
// shell comes before the program: environment, a pipe into it, ulimit.
inline Outcome Tavrinqa(const std::string& args, const std::string& home = {}, const std::string& shell = {}) {
    const TempDir scratch;
    return RunShell("export TAVRINQA_HOME='" + (home.empty() ? scratch.Path() : home) + "'; " + shell + " '" +
                        TAVRINQA_BINARY + "' " + args,
                    scratch.File("stderr"));
}
#endif

// Whether text holds part; a failure shows the text.
inline ::testing::AssertionResult Has(const std::string& text, const std::string& part) {
    if (text.find(part) != std::string::npos) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "'" << part << "' is not in: " << text;
}

// The message of the E that fn raises; "no error" when it returns.
template <class E, class F>
std::string ErrorOf(F&& fn) {
    try {
        fn();
    } catch (const E& e) {
        return e.what();
    }
    return "no error";
}

// A form whose second edit, below the first, is tabbed to first: a tab-order finding (a note,
// at line 16) and what --fix puts right.
inline const std::string kSwapped =
    "object Form1: TForm1\n  ClientWidth = 400\n  ClientHeight = 300\n"
    "  object edFirst: TEdit\n    Left = 8\n    Top = 8\n    Width = 100\n    Height = 21\n    TabOrder = 1\n  end\n"
    "  object edSecond: TEdit\n    Left = 8\n    Top = 40\n    Width = 100\n    Height = 21\n    TabOrder = 0\n  end\n"
    "end\n";

// The corpus forms its manifest lists, with the manifest's notes; empty without the corpus.
std::vector<std::pair<std::string, std::string>> CorpusForms();
// Those the manifest does not call malformed.
std::vector<std::pair<std::string, std::string>> WellFormedCorpusForms();

}  // namespace testsupport
