#include "host/controls/Outline.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "host/vcl/ClassCatalogue.h"
#include "host/vcl/LargePages.h"

namespace vcl {

// ---- TOutlineNode

// An item per component in a large tree: growth here is memory every tree tool pays.
static_assert(sizeof(TOutlineNode) <= 56);

void TOutlineNode::SetText(std::string_view text) {
    if (text == Text()) return;
    // Out of the index while its text changes, which may be where it lies.
    outline_->UnindexText(this);
    try {
        text_ = outline_->itemTexts_.RewriteCounted(text_, text);
    } catch (...) {
        outline_->IndexText(this);
        throw;
    }
    outline_->IndexText(this);
}

int32_t TOutlineNode::Index() const { return outline_->Position(*this) + 1; }

int TOutlineNode::Level() const {
    int level = 1;
    for (Link p = parent_; p != TOutline::kRoot; p = At(p).parent_) ++level;
    return level;
}

TOutlineNode* TOutlineNode::Parent() const { return parent_ == TOutline::kRoot ? nullptr : &outline_->At(parent_); }

bool TOutlineNode::IsVisible() const {
    for (Link p = parent_; p != TOutline::kRoot; p = At(p).parent_)
        if (!At(p).expanded_) return false;
    return true;
}

void TOutlineNode::SetExpanded(bool value) {
    if (!value && outline_->selected_ != nullptr && outline_->selected_ != this) {
        // A selection that the collapse hides moves up to the collapsing item.
        for (Link p = outline_->selected_->parent_; p != 0; p = At(p).parent_)
            if (&At(p) == this) {
                outline_->selected_ = this;
                break;
            }
    }
    expanded_ = value;
}

void TOutlineNode::FullExpand() {
    expanded_ = true;
    const auto all = [](const TOutlineNode&) { return true; };
    outline_->Walk(firstChild_, outline_->LinkOf(*this), 2, all, [](TOutlineNode* n, int) {
        n->expanded_ = true;
        return true;
    });
}

void TOutlineNode::FullCollapse() {
    SetExpanded(false);
    const auto all = [](const TOutlineNode&) { return true; };
    outline_->Walk(firstChild_, outline_->LinkOf(*this), 2, all, [](TOutlineNode* n, int) {
        n->SetExpanded(false);
        return true;
    });
}

int32_t TOutlineNode::getFirstChild() const { return firstChild_ != 0 ? At(firstChild_).Index() : -1; }

int32_t TOutlineNode::GetLastChild() const { return firstChild_ != 0 ? At(At(firstChild_).prev_).Index() : -1; }

int32_t TOutlineNode::GetNextChild(int32_t child) const {
    const TOutlineNode& c = outline_->Items(child);
    if (&At(c.parent_) != this) throw EOutlineError("Item " + std::to_string(child) + " is not a child of this item");
    return c.next_ != 0 ? At(c.next_).Index() : -1;
}

int32_t TOutlineNode::GetPrevChild(int32_t child) const {
    const TOutlineNode& c = outline_->Items(child);
    if (&At(c.parent_) != this) throw EOutlineError("Item " + std::to_string(child) + " is not a child of this item");
    return &At(firstChild_) == &c ? -1 : At(c.prev_).Index();
}

void TOutlineNode::MoveTo(int32_t destination, TAttachMode mode) {
    outline_->Move(outline_->LinkOf(*this), outline_->ItemLink(destination), mode);
}

std::string TOutlineNode::FullPath() const {
    std::vector<const TOutlineNode*> chain{this};
    for (Link p = parent_; p != TOutline::kRoot; p = At(p).parent_) chain.push_back(&At(p));
    std::string path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (it != chain.rbegin()) path += outline_->separator_;
        path += (*it)->Text();
    }
    return path;
}

// ---- TOutline: the balanced tree over display positions

// Rooms are handed out in order, so their links are too: mixed, they are as good as random.
uint32_t TOutline::Priority(Link t) {
    const uint32_t x = t * 0x9E3779B1u;
    return x ^ (x >> 16);
}

void TOutline::Update(Link t) {
    TOutlineNode& n = At(t);
    n.size_ = 1 + Size(n.left_) + Size(n.right_);
    if (n.left_ != 0) At(n.left_).up_ = t;
    if (n.right_ != 0) At(n.right_).up_ = t;
}

void TOutline::Split(Link t, int32_t k, Link& a, Link& b) {
    if (t == 0) {
        a = b = 0;
        return;
    }
    TOutlineNode& n = At(t);
    if (const int32_t left = Size(n.left_); left < k) {
        Split(n.right_, k - left - 1, n.right_, b);
        a = t;
    } else {
        Split(n.left_, k, a, n.left_);
        b = t;
    }
    Update(t);
    if (a != 0) At(a).up_ = 0;
    if (b != 0) At(b).up_ = 0;
}

// One item goes down to where its priority places it and splits only what lies below: a
// tree built item by item costs a short walk per item rather than a split and two merges. On
// the way down each item above only grows by one.
void TOutline::Insert(Link& top, int32_t k, Link node, uint32_t priority) {
    Link* slot = &top;
    Link above = 0;
    while (*slot != 0 && priority <= Priority(*slot)) {
        TOutlineNode& n = At(*slot);
        ++n.size_;
        above = *slot;
        const int32_t left = Size(n.left_);
        if (k <= left) {
            slot = &n.left_;
        } else {
            k -= left + 1;
            slot = &n.right_;
        }
    }
    TOutlineNode& n = At(node);
    Split(*slot, k, n.left_, n.right_);
    Update(node);
    *slot = node;
    n.up_ = above;
}

TOutline::Link TOutline::Merge(Link a, Link b) {
    if (a == 0) return b;
    if (b == 0) return a;
    Link top;
    if (Priority(a) > Priority(b)) {
        At(a).right_ = Merge(At(a).right_, b);
        top = a;
    } else {
        At(b).left_ = Merge(a, At(b).left_);
        top = b;
    }
    Update(top);
    At(top).up_ = 0;
    return top;
}

int32_t TOutline::Position(const TOutlineNode& node) const {
    if (known_ != 0 && &At(known_) == &node) return knownPosition_;
    int32_t pos = Size(node.left_);
    Link up = node.up_;
    if (up == 0) return Know(order_, pos);
    // The item's own link is not at hand: the first step up compares rooms, the rest links.
    const TOutlineNode* above = &At(up);
    const bool right = above->right_ != 0 && &At(above->right_) == &node;
    const Link self = right ? above->right_ : above->left_;
    if (right) pos += Size(above->left_) + 1;
    for (Link child = up; (up = above->up_) != 0; child = up) {
        above = &At(up);
        if (above->right_ == child) pos += Size(above->left_) + 1;
    }
    return Know(self, pos);
}

TOutline::Link TOutline::LinkAt(int32_t position) const {
    if (known_ != 0 && position == knownPosition_) return known_;
    const int32_t asked = position;
    Link t = order_;
    while (t != 0) {
        const TOutlineNode& n = At(t);
        const int32_t left = Size(n.left_);
        if (position < left) {
            t = n.left_;
        } else if (position == left) {
            Know(t, asked);
            return t;
        } else {
            position -= left + 1;
            t = n.right_;
        }
    }
    return 0;
}

TOutline::Link TOutline::LinkOf(const TOutlineNode& node) const {
    const auto at = reinterpret_cast<uintptr_t>(&node);
    for (size_t b = 0; b < blocks_.size(); ++b) {
        const auto first = reinterpret_cast<uintptr_t>(blocks_[b].rooms.get());
        if (at >= first && at < first + blocks_[b].size * sizeof(NodeRoom))
            return Link(b << kPlaceBits) | Link((at - first) / sizeof(NodeRoom));
    }
    throw EOutlineError("The item is not one of this outline's");
}

// ---- TOutline

TOutline::TOutline(TComponent* owner, const TClassInfo* cls)
    : TCustomControl(owner, cls ? cls : ClassByName("TOutline")) {
    // The first room stays empty: link 0 is none.
    blocks_.push_back({std::make_unique_for_overwrite<NodeRoom[]>(kFirstBlock), kFirstBlock});
    TOutlineNode* root = new (&blocks_[0].rooms[kRoot]) TOutlineNode(this);
    root->expanded_ = true;
    blockUsed_ = kRoot + 1;
}

TOutline::~TOutline() { Clear(); }

TOutline::Link TOutline::ItemLink(int32_t index) const {
    if (index < 1 || index > ItemCount()) throw EOutlineError("Invalid outline index " + std::to_string(index));
    return LinkAt(index - 1);
}

TOutlineNode& TOutline::Items(int32_t index) const { return At(ItemLink(index)); }

TOutline::Link TOutline::NewNode(std::string_view text, void* data) {
    const TTextBlocks::Ref kept = itemTexts_.KeepCounted(text);
    Link link;
    if (!freed_.empty()) {
        link = freed_.back();
        freed_.pop_back();
    } else {
        if (blockUsed_ == blocks_.back().size) {
            const size_t size = std::min(blocks_.back().size * 2, kLargestBlock);
            blocks_.push_back({std::make_unique_for_overwrite<NodeRoom[]>(size), size});
            AdviseLargePages(blocks_.back().rooms.get(), size * sizeof(NodeRoom));
            blockUsed_ = 0;
        }
        link = Link((blocks_.size() - 1) << kPlaceBits) | Link(blockUsed_++);
        blocksAhead_.Filled(blocks_.back().rooms.get(), blockUsed_ * sizeof(NodeRoom), blocks_.back().size * sizeof(NodeRoom));
    }
    auto* node = new (&At(link)) TOutlineNode(this);
    node->text_ = kept;
    node->data_ = data;
    IndexText(node);
    return link;
}

int32_t TOutline::PlaceOf(Link parent, Link before) const {
    if (before != 0) return Position(At(before));
    return parent == kRoot ? Size(order_) : Position(At(parent)) + At(parent).count_;
}

void TOutline::Attach(Link node, Link parent, Link before, Link run, int32_t pos) {
    TOutlineNode& n = At(node);
    TOutlineNode& p = At(parent);
    if (run == node && n.count_ == 1) {
        Insert(order_, pos, node, Priority(node));
        At(order_).up_ = 0;
    } else {
        Link a, b;
        Split(order_, pos, a, b);
        order_ = Merge(Merge(a, run), b);
    }
    if (known_ != 0 && knownPosition_ >= pos) knownPosition_ += n.count_;

    n.parent_ = parent;
    n.next_ = before;
    if (p.firstChild_ == 0) {
        p.firstChild_ = node;
        n.prev_ = node;  // the only child is the last
    } else if (before == 0) {
        TOutlineNode& first = At(p.firstChild_);
        n.prev_ = first.prev_;
        At(first.prev_).next_ = node;
        first.prev_ = node;
    } else {
        TOutlineNode& b = At(before);
        n.prev_ = b.prev_;
        if (p.firstChild_ == before) p.firstChild_ = node;
        else At(b.prev_).next_ = node;
        b.prev_ = node;
    }
    for (Link a = parent; a != 0; a = At(a).parent_) At(a).count_ += n.count_;
}

TOutline::Link TOutline::Detach(Link node) {
    TOutlineNode& n = At(node);
    Link a, rest, run, b;
    Split(order_, Position(n), a, rest);
    Split(rest, n.count_, run, b);
    order_ = Merge(a, b);
    known_ = 0;  // it may be one of the items that go

    TOutlineNode& p = At(n.parent_);
    TOutlineNode& first = At(p.firstChild_);
    if (n.next_ != 0) At(n.next_).prev_ = n.prev_;
    else first.prev_ = n.prev_;  // the last goes: the one before it is last now
    if (p.firstChild_ == node) p.firstChild_ = n.next_;
    else At(n.prev_).next_ = n.next_;
    for (Link up = n.parent_; up != 0; up = At(up).parent_) At(up).count_ -= n.count_;
    n.prev_ = n.next_ = 0;
    n.parent_ = 0;
    return run;
}

// Leaves first, each the first child of its parent when it goes, so that the walk needs no
// list of the items and no item is read after it went. Rooms to take again go to freed_, which
// the caller gave room beforehand: nothing here allocates, so a destructor may call it.
void TOutline::Destroy(Link node, bool reuseRooms) {
    Link n = node;
    for (;;) {
        while (At(n).firstChild_ != 0) n = At(n).firstChild_;
        TOutlineNode& leaf = At(n);
        const Link next = n == node ? 0 : leaf.next_ != 0 ? leaf.next_ : leaf.parent_;
        if (n != node) At(leaf.parent_).firstChild_ = leaf.next_;
        if (&leaf == selected_) selected_ = nullptr;
        UnindexText(&leaf);
        leaf.~TOutlineNode();
        if (reuseRooms) freed_.push_back(n);
        if (next == 0) return;
        n = next;
    }
}

void TOutline::Move(Link node, Link destination, TAttachMode mode) {
    if (destination == node && mode == oaInsert) return;
    for (Link p = destination; p != 0; p = At(p).parent_)
        if (p == node) throw EOutlineError("An outline item cannot be moved under itself");
    const Link run = Detach(node);
    const Link parent = mode == oaAddChild ? destination : At(destination).parent_;
    const Link before = mode == oaInsert ? destination : 0;
    Attach(node, parent, before, run, PlaceOf(parent, before));
}

int32_t TOutline::AddObject(int32_t index, std::string_view text, void* data) {
    const Link parent = index == 0 ? kRoot : Items(index).parent_;
    const Link node = NewNode(text, data);
    const int32_t pos = PlaceOf(parent, 0);
    Attach(node, parent, 0, node, pos);
    return pos + 1;  // the index counts from 1
}

int32_t TOutline::AddChildObject(int32_t index, std::string_view text, void* data) {
    const Link parent = index == 0 ? kRoot : ItemLink(index);
    const Link node = NewNode(text, data);
    // After the parent (at index) and everything under it.
    const int32_t pos = index == 0 ? Size(order_) : index - 1 + At(parent).count_;
    Attach(node, parent, 0, node, pos);
    return pos + 1;  // the index counts from 1
}

int32_t TOutline::InsertObject(int32_t index, std::string_view text, void* data) {
    if (index == 0) return AddObject(0, text, data);
    const Link before = ItemLink(index);
    const Link node = NewNode(text, data);
    Attach(node, At(before).parent_, before, node, index - 1);
    return index;  // the new item takes the place of the one it goes before
}

void TOutline::Delete(int32_t index) {
    const Link node = ItemLink(index);
    freed_.reserve(freed_.size() + size_t(At(node).count_));  // before anything changes
    Detach(node);
    Destroy(node, true);
}

void TOutline::Clear() {
    texts_.Clear();
    textsIndexed_ = false;
    expectedItems_ = 0;
    TOutlineNode& root = Root();
    for (Link n = root.firstChild_; n != 0;) {
        const Link next = At(n).next_;
        Destroy(n, false);  // every block but the root's goes below
        n = next;
    }
    root.firstChild_ = 0;
    root.count_ = 1;
    order_ = 0;
    known_ = 0;
    selected_ = nullptr;
    blocks_.resize(1);  // the root's
    freed_.clear();
    blockUsed_ = kRoot + 1;
    itemTexts_.Clear();
}

void TOutline::IndexText(TOutlineNode* node) {
    if (textsIndexed_) texts_.Insert(node);
}

void TOutline::UnindexText(TOutlineNode* node) {
    if (textsIndexed_) texts_.Erase(node);
}

void TOutline::ExpectItems(int32_t count) {
    expectedItems_ = std::max(count, 0);
    if (textsIndexed_) texts_.Reserve(size_t(std::max(expectedItems_, ItemCount())));
}

int32_t TOutline::GetTextItem(std::string_view text) const {
    if (!textsIndexed_) {
        texts_.Reserve(size_t(std::max(expectedItems_, ItemCount())));
        ForEachItem([&](TOutlineNode* n, int) { return texts_.Insert(n), true; });
        textsIndexed_ = true;
    }
    int32_t best = -1;
    texts_.ForEach(text, [&](const TOutlineNode* n) {
        const int32_t pos = Position(*n);
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
    for (Link p = node->parent_; p != kRoot; p = At(p).parent_) At(p).expanded_ = true;
    selected_ = node;
}

void TOutline::FullExpand() {
    for (Link n = Root().firstChild_; n != 0; n = At(n).next_) At(n).FullExpand();
}

void TOutline::FullCollapse() {
    for (Link n = Root().firstChild_; n != 0; n = At(n).next_) At(n).FullCollapse();
}

template <class F>
void TOutline::ForEachShown(F f) const {
    const auto shown = [](const TOutlineNode& n) { return bool(n.expanded_); };
    Walk(Root().firstChild_, kRoot, 1, shown, [&](const TOutlineNode* n, int) { return f(n); });
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
    ForEachItem([&](TOutlineNode* n, int) { return nodes.push_back(n), true; });
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
    std::vector<Link> path;  // the last item at each level
    for (int i = 0; i < lines.Count(); ++i) {
        const std::string& line = lines[i];
        const size_t tabs = line.find_first_not_of('\t') == std::string::npos ? line.size() : line.find_first_not_of('\t');
        if (tabs > path.size())
            throw EOutlineError("Outline line " + std::to_string(i + 1) + " is more than one level below the line before it");
        const Link parent = tabs == 0 ? kRoot : path[tabs - 1];
        const Link node = NewNode(std::string_view(line).substr(tabs), nullptr);
        Attach(node, parent, 0, node, Size(order_));  // each line after the ones before it
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

bool TOutline::ReadNative(std::string_view name, const TPropInfo& prop, TValue& out) const {
    if (NameIs(name, "itemheight")) out = int64_t(itemHeight_);
    else if (NameIs(name, "itemseparator")) out = separator_;
    else return TCustomControl::ReadNative(name, prop, out);
    return true;
}

bool TOutline::WriteNative(std::string_view name, const TPropInfo& prop, TValue& value) {
    if (NameIs(name, "itemheight")) SetItemHeight(ValueToInt32(value, prop));
    else if (NameIs(name, "itemseparator")) separator_ = TakeString(value, prop);
    else return TCustomControl::WriteNative(name, prop, value);
    return true;
}

}  // namespace vcl
