// Reading text form files: headers, every kind of value, and the errors malformed text raises.
#include "tests/formfile/FormFileTestUtil.h"

using namespace formfile;
using fftest::Parse;

namespace {

Value ValueOf(const Document& doc, std::string_view name) {
    auto p = doc.Root().FindProperty(name);
    EXPECT_TRUE(p.has_value()) << name;
    return p->GetValue();
}

TEST(TextHeaders, KindsNamesClassesAndOrderIndexes) {
    Document doc = Parse(
        "INHERITED Form1: TForm1\n"
        "  object TButton\n  end\n"
        "  inline Frame1 : TFrame1 [3]\n  end\n"
        "  object Label1: TLabel[0]\n"
        "    object Sub: TPanel\n    end\n"
        "  end\n"
        "end\n");
    Object root = doc.Root();
    EXPECT_EQ(root.Kind(), ObjectKind::Inherited);
    EXPECT_EQ(root.Name(), "Form1");
    EXPECT_EQ(root.ClassName(), "TForm1");
    EXPECT_FALSE(root.Parent().has_value());
    ASSERT_EQ(root.Children().size(), 3u);

    Object unnamed = root.Children()[0];
    EXPECT_EQ(unnamed.Name(), "");
    EXPECT_EQ(unnamed.ClassName(), "TButton");
    EXPECT_EQ(unnamed.Flags(), 0);

    Object frame = root.Children()[1];
    EXPECT_EQ(frame.Kind(), ObjectKind::Inline);
    EXPECT_EQ(frame.Order(), 3);
    EXPECT_EQ(frame.Flags(), ffInline | ffChildPos);

    Object label = *root.FindChild("label1");
    EXPECT_EQ(label.Order(), 0);
    EXPECT_EQ(label.Children()[0].Parent()->Name(), "Label1");
    EXPECT_EQ(label.Position().line, 6);
    EXPECT_EQ(label.Position().column, 3);
}

TEST(TextValues, IntegersInEveryNotation) {
    Document doc = Parse("object A: TA\n  D = 42\n  N = -7\n  H = $FF\n  Big = 5000000000\n  Wrap = $FFFFFFFFFFFFFFFF\nend\n");
    EXPECT_EQ(ValueOf(doc, "D").AsInteger(), 42);
    EXPECT_EQ(ValueOf(doc, "N").AsInteger(), -7);
    EXPECT_EQ(ValueOf(doc, "H").AsInteger(), 255);
    EXPECT_EQ(ValueOf(doc, "Big").AsInteger(), 5000000000);
    EXPECT_EQ(ValueOf(doc, "Wrap").AsInteger(), -1);
    EXPECT_EQ(ValueOf(doc, "Big").Type(), VaType::Int64);
    // Free Pascal wraps decimals above the signed range; they stay unsigned here.
    Document big = Parse("object A: TA\n  U = 18446744073709551615\nend\n");
    EXPECT_EQ(ValueOf(big, "U").Type(), VaType::QWord);
    EXPECT_EQ(static_cast<uint64_t>(ValueOf(big, "U").AsInteger()), 18446744073709551615ull);
    EXPECT_EQ(ToText(Document::Parse(ToBinary(big))), ToText(big));
}

TEST(TextValues, IntegersTakeTheSmallestSizeEitherSideOfEachLimit) {
    struct Case {
        const char* text;
        int64_t value;
        VaType type;
    };
    const Case cases[] = {
        {"127", 127, VaType::Int8},
        {"-128", -128, VaType::Int8},
        {"128", 128, VaType::Int16},
        {"-129", -129, VaType::Int16},
        {"32768", 32768, VaType::Int32},
        {"-2147483648", -2147483648LL, VaType::Int32},
        {"2147483648", 2147483648LL, VaType::Int64},
        {"999999999999999999", 999999999999999999LL, VaType::Int64},  // 18 digits
        {"1000000000000000000", 1000000000000000000LL, VaType::Int64},
        {"-9223372036854775808", std::numeric_limits<int64_t>::min(), VaType::Int64},
        {"-0", 0, VaType::Int8},
        {"007", 7, VaType::Int8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        // Last before a child object and last before 'end': where a property's text ends.
        Document doc = Parse(std::string("object A: TA\n  N = ") + c.text + "\n  object B: TB\n    M = " + c.text +
                             "\n  end\nend\n");
        EXPECT_EQ(ValueOf(doc, "N").AsInteger(), c.value);
        EXPECT_EQ(ValueOf(doc, "N").Type(), c.type);
        EXPECT_EQ(doc.Root().FindChild("B")->FindProperty("M")->GetValue().AsInteger(), c.value);
    }
    EXPECT_THROW(Parse("object A: TA\n  N = 9223372036854775808x\nend\n"), vcl::EParserError);
    EXPECT_THROW(Parse("object A: TA\n  N = -9223372036854775809\nend\n"), vcl::EParserError);
    EXPECT_THROW(Parse("object A: TA\n  N = 12_\nend\n"), vcl::EParserError);
    EXPECT_EQ(ValueOf(Parse("object A: TA\n  N = 12.\nend\n"), "N").Type(), VaType::Extended);
}

TEST(TextValues, FloatsWithExponentsAndTypeSuffixes) {
    Document doc = Parse("object A: TA\n  F = 1.5\n  E = -2.5E-3\n  T = 1.\n  S = 0.25s\n  C = 12.3456c\n  D = 36892.5d\nend\n");
    EXPECT_EQ(ValueOf(doc, "F").AsFloat(), 1.5L);
    EXPECT_EQ(ValueOf(doc, "E").AsFloat(), -2.5E-3L);
    EXPECT_EQ(ValueOf(doc, "T").AsFloat(), 1.0L);
    EXPECT_EQ(ValueOf(doc, "F").Type(), VaType::Extended);
    EXPECT_EQ(ValueOf(doc, "S").Type(), VaType::Single);
    EXPECT_EQ(ValueOf(doc, "C").Type(), VaType::Currency);
    EXPECT_EQ(ValueOf(doc, "D").Type(), VaType::Date);
    EXPECT_EQ(ValueOf(doc, "D").AsFloat(), 36892.5L);
}

TEST(TextValues, StringsWithEscapesCodesAndContinuations) {
    Document doc = Parse(
        "object A: TA\n"
        "  Q = 'it''s'\n"
        "  Mixed = 'a'#13#10'b'\n"
        "  Long = 'first ' +\r\n"
        "    'second'#9 +\n"
        "    #65\n"
        "  Empty = ''\n"
        "  Wide = #1049'x'\n"
        "  Raw = 'caf\xE9'\n"
        "end\n");
    EXPECT_EQ(ValueOf(doc, "Q").AsString(), "it's");
    EXPECT_EQ(ValueOf(doc, "Mixed").AsString(), "a\r\nb");
    EXPECT_EQ(ValueOf(doc, "Long").AsString(), "first second\tA");
    EXPECT_EQ(ValueOf(doc, "Empty").AsString(), "");
    EXPECT_TRUE(ValueOf(doc, "Wide").IsWideString());
    EXPECT_EQ(ValueOf(doc, "Wide").AsWideString(), u"\u0419x");
    EXPECT_EQ(ValueOf(doc, "Wide").AsString(), "\xD0\x99x");
    EXPECT_FALSE(ValueOf(doc, "Raw").IsWideString());
    EXPECT_EQ(ValueOf(doc, "Raw").AsString(), "caf\xE9");
    EXPECT_EQ(ValueOf(doc, "Raw").AsWideString(), u"caf\u00E9");
    // 255 characters fit a short string, a doubled quote counting as one.
    const std::string quoted255 = "'" + std::string(254, 'x') + "'''";
    Document sizes = Parse("object A: TA\n  S = " + quoted255 + "\n  L = " + quoted255 + "#65\nend\n");
    EXPECT_EQ(ValueOf(sizes, "S").AsString(), std::string(254, 'x') + "'");
    EXPECT_EQ(ValueOf(sizes, "S").Type(), VaType::String);
    EXPECT_EQ(ValueOf(sizes, "L").Type(), VaType::LString);
    // A string is the whole continuation, so an edit replaces all of its lines.
    EXPECT_EQ(ValueOf(doc, "Long").Raw(), "'first ' +\r\n    'second'#9 +\n    #65");
}

TEST(TextValues, IdentifiersBooleansNilAndSets) {
    Document doc = Parse("object A: TA\n  C = clBtnFace\n  R = DataModule1.Table1\n  T = TRUE\n  F = false\n"
                         "  N = Nil\n  S = [fsBold, fsItalic]\n  E = []\nend\n");
    EXPECT_EQ(ValueOf(doc, "C").AsIdent(), "clBtnFace");
    EXPECT_EQ(ValueOf(doc, "R").AsIdent(), "DataModule1.Table1");
    EXPECT_TRUE(ValueOf(doc, "T").AsBoolean());
    EXPECT_FALSE(ValueOf(doc, "F").AsBoolean());
    EXPECT_EQ(ValueOf(doc, "N").Kind(), ValueKind::Nil);
    Value s = ValueOf(doc, "S");
    ASSERT_EQ(s.Count(), 2u);
    EXPECT_EQ(s.Item(1).AsIdent(), "fsItalic");
    EXPECT_EQ(ValueOf(doc, "E").Count(), 0u);
    EXPECT_THROW(ValueOf(doc, "C").AsInteger(), vcl::EConvertError);
}

TEST(TextValues, ListsCollectionsAndBinaryBlocks) {
    Document doc = Parse(
        "object A: TA\n"
        "  Lines.Strings = (\n    'one'\n    'two')\n"
        "  Mixed = (1 x [a] ( 'n' ) {0A})\n"
        "  Cols = <\n    item\n      Width = 10\n      Font.Style = [fsBold]\n    end\n"
        "    item [4]\n    end>\n"
        "  None = <>\n"
        "  Data = {\n    0001FF\n    7f}\n"
        "end\n");
    Value lines = ValueOf(doc, "lines.strings");
    ASSERT_EQ(lines.Count(), 2u);
    EXPECT_EQ(lines.Item(1).AsString(), "two");

    Value mixed = ValueOf(doc, "Mixed");
    ASSERT_EQ(mixed.Count(), 5u);
    EXPECT_EQ(mixed.Item(2).Kind(), ValueKind::Set);
    EXPECT_EQ(mixed.Item(3).Item(0).AsString(), "n");
    EXPECT_EQ(mixed.Item(4).AsBinary(), "\n");

    Value cols = ValueOf(doc, "Cols");
    ASSERT_EQ(cols.Count(), 2u);
    EXPECT_FALSE(cols.Entry(0).Order().has_value());
    EXPECT_EQ(cols.Entry(0).FindProperty("WIDTH")->GetValue().AsInteger(), 10);
    EXPECT_EQ(cols.Entry(1).Order(), 4);
    EXPECT_TRUE(cols.Entry(1).Properties().empty());
    EXPECT_EQ(ValueOf(doc, "None").Count(), 0u);
    EXPECT_EQ(ValueOf(doc, "Data").AsBinary(), std::string("\x00\x01\xFF\x7F", 4));
}

TEST(TextValues, DottedNamesAndCaseInsensitiveLookup) {
    Document doc = Parse("object A: TA\n  Font.Name = 'Tahoma'\n  font.height = -11\nend\n");
    EXPECT_EQ(doc.Root().FindProperty("FONT.NAME")->Name(), "Font.Name");
    EXPECT_EQ(doc.Root().FindProperty("Font.Height")->GetValue().AsInteger(), -11);
    EXPECT_FALSE(doc.Root().FindProperty("Font").has_value());
}

struct BadText {
    const char* text;
    int line;
    int column;
    const char* reason;
};

class TextErrors : public ::testing::TestWithParam<BadText> {};

TEST_P(TextErrors, NameTheLineColumnAndCause) {
    const BadText& c = GetParam();
    fftest::ParseFailure f = fftest::FailureOf(c.text);
    EXPECT_EQ(f.line, c.line) << f.reason;
    EXPECT_EQ(f.column, c.column) << f.reason;
    EXPECT_NE(f.reason.find(c.reason), std::string::npos) << f.reason;
}

INSTANTIATE_TEST_SUITE_P(
    Malformed, TextErrors,
    ::testing::Values(
        BadText{"", 1, 1, "expected 'object'"},
        BadText{"form A: TA\nend\n", 1, 1, "expected 'object', 'inherited' or 'inline' but found 'form'"},
        BadText{"object A: TA\n  Left 10\nend\n", 2, 8, "expected '=' after property name 'Left'"},
        BadText{"object A: TA\r\n  Caption = 'abc\r\nend\r\n", 2, 13, "unterminated string"},
        BadText{"object A: TA\n  S = 'a' +\nend\n", 3, 1, "expected a string after '+'"},
        BadText{"object A: TA\n  Left = 12x\nend\n", 2, 10, "invalid number '12x'"},
        BadText{"object A: TA\n  N = 99999999999999999999\nend\n", 2, 7, "out of range"},
        BadText{"object A: TA\n  W = #70000\nend\n", 2, 7, "above 65535"},
        BadText{"object A: TA\n  S = [a b]\nend\n", 2, 10, "expected ',' or ']'"},
        BadText{"object A: TA\n  L = (1\n    2\n", 2, 7, "list is not closed"},
        BadText{"object A: TA\n  C = <\n    thing\n  >\nend\n", 3, 5, "expected 'item' or '>'"},
        BadText{"object A: TA\n  B = {0A 1}\nend\n", 2, 11, "two hexadecimal digits"},
        // Digits are judged eight at a time: a stray byte or an odd digit among them.
        BadText{"object A: TA\n  B = {0123456789ABCDEFabcdef@1}\nend\n", 2, 30, "hexadecimal digits or '}'"},
        BadText{"object A: TA\n  B = {0123456789A}\nend\n", 2, 18, "two hexadecimal digits"},
        BadText{"object A: TA\n  B = {0A\n", 2, 7, "binary data is not closed"},
        BadText{"object A: TA\n  object B: TB\n  end\n  Left = 1\nend\n", 4, 3, "properties must come first"},
        BadText{"object A: TA\n  Left = 1\n", 3, 1, "'end' of object 'A' is missing"},
        BadText{"object A: TA\nend\nobject B: TB\nend\n", 3, 1, "after the final 'end'"},
        BadText{"object A: TA [x]\nend\n", 1, 15, "expected a number inside '[ ]'"},
        BadText{"object A: 5\nend\n", 1, 11, "expected a class name after ':'"},
        BadText{"object A: TA\n  X = ?\nend\n", 2, 7, "expected a property value"},
        BadText{"\xFF\xFEo\0b\0", 1, 1, "UTF-16"}));

// Blanks are skipped many bytes at a time: runs of every length around those steps, of every
// kind of blank, ending anywhere up to the end of the text.
TEST(TextBlanks, RunsOfEveryLengthEndWhereTheTextResumes) {
    const std::string kinds = " \t\r\n";
    for (size_t n = 0; n <= 40; ++n) {
        std::string mixed, flat;
        for (size_t i = 0; i < n; ++i) mixed += kinds[(i * 7 + n) % kinds.size()];
        for (size_t i = 0; i < n; ++i) flat += i % 3 == 0 ? '\t' : ' ';
        Document doc = Parse("object A: TA" + mixed + "\n" + mixed + "Left = 1" + mixed + "\nTop = 2\n" + mixed + "end" + mixed);
        EXPECT_EQ(ValueOf(doc, "Left").AsInteger(), 1) << n;
        EXPECT_EQ(ValueOf(doc, "Top").AsInteger(), 2) << n;

        fftest::ParseFailure f = fftest::FailureOf("object A: TA\n" + flat + "Left 1\nend\n");
        EXPECT_EQ(f.line, 2) << n;
        EXPECT_EQ(f.column, int(n) + 6) << n << " " << f.reason;
        f = fftest::FailureOf("object A: TA\nend\n" + mixed + "x");
        EXPECT_NE(f.reason.find("after the final 'end'"), std::string::npos) << n << " " << f.reason;
    }
}

TEST(TextLimits, DeepNestingIsRefusedNotOverflowed) {
    std::string deep = "object A: TA\n  L = " + std::string(100000, '(') + "\nend\n";
    EXPECT_NE(fftest::FailureOf(deep).reason.find("nested too deeply"), std::string::npos);
    std::string objects;
    for (int i = 0; i < 5000; ++i) objects += "object A: TA\n";
    EXPECT_NE(fftest::FailureOf(objects).reason.find("nested too deeply"), std::string::npos);
}

TEST(TextFormat, DetectionTellsTextFromStreams) {
    EXPECT_EQ(DetectFormat("\xEF\xBB\xBF  object A: TA\nend"), Format::Text);
    EXPECT_EQ(DetectFormat("inherited A: TA\nend"), Format::Text);
    EXPECT_EQ(DetectFormat("TPF0\x02TA\x01A\0\0"), Format::Binary);
    EXPECT_EQ(DetectFormat(std::string("\xFF\x0A\0TA\0", 6)), Format::Resource);
    EXPECT_EQ(DetectFormat("objects"), Format::Unknown);
    EXPECT_EQ(DetectFormat(""), Format::Unknown);
}

}  // namespace
