#include "host/controls/Outline.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "host/vcl/ClassCatalogue.h"
#include "host/vcl/LargePages.h"

namespace vcl {

// ---- TOutlineNode

// An item per component in a large tree: growth here is memory every tree tool pays.
static_assert(sizeof(TOutlineNode) <= 104);

namespace {
// An item's text length has 31 bits.
uint32_t ItemTextLength(std::string_view text) {
    if (text.size() > size_t{0x7FFFFFFF}) throw EOutlineError("An outline item's text is too long");
    return static_cast<uint32_t>(text.size());
}
}  // namespace

void TOutlineNode::SetText(std::string_view text) {
    if (text == Text()) return;
    const uint32_t length = ItemTextLength(text);
    outline_->UnindexText(this);
    if (text.size() <= textLen_) {
        if (!text.empty()) std::memmove(text_, text.data(), text.size());
    } else {
        text_ = outline_->itemTexts_.Keep(text);
    }
    textLen_ = length;
    outline_->IndexText(this);
}

int32_t TOutlineNode::Index() const { return outline_->Position(this) + 1; }

int TOutlineNode::Level() const {
    int level = 0;
    for (const TOutlineNode* p = this; p != &outline_->root_; p = p->parent_) ++level;
    return level;
}

TOutlineNode* TOutlineNode::Parent() const { return parent_ == &outline_->root_ ? nullptr : parent_; }

bool TOutlineNode::IsVisible() const {
    for (const TOutlineNode* p = parent_; p != &outline_->root_; p = p->parent_)
        if (!p->expanded_) return false;
    return true;
}

void TOutlineNode::SetExpanded(bool value) {
    if (!value && outline_->selected_ != nullptr && outline_->selected_ != this) {
        // A selection that the collapse hides moves up to the collapsing item.
        for (const TOutlineNode* p = outline_->selected_->parent_; p != nullptr; p = p->parent_)
            if (p == this) {
                outline_->selected_ = this;
                break;
            }
    }
    expanded_ = value;
}

template <class F>
void TOutlineNode::ForEachInSubtree(F f) {
    TOutlineNode* n = this;
    for (;;) {
        f(n);
        if (n->firstChild_) {
            n = n->firstChild_;
            continue;
        }
        while (n != this && n->next_ == nullptr) n = n->parent_;
        if (n == this) return;
        n = n->next_;
    }
}

void TOutlineNode::FullExpand() {
    ForEachInSubtree([](TOutlineNode* n) { n->expanded_ = true; });
}

void TOutlineNode::FullCollapse() {
    ForEachInSubtree([](TOutlineNode* n) { n->SetExpanded(false); });
}

int32_t TOutlineNode::getFirstChild() const { return firstChild_ ? firstChild_->Index() : -1; }

int32_t TOutlineNode::GetLastChild() const { return lastChild_ ? lastChild_->Index() : -1; }

int32_t TOutlineNode::GetNextChild(int32_t child) const {
    const TOutlineNode& c = outline_->Items(child);
    if (c.parent_ != this) throw EOutlineError("Item " + std::to_string(child) + " is not a child of this item");
    return c.next_ ? c.next_->Index() : -1;
}

int32_t TOutlineNode::GetPrevChild(int32_t child) const {
    const TOutlineNode& c = outline_->Items(child);
    if (c.parent_ != this) throw EOutlineError("Item " + std::to_string(child) + " is not a child of this item");
    return c.prev_ ? c.prev_->Index() : -1;
}

void TOutlineNode::MoveTo(int32_t destination, TAttachMode mode) {
    outline_->Move(this, &outline_->Items(destination), mode);
}

std::string TOutlineNode::FullPath() const {
    std::vector<const TOutlineNode*> chain;
    for (const TOutlineNode* p = this; p != &outline_->root_; p = p->parent_) chain.push_back(p);
    std::string path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (it != chain.rbegin()) path += outline_->separator_;
        path += (*it)->Text();
    }
    return path;
}

// ---- TOutline: the balanced tree over display positions

void TOutline::Update(TOutlineNode* t) {
    t->size_ = 1 + Size(t->left_) + Size(t->right_);
    if (t->left_) t->left_->up_ = t;
    if (t->right_) t->right_->up_ = t;
}

void TOutline::Split(TOutlineNode* t, int32_t k, TOutlineNode*& a, TOutlineNode*& b) {
    if (t == nullptr) {
        a = b = nullptr;
        return;
    }
    if (Size(t->left_) < k) {
        Split(t->right_, k - Size(t->left_) - 1, t->right_, b);
        a = t;
    } else {
        Split(t->left_, k, a, t->left_);
        b = t;
    }
    Update(t);
    if (a) a->up_ = nullptr;
    if (b) b->up_ = nullptr;
}

// One item goes down to where its priority places it and splits only what lies below: a
// tree built item by item costs a short walk per item rather than a split and two merges.
void TOutline::Insert(TOutlineNode*& t, int32_t k, TOutlineNode* node) {
    if (t == nullptr || node->priority_ > t->priority_) {
        Split(t, k, node->left_, node->right_);
        Update(node);
        t = node;
        return;
    }
    if (k <= Size(t->left_)) Insert(t->left_, k, node);
    else Insert(t->right_, k - Size(t->left_) - 1, node);
    Update(t);
}

TOutlineNode* TOutline::Merge(TOutlineNode* a, TOutlineNode* b) {
    if (a == nullptr) return b;
    if (b == nullptr) return a;
    TOutlineNode* top;
    if (a->priority_ > b->priority_) {
        a->right_ = Merge(a->right_, b);
        top = a;
    } else {
        b->left_ = Merge(a, b->left_);
        top = b;
    }
    Update(top);
    top->up_ = nullptr;
    return top;
}

int32_t TOutline::Position(const TOutlineNode* node) const {
    int32_t pos = Size(node->left_);
    for (const TOutlineNode* t = node; t->up_ != nullptr; t = t->up_)
        if (t == t->up_->right_) pos += Size(t->up_->left_) + 1;
    return pos;
}

TOutlineNode* TOutline::NodeAt(int32_t position) const {
    TOutlineNode* t = order_;
    while (t != nullptr) {
        const int32_t left = Size(t->left_);
        if (position < left) {
            t = t->left_;
        } else if (position == left) {
            return t;
        } else {
            position -= left + 1;
            t = t->right_;
        }
    }
    return nullptr;
}

// ---- TOutline

TOutline::TOutline(TComponent* owner, const TClassInfo* cls)
    : TCustomControl(owner, cls ? cls : ClassByName("TOutline")), root_(this) {
    root_.expanded_ = true;
}

TOutline::~TOutline() { Clear(); }

TOutlineNode& TOutline::Items(int32_t index) const {
    if (index < 1 || index > ItemCount()) throw EOutlineError("Invalid outline index " + std::to_string(index));
    return *NodeAt(index - 1);
}

TOutlineNode* TOutline::NewNode(std::string_view text, void* data) {
    const uint32_t length = ItemTextLength(text);
    void* room;
    if (!freed_.empty()) {
        room = freed_.back();
        freed_.pop_back();
    } else {
        if (blocks_.empty() || blockUsed_ == blocks_.back().size) {
            const size_t size = blocks_.empty() ? kFirstBlock : std::min(blocks_.back().size * 2, kLargestBlock);
            blocks_.push_back({std::make_unique_for_overwrite<NodeRoom[]>(size), size});
            AdviseLargePages(blocks_.back().rooms.get(), size * sizeof(NodeRoom));
            blockUsed_ = 0;
        }
        room = &blocks_.back().rooms[blockUsed_++];
        blocksAhead_.Filled(blocks_.back().rooms.get(), blockUsed_ * sizeof(NodeRoom), blocks_.back().size * sizeof(NodeRoom));
    }
    auto* node = new (room) TOutlineNode(this);
    node->text_ = itemTexts_.Keep(text);
    node->textLen_ = length;
    node->data_ = data;
    seed_ ^= seed_ << 13;
    seed_ ^= seed_ >> 17;
    seed_ ^= seed_ << 5;
    node->priority_ = seed_;
    IndexText(node);
    return node;
}

void TOutline::FreeNode(TOutlineNode* node) {
    node->~TOutlineNode();
    freed_.push_back(node);
}

int32_t TOutline::Attach(TOutlineNode* node, TOutlineNode* parent, TOutlineNode* before, TOutlineNode* run) {
    const int32_t pos = before ? Position(before)
                        : parent == &root_ ? Size(order_)
                                           : Position(parent) + parent->count_;
    if (run == node && node->count_ == 1) {
        Insert(order_, pos, node);
        order_->up_ = nullptr;
    } else {
        TOutlineNode *a, *b;
        Split(order_, pos, a, b);
        order_ = Merge(Merge(a, run), b);
    }

    node->parent_ = parent;
    node->next_ = before;
    node->prev_ = before ? before->prev_ : parent->lastChild_;
    (node->prev_ ? node->prev_->next_ : parent->firstChild_) = node;
    (before ? before->prev_ : parent->lastChild_) = node;
    for (TOutlineNode* p = parent; p != nullptr; p = p->parent_) p->count_ += node->count_;
    return pos;
}

TOutlineNode* TOutline::Detach(TOutlineNode* node) {
    TOutlineNode *a, *rest, *run, *b;
    Split(order_, Position(node), a, rest);
    Split(rest, node->count_, run, b);
    order_ = Merge(a, b);

    TOutlineNode* parent = node->parent_;
    (node->prev_ ? node->prev_->next_ : parent->firstChild_) = node->next_;
    (node->next_ ? node->next_->prev_ : parent->lastChild_) = node->prev_;
    node->prev_ = node->next_ = nullptr;
    node->parent_ = nullptr;
    for (TOutlineNode* p = parent; p != nullptr; p = p->parent_) p->count_ -= node->count_;
    return run;
}

// Leaves first, each the first child of its parent when it goes, so that the walk needs no
// list of the items and no item is read after it went.
void TOutline::Destroy(TOutlineNode* node) {
    TOutlineNode* n = node;
    for (;;) {
        while (n->firstChild_ != nullptr) n = n->firstChild_;
        TOutlineNode* const next = n == node ? nullptr : n->next_ ? n->next_ : n->parent_;
        if (n != node) n->parent_->firstChild_ = n->next_;
        if (n == selected_) selected_ = nullptr;
        UnindexText(n);
        FreeNode(n);
        if (next == nullptr) return;
        n = next;
    }
}

void TOutline::Move(TOutlineNode* node, TOutlineNode* destination, TAttachMode mode) {
    if (destination == node && mode == oaInsert) return;
    for (const TOutlineNode* p = destination; p != nullptr; p = p->parent_)
        if (p == node) throw EOutlineError("An outline item cannot be moved under itself");
    TOutlineNode* run = Detach(node);
    switch (mode) {
        case oaInsert: Attach(node, destination->parent_, destination, run); break;
        case oaAddChild: Attach(node, destination, nullptr, run); break;
        case oaAdd: Attach(node, destination->parent_, nullptr, run); break;
    }
}

int32_t TOutline::AddObject(int32_t index, std::string_view text, void* data) {
    TOutlineNode* parent = index == 0 ? &root_ : Items(index).parent_;
    TOutlineNode* node = NewNode(text, data);
    return Attach(node, parent, nullptr, node) + 1;  // the index counts from 1
}

int32_t TOutline::AddChildObject(int32_t index, std::string_view text, void* data) {
    TOutlineNode* parent = index == 0 ? &root_ : &Items(index);
    TOutlineNode* node = NewNode(text, data);
    return Attach(node, parent, nullptr, node) + 1;  // the index counts from 1
}

int32_t TOutline::InsertObject(int32_t index, std::string_view text, void* data) {
    if (index == 0) return AddObject(0, text, data);
    TOutlineNode* before = &Items(index);
    TOutlineNode* node = NewNode(text, data);
    return Attach(node, before->parent_, before, node) + 1;  // the index counts from 1
}

void TOutline::Delete(int32_t index) {
    TOutlineNode* node = &Items(index);
    Detach(node);
    Destroy(node);
}

void TOutline::Clear() {
    texts_.Clear();
    textsIndexed_ = false;
    for (TOutlineNode* n = root_.firstChild_; n != nullptr;) {
        TOutlineNode* next = n->next_;
        Destroy(n);
        n = next;
    }
    root_.firstChild_ = root_.lastChild_ = nullptr;
    root_.count_ = 1;
    order_ = nullptr;
    selected_ = nullptr;
    blocks_.clear();
    freed_.clear();
    blockUsed_ = 0;
    itemTexts_.Clear();
}

void TOutline::IndexText(TOutlineNode* node) {
    if (textsIndexed_) texts_.Insert(node);
}

void TOutline::UnindexText(TOutlineNode* node) {
    if (textsIndexed_) texts_.Erase(node);
}

void TOutline::ExpectItems(int32_t count) { texts_.Reserve(size_t(std::max(count, ItemCount()))); }

int32_t TOutline::GetTextItem(std::string_view text) const {
    if (!textsIndexed_) {
        texts_.Reserve(size_t(ItemCount()));
        ForEachItem([&](TOutlineNode* n, int) { return texts_.Insert(n), true; });
        textsIndexed_ = true;
    }
    int32_t best = -1;
    texts_.ForEach(text, [&](const TOutlineNode* n) {
        const int32_t pos = Position(n);
        if (best < 0 || pos < best) best = pos;
        return true;
    });
    return best + 1;
}

int32_t TOutline::GetDataItem(const void* data) const {
    int32_t index = 0, found = 0;
    ForEachItem([&](const TOutlineNode* n, int) {
        ++index;
        if (n->data_ == data) found = index;
        return found == 0;
    });
    return found;
}

int32_t TOutline::SelectedItem() const {
    if (selected_ != nullptr) return selected_->Index();
    return ItemCount() > 0 ? 1 : 0;
}

void TOutline::SetSelectedItem(int32_t index) {
    if (index == 0) {
        selected_ = nullptr;
        return;
    }
    TOutlineNode* node = &Items(index);
    for (TOutlineNode* p = node->parent_; p != &root_; p = p->parent_) p->expanded_ = true;
    selected_ = node;
}

void TOutline::FullExpand() {
    for (TOutlineNode* n = root_.firstChild_; n != nullptr; n = n->next_) n->FullExpand();
}

void TOutline::FullCollapse() {
    for (TOutlineNode* n = root_.firstChild_; n != nullptr; n = n->next_) n->FullCollapse();
}

template <class F>
void TOutline::ForEachShown(F f) const {
    const TOutlineNode* n = root_.firstChild_;
    while (n != nullptr) {
        if (!f(n)) return;
        if (n->expanded_ && n->firstChild_) {
            n = n->firstChild_;
            continue;
        }
        while (n != &root_ && n->next_ == nullptr) n = n->parent_;
        n = n == &root_ ? nullptr : n->next_;
    }
}

int32_t TOutline::GetItem(int X, int Y) const {
    if (X < 0 || Y < 0 || (Width() > 0 && X >= Width())) return 0;
    int32_t row = Y / RowHeight();
    int32_t found = 0;
    ForEachShown([&](const TOutlineNode* n) {
        if (row-- > 0) return true;
        found = n->Index();
        return false;
    });
    return found;
}

static int RowX(int width) { return width > 0 && width <= 8 ? width / 2 : 8; }

TPoint TOutline::ItemPoint(int32_t index) const {
    const TOutlineNode* node = &Items(index);
    if (!node->IsVisible()) throw EOutlineError("Outline item " + std::to_string(index) + " is not shown");
    int row = 0;
    ForEachShown([&](const TOutlineNode* n) {
        if (n == node) return false;
        ++row;
        return true;
    });
    return {RowX(Width()), row * RowHeight() + RowHeight() / 2};
}

TPoint TOutline::EmptyPoint() const {
    int rows = 0;
    ForEachShown([&](const TOutlineNode*) { return ++rows, true; });
    return {RowX(Width()), rows * RowHeight() + RowHeight() / 2};
}

std::vector<TOutlineNode*> TOutline::Nodes() const {
    std::vector<TOutlineNode*> nodes;
    nodes.reserve(size_t(ItemCount()));
    std::vector<TOutlineNode*> stack;
    for (TOutlineNode* t = order_; t != nullptr || !stack.empty();) {
        while (t != nullptr) {
            stack.push_back(t);
            t = t->left_;
        }
        t = stack.back();
        stack.pop_back();
        nodes.push_back(t);
        t = t->right_;
    }
    return nodes;
}

template <class F>
void TOutline::ForEachLine(F f) const {
    std::string line;
    ForEachItem([&](const TOutlineNode* n, int level) {
        line.assign(size_t(level - 1), '\t');
        f(line.append(n->Text()));
        return true;
    });
}

TLines TOutline::Lines() const {
    TLines lines;
    ForEachLine([&](const std::string& line) { lines.Add(line); });
    return lines;
}

void TOutline::WriteLines(TLineWriter& out) const {
    ForEachLine([&](const std::string& line) { out.Add(line); });
}

void TOutline::SetLines(const TLines& lines) {
    Clear();
    std::vector<TOutlineNode*> path;  // the last item at each level
    for (int i = 0; i < lines.Count(); ++i) {
        const std::string& line = lines[i];
        const size_t tabs = line.find_first_not_of('\t') == std::string::npos ? line.size() : line.find_first_not_of('\t');
        if (tabs > path.size())
            throw EOutlineError("Outline line " + std::to_string(i + 1) + " is more than one level below the line before it");
        TOutlineNode* parent = tabs == 0 ? &root_ : path[tabs - 1];
        TOutlineNode* node = NewNode(line.substr(tabs), nullptr);
        Attach(node, parent, nullptr, node);
        path.resize(tabs);
        path.push_back(node);
    }
}

void TOutline::ActChoose(int item) {
    CheckActionRange(item, 1, ItemCount(), "item");
    SetSelectedItem(item);
    if (OnClick()) OnClick()(this);
}

void TOutline::ActOpen(int item) {
    CheckActionRange(item, 1, ItemCount(), "item");
    SetSelectedItem(item);
    if (OnDblClick()) OnDblClick()(this);
}

void TOutline::ActExpand(int item, bool expanded) {
    CheckActionRange(item, 1, ItemCount(), "item");
    Items(item).SetExpanded(expanded);
}

void TOutline::ActDrag(TMouseButton button, int from, int to) {
    CheckActionRange(from, 1, ItemCount(), "item");
    CheckActionRange(to, 0, ItemCount(), "item");
    for (int item : {from, to})
        if (item != 0 && !Items(item).IsVisible()) throw EActionRefused("item " + std::to_string(item) + " is not shown");
    MouseDrag(*this, button, ItemPoint(from), to == 0 ? EmptyPoint() : ItemPoint(to));
}

TEventSlot TOutline::FindEvent(std::string_view lname) { return TControlEvents::FindEvent(lname); }

bool TOutline::ReadDesigned(std::string_view lname, const TStoredValue& value) {
    if (lname != "lines.strings" || value.Kind() != TStoredKind::List) return false;
    TLines lines;
    value.ForEachItem([&lines](const TStoredValue& item) { lines.Add(item.AsString()); });
    SetLines(lines);
    return true;
}

bool TOutline::ReadNative(std::string_view lname, const TPropInfo& prop, TValue& out) const {
    if (lname == "itemheight") out = int64_t(itemHeight_);
    else if (lname == "itemseparator") out = separator_;
    else return TCustomControl::ReadNative(lname, prop, out);
    return true;
}

bool TOutline::WriteNative(std::string_view lname, const TPropInfo& prop, TValue& value) {
    if (lname == "itemheight") SetItemHeight(ValueToInt32(value, prop));
    else if (lname == "itemseparator") separator_ = TakeString(value, prop);
    else return TCustomControl::WriteNative(lname, prop, value);
    return true;
}

}  // namespace vcl
