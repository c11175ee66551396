// The standard driver: a folder of Paradox (.db, with its .px primary index, .Xnn secondary
// indexes and .mb memo file) and dBASE (.dbf) tables, described from their headers and
// opened for reading only. Paradox headers are read by our own small reader: the Paradox
// library reads a table's memo file as it opens it, and crashed or never returned on real
// and damaged tables, while a description needs only the header. dBASE headers are read with
// shapelib's dBASE reader.
#include "host/db/SqliteDriver.h"

#include <dirent.h>
#include <shapefil.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

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

class DbaseFile {
public:
    explicit DbaseFile(const std::string& path) {
        handle_ = DBFOpen(path.c_str(), "rb");
        if (handle_ == nullptr) DbError("Cannot open the dBASE table " + path + ": not a dBASE table, or unreadable");
    }
    ~DbaseFile() { DBFClose(handle_); }
    DbaseFile(const DbaseFile&) = delete;
    DbaseFile& operator=(const DbaseFile&) = delete;
    DBFHandle get() const { return handle_; }

private:
    DBFHandle handle_ = nullptr;
};

std::vector<TColumn> DbaseColumns(const DbaseFile& file) {
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
        if (Extension(path) == "DBF") return DbaseColumns(DbaseFile(path));
        return ParadoxColumns(ReadParadoxHeader(path));
    }

    // Paradox: the primary key (the leading key fields, an index without a name) and the
    // single-field secondary indexes (.Xnn, named after their field). dBASE index files
    // (.mdx, .ndx) are not read: a dBASE table shows no indexes.
    std::vector<TIndexInfo> Indexes(std::string_view table) override {
        const std::string path = Find(table);
        std::vector<TIndexInfo> list;
        if (Extension(path) == "DBF") return list;
        const TParadoxHeader file = ReadParadoxHeader(path);
        if (file.keyFields > 0) {
            TIndexInfo primary;
            primary.primary = primary.unique = true;
            for (int i = 0; i < file.keyFields; ++i) primary.fields.push_back(file.fields[size_t(i)].name);
            list.push_back(std::move(primary));
        }
        const std::string base = vcl::LowerCase(BaseName(path.substr(path.rfind('/') + 1)));
        for (const std::string& name : FolderFiles(folder_)) {
            if (vcl::LowerCase(BaseName(name)) != base) continue;
            const std::string ext = Extension(name);
            if (ext.size() != 3 || ext[0] != 'X' || !std::isxdigit(static_cast<unsigned char>(ext[1])) ||
                !std::isxdigit(static_cast<unsigned char>(ext[2])))
                continue;
            const int field = std::stoi(ext.substr(1), nullptr, 16);
            if (field < 1 || field > int(file.fields.size())) continue;
            TIndexInfo index;
            index.name = file.fields[size_t(field - 1)].name;
            index.fields.push_back(index.name);
            list.push_back(std::move(index));
        }
        return list;
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
