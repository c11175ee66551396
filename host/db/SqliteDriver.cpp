// The SQLite driver, the engine's embedded default. Databases are opened read-only: nothing a
// report, a catalogue list or a query does here can change the file. A database file is as
// untrusted as the form that names it: its schema is not trusted to run functions, every
// statement stops at a time limit, and a form's statement is prepared under an authorizer
// that lets it only read, and never stepped.
#include "host/db/SqliteDriver.h"

#include <sqlite3.h>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <map>

#include "host/vcl/Classes.h"

namespace dbe {

namespace {

// How long one statement of ours may run, and the largest SQL text a form may hand over.
constexpr auto kStatementTimeLimit = std::chrono::seconds(30);
constexpr int kMaxSqlLength = 1 << 20;

struct Connection {
    sqlite3* db = nullptr;
    std::string path;
    std::chrono::steady_clock::time_point deadline;
    ~Connection() { sqlite3_close_v2(db); }

    // The limits no database file or form can change.
    void Harden() {
        sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
        sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
        sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr);
        sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
        sqlite3_limit(db, SQLITE_LIMIT_SQL_LENGTH, kMaxSqlLength);
        sqlite3_limit(db, SQLITE_LIMIT_ATTACHED, 0);
        sqlite3_progress_handler(db, 10000, &Connection::PastDeadline, this);
    }
    void StartClock() { deadline = std::chrono::steady_clock::now() + kStatementTimeLimit; }
    static int PastDeadline(void* self) {
        return std::chrono::steady_clock::now() > static_cast<Connection*>(self)->deadline ? 1 : 0;
    }
    [[noreturn]] void Fail() const {
        if (sqlite3_errcode(db) == SQLITE_INTERRUPT)
            DbError("The database " + path + " took longer than " + std::to_string(kStatementTimeLimit.count()) +
                    " s to answer");
        DbError(sqlite3_errmsg(db));
    }
};

// What a form's statement may do while it is prepared: read tables and call functions.
// Anything else (attaching files, pragmas, writing, vacuuming into a file) is refused.
int ReadOnlyAuthorizer(void*, int action, const char*, const char*, const char*, const char*) {
    switch (action) {
        case SQLITE_SELECT:
        case SQLITE_READ:
        case SQLITE_FUNCTION:
        case SQLITE_RECURSIVE: return SQLITE_OK;
        default: return SQLITE_DENY;
    }
}

std::string Quote(std::string_view name) {
    std::string q = "\"";
    for (char ch : name) q += ch == '"' ? std::string("\"\"") : std::string(1, ch);
    return q + "\"";
}

class Statement {
public:
    Statement(const std::shared_ptr<Connection>& c, const std::string& sql) : c_(c) {
        const char* tail = nullptr;
        c->StartClock();
        if (sqlite3_prepare_v2(c->db, sql.c_str(), int(sql.size()), &stmt_, &tail) != SQLITE_OK) {
            sqlite3_finalize(stmt_);
            stmt_ = nullptr;
            c->Fail();
        }
        if (stmt_ == nullptr) DbError("The SQL text holds no statement");
        while (tail != nullptr && *tail != '\0') {
            if (std::isspace(static_cast<unsigned char>(*tail)) || *tail == ';') {
                ++tail;
                continue;
            }
            sqlite3_finalize(stmt_);
            stmt_ = nullptr;
            DbError("The SQL text holds more than one statement");
        }
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    sqlite3_stmt* get() const { return stmt_; }
    // True while there is a row.
    bool Step() {
        if (!stepped_) c_->StartClock();  // the limit holds for the whole statement
        stepped_ = true;
        const int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW) return true;
        if (rc == SQLITE_DONE) return false;
        c_->Fail();
    }
    std::string Text(int col) const {
        const unsigned char* t = sqlite3_column_text(stmt_, col);
        return t ? std::string(reinterpret_cast<const char*>(t), size_t(sqlite3_column_bytes(stmt_, col))) : std::string();
    }
    int64_t Int(int col) const { return sqlite3_column_int64(stmt_, col); }
    const std::shared_ptr<Connection>& Conn() const { return c_; }

private:
    std::shared_ptr<Connection> c_;
    sqlite3_stmt* stmt_ = nullptr;
    bool stepped_ = false;
};

class SqliteDatabase : public TDatabaseHandle {
public:
    explicit SqliteDatabase(std::shared_ptr<Connection> c) : c_(std::move(c)) {}
    std::string DriverName() const override { return "SQLITE"; }

    // The schema, read once: tables and views by name with case ignored, and each table's
    // indexes in the order they were made. sqlite_master has no index on names.
    struct Schema {
        std::map<std::string, std::string> tables;  // lower-case name -> name
        std::map<std::string, std::vector<std::string>> indexes;  // table name -> index names
    };
    const Schema& Names() {
        if (schema_) return *schema_;
        auto schema = std::make_unique<Schema>();
        Statement s(c_, "select type, name, tbl_name from sqlite_master order by rowid");
        while (s.Step()) {
            const std::string type = s.Text(0);
            if (type == "table" || type == "view") schema->tables.emplace(vcl::LowerCase(s.Text(1)), s.Text(1));
            else if (type == "index") schema->indexes[s.Text(2)].push_back(s.Text(1));
        }
        schema_ = std::move(schema);
        return *schema_;
    }

    std::vector<TTableInfo> Tables(bool system) override {
        std::vector<TTableInfo> list;
        if (system) list.push_back({"sqlite_master", "TABLE", true});
        Statement s(c_, "select name, type from sqlite_master where type in ('table','view') order by rowid");
        while (s.Step()) {
            TTableInfo t{s.Text(0), vcl::UpperCase(s.Text(1)), false};
            t.system = vcl::SameText(t.name.substr(0, 7), "sqlite_");
            if (system || !t.system) list.push_back(std::move(t));
        }
        return list;
    }

    std::vector<std::string> StoredProcs(bool) override { return {}; }

    std::vector<TColumn> Fields(std::string_view table) override { return Describe(FindTable(table)).columns; }

    std::vector<TIndexInfo> Indexes(std::string_view table) override {
        const std::string name = FindTable(table);
        std::vector<TIndexInfo> list;
        const TableColumns& described = Describe(name);
        if (!described.key.empty()) {
            TIndexInfo primary;
            primary.primary = primary.unique = true;
            primary.fields = described.key;
            list.push_back(std::move(primary));
        }
        std::map<std::string, std::pair<bool, std::string>> kinds;  // unique, origin
        {
            Statement s(c_, "pragma index_list(" + Quote(name) + ")");
            while (s.Step()) kinds[s.Text(1)] = {s.Int(2) != 0, s.Text(3)};
        }
        const auto named = Names().indexes.find(name);
        for (const std::string& indexName : named == Names().indexes.end() ? std::vector<std::string>() : named->second) {
            TIndexInfo index;
            index.name = indexName;
            auto kind = kinds.find(index.name);
            if (kind != kinds.end() && kind->second.second == "pk") continue;
            index.unique = kind != kinds.end() && kind->second.first;
            Statement cols(c_, "pragma index_xinfo(" + Quote(index.name) + ")");
            while (cols.Step()) {
                if (cols.Int(5) == 0) continue;  // the row id that every index entry carries
                index.fields.push_back(cols.Text(2));
                index.descending = index.descending || cols.Int(3) != 0;
            }
            list.push_back(std::move(index));
        }
        return list;
    }

    // Prepared under the read-only authorizer and never stepped: the statement is only asked
    // for its parameters and columns.
    TPrepared PrepareQuery(const std::string& sql) override {
        const std::string translated = TranslateLocalSql(sql);
        sqlite3_set_authorizer(c_->db, ReadOnlyAuthorizer, nullptr);
        struct Restore {
            sqlite3* db;
            ~Restore() { sqlite3_set_authorizer(db, nullptr, nullptr); }
        } restore{c_->db};
        std::unique_ptr<Statement> s;
        try {
            s = std::make_unique<Statement>(c_, translated);
        } catch (const vcl::EDBEngineError& e) {
            if (sqlite3_errcode(c_->db) == SQLITE_AUTH)
                DbError("The SQL text does more than read, and is not prepared: " + e.Message());
            throw;
        }
        if (!sqlite3_stmt_readonly(s->get()) || sqlite3_column_count(s->get()) == 0)
            DbError("The SQL text is no query that reads, and is not prepared");
        return Describe(*s);
    }

private:
    // A table's columns and its primary key fields in key order, read once.
    struct TableColumns {
        std::vector<TColumn> columns;
        std::vector<std::string> key;
    };
    const TableColumns& Describe(const std::string& name) {
        auto [it, fresh] = described_.try_emplace(name);
        if (!fresh) return it->second;
        try {
            std::vector<std::pair<int64_t, std::string>> keyed;
            Statement s(c_, "pragma table_info(" + Quote(name) + ")");
            while (s.Step()) {
                TColumn c = ColumnFromDeclaredType(s.Text(1), s.Text(2));
                c.required = s.Int(3) != 0;
                if (s.Int(5) > 0) keyed.emplace_back(s.Int(5), c.name);
                it->second.columns.push_back(std::move(c));
            }
            std::sort(keyed.begin(), keyed.end());
            for (auto& [n, field] : keyed) it->second.key.push_back(field);
        } catch (...) {
            described_.erase(it);
            throw;
        }
        return it->second;
    }

    // The table a name stands for: itself, else its base name, case ignored.
    std::string FindTable(std::string_view table) {
        for (const std::string& candidate : {std::string(table), BaseTableName(table)}) {
            if (candidate.empty()) continue;
            const auto it = Names().tables.find(vcl::LowerCase(candidate));
            if (it != Names().tables.end()) return it->second;
            if (vcl::SameText(candidate, "sqlite_master") || vcl::SameText(candidate, "sqlite_schema")) return candidate;
        }
        DbError("Table '" + std::string(table) + "' does not exist in " + c_->path);
    }

    // Local SQL names tables as files ("customer.db", "C:\DATA\orders.dbf") or through an
    // alias (:DBDEMOS:customer); SQLite knows them by their base names.
    std::string TranslateLocalSql(const std::string& sql) {
        std::string out;
        size_t i = 0;
        while (i < sql.size()) {
            const char ch = sql[i];
            if (ch == '\'') {  // a string literal, copied as it is
                const size_t end = sql.find('\'', i + 1);
                const size_t stop = end == std::string::npos ? sql.size() : end + 1;
                out.append(sql, i, stop - i);
                i = stop;
            } else if (ch == '"') {
                const size_t end = sql.find('"', i + 1);
                if (end == std::string::npos) {
                    out.append(sql, i, std::string::npos);
                    break;
                }
                const std::string ident = sql.substr(i + 1, end - i - 1);
                if (ident.find_first_of("./\\:") != std::string::npos) out += Quote(LocalName(ident));
                else out.append(sql, i, end + 1 - i);
                i = end + 1;
            } else if (ch == ':' && i + 1 < sql.size() && sql[i + 1] != ':' && (i == 0 || sql[i - 1] != ':')) {
                // :ALIAS:table names a table; :name alone is a parameter.
                size_t j = i + 1;
                while (j < sql.size() && (std::isalnum(static_cast<unsigned char>(sql[j])) || sql[j] == '_')) ++j;
                if (j > i + 1 && j < sql.size() && sql[j] == ':') {
                    size_t k = j + 1;
                    std::string table;
                    if (k < sql.size() && sql[k] == '"') {
                        const size_t end = sql.find('"', k + 1);
                        if (end == std::string::npos) k = sql.size();
                        else {
                            table = sql.substr(k + 1, end - k - 1);
                            k = end + 1;
                        }
                    } else {
                        while (k < sql.size() && (std::isalnum(static_cast<unsigned char>(sql[k])) || sql[k] == '_' ||
                                                  sql[k] == '.'))
                            ++k;
                        table = sql.substr(j + 1, k - j - 1);
                    }
                    out += Quote(LocalName(table));
                    i = k;
                } else {
                    out.append(sql, i, j - i);
                    i = j;
                }
            } else {
                out += ch;
                ++i;
            }
        }
        return out;
    }

    std::string LocalName(const std::string& ref) {
        try {
            return FindTable(ref);
        } catch (const vcl::EDBEngineError&) {
            return BaseTableName(ref);
        }
    }

    static TPrepared Describe(const Statement& s) {
        TPrepared p;
        const int params = sqlite3_bind_parameter_count(s.get());
        for (int i = 1; i <= params; ++i) {
            const char* name = sqlite3_bind_parameter_name(s.get(), i);
            p.params.push_back({name != nullptr && name[0] != '\0' ? std::string(name + 1) : std::string("?")});
        }
        const int columns = sqlite3_column_count(s.get());
        for (int i = 0; i < columns; ++i) {
            const char* decl = sqlite3_column_decltype(s.get(), i);
            const char* name = sqlite3_column_name(s.get(), i);
            p.columns.push_back(ColumnFromDeclaredType(name ? name : "", decl ? decl : ""));
        }
        return p;
    }

    std::shared_ptr<Connection> c_;
    std::unique_ptr<Schema> schema_;
    std::map<std::string, TableColumns> described_;
};

class SqliteDriver : public TDriver {
public:
    std::string Name() const override { return "SQLITE"; }
    std::string Description() const override { return "SQLite database file"; }
    std::unique_ptr<TDatabaseHandle> Connect(const TParamList& params) override {
        std::string path;
        for (const auto& [k, v] : params)
            if (vcl::SameText(k, "PATH")) path = v;
        auto c = std::make_shared<Connection>();
        c->path = path;
        const bool uri = path.rfind("file:", 0) == 0;
        if (!uri) RequireRegularFile(path);
        const int flags = SQLITE_OPEN_READONLY | (uri ? SQLITE_OPEN_URI : 0);
        if (sqlite3_open_v2(path.c_str(), &c->db, flags, nullptr) != SQLITE_OK)
            DbError("Cannot open the database " + path + ": " + (c->db ? sqlite3_errmsg(c->db) : "out of memory"));
        c->Harden();
        sqlite3_busy_timeout(c->db, 2000);
        try {
            Statement check(c, "select count(*) from sqlite_master");
            check.Step();
        } catch (const vcl::EDBEngineError& e) {
            DbError("Cannot read the database " + path + ": " + e.Message());
        }
        return std::make_unique<SqliteDatabase>(std::move(c));
    }

private:
    // A FIFO or a device would block or never end; only a regular file is a database.
    static void RequireRegularFile(const std::string& path) {
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) DbError("Database file '" + path + "' does not exist");
        if (!S_ISREG(st.st_mode)) DbError("Database file '" + path + "' is no regular file");
    }
};

}  // namespace

std::unique_ptr<TDriver> MakeSqliteDriver() { return std::make_unique<SqliteDriver>(); }

std::unique_ptr<TDatabaseHandle> MakeScratchDatabase(const std::vector<TScratchTable>& tables) {
    auto c = std::make_shared<Connection>();
    c->path = "(memory)";
    if (sqlite3_open_v2(":memory:", &c->db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
        DbError("Cannot make a database in memory");
    c->Harden();
    auto run = [&](const std::string& sql) {
        Statement s(c, sql);
        s.Step();
    };
    run("begin");
    for (const TScratchTable& t : tables) {
        std::string columns;
        for (const TColumn& col : t.columns) columns += (columns.empty() ? "" : ", ") + Quote(col.name) + " " + col.declared;
        run("create table " + Quote(t.name) + " (" + columns + ")");
    }
    run("commit");
    return std::make_unique<SqliteDatabase>(std::move(c));
}

}  // namespace dbe
