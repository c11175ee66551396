// The screen faces of the controls: for each control class, the widget that shows it, what a
// person's use of that widget does (always through the control's own actions, the ones the
// script backend calls), and how the widget shows the control's state. A control takes the
// face of its nearest class that has one, as a widget set registers its classes.
#pragma once

#include <QString>

#include <cstdint>
#include <string>
#include <string_view>

class QTableWidget;
class QTreeWidgetItem;
class QWidget;

namespace vcl {
class TControl;
class TPersistent;
}  // namespace vcl

namespace ui::qt {

class TScreenWindow;
struct TMirror;

class TFace {
public:
    virtual ~TFace() = default;
    virtual bool Takes(const vcl::TControl&) const { return true; }
    // The widget for the control, inside into (a plain frame unless a face says otherwise).
    virtual QWidget* Make(TScreenWindow& window, vcl::TControl& control, QWidget* into) const;
    // Ties the widget's signals to the control's actions.
    virtual void Connect(TScreenWindow& window, TMirror& mirror) const;
    // Shows the control's state beyond what every control shows (visible, enabled, hint).
    virtual void Refresh(TScreenWindow& window, TMirror& mirror) const;
};

const TFace& FaceOf(const vcl::TControl& control);

QString Q(std::string_view s);
std::string S(const QString& s);
// A property the model keeps as the form file wrote it; the fallback when it is absent, or
// neither stored nor declared.
std::string EnumProp(const vcl::TPersistent* c, const char* name, const std::string& fallback);
int64_t OrdProp(const vcl::TPersistent* c, const char* name, int64_t fallback);
// The outline item a tree item shows, from 1; 0 for none.
int ItemIndex(const QTreeWidgetItem* item);

// A grid's columns on screen are at least the model's widths and, unless a person sized them,
// as wide as their header and widest value (measure: read those now, up to kFitCharacters
// characters); columns the model hides stay hidden. When the table has room to spare its
// columns share it. Gives the table's width that shows every column unstretched.
constexpr int kFitCharacters = 40;
int FitColumns(QTableWidget& table, bool measure);

}  // namespace ui::qt
