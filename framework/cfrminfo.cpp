#include "framework/cfrminfo.h"

#include "host/vcl/Forms.h"

namespace tavrin {

void RunTool(std::unique_ptr<tZorFrmInfo> tool, TComponent* form) {
    vcl::Screen()->SetCursor(vcl::crHourGlass);
    struct Finish {
        std::unique_ptr<tZorFrmInfo>& tool;
        ~Finish() {
            tool.reset();
            vcl::Screen()->SetCursor(vcl::crDefault);
        }
    } finish{tool};
    tool->form = form;
    tool->categorisecontrols();
    tool->ProcessControls();
    vcl::Screen()->SetCursor(vcl::crDefault);
    tool->execute();
}

}  // namespace tavrin
