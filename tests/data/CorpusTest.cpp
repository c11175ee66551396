// Every real form of the corpus through the data relations tool, with DBDEMOS made from the
// bundled sample script: a tree or an engine error, never anything else; the forms on DBDEMOS
// tables show their real fields.
#include <filesystem>
#include <string>

#include "tests/data/DataTestSupport.h"

namespace {

class DataCorpus : public datatest::DataTest {};

TEST_F(DataCorpus, EveryFormGivesATreeOrAnEngineError) {
    AddDatabase(testsupport::ReadFile(std::string(TAVRIN_SOURCE_DIR) + "/examples/sampledb/dbdemos.sql"), "DBDEMOS");
    int forms = 0, trees = 0, engineErrors = 0, demoTables = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(TAVRIN_FORMS_DIR)) {
        const std::string path = entry.path().string();
        const std::string ext = vcl::LowerCase(entry.path().extension().string());
        if (ext != ".dfm" && ext != ".lfm" && ext != ".xfm") continue;
        try {
            file = formfile::TFormFile::Load(path);
        } catch (const vcl::EParserError&) {
            continue;  // a damaged file: the form file tests see to those
        }
        ++forms;
        const std::string before = testsupport::ReadFile(path);
        datatest::Lines tree;
        try {
            tree = Relations(file->Root());
        } catch (const vcl::EDatabaseError& e) {  // engine errors included
            ++engineErrors;
            EXPECT_FALSE(e.Message().empty()) << path;
            continue;
        }
        if (!tree.empty()) ++trees;
        // A table on DBDEMOS names a table of the sample: its fields and indexes are real.
        for (size_t i = 0; i + 2 < tree.size(); ++i) {
            if (!vcl::SameText(tree[i], "\t\t\tDataBaseName : DBDEMOS") || tree[i + 1].rfind("\t\t\tTableName : ", 0) != 0)
                continue;
            ++demoTables;
            bool fields = false;
            for (size_t j = i; j < tree.size() && tree[j] != "\t\tIndex List"; ++j)
                fields = fields || tree[j].rfind("\t\t\t\tField Type : ", 0) == 0;
            EXPECT_TRUE(fields) << path << ": " << tree[i + 1];
        }
        EXPECT_EQ(testsupport::ReadFile(path), before);
        file.reset();
    }
    EXPECT_GT(forms, 100);
    EXPECT_GT(trees, 20);
    EXPECT_GT(demoTables, 10);
    EXPECT_LT(engineErrors, 10);
}

}  // namespace
