// One designed window on screen: a dialog whose widgets mirror the window's controls.
#pragma once

#include <QDialog>
#include <QImage>
#include <QRect>

#include <deque>
#include <utility>
#include <vector>
#include <string>
#include <string_view>

#include "host/controls/Events.h"
#include "host/vcl/Forms.h"

class QLabel;
class QKeyEvent;
class QMouseEvent;
class QTreeWidget;
class QTableWidget;

namespace vcl {
class TControl;
class TOutline;
class TWinControl;
}  // namespace vcl

namespace ui::qt {

class TFace;

// A control and the widget that shows it.
struct TMirror {
    vcl::TControl* control;
    QWidget* widget;
    const TFace* face;
    std::string align;  // alNone .. alClient
    unsigned anchors;   // kAnchorLeft | ...
    QRect designed;     // its place in its parent at the parent's designed size
    std::string shown;  // what a face keeps of the model's state it last showed
};

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

    // A person's action on a control, through the control's own action once it is reachable.
    template <class F>
    void Person(vcl::TControl& control, F action) {
        Act([&control, action] { action(vcl::Reach(control)); });
    }
    // Runs f once the widget that reported it has finished its own signal, since the action
    // may rebuild that very widget.
    template <class F>
    void Later(F f) {
        QMetaObject::invokeMethod(this, f, Qt::QueuedConnection);
    }
    // While the widgets are set from the model, their signals are no person's.
    bool Updating() const { return updating_ != 0; }
    template <class F>
    void Quietly(F f) {
        ++updating_;
        f();
        --updating_;
    }
    void RefreshPicture();

    void reject() override;  // Escape, or the frame's close box

    // The picture beside the controls, for windows whose model gives one; null otherwise.
    QLabel* Picture() const { return picture_; }
    // The least width the picture takes beside the designed window.
    static constexpr int kPictureWidth = 280;
    // The line below the controls that says why a typed value is refused, for windows that
    // check what is typed; null otherwise.
    QLabel* Status() const { return status_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Build(vcl::TWinControl& parent, QWidget* into);
    void Realign(vcl::TWinControl* parent, QWidget* widget);
    // The mirror of one of the window's widgets; null for any other widget.
    const TMirror* MirrorOf(const QWidget* widget) const;
    const TMirror* MirrorOf(const vcl::TControl* control) const;
    vcl::TOutline* OutlineOf(const QTreeWidget& tree) const;
    bool OutlineMouse(QTreeWidget& tree, QMouseEvent& mouse);
    bool OutlineKey(QTreeWidget& tree, QKeyEvent& key);
    void ShowDropTarget(QTreeWidget& tree, int index, bool accepted);
    void Begin();
    void End();
    void Failed(const vcl::Exception& e);
    void StoreGeometry();
    // The size a window first opens at: the design's, grown to show its grids' columns and
    // its picture at full scale, within the screen's free area.
    QSize OpeningSize();
    // Marks the values the model would refuse at OK, in their fields and on the status line.
    void ShowBadValues();
    int PictureWidth() const;
    // Fits the picture last drawn to the room it has now, without drawing it again.
    void ScalePicture();

    vcl::TCustomForm& form_;
    std::deque<TMirror> mirrors_;  // faces keep references to their mirrors
    int updating_ = 0;  // the widgets are being set from the model: their signals are no person's
    int acting_ = 0;
    QSize designedClient_;  // the window's client area as designed
    QLabel* picture_ = nullptr;
    QImage fullPicture_;  // the model's picture at full scale, as last drawn from it
    double pictureShare_ = 0;  // of the window's width, as first opened
    QLabel* status_ = nullptr;
    std::vector<std::pair<QWidget*, QPoint>> marked_;  // a field, or a grid's cell (column, row)
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
