// SQLite and shapelib's dBASE part serve the few runs that open a database: the program loads
// them when one is first opened, so that every other run starts without mapping and relocating
// them. Each entry point the drivers call finds its function in the library on first use.
#include <dlfcn.h>
#include <sqlite3.h>
#include <shapefil.h>

#include <cstdarg>
#include <string>

#include "host/base/Installation.h"
#include "host/vcl/SysUtils.h"

namespace {

class Library {
public:
    explicit Library(const char* soname) : soname_(soname) {}

    void* Symbol(const char* name) {
        if (handle_ == nullptr) handle_ = ::dlopen(soname_, RTLD_NOW | RTLD_LOCAL);
        if (handle_ == nullptr) {
            const char* why = ::dlerror();
            throw vcl::EInOutError(std::string("the database library cannot be loaded: ") + (why ? why : soname_));
        }
        return zorbase::ModuleEntry(handle_, name, soname_);
    }

private:
    const char* soname_;
    void* handle_ = nullptr;
};

Library sqlite("libsqlite3.so.0");
Library shapelib("libshp.so.2");

}  // namespace

// Defines NAME with the declared type, calling the library's function, looked up once.
#define TAVRIN_FORWARD(lib, type, name, params, args)                                \
    type name params {                                                               \
        static const auto f = reinterpret_cast<decltype(&name)>(lib.Symbol(#name));  \
        return f args;                                                               \
    }

extern "C" {

TAVRIN_FORWARD(sqlite, int, sqlite3_open_v2, (const char* file, sqlite3** db, int flags, const char* vfs),
               (file, db, flags, vfs))
TAVRIN_FORWARD(sqlite, int, sqlite3_close_v2, (sqlite3* db), (db))
// Forwards the settings that are switched on or off (an int and where to put the result), the
// only kind the drivers use; the others take arguments of other types and are refused.
int sqlite3_db_config(sqlite3* db, int op, ...) {
    static const auto f = reinterpret_cast<decltype(&sqlite3_db_config)>(sqlite.Symbol("sqlite3_db_config"));
    if (op == SQLITE_DBCONFIG_MAINDBNAME || op == SQLITE_DBCONFIG_LOOKASIDE) return SQLITE_MISUSE;
    va_list args;
    va_start(args, op);
    const int on = va_arg(args, int);
    int* result = va_arg(args, int*);
    va_end(args);
    return f(db, op, on, result);
}
TAVRIN_FORWARD(sqlite, int, sqlite3_busy_timeout, (sqlite3* db, int ms), (db, ms))
using Authorizer = int (*)(void*, int, const char*, const char*, const char*, const char*);
TAVRIN_FORWARD(sqlite, int, sqlite3_set_authorizer, (sqlite3* db, Authorizer authorize, void* arg),
               (db, authorize, arg))
TAVRIN_FORWARD(sqlite, void, sqlite3_progress_handler, (sqlite3* db, int steps, int (*handler)(void*), void* arg),
               (db, steps, handler, arg))
TAVRIN_FORWARD(sqlite, int, sqlite3_errcode, (sqlite3* db), (db))
TAVRIN_FORWARD(sqlite, const char*, sqlite3_errmsg, (sqlite3* db), (db))
TAVRIN_FORWARD(sqlite, int, sqlite3_limit, (sqlite3* db, int id, int value), (db, id, value))
TAVRIN_FORWARD(sqlite, int, sqlite3_prepare_v2,
               (sqlite3* db, const char* sql, int bytes, sqlite3_stmt** stmt, const char** tail),
               (db, sql, bytes, stmt, tail))
TAVRIN_FORWARD(sqlite, int, sqlite3_stmt_readonly, (sqlite3_stmt* stmt), (stmt))
TAVRIN_FORWARD(sqlite, int, sqlite3_bind_parameter_count, (sqlite3_stmt* stmt), (stmt))
TAVRIN_FORWARD(sqlite, const char*, sqlite3_bind_parameter_name, (sqlite3_stmt* stmt, int i), (stmt, i))
TAVRIN_FORWARD(sqlite, int, sqlite3_column_count, (sqlite3_stmt* stmt), (stmt))
TAVRIN_FORWARD(sqlite, const char*, sqlite3_column_name, (sqlite3_stmt* stmt, int i), (stmt, i))
TAVRIN_FORWARD(sqlite, const char*, sqlite3_column_decltype, (sqlite3_stmt* stmt, int i), (stmt, i))
TAVRIN_FORWARD(sqlite, int, sqlite3_step, (sqlite3_stmt* stmt), (stmt))
TAVRIN_FORWARD(sqlite, sqlite3_int64, sqlite3_column_int64, (sqlite3_stmt* stmt, int i), (stmt, i))
TAVRIN_FORWARD(sqlite, const unsigned char*, sqlite3_column_text, (sqlite3_stmt* stmt, int i), (stmt, i))
TAVRIN_FORWARD(sqlite, int, sqlite3_column_bytes, (sqlite3_stmt* stmt, int i), (stmt, i))
TAVRIN_FORWARD(sqlite, int, sqlite3_finalize, (sqlite3_stmt* stmt), (stmt))
TAVRIN_FORWARD(shapelib, void, SASetupDefaultHooks, (SAHooks* hooks), (hooks))
TAVRIN_FORWARD(shapelib, DBFHandle, DBFOpenLL, (const char* file, const char* access, SAHooks* hooks),
               (file, access, hooks))
TAVRIN_FORWARD(shapelib, void, DBFClose, (DBFHandle dbf), (dbf))
TAVRIN_FORWARD(shapelib, int, DBFGetFieldCount, (DBFHandle dbf), (dbf))
TAVRIN_FORWARD(shapelib, DBFFieldType, DBFGetFieldInfo,
               (DBFHandle dbf, int field, char* name, int* width, int* decimals), (dbf, field, name, width, decimals))
TAVRIN_FORWARD(shapelib, char, DBFGetNativeFieldType, (DBFHandle dbf, int field), (dbf, field))

}  // extern "C"
