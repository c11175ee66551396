// What the generator and window tests share: the host set up as the program sets it up, forms
// made in code, and the generated text of the worked example form.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "codegen/Makeprop.h"
#include "toolbase/TavrinQA.h"
#include "host/base/Zorexprtbase.h"
#include "host/controls/ControlClasses.h"
#include "host/vcl/ClassCatalogue.h"
#include "host/vcl/Forms.h"

namespace codegentest {

// The text the window shows for examples/InputControls.dfm (what Paste sends, MemowndTest);
// lines end with LF. That showing it leaves every form as read is the session corpus test's.
inline const std::string kInputControlsText = R"(
Type
TForm1Data = record
     fEdit1Data : string;
     fRadioGroup1Data : integer;
     fCheckBox1Data : boolean;
end;

Protected
Procedure setForm1Data( aForm1Data : TForm1Data);
Function getForm1Data : TForm1Data;

Public
Property Form1Data : TForm1Data  Read getForm1Data Write setForm1Data;

Implementation

Procedure TForm1.setForm1Data( aForm1Data : TForm1Data);

begin
  with aForm1Data do begin
     Edit1.text := fEdit1Data;
     RadioGroup1.itemindex := fRadioGroup1Data;
     CheckBox1.checked := fCheckBox1Data;
  end;
end;

Function TForm1.getForm1Data : TForm1Data;

begin
  with result do begin
     fEdit1Data := Edit1.text;
     fRadioGroup1Data := RadioGroup1.itemindex;
     fCheckBox1Data := CheckBox1.checked;
  end;
end;

)";

inline std::string InputControlsPath() { return std::string(TAVRIN_SOURCE_DIR) + "/examples/InputControls.dfm"; }

class CodegenTest : public ::testing::Test {
protected:
    void SetUp() override {
        vcl::RegisterControlClasses();
        tavrin::TTavrinQA::StaticClass();
    }
    void TearDown() override { zorbase::SetSourceEditor(nullptr); }

    // A form of the given class (declared as a form class when new) that components join.
    void Form(const std::string& className) {
        form_ = std::make_unique<vcl::TForm>(nullptr, &vcl::ClassCatalogue().Declare(className, "TForm"));
    }
    void Add(const std::string& className, const std::string& name) {
        vcl::ClassCatalogue().CreateComponent(className, form_.get())->SetName(name);
    }
    // The three operations as the driver calls them, without showing the window.
    std::unique_ptr<tavrin::tZorPropMaker> Generate(vcl::TComponent* form) {
        auto tool = std::make_unique<tavrin::tZorPropMaker>(nullptr);
        tool->form = form;
        tool->categorisecontrols();
        tool->ProcessControls();
        return tool;
    }

    std::unique_ptr<vcl::TForm> form_;
};

inline std::vector<std::string> Lines(const vcl::TStringList& list) {
    std::vector<std::string> v;
    for (int i = 0; i < list.Count(); ++i) v.push_back(list.Strings(i));
    return v;
}

// Names of the components a classification list holds, in order.
inline std::vector<std::string> Names(const tavrin::tZorPropMaker& tool,
                                      const vcl::TList<tavrin::tComponentAllocRec>& list) {
    std::vector<std::string> v;
    for (const auto& rec : list) v.push_back(tool.ComponentOf(rec)->Name());
    return v;
}

}  // namespace codegentest
