#include "toolbase/Infobase.h"

#include <charconv>
#include <cstdlib>
#include <ctime>

#include "host/base/Zormanip.h"
#include "host/vcl/Controls.h"
#include "host/vcl/Menus.h"

namespace tavrin {

zorbase::tinifile* aninifile = nullptr;

namespace {
const std::string kSeparator = " : ";
TToolRun* currentRun = nullptr;
}  // namespace

TToolRun::TToolRun() : previous_(currentRun) { currentRun = this; }
TToolRun::~TToolRun() { currentRun = previous_; }

TToolRun& TToolRun::Current() {
    static TToolRun process{Detached{}};
    return currentRun != nullptr ? *currentRun : process;
}

std::string NodeID(const TComponent* component) {
    std::string id;
    NodeIDInto(id, component);
    return id;
}

void NodeIDInto(std::string& out, const TComponent* component) {
    out.clear();
    if (component == nullptr) return;
    const std::string &name = component->Name(), &className = component->ClassName();
    out.reserve(name.size() + kSeparator.size() + className.size() + 1);
    out.append(name).append(kSeparator).append(className).push_back(';');
}

void classnamefromid(std::string_view id, std::string& name, std::string& className) {
    name.clear();
    className.clear();
    const size_t at = id.find(kSeparator);
    if (at == std::string::npos) return;
    name = id.substr(0, at);
    className = id.substr(at + kSeparator.size());
    if (!className.empty()) className.pop_back();
}

std::string GetParentString(const TComponent* component) {
    if (auto* control = vcl::Cast<const vcl::TControl>(component)) return NodeID(control->Parent());
    if (auto* item = vcl::Cast<const vcl::TMenuItem>(component)) return NodeID(item->Parent());
    return {};
}

std::string valid_componentname(const std::string& caption) {
    std::string name = zorbase::erase_white(caption);
    if (vcl::IsAsciiIdent(name)) return name;
    return "InvalidPageName_" + std::to_string(TToolRun::Current().pageNames++);
}

void ReadWindowPlace(vcl::TDesignedForm& window, const std::string& section) {
    if (aninifile == nullptr) return;
    const zorbase::tinifile::Reading once(*aninifile);
    // A place kept on another desktop, or a damaged one, still gives a window on this one.
    const vcl::TWindowPlace place = vcl::Screen()->Fit({aninifile->ReadInteger(section, "Window Left", 100),
                                                        aninifile->ReadInteger(section, "Window Top", 100),
                                                        aninifile->ReadInteger(section, "Window Width", 400),
                                                        aninifile->ReadInteger(section, "Window Height", 300)});
    window.SetBounds(place.left, place.top, place.width, place.height);
    const int32_t state = aninifile->ReadInteger(section, "State", vcl::wsMaximized);
    window.SetWindowState(state >= vcl::wsNormal && state <= vcl::wsMaximized ? vcl::TWindowState(state)
                                                                              : vcl::wsMaximized);
}

void WriteWindowPlace(const vcl::TDesignedForm& window, const std::string& section) {
    if (aninifile == nullptr) return;
    aninifile->WriteInteger(section, "Window Left", window.Left());
    aninifile->WriteInteger(section, "Window Top", window.Top());
    aninifile->WriteInteger(section, "Window Width", window.Width());
    aninifile->WriteInteger(section, "Window Height", window.Height());
    aninifile->WriteInteger(section, "State", window.WindowState());
}

std::string ExportDateTime() {
    std::time_t when = std::time(nullptr);
    std::tm parts{};
    bool ok;
    const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
    if (epoch != nullptr && *epoch != '\0') {
        const std::string_view text(epoch);
        int64_t seconds = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seconds);
        if (ec != std::errc() || end != text.data() + text.size() || seconds != int64_t(std::time_t(seconds)))
            throw vcl::EConvertError("SOURCE_DATE_EPOCH '" + std::string(text) +
                                     "' is not a whole number of seconds since 1970");
        when = std::time_t(seconds);
        ok = gmtime_r(&when, &parts) != nullptr;
    } else {
        ok = localtime_r(&when, &parts) != nullptr;
    }
    if (!ok) throw vcl::EConvertError("The time " + std::to_string(int64_t(when)) + " has no date");
    char text[64];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
    return text;
}

void WriteExport(const std::string& path, const std::string& caption,
                 const std::function<void(vcl::TLineWriter& out)>& lines) {
    const std::string created = "{Date Created = " + ExportDateTime() + "}";
    vcl::TLineWriter out(path);
    out.Add("{" + caption + "}");
    out.Add(created);
    lines(out);
    out.Close();
}

static const vcl::TPropInfo* PropOf(const TComponent* component, const std::string& propName) {
    return component == nullptr ? nullptr : vcl::GetPropInfo(component, propName);
}

bool HasProp(const TComponent* component, const std::string& propName) {
    return PropOf(component, propName) != nullptr;
}

std::string MyGetStringProp(const TComponent* component, const std::string& propName) {
    const vcl::TPropInfo* prop = PropOf(component, propName);
    if (prop == nullptr || !vcl::IsStringKind(prop->Kind)) return {};
    return vcl::GetStrProp(component, prop);
}

void MySetStringProp(TComponent* component, const std::string& propName, const std::string& value) {
    const vcl::TPropInfo* prop = PropOf(component, propName);
    if (prop == nullptr || !vcl::IsStringKind(prop->Kind)) return;
    vcl::SetStrProp(component, prop, value);
}

vcl::TObject* MyGetObjectProp(const TComponent* component, const std::string& propName) {
    const vcl::TPropInfo* prop = PropOf(component, propName);
    if (prop == nullptr || prop->Kind != vcl::TTypeKind::tkClass) return nullptr;
    return vcl::GetObjectProp(component, prop);
}

TPropertyOf::TPropertyOf(std::string name)
    : name_(std::move(name)),
      field_(vcl::SameText(name_, "caption") ? Field::kCaption
             : vcl::SameText(name_, "hint") ? Field::kHint
                                            : Field::kOther) {}

const vcl::TPropInfo* TPropertyOf::Of(const TComponent* component) {
    if (component == nullptr) return nullptr;
    if (&component->ClassType() != class_) {
        class_ = &component->ClassType();
        prop_ = class_->FindProperty(name_);
    }
    return prop_;
}

std::string TPropertyOf::String(const TComponent* component) {
    const vcl::TPropInfo* prop = Of(component);
    if (prop == nullptr || !vcl::IsStringKind(prop->Kind)) return {};
    return vcl::GetStrProp(component, prop);
}

std::optional<std::string_view> OwnCaption(const TComponent& component) {
    if (const auto* control = vcl::Cast<const vcl::TControl>(&component)) return control->Caption();
    if (const auto* item = vcl::Cast<const vcl::TMenuItem>(&component)) return item->Caption();
    return std::nullopt;
}

std::optional<std::string_view> OwnHint(const TComponent& component) {
    if (const auto* control = vcl::Cast<const vcl::TControl>(&component)) return control->Hint();
    if (const auto* item = vcl::Cast<const vcl::TMenuItem>(&component)) return item->Hint();
    return std::nullopt;
}

std::string_view TPropertyOf::Text(const TComponent* component, std::string& scratch) {
    const vcl::TPropInfo* prop = Of(component);
    if (prop == nullptr || !vcl::IsStringKind(prop->Kind)) return {};
    const std::optional<std::string_view> own = field_ == Field::kCaption ? OwnCaption(*component)
                                                : field_ == Field::kHint  ? OwnHint(*component)
                                                                          : std::nullopt;
    if (own) return *own;
    return scratch = vcl::GetStrProp(component, prop);
}

std::string gethint(const TComponent* component) { return MyGetStringProp(component, "hint"); }
void sethint(TComponent* component, const std::string& value) { MySetStringProp(component, "hint", value); }
std::string getcaption(const TComponent* component) { return MyGetStringProp(component, "caption"); }
void setcaption(TComponent* component, const std::string& value) { MySetStringProp(component, "caption", value); }

tComponentAllocRec tComponentAllocRec::Make(int componentIndex) {
    if (componentIndex < INT16_MIN || componentIndex > INT16_MAX)
        throw vcl::ERangeError("Range check error: component index " + std::to_string(componentIndex) +
                               " does not fit a tool record");
    return {static_cast<int16_t>(componentIndex), false};
}

void tZorFrmInfo::categorisecontrols() {
    if (!oktoproceed()) return;
    for (int i = 0; i < form->ComponentCount(); ++i)
        if (vcl::Is<vcl::TControl>(form->Components(i))) alloclist.Add(tComponentAllocRec::Make(i));
}

}  // namespace tavrin
