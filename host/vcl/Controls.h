// Controls: components with a place inside a parent window, and windowed controls that
// contain other controls and keep them in a tab order.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/vcl/Classes.h"
#include "host/vcl/Texts.h"

namespace vcl {

class TWinControl;

class TControl : public TComponent {
public:
    explicit TControl(TComponent* owner, const TClassInfo* cls = nullptr);
    ~TControl() override;

    TWinControl* Parent() const { return parent_; }
    // Moves the control into newParent's children (null: no parent). A control cannot be
    // its own parent or the parent of one of its ancestors.
    virtual void SetParent(TWinControl* newParent);

    int32_t Left() const { return left_; }
    int32_t Top() const { return top_; }
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    void SetLeft(int32_t v) { Changing(), left_ = v; }
    void SetTop(int32_t v) { Changing(), top_ = v; }
    void SetWidth(int32_t v) { Changing(), width_ = v; }
    void SetHeight(int32_t v) { Changing(), height_ = v; }
    void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height);

    // The window text, published as Caption by some classes and as Text by others.
    const std::string& Caption() const { return text_; }
    void SetCaption(const std::string& v) { Changing(), text_ = v; }
    std::string_view Hint() const { return hint_.View(); }
    void SetHint(std::string_view v) { Changing(), hint_.Set(this, v); }
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool v) { Changing(), showHint_ = v; }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool v) { Changing(), enabled_ = v; }
    bool Visible() const { return visible_; }
    void SetVisible(bool v) { Changing(), visible_ = v; }

    // At design time a control whose text is its name follows a rename.
    void SetName(const std::string& newName) override;

protected:
    bool ReadNative(std::string_view name, const TPropInfo& prop, TValue& out) const override;
    bool WriteNative(std::string_view name, const TPropInfo& prop, TValue& value) override;

private:
    friend class TWinControl;
    TWinControl* parent_ = nullptr;
    int32_t left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    std::string text_;
    TText hint_;  // a form may give every control one
    bool showHint_ = false;
    bool enabled_ = true;
    bool visible_ = true;
    bool windowed_ = false;  // a TWinControl: its parent keeps it in the tab order
};

template <>
inline constexpr uint8_t kKindOf<TControl> = ckControl;


class TGraphicControl : public TControl {
public:
    explicit TGraphicControl(TComponent* owner, const TClassInfo* cls = nullptr);
};

class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* owner, const TClassInfo* cls = nullptr);
    ~TWinControl() override;

    // Child controls: non-windowed ones first, then windowed ones, each in insertion order.
    int ControlCount() const;
    TControl* Controls(int i) const;  // EListError when out of range
    bool ContainsControl(const TControl* control) const;  // self or a descendant

    // The index among the parent's windowed children in tab order; -1 without a parent.
    int TabOrder() const;
    // -1..32767 (else ERangeError). Moves the control to that place among its siblings,
    // which are renumbered; -1 or a value past the last place moves it to the end.
    void SetTabOrder(int value);
    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool v) { Changing(), tabStop_ = v; }

    // Appends every windowed control under this one, depth first, each followed by its
    // own children, siblings in tab order.
    void GetTabOrderList(std::vector<TWinControl*>& list) const;
    const std::vector<TWinControl*>& TabList() const;

    // After reading, the children take the tab orders the file gave them.
    void Loaded() override;

protected:
    bool ReadNative(std::string_view name, const TPropInfo& prop, TValue& out) const override;
    bool WriteNative(std::string_view name, const TPropInfo& prop, TValue& value) override;

private:
    friend class TControl;
    struct Children {
        std::vector<TControl*> controls;  // non-windowed
        std::vector<TWinControl*> windowed;
        std::vector<TWinControl*> tabList;  // windowed, in tab order; each knows its place
    };
    // Appending a child changes no sibling's tab order; removing one changes those after it.
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    void FixupTabList();
    void Renumber(size_t from, size_t to);  // tab places of tabList[from, to)
    void DropTabList();

    // First, to take the word a control's flags leave free.
    int tabIndex_ = -1;  // place in the parent's tab list
    // Most windowed controls (buttons, edits) never hold a child: the lists come with the first.
    std::unique_ptr<Children> children_;
    int loadedTabOrder_ = -1;  // the value read from the file, applied in Loaded
    bool tabStop_ = false;
};

class TCustomControl : public TWinControl {
public:
    explicit TCustomControl(TComponent* owner, const TClassInfo* cls = nullptr);
};

// Where a parent that places its children itself puts one: a page control's tab sheets fill
// the page area beside the tabs, whatever bounds they store, so a place given to them is lost.
struct TPlace {
    int32_t left, top, width, height;
};
std::optional<TPlace> PlacedByParent(const TControl& control);

}  // namespace vcl
