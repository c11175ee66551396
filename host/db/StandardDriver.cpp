// The standard driver: a folder of Paradox (.db, with its .px primary index, .Xnn secondary
// indexes and .mb memo file) and dBASE (.dbf) tables. Paradox tables are read with pxlib,
// dBASE tables with shapelib's dBASE reader; both open their files for reading only.
#include "host/db/SqliteDriver.h"

#include <dirent.h>
#include <dlfcn.h>
extern "C" {  // pxlib's header declares its functions for C only
#include <paradox.h>
}
#include <shapefil.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <type_traits>

#include "host/vcl/SysUtils.h"

namespace dbe {

namespace {

// pxlib brings GLib, libxml2 and ICU with it: it is loaded when the first Paradox table is
// read, so that no other run of the program pays for starting them.
#define TAVRIN_PX_FUNCTIONS(X)                                                                          \
    X(PX_boot) X(PX_new3) X(PX_open_fp) X(PX_set_blob_fp) X(PX_set_targetencoding) X(PX_get_num_fields)     \
    X(PX_get_num_records) X(PX_close) X(PX_delete) X(PX_SdnToGregorian) X(PX_get_recordsize)              \
    X(PX_get_record) X(PX_get_data_alpha) X(PX_get_data_short) X(PX_get_data_long) X(PX_get_data_double) \
    X(PX_get_data_byte) X(PX_get_data_blob)

struct PxApi {
#define TAVRIN_PX(name) decltype(&::name) name = nullptr;
    TAVRIN_PX_FUNCTIONS(TAVRIN_PX)
#undef TAVRIN_PX
    std::string error;
};

const PxApi& Px() {
    static const PxApi api = [] {
        PxApi a;
        void* lib = ::dlopen("libpx.so.0", RTLD_NOW | RTLD_LOCAL);
        if (lib == nullptr) {
            const char* why = ::dlerror();
            a.error = std::string("the Paradox library (pxlib) cannot be loaded: ") + (why ? why : "not found");
            return a;
        }
        bool complete = true;
        auto bind = [&](auto& fn, const char* name) {
            fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(::dlsym(lib, name));
            complete = complete && fn != nullptr;
        };
#define TAVRIN_PX(name) bind(a.name, #name);
        TAVRIN_PX_FUNCTIONS(TAVRIN_PX)
#undef TAVRIN_PX
        if (!complete) a.error = "the Paradox library (pxlib) lacks functions this program needs";
        else a.PX_boot();
        return a;
    }();
    if (!api.error.empty()) DbError("Cannot read Paradox tables: " + api.error);
    return api;
}

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

void CollectError(pxdoc_t*, int, const char* message, void* data) {
    auto* text = static_cast<std::string*>(data);
    if (text->empty() && message != nullptr) *text = message;
}

// One Paradox file open for reading; pxlib's own error reports become the message.
class ParadoxFile {
public:
    explicit ParadoxFile(const std::string& path) : path_(path) {
        doc_ = Px().PX_new3(CollectError, nullptr, nullptr, nullptr, &error_);
        if (doc_ == nullptr) DbError("Out of memory opening " + path);
        fp_ = std::fopen(path.c_str(), "rb");
        if (fp_ == nullptr || Px().PX_open_fp(doc_, fp_) < 0) {
            const std::string why = fp_ == nullptr ? std::string(std::strerror(errno)) : Why();
            Release();
            DbError("Cannot open the Paradox table " + path + ": " + why);
        }
        Px().PX_set_targetencoding(doc_, "UTF-8");  // texts in the table's code page come out as UTF-8
        error_.clear();  // a build without recoding says so, and keeps the bytes as they are
        const std::string memo = BaseName(path) + ".mb";
        for (const std::string& candidate : {memo, BaseName(path) + ".MB"}) {
            if (std::FILE* f = std::fopen(candidate.c_str(), "rb")) {
                blobFp_ = f;
                if (Px().PX_set_blob_fp(doc_, blobFp_) < 0) {
                    std::fclose(blobFp_);
                    blobFp_ = nullptr;
                }
                break;
            }
        }
    }
    ~ParadoxFile() { Release(); }
    ParadoxFile(const ParadoxFile&) = delete;
    ParadoxFile& operator=(const ParadoxFile&) = delete;

    pxdoc_t* doc() const { return doc_; }
    int FieldCount() const { return Px().PX_get_num_fields(doc_); }
    const pxfield_t& Field(int i) const { return doc_->px_head->px_fields[i]; }
    int KeyFields() const { return doc_->px_head->px_primarykeyfields; }
    int Records() const { return Px().PX_get_num_records(doc_); }
    std::string Why() const { return error_.empty() ? std::string("not a Paradox table") : error_; }

private:
    void Release() {
        if (doc_ != nullptr) {
            if (doc_->px_stream != nullptr) Px().PX_close(doc_);
            Px().PX_delete(doc_);
            doc_ = nullptr;
        }
        if (fp_ != nullptr) std::fclose(fp_);
        if (blobFp_ != nullptr) std::fclose(blobFp_);
        fp_ = blobFp_ = nullptr;
    }

    std::string path_;
    std::string error_;
    pxdoc_t* doc_ = nullptr;
    std::FILE* fp_ = nullptr;
    std::FILE* blobFp_ = nullptr;
};

// Paradox field types by the engine's declared-type words (docs/database.md).
std::string ParadoxDeclared(const pxfield_t& f) {
    const int n = f.px_flen;
    switch (static_cast<unsigned char>(f.px_ftype)) {
        case pxfAlpha: return "VARCHAR(" + std::to_string(n) + ")";
        case pxfDate: return "DATE";
        case pxfShort: return "SMALLINT";
        case pxfLong: return "INTEGER";
        case pxfCurrency: return "MONEY";
        case pxfNumber: return "FLOAT";
        case pxfLogical: return "BOOLEAN";
        case pxfMemoBLOb: return "MEMO(" + std::to_string(std::max(n - 10, 0)) + ")";
        case pxfBLOb: return "BLOB(" + std::to_string(std::max(n - 10, 0)) + ")";
        case pxfFmtMemoBLOb: return "FMTMEMO(" + std::to_string(std::max(n - 10, 0)) + ")";
        case pxfOLE: return "OLE(" + std::to_string(std::max(n - 10, 0)) + ")";
        case pxfGraphic: return "GRAPHIC(" + std::to_string(std::max(n - 10, 0)) + ")";
        case pxfTime: return "TIME";
        case pxfTimestamp: return "TIMESTAMP";
        case pxfAutoInc: return "AUTOINC";
        case pxfBCD: return "NUMERIC(32," + std::to_string(f.px_fdc) + ")";
        case pxfBytes: return "BYTES(" + std::to_string(n) + ")";
        default: return "";
    }
}

std::vector<TColumn> ParadoxColumns(const ParadoxFile& file) {
    std::vector<TColumn> columns;
    for (int i = 0; i < file.FieldCount(); ++i) {
        const pxfield_t& f = file.Field(i);
        columns.push_back(ColumnFromDeclaredType(f.px_fname != nullptr ? f.px_fname : "", ParadoxDeclared(f)));
    }
    return columns;
}

std::string TwoDigits(long v) { return (v < 10 ? "0" : "") + std::to_string(v); }

std::string DateText(long days) {
    int y = 0, m = 0, d = 0;
    Px().PX_SdnToGregorian(days + 1721425L, &y, &m, &d);
    return std::to_string(y) + "-" + TwoDigits(m) + "-" + TwoDigits(d);
}

std::string TimeText(long ms) {
    const long s = ms / 1000;
    return TwoDigits(s / 3600) + ":" + TwoDigits(s / 60 % 60) + ":" + TwoDigits(s % 60);
}

// Rows decoded field by field as they are read.
class ParadoxCursor : public TCursor {
public:
    explicit ParadoxCursor(const std::string& path)
        : file_(std::make_unique<ParadoxFile>(path)), columns_(ParadoxColumns(*file_)) {
        record_.resize(size_t(std::max(Px().PX_get_recordsize(file_->doc()), 1)));
    }
    const std::vector<TColumn>& Columns() const override { return columns_; }
    bool First() override { return Load(at_ = 0); }
    bool Next() override { return at_ < file_->Records() && Load(++at_); }
    TFieldValue Value(int column) const override {
        return column >= 0 && size_t(column) < row_.size() ? row_[size_t(column)] : TFieldValue();
    }

private:
    bool Load(int recno) {
        row_.clear();
        if (recno >= file_->Records()) return false;
        if (Px().PX_get_record(file_->doc(), recno, record_.data()) == nullptr)
            DbError("Cannot read record " + std::to_string(recno + 1) + ": " + file_->Why());
        pxdoc_t* doc = file_->doc();
        char* data = record_.data();
        for (int i = 0; i < file_->FieldCount(); ++i) {
            const pxfield_t& f = file_->Field(i);
            row_.push_back(Decode(doc, f, data));
            data += f.px_flen;
        }
        return true;
    }

    static TFieldValue Decode(pxdoc_t* doc, const pxfield_t& f, char* data) {
        const int n = f.px_flen;
        switch (static_cast<unsigned char>(f.px_ftype)) {
            case pxfAlpha: {
                char* s = nullptr;
                if (Px().PX_get_data_alpha(doc, data, n, &s) <= 0 || s == nullptr) return {};
                std::string text(s);
                doc->free(doc, s);
                return TFieldValue(std::move(text));
            }
            case pxfShort: {
                short v = 0;
                return Px().PX_get_data_short(doc, data, n, &v) > 0 ? TFieldValue(int64_t(v)) : TFieldValue();
            }
            case pxfLong:
            case pxfAutoInc: {
                long v = 0;
                return Px().PX_get_data_long(doc, data, n, &v) > 0 ? TFieldValue(int64_t(v)) : TFieldValue();
            }
            case pxfNumber:
            case pxfCurrency: {
                double v = 0;
                return Px().PX_get_data_double(doc, data, n, &v) > 0 ? TFieldValue(v) : TFieldValue();
            }
            case pxfLogical: {
                char v = 0;
                return Px().PX_get_data_byte(doc, data, n, &v) > 0 ? TFieldValue(int64_t(v != 0)) : TFieldValue();
            }
            case pxfDate: {
                long v = 0;
                return Px().PX_get_data_long(doc, data, n, &v) > 0 ? TFieldValue(DateText(v)) : TFieldValue();
            }
            case pxfTime: {
                long v = 0;
                return Px().PX_get_data_long(doc, data, n, &v) > 0 ? TFieldValue(TimeText(v)) : TFieldValue();
            }
            case pxfTimestamp: {
                double v = 0;
                if (Px().PX_get_data_double(doc, data, n, &v) <= 0) return {};
                const long ms = long(v);
                return TFieldValue(DateText(ms / 86400000L) + " " + TimeText(ms % 86400000L));
            }
            case pxfMemoBLOb:
            case pxfFmtMemoBLOb:
            case pxfBLOb:
            case pxfGraphic:
            case pxfOLE: {
                if (doc->px_blob == nullptr) return {};
                char* blob = nullptr;
                int mod = 0, size = 0;
                if (Px().PX_get_data_blob(doc, data, n, &mod, &size, &blob) <= 0 || blob == nullptr) return {};
                std::string bytes(blob, size_t(std::max(size, 0)));
                doc->free(doc, blob);
                return TFieldValue(std::move(bytes));
            }
            default: return {};
        }
    }

    std::unique_ptr<ParadoxFile> file_;
    std::vector<TColumn> columns_;
    std::vector<char> record_;
    std::vector<TFieldValue> row_;
    int at_ = 0;
};

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

class DbaseCursor : public TCursor {
public:
    explicit DbaseCursor(const std::string& path) : file_(std::make_unique<DbaseFile>(path)), columns_(DbaseColumns(*file_)) {}
    const std::vector<TColumn>& Columns() const override { return columns_; }
    bool First() override { return (at_ = 0) < DBFGetRecordCount(file_->get()); }
    bool Next() override {
        const int count = DBFGetRecordCount(file_->get());
        return at_ < count && ++at_ < count;
    }
    TFieldValue Value(int column) const override {
        if (column < 0 || size_t(column) >= columns_.size() || at_ >= DBFGetRecordCount(file_->get())) return {};
        if (DBFIsAttributeNULL(file_->get(), at_, column)) return {};
        const char* text = DBFReadStringAttribute(file_->get(), at_, column);
        if (text == nullptr) return {};
        std::string s(text);
        switch (columns_[size_t(column)].type) {
            case ftSmallint:
            case ftInteger:
                try {
                    return TFieldValue(int64_t(std::stoll(s)));
                } catch (const std::exception&) {
                    return {};
                }
            case ftFloat:
                try {
                    return TFieldValue(std::stod(s));
                } catch (const std::exception&) {
                    return {};
                }
            case ftBoolean: return TFieldValue(int64_t(!s.empty() && std::strchr("TtYy", s[0]) != nullptr));
            case ftDate:
                return s.size() == 8 ? TFieldValue(s.substr(0, 4) + "-" + s.substr(4, 2) + "-" + s.substr(6, 2))
                                     : TFieldValue(s);
            default: return TFieldValue(std::move(s));
        }
    }

private:
    std::unique_ptr<DbaseFile> file_;
    std::vector<TColumn> columns_;
    int at_ = 0;
};

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
        return ParadoxColumns(ParadoxFile(path));
    }

    // Paradox: the primary key (the leading key fields, an index without a name) and the
    // single-field secondary indexes (.Xnn, named after their field). dBASE index files
    // (.mdx, .ndx) are not read: a dBASE table shows no indexes.
    std::vector<TIndexInfo> Indexes(std::string_view table) override {
        const std::string path = Find(table);
        std::vector<TIndexInfo> list;
        if (Extension(path) == "DBF") return list;
        ParadoxFile file(path);
        if (file.KeyFields() > 0) {
            TIndexInfo primary;
            primary.primary = primary.unique = true;
            for (int i = 0; i < file.KeyFields() && i < file.FieldCount(); ++i) primary.fields.emplace_back(file.Field(i).px_fname);
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
            if (field < 1 || field > file.FieldCount()) continue;
            TIndexInfo index;
            index.name = file.Field(field - 1).px_fname;
            index.fields.push_back(index.name);
            list.push_back(std::move(index));
        }
        return list;
    }

    std::unique_ptr<TCursor> OpenTable(std::string_view table) override {
        const std::string path = Find(table);
        if (Extension(path) == "DBF") return std::make_unique<DbaseCursor>(path);
        return std::make_unique<ParadoxCursor>(path);
    }

    // Local SQL runs on a copy of the folder's tables in memory: their columns to prepare, their
    // rows as well to execute.
    TPrepared PrepareQuery(const std::string& sql) override { return Scratch(false)->PrepareQuery(sql); }
    std::unique_ptr<TCursor> ExecuteQuery(const std::string& sql, const TParamValues& params) override {
        return Scratch(true)->ExecuteQuery(sql, params);
    }

private:
    std::unique_ptr<TDatabaseHandle> Scratch(bool rows) {
        std::vector<TScratchTable> tables;
        std::vector<std::string> names;  // lower-case: customer.db wins over customer.dbf
        for (const TTableInfo& t : Tables(false)) {
            const std::string name = BaseName(t.name);
            if (std::find(names.begin(), names.end(), vcl::LowerCase(name)) != names.end()) continue;
            names.push_back(vcl::LowerCase(name));
            const std::string path = folder_ + "/" + t.name;
            std::unique_ptr<TCursor> cursor;
            if (Extension(t.name) == "DBF") cursor = std::make_unique<DbaseCursor>(path);
            else cursor = std::make_unique<ParadoxCursor>(path);
            std::vector<TColumn> columns = cursor->Columns();
            tables.push_back({name, std::move(columns), rows ? std::move(cursor) : nullptr});
        }
        return MakeScratchDatabase(std::move(tables));
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
