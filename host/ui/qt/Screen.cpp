#include "host/ui/qt/Screen.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <map>
#include <tuple>

#include "host/base/Zorabou2.h"
#include "host/controls/DesignedForm.h"
#include "host/controls/Dialogs.h"
#include "host/controls/Grids.h"
#include "host/controls/Outline.h"
#include "host/controls/StdCtrls.h"
#include "host/controls/WindowPicture.h"
#include "host/ui/qt/Application.h"
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

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }
std::string S(const QString& s) { return s.toStdString(); }

// A property the model keeps as the form file wrote it; the fallback when it is absent, or
// neither stored nor declared.
std::string EnumProp(const vcl::TPersistent* c, const char* name, const std::string& fallback) {
    try {
        if (const vcl::TPropInfo* prop = vcl::GetPropInfo(c, name))
            if (std::string value = vcl::GetEnumProp(c, prop); !value.empty()) return value;
    } catch (const vcl::Exception&) {
    }
    return fallback;
}

int64_t OrdProp(const vcl::TPersistent* c, const char* name, int64_t fallback) {
    try {
        if (const vcl::TPropInfo* prop = vcl::GetPropInfo(c, name)) return vcl::GetOrdProp(c, prop);
    } catch (const vcl::Exception&) {
    }
    return fallback;
}

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

// A label shows an ampersand as the mark of its access key, as a button does.
QString LabelText(const std::string& caption) {
    QString text = Q(caption);
    return text.replace("&&", QChar(1)).remove('&').replace(QChar(1), "&");
}

QStyle::StandardPixmap KindIcon(vcl::TBitBtnKind kind) {
    switch (kind) {
        case vcl::bkOK: return QStyle::SP_DialogOkButton;
        case vcl::bkCancel: return QStyle::SP_DialogCancelButton;
        case vcl::bkHelp: return QStyle::SP_DialogHelpButton;
        case vcl::bkYes: return QStyle::SP_DialogYesButton;
        case vcl::bkNo: return QStyle::SP_DialogNoButton;
        case vcl::bkClose: return QStyle::SP_DialogCloseButton;
        case vcl::bkAbort: return QStyle::SP_DialogAbortButton;
        case vcl::bkRetry: return QStyle::SP_DialogRetryButton;
        case vcl::bkIgnore: return QStyle::SP_DialogIgnoreButton;
        case vcl::bkAll: return QStyle::SP_DialogYesToAllButton;
        default: return QStyle::SP_CustomBase;
    }
}

int ItemIndex(const QTreeWidgetItem* item) { return item != nullptr ? item->data(0, Qt::UserRole).toInt() : 0; }

// Runs an action once the widget that reported it has finished its own signal, since the
// action may rebuild that very widget.
template <class F>
void Later(TScreenWindow* window, F f) {
    QMetaObject::invokeMethod(window, [window, f] { window->Act(f); }, Qt::QueuedConnection);
}

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
    if (const auto* about = dynamic_cast<const zorbase::TZorAboutBox*>(&form)) BuildAbout(*about);
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
    // The picture stands beside the designed window, which keeps its size.
    resize(designedClient_.width() + (picture_ != nullptr ? kPictureWidth : 0), designedClient_.height());
    if (form.Left() != 0 || form.Top() != 0) move(form.Left(), form.Top());
    --updating_;
    Refresh();
}

// The about box keeps its texts and picture, not controls: they are shown one under another,
// with a button to close it.
void TScreenWindow::BuildAbout(const zorbase::TZorAboutBox& about) {
    auto* column = new QVBoxLayout(this);
    QImage image;
    const std::vector<uint8_t>& bytes = about.Picture().Data();
    if (!bytes.empty() && image.loadFromData(bytes.data(), int(bytes.size()))) {
        auto* picture = new QLabel(this);
        picture->setPixmap(QPixmap::fromImage(image));
        column->addWidget(picture, 0, Qt::AlignHCenter);
    }
    QStringList lines;
    for (const std::string& line : {about.ProductName(), about.Version(), about.VersionComment()})
        if (!line.empty()) lines << Q(line).toHtmlEscaped();
    if (!about.Year().empty()) lines << "Copyright " + Q(about.Year()).toHtmlEscaped();
    if (!lines.isEmpty()) lines.front() = "<b>" + lines.front() + "</b>";
    auto* text = new QLabel(lines.join("<br>"), this);
    text->setObjectName("AboutText");
    text->setAlignment(Qt::AlignCenter);
    column->addWidget(text, 1);
    auto* ok = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), "OK", this);
    ok->setObjectName("OKBtn");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { Act([this] { form_.SetModalResult(vcl::mrOk); }); });
    column->addWidget(ok, 0, Qt::AlignHCenter);
}

QWidget* TScreenWindow::Widget(std::string_view name) const {
    for (const Mirror& m : mirrors_)
        if (vcl::SameText(m.control->Name(), name)) return m.widget;
    return nullptr;
}

void TScreenWindow::Build(vcl::TWinControl& parent, QWidget* into) {
    for (int i = 0; i < parent.ControlCount(); ++i) {
        vcl::TControl& c = *parent.Controls(i);
        QWidget* w = Make(c, into);
        w->setObjectName(Q(c.Name()));
        w->setGeometry(c.Left(), c.Top(), std::max(c.Width(), 0), std::max(c.Height(), 0));
        mirrors_.push_back({&c, w, EnumProp(&c, "Align", "alNone"), Anchors(&c), w->geometry(), {}});
        Connect(mirrors_.size() - 1);
        if (auto* container = dynamic_cast<vcl::TWinControl*>(&c); container != nullptr && container->ControlCount() > 0) {
            Build(*container, w);
            w->installEventFilter(this);  // its aligned children follow its size
        }
    }
}

QWidget* TScreenWindow::Make(vcl::TControl& c, QWidget* into) {
    if (auto* b = dynamic_cast<vcl::TButton*>(&c)) {
        auto* button = new QPushButton(Q(b->Caption()), into);
        button->setAutoDefault(false);
        const auto* bit = dynamic_cast<vcl::TBitBtn*>(b);
        if (bit != nullptr && KindIcon(bit->Kind()) != QStyle::SP_CustomBase)
            button->setIcon(style()->standardIcon(KindIcon(bit->Kind())));
        if (OrdProp(b, "Default", 0) != 0 || (bit != nullptr && bit->Kind() == vcl::bkOK)) button->setDefault(true);
        return button;
    }
    if (dynamic_cast<vcl::TLabel*>(&c) != nullptr) return new QLabel(into);
    if (dynamic_cast<vcl::TGroupBox*>(&c) != nullptr) return new QGroupBox(into);
    if (dynamic_cast<vcl::TEdit*>(&c) != nullptr) return new QLineEdit(into);
    if (dynamic_cast<vcl::TMemo*>(&c) != nullptr) {
        auto* memo = new QPlainTextEdit(into);
        memo->setLineWrapMode(QPlainTextEdit::NoWrap);
        return memo;
    }
    if (dynamic_cast<vcl::TCheckBox*>(&c) != nullptr) return new QCheckBox(into);
    if (dynamic_cast<vcl::TComboBox*>(&c) != nullptr) return new QComboBox(into);
    if (dynamic_cast<vcl::TOutline*>(&c) != nullptr) {
        auto* tree = new QTreeWidget(into);
        tree->setHeaderHidden(true);
        tree->setColumnCount(1);
        tree->viewport()->installEventFilter(this);
        return tree;
    }
    if (dynamic_cast<vcl::TStringGrid*>(&c) != nullptr) return new QTableWidget(into);
    auto* frame = new QFrame(into);
    if (dynamic_cast<vcl::TPanel*>(&c) != nullptr) frame->setFrameShape(QFrame::StyledPanel);
    return frame;
}

void TScreenWindow::Connect(size_t index) {
    const Mirror& m = mirrors_[index];
    vcl::TControl* c = m.control;
    if (auto* button = qobject_cast<QPushButton*>(m.widget)) {
        auto* b = static_cast<vcl::TButton*>(c);
        connect(button, &QPushButton::clicked, this, [this, b] { Act([b] { b->Click(); }); });
    } else if (auto* line = qobject_cast<QLineEdit*>(m.widget)) {
        auto* edit = static_cast<vcl::TEdit*>(c);
        line->setReadOnly(OrdProp(edit, "ReadOnly", 0) != 0);
        connect(line, &QLineEdit::textEdited, this, [this, index, edit](const QString& text) {
            if (updating_ == 0) Act([this, index, edit, t = S(text)] {
                edit->SetText(t);
                mirrors_[index].shown = edit->Text();
            });
        });
    } else if (auto* text = qobject_cast<QPlainTextEdit*>(m.widget)) {
        auto* memo = static_cast<vcl::TMemo*>(c);
        text->setReadOnly(OrdProp(memo, "ReadOnly", 0) != 0);
        connect(text, &QPlainTextEdit::textChanged, this, [this, index, memo, text] {
            if (updating_ == 0) Act([this, index, memo, t = S(text->toPlainText())] {
                memo->SetText(t);
                mirrors_[index].shown = memo->Text();
            });
        });
    } else if (auto* check = qobject_cast<QCheckBox*>(m.widget)) {
        auto* box = static_cast<vcl::TCheckBox*>(c);
        connect(check, &QCheckBox::clicked, this, [this, box](bool on) { Act([box, on] { box->SetChecked(on); }); });
    } else if (auto* combo = qobject_cast<QComboBox*>(m.widget)) {
        auto* box = static_cast<vcl::TComboBox*>(c);
        connect(combo, &QComboBox::activated, this, [this, box](int i) { Later(this, [box, i] { box->Choose(i); }); });
    } else if (auto* tree = qobject_cast<QTreeWidget*>(m.widget)) {
        auto* outline = static_cast<vcl::TOutline*>(c);
        auto expand = [this, outline](bool on) {
            return [this, outline, on](QTreeWidgetItem* item) {
                if (updating_ != 0) return;
                const int index = ItemIndex(item);
                Later(this, [outline, index, on] {
                    if (index >= 1 && index <= outline->ItemCount()) outline->Items(index).SetExpanded(on);
                });
            };
        };
        connect(tree, &QTreeWidget::itemExpanded, this, expand(true));
        connect(tree, &QTreeWidget::itemCollapsed, this, expand(false));
        connect(tree, &QTreeWidget::currentItemChanged, this, [this, outline](QTreeWidgetItem* item) {
            if (updating_ != 0 || item == nullptr) return;
            Later(this, [outline, index = ItemIndex(item)] {
                if (index < 1 || index > outline->ItemCount()) return;
                outline->SetSelectedItem(index);
                if (outline->OnClick) outline->OnClick(outline);
            });
        });
        connect(tree, &QTreeWidget::itemDoubleClicked, this, [this, outline](QTreeWidgetItem* item) {
            Later(this, [outline, index = ItemIndex(item)] {
                if (index < 1 || index > outline->ItemCount()) return;
                outline->SetSelectedItem(index);
                if (outline->OnDblClick) outline->OnDblClick(outline);
            });
        });
    } else if (auto* table = qobject_cast<QTableWidget*>(m.widget)) {
        auto* grid = static_cast<vcl::TStringGrid*>(c);
        connect(table, &QTableWidget::cellChanged, this, [this, grid, table](int row, int col) {
            if (updating_ != 0) return;
            const std::string text = S(table->item(row, col)->text());
            Later(this, [grid, col = col + grid->FixedCols(), row = row + grid->FixedRows(), text] {
                grid->SetCol(col);
                grid->SetRow(row);
                grid->SetCells(col, row, text);
            });
        });
        // A moved header section is put back at once: the move is the model's to make.
        auto moved = [this, grid](QHeaderView* header, bool rows) {
            return [this, grid, header, rows](int, int from, int to) {
                if (updating_ != 0) return;
                ++updating_;
                header->moveSection(to, from);
                --updating_;
                Later(this, [grid, rows, from, to] {
                    const int fixed = rows ? grid->FixedRows() : grid->FixedCols();
                    if (rows) grid->MoveRow(from + fixed, to + fixed);
                    else grid->MoveColumn(from + fixed, to + fixed);
                });
            };
        };
        connect(table->verticalHeader(), &QHeaderView::sectionMoved, this, moved(table->verticalHeader(), true));
        connect(table->horizontalHeader(), &QHeaderView::sectionMoved, this, moved(table->horizontalHeader(), false));
        connect(table->horizontalHeader(), &QHeaderView::sectionResized, this, [this, grid](int col, int, int width) {
            if (updating_ == 0) Act([grid, col = col + grid->FixedCols(), width] { grid->SetColWidths(col, width); });
        });
        // The cell a person moves to is the grid's current cell (a picture may show its row).
        connect(table, &QTableWidget::currentCellChanged, this, [this, grid](int row, int col) {
            if (updating_ != 0 || row < 0 || col < 0) return;
            grid->SetCol(col + grid->FixedCols());
            grid->SetRow(row + grid->FixedRows());
            RefreshPicture();
        });
    }
}

void TScreenWindow::Refresh() {
    ++updating_;
    for (Mirror& m : mirrors_) {
        vcl::TControl* c = m.control;
        m.widget->setHidden(!c->Visible());
        m.widget->setEnabled(c->Enabled());
        m.widget->setToolTip(c->Hint().empty() ? QString() : Q(c->Hint()));
        if (auto* button = qobject_cast<QPushButton*>(m.widget)) {
            button->setText(Q(c->Caption()));
        } else if (auto* label = qobject_cast<QLabel*>(m.widget)) {
            label->setText(LabelText(c->Caption()));
            // A label sizes itself to its text: the desktop's font may be wider than the design's.
            if (label->sizeHint().width() > label->width()) {
                label->resize(label->sizeHint().width(), label->height());
                m.designed.setWidth(std::max(m.designed.width(), label->width()));
            }
        } else if (auto* group = qobject_cast<QGroupBox*>(m.widget)) {
            group->setTitle(Q(c->Caption()));
        } else if (auto* line = qobject_cast<QLineEdit*>(m.widget)) {
            if (c->Caption() != m.shown && line->text() != Q(c->Caption())) line->setText(Q(c->Caption()));
            m.shown = c->Caption();
        } else if (auto* text = qobject_cast<QPlainTextEdit*>(m.widget)) {
            const std::string model = static_cast<vcl::TMemo*>(c)->Text();
            QString lines = Q(model);
            lines.replace("\r\n", "\n");
            if (model != m.shown && text->toPlainText() != lines) text->setPlainText(lines);
            m.shown = model;
        } else if (auto* check = qobject_cast<QCheckBox*>(m.widget)) {
            check->setText(Q(c->Caption()));
            check->setChecked(static_cast<vcl::TCheckBox*>(c)->Checked());
        } else if (auto* combo = qobject_cast<QComboBox*>(m.widget)) {
            auto* box = static_cast<vcl::TComboBox*>(c);
            QStringList items;
            for (const std::string& item : box->Items()) items << Q(item);
            QStringList shown;
            for (int i = 0; i < combo->count(); ++i) shown << combo->itemText(i);
            if (shown != items) {
                combo->clear();
                combo->addItems(items);
            }
            combo->setCurrentIndex(box->ItemIndex() < combo->count() ? box->ItemIndex() : -1);
        } else if (auto* tree = qobject_cast<QTreeWidget*>(m.widget)) {
            RefreshOutline(*static_cast<vcl::TOutline*>(c), *tree);
        } else if (auto* table = qobject_cast<QTableWidget*>(m.widget)) {
            RefreshGrid(*static_cast<vcl::TStringGrid*>(c), *table);
        }
    }
    setWindowTitle(Q(form_.Caption()));
    RefreshPicture();
    --updating_;
}

void TScreenWindow::RefreshPicture() {
    if (picture_ == nullptr) return;
    const vcl::TWindowPictureSource* source = vcl::WindowPicture(&form_);
    const vcl::TWindowPicture picture = source != nullptr ? (*source)() : vcl::TWindowPicture{};
    if (picture.root == nullptr) {
        picture_->clear();
        return;
    }
    const QSize room = picture_->contentsRect().size() - QSize(8, 8);
    const QImage image = PreviewImage(*picture.root, 4096, &picture);
    picture_->setPixmap(QPixmap::fromImage(
        image.scaled(room.expandedTo(QSize(16, 16)), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

void TScreenWindow::RefreshOutline(vcl::TOutline& outline, QTreeWidget& tree) {
    const std::vector<vcl::TOutlineNode*> nodes = outline.Nodes();
    // The items are made again only when the texts or the nesting changed.
    bool same = tree.property("tavrinCount").toInt() == int(nodes.size());
    std::vector<QTreeWidgetItem*> items;
    items.reserve(nodes.size());
    QTreeWidgetItemIterator it(&tree);
    for (size_t i = 0; same && i < nodes.size(); ++i, ++it) {
        QTreeWidgetItem* item = *it;
        same = item != nullptr && item->text(0) == Q(nodes[i]->Text()) &&
               item->data(0, Qt::UserRole + 1).toInt() == nodes[i]->Level();
        items.push_back(item);
    }
    if (!same) {
        tree.clear();
        items.clear();
        std::map<const vcl::TOutlineNode*, QTreeWidgetItem*> made;
        for (vcl::TOutlineNode* node : nodes) {
            auto parent = made.find(node->Parent());
            auto* item = parent == made.end() ? new QTreeWidgetItem(&tree) : new QTreeWidgetItem(parent->second);
            item->setText(0, Q(node->Text()));
            item->setData(0, Qt::UserRole + 1, node->Level());
            made[node] = item;
            items.push_back(item);
        }
        tree.setProperty("tavrinCount", int(nodes.size()));
    }
    for (size_t i = 0; i < nodes.size(); ++i) {
        items[i]->setData(0, Qt::UserRole, nodes[i]->Index());
        if (items[i]->isExpanded() != nodes[i]->Expanded()) items[i]->setExpanded(nodes[i]->Expanded());
    }
    const int selected = outline.SelectedItem();
    if (selected >= 1 && selected <= int(items.size())) tree.setCurrentItem(items[selected - 1]);
}

void TScreenWindow::RefreshGrid(vcl::TStringGrid& grid, QTableWidget& table) {
    const int fr = grid.FixedRows(), fc = grid.FixedCols();
    const int rows = std::max(grid.RowCount() - fr, 0), cols = std::max(grid.ColCount() - fc, 0);
    if (table.rowCount() != rows) table.setRowCount(rows);
    if (table.columnCount() != cols) table.setColumnCount(cols);
    // Typing, F2 or a double click edits a cell; only arriving at one does not.
    table.setEditTriggers(grid.HasOption("goEditing")
                              ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                    QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked
                              : QAbstractItemView::NoEditTriggers);
    table.verticalHeader()->setSectionsMovable(grid.HasOption("goRowMoving"));
    table.horizontalHeader()->setSectionsMovable(grid.HasOption("goColMoving"));
    table.horizontalHeader()->setSectionResizeMode(grid.HasOption("goColSizing") ? QHeaderView::Interactive
                                                                                   : QHeaderView::Fixed);
    table.horizontalHeader()->setVisible(fr > 0);
    // Rows are moved by their headers, which a grid without a fixed column shows untitled.
    table.verticalHeader()->setVisible(fc > 0 || grid.HasOption("goRowMoving"));
    table.verticalHeader()->setMinimumWidth(fc > 0 ? 0 : 14);
    // The fixed rows and columns are the headers: their first one gives the titles.
    for (int c = 0; c < cols; ++c) {
        const QString title = fr > 0 ? Q(grid.Cells(c + fc, 0)) : QString();
        QTableWidgetItem* header = table.horizontalHeaderItem(c);
        if (header == nullptr) table.setHorizontalHeaderItem(c, header = new QTableWidgetItem);
        if (header->text() != title) header->setText(title);
        if (table.columnWidth(c) != grid.ColWidths(c + fc)) table.setColumnWidth(c, grid.ColWidths(c + fc));
    }
    for (int r = 0; r < rows; ++r) {
        const QString title = fc > 0 ? Q(grid.Cells(0, r + fr)) : QString();
        QTableWidgetItem* header = table.verticalHeaderItem(r);
        if (header == nullptr) table.setVerticalHeaderItem(r, header = new QTableWidgetItem);
        if (header->text() != title) header->setText(title);
        for (int c = 0; c < cols; ++c) {
            const QString text = Q(grid.Cells(c + fc, r + fr));
            QTableWidgetItem* item = table.item(r, c);
            if (item == nullptr) table.setItem(r, c, item = new QTableWidgetItem(text));
            else if (item->text() != text) item->setText(text);
        }
    }
}

void TScreenWindow::Realign(vcl::TWinControl* parent, QWidget* widget) {
    QRect r = widget->contentsRect();
    QSize designed;
    if (widget == this) {
        if (picture_ != nullptr) {
            r.setRight(r.right() - kPictureWidth);
            picture_->setGeometry(r.right() + 1, 0, width() - r.right() - 1, height());
            RefreshPicture();
        }
        designed = designedClient_;
    } else {
        for (const Mirror& m : mirrors_)
            if (m.widget == widget) designed = m.designed.size();
    }
    // Controls of no alignment keep their distances to the sides they are anchored to.
    const QSize now = widget == this ? QSize(r.right() + 1, r.bottom() + 1) : widget->size();
    const int dx = now.width() - designed.width(), dy = now.height() - designed.height();
    for (const Mirror& m : mirrors_) {
        if (m.control->Parent() != parent || m.align != "alNone") continue;
        int left = m.designed.left(), top = m.designed.top(), w = m.designed.width(), h = m.designed.height();
        Follow(left, w, dx, m.anchors & kAnchorLeft, m.anchors & kAnchorRight);
        Follow(top, h, dy, m.anchors & kAnchorTop, m.anchors & kAnchorBottom);
        if (m.widget->geometry() != QRect(left, top, w, h)) m.widget->setGeometry(left, top, w, h);
    }
    for (const char* pass : {"alTop", "alBottom", "alLeft", "alRight", "alClient"})
        for (const Mirror& m : mirrors_) {
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
        for (const Mirror& m : mirrors_)
            if (m.widget == watched)
                if (auto* container = dynamic_cast<vcl::TWinControl*>(m.control)) Realign(container, m.widget);
        return false;
    }
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

}  // namespace

// The outline's own handlers decide, as for a script's drag: its mouse-down begins a drag or
// not, and while the pointer moves its drag-over handler is asked whether it would take the
// item there, which the pointer and the drop line show. The release then plays the whole
// drag through the model at once, as the script backend does.
bool TScreenWindow::OutlineMouse(QTreeWidget& tree, QMouseEvent& mouse) {
    vcl::TOutline* outline = nullptr;
    for (const Mirror& m : mirrors_)
        if (m.widget == &tree) outline = static_cast<vcl::TOutline*>(m.control);
    if (outline == nullptr) return false;
    const QPoint at = mouse.position().toPoint();
    if (mouse.type() == QEvent::MouseButtonPress &&
        (mouse.button() == Qt::LeftButton || mouse.button() == Qt::RightButton)) {
        press_ = {&tree, mouse.button() == Qt::LeftButton ? vcl::mbLeft : vcl::mbRight,
                  ItemIndex(tree.itemAt(at)), at, bool(outline->OnMouseDown), false, false};
        if (press_.handled) {
            const auto button = vcl::TMouseButton(press_.button);
            Act([outline, button, from = press_.from] {
                const vcl::TPoint p = ModelPoint(*outline, from);
                outline->OnMouseDown(outline, button, 0, p.X, p.Y);
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
        if (outline->OnDragOver) {
            accept = true;
            try {
                const vcl::TPoint p = ModelPoint(*outline, over);
                outline->OnDragOver(outline, outline, p.X, p.Y, vcl::dsDragMove, accept);
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
    Later(this, [outline, button, from = done.from, to] {
        vcl::MouseDrag(*outline, button, ModelPoint(*outline, from), ModelPoint(*outline, to));
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
    const int beside = picture_ != nullptr ? kPictureWidth : 0;
    form_.SetBounds(corner.x(), corner.y(), inner.width() - beside + kFrameWidth, inner.height() + kFrameHeight);
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
