// What the tool tests share: a backend that plays the person in code, and a form Form1 with a
// QA component on it in a host whose settings file lives in a fresh folder.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#include "toolbase/TavrinQA.h"
#include "host/controls/ControlClasses.h"
#include "host/controls/Dialogs.h"
#include "host/formfile/FormModel.h"
#include "host/ui/Backend.h"
#include "host/ui/Script.h"
#include "host/vcl/Menus.h"
#include "tests/support/TestSupport.h"

namespace testsupport {

// Each modal window goes to onModal (Cancel without one); save dialogs are answered with
// saveAs (Cancel when empty); message boxes are answered OK and kept.
class CodeBackend : public ui::TBackend {
public:
    std::function<vcl::TModalResult(vcl::TCustomForm&)> onModal;
    std::string saveAs;
    std::vector<std::string> captions, messages;  // captions: of every modal window shown

    vcl::TModalResult RunModal(vcl::TCustomForm& form) override {
        captions.push_back(form.Caption());
        return onModal ? onModal(form) : vcl::mrCancel;
    }
    std::optional<std::string> AnswerSaveDialog(vcl::TSaveDialog&) override {
        if (saveAs.empty()) return std::nullopt;
        return saveAs;
    }
    int MessageBox(const std::string& text, const std::string&, int) override {
        messages.push_back(text);
        return vcl::IDOK;
    }
};

class ToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        vcl::RegisterControlClasses();
        savedExe_ = vcl::Application()->ExeName();
        vcl::Application()->SetExeName(home.File("host"));
        form = new vcl::TForm(nullptr);
        form->SetName("Form1");
        qa = new tavrin::TTavrinQA(form);
    }
    void TearDown() override {
        delete form;
        vcl::Application()->SetExeName(savedExe_);
    }

    // A component of Form1, on `parent` (the form by default) when it is a control.
    template <class T>
    T* Add(const std::string& name, vcl::TWinControl* parent = nullptr) {
        auto* c = new T(form);
        c->SetName(name);
        if constexpr (std::is_base_of_v<vcl::TControl, T>) c->SetParent(parent != nullptr ? parent : form);
        return c;
    }
    // A menu item of Form1 under parent.
    vcl::TMenuItem* Item(const std::string& name, const std::string& caption, vcl::TMenuItem* parent) {
        auto* item = Add<vcl::TMenuItem>(name);
        item->SetCaption(caption);
        parent->Add(item);
        return item;
    }
    // Runs an entry procedure on `on` (the form by default) under an automation script; its
    // dumps land in out, its messages and shown errors in err.
    void RunScript(void (*entry)(vcl::TComponent*), const std::string& script, vcl::TComponent* on = nullptr) {
        out.str("");
        err.str("");
        ui::TScriptBackend backend(script, "test.script", out, err);
        ui::TInstalled installed(backend);
        entry(on != nullptr ? on : form);
        backend.Finish();
    }

    // Loads a form file and drops a QA component on it for the run, as the program does.
    std::unique_ptr<formfile::TFormFile> Load(const std::string& path) {
        auto file = formfile::TFormFile::Load(path);
        dropped = new tavrin::TTavrinQA(file->Root());  // freed with the form when not saved
        return file;
    }
    // The file as saved, without the dropped component.
    std::string Saved(formfile::TFormFile& file) {
        delete dropped;
        dropped = nullptr;
        file.ApplyChanges();
        return file.Bytes();
    }

    TempDir home;
    vcl::TForm* form = nullptr;
    tavrin::TTavrinQA* qa = nullptr;
    tavrin::TTavrinQA* dropped = nullptr;
    std::ostringstream out, err;

private:
    std::string savedExe_;
};

}  // namespace testsupport
