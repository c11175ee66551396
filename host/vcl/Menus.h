// Menus and their items. Items form a tree under the menu's invisible root item; every
// item is owned by the form it was designed on, and a freed item frees its sub-items.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "host/vcl/Classes.h"
#include "host/vcl/Texts.h"

namespace vcl {

// A caption as a person reads it: '&' marks the next character as the access key and is not
// shown, "&&" shows one ampersand; an '&' with nothing after it stays.
std::string StripHotkey(std::string_view caption);

class TMenu;

class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* owner, const TClassInfo* cls = nullptr);
    ~TMenuItem() override;

    TMenuItem* Parent() const { return parent_; }
    TMenu* GetParentMenu() const;  // the menu whose tree holds this item, or null

    int Count() const { return static_cast<int>(items_.size()); }
    TMenuItem* Items(int i) const;  // EListError when out of range
    int IndexOf(const TMenuItem* item) const;
    void Add(TMenuItem* item);      // as the last sub-item; taken from its old parent
    void Insert(int index, TMenuItem* item);
    void Remove(TMenuItem* item);

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& v) { Changing(), caption_ = v; }
    std::string_view Hint() const { return hint_.View(); }
    void SetHint(std::string_view v) { Changing(), hint_.Set(this, v); }
    bool Checked() const { return checked_; }
    void SetChecked(bool v) { Changing(), checked_ = v; }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool v) { Changing(), enabled_ = v; }
    bool Visible() const { return visible_; }
    void SetVisible(bool v) { Changing(), visible_ = v; }

protected:
    bool ReadNative(std::string_view name, const TPropInfo& prop, TValue& out) const override;
    bool WriteNative(std::string_view name, const TPropInfo& prop, TValue& value) override;

private:
    friend class TMenu;
    TMenuItem* parent_ = nullptr;
    TMenu* menu_ = nullptr;  // set on a menu's root item only
    std::vector<TMenuItem*> items_;
    std::string caption_;
    TText hint_;  // a form may give every item one
    bool checked_ = false;
    bool enabled_ = true;
    bool visible_ = true;
};

template <>
inline constexpr uint8_t kKindOf<TMenuItem> = ckMenuItem;


class TMenu : public TComponent {
public:
    explicit TMenu(TComponent* owner, const TClassInfo* cls = nullptr);
    ~TMenu() override;
    // The invisible root item: owned by the menu, its sub-items are the top-level items.
    TMenuItem* Items() const { return items_; }

private:
    TMenuItem* items_;
};

template <>
inline constexpr uint8_t kKindOf<TMenu> = ckMenu;

class TMainMenu : public TMenu {
public:
    explicit TMainMenu(TComponent* owner, const TClassInfo* cls = nullptr);
};

class TPopupMenu : public TMenu {
public:
    explicit TPopupMenu(TComponent* owner, const TClassInfo* cls = nullptr);
};

}  // namespace vcl
