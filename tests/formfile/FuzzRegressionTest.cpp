// Inputs the fuzz targets found, reduced by hand: each broke an invariant the targets check.
#include "tests/formfile/FormFileTestUtil.h"

#include <cmath>

using namespace formfile;

namespace {

// Converted to text, a document reads back to the same text.
void ExpectTextIsAFixedPoint(const std::string& bytes) {
    Document doc = Document::Parse(bytes);
    std::string text = ToText(doc);
    Document again = Document::Parse(text);
    EXPECT_EQ(ToText(again), text);
    EXPECT_EQ(ToText(Document::Parse(ToBinary(doc))), text);
}

TEST(FuzzFindings, NonFiniteFloatsSurviveTheirTextForm) {
    fftest::Stream s;
    s.Header("TA", "A")
        .Prop("Nan", 5).Le(0xC000000000000000ull, 8).Le(0x7FFF, 2)
        .Prop("Unnormal", 5).Le(5, 8).Le(0x3FFF, 2)
        .Prop("PlusInf", 5).Le(1ull << 63, 8).Le(0x7FFF, 2)
        .Prop("MinusInf", 5).Le(1ull << 63, 8).Le(0xFFFF, 2)
        .Prop("SingleNan", 15).Le(0x7FC00000, 4)
        .Prop("DateInf", 17).Le(0x7FF0000000000000ull, 8)
        .End().End();
    ExpectTextIsAFixedPoint(s.b);
    Document doc = Document::Parse(ToText(Document::Parse(s.b)));
    EXPECT_TRUE(std::isnan(doc.Root().FindProperty("Nan")->GetValue().AsFloat()));
    EXPECT_EQ(doc.Root().FindProperty("MinusInf")->GetValue().AsFloat(), -HUGE_VALL);
}

TEST(FuzzFindings, EditedValuesDoNotRunIntoTheTokenAfterThem) {
    Document doc = Document::Parse("object Min: TMain\n  e =''Height = de\nend\n");
    doc.Root().FindProperty("e")->SetValue(ValueData::Integer(-12345));
    doc.Root().SetProperty("Tag", ValueData::Integer(1));
    Document again = Document::Parse(doc.Write());
    EXPECT_EQ(again.Root().FindProperty("e")->GetValue().AsInteger(), -12345);
    EXPECT_EQ(again.Root().FindProperty("Height")->GetValue().AsIdent(), "de");
    EXPECT_EQ(again.Root().FindProperty("Tag")->GetValue().AsInteger(), 1);
}

TEST(FuzzFindings, LargeCurrencyAmountsStayExactThroughText) {
    fftest::Stream s;
    s.Header("TA", "A").Prop("C", 16).Le(8070450532247928848ull, 8).Prop("N", 16).Le(-1234567, 8).End().End();
    ExpectTextIsAFixedPoint(s.b);
    Document text = Document::Parse(ToText(Document::Parse(s.b)));
    EXPECT_EQ(ToBinary(text), s.b);
}

TEST(FuzzFindings, KeywordPropertyNamesAreRefusedWhenWrittenAsText) {
    fftest::Stream s;
    s.Header("TA", "A").Prop("End", 2).Byte(1).End().End();
    Document doc = Document::Parse(s.b);
    EXPECT_THROW(ToText(doc), vcl::EConvertError);
}

}  // namespace
