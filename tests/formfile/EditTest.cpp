// Edits re-render only what changed; everything else stays byte for byte.
#include <functional>

#include "tests/formfile/FormFileTestUtil.h"

using namespace formfile;
using fftest::Parse;

namespace {

// The original with one line replaced: what an edit of that line alone must give.
std::string ReplaceOnce(std::string s, const std::string& from, const std::string& to) {
    size_t at = s.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return s.replace(at, from.size(), to);
}

const std::string kCrlfForm =
    "\xEF\xBB\xBFobject Form1: TForm1\r\n"
    "  Left = 10\r\n"
    "  Caption = 'Old' +\r\n"
    "    ' title'\r\n"
    "  Font.Style = []\r\n"
    "  object Button1: TButton\r\n"
    "    Caption = 'OK'\r\n"
    "  end\r\n"
    "end";  // no final line ending

// Each edit of the CRLF form, and the one stretch of the file it may change.
TEST(EditValues, AnEditRewritesOnlyItsOwnBytesInTheFilesIndentAndLineEnding) {
    const std::string title = "Caption = 'Old' +\r\n    ' title'";
    const struct {
        std::function<void(Object)> edit;
        std::string from, to;
    } cases[] = {
        {[](Object o) { o.FindProperty("left")->SetValue(ValueData::Integer(-250)); }, "Left = 10", "Left = -250"},
        {[](Object o) { o.FindProperty("Caption")->SetValue(ValueData::String("It's new")); }, title,
         "Caption = 'It''s new'"},
        {[](Object o) { o.FindProperty("Caption")->SetValue(ValueData::String(std::string(100, 'x'))); }, title,
         "Caption = \r\n    '" + std::string(64, 'x') + "' +\r\n    '" + std::string(36, 'x') + "'"},
        {[](Object o) {
             o.Children()[0].SetProperty("Caption", ValueData::List({ValueData::String("a"), ValueData::Integer(1)}));
         },
         "Caption = 'OK'", "Caption = (\r\n      'a'\r\n      1)"},
        {[](Object o) {  // the latest edit wins
             o.FindProperty("Left")->SetValue(ValueData::Integer(1));
             o.FindProperty("Left")->SetValue(ValueData::Set({"akLeft", "akTop"}));
         },
         "Left = 10", "Left = [akLeft, akTop]"},
        {[](Object o) {  // new properties go after the last one, before the children
             o.SetProperty("Color", ValueData::Ident("clRed"));
             o.SetProperty("Tag", ValueData::Integer(7));
             o.FindProperty("Tag")->SetValue(ValueData::Integer(8));
         },
         "  Font.Style = []\r\n", "  Font.Style = []\r\n  Color = clRed\r\n  Tag = 8\r\n"},
        {[](Object o) {
             EXPECT_TRUE(o.RemoveProperty("caption"));
             EXPECT_FALSE(o.RemoveProperty("caption"));
         },
         "  " + title + "\r\n", ""},
        {[](Object o) {  // an inserted property removed leaves no trace
             o.SetProperty("Tag", ValueData::Integer(1));
             o.RemoveProperty("Tag");
         },
         "Left", "Left"},
    };
    for (const auto& c : cases) {
        Document doc = Parse(kCrlfForm);
        EXPECT_FALSE(doc.IsModified());
        c.edit(doc.Root());
        EXPECT_EQ(doc.Write(), ReplaceOnce(kCrlfForm, c.from, c.to)) << c.to;
        // What was written reads back to what the edit set.
        Document again = Parse(doc.Write());
        for (Property p : doc.Root().Properties())
            EXPECT_EQ(again.Root().FindProperty(p.Name())->GetValue().ToData(), p.GetValue().ToData()) << c.to;
    }
}

// A large document reserves room for its nodes and gives back what reading left unused: the
// last nodes read and the nodes that edits add afterwards both stay intact.
TEST(EditValues, LargeDocumentsKeepTheirLastNodesAndTakeNewOnes) {
    std::string text = "object Big: TForm\n";
    for (int i = 0; i < 4000; ++i)
        text += "  object B" + std::to_string(i) + ": TButton\n    Left = " + std::to_string(i) + "\n    Caption = 'b" +
                std::to_string(i) + "'\n    Font.Style = [fsBold]\n  end\n";
    text += "end\n";
    for (bool binary : {false, true}) {
        Document doc = Parse(binary ? ToBinary(Parse(text)) : text);
        Object last = doc.Root().Children()[3999];
        EXPECT_EQ(last.FindProperty("Left")->GetValue().AsInteger(), 3999);
        EXPECT_EQ(last.FindProperty("Caption")->GetValue().AsString(), "b3999");
        EXPECT_EQ(last.FindProperty("Font.Style")->GetValue().Item(0).AsIdent(), "fsBold");
        last.SetProperty("Hint", ValueData::String("new"));
        last.SetProperty("Left", ValueData::Integer(-5));
        Document again = Parse(doc.Write());
        Object edited = again.Root().Children()[3999];
        EXPECT_EQ(edited.FindProperty("Hint")->GetValue().AsString(), "new");
        EXPECT_EQ(edited.FindProperty("Left")->GetValue().AsInteger(), -5);
        EXPECT_EQ(again.Root().Children()[3998].FindProperty("Left")->GetValue().AsInteger(), 3998);
    }
}

// A walk over an object of thousands of properties gives each in order, holding one batch of
// their nodes at a time (the last batch full, or not); converting walks them too, both ways.
TEST(EditValues, AWalkOverAnObjectOfManyPropertiesHoldsOneBatchAtATime) {
    for (const int count : {2048, 3000}) {
        std::string text = "object Wide: TForm\n";
        for (int i = 0; i < count; ++i) text += "  P" + std::to_string(i) + " = " + std::to_string(i) + "\n";
        text += "  object Child: TButton\n    Left = 7\n  end\nend\n";
        for (bool binary : {false, true}) {
            SCOPED_TRACE(std::to_string(count) + (binary ? " binary" : " text"));
            const std::string bytes = binary ? ToBinary(Parse(text)) : text;
            Document doc = Parse(bytes);
            EXPECT_EQ(ToText(doc), text);
            EXPECT_EQ(ToBinary(Parse(ToText(doc))), binary ? bytes : ToBinary(Parse(text)));
            const size_t read = doc.MemoryUsage();
            size_t most = read;
            int next = 0;
            for (PropertyWalk walk(doc.Root()); walk.Next();) {
                most = std::max(most, doc.MemoryUsage());
                for (Property p : walk.Batch()) {
                    EXPECT_EQ(p.Name(), "P" + std::to_string(next));
                    EXPECT_EQ(p.GetValue().AsInteger(), next);
                    ++next;
                }
            }
            EXPECT_EQ(next, count);
            EXPECT_EQ(doc.MemoryUsage(), read);
            size_t all = 0;
            {
                const PropertyScope scope(doc.Root());
                EXPECT_EQ(scope.Properties().size(), size_t(count));
                all = doc.MemoryUsage();
            }
            EXPECT_LE(most - read, (all - read) / 2);  // never more than half of them at once
            // Properties held already are the one batch, and stay.
            ASSERT_EQ(doc.Root().Properties().size(), size_t(count));
            int batches = 0;
            for (PropertyWalk walk(doc.Root()); walk.Next();) {
                ++batches;
                EXPECT_EQ(walk.Batch().size(), size_t(count));
            }
            EXPECT_EQ(batches, 1);
            EXPECT_EQ(doc.Root().Properties().size(), size_t(count));
        }
    }
}

// A walk in scopes holds one object's property nodes at a time; whatever was read or edited
// meanwhile keeps the nodes it needs, so no handle it gave out goes stale.
TEST(EditValues, ScopedWalksLetGoOfPropertiesUnlessSomethingSinceNeedsThem) {
    std::string text = "object Big: TForm\n";
    for (int i = 0; i < 2000; ++i)
        text += "  object B" + std::to_string(i) + ": TButton\n    Left = " + std::to_string(i) +
                "\n    Cols = <\n      item\n        Width = " + std::to_string(i) + "\n      end>\n  end\n";
    text += "end\n";
    for (bool binary : {false, true}) {
        Document doc = Parse(binary ? ToBinary(Parse(text)) : text);
        const size_t read = doc.MemoryUsage();
        int64_t sum = 0;
        for (Object b : doc.Root().Children()) {
            const PropertyScope scope(b);
            for (Property p : scope.Properties())
                sum += p.Name() == "Left" ? p.GetValue().AsInteger() : p.GetValue().Entry(0).Properties()[0].GetValue().AsInteger();
        }
        EXPECT_EQ(sum, 2 * 1999 * 2000 / 2);
        EXPECT_EQ(doc.MemoryUsage(), read);  // every scope let go of what it read
        Object first = doc.Root().Children()[0], second = doc.Root().Children()[1];
        std::optional<Property> kept;
        {
            const PropertyScope scope(first);
            kept = second.FindProperty("Left");       // read for good after the scope's nodes
            scope.Properties()[0].SetValue(ValueData::Integer(-7));
        }
        {
            const PropertyScope scope(doc.Root().Children()[2]);
            doc.Root().Children()[2].RemoveProperty("Left");  // an edit naming a scoped node
        }
        EXPECT_EQ(kept->GetValue().AsInteger(), 1);
        EXPECT_EQ(first.Properties()[0].GetValue().AsInteger(), -7);
        Document again = Parse(doc.Write());
        EXPECT_EQ(again.Root().Children()[0].FindProperty("Left")->GetValue().AsInteger(), -7);
        EXPECT_FALSE(again.Root().Children()[2].FindProperty("Left"));
        EXPECT_EQ(again.Root().Children()[3].FindProperty("Left")->GetValue().AsInteger(), 3);
    }
}

TEST(EditValues, PropertiesInsideCollectionItemsEditInPlace) {
    const std::string src = "object A: TA\n  Cols = <\n    item\n      Width = 10\n    end>\n  Tag = 1\nend\n";
    Document doc = Parse(src);
    Value cols = doc.Root().FindProperty("Cols")->GetValue();
    Property width = *cols.Entry(0).FindProperty("Width");
    width.SetValue(ValueData::Integer(64));
    EXPECT_EQ(doc.Write(), ReplaceOnce(src, "Width = 10", "Width = 64"));
    // Replacing the whole collection supersedes the edit inside it, and the old item is gone.
    ItemData item;
    item.properties.push_back({"Title", ValueData::String("T")});
    doc.Root().FindProperty("Cols")->SetValue(ValueData::Collection({item}));
    EXPECT_EQ(doc.Write(), ReplaceOnce(src, "<\n    item\n      Width = 10\n    end>", "<\n    item\n      Title = 'T'\n    end>"));
    EXPECT_THROW(width.SetValue(ValueData::Integer(1)), vcl::EPropertyError);
}

TEST(EditProperties, InsertedIntoAnObjectWithoutPropertiesIndentsUnderItsHeader) {
    const std::string src = "object A: TA\n    object B: TB\n    end\nend\n";
    Document doc = Parse(src);
    doc.Root().Children()[0].SetProperty("Left", ValueData::Integer(3));
    EXPECT_EQ(doc.Write(), ReplaceOnce(src, "object B: TB\n", "object B: TB\n      Left = 3\n"));
}

TEST(EditHeaders, RenameNameOnlyOrAddAndDropIt) {
    const std::string src = "object Form1: TForm1\n  object TButton\n  end\nend\n";
    Document doc = Parse(src);
    doc.Root().SetName("MainForm");
    Object unnamed = doc.Root().Children()[0];
    unnamed.SetName("Btn");
    EXPECT_EQ(doc.Write(), "object MainForm: TForm1\n  object Btn: TButton\n  end\nend\n");
    unnamed.SetName("");
    doc.Root().SetClassName("TMainForm");
    EXPECT_EQ(doc.Write(), "object MainForm: TMainForm\n  object TButton\n  end\nend\n");
    EXPECT_THROW(doc.Root().SetName("not valid"), vcl::EComponentError);
}

TEST(EditBinary, EditsSpliceIntoTheStreamAndFixTheResourceSize) {
    fftest::Stream body;
    body.Header("TForm1", "Form1").Prop("Left", 2).Byte(8).Prop("Caption", 6).Short("x").End()
        .Header("TButton", "B").End().End().End();
    std::string res("\xFF\x0A\0TFORM1\0\x30\x10", 12);
    for (int i = 0; i < 4; ++i) res += static_cast<char>((body.b.size() >> (8 * i)) & 0xFF);
    Document doc = Document::Parse(res + body.b);
    doc.Root().FindProperty("Left")->SetValue(ValueData::Integer(1000));
    doc.Root().RemoveProperty("Caption");
    doc.Root().SetProperty("Hint", ValueData::String("h"));
    doc.Root().Children()[0].SetName("Button1");

    Document again = Document::Parse(doc.Write());
    Object root = again.Root();
    EXPECT_EQ(root.FindProperty("Left")->GetValue().AsInteger(), 1000);
    EXPECT_FALSE(root.FindProperty("Caption").has_value());
    EXPECT_EQ(root.FindProperty("Hint")->GetValue().AsString(), "h");
    EXPECT_EQ(root.Children()[0].Name(), "Button1");
    EXPECT_EQ(ToBinary(again, true), again.Source());
}

TEST(EditCorpus, OneEditChangesOnlyTheValuesBytes) {
    SKIP_WITHOUT_CORPUS();
    int edited = 0;
    for (const auto& f : fftest::Corpus()) {
        if (f.Malformed()) continue;
        Document doc = Document::ParseFile(f.path);
        auto props = doc.Root().Properties();
        if (props.empty()) continue;
        Property p = props[props.size() / 2];
        std::string_view raw = p.GetValue().Raw();
        size_t at = static_cast<size_t>(raw.data() - doc.Source().data());
        std::string expected(doc.Source());
        if (doc.SourceFormat() == Format::Text) {
            expected.replace(at, raw.size(), "123456");
        } else {
            // The tag precedes the payload; the resource header's size follows the change.
            fftest::Stream v;
            v.b.clear();
            v.Byte(4).Le(123456, 4);
            expected.replace(at - 1, raw.size() + 1, v.b);
        }
        p.SetValue(ValueData::Integer(123456));
        std::string written = doc.Write();
        size_t stream = doc.Source().find("TPF0");
        if (doc.SourceFormat() == Format::Resource) {
            // Written again from scratch, the header carries the new size.
            EXPECT_EQ(ToBinary(Document::Parse(written), true), written) << f.path;
            EXPECT_EQ(written.substr(stream), expected.substr(stream)) << f.path;
        } else {
            EXPECT_EQ(written, expected) << f.path;
        }
        ++edited;
    }
    EXPECT_GT(edited, 150);
}

}  // namespace
