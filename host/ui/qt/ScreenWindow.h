// One designed window on screen: a dialog whose widgets mirror the window's controls.
#pragma once

#include <QDialog>

#include <string>
#include <string_view>
#include <vector>

#include "host/vcl/Forms.h"

class QLabel;
class QMouseEvent;
class QTreeWidget;
class QTableWidget;

namespace vcl {
class TControl;
class TWinControl;
class TOutline;
class TStringGrid;
}  // namespace vcl

namespace zorbase {
class TZorAboutBox;
}

namespace ui::qt {

class TScreenWindow : public QDialog {
public:
    TScreenWindow(vcl::TCustomForm& form, QWidget* parent);

    vcl::TCustomForm& Form() const { return form_; }
    // The widget of the control of that name (case ignored); null when none.
    QWidget* Widget(std::string_view name) const;
    // Shows the model's state in the widgets.
    void Refresh();

    // A person's action on the window: runs it, shows an error a handler raised the way
    // the application does (the window stays open), shows the new state, and closes the
    // window when the action gave it a modal result that its close handler keeps.
    template <class F>
    void Act(F action) {
        Begin();
        try {
            action();
        } catch (const vcl::Exception& e) {
            Failed(e);
        }
        End();
    }

    void reject() override;  // Escape, or the frame's close box

    // The picture beside the controls, for windows whose model gives one; null otherwise.
    QLabel* Picture() const { return picture_; }
    // The width the picture takes beside the designed window.
    static constexpr int kPictureWidth = 280;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Mirror {
        vcl::TControl* control;
        QWidget* widget;
        std::string align;  // alNone .. alClient
        unsigned anchors;   // kAnchorLeft | ...
        QRect designed;     // its place in its parent at the parent's designed size
        // The model's text the edit or memo shows (as typed there, or as last set from the
        // model): while the model keeps it, the widget and its cursor are left alone.
        std::string shown;
    };
    void Build(vcl::TWinControl& parent, QWidget* into);
    void BuildAbout(const zorbase::TZorAboutBox& about);
    QWidget* Make(vcl::TControl& control, QWidget* into);
    void Connect(size_t index);
    void Realign(vcl::TWinControl* parent, QWidget* widget);
    bool OutlineMouse(QTreeWidget& tree, QMouseEvent& mouse);
    void ShowDropTarget(QTreeWidget& tree, int index, bool accepted);
    void RefreshPicture();
    void RefreshOutline(vcl::TOutline& outline, QTreeWidget& tree);
    void RefreshGrid(vcl::TStringGrid& grid, QTableWidget& table);
    void Begin();
    void End();
    void Failed(const vcl::Exception& e);
    void StoreGeometry();

    vcl::TCustomForm& form_;
    std::vector<Mirror> mirrors_;
    int updating_ = 0;  // the widgets are being set from the model: their signals are no person's
    int acting_ = 0;
    QSize designedClient_;  // the window's client area as designed
    QLabel* picture_ = nullptr;
    // A press on an outline, until its release: a drag when the outline's own handlers begin
    // one (or it drags by itself), which its drag-over handler then accepts or refuses.
    struct OutlinePress {
        QTreeWidget* tree = nullptr;
        int button = 0;  // vcl::TMouseButton
        int from = 0;    // the item pressed, from 1; 0 for none
        QPoint start;
        bool handled = false;  // the outline's mouse-down handler saw the press
        bool live = false;     // a drag began
        bool moved = false;
    } press_;
};

}  // namespace ui::qt
