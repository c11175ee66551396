// The component list tool: one row per non-visual component (neither a control nor a menu
// item), in component order, with its name and the place of its icon on the design surface;
// after OK every listed component gets its name and place from its row.
#pragma once

#include "toolbase/Infobase.h"

namespace tavrin {

class tZorComponentInfo : public tZorFrmInfo {
public:
    // Creates the grid window.
    explicit tZorComponentInfo(TComponent* owner);
    ~tZorComponentInfo() override;

    void categorisecontrols() override;
    void ProcessControls() override;
    bool execute() override;
    // Writes each row onto its component: the name, then the place (top and left each
    // 0..65535, else ERangeError once the name is set). The first row that fails stops the rest.
    // The error ends the run, and a run that ends in an error saves nothing: the form file
    // stays as it was, whatever the live components took before.
    void GetComponentPosns();
};

// The component list tool while it runs.
extern tZorComponentInfo* ZorComponentInfo;

}  // namespace tavrin
