#include "host/ui/qt/Faces.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QTreeWidget>

#include <algorithm>
#include <map>
#include <unordered_map>

#include "host/controls/Grids.h"
#include "host/controls/Outline.h"
#include "host/controls/StdCtrls.h"
#include "host/ui/qt/ScreenWindow.h"
#include "host/vcl/Menus.h"
#include "host/vcl/TypInfo.h"

namespace ui::qt {

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }
std::string S(const QString& s) { return s.toStdString(); }

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

int ItemIndex(const QTreeWidgetItem* item) { return item != nullptr ? item->data(0, Qt::UserRole).toInt() : 0; }

namespace {

std::vector<int> Ints(const QVariant& list) {
    std::vector<int> out;
    for (const QVariant& v : list.toList()) out.push_back(v.toInt());
    return out;
}

QVariantList Variants(const std::vector<int>& ints) {
    QVariantList out;
    for (int i : ints) out << i;
    return out;
}

}  // namespace

// The table keeps, per column, the model's width it last showed ("tavrinModel") and the width
// its content asks for ("tavrinFit", 0 once a person sized the column).
int FitColumns(QTableWidget& table, bool measure) {
    const int cols = table.columnCount();
    std::vector<int> model = Ints(table.property("tavrinModel")), fit = Ints(table.property("tavrinFit"));
    model.resize(size_t(cols), 0);
    fit.resize(size_t(cols), 0);
    if (measure) {
        const QFontMetrics metrics(table.font());
        const int limit = metrics.horizontalAdvance(QString(kFitCharacters, QChar('n')));
        const int padding = 2 * (table.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &table) + 1) + 2;
        const int rows = std::min(table.rowCount(), 5000);  // enough to see a column's kind of values
        for (int c = 0; c < cols; ++c) {
            if (model[size_t(c)] <= 0) continue;
            int widest = 0;
            for (int r = 0; r < rows; ++r)
                if (const QTableWidgetItem* item = table.item(r, c))
                    widest = std::max(widest, std::min(metrics.horizontalAdvance(item->text()), limit));
            const int header = table.horizontalHeader()->isHidden() ? 0 : table.horizontalHeader()->sectionSizeHint(c);
            fit[size_t(c)] = std::max(widest + padding, header);
        }
        table.setProperty("tavrinFit", Variants(fit));
    }
    std::vector<int> base(model.size(), 0);
    int sum = 0;
    for (size_t c = 0; c < base.size(); ++c) {
        if (model[c] > 0) base[c] = std::max(model[c], fit[c]);
        sum += base[c];
    }
    const int room = table.viewport()->width();
    const int spare = measure || sum <= 0 ? 0 : std::max(room - sum, 0);
    int given = 0, last = -1;
    for (int c = 0; c < cols; ++c) {
        if (base[size_t(c)] <= 0) continue;
        const int share = int(int64_t(spare) * base[size_t(c)] / sum);
        table.setColumnWidth(c, base[size_t(c)] + share);
        given += share;
        last = c;
    }
    if (last >= 0 && given < spare) table.setColumnWidth(last, table.columnWidth(last) + spare - given);
    const QHeaderView* rowHeader = table.verticalHeader();
    const int rowHeaderWidth =
        rowHeader->isHidden() ? 0 : std::max(rowHeader->sizeHint().width(), rowHeader->minimumWidth());
    return sum + 2 * table.frameWidth() + rowHeaderWidth +
           table.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &table);
}

QWidget* TFace::Make(TScreenWindow&, vcl::TControl& control, QWidget* into) const {
    auto* frame = new QFrame(into);
    if (control.InheritsFrom("TPanel")) frame->setFrameShape(QFrame::StyledPanel);
    return frame;
}

void TFace::Connect(TScreenWindow&, TMirror&) const {}
void TFace::Refresh(TScreenWindow&, TMirror&) const {}

namespace {

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

// A face for controls of C++ class C: a class of the catalogue that names it is made as C by
// the designed windows, and the face checks that before it casts.
template <class C>
class TFaceOf : public TFace {
public:
    bool Takes(const vcl::TControl& control) const override { return dynamic_cast<const C*>(&control) != nullptr; }
};

class TButtonFace : public TFaceOf<vcl::TButton> {
public:
    QWidget* Make(TScreenWindow&, vcl::TControl& c, QWidget* into) const override {
        auto* button = new QPushButton(Q(c.Caption()), into);
        button->setAutoDefault(false);
        const auto* bit = dynamic_cast<const vcl::TBitBtn*>(&c);
        if (bit != nullptr && KindIcon(bit->Kind()) != QStyle::SP_CustomBase)
            button->setIcon(button->style()->standardIcon(KindIcon(bit->Kind())));
        if (OrdProp(&c, "Default", 0) != 0 || (bit != nullptr && bit->Kind() == vcl::bkOK)) button->setDefault(true);
        return button;
    }
    void Connect(TScreenWindow& window, TMirror& m) const override {
        QObject::connect(static_cast<QPushButton*>(m.widget), &QPushButton::clicked, &window,
                         [&window, &m] { window.Person(*m.control, [](vcl::TControlEvents& c) { c.ActClick(); }); });
    }
    void Refresh(TScreenWindow&, TMirror& m) const override {
        static_cast<QPushButton*>(m.widget)->setText(Q(m.control->Caption()));
    }
};

class TLabelFace : public TFaceOf<vcl::TLabel> {
public:
    QWidget* Make(TScreenWindow&, vcl::TControl& c, QWidget* into) const override {
        auto* label = new QLabel(into);
        label->setWordWrap(OrdProp(&c, "WordWrap", 0) != 0);
        return label;
    }
    void Refresh(TScreenWindow&, TMirror& m) const override {
        auto* label = static_cast<QLabel*>(m.widget);
        label->setText(Q(vcl::StripHotkey(m.control->Caption())));  // no buddy to take the key
        // A label sizes itself to its text: the desktop's font may be wider than the design's.
        if (!label->wordWrap() && label->sizeHint().width() > label->width()) {
            label->resize(label->sizeHint().width(), label->height());
            m.designed.setWidth(std::max(m.designed.width(), label->width()));
        }
    }
};

class TImageFace : public TFaceOf<vcl::TImage> {
public:
    QWidget* Make(TScreenWindow&, vcl::TControl& c, QWidget* into) const override {
        auto* label = new QLabel(into);
        const std::vector<uint8_t>& bytes = static_cast<vcl::TImage&>(c).Picture().Data();
        QImage image;
        if (!bytes.empty() && image.loadFromData(bytes.data(), int(bytes.size())))
            label->setPixmap(QPixmap::fromImage(image));
        return label;
    }
};

class TGroupBoxFace : public TFaceOf<vcl::TGroupBox> {
public:
    QWidget* Make(TScreenWindow&, vcl::TControl&, QWidget* into) const override { return new QGroupBox(into); }
    void Refresh(TScreenWindow&, TMirror& m) const override {
        static_cast<QGroupBox*>(m.widget)->setTitle(Q(m.control->Caption()));
    }
};

// The model's text an edit or memo shows is kept in the mirror: while the model keeps what
// was typed, the widget and its cursor are left alone.
class TEditFace : public TFaceOf<vcl::TEdit> {
public:
    QWidget* Make(TScreenWindow&, vcl::TControl& c, QWidget* into) const override {
        auto* line = new QLineEdit(into);
        line->setReadOnly(OrdProp(&c, "ReadOnly", 0) != 0);
        return line;
    }
    void Connect(TScreenWindow& window, TMirror& m) const override {
        QObject::connect(static_cast<QLineEdit*>(m.widget), &QLineEdit::textEdited, &window,
                         [&window, &m](const QString& text) {
                             if (window.Updating()) return;
                             window.Person(*m.control, [&m, t = S(text)](vcl::TControlEvents& c) {
                                 c.ActSet(t);
                                 m.shown = m.control->Caption();
                             });
                         });
    }
    void Refresh(TScreenWindow&, TMirror& m) const override {
        auto* line = static_cast<QLineEdit*>(m.widget);
        const std::string& model = m.control->Caption();
        if (model != m.shown && line->text() != Q(model)) line->setText(Q(model));
        m.shown = model;
    }
};

class TMemoFace : public TFaceOf<vcl::TMemo> {
public:
    QWidget* Make(TScreenWindow&, vcl::TControl& c, QWidget* into) const override {
        auto* memo = new QPlainTextEdit(into);
        memo->setLineWrapMode(QPlainTextEdit::NoWrap);
        memo->setReadOnly(OrdProp(&c, "ReadOnly", 0) != 0);
        return memo;
    }
    void Connect(TScreenWindow& window, TMirror& m) const override {
        auto* text = static_cast<QPlainTextEdit*>(m.widget);
        QObject::connect(text, &QPlainTextEdit::textChanged, &window, [&window, &m, text] {
            if (window.Updating()) return;
            window.Person(*m.control, [&m, t = S(text->toPlainText())](vcl::TControlEvents& c) {
                c.ActSet(t);
                m.shown = static_cast<vcl::TMemo*>(m.control)->Text();
            });
        });
    }
    void Refresh(TScreenWindow&, TMirror& m) const override {
        auto* text = static_cast<QPlainTextEdit*>(m.widget);
        const std::string model = static_cast<vcl::TMemo*>(m.control)->Text();
        QString lines = Q(model);
        lines.replace("\r\n", "\n");
        if (model != m.shown && text->toPlainText() != lines) text->setPlainText(lines);
        m.shown = model;
    }
};

class TCheckBoxFace : public TFaceOf<vcl::TCheckBox> {
public:
    QWidget* Make(TScreenWindow&, vcl::TControl&, QWidget* into) const override { return new QCheckBox(into); }
    void Connect(TScreenWindow& window, TMirror& m) const override {
        QObject::connect(static_cast<QCheckBox*>(m.widget), &QCheckBox::clicked, &window, [&window, &m](bool on) {
            window.Person(*m.control, [on](vcl::TControlEvents& c) { c.ActSet(on ? "1" : "0"); });
        });
    }
    void Refresh(TScreenWindow&, TMirror& m) const override {
        auto* check = static_cast<QCheckBox*>(m.widget);
        check->setText(Q(m.control->Caption()));
        check->setChecked(static_cast<vcl::TCheckBox*>(m.control)->Checked());
    }
};

class TComboBoxFace : public TFaceOf<vcl::TComboBox> {
public:
    QWidget* Make(TScreenWindow&, vcl::TControl&, QWidget* into) const override { return new QComboBox(into); }
    void Connect(TScreenWindow& window, TMirror& m) const override {
        QObject::connect(static_cast<QComboBox*>(m.widget), &QComboBox::activated, &window, [&window, &m](int i) {
            window.Later([&window, &m, i] { window.Person(*m.control, [i](vcl::TControlEvents& c) { c.ActChoose(i); }); });
        });
    }
    void Refresh(TScreenWindow&, TMirror& m) const override {
        auto* combo = static_cast<QComboBox*>(m.widget);
        auto* box = static_cast<vcl::TComboBox*>(m.control);
        QStringList items;
        for (const std::string& item : box->Items()) items << Q(item);
        QStringList shown;
        for (int i = 0; i < combo->count(); ++i) shown << combo->itemText(i);
        if (shown != items) {
            combo->clear();
            combo->addItems(items);
        }
        combo->setCurrentIndex(box->ItemIndex() < combo->count() ? box->ItemIndex() : -1);
    }
};

// Pressing, dragging and dropping on the tree's items are the window's (it asks the
// outline's handlers as the pointer moves); the rest is here.
class TOutlineFace : public TFaceOf<vcl::TOutline> {
public:
    QWidget* Make(TScreenWindow& window, vcl::TControl&, QWidget* into) const override {
        auto* tree = new QTreeWidget(into);
        tree->setHeaderHidden(true);
        tree->setColumnCount(1);
        tree->viewport()->installEventFilter(&window);  // the mouse's drags
        tree->installEventFilter(&window);              // the keyboard's (Ctrl+Up, Ctrl+Down)
        return tree;
    }
    void Connect(TScreenWindow& window, TMirror& m) const override {
        auto* tree = static_cast<QTreeWidget*>(m.widget);
        auto later = [&window, &m](auto action) {
            window.Later([&window, &m, action] { window.Person(*m.control, action); });
        };
        auto expand = [&window, later](bool on) {
            return [&window, later, on](QTreeWidgetItem* item) {
                if (!window.Updating()) later([on, i = ItemIndex(item)](vcl::TControlEvents& c) { c.ActExpand(i, on); });
            };
        };
        QObject::connect(tree, &QTreeWidget::itemExpanded, &window, expand(true));
        QObject::connect(tree, &QTreeWidget::itemCollapsed, &window, expand(false));
        QObject::connect(tree, &QTreeWidget::currentItemChanged, &window, [&window, later](QTreeWidgetItem* item) {
            if (window.Updating() || item == nullptr) return;
            later([i = ItemIndex(item)](vcl::TControlEvents& c) { c.ActChoose(i); });
        });
        QObject::connect(tree, &QTreeWidget::itemDoubleClicked, &window, [later](QTreeWidgetItem* item) {
            later([i = ItemIndex(item)](vcl::TControlEvents& c) { c.ActOpen(i); });
        });
    }
    void Refresh(TScreenWindow&, TMirror& m) const override {
        auto& outline = *static_cast<vcl::TOutline*>(m.control);
        auto& tree = *static_cast<QTreeWidget*>(m.widget);
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
};

// The fixed rows and columns are the table's headers; the model's cell indexes count them.
class TGridFace : public TFaceOf<vcl::TStringGrid> {
public:
    QWidget* Make(TScreenWindow& window, vcl::TControl&, QWidget* into) const override {
        auto* table = new QTableWidget(into);
        table->viewport()->installEventFilter(&window);  // its columns share the room it gets
        return table;
    }
    void Connect(TScreenWindow& window, TMirror& m) const override {
        auto* table = static_cast<QTableWidget*>(m.widget);
        auto* grid = static_cast<vcl::TStringGrid*>(m.control);
        QObject::connect(table, &QTableWidget::cellChanged, &window, [&window, grid, table](int row, int col) {
            if (window.Updating()) return;
            window.Later([&window, grid, col = col + grid->FixedCols(), row = row + grid->FixedRows(),
                          text = S(table->item(row, col)->text())] {
                window.Person(*grid, [&](vcl::TControlEvents& c) { c.ActTypeCell(col, row, text); });
            });
        });
        // A moved header section is put back at once: the move is the model's to make.
        auto moved = [&window, grid](QHeaderView* header, bool rows) {
            return [&window, grid, header, rows](int, int from, int to) {
                if (window.Updating()) return;
                window.Quietly([&] { header->moveSection(to, from); });
                const int fixed = rows ? grid->FixedRows() : grid->FixedCols();
                window.Later([&window, grid, rows, from = from + fixed, to = to + fixed] {
                    window.Person(*grid, [&](vcl::TControlEvents& c) { c.ActMove(rows, from, to); });
                });
            };
        };
        QObject::connect(table->verticalHeader(), &QHeaderView::sectionMoved, &window,
                         moved(table->verticalHeader(), true));
        QObject::connect(table->horizontalHeader(), &QHeaderView::sectionMoved, &window,
                         moved(table->horizontalHeader(), false));
        QObject::connect(table->horizontalHeader(), &QHeaderView::sectionResized, &window,
                         [&window, grid, table](int col, int, int width) {
                             if (window.Updating()) return;
                             std::vector<int> fit = Ints(table->property("tavrinFit"));
                             if (size_t(col) < fit.size()) fit[size_t(col)] = 0;  // the person's width now
                             table->setProperty("tavrinFit", Variants(fit));
                             window.Person(*grid, [col = col + grid->FixedCols(), width](vcl::TControlEvents& c) {
                                 c.ActSizeColumn(col, width);
                             });
                         });
        // The cell a person moves to is the grid's current cell (a picture may show its row).
        QObject::connect(table, &QTableWidget::currentCellChanged, &window, [&window, grid](int row, int col) {
            if (window.Updating() || row < 0 || col < 0) return;
            grid->SetCol(col + grid->FixedCols());
            grid->SetRow(row + grid->FixedRows());
            window.RefreshPicture();
        });
    }
    void Refresh(TScreenWindow&, TMirror& m) const override {
        auto& grid = *static_cast<vcl::TStringGrid*>(m.control);
        auto& table = *static_cast<QTableWidget*>(m.widget);
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
        std::vector<int> model = Ints(table.property("tavrinModel"));
        model.resize(size_t(cols), -1);
        bool resized = false;
        for (int c = 0; c < cols; ++c) {
            const QString title = fr > 0 ? Q(grid.Cells(c + fc, 0)) : QString();
            QTableWidgetItem* header = table.horizontalHeaderItem(c);
            if (header == nullptr) table.setHorizontalHeaderItem(c, header = new QTableWidgetItem);
            if (header->text() != title) header->setText(title);
            // The model's width is shown when it changes (unless it is the width a person just
            // dragged the column to); the fit and the spare room keep to it.
            if (model[size_t(c)] != grid.ColWidths(c + fc)) {
                model[size_t(c)] = grid.ColWidths(c + fc);
                resized = resized || table.columnWidth(c) != model[size_t(c)];
                table.setColumnWidth(c, model[size_t(c)]);
            }
        }
        table.setProperty("tavrinModel", Variants(model));
        if (resized) FitColumns(table, false);
        // The model's current cell, which a refused OK puts on the cell it refuses.
        if (grid.Row() - fr != table.currentRow() || grid.Col() - fc != table.currentColumn())
            if (grid.Row() >= fr && grid.Row() < grid.RowCount() && grid.Col() >= fc && grid.Col() < grid.ColCount())
                table.setCurrentCell(grid.Row() - fr, grid.Col() - fc);
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
};

}  // namespace

const TFace& FaceOf(const vcl::TControl& control) {
    static const TButtonFace button;
    static const TLabelFace label;
    static const TImageFace image;
    static const TGroupBoxFace groupBox;
    static const TEditFace edit;
    static const TMemoFace memo;
    static const TCheckBoxFace checkBox;
    static const TComboBoxFace comboBox;
    static const TOutlineFace outline;
    static const TGridFace grid;
    static const TFace plain;
    static const std::unordered_map<std::string_view, const TFace*> faces = {
        {"TButton", &button},     {"TLabel", &label},       {"TGroupBox", &groupBox},  {"TImage", &image},
        {"TEdit", &edit},         {"TMemo", &memo},         {"TCheckBox", &checkBox},
        {"TComboBox", &comboBox}, {"TOutline", &outline},   {"TStringGrid", &grid},
    };
    for (const vcl::TClassInfo* c = &control.ClassType(); c != nullptr; c = c->Parent())
        if (auto it = faces.find(c->Name()); it != faces.end() && it->second->Takes(control)) return *it->second;
    return plain;
}

}  // namespace ui::qt
