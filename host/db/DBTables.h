// The engine-backed datasets: tables, queries and stored procedures on a named database, and
// the database component through which a form may define that name.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/db/DB.h"

namespace vcl {

enum TTableType { ttDefault, ttParadox, ttDBase, ttFoxPro, ttASCII };
const char* TableTypeName(TTableType type);  // "ttParadox"

class TDBDataSet : public TDataSet {
public:
    TDBDataSet(TComponent* owner, const TClassInfo* cls = nullptr);
    std::string DatabaseName() const { return StoredString("DatabaseName"); }
    void SetDatabaseName(const std::string& name);
    // The open database the name stands for; EDBEngineError when it cannot be opened.
    std::shared_ptr<dbe::TDatabaseHandle> GetDBHandle() const;
};

class TTable : public TDBDataSet {
public:
    TTable(TComponent* owner, const TClassInfo* cls = nullptr);
    std::string TableName() const { return StoredString("TableName"); }
    void SetTableName(const std::string& name);
    TTableType TableType() const;
    bool Exclusive() const { return StoredBool("Exclusive"); }
    TDataSource* MasterSource() const;
    std::string GetMasterFields() const { return StoredString("MasterFields"); }
    TIndexDefs& IndexDefs() { return indexDefs_; }
    // The name the engine looks for: a name without an extension gets that of its table type.
    std::string EngineTableName() const;

    TDataSource* GetDataSource() const override { return MasterSource(); }
    void InitFieldDefs() override;
    void ReadStoredData(const TStoredObject& object, TComponent* enclosing) override;

protected:
    std::unique_ptr<dbe::TCursor> CreateHandle() override;

private:
    TIndexDefs indexDefs_;
};

class TQuery : public TDBDataSet {
public:
    TQuery(TComponent* owner, const TClassInfo* cls = nullptr);
    const std::vector<std::string>& SQL() const { return sql_; }
    void SetSQL(std::vector<std::string> lines);
    bool RequestLive() const { return StoredBool("RequestLive"); }
    bool UniDirectional() const { return StoredBool("UniDirectional"); }
    TDataSource* DataSource() const;
    TParams& Params() { return params_; }
    uint16_t GetParamsCount() const { return uint16_t(params_.Count()); }
    bool Prepared() const { return prepared_; }
    // Asks the engine for the statement's parameters and result columns.
    void Prepare();
    void UnPrepare() { prepared_ = false; }

    TDataSource* GetDataSource() const override { return DataSource(); }
    void InitFieldDefs() override;
    void ReadStoredData(const TStoredObject& object, TComponent* enclosing) override;
    std::string Text() const;

protected:
    std::unique_ptr<dbe::TCursor> CreateHandle() override;

private:
    std::vector<std::string> sql_;
    TParams params_;
    dbe::TPrepared described_;
    bool prepared_ = false;
};

class TStoredProc : public TDBDataSet {
public:
    TStoredProc(TComponent* owner, const TClassInfo* cls = nullptr);
    std::string StoredProcName() const { return StoredString("StoredProcName"); }
    TParams& Params() { return params_; }
    uint16_t GetParamsCount() const { return uint16_t(params_.Count()); }
    void Prepare();
    bool Prepared() const { return prepared_; }

    void InitFieldDefs() override;
    void ReadStoredData(const TStoredObject& object, TComponent* enclosing) override;

protected:
    std::unique_ptr<dbe::TCursor> CreateHandle() override;

private:
    TParams params_;
    dbe::TPrepared described_;
    bool prepared_ = false;
};

class TDatabase : public TComponent, public TStoredDataReader, public dbe::TDatabaseDefinition {
public:
    TDatabase(TComponent* owner, const TClassInfo* cls = nullptr);
    const std::vector<std::string>& Params() const { return params_; }
    void SetParams(std::vector<std::string> lines) { params_ = std::move(lines); }

    std::string DefinedDatabaseName() const override { return StoredText(this, "DatabaseName"); }
    std::string DefinedAliasName() const override { return StoredText(this, "AliasName"); }
    std::string DefinedDriverName() const override { return StoredText(this, "DriverName"); }
    dbe::TParamList DefinedParams() const override;
    void ReadStoredData(const TStoredObject& object, TComponent* enclosing) override;

private:
    std::vector<std::string> params_;
};

// Reads the parameters a form file stores for a query or stored procedure ("ParamData").
void ReadParamData(const TStoredObject& object, TParams& params);

}  // namespace vcl
