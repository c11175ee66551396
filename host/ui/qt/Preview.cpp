#include "host/ui/qt/Preview.h"

#include "host/ui/qt/Application.h"

#include <QBuffer>
#include <QByteArray>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <unordered_set>
#include <vector>

#include "host/base/AtomicFile.h"
#include "host/vcl/Controls.h"
#include "host/vcl/Forms.h"
#include "host/vcl/Menus.h"
#include "host/vcl/Notebooks.h"
#include "host/vcl/StoredObject.h"
#include "host/vcl/SysUtils.h"
#include "host/vcl/TypInfo.h"

namespace ui::qt {

namespace {

constexpr int kIconSide = 28;
constexpr int kBorder = 4, kTitle = 23, kMenuBar = 20;
constexpr qint64 kMostPicturePixels = 16 << 20;  // a stored picture larger than this is left out

const QColor kFace(240, 240, 240), kShadow(160, 160, 160), kDarkShadow(105, 105, 105), kWindow(255, 255, 255),
    kText(0, 0, 0), kFrame(122, 122, 122), kCaption(0, 120, 215), kMark(214, 40, 40);

// Text as the form stores it: UTF-8, or 8-bit bytes of an unknown code page read as Latin-1
// rather than shown as question marks.
QString Q(const std::string& text) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString s = utf8(QByteArrayView(text.data(), qsizetype(text.size())));
    return utf8.hasError() ? QString::fromLatin1(text.data(), qsizetype(text.size())) : s;
}

// An ampersand marks the access key; a doubled one is a plain ampersand.
QString Shown(const std::string& caption) {
    return Q(caption).replace("&&", QChar(1)).remove('&').replace(QChar(1), "&");
}

// What the file stores for a component that the model keeps no field for, with the model's
// published values behind it.
class Values {
public:
    struct Entry {
        std::string text;
        int width = -1;
    };

    Values(const vcl::TComponent& c, const TPreviewOptions& options) : c_(c) {
        if (!options.stored) return;
        options.stored(c, [&](const vcl::TStoredObject& object) {
            object.ForEachProperty([&](std::string_view name, const vcl::TStoredValue& value) {
                try {
                    Read(std::string(name), value);
                } catch (const vcl::Exception&) {
                }  // a value of an unexpected kind is as good as none
            });
        });
    }

    bool Stored(std::string_view name) const {
        const std::string key = Key(name);
        return ints_.count(key) || texts_.count(key) || lists_.count(key) || binaries_.count(key) || collections_.count(key);
    }

    int64_t Int(std::string_view name, int64_t fallback) const {
        if (auto it = ints_.find(Key(name)); it != ints_.end()) return it->second;
        try {
            if (const vcl::TPropInfo* prop = vcl::GetPropInfo(&c_, name))
                if (const vcl::TValue value = vcl::GetPropValue(&c_, prop); const auto* n = std::get_if<int64_t>(&value))
                    return *n;
        } catch (const vcl::Exception&) {
        }
        return fallback;
    }
    // A string or an identifier (an enumeration's value).
    std::string Text(std::string_view name, const std::string& fallback = {}) const {
        if (auto it = texts_.find(Key(name)); it != texts_.end()) return it->second;
        std::string text;
        try {
            if (const vcl::TPropInfo* prop = vcl::GetPropInfo(&c_, name)) {
                if (prop->Kind == vcl::TTypeKind::tkEnumeration) text = vcl::GetEnumProp(&c_, prop);
                else if (vcl::IsStringKind(prop->Kind)) text = vcl::GetStrProp(&c_, prop);
            }
        } catch (const vcl::Exception&) {
        }
        return text.empty() ? fallback : text;
    }
    bool Bool(std::string_view name, bool fallback) const {
        const std::string t = Text(name);
        return t.empty() ? fallback : vcl::SameText(t, "True");
    }
    const std::vector<std::string>& List(std::string_view name) const { return Find(lists_, name); }
    const std::string* Binary(std::string_view name) const {
        auto it = binaries_.find(Key(name));
        return it == binaries_.end() ? nullptr : &it->second;
    }
    const std::vector<Entry>& Collection(std::string_view name) const { return Find(collections_, name); }
    bool HasOwnFont() const { return ownFont_; }

private:
    static std::string Key(std::string_view name) { return vcl::LowerCase(name); }
    template <class Map>
    static const typename Map::mapped_type& Find(const Map& map, std::string_view name) {
        static const typename Map::mapped_type none{};
        auto it = map.find(Key(name));
        return it == map.end() ? none : it->second;
    }

    void Read(const std::string& name, const vcl::TStoredValue& value) {
        const std::string key = Key(name);
        if (key.rfind("font.", 0) == 0) ownFont_ = true;
        switch (value.Kind()) {
            case vcl::TStoredKind::Integer: ints_[key] = value.AsInteger(); break;
            case vcl::TStoredKind::String: texts_[key] = value.AsString(); break;
            case vcl::TStoredKind::Ident: texts_[key] = std::string(value.AsIdent()); break;
            case vcl::TStoredKind::Binary: binaries_[key] = value.AsBinary(); break;
            case vcl::TStoredKind::Set:
            case vcl::TStoredKind::List: {
                auto& items = lists_[key];
                value.ForEachItem([&](const vcl::TStoredValue& item) {
                    if (item.Kind() == vcl::TStoredKind::Integer) items.push_back(std::to_string(item.AsInteger()));
                    else if (item.Kind() == vcl::TStoredKind::Ident) items.emplace_back(item.AsIdent());
                    else if (item.Kind() == vcl::TStoredKind::String) items.push_back(item.AsString());
                });
                break;
            }
            case vcl::TStoredKind::Collection: {
                auto& entries = collections_[key];
                value.ForEachEntry([&](const vcl::TStoredObject& entry) {
                    Entry e;
                    for (const char* text : {"Text", "Caption", "Title.Caption", "FieldName"})
                        if (e.text.empty())
                            entry.FindProperty(text, [&](const vcl::TStoredValue& v) {
                                if (v.Kind() == vcl::TStoredKind::String) e.text = v.AsString();
                            });
                    entry.FindProperty("Width", [&](const vcl::TStoredValue& v) {
                        if (v.Kind() == vcl::TStoredKind::Integer) e.width = int(std::clamp<int64_t>(v.AsInteger(), 0, 1 << 16));
                    });
                    entries.push_back(std::move(e));
                });
                break;
            }
            default: break;
        }
    }

    const vcl::TComponent& c_;
    std::map<std::string, int64_t> ints_;
    std::map<std::string, std::string> texts_, binaries_;
    std::map<std::string, std::vector<std::string>> lists_;
    std::map<std::string, std::vector<Entry>> collections_;
    bool ownFont_ = false;
};

// The colours of the framework's names and numbers; system colours by their usual look.
QColor Colour(const Values& v, std::string_view name, QColor fallback) {
    static const std::map<std::string, QColor> named = {
        {"clblack", QColor(0, 0, 0)},           {"clmaroon", QColor(128, 0, 0)},    {"clgreen", QColor(0, 128, 0)},
        {"clolive", QColor(128, 128, 0)},       {"clnavy", QColor(0, 0, 128)},      {"clpurple", QColor(128, 0, 128)},
        {"clteal", QColor(0, 128, 128)},        {"clgray", QColor(128, 128, 128)},  {"clsilver", QColor(192, 192, 192)},
        {"clred", QColor(255, 0, 0)},           {"cllime", QColor(0, 255, 0)},      {"clyellow", QColor(255, 255, 0)},
        {"clblue", QColor(0, 0, 255)},          {"clfuchsia", QColor(255, 0, 255)}, {"claqua", QColor(0, 255, 255)},
        {"clwhite", QColor(255, 255, 255)},     {"clbtnface", kFace},               {"clwindow", kWindow},
        {"clwindowtext", kText},                {"clbtntext", kText},               {"clgraytext", QColor(109, 109, 109)},
        {"clhighlight", kCaption},              {"clhighlighttext", kWindow},       {"clinfobk", QColor(255, 255, 225)},
        {"clbtnshadow", kShadow},               {"clappworkspace", QColor(171, 171, 171)},
        {"clcream", QColor(255, 251, 240)},     {"clmoneygreen", QColor(192, 220, 192)},
        {"clskyblue", QColor(166, 202, 240)},   {"clmedgray", QColor(160, 160, 164)},
        {"cldefault", fallback},                {"clnone", fallback}};
    const std::string text = v.Text(name);
    if (!text.empty()) {
        auto it = named.find(vcl::LowerCase(text));
        return it == named.end() ? fallback : it->second;
    }
    const int64_t n = v.Int(name, -1);
    if (n < 0 || n > 0xFFFFFF) return fallback;  // a system colour by number: its usual look is the fallback
    return QColor(int(n & 0xFF), int((n >> 8) & 0xFF), int((n >> 16) & 0xFF));
}

struct Font {
    QFont font;
    QColor colour = kText;
};

// A control's font: its own when it stores one, else its parent's; sizes in the form's pixels.
Font FontOf(const Values& v, const Font& parent, int ppi) {
    if (!v.HasOwnFont()) return parent;
    Font f = parent;
    if (const std::string name = v.Text("Font.Name"); !name.empty() && !vcl::SameText(name, "default"))
        f.font.setFamily(Q(name));
    double pixels = 0;
    if (const int64_t h = v.Int("Font.Height", 0); h != 0) pixels = h < 0 ? double(-h) : h * 0.8;
    else if (const int64_t size = v.Int("Font.Size", 0); size > 0) pixels = size * ppi / 72.0;
    if (pixels > 0) f.font.setPixelSize(std::clamp(int(std::lround(pixels)), 1, 400));
    if (v.Stored("Font.Style")) {
        const auto& style = v.List("Font.Style");
        auto has = [&](const char* e) {
            return std::any_of(style.begin(), style.end(), [&](const std::string& s) { return vcl::SameText(s, e); });
        };
        f.font.setBold(has("fsBold"));
        f.font.setItalic(has("fsItalic"));
        f.font.setUnderline(has("fsUnderline"));
        f.font.setStrikeOut(has("fsStrikeOut"));
    }
    f.colour = Colour(v, "Font.Color", parent.colour);
    return f;
}

// A picture the form stores (Glyph.Data, Picture.Data, Bitmap): after a class name or a
// length, the bytes of a BMP, PNG, JPEG, GIF or icon file. Null when there is none that reads
// within the bounds.
QImage StoredPicture(const std::string* data) {
    if (data == nullptr || data->size() < 8) return {};
    static const std::string_view signatures[] = {std::string_view("BM"), std::string_view("\x89PNG", 4),
                                                  std::string_view("\xFF\xD8\xFF", 3), std::string_view("GIF8"),
                                                  std::string_view("\0\0\1\0", 4)};
    const std::string_view bytes(*data);
    for (size_t at = 0; at < std::min<size_t>(bytes.size(), 64); ++at)
        for (std::string_view sig : signatures)
            if (bytes.substr(at, sig.size()) == sig) {
                QByteArray copy(bytes.data() + at, qsizetype(bytes.size() - at));
                QBuffer buffer(&copy);
                buffer.open(QIODevice::ReadOnly);
                QImageReader reader(&buffer);
                const QSize size = reader.size();
                if (!size.isValid() || qint64(size.width()) * size.height() > kMostPicturePixels) return {};
                QImage image;
                if (reader.read(&image)) return image;
            }
    return {};
}

// A glyph shows its first state; the colour of its bottom-left pixel is transparent.
QImage Glyph(const Values& v) {
    QImage image = StoredPicture(v.Binary("Glyph.Data"));
    if (image.isNull() || image.height() == 0) return image;
    int count = int(v.Int("NumGlyphs", 0));
    if (count <= 0) count = image.width() % image.height() == 0 ? std::clamp(image.width() / image.height(), 1, 4) : 1;
    image = image.copy(0, 0, image.width() / count, image.height()).convertToFormat(QImage::Format_ARGB32);
    const QRgb clear = image.pixel(0, image.height() - 1);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (line[x] == clear) line[x] = 0;
    }
    return image;
}

enum class Kind {
    Other, Button, Edit, Memo, Check, Radio, Combo, List, Grid, DBGrid, Group, RadioGroup, Label, Panel, Pages,
    TabControl, Notebook, TabbedNotebook, Page, ToolBar, ToolButton, StatusBar, Image, Shape, Bevel, ScrollBox, Frame
};

// By the class, else by words in the name of a class the catalogue does not know.
Kind KindOf(const vcl::TComponent& c) {
    static const std::pair<const char*, Kind> classes[] = {
        {"TToolButton", Kind::ToolButton},     {"TCustomRadioGroup", Kind::RadioGroup}, {"TCustomGroupBox", Kind::Group},
        {"TTabSheet", Kind::Page},             {"TPage", Kind::Page},                 {"TTabPage", Kind::Page},
        {"TDBGrid", Kind::DBGrid},             {"TCustomDBGrid", Kind::DBGrid},       {"TCustomGrid", Kind::Grid},
        {"TCustomMemo", Kind::Memo},           {"TCustomRichEdit", Kind::Memo},       {"TCustomComboBox", Kind::Combo},
        {"TCustomListBox", Kind::List},        {"TCustomEdit", Kind::Edit},           {"TCustomCheckBox", Kind::Check},
        {"TRadioButton", Kind::Radio},         {"TButtonControl", Kind::Button},      {"TSpeedButton", Kind::Button},
        {"TButton", Kind::Button},             {"TCustomLabel", Kind::Label},         {"TLabel", Kind::Label},
        {"TStaticText", Kind::Label},          {"TPageControl", Kind::Pages},         {"TTabControl", Kind::TabControl},
        {"TTabbedNotebook", Kind::TabbedNotebook}, {"TNotebook", Kind::Notebook},     {"TToolBar", Kind::ToolBar},
        {"TStatusBar", Kind::StatusBar},       {"TImage", Kind::Image},               {"TShape", Kind::Shape},
        {"TBevel", Kind::Bevel},               {"TScrollBox", Kind::ScrollBox},       {"TCustomFrame", Kind::Frame},
        {"TFrame", Kind::Frame},               {"TCustomPanel", Kind::Panel},         {"TPanel", Kind::Panel}};
    for (const auto& [name, kind] : classes)
        if (c.InheritsFrom(name)) return kind;
    static const std::pair<const char*, Kind> words[] = {
        {"groupbox", Kind::Group}, {"grid", Kind::Grid},   {"memo", Kind::Memo},     {"combo", Kind::Combo},
        {"listbox", Kind::List},   {"checkbox", Kind::Check}, {"radio", Kind::Radio}, {"button", Kind::Button},
        {"btn", Kind::Button},     {"edit", Kind::Edit},   {"label", Kind::Label},   {"panel", Kind::Panel}};
    const std::string name = vcl::LowerCase(c.ClassName());
    for (const auto& [word, kind] : words)
        if (name.find(word) != std::string::npos) return kind;
    return Kind::Other;
}

// The page a page control or notebook shows: its pages lie on top of each other, and the
// designer shows one. Null when parent shows all its children.
const vcl::TControl* ShownPage(const vcl::TWinControl& parent, Kind kind) {
    if (kind != Kind::Pages && kind != Kind::Notebook && kind != Kind::TabbedNotebook) return nullptr;
    if (parent.ControlCount() == 0) return nullptr;
    try {
        if (const vcl::TPropInfo* prop = vcl::GetPropInfo(&parent, "ActivePage")) {
            if (prop->Kind == vcl::TTypeKind::tkClass) {
                if (auto* page = dynamic_cast<const vcl::TControl*>(vcl::GetObjectProp(&parent, prop))) return page;
            } else if (const std::string name = vcl::GetStrProp(&parent, prop); !name.empty()) {
                for (int i = 0; i < parent.ControlCount(); ++i)
                    if (vcl::SameText(parent.Controls(i)->Caption(), name)) return parent.Controls(i);
            }
            return parent.Controls(0);
        }
        const vcl::TPropInfo* prop = vcl::GetPropInfo(&parent, "PageIndex");
        const int64_t index = prop != nullptr ? vcl::GetOrdProp(&parent, prop) : 0;
        return parent.Controls(index >= 0 && index < parent.ControlCount() ? int(index) : 0);
    } catch (const vcl::Exception&) {
    }
    return parent.Controls(0);
}

void Raised(QPainter& p, const QRectF& r, const QColor& face) {
    p.fillRect(r, face);
    p.setPen(kWindow);
    p.drawLine(r.topLeft(), QPointF(r.right() - 1, r.top()));
    p.drawLine(r.topLeft(), QPointF(r.left(), r.bottom() - 1));
    p.setPen(kShadow);
    p.drawLine(QPointF(r.left(), r.bottom() - 1), QPointF(r.right() - 1, r.bottom() - 1));
    p.drawLine(QPointF(r.right() - 1, r.top()), QPointF(r.right() - 1, r.bottom() - 1));
}

void Sunken(QPainter& p, const QRectF& r, const QColor& fill) {
    p.fillRect(r, fill);
    p.setPen(kFrame);
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(0, 0, -1, -1));
}

// Names of tabs, each as wide as its text; the shown one stands out.
void TabStrip(QPainter& p, const QRectF& r, const QStringList& tabs, int shown, double height) {
    const QFontMetricsF m(p.font());
    double x = r.left() + 2;
    for (int i = 0; i < tabs.size(); ++i) {
        const double w = m.horizontalAdvance(tabs[i]) + 12;
        const bool active = i == shown;
        const QRectF tab(x - (active ? 2 : 0), r.top() + (active ? 0 : 2), w + (active ? 4 : 0), height - (active ? 0 : 2));
        p.fillRect(tab, active ? kWindow : kFace);
        p.setPen(kFrame);
        p.drawLine(tab.bottomLeft(), tab.topLeft());
        p.drawLine(tab.topLeft(), tab.topRight());
        p.drawLine(tab.topRight(), tab.bottomRight());
        p.setPen(kText);
        p.drawText(tab, Qt::AlignCenter, tabs[i]);
        x += w;
    }
}

struct Node {
    const vcl::TControl* control;
    QRectF rect;  // in the client area of the root
    QRectF clip;
    Font font;
    int depth;
};

class Painter {
public:
    Painter(const vcl::TComponent& root, const TPreviewOptions& options, const vcl::TWindowPicture* picture)
        : root_(root), options_(options), picture_(picture) {}

    QImage Draw(std::vector<TPreviewPlace>* places);

private:
    Values Of(const vcl::TComponent& c) const { return Values(c, options_); }
    QRectF PlaceOf(const vcl::TControl& c) const {
        vcl::TWindowPicture::Place place{c.Left(), c.Top(), c.Width(), c.Height()};
        if (picture_ != nullptr)
            if (auto at = picture_->places.find(&c); at != picture_->places.end()) place = at->second;
        return QRectF(place.left, place.top, std::max(place.width, 0), std::max(place.height, 0));
    }
    double TabHeight(const Font& f) const { return std::ceil(QFontMetricsF(f.font).height()) + 8; }
    // Where a parent's children lie: inside its borders, below its tabs or caption.
    QRectF ClientOf(const vcl::TWinControl& c, Kind kind, const QRectF& r, const Font& f) const;
    void LayOut(const vcl::TWinControl& parent, Kind kind, const QRectF& client, std::vector<std::pair<const vcl::TControl*, QRectF>>& children) const;
    void Control(QPainter& p, const Node& n, Kind kind, const Values& v);
    void Icons(QPainter& p, const QPointF& origin);
    std::vector<const vcl::TComponent*> IconComponents() const;

    const vcl::TComponent& root_;
    const TPreviewOptions& options_;
    const vcl::TWindowPicture* picture_;
    std::vector<std::pair<std::string, QRectF>> drawn_;  // every control and icon, in picture coordinates before scaling
    struct Badge {
        QRectF rect;
        int order, depth;
        bool stop;
    };
    std::vector<Badge> badges_;
};

QRectF Painter::ClientOf(const vcl::TWinControl& c, Kind kind, const QRectF& r, const Font& f) const {
    switch (kind) {
        case Kind::Pages:
        case Kind::TabbedNotebook:
        case Kind::TabControl: return QRectF(4, TabHeight(f) + 2, r.width() - 8, r.height() - TabHeight(f) - 6);
        case Kind::Group:
        case Kind::RadioGroup: {
            const double top = QFontMetricsF(f.font).height();
            return QRectF(2, top, r.width() - 4, r.height() - top - 2);
        }
        case Kind::Panel: {
            const double border = std::clamp<double>(double(Of(c).Int("BorderWidth", 0)), 0, 1000) + 1;
            return QRectF(border, border, r.width() - 2 * border, r.height() - 2 * border);
        }
        default: return QRectF(0, 0, r.width(), r.height());
    }
}

void Painter::LayOut(const vcl::TWinControl& parent, Kind kind, const QRectF& client,
                     std::vector<std::pair<const vcl::TControl*, QRectF>>& children) const {
    const vcl::TControl* page = ShownPage(parent, kind);
    for (int i = 0; i < parent.ControlCount(); ++i) {
        const vcl::TControl* child = parent.Controls(i);
        if (page != nullptr && child != page) continue;
        children.emplace_back(child, page != nullptr ? QRectF(client.topLeft(), client.size()) : PlaceOf(*child));
    }
    if (page != nullptr) return;
    if (kind == Kind::ToolBar) {
        // Tool buttons follow one another from the left at the bar's button size, wrapping.
        const Values bar = Of(parent);
        const double bw = double(std::clamp<int64_t>(bar.Int("ButtonWidth", 23), 1, 4096));
        const double bh = double(std::clamp<int64_t>(bar.Int("ButtonHeight", 22), 1, 4096));
        std::stable_sort(children.begin(), children.end(), [](const auto& a, const auto& b) {
            return a.second.top() != b.second.top() ? a.second.top() < b.second.top() : a.second.left() < b.second.left();
        });
        double x = 0, y = 0;
        for (auto& [child, r] : children) {
            const bool separator = vcl::SameText(Of(*child).Text("Style"), "tbsSeparator") ||
                                   vcl::SameText(Of(*child).Text("Style"), "tbsDivider");
            const double w = separator ? (r.width() > 0 ? r.width() : 8) : (KindOf(*child) == Kind::ToolButton ? bw : std::max(r.width(), 1.0));
            const double h = KindOf(*child) == Kind::ToolButton ? bh : r.height();
            if (x > 0 && x + w > client.width()) x = 0, y += bh;
            r = QRectF(x, y, w, h);
            x += w;
        }
    }
    // The framework's order of alignment: top, bottom, left, right, then the client. Status
    // bars and tool bars keep to their sides unless they say otherwise.
    std::vector<std::string> aligns;
    for (const auto& [child, r] : children) {
        const Kind kind = KindOf(*child);
        aligns.push_back(Of(*child).Text("Align", kind == Kind::StatusBar ? "alBottom" : kind == Kind::ToolBar ? "alTop" : "alNone"));
    }
    QRectF rest = client;
    for (const char* pass : {"alTop", "alBottom", "alLeft", "alRight", "alClient"})
        for (size_t i = 0; i < children.size(); ++i) {
            if (!vcl::SameText(aligns[i], pass)) continue;
            const vcl::TControl* child = children[i].first;
            QRectF& r = children[i].second;
            const std::string_view a = pass;
            double w = r.width(), h = r.height();
            if (h <= 0 && KindOf(*child) == Kind::StatusBar) h = 19;
            if (h <= 0 && KindOf(*child) == Kind::ToolBar) h = 29;
            if (a == "alTop") r = QRectF(rest.left(), rest.top(), rest.width(), h), rest.setTop(rest.top() + h);
            else if (a == "alBottom") r = QRectF(rest.left(), rest.bottom() - h, rest.width(), h), rest.setBottom(rest.bottom() - h);
            else if (a == "alLeft") r = QRectF(rest.left(), rest.top(), w, rest.height()), rest.setLeft(rest.left() + w);
            else if (a == "alRight") r = QRectF(rest.right() - w, rest.top(), w, rest.height()), rest.setRight(rest.right() - w);
            else r = rest;
        }
}

void Painter::Control(QPainter& p, const Node& n, Kind kind, const Values& v) {
    const vcl::TControl& c = *n.control;
    const QRectF r = n.rect;
    const QString caption = Shown(c.Caption());
    const QFontMetricsF m(p.font());
    const double line = std::max(1.0, m.height());
    const QColor face = Colour(v, "Color", kFace), field = Colour(v, "Color", kWindow);
    auto text = [&](const QRectF& box, int flags, const QString& s) {
        p.setPen(n.font.colour);
        p.drawText(box, flags, s);
    };
    auto items = [&](const std::string& name) {
        QStringList list;
        for (const std::string& s : v.List(name)) list << Q(s);
        return list;
    };
    switch (kind) {
        case Kind::Button: {
            if (v.Bool("Flat", false) && c.InheritsFrom("TSpeedButton")) p.fillRect(r, face);
            else Raised(p, r, face);
            const QImage glyph = Glyph(v);
            QRectF textBox = r.adjusted(2, 2, -2, -2);
            if (!glyph.isNull()) {
                const double gw = glyph.width() + (caption.isEmpty() ? 0 : 4 + m.horizontalAdvance(caption));
                const QPointF at(r.center().x() - gw / 2, r.center().y() - glyph.height() / 2.0);
                p.drawImage(at, glyph);
                textBox.setLeft(at.x() + glyph.width() + 4);
                text(textBox, Qt::AlignLeft | Qt::AlignVCenter, caption);
            } else {
                text(textBox, Qt::AlignCenter | (v.Bool("WordWrap", false) ? Qt::TextWordWrap : 0), caption);
            }
            break;
        }
        case Kind::ToolButton: {
            const std::string style = v.Text("Style");
            if (vcl::SameText(style, "tbsSeparator") || vcl::SameText(style, "tbsDivider")) {
                p.setPen(kShadow);
                p.drawLine(QPointF(r.center().x(), r.top() + 3), QPointF(r.center().x(), r.bottom() - 3));
                break;
            }
            p.setPen(kShadow);
            p.setBrush(Qt::NoBrush);
            p.drawRoundedRect(r.adjusted(1, 1, -2, -2), 2, 2);
            const QImage glyph = Glyph(v);
            if (!glyph.isNull()) p.drawImage(QPointF(r.center().x() - glyph.width() / 2.0, r.center().y() - glyph.height() / 2.0), glyph);
            else text(r, Qt::AlignCenter, caption.isEmpty() ? QString() : caption);
            break;
        }
        case Kind::Edit:
        case Kind::Memo: {
            Sunken(p, r, field);
            if (kind == Kind::Edit) {
                const QString s = Q(v.Text("Text", c.Caption()));
                const std::string align = v.Text("Alignment");
                const int h = vcl::SameText(align, "taRightJustify") ? Qt::AlignRight : vcl::SameText(align, "taCenter") ? Qt::AlignHCenter : Qt::AlignLeft;
                text(r.adjusted(3, 1, -3, -1), h | Qt::AlignVCenter, s);
            } else {
                QStringList lines = items("Lines.Strings");
                if (lines.isEmpty()) lines = items("Lines");
                text(r.adjusted(3, 2, -3, -2), Qt::AlignLeft | Qt::AlignTop | (v.Bool("WordWrap", true) ? Qt::TextWordWrap : 0),
                     lines.join('\n'));
            }
            break;
        }
        case Kind::Check:
        case Kind::Radio: {
            if (v.Stored("Color")) p.fillRect(r, face);
            const double side = 13;
            const QRectF box(r.left(), r.center().y() - side / 2, side, side);
            const bool checked = v.Bool("Checked", false) || vcl::SameText(v.Text("State"), "cbChecked");
            p.setPen(QPen(kDarkShadow, 1));
            p.setBrush(kWindow);
            if (kind == Kind::Check) {
                p.drawRect(box);
                if (checked) {
                    p.setPen(QPen(kText, 2));
                    p.drawPolyline(QPolygonF({box.topLeft() + QPointF(3, 6.5), box.topLeft() + QPointF(5.5, 9.5), box.topLeft() + QPointF(10, 3)}));
                }
            } else {
                p.drawEllipse(box);
                if (checked) {
                    p.setBrush(kText);
                    p.drawEllipse(box.center(), 3, 3);
                }
            }
            text(r.adjusted(side + 4, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | (v.Bool("WordWrap", false) ? Qt::TextWordWrap : 0), caption);
            break;
        }
        case Kind::Combo: {
            Sunken(p, r, field);
            const double bw = std::min(17.0, r.width() / 2);
            const QRectF button(r.right() - bw, r.top() + 1, bw - 1, r.height() - 2);
            Raised(p, button, kFace);
            p.setBrush(kText);
            p.setPen(Qt::NoPen);
            const QPointF mid = button.center();
            p.drawPolygon(QPolygonF({mid + QPointF(-3.5, -1.5), mid + QPointF(3.5, -1.5), mid + QPointF(0, 2)}));
            QString s = Q(v.Text("Text"));
            const QStringList list = items("Items.Strings");
            if (const int64_t i = v.Int("ItemIndex", -1); s.isEmpty() && i >= 0 && i < list.size()) s = list[int(i)];
            text(r.adjusted(3, 1, -bw - 1, -1), Qt::AlignLeft | Qt::AlignVCenter, s);
            break;
        }
        case Kind::List: {
            Sunken(p, r, field);
            const double h = double(std::clamp<int64_t>(v.Int("ItemHeight", 0), 0, 4096));
            const double step = h > 0 ? h : line;
            double y = r.top() + 2;
            for (const QString& s : items("Items.Strings")) {
                if (y > r.bottom()) break;
                text(QRectF(r.left() + 3, y, r.width() - 6, step), Qt::AlignLeft | Qt::AlignVCenter, s);
                y += step;
            }
            break;
        }
        case Kind::Grid:
        case Kind::DBGrid: {
            Sunken(p, r, field);
            std::vector<double> widths;
            std::vector<QString> titles;
            int fixedCols = 1, fixedRows = 1, rows = 0;
            double rowHeight = double(std::clamp<int64_t>(v.Int("DefaultRowHeight", kind == Kind::DBGrid ? int64_t(line + 3) : 24), 1, 4096));
            if (kind == Kind::DBGrid) {
                widths.push_back(11);  // the indicator
                titles.emplace_back();
                for (const auto& e : v.Collection("Columns")) {
                    widths.push_back(e.width >= 0 ? e.width : 64);
                    titles.push_back(Q(e.text));
                }
                if (widths.size() == 1) widths.insert(widths.end(), 8, 64.0), titles.resize(widths.size());
                rows = int(r.height() / rowHeight) + 1;
            } else {
                const int cols = int(std::clamp<int64_t>(v.Int("ColCount", 5), 0, 512));
                rows = int(std::clamp<int64_t>(v.Int("RowCount", 5), 0, 4096));
                fixedCols = int(std::clamp<int64_t>(v.Int("FixedCols", 1), 0, cols));
                fixedRows = int(std::clamp<int64_t>(v.Int("FixedRows", 1), 0, rows));
                const double dw = double(std::clamp<int64_t>(v.Int("DefaultColWidth", 64), 0, 4096));
                const auto& stored = v.List("ColWidths");
                for (int i = 0; i < cols; ++i)
                    widths.push_back(i < int(stored.size()) ? std::clamp(std::atof(stored[size_t(i)].c_str()), 0.0, 4096.0) : dw);
                titles.resize(widths.size());
            }
            p.setPen(QColor(200, 200, 200));
            double y = r.top() + 1;
            for (int row = 0; row < rows && y < r.bottom(); ++row, y += rowHeight + 1) {
                double x = r.left() + 1;
                for (size_t col = 0; col < widths.size() && x < r.right(); x += widths[col] + 1, ++col) {
                    const QRectF cell(x, y, widths[col], rowHeight);
                    const bool fixed = int(col) < fixedCols || row < fixedRows;
                    if (fixed) Raised(p, cell, kFace);
                    else {
                        p.setPen(QColor(200, 200, 200));
                        p.drawRect(cell);
                    }
                    if (row == 0 && !titles[col].isEmpty()) text(cell.adjusted(2, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter, titles[col]);
                }
            }
            break;
        }
        case Kind::Group:
        case Kind::RadioGroup: {
            if (v.Stored("Color")) p.fillRect(r, face);
            const double top = line / 2;
            p.setPen(QColor(220, 220, 220));
            p.setBrush(Qt::NoBrush);
            p.drawRect(r.adjusted(0.5, top + 0.5, -1.5, -1.5));
            if (!caption.isEmpty()) {
                const QRectF label(r.left() + 8, r.top(), m.horizontalAdvance(caption) + 4, line);
                p.fillRect(label, face);
                text(label, Qt::AlignCenter, caption);
            }
            if (kind == Kind::RadioGroup) {
                const QStringList list = items("Items.Strings");
                const int columns = int(std::clamp<int64_t>(v.Int("Columns", 1), 1, 64));
                const int perColumn = int((list.size() + columns - 1) / columns);
                const int chosen = int(v.Int("ItemIndex", -1));
                const QRectF inner = r.adjusted(8, line + 2, -4, -4);
                const double step = perColumn > 0 ? inner.height() / perColumn : 0;
                for (int i = 0; i < list.size(); ++i) {
                    const double x = inner.left() + (i / std::max(perColumn, 1)) * inner.width() / columns;
                    const double y = inner.top() + (i % std::max(perColumn, 1)) * step;
                    const QRectF dot(x, y + step / 2 - 6.5, 13, 13);
                    p.setPen(kDarkShadow);
                    p.setBrush(kWindow);
                    p.drawEllipse(dot);
                    if (i == chosen) {
                        p.setBrush(kText);
                        p.drawEllipse(dot.center(), 3, 3);
                    }
                    text(QRectF(x + 17, y, inner.width() / columns - 17, step), Qt::AlignLeft | Qt::AlignVCenter, list[i]);
                }
            }
            break;
        }
        case Kind::Label: {
            if (!v.Bool("Transparent", false) && v.Stored("Color")) p.fillRect(r, face);
            const std::string align = v.Text("Alignment"), layout = v.Text("Layout");
            int flags = vcl::SameText(align, "taRightJustify") ? Qt::AlignRight : vcl::SameText(align, "taCenter") ? Qt::AlignHCenter : Qt::AlignLeft;
            flags |= vcl::SameText(layout, "tlCenter") ? Qt::AlignVCenter : vcl::SameText(layout, "tlBottom") ? Qt::AlignBottom : Qt::AlignTop;
            if (v.Bool("WordWrap", false)) flags |= Qt::TextWordWrap;
            text(r, flags, caption);
            break;
        }
        case Kind::Pages:
        case Kind::TabbedNotebook:
        case Kind::TabControl: {
            const double th = TabHeight(n.font);
            QStringList tabs;
            int shown = 0;
            if (kind == Kind::TabControl) {
                tabs = items("Tabs.Strings");
                shown = int(v.Int("TabIndex", 0));
            } else if (const auto* w = dynamic_cast<const vcl::TWinControl*>(&c)) {
                const vcl::TControl* page = ShownPage(*w, kind);
                for (int i = 0; i < w->ControlCount(); ++i) {
                    tabs << Shown(w->Controls(i)->Caption().empty() ? w->Controls(i)->Name() : w->Controls(i)->Caption());
                    if (w->Controls(i) == page) shown = i;
                }
            }
            const QRectF body(r.left(), r.top() + th, r.width(), r.height() - th);
            p.fillRect(body, kWindow);
            p.setPen(kFrame);
            p.drawRect(body.adjusted(0, 0, -1, -1));
            TabStrip(p, QRectF(r.left(), r.top(), r.width(), th + 1), tabs, shown, th + 1);
            break;
        }
        case Kind::ToolBar:
            p.fillRect(r, face);
            break;
        case Kind::StatusBar: {
            p.fillRect(r, face);
            const auto& panels = v.Collection("Panels");
            if (v.Bool("SimplePanel", false) || panels.empty()) {
                text(r.adjusted(3, 0, -3, 0), Qt::AlignLeft | Qt::AlignVCenter, Q(v.Text("SimpleText")));
            } else {
                double x = r.left();
                for (size_t i = 0; i < panels.size() && x < r.right(); ++i) {
                    const double w = i + 1 == panels.size() ? r.right() - x : (panels[i].width >= 0 ? panels[i].width : 50);
                    const QRectF panel(x, r.top() + 2, w, r.height() - 3);
                    p.setPen(kShadow);
                    p.drawLine(panel.topRight() - QPointF(1, 0), panel.bottomRight() - QPointF(1, 0));
                    text(panel.adjusted(3, 0, -4, 0), Qt::AlignLeft | Qt::AlignVCenter, Q(panels[i].text));
                    x += w;
                }
            }
            break;
        }
        case Kind::Image: {
            const QImage image = StoredPicture(v.Binary("Picture.Data"));
            if (image.isNull()) {
                p.setPen(QPen(kShadow, 1, Qt::DashLine));
                p.setBrush(Qt::NoBrush);
                p.drawRect(r.adjusted(0, 0, -1, -1));
            } else if (v.Bool("Stretch", false)) {
                p.drawImage(r, image);
            } else {
                const QPointF at = v.Bool("Center", false) ? r.center() - QPointF(image.width() / 2.0, image.height() / 2.0) : r.topLeft();
                p.drawImage(at, image);
            }
            break;
        }
        case Kind::Shape: {
            p.setPen(Colour(v, "Pen.Color", kText));
            p.setBrush(Colour(v, "Brush.Color", kWindow));
            const std::string shape = v.Text("Shape");
            if (vcl::SameText(shape, "stEllipse") || vcl::SameText(shape, "stCircle")) p.drawEllipse(r.adjusted(0, 0, -1, -1));
            else if (vcl::SameText(shape, "stRoundRect") || vcl::SameText(shape, "stRoundSquare")) p.drawRoundedRect(r.adjusted(0, 0, -1, -1), 6, 6);
            else p.drawRect(r.adjusted(0, 0, -1, -1));
            break;
        }
        case Kind::Bevel: {
            const std::string shape = v.Text("Shape", "bsBox");
            p.setPen(kShadow);
            p.setBrush(Qt::NoBrush);
            if (vcl::SameText(shape, "bsTopLine")) p.drawLine(r.topLeft(), r.topRight());
            else if (vcl::SameText(shape, "bsBottomLine")) p.drawLine(r.bottomLeft(), r.bottomRight());
            else if (vcl::SameText(shape, "bsLeftLine")) p.drawLine(r.topLeft(), r.bottomLeft());
            else if (vcl::SameText(shape, "bsRightLine")) p.drawLine(r.topRight(), r.bottomRight());
            else if (!vcl::SameText(shape, "bsSpacer")) p.drawRect(r.adjusted(0, 0, -1, -1));
            break;
        }
        case Kind::Panel: {
            if (vcl::SameText(v.Text("BevelOuter", "bvRaised"), "bvNone")) p.fillRect(r, face);
            else Raised(p, r, face);
            if (!v.Bool("ShowCaption", true)) break;
            const std::string align = v.Text("Alignment");
            const int h = vcl::SameText(align, "taLeftJustify") ? Qt::AlignLeft : vcl::SameText(align, "taRightJustify") ? Qt::AlignRight : Qt::AlignHCenter;
            text(r.adjusted(3, 1, -3, -1), h | Qt::AlignVCenter, caption);
            break;
        }
        case Kind::ScrollBox:
            Sunken(p, r, face);
            break;
        case Kind::Page:
        case Kind::Notebook:
        case Kind::Frame:
            if (v.Stored("Color")) p.fillRect(r, face);
            break;
        case Kind::Other:
            if (dynamic_cast<const vcl::TWinControl*>(&c) != nullptr) p.fillRect(r, face);
            p.setPen(QPen(kShadow, 1, Qt::DotLine));
            p.setBrush(Qt::NoBrush);
            p.drawRect(r.adjusted(0, 0, -1, -1));
            text(r.adjusted(3, 1, -3, -1), Qt::AlignLeft | Qt::AlignTop, caption.isEmpty() ? Q(c.Name()) : caption);
            break;
    }
}

// The non-visual components the designer shows: those the form's object holds itself, not
// the ones a component keeps inside it (actions, persistent fields, menu items).
std::vector<const vcl::TComponent*> Painter::IconComponents() const {
    std::unordered_set<std::string> top;
    bool known = false;
    if (options_.stored)
        options_.stored(root_, [&](const vcl::TStoredObject& object) {
            known = true;
            object.ForEachChild([&](const vcl::TStoredObject& child) { top.insert(vcl::LowerCase(child.Name())); });
        });
    std::vector<const vcl::TComponent*> icons;
    for (int i = 0; i < root_.ComponentCount(); ++i) {
        const vcl::TComponent* c = root_.Components(i);
        if (vcl::Is<vcl::TControl>(c) || vcl::Is<vcl::TMenuItem>(c)) continue;
        if (known ? top.count(vcl::LowerCase(c->Name())) == 0 : c->InheritsFrom("TContainedAction") || c->InheritsFrom("TField"))
            continue;
        icons.push_back(c);
    }
    return icons;
}

void Painter::Icons(QPainter& p, const QPointF& origin) {
    QFont small = p.font();
    small.setPixelSize(8);
    const QFontMetricsF smallMetrics(small);
    for (const vcl::TComponent* c : IconComponents()) {
        const auto info = uint32_t(c->DesignInfo());
        const QRectF rect(origin.x() + int16_t(info & 0xFFFF), origin.y() + int16_t(info >> 16), kIconSide, kIconSide);
        p.setPen(QColor(90, 90, 90));
        p.setBrush(QColor(255, 246, 214));
        p.drawRoundedRect(rect, 4, 4);
        QString kind = Q(c->ClassName());
        if (kind.startsWith('T') && kind.size() > 1) kind = kind.mid(1);
        p.drawText(rect, Qt::AlignCenter, kind.left(3));
        // Icons usually stand an icon's width apart: the name gets no more room than that.
        p.save();
        p.setFont(small);
        p.drawText(QRectF(rect.left() - 2, rect.bottom(), kIconSide + 4, 12), Qt::AlignHCenter | Qt::AlignTop,
                   smallMetrics.elidedText(Q(c->Name()), Qt::ElideRight, kIconSide + 4));
        p.restore();
        drawn_.emplace_back(c->Name(), rect);
    }
}

QColor LevelColour(int depth) {
    static const QColor colours[] = {QColor(0, 102, 204), QColor(0, 153, 76), QColor(204, 102, 0), QColor(153, 0, 153),
                                     QColor(0, 153, 153)};
    return colours[size_t(std::max(depth - 1, 0)) % std::size(colours)];
}

QImage Painter::Draw(std::vector<TPreviewPlace>* places) {
    const auto* form = dynamic_cast<const vcl::TWinControl*>(&root_);
    const Values rv = Of(root_);
    const int ppi = int(std::clamp<int64_t>(rv.Stored("DesignTimePPI") ? rv.Int("DesignTimePPI", 96) : rv.Int("PixelsPerInch", 96), 24, 960));
    Font base;
    base.font = QFont(QStringLiteral("MS Sans Serif"));
    base.font.setPixelSize(11);
    base = FontOf(rv, base, ppi);

    // The window around the client area: a form has a title bar and a border unless it has
    // none; a main menu adds its bar.
    const bool window = form != nullptr && dynamic_cast<const vcl::TCustomForm*>(form) != nullptr &&
                        !vcl::SameText(rv.Text("BorderStyle"), "bsNone");
    const vcl::TMainMenu* menu = window ? static_cast<const vcl::TCustomForm*>(form)->Menu() : nullptr;
    const double frame = window ? kBorder : 0, top = window ? kBorder + kTitle + (menu != nullptr ? kMenuBar : 0) : 0;
    QSizeF client;
    if (form != nullptr) {
        const QRectF place = PlaceOf(*form);
        const int64_t cw = rv.Int("ClientWidth", 0), ch = rv.Int("ClientHeight", 0);
        client.setWidth(rv.Stored("ClientWidth") && cw > 0 ? double(cw) : place.width() - 2 * frame);
        client.setHeight(rv.Stored("ClientHeight") && ch > 0 ? double(ch) : place.height() - top - frame);
    }
    // An inherited form may store no size: the one its ancestor gave it is in another file.
    // Its controls' extent stands for it then.
    if (form != nullptr && (client.width() <= 0 || client.height() <= 0)) {
        QSizeF extent(0, 0);
        for (int i = 0; i < form->ControlCount(); ++i) {
            const QRectF r = PlaceOf(*form->Controls(i));
            extent = extent.expandedTo(QSizeF(r.right(), r.bottom()));
        }
        if (client.width() <= 0) client.setWidth(extent.width() > 0 ? extent.width() + 8 : 320);
        if (client.height() <= 0) client.setHeight(extent.height() > 0 ? extent.height() + 8 : 240);
    }
    client = QSizeF(std::clamp(client.width(), 0.0, 1e6), std::clamp(client.height(), 0.0, 1e6));
    const QPointF origin(frame, top);
    double width = client.width() + 2 * frame, height = client.height() + top + frame;
    for (const vcl::TComponent* c : IconComponents()) {
        const auto info = uint32_t(c->DesignInfo());
        width = std::max(width, origin.x() + int16_t(info & 0xFFFF) + kIconSide + 2);
        height = std::max(height, origin.y() + int16_t(info >> 16) + kIconSide + 14);
    }
    width = std::max(width, 64.0);
    height = std::max(height, 48.0);
    const double scale = std::min(1.0, double(std::max(options_.maxSide, 16)) / std::max(width, height));
    QImage image(std::max(1, int(width * scale)), std::max(1, int(height * scale)), QImage::Format_RGB32);
    image.fill(QColor(250, 250, 250));

    QPainter p(&image);
    p.scale(scale, scale);
    p.setFont(base.font);
    const QRectF clientRect(origin, client);
    if (window) {
        const QRectF outer(0, 0, client.width() + 2 * frame, top + client.height() + frame);
        p.fillRect(outer, kFace);
        p.setPen(kCaption);
        p.setBrush(Qt::NoBrush);
        p.drawRect(outer.adjusted(0, 0, -1, -1));
        const QRectF title(1, 1, outer.width() - 2, kBorder + kTitle - 1);
        p.fillRect(title, kCaption);
        QFont titleFont = base.font;
        titleFont.setPixelSize(12);
        p.save();
        p.setFont(titleFont);
        p.setPen(kWindow);
        p.drawText(title.adjusted(8, 0, -40, 0), Qt::AlignLeft | Qt::AlignVCenter,
                   QFontMetricsF(titleFont).elidedText(Shown(form->Caption()), Qt::ElideRight, std::max(0.0, title.width() - 48)));
        const QPointF x(title.right() - 16, title.center().y());
        p.setPen(QPen(kWindow, 1.5));
        p.drawLine(x + QPointF(-4, -4), x + QPointF(4, 4));
        p.drawLine(x + QPointF(-4, 4), x + QPointF(4, -4));
        p.restore();
        if (menu != nullptr) {
            const QRectF bar(frame, kBorder + kTitle, client.width(), kMenuBar);
            p.fillRect(bar, kWindow);
            double mx = bar.left() + 4;
            const QFontMetricsF m(base.font);
            p.setPen(kText);
            for (int i = 0; i < menu->Items()->Count() && mx < bar.right(); ++i) {
                const QString s = Shown(menu->Items()->Items(i)->Caption());
                const double w = m.horizontalAdvance(s) + 14;
                p.drawText(QRectF(mx, bar.top(), w, bar.height()), Qt::AlignCenter, s);
                mx += w;
            }
        }
    }
    p.fillRect(clientRect, form != nullptr ? Colour(rv, "Color", kFace) : QColor(250, 250, 250));
    if (!clientRect.isEmpty()) drawn_.emplace_back(std::string(), window ? QRectF(0, 0, clientRect.right() + frame, clientRect.bottom() + frame) : clientRect);

    // Parents before their children; an explicit stack, since a form may nest deeper than
    // the call stack allows.
    std::vector<Node> stack;
    std::vector<std::pair<const vcl::TControl*, QRectF>> children;
    auto push = [&](const vcl::TWinControl& parent, Kind kind, const QRectF& rect, const QRectF& clip, const Font& font, int depth) {
        children.clear();
        const QRectF inner = ClientOf(parent, kind, rect, font);
        LayOut(parent, kind, inner, children);
        for (auto it = children.rbegin(); it != children.rend(); ++it) {
            const QRectF r = it->second.translated(rect.topLeft());
            stack.push_back({it->first, r, clip.intersected(inner.translated(rect.topLeft())), font, depth});
        }
    };
    if (form != nullptr) push(*form, Kind::Other, clientRect, clientRect, base, 1);
    while (!stack.empty()) {
        Node n = stack.back();
        stack.pop_back();
        const Values v = Of(*n.control);
        n.font = FontOf(v, n.font, ppi);
        const Kind kind = KindOf(*n.control);
        p.save();
        p.setClipRect(n.clip.intersected(n.rect));
        p.setFont(n.font.font);
        Control(p, n, kind, v);
        p.restore();
        drawn_.emplace_back(n.control->Name(), n.rect);
        if (const auto* w = dynamic_cast<const vcl::TWinControl*>(n.control)) {
            if (options_.tabOrder && kind != Kind::Frame && dynamic_cast<const vcl::TNotebookBase*>(w->Parent()) == nullptr &&
                !w->InheritsFrom("TTabSheet"))
                badges_.push_back({n.rect, w->TabOrder(), n.depth, w->TabStop()});
            push(*w, kind, n.rect, n.clip.intersected(n.rect), n.font, n.depth + 1);
        }
        if (picture_ != nullptr && picture_->selected == n.control) {
            p.setPen(QPen(kMark, 3 / scale));
            p.setBrush(Qt::NoBrush);
            p.drawRect(n.rect);
        }
    }
    Icons(p, origin);

    // The overlays over everything: tab order numbers by nesting level, then the marks.
    QFont badgeFont = base.font;
    badgeFont.setPixelSize(10);
    badgeFont.setBold(true);
    p.setFont(badgeFont);
    const QFontMetricsF bm(badgeFont);
    for (const Badge& b : badges_) {
        const QColor colour = LevelColour(b.depth);
        QPen pen(colour, 1.5);
        if (!b.stop) pen.setDashPattern({3, 3});
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawRect(b.rect.adjusted(0.5, 0.5, -1, -1));
        const QString number = QString::number(b.order);
        const QRectF tag(b.rect.left(), b.rect.top(), bm.horizontalAdvance(number) + 6, bm.height() + 1);
        p.fillRect(tag, b.stop ? colour : kWindow);
        p.setPen(b.stop ? kWindow : colour);
        p.drawText(tag, Qt::AlignCenter, number);
    }
    for (const TPreviewMark& mark : options_.marks) {
        auto at = std::find_if(drawn_.begin(), drawn_.end(), [&](const auto& d) { return vcl::SameText(d.first, mark.component); });
        if (at == drawn_.end()) continue;
        p.setPen(QPen(kMark, 2));
        p.setBrush(Qt::NoBrush);
        p.drawRect(at->second.adjusted(1, 1, -1, -1));
        const QString label = Q(mark.label);
        const double w = bm.horizontalAdvance(label) + 6;
        const QRectF tag(std::max(0.0, at->second.right() - w), at->second.top(), w, bm.height() + 1);
        p.fillRect(tag, kMark);
        p.setPen(kWindow);
        p.drawText(tag, Qt::AlignCenter, label);
    }
    p.end();
    if (places != nullptr)
        for (const auto& [name, r] : drawn_) {
            const QRect s = QRectF(r.left() * scale, r.top() * scale, r.width() * scale, r.height() * scale).toAlignedRect();
            places->push_back({name, s.left(), s.top(), s.width(), s.height()});
        }
    return image;
}

}  // namespace

QImage PreviewImage(const vcl::TComponent& root, const TPreviewOptions& options, std::vector<TPreviewPlace>* places,
                    const vcl::TWindowPicture* picture) {
    return Painter(root, options, picture).Draw(places);
}

QImage PreviewImage(const vcl::TComponent& root, int maxSide, const vcl::TWindowPicture* picture) {
    TPreviewOptions options;
    options.maxSide = maxSide;
    return PreviewImage(root, options, nullptr, picture);
}

TPreviewPicture EncodePreview(const vcl::TComponent& root, const TPreviewOptions& options, const char* format) {
    EnsureOffscreenApplication();
    TPreviewPicture picture;
    const QImage image = PreviewImage(root, options, &picture.places);
    picture.width = image.width();
    picture.height = image.height();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format, std::string_view(format) == "JPEG" ? 92 : -1)) throw vcl::EInOutError(std::string("Cannot encode the picture of the form as ") + format);
    picture.bytes.assign(bytes.constData(), size_t(bytes.size()));
    return picture;
}

void SavePreview(const vcl::TComponent& root, const std::string& path, const TPreviewOptions& options) {
    const char* format = PictureFormat(path);
    if (format == nullptr) throw vcl::EInOutError("Cannot tell the picture's format from its name '" + path + "'");
    zorbase::WriteFileAtomically(path, EncodePreview(root, options, format).bytes);
}

}  // namespace ui::qt
