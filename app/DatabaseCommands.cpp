#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

#include "app/Commands.h"
#include "data/Zordata.h"
#include "data/mybdetable.h"
#include "host/base/Installation.h"
#include "host/db/DB.h"
#include "host/db/PostgresProxy.h"
#include "host/vcl/SysUtils.h"

namespace app {

// The database engine keeps its aliases beside the settings; the sample database is there
// for every configuration that does not name DBDEMOS itself.
void ConfigureEngine(const SettingsHome& home) {
    vcl::RegisterDatabaseClasses();
    dbe::Engine().SetConfigFile(home.folder + "/aliases.conf");
    const std::string sample = zorbase::FindInstalledFile(zorbase::FileKind::Data, "dbdemos.sqlite");
    if (!sample.empty()) dbe::Engine().SetDefaultAlias({"DBDEMOS", "SQLITE", {{"PATH", sample}}});
}

// catalogue databases | tables DB [--system] [--extended] | procedures DB | fields DB TABLE |
// indexes DB TABLE: opens the catalogue dataset and prints its column names, then its rows.
int RunCatalogue(const SettingsHome& home, const std::vector<std::string>& args, bool system, bool extended) {
    ConfigureEngine(home);
    tavrin::RegisterCatalogueDatasets();
    const std::string kind = args.empty() ? std::string() : vcl::LowerCase(args[0]);
    const size_t wanted = kind == "databases" ? 1 : kind == "tables" || kind == "procedures" ? 2 : 3;
    if ((kind != "databases" && kind != "tables" && kind != "procedures" && kind != "fields" && kind != "indexes") ||
        args.size() != wanted) {
        std::cerr << "tavrinqa: usage: tavrinqa catalogue databases | tables DATABASE [--system] [--extended] |\n"
                     "       procedures DATABASE | fields DATABASE TABLE | indexes DATABASE TABLE\n";
        return kUsage;
    }
    std::unique_ptr<vcl::TDBDataSet> list;
    if (kind == "databases") list = std::make_unique<tavrin::TDatabaseList>(nullptr);
    if (kind == "tables" || kind == "procedures") {
        std::unique_ptr<tavrin::TTableList> tables;
        if (kind == "tables") tables = std::make_unique<tavrin::TTableList>(nullptr);
        else tables = std::make_unique<tavrin::TSPList>(nullptr);
        tables->SetSystemTables(system);
        tables->SetExtendedInfo(extended);
        list = std::move(tables);
    }
    if (kind == "fields" || kind == "indexes") {
        std::unique_ptr<tavrin::TTableItems> items;
        if (kind == "fields") items = std::make_unique<tavrin::TFieldList>(nullptr);
        else items = std::make_unique<tavrin::TIndexList>(nullptr);
        items->SetTableName(args[2]);
        list = std::move(items);
    }
    if (args.size() > 1) list->SetDatabaseName(args[1]);
    list->Open();
    for (int i = 0; i < list->FieldCount(); ++i) std::cout << (i ? "\t" : "") << list->Fields(i)->FieldName();
    std::cout << "\n";
    for (bool row = list->First(); row; row = list->Next()) {
        for (int i = 0; i < list->FieldCount(); ++i) std::cout << (i ? "\t" : "") << vcl::PrintableText(list->Fields(i)->AsString());
        std::cout << "\n";
    }
    return kToolRan;
}

// alias add NAME PATH|URI: a folder makes a standard alias, a database file or file: URI an
// alias of the SQLite driver, a postgresql:// URI one of the PostgreSQL driver. alias list,
// alias remove NAME.
int RunAlias(const SettingsHome& home, const std::string& action, const std::vector<std::string>& args) {
    // An alias added to a home that does not exist yet makes the folder, whichever home it is.
    MakeDefaultHome(action == "add" ? SettingsHome{home.folder, true} : home);
    ConfigureEngine(home);
    auto& engine = dbe::Engine();
    auto refused = [&engine](const std::string& what, uint16_t code) {
        const std::string& why = engine.ConfigError();
        std::cerr << "tavrinqa: " << (why.empty() ? what : vcl::PrintableText(why)) << " (engine code 0x" << std::hex
                  << code << std::dec << ")\n";
        return kToolFailed;
    };
    if (action == "list") {
        for (const dbe::TAlias& a : engine.Aliases()) {
            std::cout << vcl::PrintableText(a.name) << "\t" << a.driver;
            for (const auto& [k, v] : a.params) std::cout << "\t" << k << "=" << vcl::PrintableText(v);
            std::cout << "\n";
        }
        if (!engine.ConfigError().empty())
            std::cerr << "tavrinqa: warning: " << vcl::PrintableText(engine.ConfigError())
                      << " (aliases it defines there are left out)\n";
        return kToolRan;
    }
    if (action == "remove") {
        if (args.size() != 1) {
            std::cerr << "tavrinqa: alias remove takes one NAME\n";
            return kUsage;
        }
        const uint16_t code = engine.DeleteAlias(args[0]);
        if (code == dbe::DBIERR_UNKNOWNDB) {
            std::cerr << "tavrinqa: no alias '" << vcl::PrintableText(args[0]) << "' in " << engine.ConfigFile() << "\n";
            return kToolFailed;
        }
        return code == dbe::DBIERR_NONE ? kToolRan : refused("cannot write " + engine.ConfigFile(), code);
    }
    if (action != "add" || args.size() != 2) {
        std::cerr << "tavrinqa: usage: tavrinqa alias add NAME PATH|URI | alias list | alias remove NAME\n";
        return kUsage;
    }
    const std::string& name = args[0];
    std::string target = args[1];
    struct stat st {};
    uint16_t code = 0;
    if (target.rfind("file:", 0) == 0) {
        code = engine.AddAlias(name, "SQLITE", dbe::TParamList{{"PATH", target}}, true);
    } else if (dbe::postgres::IsUri(target)) {
        try {
            code = engine.AddAlias(name, "POSTGRESQL", dbe::TParamList{{"PATH", dbe::postgres::CheckedUri(target)}}, true);
        } catch (const vcl::EDBEngineError& e) {
            std::cerr << "tavrinqa: " << vcl::PrintableText(e.Message()) << "\n";
            return kUsage;
        }
    } else if (target.find("://") != std::string::npos) {
        std::cerr << "tavrinqa: no driver of this build serves " << vcl::PrintableText(target) << "\n";
        return kUsage;
    } else if (::stat(target.c_str(), &st) != 0) {
        std::cerr << "tavrinqa: " << vcl::PrintableText(target) << ": " << std::strerror(errno) << "\n";
        return kUsage;
    } else {
        if (target.front() != '/') {
            char* cwd = ::getcwd(nullptr, 0);
            if (cwd != nullptr) target = std::string(cwd) + "/" + target;
            std::free(cwd);
        }
        code = S_ISDIR(st.st_mode) ? tavrin::MakeAlias(name, target)
                                   : engine.AddAlias(name, "SQLITE", dbe::TParamList{{"PATH", target}}, true);
    }
    if (code == dbe::DBIERR_NAMENOTUNIQUE) return refused("an alias '" + name + "' exists already", code);
    if (code == dbe::DBIERR_INVALIDPARAM) return refused("the alias name or path is not acceptable", code);
    if (code != dbe::DBIERR_NONE) return refused("cannot write " + engine.ConfigFile(), code);
    return kToolRan;
}

// Runs the verb as a right-click in the IDE would: through the editor of the form's own QA
// component, or of one dropped on the form for the run and removed again before saving.

}  // namespace app
