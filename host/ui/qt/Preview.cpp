#include "host/ui/qt/Preview.h"

#include "host/ui/qt/Application.h"

#include <QBuffer>
#include <QByteArray>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <vector>

#include "host/base/AtomicFile.h"
#include "host/vcl/Controls.h"
#include "host/vcl/Menus.h"
#include "host/vcl/Notebooks.h"
#include "host/vcl/TypInfo.h"
#include "host/vcl/SysUtils.h"

namespace ui::qt {

namespace {

constexpr int kIconSide = 28;

struct Box {
    double left, top, width, height;
    int depth;
    QString label;
    QString className;
    bool icon;
    bool graphic;  // a label and the like: its text may run past its box
    bool selected = false;
};

QString Label(const vcl::TComponent& c) {
    const auto* control = dynamic_cast<const vcl::TControl*>(&c);
    const std::string& text = control != nullptr && !control->Caption().empty() ? control->Caption() : c.Name();
    // An ampersand marks the access key; a doubled one is a plain ampersand.
    return QString::fromUtf8(text.data(), qsizetype(text.size())).replace("&&", QChar(1)).remove('&').replace(QChar(1), "&");
}

QString ClassOf(const vcl::TComponent& c) { return QString::fromStdString(c.ClassName()); }

// The page a page control or notebook shows: its pages lie on top of each other, and the
// designer shows one. Null when parent shows all its children.
const vcl::TControl* ShownPage(const vcl::TWinControl& parent) {
    if (parent.ControlCount() < 2) return nullptr;
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
        if (dynamic_cast<const vcl::TNotebookBase*>(&parent) != nullptr) {
            const vcl::TPropInfo* prop = vcl::GetPropInfo(&parent, "PageIndex");
            const int64_t index = prop != nullptr ? vcl::GetOrdProp(&parent, prop) : 0;
            return parent.Controls(index >= 0 && index < parent.ControlCount() ? int(index) : 0);
        }
    } catch (const vcl::Exception&) {
    }
    return nullptr;
}

// Every control under root at its place in the root's client area, parents before their
// children; an explicit stack, since a form may nest deeper than the call stack allows.
void CollectControls(const vcl::TWinControl& root, std::vector<Box>& boxes, const vcl::TWindowPicture* picture) {
    struct Pending {
        const vcl::TControl* control;
        double left, top;
        int depth;
    };
    std::vector<Pending> stack;
    auto pushChildren = [&](const vcl::TWinControl& parent, double left, double top, int depth) {
        const vcl::TControl* page = ShownPage(parent);
        for (int i = parent.ControlCount() - 1; i >= 0; --i)
            if (page == nullptr || parent.Controls(i) == page) stack.push_back({parent.Controls(i), left, top, depth});
    };
    pushChildren(root, 0, 0, 1);
    while (!stack.empty()) {
        const Pending p = stack.back();
        stack.pop_back();
        const vcl::TControl& c = *p.control;
        vcl::TWindowPicture::Place place{c.Left(), c.Top(), c.Width(), c.Height()};
        if (picture != nullptr)
            if (auto at = picture->places.find(&c); at != picture->places.end()) place = at->second;
        const double left = p.left + place.left, top = p.top + place.top;
        boxes.push_back({left, top, double(std::max(place.width, 0)), double(std::max(place.height, 0)), p.depth,
                         Label(c), ClassOf(c), false, dynamic_cast<const vcl::TWinControl*>(&c) == nullptr,
                         picture != nullptr && picture->selected == &c});
        if (const auto* w = dynamic_cast<const vcl::TWinControl*>(&c)) pushChildren(*w, left, top, p.depth + 1);
    }
}

// The non-visual components, where the designer keeps their icons: menu items live in
// their menus, not on the form.
void CollectIcons(const vcl::TComponent& owner, std::vector<Box>& boxes) {
    std::vector<const vcl::TComponent*> owners{&owner};
    while (!owners.empty()) {
        const vcl::TComponent* o = owners.back();
        owners.pop_back();
        for (int i = 0; i < o->ComponentCount(); ++i) {
            const vcl::TComponent* c = o->Components(i);
            if (c->ComponentCount() > 0) owners.push_back(c);
            if (dynamic_cast<const vcl::TControl*>(c) != nullptr || dynamic_cast<const vcl::TMenuItem*>(c) != nullptr)
                continue;
            const auto info = uint32_t(c->DesignInfo());
            const int left = int16_t(info & 0xFFFF), top = int16_t(info >> 16);
            boxes.push_back({double(left), double(top), kIconSide, kIconSide, 0, Label(*c), ClassOf(*c), true, false, false});
        }
    }
}

// Class names without their T, shortened to what fits on an icon.
QString IconText(const QString& className) {
    QString text = className.startsWith('T') && className.size() > 1 ? className.mid(1) : className;
    return text.left(3);
}

QColor Fill(int depth) {
    static const QColor shades[] = {QColor(236, 240, 246), QColor(222, 230, 242), QColor(206, 219, 238),
                                    QColor(190, 207, 232)};
    return shades[(depth - 1) % 4];
}

}  // namespace

QImage PreviewImage(const vcl::TComponent& root, int maxSide, const vcl::TWindowPicture* picture) {
    std::vector<Box> boxes;
    double width = 0, height = 0;
    if (const auto* form = dynamic_cast<const vcl::TWinControl*>(&root)) {
        CollectControls(*form, boxes, picture);
        width = std::max(form->Width(), 0);
        height = std::max(form->Height(), 0);
    }
    CollectIcons(root, boxes);
    for (const Box& b : boxes) {
        width = std::max(width, b.left + b.width + 1);
        height = std::max(height, b.top + b.height + (b.icon ? 14 : 1));
    }
    width = std::max(width, 64.0);
    height = std::max(height, 48.0);
    const double scale = std::min(1.0, double(maxSide) / std::max(width, height));
    QImage image(std::max(1, int(width * scale)), std::max(1, int(height * scale)), QImage::Format_RGB32);
    image.fill(QColor(250, 250, 250));

    QPainter painter(&image);
    painter.scale(scale, scale);
    QFont font(QStringLiteral("Sans Serif"));
    font.setPixelSize(11);
    painter.setFont(font);
    const QFontMetrics metrics(font);
    QFont small = font;
    small.setPixelSize(8);
    const QFontMetrics smallMetrics(small);
    for (const Box& b : boxes) {
        const QRectF rect(b.left, b.top, b.width, b.height);
        if (b.icon) {
            painter.setPen(QColor(90, 90, 90));
            painter.setBrush(QColor(255, 246, 214));
            painter.drawRoundedRect(rect, 4, 4);
            painter.drawText(rect, Qt::AlignCenter, IconText(b.className));
            // Icons usually stand an icon's width apart: the name gets no more room than that.
            painter.save();
            painter.setFont(small);
            const QString name = smallMetrics.elidedText(b.label, Qt::ElideRight, kIconSide + 4);
            painter.drawText(QRectF(b.left - 2, b.top + kIconSide, kIconSide + 4, 12), Qt::AlignHCenter | Qt::AlignTop, name);
            painter.restore();
            continue;
        }
        painter.setPen(QColor(60, 70, 90));
        painter.setBrush(Fill(b.depth));
        painter.drawRect(rect);
        if (b.width < 6 || b.height < 6) continue;
        painter.save();
        painter.setPen(QColor(20, 20, 20));
        if (b.graphic) {
            painter.drawText(QPointF(b.left + 2, b.top + 1 + metrics.ascent()), b.label);
        } else {
            painter.setClipRect(rect.adjusted(1, 1, -1, -1));
            const QString text = metrics.elidedText(b.label, Qt::ElideRight, int(b.width) - 6);
            painter.drawText(rect.adjusted(3, 1, -3, -1), Qt::AlignLeft | Qt::AlignTop, text);
        }
        painter.restore();
    }
    // The picked-out control last, so that no sibling hides its outline.
    for (const Box& b : boxes)
        if (b.selected) {
            painter.setPen(QPen(QColor(214, 40, 40), 3 / scale));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(QRectF(b.left, b.top, b.width, b.height));
        }
    painter.end();
    return image;
}

void SavePreview(const vcl::TComponent& root, const std::string& path) {
    EnsureOffscreenApplication();
    const QImage image = PreviewImage(root);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) throw vcl::EInOutError("Cannot encode the picture of the form as PNG");
    zorbase::WriteFileAtomically(path, std::string_view(bytes.constData(), size_t(bytes.size())));
}

}  // namespace ui::qt
