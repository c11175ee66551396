// Two small designed windows for driving the script backend: a tool window with every kind
// of control the tool windows use, and a detail dialog that its Edit button opens.
#pragma once

#include <string>

#include "host/controls/ControlClasses.h"
#include "host/controls/DesignedForm.h"
#include "host/controls/Dialogs.h"
#include "host/controls/Grids.h"
#include "host/controls/Outline.h"
#include "host/controls/StdCtrls.h"
#include "tests/support/FormText.h"

namespace uitest {

using testsupport::Bounds;
using testsupport::Dfm;

inline const std::string kDetailDesign = Dfm("object DetailDlg: TDetailDlg", {"Caption = 'Details'"},
    {Dfm("object EdName: TEdit", {"Text = ''"}),
     Dfm("object OKBtn: TBitBtn", {"Kind = bkOK"}),
     Dfm("object CancelBtn: TBitBtn", {"Kind = bkCancel"})});

class TDetailDlg : public vcl::TDesignedForm {
public:
    explicit TDetailDlg(vcl::TComponent* owner) : TDesignedForm(owner, "TDetailDlg") {
        LoadDesign(kDetailDesign, "DetailDlg.dfm");
    }
};

inline const std::string kToolDesign = Dfm(
    "object ToolWin: TToolWin", {Bounds(10, 20, 400, 300), "Caption = 'Tool for Form1'"},
    {Dfm("object Tree: TOutline",
         {"Width = 200", "Height = 120", "Lines.Strings = (\n  'Form1'\n  #9'A'\n  #9#9'A1'\n  #9'B'\n  #9'C')",
          "OnMouseDown = TreeMouseDown", "OnDragOver = TreeDragOver", "OnDragDrop = TreeDragDrop"}),
     Dfm("object Grid: TStringGrid",
         {"ColCount = 3", "RowCount = 3", "FixedCols = 0",
          "Options = [goFixedVerticalLine, goEditing, goRowMoving, goColMoving, goColSizing]", "ColWidths = (\n  30\n  40\n  0)"}),
     Dfm("object Fixed: TStringGrid", {"ColCount = 2", "RowCount = 2"}),
     Dfm("object EdName: TEdit", {"Text = 'Button1'"}),
     Dfm("object Notes: TMemo", {"Lines.Strings = (\n  'first'\n  'second')"}),
     Dfm("object Flag: TCheckBox", {"Caption = 'Enabled'", "Checked = True"}),
     Dfm("object Order: TComboBox", {"Style = csDropDownList", "ItemIndex = 0",
                                     "Items.Strings = (\n  'Class'\n  'Parent'\n  'Name')", "OnChange = OrderChange"}),
     Dfm("object Label1: TLabel", {"Caption = 'Sort by'"}),
     Dfm("object Panel1: TPanel", {},
         {Dfm("object OKBtn: TBitBtn", {"Kind = bkOK"}),
          Dfm("object CancelBtn: TBitBtn", {"Kind = bkCancel"}),
          Dfm("object EditBtn: TButton", {"Caption = 'Edit'", "OnClick = EditBtnClick"}),
          Dfm("object TextBtn: TButton", {"Caption = 'Text'", "OnClick = TextBtnClick"}),
          Dfm("object FailBtn: TButton", {"Caption = 'Fail'", "ModalResult = 1", "OnClick = FailBtnClick"}),
          Dfm("object HiddenBtn: TButton", {"Caption = 'Hidden'", "Visible = False"})}),
     Dfm("object SaveDialog: TSaveDialog", {"DefaultExt = 'txt'", "Options = [ofOverwritePrompt]"})});

// Drags reorder siblings as the outline window does: the item at the press goes before the
// item it is dropped on, when both have the same parent.
class TToolWin : public vcl::TDesignedForm {
public:
    explicit TToolWin(vcl::TComponent* owner) : TDesignedForm(owner, "TToolWin") {
        using namespace vcl;
        RegisterHandler("TreeMouseDown", [this](TObject*, TMouseButton button, TShiftState, int x, int y) {
            if (button != mbLeft) return;
            dragSource = Tree->GetItem(x, y);
            if (dragSource > 0) Tree->BeginDrag(true);
        });
        RegisterHandler("TreeDragOver", [this](TObject*, TObject* source, int x, int y, TDragState, bool& accept) {
            const int32_t target = Tree->GetItem(x, y);
            accept = source == Tree && target > 0 && dragSource > 0 &&
                     Tree->Items(target).Parent() == Tree->Items(dragSource).Parent();
        });
        RegisterHandler("TreeDragDrop", [this](TObject*, TObject*, int x, int y) {
            Tree->Items(dragSource).MoveTo(Tree->GetItem(x, y), oaInsert);
        });
        RegisterHandler("OrderChange", [this](TObject*) { log += "order " + Order->Text() + ";"; });
        RegisterHandler("EditBtnClick", [this](TObject*) {
            auto* dialog = new TDetailDlg(this);
            dialog->Control<TEdit>("EdName")->SetText(EdName->Text());
            const TModalResult result = dialog->ShowModal();
            log += "detail " + std::to_string(result) + ";";
            if (result == mrOk) EdName->SetText(dialog->Control<TEdit>("EdName")->Text());
            delete dialog;
        });
        RegisterHandler("TextBtnClick", [this](TObject*) {
            if (!SaveDialog->Execute() || SaveDialog->FileName().empty()) return;
            TLines lines = Tree->Lines();
            lines.Insert(0, "{" + Caption() + "}");
            lines.SaveToFile(SaveDialog->FileName());
        });
        RegisterHandler("FailBtnClick",
                        [](TObject*) -> void { throw EConvertError("'x\x01' is not a valid integer value"); });
        LoadDesign(kToolDesign, "ToolWin.dfm");
        Tree = Control<TOutline>("Tree");
        Order = Control<TComboBox>("Order");
        EdName = Control<TEdit>("EdName");
        SaveDialog = Control<TSaveDialog>("SaveDialog");
    }

    vcl::TOutline* Tree;
    vcl::TComboBox* Order;
    vcl::TEdit* EdName;
    vcl::TSaveDialog* SaveDialog;
    int32_t dragSource = -1;
    std::string log;
};

}  // namespace uitest
