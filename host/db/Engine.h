// The database engine behind the data classes: aliases kept in a configuration file, drivers
// that describe and read databases, and the rules by which a dataset's DatabaseName finds its
// database. Every failure is an EDBEngineError with a message a person can act on.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "host/vcl/SysUtils.h"

namespace vcl {
class TComponent;
}

namespace dbe {

class TAliasesFile;

// The platform's field types, by ordinal.
enum TFieldType : int {
    ftUnknown, ftString, ftSmallint, ftInteger, ftWord, ftBoolean, ftFloat, ftCurrency, ftBCD, ftDate, ftTime,
    ftDateTime, ftBytes, ftVarBytes, ftAutoInc, ftBlob, ftMemo, ftGraphic, ftFmtMemo, ftParadoxOle, ftDBaseOle,
    ftTypedBinary, ftCursor, ftFixedChar, ftWideString, ftLargeint, ftADT, ftArray, ftReference, ftDataSet,
    ftOraBlob, ftOraClob, ftVariant, ftInterface, ftIDispatch, ftGuid
};
constexpr int kFieldTypeCount = ftGuid + 1;
const char* FieldTypeName(TFieldType type);             // "ftString"
bool FieldTypeFromName(std::string_view name, TFieldType& type);  // case ignored

// The engine's logical type codes and field subtypes.
enum : uint16_t {
    fldUNKNOWN = 0, fldZSTRING, fldDATE, fldBLOB, fldBOOL, fldINT16, fldINT32, fldFLOAT, fldBCD, fldBYTES,
    fldTIME, fldTIMESTAMP, fldUINT16, fldUINT32, fldFLOATIEEE, fldVARBYTES, fldLOCKINFO
};
enum : uint16_t {
    fldstMONEY = 21, fldstMEMO, fldstBINARY, fldstFMTMEMO, fldstOLEOBJ, fldstGRAPHIC, fldstDBSOLEOBJ, fldstTYPEDBINARY,
    fldstAUTOINC = 29
};

// A value read from a record: null, integer, float or text (blobs are their bytes).
using TFieldValue = std::variant<std::monostate, int64_t, double, std::string>;

// One column as a driver describes it: the platform's type with the size a field of it has,
// and the engine's logical description (type code, subtype, units, length in bytes).
struct TColumn {
    std::string name;
    TFieldType type = ftUnknown;
    int size = 0;
    bool required = false;
    uint16_t logical = fldUNKNOWN;
    uint16_t subtype = 0;
    uint16_t units1 = 0;
    uint16_t units2 = 0;
    uint16_t length = 0;
    std::string declared;  // the declared type it was made from
};

// A declared column type ("VARCHAR(30)", "NUMERIC(15,2)", "BLOB") as a column. The mapping is
// documented in docs/database.md.
TColumn ColumnFromDeclaredType(std::string name, std::string_view declared);

struct TIndexInfo {
    std::string name;                 // empty for a primary index
    std::vector<std::string> fields;
    bool primary = false;
    bool unique = false;
    bool descending = false;
    std::string FieldsText() const;   // the fields separated by ";"
};

struct TTableInfo {
    std::string name;
    std::string type;  // "TABLE", "VIEW", or the file's format for a standard database
    bool system = false;
};

// How a parameter passes its value, as the platform's ParamType names it.
enum TParamDirection { pdUnknown, pdInput, pdOutput, pdInputOutput, pdResult };
const char* ParamDirectionName(TParamDirection direction);  // "ptInput"
TParamDirection ParamDirectionFromName(std::string_view name);

// A parameter as a server describes it, or as a form stored it.
struct TParamDesc {
    std::string name;
    TFieldType type = ftUnknown;
    TParamDirection direction = pdUnknown;
};

struct TPrepared {
    // In order of first use; a driver that knows only their names leaves type and direction
    // unknown.
    std::vector<TParamDesc> params;
    std::vector<TColumn> columns;
    std::vector<std::string> ParamNames() const;
};

// The name part of a table reference as a file: C:\DATA\customer.db and customer.db both give
// customer; a database that is no folder of files knows the table by it.
std::string BaseTableName(std::string_view ref);

// Rows one at a time. First moves to the first row; both give false when there is none.
class TCursor {
public:
    virtual ~TCursor() = default;
    virtual const std::vector<TColumn>& Columns() const = 0;
    virtual bool First() = 0;
    virtual bool Next() = 0;
    virtual TFieldValue Value(int column) const = 0;
};

// A cursor over rows kept in memory: the catalogue lists.
class TRowsCursor : public TCursor {
public:
    // Without rows: a dataset described, never read.
    TRowsCursor(std::vector<TColumn> columns, std::vector<std::vector<TFieldValue>> rows = {})
        : columns_(std::move(columns)), rows_(std::move(rows)) {}
    const std::vector<TColumn>& Columns() const override { return columns_; }
    bool First() override { return (at_ = 0) < rows_.size(); }
    bool Next() override { return at_ < rows_.size() && ++at_ < rows_.size(); }
    TFieldValue Value(int column) const override;

private:
    std::vector<TColumn> columns_;
    std::vector<std::vector<TFieldValue>> rows_;
    size_t at_ = 0;
};

// An open database. Table names may carry an extension (customer.db) and are matched
// without regard to case, the way each driver finds its tables.
//
// A handle describes and never runs: forms and data folders are untrusted, so a statement a
// form stores is only prepared (its parameters and result columns asked for) and a stored
// procedure only looked up in the catalogue. Nothing here reads a table's rows or executes
// a form's text; a dataset stored open is open with its fields and no rows.
class TDatabaseHandle {
public:
    virtual ~TDatabaseHandle() = default;
    virtual std::string DriverName() const = 0;
    virtual std::vector<TTableInfo> Tables(bool system) = 0;
    virtual std::vector<std::string> StoredProcs(bool system) = 0;
    virtual std::vector<TColumn> Fields(std::string_view table) = 0;
    virtual std::vector<TIndexInfo> Indexes(std::string_view table) = 0;
    // Local SQL: "customer.db" and :ALIAS:customer name tables as TableName does. Only a
    // statement that reads may be prepared.
    virtual TPrepared PrepareQuery(const std::string& sql) = 0;
    // A driver without stored procedures refuses to prepare one. stored: the parameters the
    // form keeps for it, which choose among overloads of the name.
    virtual TPrepared PrepareProc(std::string_view name, const std::vector<TParamDesc>& stored = {});
};

using TParamList = std::vector<std::pair<std::string, std::string>>;  // NAME=VALUE, in order

class TDriver {
public:
    virtual ~TDriver() = default;
    virtual std::string Name() const = 0;         // "SQLITE", "STANDARD"
    virtual std::string Description() const = 0;
    // params hold at least PATH: a database file or a folder.
    virtual std::unique_ptr<TDatabaseHandle> Connect(const TParamList& params) = 0;
    // A server's driver finds its database from other parameters as well.
    virtual bool NeedsPath() const { return true; }
};

struct TAlias {
    std::string name;
    std::string driver;  // "STANDARD" for a folder of tables
    TParamList params;
    std::string Param(std::string_view key) const;  // case ignored; empty when absent
};

// A database component of a form (TDatabase) as the engine resolves names through it.
class TDatabaseDefinition {
public:
    virtual std::string DefinedDatabaseName() const = 0;
    virtual std::string DefinedAliasName() const = 0;
    virtual std::string DefinedDriverName() const = 0;
    virtual TParamList DefinedParams() const = 0;

protected:
    ~TDatabaseDefinition() = default;
};

struct TDatabaseDescription {
    std::string name, text, physical, type;
};
struct TDriverDescription {
    std::string name, text, category;
};

// Result codes the engine returns where it returns codes.
enum : uint16_t { DBIERR_NONE = 0, DBIERR_INVALIDPARAM = 0x2702, DBIERR_NAMENOTUNIQUE = 0x2C06,
                  DBIERR_UNKNOWNDB = 0x2902, DBIERR_UNKNOWNDRIVER = 0x2903, DBIERR_CANTWRITE = 0x2105 };

class TEngine {
public:
    TEngine();
    ~TEngine();

    // The aliases file; empty keeps aliases for this process only.
    void SetConfigFile(std::string path);
    const std::string& ConfigFile() const { return configFile_; }
    // An alias every configuration has unless it defines one of the same name.
    void SetDefaultAlias(TAlias alias);
    // The folder of the form file being run: a relative PATH its TDatabase gives is relative
    // to it, as the program it belongs to finds its data beside it, never to where the tools
    // were started. Empty leaves such paths as they are.
    void SetFormFolder(std::string folder) { formFolder_ = std::move(folder); }

    void RegisterDriver(std::unique_ptr<TDriver> driver);
    TDriver* FindDriver(std::string_view name) const;
    std::vector<const TDriver*> Drivers() const;

    // Every alias, configured ones first, by name.
    std::vector<TAlias> Aliases() const;
    bool FindAlias(std::string_view name, TAlias& alias) const;
    // driver empty: a standard alias. params: "KEY:VALUE;KEY:VALUE". Returns DBIERR_NONE or
    // the reason it was refused; a persistent alias is written to the aliases file.
    uint16_t AddAlias(const std::string& name, const std::string& driver, const std::string& params, bool persist);
    // The same with the parameters as a list: each value whole, whatever it holds (';', ':').
    uint16_t AddAlias(const std::string& name, const std::string& driver, const TParamList& params, bool persist);
    uint16_t DeleteAlias(const std::string& name);
    // Why the aliases file was last found unreadable or damaged, or an edit of it refused
    // (DBIERR_CANTWRITE); empty when it was not.
    const std::string& ConfigError() const { return configError_; }

    // The database a dataset's DatabaseName names: a configured alias, else a TDatabase of
    // owner with that DatabaseName, else a folder or database file path. Handles are shared.
    std::shared_ptr<TDatabaseHandle> OpenDatabase(const std::string& databaseName, const vcl::TComponent* owner);
    // The driver and parameters that name resolves to.
    TAlias ResolveDatabase(const std::string& databaseName, const vcl::TComponent* owner) const;

    TDatabaseDescription DescribeDatabase(const std::string& name) const;
    TDriverDescription DescribeDriver(const std::string& name) const;

    // Closes every shared handle (tests; a changed file is read afresh).
    void CloseDatabases();

private:
    TAlias FormDatabase(const std::string& databaseName, const TDatabaseDefinition& def) const;
    std::vector<TAlias> ReadConfig() const;
    uint16_t EditConfig(const std::function<uint16_t(TAliasesFile&)>& edit) const;

    std::string configFile_;
    std::string formFolder_;
    mutable std::string configError_;
    struct ConfigCache;
    mutable std::unique_ptr<ConfigCache> cache_;
    std::vector<TAlias> sessionAliases_;
    std::vector<TAlias> defaults_;
    std::vector<std::unique_ptr<TDriver>> drivers_;
    std::map<std::string, std::shared_ptr<TDatabaseHandle>> open_;
};

// The engine of this process, with its drivers registered.
TEngine& Engine();

// Splits "KEY:VALUE;KEY:VALUE" into its pairs.
TParamList ParseParamString(std::string_view params);

[[noreturn]] void DbError(const std::string& message);

}  // namespace dbe
