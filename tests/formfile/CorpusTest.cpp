// The real forms: every one reads, writes back byte for byte (and so after every value is set
// to itself), and survives conversion.
#include "tests/formfile/FormFileTestUtil.h"

using namespace formfile;

namespace {

int ManifestComponents(const std::string& notes) {
    size_t at = notes.find("components=");
    return at == std::string::npos ? -1 : std::atoi(notes.c_str() + at + 11);
}

// Strings holding quotes or 8-bit bytes were written differently by older IDEs, long ones are
// sometimes split by hand, and floats have no single spelling; every other value set to itself
// must leave the file as it was.
bool HasOneSpelling(const ValueData& v) {
    if (v.kind == ValueKind::Float) return false;
    if (v.kind == ValueKind::String) {
        if (v.Utf16().size() > 64) return false;
        for (char16_t c : v.Utf16())
            if (c == '\'' || c > 126) return false;
    }
    for (const ValueData& item : v.items)
        if (!HasOneSpelling(item)) return false;
    for (const ItemData& item : v.collection)
        for (const NamedValue& p : item.properties)
            if (!HasOneSpelling(p.value)) return false;
    return true;
}

void SetEveryValueToItself(Object o, int* count) {
    for (Property p : o.Properties()) {
        ValueData v = p.GetValue().ToData();
        bool splitByHand = v.kind == ValueKind::String && p.GetValue().Raw().find('+') != std::string_view::npos;
        if (!HasOneSpelling(v) || splitByHand) continue;
        p.SetValue(v);
        ++*count;
    }
    for (Object child : o.Children()) SetEveryValueToItself(child, count);
}

TEST(Corpus, EveryFileReadsAndWritesBackByteIdenticalAlsoWithEveryValueSetToItself) {
    SKIP_WITHOUT_CORPUS();
    int text = 0, binary = 0, values = 0;
    for (const auto& f : fftest::Corpus()) {
        if (f.Malformed()) continue;
        Document doc = Document::ParseFile(f.path);
        const std::string bytes = testsupport::ReadFile(f.path);
        EXPECT_EQ(doc.Write(), bytes) << f.path;
        EXPECT_EQ(doc.SourceFormat() == Format::Text, !f.Binary()) << f.path;
        if (const int components = ManifestComponents(f.notes); components >= 0) {
            EXPECT_EQ(static_cast<int>(doc.ObjectCount()), components) << f.path;
        }
        SetEveryValueToItself(doc.Root(), &values);
        EXPECT_EQ(doc.Write(), bytes) << f.path;
        (f.Binary() ? binary : text)++;
    }
    EXPECT_GT(text, 150);
    EXPECT_GT(binary, 8);
    EXPECT_GT(values, 50000);
}

// Text to binary and back keeps the tree, and the converted text is a fixed point that reads
// back to the same stream (8-bit strings keep their bytes and type); a binary file comes back
// from its text form.
TEST(Corpus, ConversionsKeepTheTreeBothWays) {
    SKIP_WITHOUT_CORPUS();
    for (const auto& f : fftest::Corpus()) {
        if (f.Malformed()) continue;
        Document doc = Document::ParseFile(f.path);
        if (f.Binary()) {
            EXPECT_EQ(ToBinary(doc, doc.SourceFormat() == Format::Resource), doc.Source()) << f.path;
            Document text = Document::Parse(ToText(doc));
            EXPECT_EQ(fftest::TreeDifference(doc.Root(), text.Root()), "") << f.path;
            EXPECT_EQ(ToBinary(text, true), doc.Source()) << f.path;
            continue;
        }
        Document bin = Document::Parse(ToBinary(doc));
        EXPECT_EQ(fftest::TreeDifference(doc.Root(), bin.Root()), "") << f.path;
        Document back = Document::Parse(ToText(bin, {"\r\n"}));
        EXPECT_EQ(fftest::TreeDifference(doc.Root(), back.Root()), "") << f.path;
        EXPECT_EQ(ToText(back, {"\r\n"}), back.Source()) << f.path;
        EXPECT_EQ(ToBinary(back), bin.Source()) << f.path;
        // Positions point at the nodes' text.
        const std::string_view src = doc.Source();
        for (Object c : doc.Root().Children()) {
            const bool object = c.Kind() == ObjectKind::Object;
            EXPECT_TRUE(vcl::SameText(src.substr(c.Position().offset, object ? 6 : 2), object ? "object" : "in")) << f.path;
            for (Property prop : c.Properties())
                ASSERT_EQ(src.substr(prop.Position().offset, prop.Name().size()), prop.Name()) << f.path;
        }
    }
}

}  // namespace
