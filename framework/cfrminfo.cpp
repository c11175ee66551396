#include "framework/cfrminfo.h"

#include <string>

#include "codegen/Makeprop.h"
#include "data/Datainfo.h"
#include "grid/Allinfo.h"
#include "grid/Hintinfo.h"
#include "grid/Reposn.h"
#include "host/controls/Zorabou2.h"
#include "host/vcl/Forms.h"
#include "host/vcl/Resources.h"
#include "outline/Menuinfo.h"
#include "outline/Tabinfo.h"
#include "outline/Wininfo.h"

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

void showparentage(TComponent* form) { RunEntry(ZorWinControlInfo, form); }
void showalltabs(TComponent* form) { RunEntry(ZorTabInfo, form); }
void showMenus(TComponent* form) { RunEntry(ZorMenuInfo, form); }
void showHints(TComponent* form) { RunEntry(ZorHintInfo, form); }
void reposition(TComponent* form) { RunEntry(ZorRepositioner, form); }
void ComponentInfo(TComponent* form) { RunEntry(ZorComponentInfo, form); }
void showDataRelations(TComponent* form) { RunEntry(ZorDataInfo, form); }
void FormDataProperty(TComponent* form) { RunEntry(ZorPropMaker, form); }

void TAVrinQAAbout() {
    vcl::TPicture picture;
    struct Free {
        ~Free() {
            delete zorbase::ZorAboutBox;
            zorbase::ZorAboutBox = nullptr;
        }
    } free;
    zorbase::ZorAboutBox = new zorbase::TZorAboutBox(vcl::Application());
    vcl::LoadBitmapResource(picture, "TTAVRINQA");
    zorbase::ZorAboutBox->setbitmap(picture);
    zorbase::ZorAboutBox->setbmpsize();
    zorbase::ZorAboutBox->setprodnametext("Tavrin QA");
    zorbase::ZorAboutBox->setyeartext("2026");
    zorbase::ZorAboutBox->setBoxcaptiontext("About Tavrin QA");
    zorbase::ZorAboutBox->setversiontext("Version 0.1.0");
    zorbase::ZorAboutBox->setvercommenttext("Design-time quality assurance for forms");
    zorbase::ZorAboutBox->execute();
}

}  // namespace tavrin
