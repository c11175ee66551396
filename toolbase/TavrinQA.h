// The component a developer drops on a form to reach the inspection tools. Its nine
// published properties all show the owning form; reading one makes this component's
// settings file the one the tools use.
#pragma once

#include <memory>
#include <string>

#include "host/base/Zorifile.h"
#include "host/vcl/Classes.h"

namespace tavrin {

class TTavrinQA : public vcl::TComponent {
public:
    explicit TTavrinQA(vcl::TComponent* owner, const vcl::TClassInfo* cls = nullptr);
    ~TTavrinQA() override;

    // Makes this component's settings object the current one (aninifile).
    void SETini();
    // SETini, then the owner: the form the tools inspect.
    vcl::TComponent* GetAll();
    // The properties cannot be changed.
    void SetAll(vcl::TComponent* value);

    zorbase::tinifile& Settings() { return *settings_; }

    // One the program dropped on a form that has none, for one run, and takes away before
    // saving: no part of the form.
    bool ForTheRunOnly() const { return forTheRunOnly_; }
    void SetForTheRunOnly(bool v) { forTheRunOnly_ = v; }

    // The catalogue class, declared on first use.
    static const vcl::TClassInfo& StaticClass();
    // The settings file of this host: "tavrinqa.ini" beside the host's executable.
    static std::string SettingsFileName();

protected:
    bool ReadNative(std::string_view lname, const vcl::TPropInfo& prop, vcl::TValue& out) const override;
    bool WriteNative(std::string_view lname, const vcl::TPropInfo& prop, vcl::TValue& value) override;

private:
    std::unique_ptr<zorbase::tinifile> settings_;
    bool forTheRunOnly_ = false;
};

}  // namespace tavrin
