#include "host/ui/qt/Screen.h"

#include <QApplication>
#include <QCursor>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QTableWidget>
#include <QTreeWidget>

#include "host/controls/DesignedForm.h"
#include "host/controls/Dialogs.h"
#include "host/controls/Grids.h"
#include "host/controls/Outline.h"
#include "host/controls/WindowPicture.h"
#include "host/ui/qt/Application.h"
#include "host/ui/qt/Faces.h"
#include "host/ui/qt/Preview.h"
#include "host/ui/qt/ScreenWindow.h"
#include "host/vcl/SysUtils.h"
#include "host/vcl/TypInfo.h"

namespace ui::qt {

namespace {

// The platform's frame around a window's client area, so that the sizes the tools keep in
// their settings mean the whole window, as they always have, whatever the desktop's frames.
constexpr int kFrameWidth = 8;
constexpr int kFrameHeight = 27;

constexpr unsigned kAnchorLeft = 1, kAnchorTop = 2, kAnchorRight = 4, kAnchorBottom = 8;

// The sides of its parent a control keeps its distance to; left and top when not stored.
unsigned Anchors(const vcl::TControl* c) {
    try {
        if (const vcl::TPropInfo* prop = vcl::GetPropInfo(c, "Anchors")) {
            const vcl::TValue value = vcl::GetPropValue(c, prop);
            if (const auto* set = std::get_if<vcl::TSetValue>(&value)) {
                unsigned anchors = 0;
                for (const std::string& e : set->elements) {
                    if (vcl::SameText(e, "akLeft")) anchors |= kAnchorLeft;
                    else if (vcl::SameText(e, "akTop")) anchors |= kAnchorTop;
                    else if (vcl::SameText(e, "akRight")) anchors |= kAnchorRight;
                    else if (vcl::SameText(e, "akBottom")) anchors |= kAnchorBottom;
                }
                return anchors;
            }
        }
    } catch (const vcl::Exception&) {
    }
    return kAnchorLeft | kAnchorTop;
}

// One axis of an anchored control whose parent grew by delta: held on both sides it
// stretches, held on the far side it moves, held on neither it keeps to the middle.
void Follow(int& start, int& length, int delta, bool nearSide, bool farSide) {
    if (nearSide && farSide) length = std::max(length + delta, 0);
    else if (farSide) start += delta;
    else if (!nearSide) start += delta / 2;
}

// The picture a window's model gives, at full scale; null when it gives none now.
QImage PictureOf(const vcl::TCustomForm& form) {
    const vcl::TWindowPictureSource* source = vcl::WindowPicture(&form);
    const vcl::TWindowPicture picture = source != nullptr ? (*source)() : vcl::TWindowPicture{};
    return picture.root != nullptr ? PreviewImage(*picture.root, 4096, &picture) : QImage();
}

constexpr int kPictureMargin = 8;

}  // namespace

std::string QtFilter(const std::string& filter) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t bar; (bar = filter.find('|', start)) != std::string::npos; start = bar + 1)
        parts.push_back(filter.substr(start, bar - start));
    parts.push_back(filter.substr(start));
    std::string out;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        std::string patterns = parts[i + 1];
        for (char& ch : patterns)
            if (ch == ';') ch = ' ';
        if (!out.empty()) out += ";;";
        out += parts[i] + " (" + patterns + ")";
    }
    return out;
}

// ---- the window -------------------------------------------------------------------------

TScreenWindow::TScreenWindow(vcl::TCustomForm& form, QWidget* parent) : QDialog(parent), form_(form) {
    ++updating_;
    setWindowTitle(Q(form.Caption()));
    setObjectName(Q(form.Name()));
    setSizeGripEnabled(true);
    // The window's font, as designed: the design's sizes were made for it.
    if (auto* designed = dynamic_cast<vcl::TDesignedForm*>(&form)) {
        QFont f = font();
        f.setFamily(Q(designed->Font().Name));
        f.setPixelSize(std::max(designed->Font().PixelHeight(), 6));
        f.setBold(designed->Font().Bold);
        setFont(f);
    }
    Build(form, this);
    // The tab order of the model, depth first.
    std::vector<vcl::TWinControl*> order;
    form.GetTabOrderList(order);
    QWidget* previous = nullptr;
    for (vcl::TWinControl* c : order) {
        QWidget* w = Widget(c->Name());
        if (w == nullptr || !vcl::SameText(c->Name(), S(w->objectName()))) continue;
        if (previous != nullptr) setTabOrder(previous, w);
        previous = w;
    }
    int width = form.Width() - kFrameWidth, height = form.Height() - kFrameHeight;
    if (form.Width() <= 0 || form.Height() <= 0) {
        width = int(OrdProp(&form, "ClientWidth", 400));
        height = int(OrdProp(&form, "ClientHeight", 300));
    }
    designedClient_ = QSize(std::max(width, 80), std::max(height, 40));
    if (vcl::WindowPicture(&form) != nullptr) {
        picture_ = new QLabel(this);
        picture_->setObjectName("tavrinPicture");
        picture_->setFrameShape(QFrame::StyledPanel);
        picture_->setAlignment(Qt::AlignCenter);
    }
    if (auto* designed = dynamic_cast<vcl::TDesignedForm*>(&form); designed != nullptr && designed->ChecksValues()) {
        status_ = new QLabel(this);
        status_->setObjectName("tavrinStatus");
        status_->setFrameShape(QFrame::StyledPanel);
        status_->setTextFormat(Qt::PlainText);
        status_->setFixedHeight(status_->fontMetrics().height() + 6);
    }
    --updating_;
    Refresh();  // the grids are filled before they are measured
    resize(OpeningSize());
    // A person may make a window smaller than it opens, though not too small to use.
    QSize least(std::min(designedClient_.width(), 240) + (picture_ != nullptr ? kPictureWidth / 2 : 0),
                std::min(designedClient_.height(), 160) + (status_ != nullptr ? status_->height() : 0));
    setMinimumSize(least.boundedTo(size()));
    if (form.Left() != 0 || form.Top() != 0) move(form.Left(), form.Top());
}

QSize TScreenWindow::OpeningSize() {
    ensurePolished();  // the style's frames and the headers' fonts, which the measures take
    const int status = status_ != nullptr ? status_->height() : 0;
    QSize client = designedClient_;
    const auto* designed = dynamic_cast<const vcl::TDesignedForm*>(&form_);
    // A size the person left the window at (kept in the settings) wins over its content.
    const bool grow = designed == nullptr || designed->SizedAsDesigned();
    for (const TMirror& m : mirrors_)
        if (auto* table = qobject_cast<QTableWidget*>(m.widget); table != nullptr && !table->isHidden())
            Quietly([&] {
                const int wanted = FitColumns(*table, true);
                if (grow) client.rwidth() += std::max(wanted - m.designed.width(), 0);
            });
    int picture = 0;
    if (picture_ != nullptr) {
        const QSize natural = fullPicture_.size() + QSize(2 * kPictureMargin, 2 * kPictureMargin);  // drawn by Refresh
        picture = std::max(natural.width(), kPictureWidth);
        if (grow) client.setHeight(std::max(client.height(), natural.height() - status));
    }
    // Within the free area: the picture gives way first, down to its least width.
    const QRect free = screen()->availableGeometry();
    const int roomWidth = free.width() - kFrameWidth, roomHeight = free.height() - kFrameHeight;
    if (picture_ != nullptr) picture = std::clamp(roomWidth - client.width(), kPictureWidth, picture);
    const QSize opening(std::min(client.width() + picture, roomWidth), std::min(client.height() + status, roomHeight));
    pictureShare_ = double(picture) / std::max(client.width() + picture, 1);
    return opening;
}

int TScreenWindow::PictureWidth() const {
    return picture_ != nullptr ? std::max(int(width() * pictureShare_), kPictureWidth / 2) : 0;
}

void TScreenWindow::ShowBadValues() {
    auto* designed = dynamic_cast<vcl::TDesignedForm*>(&form_);
    if (status_ == nullptr || designed == nullptr) return;
    for (const auto& [widget, cell] : marked_) {
        if (auto* table = qobject_cast<QTableWidget*>(widget)) {
            if (QTableWidgetItem* item = table->item(cell.y(), cell.x())) {
                item->setData(Qt::BackgroundRole, QVariant());
                item->setToolTip(QString());
            }
        } else {
            widget->setPalette(QPalette());  // its tool tip is its hint again already
        }
    }
    marked_.clear();
    const std::vector<vcl::TDesignedForm::TBadValue> bad = designed->BadValues();
    const QColor wrong(255, 200, 200);
    for (const vcl::TDesignedForm::TBadValue& b : bad) {
        const TMirror* m = MirrorOf(b.control);
        if (m == nullptr) continue;
        if (auto* table = qobject_cast<QTableWidget*>(m->widget)) {
            const auto* grid = dynamic_cast<const vcl::TStringGrid*>(b.control);
            const QPoint cell(b.col - (grid != nullptr ? grid->FixedCols() : 0),
                              b.row - (grid != nullptr ? grid->FixedRows() : 0));
            if (QTableWidgetItem* item = table->item(cell.y(), cell.x())) {
                item->setBackground(wrong);
                item->setToolTip(Q(b.reason));
                marked_.emplace_back(table, cell);
            }
        } else {
            QPalette palette = m->widget->palette();
            palette.setColor(QPalette::Base, wrong);
            m->widget->setPalette(palette);
            m->widget->setToolTip(Q(b.reason));
            marked_.emplace_back(m->widget, QPoint());
        }
    }
    QString text;
    if (!bad.empty()) text = Q(bad.front().reason);
    if (bad.size() > 1) text += QString(" (%1 more)").arg(bad.size() - 1);
    status_->setText(text);
    status_->setToolTip(text);
}

const TMirror* TScreenWindow::MirrorOf(const QWidget* widget) const {
    for (const TMirror& m : mirrors_)
        if (m.widget == widget) return &m;
    return nullptr;
}

const TMirror* TScreenWindow::MirrorOf(const vcl::TControl* control) const {
    for (const TMirror& m : mirrors_)
        if (m.control == control) return &m;
    return nullptr;
}

vcl::TOutline* TScreenWindow::OutlineOf(const QTreeWidget& tree) const {
    const TMirror* m = MirrorOf(&tree);
    return m != nullptr ? dynamic_cast<vcl::TOutline*>(m->control) : nullptr;
}

QWidget* TScreenWindow::Widget(std::string_view name) const {
    for (const TMirror& m : mirrors_)
        if (vcl::SameText(m.control->Name(), name)) return m.widget;
    return nullptr;
}

void TScreenWindow::Build(vcl::TWinControl& parent, QWidget* into) {
    for (int i = 0; i < parent.ControlCount(); ++i) {
        vcl::TControl& c = *parent.Controls(i);
        const TFace& face = FaceOf(c);
        QWidget* w = face.Make(*this, c, into);
        w->setObjectName(Q(c.Name()));
        w->setGeometry(c.Left(), c.Top(), std::max(c.Width(), 0), std::max(c.Height(), 0));
        TMirror& m = mirrors_.emplace_back(TMirror{&c, w, &face, EnumProp(&c, "Align", "alNone"), Anchors(&c), {}, {}});
        m.designed = w->geometry();
        face.Connect(*this, m);
        if (auto* container = dynamic_cast<vcl::TWinControl*>(&c); container != nullptr && container->ControlCount() > 0) {
            Build(*container, w);
            w->installEventFilter(this);  // its aligned children follow its size
        }
    }
}

void TScreenWindow::Refresh() {
    ++updating_;
    for (TMirror& m : mirrors_) {
        vcl::TControl* c = m.control;
        m.widget->setHidden(!c->Visible());
        m.widget->setEnabled(c->Enabled());
        m.widget->setToolTip(c->Hint().empty() ? QString() : Q(c->Hint()));
        m.face->Refresh(*this, m);
    }
    setWindowTitle(Q(form_.Caption()));
    RefreshPicture();
    ShowBadValues();
    --updating_;
}

void TScreenWindow::RefreshPicture() {
    if (picture_ == nullptr) return;
    fullPicture_ = PictureOf(form_);
    ScalePicture();
}

void TScreenWindow::ScalePicture() {
    if (fullPicture_.isNull()) {
        picture_->clear();
        return;
    }
    const QSize room = picture_->contentsRect().size() - QSize(2 * kPictureMargin, 2 * kPictureMargin);
    picture_->setPixmap(QPixmap::fromImage(
        fullPicture_.scaled(room.expandedTo(QSize(16, 16)), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

void TScreenWindow::Realign(vcl::TWinControl* parent, QWidget* widget) {
    QRect r = widget->contentsRect();
    QSize designed;
    if (widget == this) {
        if (picture_ != nullptr) {
            r.setRight(r.right() - PictureWidth());
            picture_->setGeometry(r.right() + 1, 0, width() - r.right() - 1, height());
            ScalePicture();  // a new size only: the model drew nothing new
        }
        if (status_ != nullptr) {
            r.setBottom(r.bottom() - status_->height());
            status_->setGeometry(r.left(), r.bottom() + 1, r.width(), status_->height());
        }
        designed = designedClient_;
    } else if (const TMirror* m = MirrorOf(widget)) {
        designed = m->designed.size();
    }
    // Controls of no alignment keep their distances to the sides they are anchored to.
    const QSize now = widget == this ? QSize(r.right() + 1, r.bottom() + 1) : widget->size();
    const int dx = now.width() - designed.width(), dy = now.height() - designed.height();
    for (const TMirror& m : mirrors_) {
        if (m.control->Parent() != parent || m.align != "alNone") continue;
        int left = m.designed.left(), top = m.designed.top(), w = m.designed.width(), h = m.designed.height();
        Follow(left, w, dx, m.anchors & kAnchorLeft, m.anchors & kAnchorRight);
        Follow(top, h, dy, m.anchors & kAnchorTop, m.anchors & kAnchorBottom);
        if (m.widget->geometry() != QRect(left, top, w, h)) m.widget->setGeometry(left, top, w, h);
    }
    for (const char* pass : {"alTop", "alBottom", "alLeft", "alRight", "alClient"})
        for (const TMirror& m : mirrors_) {
            if (m.control->Parent() != parent || m.align != pass || m.widget->isHidden()) continue;
            const int w = m.widget->width(), h = m.widget->height();
            const std::string_view a = pass;
            if (a == "alTop") {
                m.widget->setGeometry(r.left(), r.top(), r.width(), h);
                r.setTop(r.top() + h);
            } else if (a == "alBottom") {
                m.widget->setGeometry(r.left(), r.bottom() + 1 - h, r.width(), h);
                r.setBottom(r.bottom() - h);
            } else if (a == "alLeft") {
                m.widget->setGeometry(r.left(), r.top(), w, r.height());
                r.setLeft(r.left() + w);
            } else if (a == "alRight") {
                m.widget->setGeometry(r.right() + 1 - w, r.top(), w, r.height());
                r.setRight(r.right() - w);
            } else {
                m.widget->setGeometry(r);
            }
        }
}

void TScreenWindow::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    Realign(&form_, this);
}

bool TScreenWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize) {
        // A grid's columns share the room its viewport has.
        auto* view = qobject_cast<QWidget*>(watched);
        if (auto* table = view != nullptr ? qobject_cast<QTableWidget*>(view->parentWidget()) : nullptr;
            table != nullptr && table->viewport() == view)
            Quietly([table] { FitColumns(*table, false); });
        if (const TMirror* m = MirrorOf(qobject_cast<QWidget*>(watched)))
            if (auto* container = dynamic_cast<vcl::TWinControl*>(m->control)) Realign(container, m->widget);
        return false;
    }
    if (event->type() == QEvent::KeyPress)
        if (auto* tree = qobject_cast<QTreeWidget*>(watched)) return OutlineKey(*tree, *static_cast<QKeyEvent*>(event));
    // An outline's viewport: the press, the moves and the release of a drag.
    auto* viewport = qobject_cast<QWidget*>(watched);
    auto* tree = viewport != nullptr ? qobject_cast<QTreeWidget*>(viewport->parentWidget()) : nullptr;
    auto* mouse = dynamic_cast<QMouseEvent*>(event);
    if (tree == nullptr || mouse == nullptr || tree->viewport() != viewport) return false;
    return OutlineMouse(*tree, *mouse);
}

namespace {

vcl::TPoint ModelPoint(const vcl::TOutline& outline, int index) {
    return index > 0 && index <= outline.ItemCount() ? outline.ItemPoint(index) : outline.EmptyPoint();
}

// The item next to an outline item among its siblings, before or after it; 0 for none.
int Sibling(const vcl::TOutline& outline, int item, bool after) {
    const vcl::TOutlineNode& node = outline.Items(item);
    if (const vcl::TOutlineNode* parent = node.Parent()) {
        const int sibling = after ? parent->GetNextChild(item) : parent->GetPrevChild(item);
        return std::max(sibling, 0);
    }
    const int step = after ? 1 : -1;
    for (int i = item + step; i >= 1 && i <= outline.ItemCount(); i += step)
        if (outline.Items(i).Level() == 1) return i;
    return 0;
}

}  // namespace

// Ctrl+Up and Ctrl+Down move the selected item before its previous sibling or after its next
// one by the drag a mouse would make (moving the next sibling before it), so the tool's own
// drag handlers decide, as they do for the mouse and for a script.
bool TScreenWindow::OutlineKey(QTreeWidget& tree, QKeyEvent& key) {
    if (key.modifiers() != Qt::ControlModifier || (key.key() != Qt::Key_Up && key.key() != Qt::Key_Down)) return false;
    vcl::TOutline* outline = OutlineOf(tree);
    const int item = outline != nullptr ? outline->SelectedItem() : 0;
    if (item < 1) return true;
    const bool down = key.key() == Qt::Key_Down;
    const int sibling = Sibling(*outline, item, down);
    if (sibling < 1) return true;
    Person(*outline, [item, sibling, down](vcl::TControlEvents& c) {
        c.ActDrag(vcl::mbLeft, down ? sibling : item, down ? item : sibling);
    });
    return true;
}

// The outline's own handlers decide, as for a script's drag: its mouse-down begins a drag or
// not, and while the pointer moves its drag-over handler is asked whether it would take the
// item there, which the pointer and the drop line show. The release then plays the whole
// drag through the model at once, as the script backend does.
bool TScreenWindow::OutlineMouse(QTreeWidget& tree, QMouseEvent& mouse) {
    vcl::TOutline* outline = OutlineOf(tree);
    if (outline == nullptr) return false;
    const QPoint at = mouse.position().toPoint();
    if (mouse.type() == QEvent::MouseButtonPress &&
        (mouse.button() == Qt::LeftButton || mouse.button() == Qt::RightButton)) {
        press_ = {&tree, mouse.button() == Qt::LeftButton ? vcl::mbLeft : vcl::mbRight,
                  ItemIndex(tree.itemAt(at)), at, bool(outline->OnMouseDown()), false, false};
        if (press_.handled) {
            const auto button = vcl::TMouseButton(press_.button);
            Act([outline, button, from = press_.from] {
                const vcl::TPoint p = ModelPoint(*outline, from);
                outline->OnMouseDown()(outline, button, 0, p.X, p.Y);
            });
        }
        press_.live = outline->Dragging() ||
                      (press_.button == vcl::mbLeft && vcl::DragModeOf(*outline) == vcl::dmAutomatic);
        return false;
    }
    if (press_.tree != &tree) return false;
    if (mouse.type() == QEvent::MouseMove && press_.live) {
        if (!press_.moved && (at - press_.start).manhattanLength() < QApplication::startDragDistance()) return true;
        press_.moved = true;
        const int over = ItemIndex(tree.itemAt(at));
        bool accept = false;
        if (outline->OnDragOver()) {
            accept = true;
            try {
                const vcl::TPoint p = ModelPoint(*outline, over);
                outline->OnDragOver()(outline, outline, p.X, p.Y, vcl::dsDragMove, accept);
            } catch (const vcl::Exception&) {
                accept = false;  // the drop itself will say what is wrong
            }
        }
        ShowDropTarget(tree, over, accept);
        return true;
    }
    if (mouse.type() != QEvent::MouseButtonRelease) return false;
    const OutlinePress done = press_;
    press_ = {};
    ShowDropTarget(tree, 0, false);
    tree.viewport()->unsetCursor();
    const int to = done.moved ? ItemIndex(tree.itemAt(at)) : done.from;
    // A press the handlers saw always ends through the model, which ends the drag it began.
    if (!done.handled && !done.moved) return false;
    const auto button = vcl::TMouseButton(done.button);
    Later([this, outline, button, from = done.from, to] {
        Person(*outline, [button, from, to](vcl::TControlEvents& c) { c.ActDrag(button, from, to); });
    });
    return done.moved;
}

// The pointer says whether the item would be taken where it is; the line shows where it
// would land (before the item under the pointer).
void TScreenWindow::ShowDropTarget(QTreeWidget& tree, int index, bool accepted) {
    QWidget* viewport = tree.viewport();
    auto* line = viewport->findChild<QFrame*>("dropIndicator", Qt::FindDirectChildrenOnly);
    if (index == 0 && !accepted && line == nullptr) return;
    if (line == nullptr) {
        line = new QFrame(viewport);
        line->setObjectName("dropIndicator");
        line->setAutoFillBackground(true);
        line->setBackgroundRole(QPalette::Highlight);
    }
    viewport->setCursor(accepted ? Qt::DragMoveCursor : Qt::ForbiddenCursor);
    QTreeWidgetItem* item = nullptr;
    for (QTreeWidgetItemIterator it(&tree); *it != nullptr && item == nullptr; ++it)
        if (ItemIndex(*it) == index) item = *it;
    if (!accepted || item == nullptr) {
        line->hide();
        return;
    }
    const QRect rect = tree.visualItemRect(item);
    line->setGeometry(rect.left(), std::max(rect.top() - 1, 0), rect.width(), 2);
    line->show();
    line->raise();
}

void TScreenWindow::Begin() {
    if (acting_++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
}

void TScreenWindow::End() {
    if (--acting_ != 0) return;
    QApplication::restoreOverrideCursor();
    Refresh();
    if (form_.ModalResult() == vcl::mrNone) return;
    StoreGeometry();
    if (auto* designed = dynamic_cast<vcl::TDesignedForm*>(&form_)) {
        try {
            designed->CloseModal();
        } catch (const vcl::Exception& e) {
            Failed(e);
        }
    }
    if (form_.ModalResult() != vcl::mrNone) done(int(form_.ModalResult()));
}

void TScreenWindow::Failed(const vcl::Exception& e) {
    form_.SetModalResult(vcl::mrNone);
    vcl::HandleException(e);
}

void TScreenWindow::StoreGeometry() {
    const bool maximized = isMaximized();
    const QRect inner = maximized ? normalGeometry() : geometry();
    const QPoint corner = maximized ? inner.topLeft() : frameGeometry().topLeft();
    const int below = status_ != nullptr ? status_->height() : 0;
    form_.SetBounds(corner.x(), corner.y(), inner.width() - PictureWidth() + kFrameWidth,
                    inner.height() - below + kFrameHeight);
    if (auto* designed = dynamic_cast<vcl::TDesignedForm*>(&form_))
        designed->SetWindowState(maximized ? vcl::wsMaximized : vcl::wsNormal);
}

void TScreenWindow::reject() {
    Act([this] {
        if (auto* designed = dynamic_cast<vcl::TDesignedForm*>(&form_)) designed->Close();
        else form_.SetModalResult(vcl::mrCancel);
    });
}

// ---- the backend ------------------------------------------------------------------------

namespace {
int argc = 1;
char arg0[] = "tavrinqa";
char* argv[] = {arg0, nullptr};
}  // namespace

TScreenBackend::TScreenBackend() {
    if (QCoreApplication::instance() == nullptr) {
        QuietQtNotes();
        app_ = std::make_unique<QApplication>(argc, argv);
    }
    // The tools fit the places they kept in the settings to this desktop's free area.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect free = screen->availableVirtualGeometry();
        vcl::Screen()->SetWorkArea({free.x(), free.y(), free.width(), free.height()});
    }
}

TScreenBackend::~TScreenBackend() { vcl::Screen()->SetWorkArea({}); }

QWidget* TScreenBackend::Topmost() const { return windows_.empty() ? nullptr : windows_.back(); }

vcl::TModalResult TScreenBackend::RunModal(vcl::TCustomForm& form) {
    QApplication::setOverrideCursor(Qt::WaitCursor);  // while the window is built
    TScreenWindow window(form, Topmost());
    windows_.push_back(&window);
    struct Leave {
        std::vector<TScreenWindow*>& windows;
        ~Leave() { windows.pop_back(); }
    } leave{windows_};
    QApplication::restoreOverrideCursor();
    form.SetModalResult(vcl::mrNone);
    const auto* designed = dynamic_cast<const vcl::TDesignedForm*>(&form);
    // A window opened from a handler shows the normal pointer, whatever its opener shows.
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    if (designed != nullptr && designed->WindowState() == vcl::wsMaximized) window.setWindowState(Qt::WindowMaximized);
    // Where the design asks for it, the window opens centred on the screen or on its opener.
    const std::string position = EnumProp(&form, "Position", "poDesigned");
    const QWidget* opener = windows_.size() > 1 ? windows_[windows_.size() - 2] : nullptr;
    QRect around;
    if ((position == "poMainFormCenter" || position == "poOwnerFormCenter") && opener != nullptr)
        around = opener->frameGeometry();
    else if (position == "poScreenCenter" || position == "poDesktopCenter" || position == "poMainFormCenter" ||
             position == "poOwnerFormCenter")
        around = window.screen()->availableGeometry();
    if (around.isValid()) window.move(around.center() - window.rect().center());
    // The control the design makes active has the focus first.
    try {
        if (const vcl::TPropInfo* prop = vcl::GetPropInfo(&form, "ActiveControl"))
            if (auto* active = dynamic_cast<vcl::TComponent*>(vcl::GetObjectProp(&form, prop)))
                if (QWidget* w = window.Widget(active->Name())) w->setFocus();
    } catch (const vcl::Exception&) {
    }
    window.exec();
    QApplication::restoreOverrideCursor();
    if (form.ModalResult() == vcl::mrNone) form.SetModalResult(vcl::mrCancel);
    return form.ModalResult();
}

std::optional<std::string> TScreenBackend::AnswerSaveDialog(vcl::TSaveDialog& dialog) {
    // The model asks about replacing a file itself (ofOverwritePrompt), so the desktop
    // dialog does not ask a second time.
    const QString name = QFileDialog::getSaveFileName(Topmost(), Q(dialog.Title()), Q(dialog.FileName()),
                                                      Q(QtFilter(dialog.Filter())), nullptr,
                                                      QFileDialog::DontConfirmOverwrite);
    if (name.isEmpty()) return std::nullopt;
    return S(name);
}

int TScreenBackend::MessageBox(const std::string& text, const std::string& caption, int flags) {
    QMessageBox box(Topmost());
    box.setWindowTitle(Q(caption.empty() ? std::string("tavrinqa") : caption));
    box.setText(Q(text));
    switch (flags & 0xF0) {
        case vcl::MB_ICONERROR: box.setIcon(QMessageBox::Critical); break;
        case vcl::MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
        case vcl::MB_ICONWARNING: box.setIcon(QMessageBox::Warning); break;
        case vcl::MB_ICONINFORMATION: box.setIcon(QMessageBox::Information); break;
        default: break;
    }
    switch (flags & 0xF) {
        case vcl::MB_OKCANCEL: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
        case vcl::MB_YESNO: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
        case vcl::MB_YESNOCANCEL:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
        default: box.setStandardButtons(QMessageBox::Ok); break;
    }
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    const int answer = box.exec();
    QApplication::restoreOverrideCursor();
    switch (answer) {
        case QMessageBox::Yes: return vcl::IDYES;
        case QMessageBox::No: return vcl::IDNO;
        case QMessageBox::Cancel: return vcl::IDCANCEL;
        default: return vcl::IDOK;
    }
}

}  // namespace ui::qt
