#include "host/db/PostgresProxy.h"

#include "host/base/Installation.h"
#include "host/vcl/SysUtils.h"

// Programs that link the driver itself (the tests, the benchmarks) define this; the program
// a user starts loads it from the module.
extern "C" const dbe::TPostgresEntries* tavrinqa_postgres_entries() __attribute__((weak));

namespace dbe {
namespace postgres {

namespace {

constexpr const char* kModule = "tavrinqa-postgres.so";
constexpr const char* kEntries = "tavrinqa_postgres_entries";

const TPostgresEntries& Entries() {
    static const TPostgresEntries* entries = [] {
        if (tavrinqa_postgres_entries != nullptr) return tavrinqa_postgres_entries();
        try {
            const std::string what = "The PostgreSQL driver";
            void* module = zorbase::OpenModule(kModule, what);
            return reinterpret_cast<const TPostgresEntries* (*)()>(zorbase::ModuleEntry(module, kEntries, what))();
        } catch (const vcl::EInOutError& e) {
            DbError(e.Message());  // a database that cannot be opened, as any other
        }
    }();
    return *entries;
}

class ProxyDriver : public TDriver {
public:
    std::string Name() const override { return "POSTGRESQL"; }
    std::string Description() const override { return "PostgreSQL server"; }
    bool NeedsPath() const override { return false; }
    std::unique_ptr<TDatabaseHandle> Connect(const TParamList& params) override {
        if (!driver_) driver_ = Entries().makeDriver();
        return driver_->Connect(params);
    }

private:
    std::unique_ptr<TDriver> driver_;
};

}  // namespace

std::unique_ptr<TDriver> MakeProxyDriver() { return std::make_unique<ProxyDriver>(); }

bool IsUri(const std::string& text) {
    return text.rfind("postgresql://", 0) == 0 || text.rfind("postgres://", 0) == 0;
}

std::string CheckedUri(const std::string& uri) { return Entries().checkedUri(uri); }

}  // namespace postgres
}  // namespace dbe
