// Builds the sample database from its SQL script: MakeSampleDatabase SCRIPT DATABASE.
// The database is written beside its place and renamed into it, so a failed run leaves none.
#include <sqlite3.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: MakeSampleDatabase SCRIPT DATABASE\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "MakeSampleDatabase: cannot read %s\n", argv[1]);
        return 1;
    }
    std::stringstream script;
    script << in.rdbuf();
    const std::string target = argv[2];
    const std::string temporary = target + ".tmp";
    std::remove(temporary.c_str());
    sqlite3* db = nullptr;
    int rc = sqlite3_open(temporary.c_str(), &db);
    char* error = nullptr;
    if (rc == SQLITE_OK) rc = sqlite3_exec(db, script.str().c_str(), nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        std::fprintf(stderr, "MakeSampleDatabase: %s\n", error != nullptr ? error : sqlite3_errmsg(db));
        sqlite3_free(error);
        sqlite3_close(db);
        std::remove(temporary.c_str());
        return 1;
    }
    sqlite3_close(db);
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        std::perror("MakeSampleDatabase");
        return 1;
    }
    return 0;
}
