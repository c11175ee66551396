// The position tool: one row per control (name, class, parent, caption, top, left, width,
// height), sorted by parent, by top then left, or by left, with the rescale dialog; after OK
// every listed control gets its name, place, size and caption from its row.
#pragma once

#include "toolbase/Infobase.h"
#include "host/controls/WindowPicture.h"

namespace tavrin {

class tZorRepositioner : public tZorFrmInfo {
public:
    // Creates the grid window; every run starts sorted by parent.
    explicit tZorRepositioner(TComponent* owner);
    ~tZorRepositioner() override;

    // The rows in the current position order; the grid window calls it again when the order
    // changes.
    void ProcessControls() override;
    bool execute() override;
    // Writes each row onto its control: name, top, left, width, height, caption. A row's
    // numbers are all read before any of its values is written; the first row that fails
    // stops the rest, with the rows before it applied.
    // The error ends the run, and a run that ends in an error saves nothing: the form file
    // stays as it was, whatever the live components took before.
    void GetPosns();
    // The form's controls where their rows put them now (edits and a rescale not accepted
    // yet included), the selected row's control picked out: the grid window shows it on
    // screen. A row whose numbers do not convert leaves its control where it stands.
    vcl::TWindowPicture Picture() const;
};

// The position tool while it runs.
extern tZorRepositioner* ZorRepositioner;

}  // namespace tavrin
