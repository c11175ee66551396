// Where the components read from one form file live. A large form makes tens of thousands of
// them; taking them from a few large blocks, rather than one heap allocation each, spares the
// first touch of as many scattered pages, which was most of a large form's reading time.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "host/vcl/LargePages.h"
#include "host/vcl/Texts.h"

namespace vcl {

class TComponentArena {
public:
    // expected: what the components will take, if known; the first block is made that large.
    explicit TComponentArena(size_t expected = 0) : expected_(expected) {}
    // Every component made in the arena must be gone by then: its memory goes with it.
    ~TComponentArena();
    TComponentArena(const TComponentArena&) = delete;
    TComponentArena& operator=(const TComponentArena&) = delete;

    // While a scope lives, components made on this thread come from the arena.
    class Scope {
    public:
        explicit Scope(TComponentArena* arena);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        TComponentArena* outer_;
    };

    // While a texts scope lives, the texts that this arena's components keep (TText) are kept
    // with it, in blocks of their own, and go when it goes: reading a form, every control's
    // hint would otherwise be an allocation of its own.
    class TextsScope {
    public:
        explicit TextsScope(TComponentArena* arena);
        ~TextsScope();
        TextsScope(const TextsScope&) = delete;
        TextsScope& operator=(const TextsScope&) = delete;

    private:
        TComponentArena* outer_;
    };
    // While it lives, bytes that outlive every component of arena (the form file it was read
    // from) are offered for the value being given to one of them: a text kept from that value
    // that is found among the bytes is kept as a view of them rather than copied. A hint read
    // from a file is its own bytes there. Only while arena's texts scope is the open one: a
    // design read into a component meanwhile offers nothing to the arena around it.
    class OfferedBytes {
    public:
        OfferedBytes(TComponentArena* arena, std::string_view bytes);
        ~OfferedBytes();
        OfferedBytes(const OfferedBytes&) = delete;
        OfferedBytes& operator=(const OfferedBytes&) = delete;

    private:
        TComponentArena* arena_ = nullptr;
        std::string_view outer_;
    };
    // Where text is kept for owner: when owner was made in the arena whose texts scope lives on
    // this thread, the same bytes among those offered, else a copy in the arena; null otherwise
    // (the owner keeps it on the heap).
    static const char* TextRoom(const void* owner, std::string_view text);

    // What the components still to come will take, about: the next block is made that large.
    // Without it each block is twice the last.
    void Expect(size_t bytes) { expected_ = bytes; }
    // What the components took so far.
    size_t Used() const { return used_; }

    // Whether memory was taken from this arena.
    bool Holds(const void* memory) const;

    // A component's memory: from the current arena, or the heap without one.
    static void* Allocate(size_t bytes);
    // Heap memory goes back; arena memory stays until its arena goes.
    static void Release(void* memory);

private:
    void* Take(size_t bytes);

    struct Block {
        char* begin;
        size_t size;
    };
    std::vector<Block> blocks_;
    char* next_ = nullptr;
    char* end_ = nullptr;
    size_t expected_;
    size_t used_ = 0;
    TFillAhead ahead_;  // over the newest block
    TTextBlocks texts_;
    std::string_view offered_;  // see OfferedBytes
};

}  // namespace vcl
