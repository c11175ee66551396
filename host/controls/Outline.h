// The outline control: a tree of text items shown one per row, each item numbered from 1
// in display order (every item counts, shown or not), as the outline tools address them.
#pragma once

#include <cstdint>
#include <memory>
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
    std::string_view Text() const { return {text_, textLen_}; }
    void SetText(std::string_view text);
    void* Data() const { return data_; }
    void SetData(void* data) { data_ = data; }

    int32_t Index() const;     // display order from 1
    int Level() const;         // 1 for an item at the top level
    TOutlineNode* Parent() const;  // null at the top level
    bool HasItems() const { return firstChild_ != nullptr; }
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
    explicit TOutlineNode(TOutline* outline) : outline_(outline) {}
    template <class F>
    void ForEachInSubtree(F f);  // this item, then every item under it, in display order

    // The small fields share the last sixteen bytes: a large tree has an item per component.
    TOutline* outline_;
    char* text_ = nullptr;  // in the outline's text blocks
    void* data_ = nullptr;
    // The tree.
    TOutlineNode* parent_ = nullptr;
    TOutlineNode* firstChild_ = nullptr;
    TOutlineNode* lastChild_ = nullptr;
    TOutlineNode* prev_ = nullptr;
    TOutlineNode* next_ = nullptr;
    // Display order: a randomly balanced tree over positions (a subtree of items is one
    // run of positions), so that numbering, insertion and moves stay logarithmic.
    TOutlineNode* left_ = nullptr;
    TOutlineNode* right_ = nullptr;
    TOutlineNode* up_ = nullptr;
    uint32_t priority_ = 0;
    int32_t size_ = 1;
    int32_t count_ = 1;  // this item and every item under it
    uint32_t textLen_ : 31 = 0;
    uint32_t expanded_ : 1 = false;
};

class TOutline : public TCustomControl, public TControlEvents {
public:
    explicit TOutline(TComponent* owner, const TClassInfo* cls = nullptr);
    ~TOutline() override;

    int32_t ItemCount() const { return root_.count_ - 1; }
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
    // The tree is about to hold about count items and be searched by text (GetTextItem): room
    // for the text index is made now, at that size, rather than grown (and copied) step by step.
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
    bool ReadNative(std::string_view lname, const TPropInfo& prop, TValue& out) const override;
    bool WriteNative(std::string_view lname, const TPropInfo& prop, TValue& value) override;

private:
    friend class TOutlineNode;

    TOutlineNode* NewNode(std::string_view text, void* data);
    void FreeNode(TOutlineNode* node);
    // Links node (alone, or a detached run of count items headed by it) as the last child of
    // parent, or before `before` among its siblings; updates counts and display order. Returns
    // node's display position, from 0.
    int32_t Attach(TOutlineNode* node, TOutlineNode* parent, TOutlineNode* before, TOutlineNode* run);
    // Unlinks node and everything under it; returns their run of display positions.
    TOutlineNode* Detach(TOutlineNode* node);
    void Destroy(TOutlineNode* node);
    void Move(TOutlineNode* node, TOutlineNode* destination, TAttachMode mode);
    int32_t Position(const TOutlineNode* node) const;  // from 0
    int RowHeight() const { return itemHeight_ > 0 ? itemHeight_ : 1; }
    TOutlineNode* NodeAt(int32_t position) const;
    void IndexText(TOutlineNode* node);
    void UnindexText(TOutlineNode* node);
    template <class F>
    void ForEachShown(F f) const;
    template <class F>
    void ForEachLine(F f) const;  // each item's line, in display order

    // The balanced tree over display positions.
    static int32_t Size(const TOutlineNode* t) { return t ? t->size_ : 0; }
    static void Update(TOutlineNode* t);
    static void Split(TOutlineNode* t, int32_t k, TOutlineNode*& a, TOutlineNode*& b);
    static TOutlineNode* Merge(TOutlineNode* a, TOutlineNode* b);
    static void Insert(TOutlineNode*& t, int32_t k, TOutlineNode* node);  // node alone, at position k

    TOutlineNode root_;               // the invisible item above the top level
    TOutlineNode* order_ = nullptr;   // display order
    TOutlineNode* selected_ = nullptr;
    uint32_t seed_ = 0x9e3779b9u;
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
    // Items live in blocks the outline owns, each twice the last: a tree of 30,000 items is a
    // few allocations (the large ones in large pages), and clearing it frees blocks rather than
    // items one by one.
    struct NodeRoom {
        alignas(TOutlineNode) unsigned char bytes[sizeof(TOutlineNode)];
    };
    struct Block {
        std::unique_ptr<NodeRoom[]> rooms;
        size_t size;
    };
    static constexpr size_t kFirstBlock = 256, kLargestBlock = 32768;
    std::vector<Block> blocks_;
    size_t blockUsed_ = 0;
    TFillAhead blocksAhead_;  // over the newest block
    std::vector<TOutlineNode*> freed_;  // rooms of deleted items, taken again first
    // Item texts lie one after another in blocks the same way, rather than each in a string of
    // its own. A changed text that fits takes its old room; a longer one takes new room, and
    // what it leaves is given back with the blocks when the outline is cleared.
    TTextBlocks itemTexts_;
    mutable bool textsIndexed_ = false;
};

template <class F>
void TOutline::ForEachItem(F f) const {
    TOutlineNode* n = root_.firstChild_;
    int level = 1;
    while (n != nullptr) {
        if (!f(n, level)) return;
        if (n->firstChild_) {
            n = n->firstChild_;
            ++level;
            continue;
        }
        while (n != &root_ && n->next_ == nullptr) {
            n = n->parent_;
            --level;
        }
        n = n == &root_ ? nullptr : n->next_;
    }
}

}  // namespace vcl
