// What the data tests share: a settings home whose aliases file is the engine's, SQLite
// databases made from SQL text, forms read from form-file text, and the data relations tree
// as the outline window showed it.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "data/Datainfo.h"
#include "framework/cfrminfo.h"
#include "framework/zorQAReg.h"
#include "host/controls/ControlClasses.h"
#include "host/controls/Dialogs.h"
#include "host/controls/Outline.h"
#include "host/db/DBTables.h"
#include "host/formfile/FormModel.h"
#include "host/ui/Backend.h"
#include "host/vcl/Forms.h"
#include "outline/Parento2.h"
#include "tests/support/TestSupport.h"

namespace datatest {

using Lines = std::vector<std::string>;

inline void MakeDatabase(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    char* error = nullptr;
    const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
    const std::string message = error != nullptr ? error : "";
    sqlite3_free(error);
    sqlite3_close(db);
    ASSERT_EQ(rc, SQLITE_OK) << message;
}

// The customer table of the tool's own example: CustNo (primary), Company (indexed).
inline const char* kCustomerSql =
    "create table customer (CustNo FLOAT primary key, Company VARCHAR(30));"
    "create index ByCompany on customer (Company);"
    "insert into customer values (1, 'Kelp Ltd'), (2, 'Reef plc');";

// Form-file text of Form1 holding the components.
inline std::string Form(const std::vector<std::string>& components) {
    return testsupport::Dfm("object Form1: TForm1", {}, components);
}

// A query's SQL property of these lines.
inline std::string Sql(const std::vector<std::string>& lines) {
    std::string text = "SQL.Strings = (";
    for (const std::string& line : lines) {
        text += "\n  '";
        for (char c : line) text += c == '\'' ? std::string("''") : std::string(1, c);
        text += "'";
    }
    return text + ")";
}

class Backend : public ui::TBackend {
public:
    Lines shown;
    std::string caption;
    int windows = 0;
    vcl::TModalResult RunModal(vcl::TCustomForm& form) override {
        ++windows;
        caption = form.Caption();
        shown = tavrin::FrmInfo->OutlineParent->Lines().Vector();
        return vcl::mrCancel;
    }
    std::optional<std::string> AnswerSaveDialog(vcl::TSaveDialog&) override { return std::nullopt; }
    int MessageBox(const std::string&, const std::string&, int) override { return vcl::IDOK; }
};

class DataTest : public ::testing::Test {
protected:
    void SetUp() override {
        vcl::RegisterControlClasses();
        tavrin::Register();
        savedExe_ = vcl::Application()->ExeName();
        vcl::Application()->SetExeName(home.File("host"));
        dbe::Engine().CloseDatabases();
        dbe::Engine().SetConfigFile(home.File("aliases.conf"));
        vcl::TDataSet::SetWarningHandler([this](const std::string& w) { warnings.push_back(w); });
    }
    void TearDown() override {
        file.reset();
        dbe::Engine().CloseDatabases();
        dbe::Engine().SetConfigFile("");
        vcl::TDataSet::SetWarningHandler(nullptr);
        vcl::Application()->SetExeName(savedExe_);
    }
    // A SQLite database in the home and a persistent alias DATA to it.
    std::string AddDatabase(const std::string& sql, const std::string& alias = "DATA") {
        const std::string path = home.File(alias + ".sqlite");
        MakeDatabase(path, sql);
        EXPECT_EQ(dbe::Engine().AddAlias(alias, "SQLITE", "PATH:" + path, true), dbe::DBIERR_NONE);
        return path;
    }
    vcl::TComponent* Load(const std::string& text) {
        file = formfile::TFormFile::LoadBytes(text, "Test.dfm");
        return file->Root();
    }
    template <class T>
    T* Find(const std::string& name) {
        return vcl::As<T>(file->Root()->FindComponent(name));
    }
    // The tree the data relations tool showed, one line per node, tabs for depth.
    Lines Relations(vcl::TComponent* form) {
        backend.shown.clear();
        ui::TInstalled installed(backend);
        tavrin::showDataRelations(form);
        return backend.shown;
    }

    testsupport::TempDir home;
    std::unique_ptr<formfile::TFormFile> file;
    Backend backend;
    std::vector<std::string> warnings;

private:
    std::string savedExe_;
};

inline size_t Depth(const std::string& line) { return std::min(line.find_first_not_of('\t'), line.size()); }

// The lines under the first line equal to `node` (at that depth, when given), one level
// deeper, without their tabs.
inline Lines ChildrenOf(const Lines& tree, const std::string& node, int at = -1) {
    Lines children;
    for (size_t i = 0; i < tree.size(); ++i) {
        const size_t depth = Depth(tree[i]);
        if (tree[i].substr(depth) != node || (at >= 0 && depth != size_t(at))) continue;
        for (size_t j = i + 1; j < tree.size(); ++j) {
            const size_t d = Depth(tree[j]);
            if (d <= depth) break;
            if (d == depth + 1) children.push_back(tree[j].substr(d));
        }
        break;
    }
    return children;
}

// The first line equal to `node` and every line under it.
inline Lines Subtree(const Lines& tree, const std::string& node) {
    Lines lines;
    for (size_t i = 0; i < tree.size(); ++i) {
        const size_t depth = Depth(tree[i]);
        if (tree[i].substr(depth) != node) continue;
        lines.push_back(tree[i]);
        for (size_t j = i + 1; j < tree.size() && Depth(tree[j]) > depth; ++j) lines.push_back(tree[j]);
        break;
    }
    return lines;
}

}  // namespace datatest
