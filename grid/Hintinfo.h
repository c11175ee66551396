// The hint tool: one row per component with a hint property (name, class, caption, hint),
// sorted by class, parent or name; after OK every listed component gets its hint, name and
// caption from its row.
#pragma once

#include <string>

#include "toolbase/Infobase.h"

namespace tavrin {

class tZorHintInfo : public tZorFrmInfo {
public:
    // Creates the grid window.
    explicit tZorHintInfo(TComponent* owner);
    ~tZorHintInfo() override;

    // Every component of the form with a hint, in component order.
    void categorisecontrols() override;
    // The rows in the current hint order; the grid window calls it again when the order changes.
    void ProcessControls() override;
    bool execute() override;
    // Writes each row onto its component: hint, then name, then caption. The first row that
    // fails stops the rest, with the rows before it applied.
    // The error ends the run, and a run that ends in an error saves nothing: the form file
    // stays as it was, whatever the live components took before.
    void GetHints();
};

// The hint tool while it runs.
extern tZorHintInfo* ZorHintInfo;

}  // namespace tavrin
