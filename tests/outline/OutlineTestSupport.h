// What the outline tool tests share: a host whose settings file lives in a fresh folder, a
// form Form1 with a QA component on it, a backend that plays the person in code, and the
// tree an outline window showed when it closed.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "framework/TavrinQA.h"
#include "framework/cfrminfo.h"
#include "host/controls/ControlClasses.h"
#include "host/controls/Dialogs.h"
#include "host/controls/Outline.h"
#include "host/controls/StdCtrls.h"
#include "host/ui/Backend.h"
#include "host/ui/Script.h"
#include "host/vcl/Menus.h"
#include "host/vcl/Notebooks.h"
#include "outline/Parento2.h"
#include "tests/support/TestSupport.h"

namespace outlinetest {

using Names = std::vector<std::string>;

// An outline's lines read back as a tree of item texts.
struct Tree {
    std::vector<std::pair<std::string, int>> items;  // text, level from 0

    explicit Tree(const vcl::TLines& lines = {}) {
        for (const std::string& line : lines) {
            const size_t level = line.find_first_not_of('\t');
            items.emplace_back(line.substr(level), int(level));
        }
    }
    int Find(const std::string& text) const {
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i].first == text) return int(i);
        return -1;
    }
    bool Has(const std::string& text) const { return Find(text) >= 0; }
    // The texts directly under the first item with that text, in order.
    Names Children(const std::string& text) const {
        Names children;
        const int at = Find(text);
        for (size_t i = size_t(at + 1); at >= 0 && i < items.size() && items[i].second > items[size_t(at)].second; ++i)
            if (items[i].second == items[size_t(at)].second + 1) children.push_back(items[i].first);
        return children;
    }
};

// Plays the person in code: each modal window goes to onModal (Cancel without one);
// message boxes are answered OK and kept.
class CodeBackend : public ui::TBackend {
public:
    std::function<vcl::TModalResult(vcl::TCustomForm&)> onModal;
    Names messages, captions;  // captions: of every modal window shown

    vcl::TModalResult RunModal(vcl::TCustomForm& form) override {
        captions.push_back(form.Caption());
        return onModal ? onModal(form) : vcl::mrCancel;
    }
    std::optional<std::string> AnswerSaveDialog(vcl::TSaveDialog&) override { return std::nullopt; }
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

    template <class T>
    T* Add(const std::string& name, vcl::TWinControl* parent) {
        auto* c = new T(form);
        c->SetName(name);
        c->SetParent(parent);
        return c;
    }
    vcl::TMenuItem* Item(const std::string& name, const std::string& caption, vcl::TMenuItem* parent) {
        auto* item = new vcl::TMenuItem(form);
        item->SetName(name);
        item->SetCaption(caption);
        parent->Add(item);
        return item;
    }
    // Runs an entry procedure on `on` (the form by default); `act` plays the person in the
    // outline window. The tree the window closed with lands in shown.
    CodeBackend Run(void (*entry)(vcl::TComponent*), std::function<vcl::TModalResult()> act = nullptr,
                    vcl::TComponent* on = nullptr) {
        CodeBackend backend;
        backend.onModal = [&](vcl::TCustomForm&) {
            const vcl::TModalResult result = act ? act() : vcl::mrCancel;
            shown = Tree(tavrin::FrmInfo->OutlineParent->Lines());
            return result;
        };
        ui::TInstalled installed(backend);
        entry(on ? on : form);
        return backend;
    }
    // Runs an entry procedure on the form under an automation script; its dumps land in
    // out, its messages and shown errors in err.
    void RunScript(void (*entry)(vcl::TComponent*), const std::string& script) {
        out.str("");
        err.str("");
        ui::TScriptBackend backend(script, "test.script", out, err);
        ui::TInstalled installed(backend);
        entry(form);
        backend.Finish();
    }

    testsupport::TempDir home;
    vcl::TForm* form = nullptr;
    tavrin::TTavrinQA* qa = nullptr;
    Tree shown;
    std::ostringstream out, err;

private:
    std::string savedExe_;
};

}  // namespace outlinetest
