// The standard driver: a folder of Paradox (.db, with its .px primary index, .Xnn/.Ynn and
// .XGn/.YGn secondary indexes and .mb memo file) and dBASE (.dbf, with its .mdx production
// index, and .ndx indexes) tables, described from their headers and opened for reading only.
// Paradox headers are read by our own small reader: the Paradox library reads a table's memo
// file as it opens it, and crashed or never returned on real and damaged tables, while a
// description needs only the header. dBASE table headers are read with shapelib's dBASE
// reader, dBASE index headers by our own (host/db/Dbase).
#include "host/db/SqliteDriver.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>

#include "host/db/Dbase.h"
#include "host/db/EngineWarnings.h"
#include "host/db/ParadoxHeader.h"
#include "host/vcl/SysUtils.h"

namespace dbe {

namespace {

std::string Extension(const std::string& name) {
    const size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? std::string() : vcl::UpperCase(name.substr(dot + 1));
}

std::string BaseName(const std::string& name) {
    const size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

std::vector<std::string> FolderFiles(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) DbError("Cannot read the folder " + folder + ": " + std::strerror(errno));
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        struct stat st {};
        if (::stat((folder + "/" + name).c_str(), &st) == 0 && S_ISREG(st.st_mode)) names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return vcl::LowerCase(a) < vcl::LowerCase(b);
    });
    return names;
}

// ---- Paradox

std::vector<TColumn> ParadoxColumns(const TParadoxHeader& header) {
    std::vector<TColumn> columns;
    for (const TParadoxField& f : header.fields) columns.push_back(ColumnFromDeclaredType(f.name, ParadoxDeclaredType(f)));
    return columns;
}

// ---- dBASE

std::vector<TColumn> DbaseColumns(const TDbaseFile& file) {
    std::vector<TColumn> columns;
    for (int i = 0; i < DBFGetFieldCount(file.get()); ++i) {
        char name[XBASE_FLDNAME_LEN_READ + 1] = {};
        int width = 0, decimals = 0;
        DBFGetFieldInfo(file.get(), i, name, &width, &decimals);
        std::string declared;
        switch (DBFGetNativeFieldType(file.get(), i)) {
            case 'C': declared = "VARCHAR(" + std::to_string(width) + ")"; break;
            case 'N':
            case 'F':
                declared = decimals == 0 && width < 5 ? "SMALLINT" : decimals == 0 && width < 10 ? "INTEGER" : "FLOAT";
                break;
            case 'D': declared = "DATE"; break;
            case 'L': declared = "BOOLEAN"; break;
            case 'M': declared = "MEMO"; break;
            case 'B': declared = "BLOB"; break;
            case 'G': declared = "OLE"; break;
            default: declared = ""; break;
        }
        TColumn c = ColumnFromDeclaredType(name, declared);
        if (DBFGetNativeFieldType(file.get(), i) == 'G') c.type = ftDBaseOle;
        columns.push_back(std::move(c));
    }
    return columns;
}

// ---- the folder

class StandardDatabase : public TDatabaseHandle {
public:
    explicit StandardDatabase(std::string folder) : folder_(std::move(folder)) {}
    std::string DriverName() const override { return "STANDARD"; }

    std::vector<TTableInfo> Tables(bool) override {
        std::vector<TTableInfo> list;
        for (const std::string& name : FolderFiles(folder_)) {
            const std::string ext = Extension(name);
            if (ext == "DB") list.push_back({name, "PARADOX", false});
            else if (ext == "DBF") list.push_back({name, "DBASE", false});
        }
        return list;
    }

    std::vector<std::string> StoredProcs(bool) override { return {}; }

    std::vector<TColumn> Fields(std::string_view table) override {
        const std::string path = Find(table);
        if (Extension(path) == "DBF") return DbaseColumns(TDbaseFile(path));
        return ParadoxColumns(ReadParadoxHeader(path));
    }

    // An index file that is no index or is damaged is left out with a warning (once a file),
    // never an error for the table: the table itself is sound.
    std::vector<TIndexInfo> Indexes(std::string_view table) override {
        const std::string path = Find(table);
        if (Extension(path) == "DBF") return DbaseIndexes(path);
        return ParadoxIndexes(path);
    }

    // Local SQL is prepared against an empty copy of the folder's tables in memory.
    TPrepared PrepareQuery(const std::string& sql) override {
        std::vector<TScratchTable> tables;
        std::vector<std::string> names;  // lower-case: customer.db wins over customer.dbf
        for (const TTableInfo& t : Tables(false)) {
            const std::string name = BaseName(t.name);
            if (std::find(names.begin(), names.end(), vcl::LowerCase(name)) != names.end()) continue;
            names.push_back(vcl::LowerCase(name));
            tables.push_back({name, Fields(t.name)});
        }
        return MakeScratchDatabase(tables)->PrepareQuery(sql);
    }

private:
    // The primary key (the leading key fields, an index without a name), then the secondary
    // indexes: .Xnn files named after their field, .XGn files by the name they keep.
    std::vector<TIndexInfo> ParadoxIndexes(const std::string& path) {
        std::vector<TIndexInfo> list;
        const TParadoxHeader file = ReadParadoxHeader(path);
        const std::vector<std::string> files = Beside(path);
        if (file.keyFields > 0) {
            TIndexInfo primary;
            primary.primary = primary.unique = true;
            for (int i = 0; i < file.keyFields; ++i) primary.fields.push_back(file.fields[size_t(i)].name);
            list.push_back(std::move(primary));
            for (const std::string& name : files)
                if (Extension(name) == "PX")
                    Try(folder_ + "/" + name, "the primary key is described from the table",
                        [&](const std::string& px) { ReadParadoxKeyIndex(px, file, false); });
        }
        for (const std::string& name : files) {
            const std::string ext = Extension(name);
            if (ext.size() != 3 || ext[0] != 'X' || !std::isxdigit(static_cast<unsigned char>(ext[2]))) continue;
            const bool composite = ext[1] == 'G';
            if (!composite && !std::isxdigit(static_cast<unsigned char>(ext[1]))) continue;
            const int field = composite ? 0 : std::stoi(ext.substr(1), nullptr, 16);
            Try(folder_ + "/" + name, "the index is left out", [&](const std::string& x) {
                const TParadoxIndex found = ReadParadoxIndex(x, file, composite, field);
                // The index of the index file, when it is there, must index that file.
                for (const std::string& y : files)
                    if (Extension(y) == "Y" + ext.substr(1)) ReadParadoxKeyIndex(folder_ + "/" + y, found.file, true);
                TIndexInfo index;
                index.name = composite ? found.name : file.fields[size_t(field - 1)].name;
                for (int number : found.fields) index.fields.push_back(file.fields[size_t(number - 1)].name);
                index.descending = found.descending;
                list.push_back(std::move(index));
            });
        }
        return list;
    }

    // The production index's tags (.mdx of the table's base name), then every .ndx file of the
    // folder whose key expression uses only fields of this table, named by its file name. A
    // key that is a field or fields joined by '+' lists those fields, any other expression
    // lists its text.
    std::vector<TIndexInfo> DbaseIndexes(const std::string& path) {
        std::vector<TIndexInfo> list;
        const std::vector<std::string> fields = TDbaseFile(path).FieldNames();
        auto add = [&](std::string name, const TDbaseIndex& found) {
            TIndexInfo index;
            index.name = std::move(name);
            index.fields = KeyExpressionFields(found.expression, fields);
            if (index.fields.empty()) index.fields = {found.expression};
            index.unique = found.unique;
            index.descending = found.descending;
            list.push_back(std::move(index));
        };
        for (const std::string& name : Beside(path))
            if (Extension(name) == "MDX")
                Try(folder_ + "/" + name, "its indexes are left out", [&](const std::string& mdx) {
                    for (const TDbaseIndex& tag : ReadMdx(mdx)) add(tag.name, tag);
                });
        for (const std::string& name : FolderFiles(folder_)) {
            if (Extension(name) != "NDX") continue;
            Try(folder_ + "/" + name, "the index is left out", [&](const std::string& ndx) {
                const TDbaseIndex found = ReadNdx(ndx);
                const std::vector<std::string> used = ExpressionNames(found.expression);
                const bool ours = !used.empty() && std::all_of(used.begin(), used.end(), [&](const std::string& u) {
                    return std::any_of(fields.begin(), fields.end(), [&](const std::string& f) { return vcl::SameText(f, u); });
                });
                if (ours) add(name, found);
            });
        }
        return list;
    }

    // The other files of the table's base name, beside it.
    std::vector<std::string> Beside(const std::string& path) {
        const std::string file = path.substr(path.rfind('/') + 1);
        const std::string base = vcl::LowerCase(BaseName(file));
        std::vector<std::string> names;
        for (const std::string& name : FolderFiles(folder_))
            if (name != file && vcl::LowerCase(BaseName(name)) == base) names.push_back(name);
        return names;
    }

    // Runs read on an index file; an engine error about it becomes a warning, given once a file
    // for the life of the database handle.
    template <typename Read>
    void Try(const std::string& path, const char* consequence, Read read) {
        try {
            read(path);
        } catch (const vcl::EDBEngineError& e) {
            if (warned_.insert(path).second) Warn(e.Message() + "; " + consequence);
        }
    }

    // A name with an extension finds that file; without one, a Paradox table, then a dBASE
    // table, of that name; case is ignored.
    std::string Find(std::string_view table) {
        std::string name(table);
        const size_t slash = name.find_last_of("/\\");
        if (slash != std::string::npos) name = name.substr(slash + 1);
        std::vector<std::string> wanted;
        if (Extension(name).empty()) wanted = {name + ".db", name + ".dbf"};
        else wanted = {name};
        const std::vector<std::string> files = FolderFiles(folder_);
        for (const std::string& w : wanted)
            for (const std::string& f : files)
                if (vcl::SameText(f, w)) return folder_ + "/" + f;
        DbError("Table '" + std::string(table) + "' does not exist in " + folder_);
    }

    std::string folder_;
    std::set<std::string> warned_;
};

class StandardDriver : public TDriver {
public:
    std::string Name() const override { return "STANDARD"; }
    std::string Description() const override { return "Paradox and dBASE tables in a folder"; }
    std::unique_ptr<TDatabaseHandle> Connect(const TParamList& params) override {
        std::string path;
        for (const auto& [k, v] : params)
            if (vcl::SameText(k, "PATH")) path = v;
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) DbError("Folder '" + path + "' does not exist");
        while (path.size() > 1 && path.back() == '/') path.pop_back();
        return std::make_unique<StandardDatabase>(path);
    }
};

}  // namespace

std::unique_ptr<TDriver> MakeStandardDriver() { return std::make_unique<StandardDriver>(); }

}  // namespace dbe
