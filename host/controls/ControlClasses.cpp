#include "host/controls/ControlClasses.h"

#include "host/controls/Dialogs.h"
#include "host/controls/Grids.h"
#include "host/controls/Outline.h"
#include "host/controls/StdCtrls.h"
#include "host/vcl/ClassCatalogue.h"

namespace vcl {

namespace {

template <typename T>
TComponent* Make(TComponent* owner, const TClassInfo* cls) {
    return new T(owner, cls);
}

}  // namespace

void RegisterControlClasses() {
    TClassCatalogue& catalogue = ClassCatalogue();
    catalogue.RegisterFactory("TLabel", Make<TLabel>);
    catalogue.RegisterFactory("TPanel", Make<TPanel>);
    catalogue.RegisterFactory("TGroupBox", Make<TGroupBox>);
    catalogue.RegisterFactory("TButton", Make<TButton>);
    catalogue.RegisterFactory("TBitBtn", Make<TBitBtn>);
    catalogue.RegisterFactory("TEdit", Make<TEdit>);
    catalogue.RegisterFactory("TMemo", Make<TMemo>);
    catalogue.RegisterFactory("TCheckBox", Make<TCheckBox>);
    catalogue.RegisterFactory("TComboBox", Make<TComboBox>);
    catalogue.RegisterFactory("TOutline", Make<TOutline>);
    catalogue.RegisterFactory("TStringGrid", Make<TStringGrid>);
    catalogue.RegisterFactory("TOpenDialog", Make<TOpenDialog>);
    catalogue.RegisterFactory("TSaveDialog", Make<TSaveDialog>);
}

}  // namespace vcl
