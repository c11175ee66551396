// The real forms: every one reads, writes back byte for byte, and survives conversion.
#include "tests/formfile/FormFileTestUtil.h"

using namespace formfile;

namespace {

int ManifestComponents(const std::string& notes) {
    size_t at = notes.find("components=");
    return at == std::string::npos ? -1 : std::atoi(notes.c_str() + at + 11);
}

TEST(Corpus, EveryFileReadsAndWritesBackByteIdentical) {
    SKIP_WITHOUT_CORPUS();
    int text = 0, binary = 0;
    for (const auto& f : fftest::Corpus()) {
        if (f.Malformed()) continue;
        Document doc = Document::ParseFile(f.path);
        EXPECT_EQ(doc.Write(), testsupport::ReadFile(f.path)) << f.path;
        EXPECT_EQ(doc.SourceFormat() == Format::Text, !f.Binary()) << f.path;
        int components = ManifestComponents(f.notes);
        if (components >= 0) {
            EXPECT_EQ(static_cast<int>(doc.ObjectCount()), components) << f.path;
        }
        (f.Binary() ? binary : text)++;
    }
    EXPECT_GT(text, 150);
    EXPECT_GT(binary, 8);
}

TEST(Corpus, TextToBinaryToTextKeepsTheTree) {
    SKIP_WITHOUT_CORPUS();
    for (const auto& f : fftest::Corpus()) {
        if (f.Malformed() || f.Binary()) continue;
        Document doc = Document::ParseFile(f.path);
        Document bin = Document::Parse(ToBinary(doc));
        EXPECT_EQ(fftest::TreeDifference(doc.Root(), bin.Root()), "") << f.path;
        Document back = Document::Parse(ToText(bin, {"\r\n"}));
        EXPECT_EQ(fftest::TreeDifference(doc.Root(), back.Root()), "") << f.path;
        // The converted text is a fixed point of conversion, and reads back to the same stream:
        // 8-bit strings keep their bytes and type.
        EXPECT_EQ(ToText(back, {"\r\n"}), back.Source()) << f.path;
        EXPECT_EQ(ToBinary(back), bin.Source()) << f.path;
    }
}

TEST(Corpus, BinaryFilesComeBackFromTheirTextForm) {
    SKIP_WITHOUT_CORPUS();
    for (const auto& f : fftest::Corpus()) {
        if (f.Malformed() || !f.Binary()) continue;
        Document doc = Document::ParseFile(f.path);
        EXPECT_EQ(ToBinary(doc, doc.SourceFormat() == Format::Resource), doc.Source()) << f.path;
        Document text = Document::Parse(ToText(doc));
        EXPECT_EQ(fftest::TreeDifference(doc.Root(), text.Root()), "") << f.path;
        EXPECT_EQ(ToBinary(text, true), doc.Source()) << f.path;
    }
}

TEST(Corpus, PositionsPointAtTheNodesText) {
    SKIP_WITHOUT_CORPUS();
    for (const auto& f : fftest::Corpus()) {
        if (f.Malformed() || f.Binary()) continue;
        Document doc = Document::ParseFile(f.path);
        std::string_view src = doc.Source();
        for (Object c : doc.Root().Children()) {
            SourcePos p = c.Position();
            EXPECT_TRUE(vcl::SameText(src.substr(p.offset, c.Kind() == ObjectKind::Object ? 6 : 2),
                                      c.Kind() == ObjectKind::Object ? "object" : "in"))
                << f.path;
            for (Property prop : c.Properties())
                ASSERT_EQ(src.substr(prop.Position().offset, prop.Name().size()), prop.Name()) << f.path;
        }
    }
}

}  // namespace
