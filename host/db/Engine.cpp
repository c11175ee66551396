#include "host/db/Engine.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <sstream>

#include "host/base/AtomicFile.h"
#include "host/db/AliasesFile.h"
#include "host/db/PostgresProxy.h"
#include "host/db/RegularFile.h"
#include "host/db/SqliteDriver.h"
#include "host/vcl/Classes.h"

namespace dbe {

namespace {

constexpr const char* kFieldTypeNames[kFieldTypeCount] = {
    "ftUnknown", "ftString", "ftSmallint", "ftInteger", "ftWord", "ftBoolean", "ftFloat", "ftCurrency", "ftBCD",
    "ftDate", "ftTime", "ftDateTime", "ftBytes", "ftVarBytes", "ftAutoInc", "ftBlob", "ftMemo", "ftGraphic",
    "ftFmtMemo", "ftParadoxOle", "ftDBaseOle", "ftTypedBinary", "ftCursor", "ftFixedChar", "ftWideString",
    "ftLargeint", "ftADT", "ftArray", "ftReference", "ftDataSet", "ftOraBlob", "ftOraClob", "ftVariant",
    "ftInterface", "ftIDispatch", "ftGuid"};

std::string Trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return std::string(s.substr(b, e - b));
}

bool IsFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A regular file that starts as every SQLite database does; read once, never waiting on a FIFO.
bool LooksLikeSqlite(const std::string& path) {
    try {
        return TRegularFile(path, "database file").Read(0, 16) == std::string_view("SQLite format 3\0", 16);
    } catch (const vcl::EDBEngineError&) {
        return false;
    }
}

std::string ConnectionKey(const TAlias& alias) {
    std::string key = vcl::UpperCase(alias.driver);
    for (const auto& [k, v] : alias.params) key += '\n' + vcl::UpperCase(k) + '=' + v;
    return key;
}

}  // namespace

const char* FieldTypeName(TFieldType type) {
    return type >= 0 && type < kFieldTypeCount ? kFieldTypeNames[type] : "ftUnknown";
}

bool FieldTypeFromName(std::string_view name, TFieldType& type) {
    for (int i = 0; i < kFieldTypeCount; ++i)
        if (vcl::SameText(name, kFieldTypeNames[i])) {
            type = TFieldType(i);
            return true;
        }
    return false;
}

void DbError(const std::string& message) { throw vcl::EDBEngineError(message); }

std::string TIndexInfo::FieldsText() const {
    std::string text;
    for (const std::string& f : fields) text += (text.empty() ? "" : ";") + f;
    return text;
}

TFieldValue TRowsCursor::Value(int column) const {
    if (at_ >= rows_.size() || column < 0 || size_t(column) >= rows_[at_].size()) return {};
    return rows_[at_][size_t(column)];
}

const char* ParamDirectionName(TParamDirection direction) {
    static constexpr const char* kNames[] = {"ptUnknown", "ptInput", "ptOutput", "ptInputOutput", "ptResult"};
    return direction >= pdUnknown && direction <= pdResult ? kNames[direction] : kNames[0];
}

TParamDirection ParamDirectionFromName(std::string_view name) {
    for (int d = pdInput; d <= pdResult; ++d)
        if (vcl::SameText(name, ParamDirectionName(TParamDirection(d)))) return TParamDirection(d);
    return pdUnknown;
}

std::string BaseTableName(std::string_view ref) {
    const size_t slash = ref.find_last_of("/\\");
    if (slash != std::string_view::npos) ref.remove_prefix(slash + 1);
    const size_t dot = ref.rfind('.');
    if (dot != std::string_view::npos && dot > 0) ref = ref.substr(0, dot);
    return std::string(ref);
}

std::vector<std::string> TPrepared::ParamNames() const {
    std::vector<std::string> names;
    for (const TParamDesc& p : params) names.push_back(p.name);
    return names;
}

TPrepared TDatabaseHandle::PrepareProc(std::string_view name, const std::vector<TParamDesc>&) {
    DbError("Stored procedure '" + std::string(name) + "' cannot be prepared: the " + DriverName() +
            " driver has no stored procedures");
}

// Declared types as the platform's field types, with the engine's logical description.
TColumn ColumnFromDeclaredType(std::string name, std::string_view declared) {
    TColumn c;
    c.name = std::move(name);
    c.declared = std::string(declared);
    const std::string text = vcl::UpperCase(Trim(declared));
    const size_t open = text.find('(');
    const std::string base = Trim(text.substr(0, open));
    int n1 = -1, n2 = -1;
    if (open != std::string::npos) {
        const char* p = text.c_str() + open + 1;
        char* end = nullptr;
        const long a = std::strtol(p, &end, 10);
        if (end != p) n1 = int(std::clamp(a, 0L, 65535L));
        if (end && *end == ',') {
            p = end + 1;
            const long b = std::strtol(p, &end, 10);
            if (end != p) n2 = int(std::clamp(b, 0L, 65535L));
        }
    }
    auto is = [&](std::initializer_list<const char*> words) {
        for (const char* w : words)
            if (base == w) return true;
        return false;
    };
    auto set = [&](TFieldType type, int size, uint16_t logical, uint16_t subtype, int units1, int units2, int length) {
        c.type = type;
        c.size = size;
        c.logical = logical;
        c.subtype = subtype;
        c.units1 = uint16_t(units1);
        c.units2 = uint16_t(units2);
        c.length = uint16_t(std::min(length, 65535));
    };
    auto blob = [&](TFieldType type, uint16_t subtype) {
        const int n = std::max(n1, 0);
        set(type, n, fldBLOB, subtype, n, 0, n + 10);
    };
    const bool sized = n1 >= 0;
    if (base.empty()) {
        set(ftUnknown, 0, fldUNKNOWN, 0, 0, 0, 0);
    } else if (is({"CHAR", "VARCHAR", "NVARCHAR", "NCHAR", "CHARACTER", "VARYING CHARACTER", "ALPHA", "STRING",
                   "CHARACTER VARYING"}) ||
               (is({"TEXT"}) && sized)) {
        const int n = sized ? n1 : 1;
        set(ftString, n, fldZSTRING, 0, n, 0, n + 1);
    } else if (is({"TEXT", "MEMO", "CLOB", "LONGTEXT", "MEDIUMTEXT"})) {
        blob(ftMemo, fldstMEMO);
    } else if (is({"FMTMEMO"})) {
        blob(ftFmtMemo, fldstFMTMEMO);
    } else if (is({"GRAPHIC", "IMAGE", "PICTURE"})) {
        blob(ftGraphic, fldstGRAPHIC);
    } else if (is({"OLE"})) {
        blob(ftParadoxOle, fldstOLEOBJ);
    } else if (is({"BLOB", "LONGBLOB", "MEDIUMBLOB"}) || (is({"BINARY"}) && !sized)) {
        blob(ftBlob, fldstBINARY);
    } else if (is({"BYTES", "BINARY"})) {
        set(ftBytes, n1, fldBYTES, 0, n1, 0, n1);
    } else if (is({"VARBYTES", "VARBINARY"})) {
        const int n = sized ? n1 : 0;
        set(ftVarBytes, n, fldVARBYTES, 0, n, 0, n + 2);
    } else if (is({"SMALLINT", "SHORT", "INT16", "TINYINT"})) {
        set(ftSmallint, 0, fldINT16, 0, 0, 0, 2);
    } else if (is({"WORD", "UINT16"})) {
        set(ftWord, 0, fldUINT16, 0, 0, 0, 2);
    } else if (is({"INTEGER", "INT", "LONG", "INT32", "MEDIUMINT", "LONGINT"})) {
        set(ftInteger, 0, fldINT32, 0, 0, 0, 4);
    } else if (is({"AUTOINC", "AUTOINCREMENT", "COUNTER", "SERIAL"})) {
        set(ftAutoInc, 0, fldINT32, fldstAUTOINC, 0, 0, 4);
    } else if (is({"BIGINT", "INT64", "LARGEINT"})) {
        set(ftLargeint, 0, fldUNKNOWN, 0, 0, 0, 8);
    } else if (is({"BOOLEAN", "BOOL", "LOGICAL", "BIT"})) {
        set(ftBoolean, 0, fldBOOL, 0, 0, 0, 2);
    } else if (is({"FLOAT", "DOUBLE", "REAL", "NUMBER", "DOUBLE PRECISION"})) {
        set(ftFloat, 0, fldFLOAT, 0, 0, 0, 8);
    } else if (is({"MONEY", "CURRENCY"})) {
        set(ftCurrency, 0, fldFLOAT, fldstMONEY, 0, 0, 8);
    } else if (is({"NUMERIC", "DECIMAL", "BCD"})) {
        const int precision = sized ? n1 : 32;
        const int scale = n2 >= 0 ? n2 : 0;
        set(ftBCD, scale, fldBCD, 0, precision, scale, 34);
    } else if (is({"DATE"})) {
        set(ftDate, 0, fldDATE, 0, 0, 0, 4);
    } else if (is({"TIME"})) {
        set(ftTime, 0, fldTIME, 0, 0, 0, 4);
    } else if (is({"DATETIME", "TIMESTAMP"})) {
        set(ftDateTime, 0, fldTIMESTAMP, 0, 0, 0, 8);
    } else if (base.find("INT") != std::string::npos) {  // the affinity rules of SQL column types
        set(ftInteger, 0, fldINT32, 0, 0, 0, 4);
    } else if (base.find("CHAR") != std::string::npos || base.find("CLOB") != std::string::npos ||
               base.find("TEXT") != std::string::npos) {
        if (sized) set(ftString, n1, fldZSTRING, 0, n1, 0, n1 + 1);
        else blob(ftMemo, fldstMEMO);
    } else if (base.find("BLOB") != std::string::npos) {
        blob(ftBlob, fldstBINARY);
    } else {
        set(ftFloat, 0, fldFLOAT, 0, 0, 0, 8);
    }
    return c;
}

std::string TAlias::Param(std::string_view key) const {
    for (const auto& [k, v] : params)
        if (vcl::SameText(k, key)) return v;
    return {};
}

TParamList ParseParamString(std::string_view params) {
    TParamList list;
    size_t from = 0;
    while (from < params.size()) {
        size_t end = params.find(';', from);
        if (end == std::string_view::npos) end = params.size();
        const std::string_view pair = params.substr(from, end - from);
        const size_t colon = pair.find(':');
        if (colon != std::string_view::npos)
            list.emplace_back(Trim(pair.substr(0, colon)), std::string(pair.substr(colon + 1)));
        from = end + 1;
    }
    return list;
}

struct TEngine::ConfigCache {
    zorbase::FileStamp stamp;
    std::vector<TAlias> aliases;
};

TEngine::TEngine() = default;
TEngine::~TEngine() = default;

void TEngine::SetConfigFile(std::string path) {
    configFile_ = std::move(path);
    cache_.reset();
    open_.clear();
}

void TEngine::SetDefaultAlias(TAlias alias) {
    for (TAlias& a : defaults_)
        if (vcl::SameText(a.name, alias.name)) {
            a = std::move(alias);
            return;
        }
    defaults_.push_back(std::move(alias));
}

void TEngine::RegisterDriver(std::unique_ptr<TDriver> driver) { drivers_.push_back(std::move(driver)); }

TDriver* TEngine::FindDriver(std::string_view name) const {
    for (const auto& d : drivers_)
        if (vcl::SameText(d->Name(), name)) return d.get();
    return nullptr;
}

std::vector<const TDriver*> TEngine::Drivers() const {
    std::vector<const TDriver*> list;
    for (const auto& d : drivers_) list.push_back(d.get());
    return list;
}

// The aliases file (host/db/AliasesFile.h). Every dataset asks: the file is parsed again only
// when it has changed. One that cannot be read holds no aliases, damaged lines none either;
// ConfigError() says why.
std::vector<TAlias> TEngine::ReadConfig() const {
    if (configFile_.empty()) return {};
    try {
        if (cache_ && cache_->stamp == zorbase::StampOf(configFile_)) return cache_->aliases;
        zorbase::FileStamp stamp;
        const std::optional<std::string> text = zorbase::ReadWholeFile(configFile_, &stamp, kMaxAliasesFileSize);
        const TAliasesFile file(text.value_or(""));
        configError_ = file.Damage() ? "'" + configFile_ + "', " + *file.Damage() : "";
        cache_ = std::make_unique<ConfigCache>(ConfigCache{stamp, file.Aliases()});
        return file.Aliases();
    } catch (const vcl::Exception& e) {
        configError_ = e.Message();
        cache_.reset();
        return {};
    }
}

// The file is edited in place, never regenerated, and never replaced when it cannot be read,
// is damaged, or changed between reading and writing.
uint16_t TEngine::EditConfig(const std::function<uint16_t(TAliasesFile&)>& edit) const {
    try {
        zorbase::FileStamp stamp;
        const std::optional<std::string> text = zorbase::ReadWholeFile(configFile_, &stamp, kMaxAliasesFileSize);
        TAliasesFile file(text.value_or(""));
        if (file.Damage()) {
            configError_ = "Cannot change '" + configFile_ + "', " + *file.Damage() + "; the file is left as it is";
            return DBIERR_CANTWRITE;
        }
        if (const uint16_t code = edit(file); code != DBIERR_NONE) return code;
        zorbase::WriteFileAtomically(configFile_, file.Text(), &stamp);
    } catch (const vcl::Exception& e) {
        configError_ = e.Message();
        return DBIERR_CANTWRITE;
    }
    return DBIERR_NONE;
}

std::vector<TAlias> TEngine::Aliases() const {
    std::vector<TAlias> all = configFile_.empty() ? sessionAliases_ : ReadConfig();
    if (!configFile_.empty())
        for (const TAlias& a : sessionAliases_) all.push_back(a);
    for (const TAlias& d : defaults_) {
        bool shadowed = false;
        for (const TAlias& a : all) shadowed = shadowed || vcl::SameText(a.name, d.name);
        if (!shadowed) all.push_back(d);
    }
    return all;
}

bool TEngine::FindAlias(std::string_view name, TAlias& alias) const {
    for (TAlias& a : Aliases())
        if (vcl::SameText(a.name, name)) {
            alias = std::move(a);
            return true;
        }
    return false;
}

namespace {

bool ValidAliasName(const std::string& name) {
    if (name.empty() || name.size() > 31) return false;
    for (char ch : name)
        if (ch == '[' || ch == ']' || ch == '=' || ch == ':' || ch == ';' || std::iscntrl(static_cast<unsigned char>(ch)) ||
            ch == '\n')
            return false;
    return !std::isspace(static_cast<unsigned char>(name.front())) && !std::isspace(static_cast<unsigned char>(name.back()));
}

}  // namespace

uint16_t TEngine::AddAlias(const std::string& name, const std::string& driver, const std::string& params, bool persist) {
    return AddAlias(name, driver, ParseParamString(params), persist);
}

uint16_t TEngine::AddAlias(const std::string& name, const std::string& driver, const TParamList& params, bool persist) {
    configError_.clear();
    if (!ValidAliasName(name)) return DBIERR_INVALIDPARAM;
    TAlias alias{name, driver.empty() ? "STANDARD" : vcl::UpperCase(driver), {}};
    if (FindDriver(alias.driver) == nullptr && alias.driver != "STANDARD") return DBIERR_UNKNOWNDRIVER;
    for (const auto& [k, v] : params) {
        if (vcl::SameText(k, "TYPE") && vcl::SameText(v, "Standard")) continue;
        if (!BadAliasKey(k).empty()) return DBIERR_INVALIDPARAM;
        alias.params.emplace_back(vcl::UpperCase(k), v);
    }
    auto named = [&](const std::vector<TAlias>& list) {
        return std::any_of(list.begin(), list.end(), [&](const TAlias& a) { return vcl::SameText(a.name, name); });
    };
    if (!persist || configFile_.empty()) {
        if (named(sessionAliases_)) return DBIERR_NAMENOTUNIQUE;
        sessionAliases_.push_back(std::move(alias));
        return DBIERR_NONE;
    }
    return EditConfig([&](TAliasesFile& file) -> uint16_t {
        if (named(file.Aliases())) return DBIERR_NAMENOTUNIQUE;
        file.Add(alias);
        return DBIERR_NONE;
    });
}

uint16_t TEngine::DeleteAlias(const std::string& name) {
    configError_.clear();
    const auto before = sessionAliases_.size();
    std::erase_if(sessionAliases_, [&](const TAlias& a) { return vcl::SameText(a.name, name); });
    if (sessionAliases_.size() != before) return DBIERR_NONE;
    if (configFile_.empty()) return DBIERR_UNKNOWNDB;
    return EditConfig([&](TAliasesFile& file) -> uint16_t { return file.Remove(name) ? DBIERR_NONE : DBIERR_UNKNOWNDB; });
}

// A form is untrusted: its TDatabase may name a local folder or file, never a server, and
// none of its other parameters (time limits, read-only mode, users) reach a driver. Servers
// are reached only through the user's own aliases.
TAlias TEngine::FormDatabase(const std::string& databaseName, const TDatabaseDefinition& def) const {
    TAlias defined;
    defined.params = def.DefinedParams();
    const std::string driverName = def.DefinedDriverName().empty() ? "STANDARD" : vcl::UpperCase(def.DefinedDriverName());
    const TDriver* driver = FindDriver(driverName);
    if (driver != nullptr && !driver->NeedsPath())
        DbError("The database " + databaseName + " of the form names a " + driverName +
                " server; servers are reached only through your own aliases (tavrinqa alias add)");
    std::string path = defined.Param("PATH");
    if (path.empty()) path = defined.Param("DATABASE NAME");
    if (path.find("://") != std::string::npos || path.rfind("file:", 0) == 0)
        DbError("The database " + databaseName + " of the form names '" + path +
                "', which is no folder or file path; servers are reached only through your own aliases");
    if (!path.empty() && !formFolder_.empty() && std::filesystem::path(path).is_relative()) {
        path = (std::filesystem::path(formFolder_) / path).lexically_normal().string();
        if (path.size() > 1 && path.back() == '/') path.pop_back();  // "folder/." reads "folder/"
    }
    TAlias alias{databaseName, driverName, {}};
    if (!path.empty()) alias.params.emplace_back("PATH", path);
    return alias;
}

TAlias TEngine::ResolveDatabase(const std::string& databaseName, const vcl::TComponent* owner) const {
    TAlias alias;
    if (databaseName.empty()) DbError("No database name given");
    if (FindAlias(databaseName, alias)) return alias;
    // A TDatabase of the same form defines the name: through its alias, or its driver and parameters.
    for (int i = 0; owner != nullptr && i < owner->ComponentCount(); ++i) {
        const auto* def = dynamic_cast<const TDatabaseDefinition*>(owner->Components(i));
        if (def == nullptr || !vcl::SameText(def->DefinedDatabaseName(), databaseName)) continue;
        const std::string aliasName = def->DefinedAliasName();
        if (!aliasName.empty()) {
            if (vcl::SameText(aliasName, databaseName) || !FindAlias(aliasName, alias))
                DbError("Unknown alias '" + aliasName + "' (of the database " + databaseName + ")");
            return alias;
        }
        return FormDatabase(databaseName, *def);
    }
    if (IsFolder(databaseName)) return {databaseName, "STANDARD", {{"PATH", databaseName}}};
    if (LooksLikeSqlite(databaseName)) return {databaseName, "SQLITE", {{"PATH", databaseName}}};
    if (databaseName.find('/') != std::string::npos || databaseName.find('\\') != std::string::npos)
        DbError("Database folder or file '" + databaseName + "' does not exist");
    DbError("Unknown database or alias '" + databaseName + "'");
}

std::shared_ptr<TDatabaseHandle> TEngine::OpenDatabase(const std::string& databaseName, const vcl::TComponent* owner) {
    TAlias alias = ResolveDatabase(databaseName, owner);
    const std::string key = ConnectionKey(alias);
    if (auto it = open_.find(key); it != open_.end()) return it->second;
    TDriver* driver = FindDriver(alias.driver);
    if (driver == nullptr) DbError("The " + alias.driver + " driver of '" + databaseName + "' is not available");
    if (driver->NeedsPath() && alias.Param("PATH").empty()) DbError("The alias '" + alias.name + "' names no PATH");
    // A server's errors name the alias they came through.
    TParamList params = alias.params;
    params.emplace_back("ALIAS", alias.name);
    std::shared_ptr<TDatabaseHandle> handle = driver->Connect(params);
    open_.emplace(key, handle);
    return handle;
}

TDatabaseDescription TEngine::DescribeDatabase(const std::string& name) const {
    TAlias alias;
    if (!FindAlias(name, alias)) DbError("Unknown alias '" + name + "'");
    const TDriver* driver = FindDriver(alias.driver);
    return {alias.name, driver != nullptr ? driver->Description() : alias.driver, alias.Param("PATH"), alias.driver};
}

TDriverDescription TEngine::DescribeDriver(const std::string& name) const {
    const TDriver* driver = FindDriver(name);
    if (driver == nullptr) DbError("Unknown driver '" + name + "'");
    return {driver->Name(), driver->Description(), driver->Name() == "STANDARD" ? "Native tables" : "SQL database"};
}

void TEngine::CloseDatabases() { open_.clear(); }

}  // namespace dbe

namespace dbe {

TEngine& Engine() {
    static TEngine* engine = [] {
        auto* e = new TEngine;
        e->RegisterDriver(MakeSqliteDriver());
        e->RegisterDriver(MakeStandardDriver());
        e->RegisterDriver(postgres::MakeProxyDriver());  // loads its module when first used
        return e;
    }();
    return *engine;
}

}  // namespace dbe
