#include "host/controls/Dialogs.h"

#include <sys/stat.h>

#include <algorithm>

#include "host/vcl/ClassCatalogue.h"
#include "host/vcl/Forms.h"

namespace vcl {

namespace {

TSaveDialogRunner& SaveRunner() {
    static TSaveDialogRunner runner;
    return runner;
}

TMessageBoxRunner& MessageRunner() {
    static TMessageBoxRunner runner;
    return runner;
}

TExceptionRunner& ExceptionRunner() {
    static TExceptionRunner runner;
    return runner;
}

bool Exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

bool HasExtension(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    const size_t dot = path.rfind('.');
    return dot != std::string::npos && (slash == std::string::npos || dot > slash);
}

}  // namespace

void SetSaveDialogRunner(TSaveDialogRunner runner) { SaveRunner() = std::move(runner); }

void SetMessageBoxRunner(TMessageBoxRunner runner) { MessageRunner() = std::move(runner); }

void SetExceptionRunner(TExceptionRunner runner) { ExceptionRunner() = std::move(runner); }

TOpenDialog::TOpenDialog(TComponent* owner, const TClassInfo* cls)
    : TComponent(owner, cls ? cls : ClassByName("TOpenDialog")) {}

bool TOpenDialog::Execute() { return false; }  // opening files is not something the tools do

bool TOpenDialog::HasOption(std::string_view name) const {
    const TPropInfo* prop = GetPropInfo(this, "Options");
    if (prop == nullptr) return false;
    const TValue value = ReadProperty(*prop);
    const auto* set = std::get_if<TSetValue>(&value);
    if (set == nullptr) return false;
    return std::any_of(set->elements.begin(), set->elements.end(),
                       [&](const std::string& o) { return SameText(o, name); });
}

bool TOpenDialog::ReadNative(std::string_view name, const TPropInfo& prop, TValue& out) const {
    if (NameIs(name, "filename")) out = fileName_;
    else if (NameIs(name, "defaultext")) out = defaultExt_;
    else if (NameIs(name, "filter")) out = filter_;
    else if (NameIs(name, "title")) out = title_;
    else return TComponent::ReadNative(name, prop, out);
    return true;
}

bool TOpenDialog::WriteNative(std::string_view name, const TPropInfo& prop, TValue& value) {
    if (NameIs(name, "filename")) fileName_ = TakeString(value, prop);
    else if (NameIs(name, "defaultext")) defaultExt_ = TakeString(value, prop);
    else if (NameIs(name, "filter")) filter_ = TakeString(value, prop);
    else if (NameIs(name, "title")) title_ = TakeString(value, prop);
    else return TComponent::WriteNative(name, prop, value);
    return true;
}

TSaveDialog::TSaveDialog(TComponent* owner, const TClassInfo* cls)
    : TOpenDialog(owner, cls ? cls : ClassByName("TSaveDialog")) {}

bool TSaveDialog::Execute() {
    if (!SaveRunner()) return false;
    for (;;) {
        std::optional<std::string> chosen = SaveRunner()(*this);
        if (!chosen) return false;
        if (!chosen->empty() && !DefaultExt().empty() && !HasExtension(*chosen)) *chosen += "." + DefaultExt();
        // The question comes from the dialog, over it: No lets the person choose again.
        if (!chosen->empty() && HasOption("ofOverwritePrompt") && Exists(*chosen) &&
            MessageBox(*chosen + " already exists. Do you want to replace it?", Title(),
                       MB_YESNO | MB_ICONWARNING) == IDNO)
            continue;
        SetFileName(*chosen);
        return true;
    }
}

int MessageBox(const std::string& text, const std::string& caption, int flags) {
    return MessageRunner() ? MessageRunner()(text, caption, flags) : IDOK;
}

// The application's title is its executable's name without folder or extension.
static std::string ApplicationTitle() {
    std::string title = Application()->ExeName();
    title = title.substr(title.find_last_of("/\\") == std::string::npos ? 0 : title.find_last_of("/\\") + 1);
    if (title.rfind('.') != std::string::npos && title.rfind('.') > 0) title.erase(title.rfind('.'));
    return title.empty() ? "tavrinqa" : title;
}

void ShowMessage(const std::string& text) { MessageBox(text, ApplicationTitle(), MB_OK); }

void HandleException(const Exception& e) {
    if (ExceptionRunner()) ExceptionRunner()(e);
    else MessageBox(PrintableText(e.Message()), ApplicationTitle(), MB_OK | MB_ICONERROR);
}

}  // namespace vcl
