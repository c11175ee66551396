// Conversions compared byte for byte with Free Pascal's ObjectTextToBinary/ObjectBinaryToText.
#include "tests/formfile/FormFileTestUtil.h"
#include "tests/support/FpcOracle.h"

#include <random>

using namespace formfile;
using testsupport::FpcOracle;

namespace {

FpcOracle* Oracle() { return FpcOracle::Get(); }

// Free Pascal writes the bytes above 127 of an 8-bit string as character codes: the text
// reads back as a wide string of Latin-1 letters. We keep the bytes; read as Latin-1, our
// text is theirs.
const TextOptions kAsFpc("\n", "ISO-8859-1");

#define SKIP_WITHOUT_FPC() \
    if (!Oracle()) GTEST_SKIP() << FpcOracle::Why()

// Converts text both ways with fpc and with us, and expects the same bytes.
void ExpectSameAsFpc(const std::string& text, const std::string& what) {
    std::string fpcBin, fpcText, fpcOfOurs;
    ASSERT_TRUE(Oracle()->Convert("t2b", text, &fpcBin)) << what << ": " << fpcBin;
    ASSERT_TRUE(Oracle()->Convert("b2t", fpcBin, &fpcText)) << what << ": " << fpcText;
    Document doc = Document::Parse(text, what);
    std::string ours = ToBinary(doc);
    EXPECT_EQ(ours, fpcBin) << what;
    EXPECT_EQ(ToText(doc, kAsFpc), fpcText) << what;
    ASSERT_TRUE(Oracle()->Convert("b2t", ours, &fpcOfOurs)) << what << ": " << fpcOfOurs;
    EXPECT_EQ(fpcOfOurs, fpcText) << what;
}

TEST(FpcCorpus, ConversionsMatchFreePascalOnEveryFile) {
    SKIP_WITHOUT_CORPUS();
    SKIP_WITHOUT_FPC();
    // Two runs of the oracle for the whole corpus: first what can be converted from the files,
    // then the text of fpc's streams and of ours.
    std::vector<const fftest::CorpusFile*> files;
    std::vector<FpcOracle::Job> first;
    for (const auto& f : fftest::Corpus()) {
        if (f.Malformed()) continue;
        files.push_back(&f);
        first.push_back({f.Binary() ? "r2t" : "t2b", testsupport::ReadFile(f.path), {}, false});
    }
    Oracle()->ConvertMany(first);
    std::vector<FpcOracle::Job> second;
    std::vector<std::string> ourBinary(files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        ASSERT_TRUE(first[i].ok) << files[i]->path << ": " << first[i].output;
        Document doc = Document::Parse(first[i].input, files[i]->path);
        if (files[i]->Binary()) {
            EXPECT_EQ(ToText(doc, kAsFpc), first[i].output) << files[i]->path;
            continue;
        }
        ourBinary[i] = ToBinary(doc);
        EXPECT_EQ(ourBinary[i], first[i].output) << files[i]->path;
        second.push_back({"b2t", first[i].output, {}, false});
        second.push_back({"b2t", ourBinary[i], {}, false});
    }
    Oracle()->ConvertMany(second);
    size_t k = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        if (files[i]->Binary()) continue;
        const FpcOracle::Job& theirs = second[k++];
        const FpcOracle::Job& ofOurs = second[k++];
        ASSERT_TRUE(theirs.ok && ofOurs.ok) << files[i]->path << ": " << theirs.output << ofOurs.output;
        EXPECT_EQ(ToText(Document::Parse(first[i].input), kAsFpc), theirs.output) << files[i]->path;
        EXPECT_EQ(ofOurs.output, theirs.output) << files[i]->path;
    }
    EXPECT_GT(files.size(), 160u);
}

TEST(FpcValues, IntegerRangesPickTheSameTags) {
    SKIP_WITHOUT_FPC();
    std::string text = "object A: TA\n";
    int n = 0;
    for (int64_t edge : {int64_t{128}, int64_t{32768}, int64_t{1} << 31, int64_t{1} << 40}) {
        for (int64_t v : {edge - 1, edge, -edge, -edge - 1}) text += "  P" + std::to_string(n++) + " = " + std::to_string(v) + "\n";
    }
    for (const char* v : {"$7F", "$80", "$FFFF", "$FFFFFFFF", "$8000000000000000", "9223372036854775807",
                          "-9223372036854775808", "0", "-0", "007"})
        text += "  P" + std::to_string(n++) + " = " + v + "\n";
    ExpectSameAsFpc(text + "end\n", "integers");
}

TEST(FpcValues, FloatsReadAndPrintLikeFreePascal) {
    SKIP_WITHOUT_FPC();
    std::mt19937_64 rng(20240601);
    std::string text = "object A: TA\n";
    for (int i = 0; i < 300; ++i) {
        std::string digits = std::to_string(rng() % 1000000000000000000ull);
        size_t dot = 1 + rng() % digits.size();
        std::string num = (rng() % 3 == 0 ? "-" : "") + digits.substr(0, dot) + "." + digits.substr(dot);
        if (rng() % 2) num += "E" + std::to_string(static_cast<int>(rng() % 600) - 300);
        text += "  F" + std::to_string(i) + " = " + num + "\n";
    }
    for (const char* v : {"0.0", "-0.0", "1e5000", "-1e5000", "1e-4945", "3.6e-4951", "1.18973149535723176502e4932"})
        text += std::string("  G = ") + v + "\n";
    ExpectSameAsFpc(text + "end\n", "floats");
}

TEST(FpcValues, ExtendedBitPatternsPrintLikeFreePascal) {
    SKIP_WITHOUT_FPC();
    std::mt19937_64 rng(7);
    fftest::Stream s;
    s.Header("TA", "A");
    auto put = [&](uint64_t mant, unsigned exp) { s.Prop("X", 5).Le(mant, 8).Le(exp, 2); };
    for (int i = 0; i < 200; ++i) put(rng() | (1ull << 63), static_cast<unsigned>(rng() & 0xFFFF));
    put(1ull << 63, 0x7FFF);              // infinity
    put(1ull << 63, 0xFFFF);
    put((1ull << 63) | 1, 0x7FFF);        // NaN
    put(5, 0x3FFF);                       // unnormal
    put(12345, 0);                        // denormal
    put(0, 0x8000);                       // negative zero
    s.End().End();
    std::string fpcText;
    ASSERT_TRUE(Oracle()->Convert("b2t", s.b, &fpcText)) << fpcText;
    EXPECT_EQ(ToText(Document::Parse(s.b)), fpcText);
}

TEST(FpcValues, StringsOfEveryByteAndWideCode) {
    SKIP_WITHOUT_FPC();
    std::string text = "object A: TA\n";
    for (int c = 1; c < 256; ++c) {
        std::string lit = c == '\'' ? "''''" : c == '\r' || c == '\n' ? "#" + std::to_string(c)
                                                                     : "'" + std::string(1, static_cast<char>(c)) + "'";
        text += "  B" + std::to_string(c) + " = 'x'" + lit + "#" + std::to_string(c) + "\n";
    }
    for (int c : {128, 255, 256, 1049, 8364, 55357, 56832, 65535}) text += "  W = 'a'#" + std::to_string(c) + "'b\xE9'\n";
    text += "  Long = '" + std::string(300, 'y') + "'\n";
    text += "  Split = 'a' +\n    'b' + #0 +\n    ''\n  Empty = ''\n";
    ExpectSameAsFpc(text + "end\n", "strings");

    fftest::Stream s;
    s.Header("TA", "A")
        // Free Pascal prints characters beyond U+FFFF of UTF-8 strings as a wrong code; keep below.
        .Prop("U8", 20).Le(8, 4).Raw("a\xC3\xA9\xE2\x82\xACz", 8)
        .Prop("WS", 18).Le(3, 4).Le(0xD83D, 2).Le(0xDE00, 2).Le(39, 2)
        .Prop("LS", 12).Le(3, 4).Raw("\x01'\xFF", 3)
        .End().End();
    std::string fpcText;
    ASSERT_TRUE(Oracle()->Convert("b2t", s.b, &fpcText)) << fpcText;
    EXPECT_EQ(ToText(Document::Parse(s.b), kAsFpc), fpcText);
}

TEST(FpcValues, ContainersAndHeadersLayOutLikeFreePascal) {
    SKIP_WITHOUT_FPC();
    std::string bin32(64, 'A'), bin33 = bin32 + "0F";
    ExpectSameAsFpc(
        "inherited Form1: TForm1\n"
        "  Set = [a, b]\n  NoSet = []\n"
        "  List = (1 'two' three [four] (5) <item X = 6 end> {07})\n  NoList = ()\n"
        "  Col = <\n    item\n      A = <item end item B = (1) end>\n      C = <>\n    end\n    item\n    end>\n"
        "  Bin = {" + bin33 + "}\n  Bin32 = {" + bin32 + "}\n  NoBin = {}\n"
        "  object TButton\n    T = True\n    F = false\n    N = nil\n    R = Form1.Button.Caption\n  end\n"
        "  inline Frame: TFrame [2]\n    inherited Inner: TPanel[0]\n    end\n  end\n"
        "end\n",
        "containers");
}

TEST(FpcErrors, InputFreePascalRefusesIsRefused) {
    SKIP_WITHOUT_FPC();
    for (const char* bad : {"object A: TA\n  Left 10\nend\n", "object A: TA\n  S = 'abc\nend\n",
                            "object A: TA\n  S = 'a' +\nend\n", "object A: TA\n  N = 1.5x\nend\n",
                            "object A: TA\n  S = [a b]\nend\n", "object A: TA\n  B = {0A 1}\nend\n",
                            "object A: TA\n  object B: TB\n  end\n  L = 1\nend\n", "object A: TA\n  L = 1\n",
                            "object A: TA\n  N = -$10\nend\n", "object A: TA\n  N = .5\nend\n",
                            "object A: TA\n  N = 1.5e\nend\n", "object A: TA\n  N = 99999999999999999999\nend\n"}) {
        std::string out;
        EXPECT_FALSE(Oracle()->Convert("t2b", bad, &out)) << bad;
        EXPECT_THROW(Document::Parse(bad), vcl::EParserError) << bad;
    }
}

}  // namespace
