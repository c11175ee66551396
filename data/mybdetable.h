// The engine's catalogue lists as datasets: databases, tables, stored procedures, and the
// fields or indexes of one table. Each differs from an ordinary engine dataset only in the
// cursor it opens; two more classes hold the description of one alias or driver.
#pragma once

#include <string>

#include "host/db/DBTables.h"

namespace tavrin {

class TDatabaseList : public vcl::TDBDataSet {
public:
    explicit TDatabaseList(vcl::TComponent* owner, const vcl::TClassInfo* cls = nullptr);

protected:
    std::unique_ptr<dbe::TCursor> CreateHandle() override;
};

class TTableList : public vcl::TDBDataSet {
public:
    explicit TTableList(vcl::TComponent* owner, const vcl::TClassInfo* cls = nullptr);
    bool ExtendedInfo() const { return vcl::StoredFlag(this, "ExtendedInfo"); }
    bool SystemTables() const { return vcl::StoredFlag(this, "SystemTables"); }
    void SetExtendedInfo(bool value);
    void SetSystemTables(bool value);

protected:
    std::unique_ptr<dbe::TCursor> CreateHandle() override;
};

class TSPList : public TTableList {
public:
    explicit TSPList(vcl::TComponent* owner, const vcl::TClassInfo* cls = nullptr);

protected:
    std::unique_ptr<dbe::TCursor> CreateHandle() override;
};

class TTableItems : public vcl::TDBDataSet {
public:
    explicit TTableItems(vcl::TComponent* owner, const vcl::TClassInfo* cls = nullptr);
    std::string TableName() const { return vcl::StoredText(this, "TableName"); }
    // At most 255 characters, the engine's name buffer less its terminator: a longer name
    // is refused (EDatabaseError), never cut.
    void SetTableName(const std::string& name);

protected:
    std::string CheckedTableName() const;
};

class TFieldList : public TTableItems {
public:
    explicit TFieldList(vcl::TComponent* owner, const vcl::TClassInfo* cls = nullptr);

protected:
    std::unique_ptr<dbe::TCursor> CreateHandle() override;
};

class TIndexList : public TTableItems {
public:
    explicit TIndexList(vcl::TComponent* owner, const vcl::TClassInfo* cls = nullptr);

protected:
    std::unique_ptr<dbe::TCursor> CreateHandle() override;
};

// Filled once by the engine from the named alias or driver; EDBEngineError when it knows none.
class TDatabaseDesc : public vcl::TObject {
public:
    explicit TDatabaseDesc(const std::string& name);
    dbe::TDatabaseDescription Description;
};

class TDriverDesc : public vcl::TObject {
public:
    explicit TDriverDesc(const std::string& name);
    dbe::TDriverDescription Description;
};

// Declares the list classes in the class catalogue (once) with their C++ classes.
void RegisterCatalogueDatasets();

}  // namespace tavrin
