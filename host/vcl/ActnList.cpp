#include "host/vcl/ActnList.h"

#include "host/vcl/TypInfo.h"

namespace vcl {

namespace {

constexpr const char* kLinked[] = {"Caption", "Hint",    "ShortCut",   "Checked",
                                   "Enabled", "Visible", "ImageIndex", "HelpContext"};

// What the client holds when it stores nothing of its own: no value, an empty text, or the
// property's default (0 or False when the catalogue names none).
bool HoldsDefault(const TValue& value, const TPropInfo& prop) {
    if (std::holds_alternative<std::monostate>(value)) return true;
    if (auto* text = std::get_if<std::string>(&value)) return text->empty();
    if (auto* number = std::get_if<int64_t>(&value)) return std::to_string(*number) == prop.DefaultOr("0");
    if (auto* ident = std::get_if<TIdent>(&value)) return SameText(ident->name, prop.DefaultOr("False"));
    return false;
}

}  // namespace

void ApplyActionLink(TComponent& client) {
    const TPropInfo* link = GetPropInfo(&client, "Action");
    if (link == nullptr || link->Kind != TTypeKind::tkClass) return;
    const auto* action = dynamic_cast<const TComponent*>(GetObjectProp(&client, link));
    if (action == nullptr || !action->InheritsFrom("TBasicAction")) return;
    for (const char* name : kLinked) {
        const TPropInfo* mine = GetPropInfo(&client, name);
        const TPropInfo* theirs = GetPropInfo(action, name);
        if (mine == nullptr || theirs == nullptr || mine->Kind != theirs->Kind) continue;
        const TValue given = GetPropValue(action, theirs);
        if (std::holds_alternative<std::monostate>(given) || !HoldsDefault(GetPropValue(&client, mine), *mine))
            continue;
        try {
            SetPropValue(&client, mine, given);
        } catch (const Exception&) {
            // A value the client cannot take (a catalogue that gives it another type) stays unlinked.
        }
    }
}

}  // namespace vcl
