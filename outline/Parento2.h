// The outline window: the one window in which the parentage, tab order, menu and data
// relations tools show their trees. Its mode decides whether siblings can be reordered by
// dragging and what its tool button does.
#pragma once

#include <cstdint>
#include <string>

#include "host/controls/DesignedForm.h"

namespace vcl {
class TOutline;
class TPanel;
class TBitBtn;
class TButton;
class TSaveDialog;
}  // namespace vcl

namespace tavrin {

class TFrmInfo : public vcl::TDesignedForm {
public:
    explicit TFrmInfo(vcl::TComponent* owner);

    TAVRIN_CONTROL(vcl::TOutline, OutlineParent);
    TAVRIN_CONTROL(vcl::TPanel, Panel1);
    TAVRIN_CONTROL(vcl::TBitBtn, BtnExpand);
    TAVRIN_CONTROL(vcl::TBitBtn, BtnCollapse);
    TAVRIN_CONTROL(vcl::TButton, EditBtn);
    TAVRIN_CONTROL(vcl::TSaveDialog, SaveDialog);
    TAVRIN_CONTROL(vcl::TBitBtn, PrintBtn);
    TAVRIN_CONTROL(vcl::TBitBtn, OKBtn);
    TAVRIN_CONTROL(vcl::TBitBtn, CancelBtn);

    // On: siblings can be reordered by dragging and the Edit button is hidden. Off: no
    // dragging, the Edit button shown. Its caption and handler stay as they are.
    void settab(bool on);
    // No dragging and the Edit button shown; on, it becomes the menu tool's view toggle.
    void setMenu(bool on);

    // Window geometry in a section of the settings file; without a settings file nothing
    // is read or written.
    void read_ini(const std::string& section);
    void write_ini(const std::string& section);

    // What every outline tool does to show its tree: caption, whole tree expanded, the
    // geometry restored when the section exists, shown modally, the geometry saved however
    // the window closed. Gives the modal result.
    vcl::TModalResult ShowTree(const std::string& caption, const std::string& section);

    // Handlers, bound by name from the designed window.
    TAVRIN_HANDLER(OutlineParentMouseDown)(vcl::TObject* Sender, vcl::TMouseButton Button, vcl::TShiftState Shift, int X, int Y);
    TAVRIN_HANDLER(OutlineParentDragOver)(vcl::TObject* Sender, vcl::TObject* Source, int X, int Y, vcl::TDragState State,
                               bool& Accept);
    TAVRIN_HANDLER(OutlineParentDragDrop)(vcl::TObject* Sender, vcl::TObject* Source, int X, int Y);
    TAVRIN_HANDLER(EditBtnClick)(vcl::TObject* Sender);
    TAVRIN_HANDLER(MenuEditBtnClick)(vcl::TObject* Sender);
    TAVRIN_HANDLER(BtnExpandClick)(vcl::TObject* Sender);
    TAVRIN_HANDLER(BtnCollapseClick)(vcl::TObject* Sender);
    TAVRIN_HANDLER(PrintBtnClick)(vcl::TObject* Sender);

    // The item the left button went down on, and the item under the pointer while
    // dragging; -1 for none.
    int32_t DragSource() const { return dragsource; }
    int32_t DropTarget() const { return droptarget; }

private:
    // The item at a point of the outline; -1 when there is none or the lookup fails.
    int32_t ItemAt(int X, int Y) const;
    bool SameParent(int32_t a, int32_t b) const;

    int32_t dragsource = -1;
    int32_t droptarget = -1;
};

// The window of the outline tool that is running; created and freed by that tool.
extern TFrmInfo* FrmInfo;

}  // namespace tavrin
