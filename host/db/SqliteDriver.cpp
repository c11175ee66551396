// The SQLite driver, the engine's embedded default. Databases are opened read-only: nothing a
// report, a catalogue list or a query does here can change the file.
#include "host/db/SqliteDriver.h"

#include <sqlite3.h>

#include <algorithm>
#include <map>

#include "host/vcl/Classes.h"

namespace dbe {

namespace {

struct Connection {
    sqlite3* db = nullptr;
    std::string path;
    ~Connection() { sqlite3_close_v2(db); }
};

std::string Quote(std::string_view name) {
    std::string q = "\"";
    for (char ch : name) q += ch == '"' ? std::string("\"\"") : std::string(1, ch);
    return q + "\"";
}

class Statement {
public:
    Statement(const std::shared_ptr<Connection>& c, const std::string& sql) : c_(c) {
        const char* tail = nullptr;
        if (sqlite3_prepare_v2(c->db, sql.c_str(), int(sql.size()), &stmt_, &tail) != SQLITE_OK) {
            const std::string message = sqlite3_errmsg(c->db);
            sqlite3_finalize(stmt_);
            stmt_ = nullptr;
            DbError(message);
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
        const int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW) return true;
        if (rc == SQLITE_DONE) return false;
        DbError(sqlite3_errmsg(c_->db));
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
};

class StatementCursor : public TCursor {
public:
    StatementCursor(std::unique_ptr<Statement> stmt, std::vector<TColumn> columns)
        : stmt_(std::move(stmt)), columns_(std::move(columns)) {}
    const std::vector<TColumn>& Columns() const override { return columns_; }
    bool First() override {
        sqlite3_reset(stmt_->get());
        return row_ = stmt_->Step();
    }
    bool Next() override { return row_ && (row_ = stmt_->Step()); }
    TFieldValue Value(int column) const override {
        if (!row_ || column < 0 || column >= sqlite3_column_count(stmt_->get())) return {};
        sqlite3_stmt* s = stmt_->get();
        switch (sqlite3_column_type(s, column)) {
            case SQLITE_INTEGER: return TFieldValue(int64_t(sqlite3_column_int64(s, column)));
            case SQLITE_FLOAT: return TFieldValue(sqlite3_column_double(s, column));
            case SQLITE_NULL: return {};
            case SQLITE_BLOB: {
                const void* p = sqlite3_column_blob(s, column);
                return TFieldValue(std::string(static_cast<const char*>(p), size_t(sqlite3_column_bytes(s, column))));
            }
            default: return TFieldValue(stmt_->Text(column));
        }
    }

private:
    std::unique_ptr<Statement> stmt_;
    std::vector<TColumn> columns_;
    bool row_ = false;
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

    std::unique_ptr<TCursor> OpenTable(std::string_view table) override {
        const std::string name = FindTable(table);
        std::vector<TColumn> columns = Describe(name).columns;
        auto stmt = std::make_unique<Statement>(c_, "select * from " + Quote(name));
        return std::make_unique<StatementCursor>(std::move(stmt), std::move(columns));
    }

    TPrepared PrepareQuery(const std::string& sql) override {
        Statement s(c_, TranslateLocalSql(sql));
        return Describe(s);
    }

    std::unique_ptr<TCursor> ExecuteQuery(const std::string& sql, const TParamValues& params) override {
        auto stmt = std::make_unique<Statement>(c_, TranslateLocalSql(sql));
        TPrepared prepared = Describe(*stmt);
        for (const auto& [name, value] : params) {
            const int at = sqlite3_bind_parameter_index(stmt->get(), (":" + name).c_str());
            if (at == 0) continue;
            if (auto* i = std::get_if<int64_t>(&value)) sqlite3_bind_int64(stmt->get(), at, *i);
            else if (auto* d = std::get_if<double>(&value)) sqlite3_bind_double(stmt->get(), at, *d);
            else if (auto* t = std::get_if<std::string>(&value))
                sqlite3_bind_text(stmt->get(), at, t->c_str(), int(t->size()), SQLITE_TRANSIENT);
        }
        return std::make_unique<StatementCursor>(std::move(stmt), std::move(prepared.columns));
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
        if (!uri && !IsSqliteFile(path)) DbError("Database file '" + path + "' does not exist");
        const int flags = SQLITE_OPEN_READONLY | (uri ? SQLITE_OPEN_URI : 0);
        if (sqlite3_open_v2(path.c_str(), &c->db, flags, nullptr) != SQLITE_OK)
            DbError("Cannot open the database " + path + ": " + (c->db ? sqlite3_errmsg(c->db) : "out of memory"));
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
    static bool IsSqliteFile(const std::string& path) {
        FILE* f = std::fopen(path.c_str(), "rb");
        if (f == nullptr) return false;
        std::fclose(f);
        return true;
    }
};

}  // namespace

std::unique_ptr<TDriver> MakeSqliteDriver() { return std::make_unique<SqliteDriver>(); }

std::unique_ptr<TDatabaseHandle> MakeScratchDatabase(std::vector<TScratchTable> tables) {
    auto c = std::make_shared<Connection>();
    c->path = "(memory)";
    if (sqlite3_open_v2(":memory:", &c->db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
        DbError("Cannot make a database in memory");
    auto run = [&](const std::string& sql) {
        Statement s(c, sql);
        s.Step();
    };
    run("begin");
    for (TScratchTable& t : tables) {
        std::string columns;
        for (const TColumn& col : t.columns) columns += (columns.empty() ? "" : ", ") + Quote(col.name) + " " + col.declared;
        run("create table " + Quote(t.name) + " (" + columns + ")");
        if (!t.rows || t.columns.empty()) continue;
        std::string marks;
        for (size_t i = 1; i <= t.columns.size(); ++i) marks += (i > 1 ? ", ?" : "?") + std::to_string(i);
        Statement insert(c, "insert into " + Quote(t.name) + " values (" + marks + ")");
        for (bool row = t.rows->First(); row; row = t.rows->Next()) {
            sqlite3_reset(insert.get());
            for (int i = 0; i < int(t.columns.size()); ++i) {
                const TFieldValue v = t.rows->Value(i);
                if (auto* n = std::get_if<int64_t>(&v)) sqlite3_bind_int64(insert.get(), i + 1, *n);
                else if (auto* d = std::get_if<double>(&v)) sqlite3_bind_double(insert.get(), i + 1, *d);
                else if (auto* text = std::get_if<std::string>(&v))
                    sqlite3_bind_text(insert.get(), i + 1, text->c_str(), int(text->size()), SQLITE_TRANSIENT);
                else sqlite3_bind_null(insert.get(), i + 1);
            }
            insert.Step();
        }
    }
    run("commit");
    return std::make_unique<SqliteDatabase>(std::move(c));
}

}  // namespace dbe
