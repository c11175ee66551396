#include "data/Datainfo.h"

#include "data/Zordata.h"
#include "host/base/Zormanip.h"
#include "host/controls/Outline.h"
#include "host/db/DBTables.h"
#include "host/vcl/Forms.h"
#include "outline/Parento2.h"

namespace tavrin {

tZorDataInfo* ZorDataInfo = nullptr;

tZorDataInfo::tZorDataInfo(TComponent*) {
    FrmInfo = new TFrmInfo(vcl::Application());
    FrmInfo->settab(true);
}

tZorDataInfo::~tZorDataInfo() {
    delete FrmInfo;
    FrmInfo = nullptr;
}

int32_t tZorDataInfo::Add(int32_t parent, const std::string& text) { return FrmInfo->OutlineParent->AddChild(parent, text); }

void tZorDataInfo::categorisecontrols() {
    if (!oktoproceed()) return;
    TPropertyOf dataSource("datasource");
    for (int i = 0; i < form->ComponentCount(); ++i) {
        const TComponent* c = form->Components(i);
        const tComponentAllocRec rec = tComponentAllocRec::Make(i);
        if (dataSource.Has(c)) datacontrollist.Add(rec);
        if (vcl::Is<vcl::TDataSet>(c)) datasetlist.Add(rec);
        if (vcl::Is<vcl::TDataSource>(c)) sourcelist.Add(rec);
        if (vcl::Is<vcl::TField>(c)) fieldcomplist.Add(rec);
    }
}

void tZorDataInfo::ProcessControls() {
    if (!oktoproceed() || datasetlist.Count() == 0) return;
    vcl::TOutline* outline = FrmInfo->OutlineParent;
    const int32_t root = outline->Add(0, NodeID(form));
    for (const tComponentAllocRec& rec : datasetlist) {
        auto* dataset = vcl::As<vcl::TDataSet>(ComponentOf(rec));
        const int32_t node = Add(root, NodeID(dataset));
        // A dataset without a report of its own has no field list: its controls and fields are
        // never looked up among another dataset's fields.
        fieldsnode = 0;
        if (auto* table = dynamic_cast<vcl::TTable*>(dataset)) handletable(table, node);
        if (auto* query = dynamic_cast<vcl::TQuery*>(dataset)) handlequery(query, node);
        if (auto* proc = dynamic_cast<vcl::TStoredProc*>(dataset)) handleStoredProc(proc, node);
        AddSourcesForDataSet(node, dataset);
        AddTFieldsForDataSet(node, dataset);
    }
}

void tZorDataInfo::IndexDataSets() {
    if (datasetsIndexed_) return;
    for (int i = 0; i < sourcelist.Count(); ++i)
        sourcesByDataSet_[vcl::As<vcl::TDataSource>(ComponentOf(sourcelist[i]))->DataSet()].push_back(i);
    for (int i = 0; i < fieldcomplist.Count(); ++i)
        fieldsByDataSet_[vcl::As<vcl::TField>(ComponentOf(fieldcomplist[i]))->DataSet()].push_back(i);
    datasetsIndexed_ = true;
}

void tZorDataInfo::AddSourcesForDataSet(int32_t node, vcl::TDataSet* dataset) {
    IndexDataSets();
    auto it = sourcesByDataSet_.find(dataset);
    if (it == sourcesByDataSet_.end()) return;
    vcl::TOutline* outline = FrmInfo->OutlineParent;
    // Nodes added under the fields move everything after them: the list is held by its node.
    vcl::TOutlineNode* list = nullptr;
    for (int i : it->second) {
        auto* source = vcl::As<vcl::TDataSource>(ComponentOf(sourcelist[i]));
        if (list == nullptr) list = &outline->Items(Add(node, "Data Source List"));
        const int32_t at = Add(list->Index(), NodeID(source));
        AddDataControlsForDataSource(at, source);
    }
}

void tZorDataInfo::AddDataControlsForDataSource(int32_t, vcl::TDataSource* source) {
    if (!controlsIndexed_) {
        for (int i = 0; i < datacontrollist.Count(); ++i)
            controlsBySource_[MyGetObjectProp(ComponentOf(datacontrollist[i]), "datasource")].push_back(i);
        controlsIndexed_ = true;
    }
    auto it = controlsBySource_.find(source);
    if (it == controlsBySource_.end()) return;
    const std::string sourceText = NodeID(source);
    for (int i : it->second) {
        TComponent* control = ComponentOf(datacontrollist[i]);
        const int32_t sourceNode = FrmInfo->OutlineParent->GetTextItem(sourceText);
        const std::string field = MyGetStringProp(control, "datafield");
        if (HasProp(control, "datafield") && !field.empty()) AddForField(field, control);
        else Add(sourceNode, NodeID(control));
    }
}

void tZorDataInfo::AddTFieldsForDataSet(int32_t, vcl::TDataSet* dataset) {
    IndexDataSets();
    auto it = fieldsByDataSet_.find(dataset);
    if (it == fieldsByDataSet_.end()) return;
    for (int i : it->second) {
        auto* field = vcl::As<vcl::TField>(ComponentOf(fieldcomplist[i]));
        AddForField(field->FieldName(), field);
    }
}

void tZorDataInfo::AddForField(const std::string& fieldName, TComponent* component) {
    AddStrForField(fieldName, NodeID(component));
}

// Only a field's own node takes what hangs on the field: never a marker under a field ("Primary
// Key"), nor anything else that happens to read like the field's name.
void tZorDataInfo::AddStrForField(const std::string& fieldName, const std::string& nodeText) {
    if (fieldsnode <= 0) return;
    vcl::TOutline* outline = FrmInfo->OutlineParent;
    const vcl::TOutlineNode& fields = outline->Items(fieldsnode);
    for (int32_t at = fields.GetLastChild(); at > fieldsnode; at = fields.GetPrevChild(at)) {
        if (vcl::SameText(outline->Items(at).Text(), fieldName)) {
            Add(at, nodeText);
            return;
        }
    }
}

std::string tZorDataInfo::SourceDataSetName(const vcl::TDataSource* source) {
    const vcl::TDataSet* dataset = source->DataSet();
    return dataset != nullptr ? dataset->Name() : "(no dataset)";
}

void tZorDataInfo::handletable(vcl::TTable* table, int32_t node) {
    const bool wasActive = table->Active();
    const int32_t details = Add(node, "Details");
    Add(details, "DataBaseName : " + table->DatabaseName());
    Add(details, "TableName : " + table->TableName());
    Add(details, "Table Type : " + TextTableType(table->TableType()));
    Add(details, "Exclusive : " + zorbase::booltostr(table->Exclusive()));
    if (vcl::TDataSource* source = table->GetDataSource()) {
        const int32_t master = Add(node, "Master Detail");
        Add(master, "Mastersource : " + source->Name() + " = Source on Table : " + SourceDataSetName(source));
        Add(master, "Masterfield = " + table->GetMasterFields());
    }
    fieldsnode = Add(node, "Fields List");
    table->Open();
    try {
        table->FieldDefs().Update();
        for (const vcl::TFieldDef& def : table->FieldDefs()) {
            const int32_t field = Add(fieldsnode, def.Name);
            Add(field, "Field Type : " + FieldTypetoStr(def.DataType) + " " + std::to_string(def.GetSize()));
        }
        table->IndexDefs().Update();
        for (const vcl::TIndexDef& index : table->IndexDefs()) {
            splitlist.clear();
            zorbase::Split_line(index.GetFields(), ';', splitlist);
            const std::string marker = index.Name.empty() ? "Primary Key" : "Indexed : Index Name " + index.Name;
            for (const std::string& name : splitlist) AddStrForField(name, marker);
        }
        const int32_t indexes = Add(node, "Index List");
        for (const vcl::TIndexDef& index : table->IndexDefs())
            Add(indexes, index.Name.empty() ? "Primary : " + index.GetFields() : index.Name + " : " + index.GetFields());
    } catch (const vcl::Exception&) {
        Add(node, "Could not Open Field List");
    }
    table->SetActive(wasActive);
}

void tZorDataInfo::handlequery(vcl::TQuery* query, int32_t node) {
    const bool wasActive = query->Active();
    const int32_t details = Add(node, "Details");
    Add(details, "DataBaseName : " + query->DatabaseName());
    Add(details, "RequestLive : " + zorbase::booltostr(query->RequestLive()));
    Add(details, "UniDirectional : " + zorbase::booltostr(query->UniDirectional()));
    if (vcl::TDataSource* source = query->GetDataSource()) {
        const int32_t master = Add(node, "Master Detail");
        Add(master, "Datasource : " + source->Name() + " = Source on DataSet : " + SourceDataSetName(source));
    }
    const int32_t sql = Add(node, "SQL");
    // The statement's lines are no fields: until the query prepares, nothing lands under them.
    const int32_t lines = Add(sql, "Lines");
    for (const std::string& line : query->SQL()) Add(lines, line);
    query->Close();
    try {
        query->Prepare();
        const int32_t params = Add(sql, "Params");
        for (const vcl::TParam& p : query->Params()) Add(params, p.Name + " : " + FieldTypetoStr(p.GetDataType()));
        query->FieldDefs().Update();
        fieldsnode = Add(sql, "Fields");
        for (const vcl::TFieldDef& def : query->FieldDefs()) {
            const int32_t field = Add(fieldsnode, def.Name);
            Add(field, "Field Type : " + FieldTypetoStr(def.DataType) + " " + std::to_string(def.GetSize()));
        }
    } catch (const vcl::Exception&) {
        Add(node, "Could not Prepare Query");
    }
    query->SetActive(wasActive);
}

void tZorDataInfo::handleStoredProc(vcl::TStoredProc* proc, int32_t node) {
    const bool wasActive = proc->Active();
    const int32_t details = Add(node, "Details");
    Add(details, "DataBaseName : " + proc->DatabaseName());
    Add(details, "StoredProcName : " + proc->StoredProcName());
    if (vcl::TDataSource* source = proc->GetDataSource()) {
        const int32_t master = Add(node, "Master Detail");
        Add(master, "Datasource : " + source->Name() + " = Source on DataSet : " + SourceDataSetName(source));
    }
    proc->Close();
    try {
        proc->Prepare();
        const int32_t params = Add(node, "Params");
        for (const vcl::TParam& p : proc->Params()) Add(params, p.Name + " : " + FieldTypetoStr(p.GetDataType()));
        proc->FieldDefs().Update();
        fieldsnode = Add(node, "Fields");
        for (const vcl::TFieldDef& def : proc->FieldDefs()) {
            const int32_t field = Add(fieldsnode, def.Name);
            Add(field, "Field Type : " + FieldTypetoStr(def.DataType));
        }
    } catch (const vcl::Exception&) {
        Add(node, "Could not Prepare Stored Proc");
    }
    proc->SetActive(wasActive);
}

bool tZorDataInfo::execute() {
    return FrmInfo->ShowTree("Data Information for " + NodeID(form), "Data Info Editor") == vcl::mrOk;
}

}  // namespace tavrin
