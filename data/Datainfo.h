// The data relations tool: the form's datasets as a tree, each with what the database engine
// reports of it (details, fields, indexes, SQL, parameters), the data sources on it, the
// data-aware controls of each source and the field components, under the fields they show.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "toolbase/Infobase.h"

namespace vcl {
class TDataSet;
class TDataSource;
class TTable;
class TQuery;
class TStoredProc;
class TOutlineNode;
}  // namespace vcl

namespace tavrin {

class tZorDataInfo : public tZorFrmInfo {
public:
    vcl::TList<tComponentAllocRec> datasetlist;
    vcl::TList<tComponentAllocRec> sourcelist;
    vcl::TList<tComponentAllocRec> fieldcomplist;
    vcl::TList<tComponentAllocRec> datacontrollist;
    // The node under which fields are looked up by name; 0 for none.
    int32_t fieldsnode = 0;
    std::vector<std::string> splitlist;

    // Creates the outline window with reordering among siblings.
    explicit tZorDataInfo(TComponent* owner);
    ~tZorDataInfo() override;

    void categorisecontrols() override;
    void ProcessControls() override;
    bool execute() override;

    void AddSourcesForDataSet(int32_t node, vcl::TDataSet* dataset);
    void AddDataControlsForDataSource(int32_t node, vcl::TDataSource* source);
    void AddTFieldsForDataSet(int32_t node, vcl::TDataSet* dataset);
    void AddForField(const std::string& fieldName, TComponent* component);
    void AddStrForField(const std::string& fieldName, const std::string& nodeText);

    // The detail reports: under the dataset's node, what the engine says of it; a failed
    // engine request becomes a fixed node, except opening a table, which ends the run.
    void handletable(vcl::TTable* table, int32_t node);
    void handlequery(vcl::TQuery* query, int32_t node);
    void handleStoredProc(vcl::TStoredProc* proc, int32_t node);

private:
    int32_t Add(int32_t parent, const std::string& text);
    // The master line's dataset part: the name, or "(no dataset)" for a source without one.
    static std::string SourceDataSetName(const vcl::TDataSource* source);
    // The controls of each data source, in component order, listed once.
    std::unordered_map<const vcl::TObject*, std::vector<int>> controlsBySource_;
    bool controlsIndexed_ = false;
    // The data sources and field components of each dataset, in component order, listed once.
    std::unordered_map<const vcl::TDataSet*, std::vector<int>> sourcesByDataSet_, fieldsByDataSet_;
    bool datasetsIndexed_ = false;
    void IndexDataSets();
};

extern tZorDataInfo* ZorDataInfo;

}  // namespace tavrin
