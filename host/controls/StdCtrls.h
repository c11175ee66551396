// The standard controls of the tool windows: labels, panels, group boxes, buttons (plain
// and with a picture), edit boxes, memos, check boxes and combo boxes.
#pragma once

#include <string>

#include "host/controls/Events.h"
#include "host/controls/Lines.h"
#include "host/vcl/Controls.h"
#include "host/vcl/Forms.h"
#include "host/vcl/Graphics.h"

namespace vcl {

// The form a control stands in: the top of its parent chain, when that is a form.
TCustomForm* GetParentForm(const TControl* control);

class TLabel : public TGraphicControl, public TControlEvents {
public:
    explicit TLabel(TComponent* owner, const TClassInfo* cls = nullptr);
};

// A picture on a window (the about box's); a form file's stored picture is not read into it.
class TImage : public TGraphicControl, public TControlEvents {
public:
    explicit TImage(TComponent* owner, const TClassInfo* cls = nullptr);
    TPicture& Picture() { return picture_; }
    const TPicture& Picture() const { return picture_; }

private:
    TPicture picture_;
};

class TPanel : public TCustomControl, public TControlEvents {
public:
    explicit TPanel(TComponent* owner, const TClassInfo* cls = nullptr);
};

class TGroupBox : public TCustomControl, public TControlEvents {
public:
    explicit TGroupBox(TComponent* owner, const TClassInfo* cls = nullptr);
};

class TButton : public TWinControl, public TControlEvents {
public:
    explicit TButton(TComponent* owner, const TClassInfo* cls = nullptr);

    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult v) {
        modalResult_ = v;
        modalResultKept_ = false;
    }

    // A press: a button with a modal result gives it to its form (which closes a modal
    // window), then the click handler runs.
    virtual void Click();
    void ActClick() override { Click(); }

protected:
    bool ReadNative(std::string_view name, const TPropInfo& prop, TValue& out) const override;
    bool WriteNative(std::string_view name, const TPropInfo& prop, TValue& value) override;

private:
    TModalResult modalResult_ = mrNone;
    bool modalResultKept_ = false;  // a name of another library, kept as the file wrote it
};

enum TBitBtnKind { bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll };

// A button with a picture. Its kind gives a standard caption and modal result (OK and
// Cancel close the window with mrOk and mrCancel, Close closes it by its frame), kept
// until the caption or result is given another value.
class TBitBtn : public TButton {
public:
    explicit TBitBtn(TComponent* owner, const TClassInfo* cls = nullptr);

    TBitBtnKind Kind() const { return kind_; }
    void SetKind(TBitBtnKind kind);
    static const char* KindCaption(TBitBtnKind kind);
    static TModalResult KindModalResult(TBitBtnKind kind);

    void Click() override;

protected:
    bool ReadNative(std::string_view name, const TPropInfo& prop, TValue& out) const override;
    bool WriteNative(std::string_view name, const TPropInfo& prop, TValue& value) override;

private:
    TBitBtnKind kind_ = bkCustom;
    bool kindKept_ = false;  // a kind of another library, kept as the file wrote it
};

class TCustomEdit : public TWinControl, public TControlEvents {
public:
    explicit TCustomEdit(TComponent* owner, const TClassInfo* cls = nullptr);

    TNotifyEvent OnChange;
    TEventSlot FindEvent(std::string_view lname) override;

protected:
    void Change();  // the change handler, unless the form is still being read
    // EActionRefused when the person cannot type here.
    void CheckWritable() const;
};

class TEdit : public TCustomEdit {
public:
    explicit TEdit(TComponent* owner, const TClassInfo* cls = nullptr);

    const std::string& Text() const { return Caption(); }
    // A new text runs the change handler.
    void SetText(const std::string& text);
    void ActSet(const std::string& text) override;

protected:
    bool WriteNative(std::string_view name, const TPropInfo& prop, TValue& value) override;
};

class TMemo : public TCustomEdit {
public:
    explicit TMemo(TComponent* owner, const TClassInfo* cls = nullptr);

    TLines& Lines() { return lines_; }
    const TLines& Lines() const { return lines_; }
    // The window text: the lines joined by CR LF (no break after the last one).
    std::string Text() const;
    // Replaces the lines (split at CR LF, LF or CR) and runs the change handler.
    void SetText(std::string_view text);
    void ActSet(const std::string& text) override;

    bool ReadDesigned(std::string_view lname, const TStoredValue& value) override;

private:
    TLines lines_;
};

class TCheckBox : public TWinControl, public TControlEvents {
public:
    explicit TCheckBox(TComponent* owner, const TClassInfo* cls = nullptr);

    bool Checked() const { return checked_; }
    // A change of state runs the click handler, as the platform's check box does.
    void SetChecked(bool value);
    void ActSet(const std::string& text) override;

protected:
    bool ReadNative(std::string_view name, const TPropInfo& prop, TValue& out) const override;
    bool WriteNative(std::string_view name, const TPropInfo& prop, TValue& value) override;

private:
    bool checked_ = false;
};

class TComboBox : public TWinControl, public TControlEvents {
public:
    explicit TComboBox(TComponent* owner, const TClassInfo* cls = nullptr);

    TLines& Items() { return items_; }
    const TLines& Items() const { return items_; }
    int ItemIndex() const { return itemIndex_; }
    // Handlers do not run. An index outside the items shows no item; it is kept as given,
    // since a form may set it before its items are read.
    void SetItemIndex(int index);
    // The selected item's text (a drop-down list has no other text); empty when none.
    std::string Text() const;
    // What a person does: picks item index (0..count-1, else EListError); the click and
    // change handlers run.
    void Choose(int index);
    void ActChoose(int item) override;

    TNotifyEvent OnChange;
    TNotifyEvent OnDropDown;
    TEventSlot FindEvent(std::string_view lname) override;
    bool ReadDesigned(std::string_view lname, const TStoredValue& value) override;

protected:
    bool ReadNative(std::string_view name, const TPropInfo& prop, TValue& out) const override;
    bool WriteNative(std::string_view name, const TPropInfo& prop, TValue& value) override;

private:
    TLines items_;
    int itemIndex_ = -1;
};

}  // namespace vcl
