#include "host/controls/ControlClasses.h"

#include "host/controls/Dialogs.h"
#include "host/controls/Grids.h"
#include "host/controls/Outline.h"
#include "host/controls/StdCtrls.h"
#include "host/vcl/ClassCatalogue.h"

namespace vcl {

void RegisterControlClasses() {
    TClassCatalogue& catalogue = ClassCatalogue();
    catalogue.RegisterComponentClass<TLabel>("TLabel");
    catalogue.RegisterComponentClass<TImage>("TImage");
    catalogue.RegisterComponentClass<TPanel>("TPanel");
    catalogue.RegisterComponentClass<TGroupBox>("TGroupBox");
    catalogue.RegisterComponentClass<TButton>("TButton");
    catalogue.RegisterComponentClass<TBitBtn>("TBitBtn");
    catalogue.RegisterComponentClass<TEdit>("TEdit");
    catalogue.RegisterComponentClass<TMemo>("TMemo");
    catalogue.RegisterComponentClass<TCheckBox>("TCheckBox");
    catalogue.RegisterComponentClass<TComboBox>("TComboBox");
    catalogue.RegisterComponentClass<TOutline>("TOutline");
    catalogue.RegisterComponentClass<TStringGrid>("TStringGrid");
    catalogue.RegisterComponentClass<TOpenDialog>("TOpenDialog");
    catalogue.RegisterComponentClass<TSaveDialog>("TSaveDialog");
}

}  // namespace vcl
