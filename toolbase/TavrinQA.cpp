#include "toolbase/TavrinQA.h"

#include <algorithm>
#include <vector>

#include "toolbase/Infobase.h"
#include "host/vcl/ClassCatalogue.h"
#include "host/vcl/Forms.h"

namespace tavrin {

namespace {

constexpr const char* kToolProperties[] = {"About", "Parentage", "Hints", "Positions", "Tabs",
                                           "DataInfo", "MenuInfo", "AllComponents", "FormData"};

// Live instances, oldest first: when the one whose settings are current goes, the newest
// remaining one takes over, so aninifile never points at a destroyed settings object.
std::vector<TTavrinQA*>& Instances() {
    static std::vector<TTavrinQA*> instances;
    return instances;
}

bool IsToolProperty(std::string_view lname) {
    return std::any_of(std::begin(kToolProperties), std::end(kToolProperties),
                       [&](const char* p) { return vcl::SameText(p, lname); });
}

}  // namespace

const vcl::TClassInfo& TTavrinQA::StaticClass() {
    static const vcl::TClassInfo& cls = [] () -> const vcl::TClassInfo& {
        auto& catalogue = vcl::ClassCatalogue();
        vcl::TClassInfo& c = catalogue.Declare("TTavrinQA", "TComponent");
        for (const char* name : kToolProperties) {
            vcl::TPropInfo prop;
            prop.Name = name;
            prop.TypeName = "TComponent";
            prop.Kind = vcl::TTypeKind::tkClass;
            prop.PropClass = catalogue.Find("TComponent");
            prop.Stored = false;
            c.AddProperty(std::move(prop));
        }
        catalogue.RegisterFactory("TTavrinQA", [](vcl::TComponent* owner, const vcl::TClassInfo* k) {
            return new TTavrinQA(owner, k);
        });
        return c;
    }();
    return cls;
}

std::string TTavrinQA::SettingsFileName() {
    const std::string& exe = vcl::Application()->ExeName();
    const size_t slash = exe.find_last_of('/');
    return (slash == std::string::npos ? std::string() : exe.substr(0, slash + 1)) + "tavrinqa.ini";
}

TTavrinQA::TTavrinQA(vcl::TComponent* owner, const vcl::TClassInfo* cls)
    : vcl::TComponent(owner, cls ? cls : &StaticClass()),
      settings_(std::make_unique<zorbase::tinifile>(SettingsFileName())) {
    Instances().push_back(this);
    SETini();
}

TTavrinQA::~TTavrinQA() {
    auto& instances = Instances();
    instances.erase(std::find(instances.begin(), instances.end(), this));
    if (aninifile == settings_.get())
        aninifile = instances.empty() ? nullptr : instances.back()->settings_.get();
}

void TTavrinQA::SETini() { aninifile = settings_.get(); }

vcl::TComponent* TTavrinQA::GetAll() {
    SETini();
    return Owner();
}

void TTavrinQA::SetAll(vcl::TComponent*) {}

bool TTavrinQA::ReadNative(std::string_view lname, const vcl::TPropInfo& prop, vcl::TValue& out) const {
    if (!IsToolProperty(lname)) return TComponent::ReadNative(lname, prop, out);
    vcl::TComponent* form = const_cast<TTavrinQA*>(this)->GetAll();
    out = vcl::TReference{form ? form->Name() : std::string(), form};
    return true;
}

bool TTavrinQA::WriteNative(std::string_view lname, const vcl::TPropInfo& prop, vcl::TValue& value) {
    if (!IsToolProperty(lname)) return TComponent::WriteNative(lname, prop, value);
    SetAll(nullptr);
    return true;
}

}  // namespace tavrin
