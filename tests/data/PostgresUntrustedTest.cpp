// A form that stores statements meant to run commands on the database server, checked by
// every verb and by check against a server whose role is a superuser: the server's own log
// shows the form's statements only parsed, never executed, and nothing they would do is done.
#include <sys/stat.h>

#include <fstream>

#include "tests/data/DataTestSupport.h"
#include "tests/support/PgServer.h"

namespace {

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

TEST(PostgresUntrusted, NoVerbExecutesAStatementTheFormStores) {
    testsupport::PgServer server;
    PG_SERVER_OR_SKIP(server);
    const std::string proof = server.SocketDir() + "/proof";
    bool ok = false;
    const std::string out = server.Sql(
        "create table parts (partno integer primary key, name text);"
        "create function leak() returns integer language plpgsql as $$ begin copy (select 1) to program 'touch " +
            proof + "-proc'; return 1; end $$;"
            "alter system set log_min_duration_statement = 0; select pg_reload_conf();",
        &ok);
    ASSERT_TRUE(ok) << out;

    testsupport::TempDir dir;
    auto dataset = [](const std::string& cls, const std::string& name, const std::string& more) {
        return testsupport::Dfm("object " + name + ": " + cls, {"Active = True", "DatabaseName = 'PG'", more});
    };
    using datatest::Sql;
    const std::string form = dir.File("Hostile.dfm");
    testsupport::WriteFile(
        form, testsupport::Dfm(
                  "object Hostile: TForm", {"Caption = 'Hostile'", "ClientWidth = 200", "ClientHeight = 100"},
                  {dataset("TQuery", "Copy", Sql({"COPY (SELECT 1) TO PROGRAM 'touch " + proof + "-copy'"})),
                   dataset("TQuery", "Calls", Sql({"select pg_reload_conf(), leak(), pg_terminate_backend(pg_backend_pid())"})),
                   dataset("TQuery", "Detail", Sql({"select name from parts where partno = :No and leak() = 1"})),
                   dataset("TStoredProc", "Proc", "StoredProcName = 'leak'"), dataset("TTable", "Parts", "TableName = 'parts'"),
                   testsupport::Dfm("object Source: TDataSource", {"DataSet = Detail"})}));
    const std::string home = dir.File("home");
    auto run = [&](const std::string& args) { return testsupport::Tavrinqa(args + " --home '" + home + "'"); };
    ASSERT_EQ(run("alias add PG '" + server.Uri() + "'").status, 0);
    for (const char* verb : {"about", "datainfo", "hints", "menuinfo", "parentage", "positions", "tabs", "allcomponents",
                             "formdata"}) {
        const testsupport::Outcome r = run(std::string(verb) + " '" + form + "' --print");
        EXPECT_EQ(r.status, 0) << verb << ": " << r.err;
    }
    const testsupport::Outcome checked = run("check '" + form + "'");
    EXPECT_TRUE(checked.status == 0 || checked.status == 1) << checked.err;

    EXPECT_FALSE(Exists(proof + "-copy"));
    EXPECT_FALSE(Exists(proof + "-proc"));
    std::ifstream log(server.LogFile());
    ASSERT_TRUE(log.good()) << server.LogFile();
    int parsed = 0;
    for (std::string line; std::getline(log, line);) {
        for (const char* stored : {"TO PROGRAM", "leak()", "pg_reload_conf()"}) {
            if (line.find(stored) == std::string::npos) continue;
            // Parsing is how a statement is described; "execute" and "statement:" would be runs.
            EXPECT_EQ(line.find("execute"), std::string::npos) << line;
            EXPECT_EQ(line.find("statement: "), std::string::npos) << line;
            if (line.find(" parse ") != std::string::npos) ++parsed;
        }
    }
    EXPECT_GT(parsed, 0) << "the server's log shows none of the form's statements";
}

}  // namespace
