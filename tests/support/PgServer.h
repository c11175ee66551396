// A throwaway PostgreSQL server for tests: a cluster made by initdb in a temporary folder,
// listening on a Unix socket only, stopped and removed when the object goes. As root the
// server runs as the postgres system user, since the server refuses to run as root.
#pragma once

#include <string>

namespace testsupport {

class PgServer {
public:
    PgServer();
    ~PgServer();
    PgServer(const PgServer&) = delete;
    PgServer& operator=(const PgServer&) = delete;

    // False with Why() when the server binaries are missing or the server did not start.
    bool Running() const { return running_; }
    const std::string& Why() const { return why_; }
    // postgresql://USER@/postgres?host=SOCKETDIR&port=PORT
    std::string Uri(const std::string& database = "postgres") const;
    const std::string& SocketDir() const { return dir_; }
    // What the server logged.
    std::string LogFile() const { return dir_ + "/log"; }
    int Port() const { return port_; }
    // Runs SQL through psql (stops at the first error); returns its output, sets ok.
    std::string Sql(const std::string& sql, bool* ok = nullptr, const std::string& database = "postgres") const;
    // Stops the server at once, as a crash or an administrator would.
    void Stop();
    // The server binaries' folder, empty when none is installed.
    static std::string BinDir();

private:
    std::string Run(const std::string& command, bool* ok) const;
    std::string dir_, bin_, user_;
    int port_ = 0;
    bool running_ = false, asUser_ = false;
    std::string why_;
};

// Fails the test when CI demands the server (TAVRIN_REQUIRE_FORMS is set), else skips it.
#define PG_SERVER_OR_SKIP(server)                                                                 \
    if (!(server).Running()) {                                                                    \
        if (std::getenv("TAVRIN_REQUIRE_FORMS") != nullptr) FAIL() << (server).Why();            \
        GTEST_SKIP() << (server).Why();                                                           \
    }

}  // namespace testsupport
