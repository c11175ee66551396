// The outline control: a tree of text items shown one per row, each item numbered from 1
// in display order (every item counts, shown or not), as the outline tools address them.
#pragma once

#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "host/controls/Events.h"
#include "host/controls/Lines.h"
#include "host/vcl/Controls.h"
#include "host/vcl/FlatIndex.h"
#include "host/vcl/Texts.h"

namespace vcl {

TAVRIN_EXCEPTION(EOutlineError, Exception);

enum TAttachMode { oaAdd, oaAddChild, oaInsert };

class TOutline;

class TOutlineNode {
public:
    TOutlineNode(const TOutlineNode&) = delete;
    TOutlineNode& operator=(const TOutlineNode&) = delete;

    TOutline& Outline() const { return *outline_; }
    std::string_view Text() const;
    void SetText(std::string_view text);
    void* Data() const { return data_; }
    void SetData(void* data) { data_ = data; }

    int32_t Index() const;     // display order from 1
    int Level() const;         // 1 for an item at the top level
    TOutlineNode* Parent() const;  // null at the top level
    bool HasItems() const { return firstChild_ != 0; }
    bool IsVisible() const;    // every item above it is expanded

    bool Expanded() const { return expanded_; }
    void SetExpanded(bool value);
    void Expand() { SetExpanded(true); }
    void Collapse() { SetExpanded(false); }
    void FullExpand();         // this item and every item under it
    void FullCollapse();

    // Indexes of this item's direct children; -1 when there is none. GetNextChild and
    // GetPrevChild take the index of one of this item's children.
    int32_t getFirstChild() const;
    int32_t GetLastChild() const;
    int32_t GetNextChild(int32_t child) const;
    int32_t GetPrevChild(int32_t child) const;

    // Moves this item, with every item under it, relative to the item at destination:
    // oaAdd as its last sibling, oaAddChild as its last child, oaInsert before it. An item
    // cannot go under itself (EOutlineError); inserting it before itself changes nothing.
    void MoveTo(int32_t destination, TAttachMode mode);

    // The texts from the top level down to this item, joined by the outline's separator.
    std::string FullPath() const;

private:
    friend class TOutline;
    // An item's room among the outline's (TOutline::At): the block in the high bits, the place
    // in it in the low ones; 0 is none. Four bytes where a pointer takes eight: a large tree
    // has an item per component, and an item is 56 bytes rather than 104.
    using Link = uint32_t;

    explicit TOutlineNode(TOutline* outline) : outline_(outline) {}
    const TOutlineNode& At(Link link) const;
    TOutlineNode& At(Link link);

    TOutline* outline_;
    void* data_ = nullptr;
    TTextBlocks::Ref text_ = TTextBlocks::kNoText;  // in the outline's text blocks
    // The tree. The first child's prev is the last child, which so needs no field of its own;
    // the last child's next is none.
    Link parent_ = 0;
    Link firstChild_ = 0;
    Link prev_ = 0;
    Link next_ = 0;
    // Display order: a randomly balanced tree over positions (a subtree of items is one run of
    // positions), so that numbering, insertion and moves stay logarithmic. An item's priority
    // in it is a hash of its link.
    Link left_ = 0;
    Link right_ = 0;
    Link up_ = 0;
    int32_t size_ = 1;
    uint32_t count_ : 31 = 1;  // this item and every item under it
    uint32_t expanded_ : 1 = false;
};

class TOutline : public TCustomControl, public TControlEvents {
public:
    explicit TOutline(TComponent* owner, const TClassInfo* cls = nullptr);
    ~TOutline() override;

    int32_t ItemCount() const { return int32_t(Root().count_) - 1; }
    // The item at a display index, 1..ItemCount; EOutlineError otherwise.
    TOutlineNode& Items(int32_t index) const;

    // Add: the last sibling of the item at index (0: the last item at the top level).
    // AddChild: the last child of the item at index (0: the top level). Insert: before the
    // item at index, as its sibling (0: the last item at the top level). Each gives the
    // new item's index; the items after it move on by one.
    int32_t Add(int32_t index, std::string_view text) { return AddObject(index, text, nullptr); }
    int32_t AddObject(int32_t index, std::string_view text, void* data);
    int32_t AddChild(int32_t index, std::string_view text) { return AddChildObject(index, text, nullptr); }
    int32_t AddChildObject(int32_t index, std::string_view text, void* data);
    int32_t Insert(int32_t index, std::string_view text) { return InsertObject(index, text, nullptr); }
    int32_t InsertObject(int32_t index, std::string_view text, void* data);
    void Delete(int32_t index);  // with every item under it
    void Clear();

    // The first item, in display order, whose text is exactly text; 0 when there is none.
    int32_t GetTextItem(std::string_view text) const;
    // The first item holding data; 0 when there is none.
    int32_t GetDataItem(const void* data) const;
    // The tree is about to hold about count items and may be searched by text (GetTextItem):
    // the text index, once made, has room for that many rather than growing (and copying) step
    // by step. It is still made only at the first search: the tree of a flat form, whose items
    // all find their parents directly, is never searched.
    void ExpectItems(int32_t count);

    // The selected item; with none chosen, the first item (0 when the outline is empty).
    int32_t SelectedItem() const;
    // Selecting an item shows it (its parents expand); 0 clears the selection.
    void SetSelectedItem(int32_t index);

    void FullExpand();
    void FullCollapse();

    // Rows: the items shown (top-level items, and the children of expanded shown items),
    // each ItemHeight pixels high from the top of the control.
    int ItemHeight() const { return itemHeight_; }
    void SetItemHeight(int value) { itemHeight_ = value; }
    // The item shown at a point of the control; 0 when the point is on no item.
    int32_t GetItem(int X, int Y) const;
    // A point in the middle of the row of a shown item; EOutlineError when it is not shown.
    TPoint ItemPoint(int32_t index) const;
    // A point below the last row, on no item.
    TPoint EmptyPoint() const;

    // One line per item, in display order: the text after one tab per level below the top.
    TLines Lines() const;
    void WriteLines(TLineWriter& out) const;  // the same lines, straight to a file
    // Replaces the items by lines in that shape; a line more than one level below the line
    // before it raises EOutlineError.
    void SetLines(const TLines& lines);
    void SaveToFile(const std::string& path) const { Lines().SaveToFile(path); }

    const std::string& ItemSeparator() const { return separator_; }
    void SetItemSeparator(const std::string& s) { separator_ = s; }

    // Every item in display order.
    std::vector<TOutlineNode*> Nodes() const;
    // The same items with their levels (1 at the top), without listing them first: a tree of
    // tens of thousands of items is walked where it lies. f(node, level) returns false to stop;
    // it may change an item's text or data, not add, move or delete items.
    template <class F>
    void ForEachItem(F f) const;

    // Choosing selects and runs the click handler; opening also runs the double-click handler.
    void ActChoose(int item) override;
    void ActOpen(int item) override;
    void ActExpand(int item, bool expanded) override;
    // Items shown only: a person cannot take hold of an item under a collapsed one.
    void ActDrag(TMouseButton button, int from, int to) override;

    TEventSlot FindEvent(std::string_view lname) override;
    bool ReadDesigned(std::string_view lname, const TStoredValue& value) override;

protected:
    bool ReadNative(std::string_view name, const TPropInfo& prop, TValue& out) const override;
    bool WriteNative(std::string_view name, const TPropInfo& prop, TValue& value) override;

private:
    friend class TOutlineNode;
    using Link = TOutlineNode::Link;

    // A block holds up to 2^kPlaceBits rooms; the root, the invisible item above the top level,
    // has the first block's second room, made with the outline and kept by Clear.
    static constexpr unsigned kPlaceBits = 15;
    static constexpr Link kRoot = 1;
    TOutlineNode& At(Link link) const {
        return *std::launder(
            reinterpret_cast<TOutlineNode*>(&blocks_[link >> kPlaceBits].rooms[link & ((1u << kPlaceBits) - 1)]));
    }
    TOutlineNode& Root() const { return At(kRoot); }
    Link LinkOf(const TOutlineNode& node) const;  // by the block that holds it
    Link LinkAt(int32_t position) const;          // 0 outside the items
    Link ItemLink(int32_t index) const;           // as Items: EOutlineError outside 1..ItemCount

    Link NewNode(std::string_view text, void* data);
    // Where an item linked so (below) goes in display order, from 0.
    int32_t PlaceOf(Link parent, Link before) const;
    // Links node (alone, or a detached run of count items headed by it) as the last child of
    // parent, or before `before` among its siblings, at display position pos (PlaceOf, or known
    // to the caller); updates counts and display order.
    void Attach(Link node, Link parent, Link before, Link run, int32_t pos);
    // Unlinks node and everything under it; returns their run of display positions.
    Link Detach(Link node);
    void Destroy(Link node, bool reuseRooms);
    void Move(Link node, Link destination, TAttachMode mode);
    int32_t Position(const TOutlineNode& node) const;  // from 0
    int RowHeight() const { return itemHeight_ > 0 ? itemHeight_ : 1; }
    void IndexText(TOutlineNode* node);
    void UnindexText(TOutlineNode* node);
    // The one walk of the item tree where it lies: from first, in display order, until it
    // climbs back to top (first's parent), each item with its level (level at first). enter(item)
    // says whether to walk its children; f(item, level) returns false to stop.
    template <class Enter, class F>
    void Walk(Link first, Link top, int level, Enter enter, F f) const;
    template <class F>
    void ForEachShown(F f) const;
    template <class F>
    void ForEachLine(F f) const;  // each item's line, in display order

    // The balanced tree over display positions.
    int32_t Size(Link t) const { return t != 0 ? At(t).size_ : 0; }
    static uint32_t Priority(Link t);
    void Update(Link t);
    void Split(Link t, int32_t k, Link& a, Link& b);
    Link Merge(Link a, Link b);
    void Insert(Link& t, int32_t k, Link node, uint32_t priority);  // node alone, at position k

    Link order_ = 0;  // display order
    // The item whose display position was asked last, and that position: a tree built child
    // by child asks for the same parent again and again. Moved on as items come before it.
    mutable Link known_ = 0;
    mutable int32_t knownPosition_ = 0;
    int32_t Know(Link link, int32_t position) const {
        known_ = link;
        knownPosition_ = position;
        return position;
    }
    TOutlineNode* selected_ = nullptr;
    int itemHeight_ = 16;
    std::string separator_ = "\\";
    // Items by text, built at the first GetTextItem: most trees are shown without one, and
    // indexing every text costs more than building the tree.
    struct TextKey {
        static std::string_view Key(const TOutlineNode& node) { return node.Text(); }
        static size_t Hash(std::string_view text) { return std::hash<std::string_view>{}(text); }
        static bool Equal(std::string_view a, std::string_view b) { return a == b; }
    };
    mutable TFlatIndex<TOutlineNode, TextKey> texts_;
    // Items live in blocks the outline owns, each twice the last up to 2^kPlaceBits rooms: a
    // tree of 30,000 items is a few allocations (the large ones in large pages), and clearing it
    // frees blocks rather than items one by one.
    struct NodeRoom {
        alignas(TOutlineNode) unsigned char bytes[sizeof(TOutlineNode)];
    };
    struct Block {
        std::unique_ptr<NodeRoom[]> rooms;
        size_t size;
    };
    static constexpr size_t kFirstBlock = 256, kLargestBlock = 32768;
    static_assert(kLargestBlock <= size_t{1} << kPlaceBits && kFirstBlock > kRoot);
    std::vector<Block> blocks_;
    size_t blockUsed_ = 0;
    TFillAhead blocksAhead_;  // over the newest block
    std::vector<Link> freed_;  // rooms of deleted items, taken again first
    // Item texts lie one after another in blocks the same way, rather than each in a string of
    // its own. A changed text that fits takes its old room; a longer one takes new room, and
    // what it leaves is given back with the blocks when the outline is cleared.
    TTextBlocks itemTexts_;
    mutable bool textsIndexed_ = false;
    int32_t expectedItems_ = 0;  // until the next Clear
};

inline std::string_view TOutlineNode::Text() const { return outline_->itemTexts_.Counted(text_); }
inline const TOutlineNode& TOutlineNode::At(Link link) const { return outline_->At(link); }
inline TOutlineNode& TOutlineNode::At(Link link) { return outline_->At(link); }

template <class Enter, class F>
void TOutline::Walk(Link first, Link top, int level, Enter enter, F f) const {
    Link n = first;
    while (n != 0) {
        TOutlineNode& node = At(n);
        if (!f(&node, level)) return;
        if (node.firstChild_ != 0 && enter(node)) {
            n = node.firstChild_;
            ++level;
            continue;
        }
        while (n != top && At(n).next_ == 0) {
            n = At(n).parent_;
            --level;
        }
        n = n == top ? 0 : At(n).next_;
    }
}

template <class F>
void TOutline::ForEachItem(F f) const {
    Walk(Root().firstChild_, kRoot, 1, [](const TOutlineNode&) { return true; }, f);
}

}  // namespace vcl
