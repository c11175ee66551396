// The check's configuration under hostile input: nesting and size are measured before the
// TOML reader sees the text, and strings and comments cannot hide nesting from that measure.
#include <gtest/gtest.h>

#include <sstream>

#include "check/CheckConfig.h"
#include "check/Checker.h"
#include "host/vcl/SysUtils.h"
#include "tests/support/TestSupport.h"

namespace {

std::string Repeat(const std::string& s, size_t n) {
    std::string out;
    out.reserve(s.size() * n);
    for (size_t i = 0; i < n; ++i) out += s;
    return out;
}

// The refusal of a configuration: "LINE:COLUMN: reason", or "" when it was read.
std::string Refusal(const std::string& text) {
    try {
        check::ParseConfig(text, "p/tavrinqa.toml");
    } catch (const vcl::EParserError& e) {
        return std::to_string(e.Line()) + ":" + std::to_string(e.Column()) + ": " + e.Reason();
    }
    return "";
}

TEST(ConfigLimits, DeepKeysTablesAndArraysAreRefusedWithTheirPlace) {
    const std::string deeper = "tables, arrays and dotted keys nest deeper than 32 levels";
    // 40,000 key parts, the header of such a table, and as deep values of both kinds.
    EXPECT_EQ(Refusal("a" + Repeat(".a", 39999) + " = 1\n"), "1:66: " + deeper);
    EXPECT_EQ(Refusal("ppi = 96\n[" + Repeat("a.", 40000) + "a]\n"), "2:65: " + deeper);
    EXPECT_EQ(Refusal("x = " + Repeat("[", 100000) + Repeat("]", 100000)), "1:37: " + deeper);
    EXPECT_EQ(Refusal("x = " + Repeat("{a=", 5000) + "1" + Repeat("}", 5000)), "1:" + std::to_string(4 + 3 * 32 + 1) + ": " + deeper);
    EXPECT_EQ(Refusal(Repeat("[", 40)), "1:33: " + deeper);
    // Key parts inside each level count with it.
    EXPECT_NE(Refusal("x = " + Repeat("{a.b.c.d=", 10) + "1" + Repeat("}", 10)), "");
    // Strings that close brackets do not make the levels around them shallower.
    EXPECT_NE(Refusal("x = " + Repeat("[\"]]\", '}}', \"\"\"]\n]\"\"\", ", 40) + "1" + Repeat("]", 40)), "");
    EXPECT_NE(Refusal("x = \"\"\"a\"\"\"\"\ny = " + Repeat("[", 40)), "");
    EXPECT_NE(Refusal("x = \"a\\\"]]]]\"\ny = " + Repeat("[", 40)), "");
}

TEST(ConfigLimits, CharactersBeyondAsciiOutsideStringsAndCommentsAreRefusedWithTheirPlace) {
    // TOML keys and whitespace are ASCII; the reader of this release misbehaves on the rest.
    EXPECT_EQ(Refusal("ppi = 96\n\xc3\xa9 = 1\n"), "2:1: a character beyond ASCII outside a string or comment");
    EXPECT_EQ(Refusal("ppi = 96 \xef\xbb\xbb\n"), "1:10: a character beyond ASCII outside a string or comment");
    // A bare value is scanned to its end whatever quotes or brackets it holds, as the reader does.
    for (const char* text : {"ppp=+\"\xca\x8f\"", "pp=-[{\"\"\"\xef\xba\xbf\"\"\"", "d = 1979-05-27 07:32:00=\"\xc3\xa9\""})
        EXPECT_NE(Refusal(text).find("a character beyond ASCII outside a string or comment"), std::string::npos) << text;
    EXPECT_EQ(Refusal("\xEF\xBB\xBFppi = 96\n[[suppress]]\nfile=\"\xc3\xa9\"\ncomponent = \"\"\"a\\\n  \xc3\xa9\"\"\"\n"),
              "5:3: a character beyond ASCII after a backslash");
    EXPECT_EQ(Refusal("x = \"\"\"\\\xc3\xa9\"\"\""), "1:9: a character beyond ASCII after a backslash");
    EXPECT_EQ(Refusal(std::string("ppp=+\0\"\xca\x8f", 9)), "1:6: a control character");
    EXPECT_EQ(Refusal("a = 1\nb = \"x\x01\"\n"), "2:7: a control character");
    EXPECT_EQ(Refusal("ppi = 96222222222222222222.3\n"), "1:7: ppi takes a whole number from 0 to 10000");
    EXPECT_EQ(Refusal("# \xc3\xa9\n[[suppress]]\ncomponent = \"\xc3\xa9\"\nfile = '\xe3\x81\x82'\n"), "");
}

TEST(ConfigLimits, DotsAndBracketsInStringsAndCommentsAreNoNesting) {
    const std::string text = "# [[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[. . . . . . . . . . . . . . . . . . . . .\n"
                             "ppi = 96\n"
                             "[rules]\n"
                             "tab-reading-order = { enabled = true, severity = \"warning\" }\n"
                             "[[suppress]]\n"
                             "file = \"a.b.c.d.e.f.g.h.i.j.k.l.m.n.o.p.q.r.s.t.u.v.w.x.y.z.a.b.c.d.e.f.g.h.dfm\"\n"
                             "component = '" + Repeat("[{", 40) + "'\n"
                             "[[suppress]]\n"
                             "component = \"\"\"\n" + Repeat("[.", 40) + "\"\"\"\n";
    EXPECT_EQ(Refusal(text), "");
    const check::CheckConfig config = check::ParseConfig(text, "p/tavrinqa.toml");
    ASSERT_EQ(config.suppress.size(), 2u);
    EXPECT_EQ(config.suppress[1].component, Repeat("[.", 40));
}

TEST(ConfigLimits, AFileBeyondFourMebibytesIsRefusedUnread) {
    testsupport::TempDir dir;
    const std::string huge = "# " + std::string(size_t(4) << 20, 'x') + "\n";
    EXPECT_EQ(Refusal(huge), "0:0: the configuration is larger than the limit of 4 MiB");
    testsupport::WriteFile(dir.File("tavrinqa.toml"), huge);
    EXPECT_TRUE(testsupport::Has(testsupport::ErrorOf<vcl::EInOutError>([&] { check::LoadConfig(dir.File("tavrinqa.toml")); }),
                                 "larger than the limit"));
}

TEST(ConfigLimits, ARunWithADeepConfigurationEndsAsBadUsageNamingTheFile) {
    testsupport::TempDir dir;
    testsupport::WriteFile(dir.File("tavrinqa.toml"), "a" + Repeat(".a", 39999) + " = 1\n");
    testsupport::WriteFile(dir.File("f.dfm"), "object F: TForm\nend\n");
    check::CheckOptions options;
    options.paths = {dir.Path()};
    options.jobs = 1;
    std::ostringstream out, err;
    EXPECT_EQ(check::RunCheck(options, out, err), 2);
    EXPECT_NE(err.str().find("tavrinqa.toml:1:66: error: tables, arrays and dotted keys nest deeper"), std::string::npos)
        << err.str();
}

}  // namespace
