// The PostgreSQL driver. It asks the server's catalogue and prepares statements, and never
// executes a statement a form stores: preparing one on the server describes its parameters
// and result columns without running it, and a stored procedure is described from pg_proc,
// never called. Every session is read-only (default_transaction_read_only) with connection and
// statement time limits that only the user's own alias may tune, within bounds. Catalogue
// questions are asked for many tables at once: the first table a caller asks about is described
// together with the next tables of the database, in one message.
#include "host/db/PostgresDriver.h"

#include <libpq-fe.h>
#include <poll.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>

#include "host/vcl/Classes.h"

namespace dbe {

namespace {

std::atomic<uint64_t> roundTrips{0};

constexpr Oid kVoidOid = 2278;
constexpr size_t kDescribeBatch = 250;  // tables described per message

struct ResultFree {
    void operator()(PGresult* r) const { PQclear(r); }
};
using Result = std::unique_ptr<PGresult, ResultFree>;

// libpq's messages end in a newline and may run over lines: their first line.
std::string Chomp(std::string s) {
    const size_t start = s.find_first_not_of(" \n");
    s = start == std::string::npos ? std::string() : s.substr(start);
    s = s.substr(0, s.find('\n'));
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

std::string QuoteIdent(std::string_view name) {
    std::string q = "\"";
    for (char ch : name) q += ch == '"' ? std::string("\"\"") : std::string(1, ch);
    return q + "\"";
}

std::string OidList(const std::vector<Oid>& oids) {
    std::string list;
    for (Oid o : oids) list += (list.empty() ? "" : ",") + std::to_string(o);
    return list.empty() ? "0" : list;
}

// A one-dimensional array as the server writes it: {a,"b c",NULL}.
std::vector<std::string> ArrayItems(std::string_view text) {
    std::vector<std::string> items;
    if (!text.empty() && text.front() == '[') text.remove_prefix(std::min(text.size(), text.find('=') + 1));  // [0:1]={...}
    if (text.size() < 2 || text.front() != '{') return items;
    size_t i = 1;
    while (i < text.size() && text[i] != '}') {
        std::string item;
        if (text[i] == '"') {
            for (++i; i < text.size() && text[i] != '"'; ++i) {
                if (text[i] == '\\' && i + 1 < text.size()) ++i;
                item += text[i];
            }
            ++i;
        } else {
            while (i < text.size() && text[i] != ',' && text[i] != '}') item += text[i++];
        }
        items.push_back(std::move(item));
        if (i < text.size() && text[i] == ',') ++i;
    }
    return items;
}

// A name as written: parts separated by dots, each quoted ("Sales") or not.
struct NamePart {
    std::string text;
    bool quoted = false;
};
std::vector<NamePart> SplitName(std::string_view name) {
    std::vector<NamePart> parts(1);
    for (size_t i = 0; i < name.size(); ++i) {
        const char ch = name[i];
        if (ch == '"') {
            parts.back().quoted = true;
            for (++i; i < name.size(); ++i) {
                if (name[i] == '"' && i + 1 < name.size() && name[i + 1] == '"') parts.back().text += name[++i];
                else if (name[i] == '"') break;
                else parts.back().text += name[i];
            }
        } else if (ch == '.') {
            parts.emplace_back();
        } else {
            parts.back().text += ch;
        }
    }
    for (NamePart& p : parts)
        if (!p.quoted) {
            const size_t b = p.text.find_first_not_of(" \t"), e = p.text.find_last_not_of(" \t");
            p.text = b == std::string::npos ? std::string() : p.text.substr(b, e - b + 1);
        }
    return parts;
}

// How well a catalogue name answers a written one: 3 as the server itself would fold it, 2
// exactly as written, 1 with case ignored, 0 not at all.
int NameMatch(const std::string& catalogue, const NamePart& written) {
    if (written.quoted) return catalogue == written.text ? 3 : 0;
    if (catalogue == vcl::LowerCase(written.text)) return 3;
    if (catalogue == written.text) return 2;
    return vcl::SameText(catalogue, written.text) ? 1 : 0;
}

// A server type as a column: the engine's declared-type mapping where one fits.
struct TypeInfo {
    std::string name;  // of the base type, for a domain
    char typtype = 'b';
    char category = 'U';
    int domainTypmod = -1;  // a domain's own modifier
    bool domain = false;
    Oid relid = 0;  // a composite type's relation
};

TColumn MapType(const std::string& name, const TypeInfo& t, int typmod, bool autoinc, const std::string& formatted) {
    const std::string& n = t.name;
    if (t.domain) typmod = t.domainTypmod;
    std::string decl;
    if (n == "int2") decl = "SMALLINT";
    else if (n == "int4") decl = autoinc ? "AUTOINC" : "INTEGER";
    else if (n == "int8" || n == "oid" || n == "xid") decl = "BIGINT";
    else if (n == "float4" || n == "float8") decl = "FLOAT";
    else if (n == "numeric")
        decl = typmod >= 4 ? "NUMERIC(" + std::to_string(((typmod - 4) >> 16) & 0xffff) + "," +
                                 std::to_string((typmod - 4) & 0xffff) + ")"
                           : "NUMERIC";
    else if (n == "money") decl = "MONEY";
    else if (n == "bool") decl = "BOOLEAN";
    else if (n == "varchar") decl = typmod >= 4 ? "VARCHAR(" + std::to_string(typmod - 4) + ")" : "MEMO";
    else if (n == "bpchar") decl = "CHAR(" + std::to_string(typmod >= 4 ? typmod - 4 : 1) + ")";
    else if (n == "char") decl = "CHAR(1)";
    else if (n == "name" || t.typtype == 'e') decl = "VARCHAR(63)";
    else if (n == "text" || n == "json" || n == "jsonb" || n == "xml") decl = "MEMO";
    else if (n == "bytea") decl = "BLOB";
    else if (n == "date") decl = "DATE";
    else if (n == "time" || n == "timetz") decl = "TIME";
    else if (n == "timestamp" || n == "timestamptz") decl = "TIMESTAMP";
    TColumn c;
    if (!decl.empty()) {
        c = ColumnFromDeclaredType(name, decl);
    } else {
        c.name = name;
        if (n == "uuid") {
            c.type = ftGuid;
            c.size = 38;
            c.logical = fldZSTRING;
            c.units1 = 38;
            c.length = 39;
        } else if (t.category == 'A') {
            c.type = ftArray;
        } else if (t.typtype == 'c') {
            c.type = ftADT;
        } else if (n == "refcursor") {
            c.type = ftCursor;
        }
    }
    c.declared = formatted.empty() ? n : formatted;
    return c;
}

// Field types alike enough that a stored parameter of one fits an argument of the other.
int TypeFamily(TFieldType t) {
    switch (t) {
        case ftSmallint: case ftInteger: case ftWord: case ftLargeint: case ftAutoInc: return 1;
        case ftFloat: case ftCurrency: case ftBCD: return 2;
        case ftString: case ftFixedChar: case ftWideString: case ftMemo: return 3;
        case ftDate: case ftTime: case ftDateTime: return 4;
        default: return 10 + int(t);
    }
}

// SQL with :name parameters as the server's $n, and Local SQL file names ("orders.db") as
// the tables they stand for.
struct Translated {
    std::string sql;
    std::vector<std::string> names;  // of $1, $2, ...
};

// A connection to one server: every request goes through here and ends in an answer, an
// error that keeps the server's message, or a timeout.
class Session {
public:
    Session(PGconn* pg, std::string where, int waitSeconds) : pg_(pg), where_(std::move(where)), wait_(waitSeconds) {}
    ~Session() {
        if (pg_ != nullptr) PQfinish(pg_);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    const std::string& Where() const { return where_; }

    // Catalogue questions of ours in one message; the results of those that return rows.
    std::vector<Result> Exec(const std::string& sql) {
        Ready();
        if (!PQsendQuery(pg_, sql.c_str())) Lost();
        return Collect();
    }
    // A catalogue question of ours with the form's names as text parameters, never as SQL.
    Result ExecParams(const std::string& sql, const std::vector<std::optional<std::string>>& values) {
        std::vector<const char*> p;
        for (const auto& v : values) p.push_back(v ? v->c_str() : nullptr);
        Ready();
        if (!PQsendQueryParams(pg_, sql.c_str(), int(p.size()), nullptr, p.data(), nullptr, nullptr, 0)) Lost();
        return Last(Collect(true));
    }
    Result Prepare(const std::string& sql) {
        Ready();
        if (!PQsendPrepare(pg_, "", sql.c_str(), 0, nullptr)) Lost();
        Collect();
        Ready();
        if (!PQsendDescribePrepared(pg_, "")) Lost();
        return Last(Collect(true));
    }

private:
    void Ready() {
        if (pg_ == nullptr || PQstatus(pg_) != CONNECTION_OK) Lost();
        ++roundTrips;
    }
    [[noreturn]] void Lost() {
        std::string why = lost_;
        if (pg_ != nullptr) {
            why = Chomp(PQerrorMessage(pg_));
            if (PQstatus(pg_) != CONNECTION_OK) {
                PQfinish(pg_);
                pg_ = nullptr;
                lost_ = why;
            }
        }
        if (why.empty()) why = "the connection was closed";
        DbError("Lost the connection to " + where_ + ": " + why);
    }
    // Waits for the answer, up to the session's limit.
    void Wait() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(wait_);
        while (PQisBusy(pg_)) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            pollfd fd{PQsocket(pg_), POLLIN, 0};
            const int ready = left.count() > 0 ? ::poll(&fd, 1, int(left.count())) : 0;
            if (ready == 0) {
                // No answer: the session cannot be trusted any more.
                PQfinish(pg_);
                pg_ = nullptr;
                lost_ = "no answer within " + std::to_string(wait_) + " seconds";
                Lost();
            }
            if (ready < 0 && errno != EINTR) Lost();
            if (ready > 0 && !PQconsumeInput(pg_)) Lost();
        }
    }
    // The answers that have rows, or every answer with keepCommands.
    std::vector<Result> Collect(bool keepCommands = false) {
        std::vector<Result> results;
        std::string error;
        for (;;) {
            Wait();
            PGresult* r = PQgetResult(pg_);
            if (r == nullptr) break;
            Result held(r);
            const ExecStatusType status = PQresultStatus(r);
            if (status == PGRES_FATAL_ERROR || status == PGRES_BAD_RESPONSE || status == PGRES_NONFATAL_ERROR) {
                if (error.empty()) {
                    const char* primary = PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY);
                    error = primary != nullptr ? primary : Chomp(PQresultErrorMessage(r));
                }
            } else if (status == PGRES_TUPLES_OK || status == PGRES_COMMAND_OK) {
                if (status == PGRES_TUPLES_OK || keepCommands) results.push_back(std::move(held));
            }
        }
        if (PQstatus(pg_) != CONNECTION_OK) Lost();
        if (!error.empty()) {
            if (PQtransactionStatus(pg_) != PQTRANS_IDLE) {
                ++roundTrips;
                PQclear(PQexec(pg_, "ROLLBACK"));
            }
            DbError(error);
        }
        return results;
    }
    static Result Last(std::vector<Result> results) {
        if (results.empty()) DbError("The server gave no answer");
        return std::move(results.back());
    }

    PGconn* pg_;
    std::string where_;
    int wait_;
    std::string lost_;
};

std::string Text(const PGresult* r, int row, int col) {
    return PQgetisnull(r, row, col) ? std::string() : std::string(PQgetvalue(r, row, col), size_t(PQgetlength(r, row, col)));
}
int64_t Int(const PGresult* r, int row, int col) { return std::strtoll(PQgetvalue(r, row, col), nullptr, 10); }
bool Bool(const PGresult* r, int row, int col) { return PQgetvalue(r, row, col)[0] == 't'; }

struct Relation {
    Oid oid = 0;
    std::string schema, name;
    char kind = 'r';
    bool visible = false, system = false;
    bool described = false;
    std::vector<TColumn> columns;
    std::vector<TIndexInfo> indexes;
    std::string Qualified() const { return QuoteIdent(schema) + "." + QuoteIdent(name); }
    // The name a list shows: bare on the search path, else with its schema.
    std::string Shown() const {
        auto part = [](const std::string& s) { return s.find_first_of(".\"") != std::string::npos ? QuoteIdent(s) : s; };
        return visible ? part(name) : part(schema) + "." + part(name);
    }
};

struct ProcArg {
    std::string name;
    Oid type = 0;
    char mode = 'i';
};
struct ProcCandidate {
    Oid oid = 0;
    std::string schema, name;
    char kind = 'f';
    bool retset = false;
    Oid rettype = 0;
    std::vector<ProcArg> args;
};

class PostgresDatabase : public TDatabaseHandle {
public:
    explicit PostgresDatabase(std::shared_ptr<Session> s) : s_(std::move(s)) {}
    std::string DriverName() const override { return "POSTGRESQL"; }

    std::vector<TTableInfo> Tables(bool system) override {
        std::vector<TTableInfo> list;
        for (const Relation& r : Relations())
            if (system || !r.system)
                list.push_back({r.Shown(), r.kind == 'v' || r.kind == 'm' ? "VIEW" : "TABLE", r.system});
        return list;
    }

    std::vector<std::string> StoredProcs(bool system) override {
        std::string sql =
            "select distinct n.nspname, p.proname, pg_function_is_visible(p.oid) from pg_proc p "
            "join pg_namespace n on n.oid = p.pronamespace where p.prokind in ('f', 'p')";
        if (!system) sql += " and n.nspname not in ('pg_catalog', 'information_schema') and n.nspname not like 'pg\\_%'";
        sql += " order by 3 desc, 1, 2";
        std::vector<std::string> names;
        std::vector<Result> results = s_->Exec(sql);
        const PGresult* r = results.at(0).get();
        for (int i = 0; i < PQntuples(r); ++i) {
            Relation shown;
            shown.schema = Text(r, i, 0);
            shown.name = Text(r, i, 1);
            shown.visible = Bool(r, i, 2);
            names.push_back(shown.Shown());
        }
        return names;
    }

    std::vector<TColumn> Fields(std::string_view table) override { return Described(table).columns; }
    std::vector<TIndexInfo> Indexes(std::string_view table) override { return Described(table).indexes; }

    TPrepared PrepareQuery(const std::string& sql) override {
        const Translated t = Translate(sql);
        Result r = s_->Prepare(t.sql);
        TPrepared p;
        std::vector<Oid> oids;
        for (int i = 0; i < PQnparams(r.get()); ++i) oids.push_back(PQparamtype(r.get(), i));
        for (int i = 0; i < PQnfields(r.get()); ++i) oids.push_back(PQftype(r.get(), i));
        LoadTypes(oids);
        for (size_t i = 0; i < t.names.size(); ++i)
            p.params.push_back({t.names[i], int(i) < PQnparams(r.get()) ? ParamType(PQparamtype(r.get(), int(i))) : ftUnknown,
                                pdInput});
        p.columns = ResultColumns(r.get());
        return p;
    }

    TPrepared PrepareProc(std::string_view name, const std::vector<TParamDesc>& stored) override {
        const ProcCandidate proc = ChooseProc(std::string(name), stored);
        TPrepared p;
        std::vector<TColumn> fields;
        auto add = [&](const std::string& n, Oid type, TParamDirection d) { p.params.push_back({n, ParamType(type), d}); };
        const TypeInfo& ret = types_.at(proc.rettype);
        bool outs = false;
        for (const ProcArg& a : proc.args) outs = outs || a.mode == 'o' || a.mode == 'b' || a.mode == 't';
        const bool rows = proc.kind == 'f' && (proc.retset || (ret.typtype == 'c' && !outs));
        if (proc.kind == 'f' && !rows && !outs && proc.rettype != kVoidOid && ret.typtype != 'p')
            add("Result", proc.rettype, pdResult);
        for (const ProcArg& a : proc.args) {
            const bool in = a.mode == 'i' || a.mode == 'v' || a.mode == 'b';
            if (rows && (a.mode == 'o' || a.mode == 't' || a.mode == 'b')) fields.push_back(MapOid(a.name, a.type, -1));
            if (in) add(a.name, a.type, a.mode == 'b' && !rows ? pdInputOutput : pdInput);
            else if (!rows && a.mode == 'o') add(a.name, a.type, pdOutput);
        }
        if (rows && fields.empty()) {
            if (ret.typtype == 'c' && ret.relid != 0) {
                Relation row;
                row.oid = ret.relid;
                DescribeBatch({&row});
                fields = row.columns;
            } else if (ret.typtype != 'p') {
                fields.push_back(MapOid(proc.name, proc.rettype, -1));
            }
        }
        p.columns = std::move(fields);
        return p;
    }

private:
    // Every table and view of the database, read once.
    std::vector<Relation>& Relations() {
        if (loaded_) return relations_;
        std::vector<Result> results = s_->Exec(
            "select c.oid, n.nspname, c.relname, c.relkind, pg_table_is_visible(c.oid), "
            "n.nspname in ('pg_catalog', 'information_schema') from pg_class c "
            "join pg_namespace n on n.oid = c.relnamespace "
            "where c.relkind in ('r', 'v', 'm', 'p', 'f') and n.nspname not like 'pg\\_toast%' "
            "order by 6, 5 desc, n.nspname, c.relname");
        const PGresult* r = results.at(0).get();
        for (int i = 0; i < PQntuples(r); ++i) {
            Relation rel;
            rel.oid = Oid(Int(r, i, 0));
            rel.schema = Text(r, i, 1);
            rel.name = Text(r, i, 2);
            rel.kind = Text(r, i, 3)[0];
            rel.visible = Bool(r, i, 4);
            rel.system = Bool(r, i, 5);
            relations_.push_back(std::move(rel));
        }
        loaded_ = true;
        return relations_;
    }

    // The relation a table name stands for: schema-qualified or on the search path, then the
    // base name of a file name (customer.db), case ignored where nothing matches exactly.
    Relation& Find(std::string_view table) {
        std::vector<Relation>& all = Relations();
        for (const std::vector<NamePart>& parts : {SplitName(table), std::vector<NamePart>{{BaseTableName(table), false}}}) {
            if (parts.empty() || parts.size() > 2 || parts.back().text.empty()) continue;
            Relation* best = nullptr;
            int bestScore = 0, ties = 0;
            for (Relation& r : all) {
                int score = NameMatch(r.name, parts.back());
                if (parts.size() == 2) score = std::min(score, NameMatch(r.schema, parts.front()));
                else if (!r.visible) score = 0;
                if (score > bestScore) {
                    best = &r;
                    bestScore = score;
                    ties = 0;
                } else if (score == bestScore && score > 0) {
                    ++ties;
                }
            }
            if (best != nullptr && (bestScore > 1 || ties == 0)) return *best;
            if (best != nullptr) DbError("Table name '" + std::string(table) + "' is ambiguous in " + s_->Where());
        }
        DbError("Table '" + std::string(table) + "' does not exist in " + s_->Where());
    }

    // The table with its columns and indexes; describing one describes the next ones too.
    const Relation& Described(std::string_view table) {
        Relation& wanted = Find(table);
        if (wanted.described) return wanted;
        std::vector<Relation*> batch{&wanted};
        for (Relation& r : relations_)
            if (batch.size() < kDescribeBatch && !r.described && &r != &wanted && r.system == wanted.system)
                batch.push_back(&r);
        DescribeBatch(batch);
        return wanted;
    }

    void DescribeBatch(const std::vector<Relation*>& batch) {
        std::vector<Oid> oids;
        std::map<Oid, Relation*> byOid;
        for (Relation* r : batch) {
            oids.push_back(r->oid);
            byOid[r->oid] = r;
            r->columns.clear();
            r->indexes.clear();
        }
        const std::string list = OidList(oids);
        std::vector<Result> results = s_->Exec(
            "select a.attrelid, a.attname, coalesce(bt.typname, t.typname), t.typtype = 'd', t.typtypmod, "
            "a.atttypmod, a.attnotnull, coalesce(bt.typtype, t.typtype), coalesce(bt.typcategory, t.typcategory), "
            "format_type(a.atttypid, a.atttypmod), "
            "a.attidentity <> '' or coalesce(pg_get_expr(d.adbin, d.adrelid) like 'nextval(%', false) "
            "from pg_attribute a join pg_type t on t.oid = a.atttypid "
            "left join pg_type bt on t.typtype = 'd' and bt.oid = t.typbasetype "
            "left join pg_attrdef d on d.adrelid = a.attrelid and d.adnum = a.attnum "
            "where a.attrelid in (" + list + ") and a.attnum > 0 and not a.attisdropped "
            "order by a.attrelid, a.attnum; "
            "select i.indrelid, c.relname, i.indisprimary, i.indisunique, "
            "case when k.attnum > 0 then a.attname else pg_get_indexdef(i.indexrelid, k.ord::int, true) end, "
            "(i.indoption[k.ord - 1] & 1) = 1, i.indexrelid "
            "from pg_index i join pg_class c on c.oid = i.indexrelid "
            "cross join lateral unnest(i.indkey::int2[]) with ordinality k(attnum, ord) "
            "left join pg_attribute a on a.attrelid = i.indrelid and a.attnum = k.attnum "
            "where i.indrelid in (" + list + ") and k.ord <= i.indnkeyatts "
            "order by i.indrelid, i.indisprimary desc, i.indexrelid, k.ord");
        const PGresult* cols = results.at(0).get();
        for (int i = 0; i < PQntuples(cols); ++i) {
            TypeInfo t;
            t.name = Text(cols, i, 2);
            t.domain = Bool(cols, i, 3);
            t.domainTypmod = int(Int(cols, i, 4));
            t.typtype = Text(cols, i, 7)[0];
            t.category = Text(cols, i, 8)[0];
            TColumn c = MapType(Text(cols, i, 1), t, int(Int(cols, i, 5)), Bool(cols, i, 10), Text(cols, i, 9));
            c.required = Bool(cols, i, 6);
            byOid[Oid(Int(cols, i, 0))]->columns.push_back(std::move(c));
        }
        const PGresult* idx = results.at(1).get();
        std::string lastIndex;
        for (int i = 0; i < PQntuples(idx); ++i) {
            Relation* r = byOid[Oid(Int(idx, i, 0))];
            if (Text(idx, i, 6) != lastIndex) {
                lastIndex = Text(idx, i, 6);
                TIndexInfo index;
                index.primary = Bool(idx, i, 2);
                index.unique = Bool(idx, i, 3);
                if (!index.primary) index.name = Text(idx, i, 1);  // the primary index is the one without a name
                r->indexes.push_back(std::move(index));
            }
            r->indexes.back().fields.push_back(Text(idx, i, 4));
            r->indexes.back().descending = r->indexes.back().descending || Bool(idx, i, 5);
        }
        for (Relation* r : batch) r->described = true;
    }

    // Type names of the server's type numbers, asked once for every number not known yet.
    void LoadTypes(const std::vector<Oid>& oids) {
        std::vector<Oid> missing;
        for (Oid o : oids)
            if (!types_.count(o) && std::find(missing.begin(), missing.end(), o) == missing.end()) missing.push_back(o);
        if (missing.empty()) return;
        std::vector<Result> results = s_->Exec(
            "select t.oid, coalesce(bt.typname, t.typname), coalesce(bt.typtype, t.typtype), "
            "coalesce(bt.typcategory, t.typcategory), t.typtype = 'd', t.typtypmod, t.typrelid "
            "from pg_type t left join pg_type bt on t.typtype = 'd' and bt.oid = t.typbasetype "
            "where t.oid in (" + OidList(missing) + ")");
        const PGresult* r = results.at(0).get();
        for (int i = 0; i < PQntuples(r); ++i) {
            TypeInfo t;
            t.name = Text(r, i, 1);
            t.typtype = Text(r, i, 2)[0];
            t.category = Text(r, i, 3)[0];
            t.domain = Bool(r, i, 4);
            t.domainTypmod = int(Int(r, i, 5));
            t.relid = Oid(Int(r, i, 6));
            types_[Oid(Int(r, i, 0))] = std::move(t);
        }
        for (Oid o : missing) types_.try_emplace(o);
    }

    TColumn MapOid(const std::string& name, Oid type, int typmod) {
        LoadTypes({type});
        return MapType(name, types_.at(type), typmod, false, "");
    }
    // A parameter carries a value, not a blob: text of any length is a string.
    TFieldType ParamType(Oid type) {
        const TColumn c = MapOid("", type, -1);
        return c.type == ftMemo && types_.at(type).name != "json" && types_.at(type).name != "xml" ? ftString : c.type;
    }

    std::vector<TColumn> ResultColumns(const PGresult* r) {
        std::vector<TColumn> columns;
        for (int i = 0; i < PQnfields(r); ++i) columns.push_back(MapOid(PQfname(r, i), PQftype(r, i), PQfmod(r, i)));
        return columns;
    }

    Translated Translate(const std::string& sql) {
        Translated t;
        std::string& out = t.sql;
        size_t i = 0;
        auto copyUntil = [&](size_t stop) {
            out.append(sql, i, stop - i);
            i = stop;
        };
        while (i < sql.size()) {
            const char ch = sql[i];
            const char next = i + 1 < sql.size() ? sql[i + 1] : '\0';
            if (ch == '\'') {
                size_t end = i + 1;
                while (end < sql.size() && (sql[end] != '\'' || (end + 1 < sql.size() && sql[end + 1] == '\'' && ++end)))
                    ++end;
                copyUntil(std::min(end + 1, sql.size()));
            } else if (ch == '-' && next == '-') {
                copyUntil(std::min(sql.find('\n', i), sql.size()));
            } else if (ch == '/' && next == '*') {
                const size_t end = sql.find("*/", i + 2);
                copyUntil(end == std::string::npos ? sql.size() : end + 2);
            } else if (ch == '$' && (next == '$' || std::isalpha(static_cast<unsigned char>(next)))) {
                const size_t close = sql.find('$', i + 1);
                const std::string tag = close == std::string::npos ? "" : sql.substr(i, close - i + 1);
                const bool isTag = !tag.empty() && std::all_of(tag.begin() + 1, tag.end() - 1, [](char c) {
                    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
                });
                if (!isTag) {
                    copyUntil(i + 1);
                    continue;
                }
                const size_t end = sql.find(tag, close + 1);
                copyUntil(end == std::string::npos ? sql.size() : end + tag.size());
            } else if (ch == '"') {
                const size_t end = sql.find('"', i + 1);
                if (end == std::string::npos) {
                    copyUntil(sql.size());
                    break;
                }
                const std::string ident = sql.substr(i + 1, end - i - 1);
                if (ident.find_first_of("./\\:") != std::string::npos) {
                    try {
                        out += Find(ident).Qualified();
                        i = end + 1;
                        continue;
                    } catch (const vcl::EDBEngineError&) {
                    }
                }
                copyUntil(end + 1);
            } else if (ch == ':' && next == ':') {
                copyUntil(i + 2);
            } else if (ch == ':' && (std::isalpha(static_cast<unsigned char>(next)) || next == '_')) {
                size_t j = i + 1;
                while (j < sql.size() && (std::isalnum(static_cast<unsigned char>(sql[j])) || sql[j] == '_')) ++j;
                const std::string name = sql.substr(i + 1, j - i - 1);
                size_t at = 0;
                while (at < t.names.size() && !vcl::SameText(t.names[at], name)) ++at;
                if (at == t.names.size()) t.names.push_back(name);
                out += "$" + std::to_string(at + 1);
                i = j;
            } else {
                out += ch;
                ++i;
            }
        }
        return t;
    }

    // The function or procedure a name stands for; overloads are told apart by the
    // parameters the form stored.
    ProcCandidate ChooseProc(const std::string& name, const std::vector<TParamDesc>& stored) {
        const std::string head =
            "select p.oid, n.nspname, p.proname, p.prokind, p.proretset, p.prorettype, p.proargtypes::oid[], "
            "p.proallargtypes, p.proargmodes, p.proargnames, pg_function_is_visible(p.oid) "
            "from pg_proc p join pg_namespace n on n.oid = p.pronamespace where p.prokind in ('f', 'p') and ";
        std::vector<NamePart> parts;
        Result r;
        if (name.find('(') != std::string::npos) {  // a signature: the server resolves it
            r = s_->ExecParams(head + "p.oid = to_regprocedure($1)", {name});
        } else {
            parts = SplitName(name);
            if (parts.empty() || parts.size() > 2 || parts.back().text.empty())
                DbError("'" + name + "' is no stored procedure name");
            std::string where = "lower(p.proname) = lower($1)";
            std::vector<std::optional<std::string>> values{parts.back().text};
            if (parts.size() == 2) {
                where += " and lower(n.nspname) = lower($2)";
                values.emplace_back(parts.front().text);
            }
            r = s_->ExecParams(head + where + " order by p.oid", values);
        }
        std::vector<ProcCandidate> candidates;
        int bestScore = 0;
        for (int i = 0; i < PQntuples(r.get()); ++i) {
            int score = 3;
            if (!parts.empty()) {
                score = NameMatch(Text(r.get(), i, 2), parts.back());
                if (parts.size() == 2) score = std::min(score, NameMatch(Text(r.get(), i, 1), parts.front()));
                else if (!Bool(r.get(), i, 10)) score = 0;
            }
            if (score == 0 || score < bestScore) continue;
            if (score > bestScore) candidates.clear();
            bestScore = score;
            ProcCandidate c;
            c.oid = Oid(Int(r.get(), i, 0));
            c.schema = Text(r.get(), i, 1);
            c.name = Text(r.get(), i, 2);
            c.kind = Text(r.get(), i, 3)[0];
            c.retset = Bool(r.get(), i, 4);
            c.rettype = Oid(Int(r.get(), i, 5));
            std::vector<std::string> types = ArrayItems(Text(r.get(), i, PQgetisnull(r.get(), i, 7) ? 6 : 7));
            const std::vector<std::string> modes = ArrayItems(Text(r.get(), i, 8));
            const std::vector<std::string> names = ArrayItems(Text(r.get(), i, 9));
            for (size_t k = 0; k < types.size(); ++k) {
                ProcArg a;
                a.type = Oid(std::strtoul(types[k].c_str(), nullptr, 10));
                a.mode = k < modes.size() && !modes[k].empty() ? modes[k][0] : 'i';
                a.name = k < names.size() && !names[k].empty() ? names[k] : "$" + std::to_string(k + 1);
                c.args.push_back(std::move(a));
            }
            candidates.push_back(std::move(c));
        }
        if (candidates.empty()) DbError("Stored procedure '" + name + "' does not exist in " + s_->Where());
        std::vector<Oid> oids;
        for (const ProcCandidate& c : candidates) {
            oids.push_back(c.rettype);
            for (const ProcArg& a : c.args) oids.push_back(a.type);
        }
        LoadTypes(oids);
        if (candidates.size() == 1) return candidates.front();
        // Overloads: the one whose arguments the stored parameters fit best.
        std::vector<const TParamDesc*> inputs;
        for (const TParamDesc& p : stored)
            if (p.direction == pdInput || p.direction == pdInputOutput || p.direction == pdUnknown) inputs.push_back(&p);
        const ProcCandidate* best = nullptr;
        int top = -1, ties = 0;
        for (const ProcCandidate& c : candidates) {
            std::vector<const ProcArg*> args;
            for (const ProcArg& a : c.args)
                if (a.mode == 'i' || a.mode == 'b' || a.mode == 'v') args.push_back(&a);
            if (args.size() != inputs.size()) continue;
            int score = 0;
            for (size_t k = 0; k < args.size() && score >= 0; ++k) {
                const TFieldType type = ParamType(args[k]->type);
                if (inputs[k]->type != ftUnknown) {
                    if (inputs[k]->type == type) score += 4;
                    else if (TypeFamily(inputs[k]->type) == TypeFamily(type)) score += 2;
                    else score = -1;
                }
                if (score >= 0 && vcl::SameText(inputs[k]->name, args[k]->name)) score += 1;
            }
            if (score > top) {
                best = &c;
                top = score;
                ties = 0;
            } else if (score == top && score >= 0) {
                ++ties;
            }
        }
        if (best == nullptr || top < 0 || ties > 0)
            DbError("Stored procedure '" + name + "' has " + std::to_string(candidates.size()) +
                    " overloads and the stored parameters do not choose one");
        return *best;
    }

    std::shared_ptr<Session> s_;
    std::vector<Relation> relations_;
    bool loaded_ = false;
    std::map<Oid, TypeInfo> types_;
};

// The connection options libpq reads from text, without a password.
std::vector<std::pair<std::string, std::string>> ParsedOptions(const std::string& text, std::string& error) {
    std::vector<std::pair<std::string, std::string>> options;
    char* message = nullptr;
    PQconninfoOption* parsed = PQconninfoParse(text.c_str(), &message);
    if (parsed == nullptr) {
        error = message != nullptr ? Chomp(message) : "cannot be read";
        PQfreemem(message);
        return options;
    }
    for (PQconninfoOption* o = parsed; o->keyword != nullptr; ++o)
        if (o->val != nullptr) options.emplace_back(o->keyword, o->val);
    PQconninfoFree(parsed);
    return options;
}

void NoNotices(void*, const char*) {}

class PostgresDriver : public TDriver {
public:
    std::string Name() const override { return "POSTGRESQL"; }
    std::string Description() const override { return "PostgreSQL server"; }
    bool NeedsPath() const override { return false; }

    std::unique_ptr<TDatabaseHandle> Connect(const TParamList& params) override {
        auto param = [&](std::initializer_list<const char*> keys) {
            for (const char* key : keys)
                for (const auto& [k, v] : params)
                    if (vcl::SameText(k, key) && !v.empty()) return v;
            return std::string();
        };
        std::vector<std::pair<std::string, std::string>> options;
        const std::string path = param({"PATH"});
        if (!path.empty()) {
            std::string error;
            options = ParsedOptions(path.find('=') != std::string::npos || IsPostgresUri(path) ? path : "dbname=" + path,
                                    error);
            if (!error.empty()) DbError("Cannot read the connection string of " + param({"ALIAS"}) + ": " + error);
        }
        auto set = [&](const std::string& key, const std::string& value) {
            if (value.empty()) return;
            for (auto& [k, v] : options)
                if (k == key) {
                    v = value;
                    return;
                }
            options.emplace_back(key, value);
        };
        set("host", param({"SERVER NAME", "HOST"}));
        set("port", param({"PORT"}));
        set("dbname", param({"DATABASE NAME", "DATABASE"}));
        set("user", param({"USER NAME", "USER"}));
        options.erase(std::remove_if(options.begin(), options.end(), [](const auto& o) { return o.first == "password"; }),
                      options.end());
        // An alias may tune the limits, never lift them: 0 means "wait for ever" to libpq.
        const int connectSeconds = Seconds(param({"CONNECT TIMEOUT"}), 10, 60);
        const int statementSeconds = Seconds(param({"STATEMENT TIMEOUT"}), 30, 300);
        set("connect_timeout", std::to_string(connectSeconds));
        set("application_name", "tavrinqa");
        set("client_encoding", "UTF8");
        std::string session = "-c default_transaction_read_only=on -c statement_timeout=" +
                              std::to_string(statementSeconds * 1000) + " -c DateStyle=ISO -c lc_monetary=C";
        for (auto& [k, v] : options)
            if (k == "options") session = v + " " + session;
        set("options", session);
        std::vector<const char*> keys, values;
        for (const auto& [k, v] : options) {
            keys.push_back(k.c_str());
            values.push_back(v.c_str());
        }
        keys.push_back(nullptr);
        values.push_back(nullptr);
        ++roundTrips;
        PGconn* pg = PQconnectdbParams(keys.data(), values.data(), 0);
        if (pg == nullptr) DbError("Out of memory connecting to a PostgreSQL server");
        const std::string where = Describe(pg, param({"ALIAS"}));
        if (PQstatus(pg) != CONNECTION_OK) {
            const std::string why = Chomp(PQerrorMessage(pg));
            PQfinish(pg);
            DbError("Cannot connect to " + where + ": " + why);
        }
        PQsetNoticeProcessor(pg, NoNotices, nullptr);
        auto s = std::make_shared<Session>(pg, where, statementSeconds + 15);
        return std::make_unique<PostgresDatabase>(std::move(s));
    }

private:
    // Whole seconds from 1 to most; anything else is the default.
    static int Seconds(const std::string& text, int fallback, int most) {
        char* end = nullptr;
        const long v = std::strtol(text.c_str(), &end, 10);
        if (text.empty() || *end != '\0' || v < 1) return fallback;
        return int(std::min<long>(v, most));
    }
    static std::string Describe(PGconn* pg, const std::string& alias) {
        auto text = [](const char* v) { return v != nullptr ? std::string(v) : std::string(); };
        std::string host = text(PQhost(pg));
        std::string server = std::string("the PostgreSQL server ") + (host.empty() || host.front() == '/' ? "on socket " : "") +
                             (host.empty() ? std::string("(default)") : host) + " port " + text(PQport(pg)) +
                             ", database " + text(PQdb(pg));
        return alias.empty() ? server : server + " (alias " + alias + ")";
    }
};

}  // namespace

std::unique_ptr<TDriver> MakePostgresDriver() { return std::make_unique<PostgresDriver>(); }

bool IsPostgresUri(const std::string& text) {
    return text.rfind("postgresql://", 0) == 0 || text.rfind("postgres://", 0) == 0;
}

std::string CheckedPostgresUri(const std::string& uri) {
    if (!IsPostgresUri(uri)) DbError("'" + uri + "' is no postgresql:// URI");
    std::string error;
    const auto options = ParsedOptions(uri, error);
    if (!error.empty()) DbError("The URI '" + uri + "' cannot be read: " + error);
    for (const auto& [k, v] : options)
        if (k == "password") DbError("The URI holds a password: keep it in ~/.pgpass or PGPASSWORD instead");
    if (uri.find(';') != std::string::npos) DbError("An alias URI cannot hold ';'");
    return uri;
}

uint64_t PostgresRoundTrips() { return roundTrips.load(); }

}  // namespace dbe
