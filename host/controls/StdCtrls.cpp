#include "host/controls/StdCtrls.h"

#include "host/vcl/ClassCatalogue.h"

namespace vcl {

namespace {

struct KindInfo {
    TBitBtnKind kind;
    const char* name;
    const char* caption;
    TModalResult result;
};

constexpr KindInfo kKinds[] = {
    {bkCustom, "bkCustom", "", mrNone},      {bkOK, "bkOK", "OK", mrOk},
    {bkCancel, "bkCancel", "Cancel", mrCancel}, {bkHelp, "bkHelp", "&Help", mrNone},
    {bkYes, "bkYes", "&Yes", mrYes},         {bkNo, "bkNo", "&No", mrNo},
    {bkClose, "bkClose", "&Close", mrNone},  {bkAbort, "bkAbort", "Abort", mrAbort},
    {bkRetry, "bkRetry", "&Retry", mrRetry}, {bkIgnore, "bkIgnore", "&Ignore", mrIgnore},
    {bkAll, "bkAll", "&All", TModalResult(8)},
};

TLines ListOfStrings(const TStoredValue& value) {
    TLines lines;
    value.ForEachItem([&lines](const TStoredValue& item) { lines.Add(item.AsString()); });
    return lines;
}

}  // namespace

TCustomForm* GetParentForm(const TControl* control) {
    if (control == nullptr) return nullptr;
    const TControl* top = control;
    while (top->Parent() != nullptr) top = top->Parent();
    return dynamic_cast<TCustomForm*>(const_cast<TControl*>(top));
}

TLabel::TLabel(TComponent* owner, const TClassInfo* cls) : TGraphicControl(owner, cls ? cls : ClassByName("TLabel")) {}

TImage::TImage(TComponent* owner, const TClassInfo* cls) : TGraphicControl(owner, cls ? cls : ClassByName("TImage")) {}

TPanel::TPanel(TComponent* owner, const TClassInfo* cls) : TCustomControl(owner, cls ? cls : ClassByName("TPanel")) {}

TGroupBox::TGroupBox(TComponent* owner, const TClassInfo* cls)
    : TCustomControl(owner, cls ? cls : ClassByName("TGroupBox")) {}

// ---- TButton

TButton::TButton(TComponent* owner, const TClassInfo* cls) : TWinControl(owner, cls ? cls : ClassByName("TButton")) {
    SetTabStop(true);
}

void TButton::Click() {
    if (modalResult_ != mrNone)
        if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(modalResult_);
    if (OnClick()) OnClick()(this);
}

bool TButton::ReadNative(std::string_view name, const TPropInfo& prop, TValue& out) const {
    if (!NameIs(name, "modalresult") || modalResultKept_) return TWinControl::ReadNative(name, prop, out);
    out = int64_t(modalResult_);
    return true;
}

bool TButton::WriteNative(std::string_view name, const TPropInfo& prop, TValue& value) {
    if (!NameIs(name, "modalresult")) return TWinControl::WriteNative(name, prop, value);
    if (auto* id = std::get_if<TIdent>(&value)) {
        static constexpr const char* kNames[] = {"mrNone", "mrOk", "mrCancel", "mrAbort", "mrRetry",
                                                 "mrIgnore", "mrYes", "mrNo", "mrAll"};
        for (int i = 0; i < 9; ++i)
            if (SameText(id->name, kNames[i])) {
                SetModalResult(TModalResult(i));
                return true;
            }
        SetModalResult(mrNone);
        modalResultKept_ = true;
        return false;
    }
    SetModalResult(TModalResult(ValueToInt32(value, prop)));
    return true;
}

// ---- TBitBtn

TBitBtn::TBitBtn(TComponent* owner, const TClassInfo* cls) : TButton(owner, cls ? cls : ClassByName("TBitBtn")) {}

const char* TBitBtn::KindCaption(TBitBtnKind kind) { return kKinds[kind].caption; }

TModalResult TBitBtn::KindModalResult(TBitBtnKind kind) { return kKinds[kind].result; }

void TBitBtn::SetKind(TBitBtnKind kind) {
    kindKept_ = false;
    if (kind == kind_) return;
    // What still stands as the old kind's standard follows the new kind.
    if (Caption().empty() || Caption() == KindCaption(kind_)) SetCaption(KindCaption(kind));
    if (ModalResult() == KindModalResult(kind_)) SetModalResult(KindModalResult(kind));
    kind_ = kind;
}

void TBitBtn::Click() {
    if (kind_ == bkClose)  // as the frame closes it
        if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(mrCancel);
    TButton::Click();
}

bool TBitBtn::ReadNative(std::string_view name, const TPropInfo& prop, TValue& out) const {
    if (!NameIs(name, "kind") || kindKept_) return TButton::ReadNative(name, prop, out);
    out = TIdent{kKinds[kind_].name};
    return true;
}

bool TBitBtn::WriteNative(std::string_view name, const TPropInfo& prop, TValue& value) {
    if (!NameIs(name, "kind")) return TButton::WriteNative(name, prop, value);
    if (auto* id = std::get_if<TIdent>(&value))
        for (const auto& k : kKinds)
            if (SameText(k.name, id->name)) {
                SetKind(k.kind);
                return true;
            }
    SetKind(bkCustom);
    kindKept_ = true;
    return false;
}

// ---- edit boxes and memos

TCustomEdit::TCustomEdit(TComponent* owner, const TClassInfo* cls)
    : TWinControl(owner, cls ? cls : ClassByName("TCustomEdit")) {
    SetTabStop(true);
}

TEventSlot TCustomEdit::FindEvent(std::string_view e) {
    if (e == "onchange") return &OnChange;
    return TControlEvents::FindEvent(e);
}

void TCustomEdit::Change() {
    if (!Loading() && OnChange) OnChange(this);
}

void TCustomEdit::CheckWritable() const {
    const TPropInfo* prop = GetPropInfo(this, "ReadOnly");
    if (prop == nullptr) return;
    const TValue v = ReadProperty(*prop);
    auto* id = std::get_if<TIdent>(&v);
    if (id != nullptr && SameText(id->name, "True")) throw EActionRefused(Name() + " is read-only");
}

TEdit::TEdit(TComponent* owner, const TClassInfo* cls) : TCustomEdit(owner, cls ? cls : ClassByName("TEdit")) {}

void TEdit::SetText(const std::string& text) {
    if (text == Caption()) return;
    SetCaption(text);
    Change();
}

void TEdit::ActSet(const std::string& text) {
    CheckWritable();
    SetText(text);
}

bool TEdit::WriteNative(std::string_view name, const TPropInfo& prop, TValue& value) {
    if (!NameIs(name, "text")) return TCustomEdit::WriteNative(name, prop, value);
    SetText(TakeString(value, prop));
    return true;
}

TMemo::TMemo(TComponent* owner, const TClassInfo* cls) : TCustomEdit(owner, cls ? cls : ClassByName("TMemo")) {}

std::string TMemo::Text() const {
    std::string text;
    for (int i = 0; i < lines_.Count(); ++i) text.append(i ? "\r\n" : "").append(lines_[i]);
    return text;
}

void TMemo::SetText(std::string_view text) {
    lines_.SetText(text);
    Change();
}

void TMemo::ActSet(const std::string& text) {
    CheckWritable();
    SetText(text);
}

bool TMemo::ReadDesigned(std::string_view lname, const TStoredValue& value) {
    if (lname != "lines.strings" || value.Kind() != TStoredKind::List) return false;
    lines_ = ListOfStrings(value);
    return true;
}

// ---- check boxes

TCheckBox::TCheckBox(TComponent* owner, const TClassInfo* cls)
    : TWinControl(owner, cls ? cls : ClassByName("TCheckBox")) {
    SetTabStop(true);
}

void TCheckBox::SetChecked(bool value) {
    if (value == checked_) return;
    checked_ = value;
    if (!Loading() && OnClick()) OnClick()(this);
}

void TCheckBox::ActSet(const std::string& text) {
    if (text != "0" && text != "1") throw EActionRefused("a check box is set to 1 or 0, not '" + text + "'");
    SetChecked(text == "1");
}

bool TCheckBox::ReadNative(std::string_view name, const TPropInfo& prop, TValue& out) const {
    if (!NameIs(name, "checked")) return TWinControl::ReadNative(name, prop, out);
    out = TIdent{checked_ ? "True" : "False"};
    return true;
}

bool TCheckBox::WriteNative(std::string_view name, const TPropInfo& prop, TValue& value) {
    if (NameIs(name, "checked")) {
        SetChecked(ValueToBool(value, prop));
        return true;
    }
    // The state is kept as written (a grayed box stays grayed in its file); it decides Checked.
    if (auto* id = std::get_if<TIdent>(&value); id && NameIs(name, "state")) SetChecked(SameText(id->name, "cbChecked"));
    return TWinControl::WriteNative(name, prop, value);
}

// ---- combo boxes

TComboBox::TComboBox(TComponent* owner, const TClassInfo* cls)
    : TWinControl(owner, cls ? cls : ClassByName("TComboBox")) {
    SetTabStop(true);
}

void TComboBox::SetItemIndex(int index) { itemIndex_ = index; }

std::string TComboBox::Text() const {
    return itemIndex_ >= 0 && itemIndex_ < items_.Count() ? items_[itemIndex_] : Caption();
}

void TComboBox::Choose(int index) {
    if (index < 0 || index >= items_.Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    itemIndex_ = index;
    if (OnClick()) OnClick()(this);
    if (OnChange) OnChange(this);
}

void TComboBox::ActChoose(int item) {
    CheckActionRange(item, 0, items_.Count() - 1, "item");
    Choose(item);
}

TEventSlot TComboBox::FindEvent(std::string_view e) {
    if (e == "onchange") return &OnChange;
    if (e == "ondropdown") return &OnDropDown;
    return TControlEvents::FindEvent(e);
}

bool TComboBox::ReadDesigned(std::string_view lname, const TStoredValue& value) {
    if (lname != "items.strings" || value.Kind() != TStoredKind::List) return false;
    items_ = ListOfStrings(value);
    return true;
}

bool TComboBox::ReadNative(std::string_view name, const TPropInfo& prop, TValue& out) const {
    if (!NameIs(name, "itemindex")) return TWinControl::ReadNative(name, prop, out);
    out = int64_t(itemIndex_);
    return true;
}

bool TComboBox::WriteNative(std::string_view name, const TPropInfo& prop, TValue& value) {
    if (!NameIs(name, "itemindex")) return TWinControl::WriteNative(name, prop, value);
    SetItemIndex(ValueToInt32(value, prop));
    return true;
}

}  // namespace vcl
