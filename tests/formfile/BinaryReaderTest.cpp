// Reading binary streams: every value type, filer flags, the resource header, and damage.
#include "tests/formfile/FormFileTestUtil.h"

using namespace formfile;
using fftest::Stream;

namespace {

Document ParseStream(const Stream& s) { return Document::Parse(s.b, "test.dfm"); }

TEST(BinaryValues, EveryScalarType) {
    float single = 1.25f;
    double date = 36892.75;
    long double ext = -3.5L;
    char ext10[10];
    std::memcpy(ext10, &ext, 10);
    Stream s;
    s.Header("TForm1", "Form1")
        .Prop("I8", 2).Byte(0x85)
        .Prop("I16", 3).Le(0x8001, 2)
        .Prop("I32", 4).Le(0xFFFFFFFE, 4)
        .Prop("I64", 19).Le(0x123456789ull, 8)
        .Prop("Q", 22).Le(~0ull, 8)
        .Prop("Ext", 5).Raw(ext10, 10)
        .Prop("Sgl", 15).Raw(&single, 4)
        .Prop("Cur", 16).Le(123456, 8)
        .Prop("Dat", 17).Raw(&date, 8)
        .Prop("S", 6).Short("abc")
        .Prop("LS", 12).Le(2, 4).Raw("xy", 2)
        .Prop("WS", 18).Le(2, 4).Le(0x0419, 2).Le('z', 2)
        .Prop("US", 21).Le(1, 4).Le(0x20AC, 2)
        .Prop("U8", 20).Le(3, 4).Raw("\xC3\xA9!", 3)
        .Prop("Id", 7).Short("clRed")
        .Prop("T", 9).Prop("F", 8).Prop("N", 13).Prop("Z", 0)
        .End().End();
    Document doc = ParseStream(s);
    Object o = doc.Root();
    auto v = [&](const char* n) { return o.FindProperty(n)->GetValue(); };
    EXPECT_EQ(v("I8").AsInteger(), -123);
    EXPECT_EQ(v("I16").AsInteger(), -32767);
    EXPECT_EQ(v("I32").AsInteger(), -2);
    EXPECT_EQ(v("I64").AsInteger(), 0x123456789ll);
    EXPECT_EQ(v("Q").Type(), VaType::QWord);
    EXPECT_EQ(v("Ext").AsFloat(), -3.5L);
    EXPECT_EQ(v("Sgl").AsFloat(), 1.25L);
    EXPECT_EQ(v("Cur").AsFloat(), 12.3456L);
    EXPECT_EQ(v("Dat").AsFloat(), 36892.75L);
    EXPECT_EQ(v("S").AsString(), "abc");
    EXPECT_EQ(v("LS").AsString(), "xy");
    EXPECT_EQ(v("WS").AsWideString(), u"\u0419z");
    EXPECT_EQ(v("US").AsString(), "\xE2\x82\xAC");
    EXPECT_EQ(v("U8").AsWideString(), u"\u00E9!");
    EXPECT_EQ(v("Id").AsIdent(), "clRed");
    EXPECT_TRUE(v("T").AsBoolean());
    EXPECT_FALSE(v("F").AsBoolean());
    EXPECT_EQ(v("N").Kind(), ValueKind::Nil);
    EXPECT_EQ(v("Z").Kind(), ValueKind::Null);
    EXPECT_EQ(doc.Write(), s.b);
}

TEST(BinaryValues, ContainersNestAndKeepOrder) {
    Stream s;
    s.Header("TA", "A")
        .Prop("Set", 11).Short("a").Short("b").End()
        .Prop("List", 1).Byte(6).Short("x").Byte(1).Byte(2).Byte(7).End().End()
        .Prop("Bin", 10).Le(3, 4).Raw("\0\1\2", 3)
        .Prop("Col", 14)
            .Byte(1).Prop("W", 2).Byte(5).End()
            .Byte(2).Byte(9).Byte(1).End()
        .End()
        .End().End();
    Document doc = ParseStream(s);
    Object o = doc.Root();
    EXPECT_EQ(o.FindProperty("Set")->GetValue().Item(1).AsIdent(), "b");
    Value list = o.FindProperty("List")->GetValue();
    ASSERT_EQ(list.Count(), 2u);
    EXPECT_EQ(list.Item(1).Item(0).AsInteger(), 7);
    EXPECT_EQ(o.FindProperty("Bin")->GetValue().AsBinary(), std::string("\0\1\2", 3));
    Value col = o.FindProperty("Col")->GetValue();
    ASSERT_EQ(col.Count(), 2u);
    EXPECT_EQ(col.Entry(0).FindProperty("w")->GetValue().AsInteger(), 5);
    EXPECT_EQ(col.Entry(1).Order(), 9);
}

TEST(BinaryObjects, FilerFlagsAndChildPositions) {
    Stream s;
    s.Byte(0xF1).Header("TForm1", "Form1").End()
        .Byte(0xF6).Byte(2).Byte(3).Header("TFrame", "Fr").End().End()
        .Header("TButton", "").End().End()
        .End();
    Document doc = ParseStream(s);
    Object root = doc.Root();
    EXPECT_EQ(root.Kind(), ObjectKind::Inherited);
    Object fr = root.Children()[0];
    EXPECT_EQ(fr.Kind(), ObjectKind::Inline);
    EXPECT_EQ(fr.Order(), 3);
    EXPECT_EQ(root.Children()[1].Name(), "");
    EXPECT_EQ(root.Children()[1].Flags(), 0);
    EXPECT_EQ(doc.Write(), s.b);
}

TEST(BinaryObjects, ResourceHeaderIsSkippedAndKept) {
    Stream body;
    body.Header("TForm1", "Form1").Prop("Left", 2).Byte(8).End().End();
    std::string res("\xFF\x0A\0TFORM1\0\x30\x10", 12);
    for (int i = 0; i < 4; ++i) res += static_cast<char>((body.b.size() >> (8 * i)) & 0xFF);
    Document doc = Document::Parse(res + body.b);
    EXPECT_EQ(doc.SourceFormat(), Format::Resource);
    EXPECT_EQ(doc.Root().FindProperty("Left")->GetValue().AsInteger(), 8);
    EXPECT_EQ(doc.Write(), res + body.b);
    EXPECT_EQ(ToBinary(doc, true), res + body.b);
}

// A conversion into a sink: the same bytes as the whole, in pieces far smaller than the form,
// with the resource header's size put in at the end over bytes passed on long before.
TEST(Conversion, InPiecesTheBytesAreThoseOfTheWhole) {
    struct Recorder : ByteSink {
        std::string bytes;
        size_t largest = 0;
        void Write(std::string_view piece) override {
            bytes += piece;
            largest = std::max(largest, piece.size());
        }
        void Overwrite(uint64_t offset, std::string_view piece) override { bytes.replace(offset, piece.size(), piece); }
    };
    std::string text = "object Form1: TForm1\n";
    for (int i = 0; i < 4000; ++i)
        text += "  object Button" + std::to_string(i) + ": TButton\n    Caption = 'Button " + std::to_string(i) +
                "'\n    Font.Style = [fsBold]\n  end\n";
    const Document doc = Document::Parse(text + "end\n");
    for (const bool header : {false, true}) {
        Recorder binary;
        WriteBinary(doc, header, "", binary);
        EXPECT_EQ(binary.bytes, ToBinary(doc, header));
        EXPECT_LT(binary.largest, binary.bytes.size() / 2);
    }
    Recorder lines;
    WriteText(doc, {"\r\n"}, lines);
    EXPECT_EQ(lines.bytes, ToText(doc, {"\r\n"}));
    EXPECT_LT(lines.largest, lines.bytes.size() / 2);

    // Made while the form is read: the same bytes, into a sink or kept whole.
    using Target = StreamedConversion::Target;
    for (const bool header : {false, true}) {
        Recorder sink;
        StreamedConversion streamed(Target::Other, {}, header, "", &sink);
        Document::Parse(text + "end\n", "", &streamed);
        ASSERT_FALSE(streamed.Failed());
        streamed.Finish();
        EXPECT_EQ(sink.bytes, ToBinary(doc, header));
    }
    StreamedConversion back(Target::Text, {"\r\n"}, false, "", nullptr);
    const Document binary = Document::Parse(ToBinary(doc), "", &back);
    ASSERT_FALSE(back.Failed());
    back.Finish();
    EXPECT_EQ(back.TakeBytes(), ToText(binary, {"\r\n"}));
}

// What the conversion cannot write stops it without stopping the reading: the reading's own
// fault, later in the file, is still the one raised.
TEST(Conversion, MadeWhileReadingAFailureIsKeptNotThrown) {
    const std::string longName = "object Form1: TForm1\n  " + std::string(300, 'P') + " = 1\nend\n";
    StreamedConversion streamed(StreamedConversion::Target::Binary, {}, false, "", nullptr);
    EXPECT_NO_THROW(Document::Parse(longName, "", &streamed));
    EXPECT_TRUE(streamed.Failed());
    StreamedConversion unknownPage(StreamedConversion::Target::Binary, {}, false, "no-such-page", nullptr);
    EXPECT_THROW(Document::Parse("object Form1: TForm1\n  Left = @\nend\n", "", &unknownPage), vcl::EParserError);
    EXPECT_TRUE(unknownPage.Failed());
}

TEST(Conversion, EightBitStringsKeepTheirBytesUnlessACodePageReadsThem) {
    const std::string privet = "\xCF\xF0\xE8\xE2\xE5\xF2";  // in code page 1251
    const std::string longText = std::string(300, 'a') + "\xE9";
    Stream s;
    s.Header("TForm1", "Form1")
        .Prop("Caption", 6).Short(privet)
        .Prop("Hint", 12).Le(longText.size(), 4).Raw(longText.data(), longText.size())
        .Prop("Items", 1).Byte(6).Short("\xE9t").Byte(6).Short("plain").End()
        .End().End();
    const std::string text = ToText(ParseStream(s));
    EXPECT_NE(text.find("  Caption = '" + privet + "'\n"), std::string::npos);
    EXPECT_EQ(ToBinary(Document::Parse(text)), s.b);
    const std::string oldTextForm = "object Form1: TForm1\n  Caption = '" + privet + "'\nend\n";
    EXPECT_EQ(ToText(Document::Parse(ToBinary(Document::Parse(oldTextForm)))), oldTextForm);

    EXPECT_NE(ToText(ParseStream(s), {"\n", "CP1251"}).find("  Caption = #1055#1088#1080#1074#1077#1090\n"),
              std::string::npos);
    Document wide = Document::Parse(ToBinary(ParseStream(s), false, "CP1251"));
    Value caption = wide.Root().FindProperty("Caption")->GetValue();
    EXPECT_EQ(caption.Type(), VaType::WString);
    EXPECT_EQ(caption.AsWideString(), u"\u041F\u0440\u0438\u0432\u0435\u0442");
    EXPECT_EQ(wide.Root().FindProperty("Hint")->GetValue().AsWideString().back(), u'\u0439');
    Value items = wide.Root().FindProperty("Items")->GetValue();
    EXPECT_EQ(items.Item(0).AsWideString(), u"\u0439t");
    EXPECT_EQ(items.Item(1).Type(), VaType::String);  // nothing to map
    const auto refusal = [](auto convert) { return testsupport::ErrorOf<vcl::EConvertError>(convert); };
    EXPECT_EQ(refusal([&] { ToBinary(ParseStream(s), false, "NO-SUCH-CP"); }), "unknown code page 'NO-SUCH-CP'");
    EXPECT_EQ(refusal([&] { ToText(ParseStream(s), {"\n", "UTF-8"}); }),
              "Form1.Caption: string '\\xCF\\xF0\\xE8\\xE2\\xE5\\xF2' is not text in code page UTF-8");
}

class BinaryDamage : public ::testing::TestWithParam<std::pair<std::string, std::string>> {};

TEST_P(BinaryDamage, IsRefusedWithTheCause) {
    fftest::ParseFailure f = fftest::FailureOf(GetParam().first);
    EXPECT_NE(f.reason.find(GetParam().second), std::string::npos) << f.reason;
    EXPECT_EQ(f.line, 0);
}

Stream Valid() {
    Stream s;
    s.Header("TA", "A");
    return s;
}

INSTANTIATE_TEST_SUITE_P(
    Streams, BinaryDamage,
    ::testing::Values(
        std::make_pair(std::string("\xFF\x0A\0N\0\x30\x10\x04\0\0\0TPFX", 15), "'TPF0' signature"),
        std::make_pair(std::string("TPF0"), "unexpected end of the stream while reading an object header"),
        std::make_pair(Valid().Prop("S", 6).Byte(200).b, "unexpected end of the stream"),
        std::make_pair(Valid().Prop("L", 12).Le(0xFFFFFFFF, 4).b, "4294967295 bytes needed"),
        std::make_pair(Valid().Prop("W", 18).Le(0x80000000u, 4).b, "unexpected end of the stream"),
        std::make_pair(Valid().Prop("B", 10).Le(1000, 4).Raw("ab", 2).b, "unexpected end of the stream"),
        std::make_pair(Valid().Prop("X", 99).End().End().b, "unknown value type 99"),
        std::make_pair(Valid().Short("a\nb").Byte(2).Byte(1).End().End().b, "is not an identifier"),
        std::make_pair(Valid().Prop("C", 14).Byte(6).b, "start of a collection item"),
        std::make_pair(Valid().End().End().Byte(7).b, "after the root object"),
        std::make_pair(std::string("\xFF\x0A\0N\0\x30\x10\xFF\0\0\0", 12) + "TPF0", "announces 255 bytes"),
        std::make_pair(std::string("\xFF\x0A\0NNNN", 7), "resource name is not terminated")));

TEST(BinaryLimits, DeepNestingIsRefused) {
    Stream s = Valid();
    s.Short("L");
    for (int i = 0; i < 100000; ++i) s.Byte(1);
    EXPECT_NE(fftest::FailureOf(s.b).reason.find("nested too deeply"), std::string::npos);
}

}  // namespace
