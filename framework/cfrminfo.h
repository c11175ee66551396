// How the tools are run: the entry procedures that the component's verbs and property
// editors call, and the driver that takes a tool through its operations.
#pragma once

#include <memory>

#include "toolbase/Infobase.h"

namespace tavrin {

// Hourglass while the tool reads the form and builds its view, the default cursor while its
// window is open; the tool is freed on every path and any error passes on to the caller.
void RunTool(std::unique_ptr<tZorFrmInfo> tool, TComponent* form);

// Runs a tool through an entry procedure: the tool's global refers to it during the run and
// is cleared afterwards, so nothing can reach a freed tool through it.
template <typename Tool>
void RunEntry(Tool*& global, TComponent* form) {
    auto tool = std::make_unique<Tool>(nullptr);
    global = tool.get();
    struct Clear {
        Tool*& g;
        ~Clear() { g = nullptr; }
    } clear{global};
    RunTool(std::move(tool), form);
}

// Raised by an entry procedure whose tool this build does not contain yet.
class EToolUnavailable : public vcl::Exception {
public:
    using Exception::Exception;
    const char* ClassName() const noexcept override { return "EToolUnavailable"; }
};

// The entry procedures, one per tool, each given the form under inspection.
void showparentage(TComponent* form);
void showalltabs(TComponent* form);
void showMenus(TComponent* form);
void showHints(TComponent* form);
void reposition(TComponent* form);
void ComponentInfo(TComponent* form);
void showDataRelations(TComponent* form);
void FormDataProperty(TComponent* form);
// The about box of the base library, with the program's "TTAVRINQA" bitmap.
void TAVrinQAAbout();

}  // namespace tavrin
