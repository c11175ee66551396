// The worked examples of docs/script.md, run as printed: the page is the golden file, so it
// cannot drift from the program. An indented block that runs build/tavrinqa is an example;
// each fenced block after it is what it shows: standard error when the paragraph before says
// so, the start of a file when that paragraph says "`/tmp/x/FILE` begins", else standard
// output. A line "..." stands for any lines.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace {

using testsupport::SplitLines;

struct Shown {
    enum Kind { Out, Err, FileStart } kind;
    std::string file;
    std::vector<std::string> lines;
};

struct Example {
    int line;
    std::string script;
    std::vector<Shown> shown;
};

std::vector<Example> Examples(const std::vector<std::string>& doc) {
    std::vector<Example> examples;
    std::string paragraph;
    for (size_t i = 0; i < doc.size(); ++i) {
        if (doc[i].rfind("    ", 0) == 0) {
            Example example{int(i + 1), {}, {}};
            for (; i < doc.size() && doc[i].rfind("    ", 0) == 0; ++i) example.script += doc[i].substr(4) + "\n";
            if (example.script.find("build/tavrinqa") != std::string::npos) examples.push_back(example);
            paragraph.clear();
        } else if (doc[i].rfind("```", 0) == 0) {
            Shown shown{Shown::Out, {}, {}};
            static const std::regex fileStart("`(/tmp/x/[^`]+)` begins");
            std::smatch m;
            if (std::regex_search(paragraph, m, fileStart)) shown = {Shown::FileStart, m[1], {}};
            else if (paragraph.find("standard error") != std::string::npos) shown.kind = Shown::Err;
            for (++i; i < doc.size() && doc[i].rfind("```", 0) != 0; ++i) shown.lines.push_back(doc[i]);
            if (!examples.empty()) examples.back().shown.push_back(shown);
            paragraph.clear();
        } else {
            paragraph += doc[i] + "\n";
        }
    }
    return examples;
}

// Whether the lines match the pattern from its first line, "..." matching any run of lines;
// a whole match unless only the start counts.
bool Matches(const std::vector<std::string>& pattern, size_t p, const std::vector<std::string>& lines, size_t l,
             bool startOnly) {
    if (p == pattern.size()) return startOnly || l == lines.size();
    if (pattern[p] == "...") {
        for (size_t k = l; k <= lines.size(); ++k)
            if (Matches(pattern, p + 1, lines, k, startOnly)) return true;
        return false;
    }
    return l < lines.size() && lines[l] == pattern[p] && Matches(pattern, p + 1, lines, l + 1, startOnly);
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

}  // namespace

TEST(ScriptDoc, EveryWorkedExampleShowsWhatTheProgramDoes) {
    const std::vector<Example> examples = Examples(SplitLines(testsupport::ReadFile(TAVRIN_SOURCE_DIR "/docs/script.md")));
    ASSERT_FALSE(examples.empty());
    for (const Example& example : examples) {
        SCOPED_TRACE("docs/script.md, line " + std::to_string(example.line));
        testsupport::TempDir x;
        std::string script = std::regex_replace(example.script, std::regex("build/tavrinqa"), TAVRINQA_BINARY);
        script = std::regex_replace(script, std::regex("/tmp/x"), x.Path());
        testsupport::WriteFile(x.File("example.sh"), script);
        const testsupport::Outcome run =
            testsupport::RunShell("cd '" TAVRIN_SOURCE_DIR "' && sh -e '" + x.File("example.sh") + "'", x.File("stderr"));
        // A diff at the end shows how a saved copy differs, so it ends with status 1.
        const bool diff = example.script.find("\ndiff ") != std::string::npos;
        EXPECT_EQ(run.status, diff ? 1 : 0) << run.err;
        for (const Shown& shown : example.shown) {
            std::vector<std::string> pattern = shown.lines;
            for (std::string& line : pattern) line = std::regex_replace(line, std::regex("/tmp/x"), x.Path());
            const std::string actual = shown.kind == Shown::Out   ? run.out
                                       : shown.kind == Shown::Err ? run.err
                                                                  : testsupport::ReadFile(x.Path() + shown.file.substr(6));
            EXPECT_TRUE(Matches(pattern, 0, SplitLines(actual), 0, shown.kind == Shown::FileStart))
                << "shown:\n" << Joined(shown.lines) << "printed:\n" << actual;
        }
    }
}
