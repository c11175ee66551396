// What the data benchmarks share: a form of many tables, each with a data source and a data-aware
// edit on one field, and a backend that cancels every window the report opens.
#pragma once

#include <string>

#include "host/controls/Dialogs.h"
#include "host/ui/Backend.h"

namespace bench {

// count tables t0... of the database `alias`, named t0 + tableSuffix, ...
inline std::string ManyDatasetsForm(int count, const std::string& alias, const std::string& tableSuffix) {
    std::string text = "object Many: TForm1\n  Caption = 'Many'\n";
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        text += "  object Edit" + n + ": TDBEdit\n    DataField = 'name'\n    DataSource = Source" + n + "\n  end\n";
        text += "  object Table" + n + ": TTable\n    DatabaseName = '" + alias + "'\n    TableName = 't" + n +
                tableSuffix + "'\n  end\n";
        text += "  object Source" + n + ": TDataSource\n    DataSet = Table" + n + "\n  end\n";
    }
    return text + "end\n";
}

class CancelBackend : public ui::TBackend {
public:
    vcl::TModalResult RunModal(vcl::TCustomForm&) override { return vcl::mrCancel; }
    std::optional<std::string> AnswerSaveDialog(vcl::TSaveDialog&) override { return std::nullopt; }
    int MessageBox(const std::string&, const std::string&, int) override { return vcl::IDOK; }
};

}  // namespace bench
