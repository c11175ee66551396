#include "host/vcl/ComponentArena.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <new>
#include <utility>

#include <sys/mman.h>

#include "host/vcl/LargePages.h"

namespace vcl {

namespace {

// The address sanitizer must see every component's memory, so its builds use the heap.
#ifdef TAVRIN_SANITIZED
constexpr bool kArenas = false;
#else
constexpr bool kArenas = true;
#endif

thread_local TComponentArena* current = nullptr;
thread_local TComponentArena* textsOpen = nullptr;

// The blocks of every live arena: a component may be freed on any thread, and only these tell
// arena memory from the heap's. A form's components are freed just before its arena goes, each
// looking here once.
std::mutex blocksLock;
std::vector<std::pair<uintptr_t, uintptr_t>> liveBlocks;
std::atomic<size_t> liveCount{0};

constexpr size_t kFirstBlock = size_t{256} << 10, kLargestBlock = size_t{32} << 20, kLargePage = kLargePageBytes;
constexpr size_t kPage = 4096;

// A block of at least a large page starts on one and takes large pages, one first touch per
// 2 MB from its first byte, but for its last 2 MB: a block is made as large as the components
// are guessed to take, and a large page the fill only enters counts whole. size is whole pages.
char* MapBlock(size_t size) {
    const bool large = size >= kLargePage;
    const size_t mapped = large ? size + kLargePage : size;
    void* memory = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) return nullptr;
    auto* begin = static_cast<char*>(memory);
    if (!large) return begin;
    const uintptr_t at = uintptr_t(begin), aligned = (at + kLargePage - 1) & ~(uintptr_t(kLargePage) - 1);
    if (aligned > at) ::munmap(begin, aligned - at);
    if (const size_t tail = kLargePage - (aligned - at)) ::munmap(reinterpret_cast<char*>(aligned) + size, tail);
    begin = reinterpret_cast<char*>(aligned);
    AdviseLargePages(begin, size - kLargePage);
    return begin;
}

}  // namespace

TComponentArena::Scope::Scope(TComponentArena* arena) : outer_(current) {
    if (kArenas) current = arena;
}

TComponentArena::Scope::~Scope() { current = outer_; }

TComponentArena::TextsScope::TextsScope(TComponentArena* arena) : outer_(textsOpen) {
    if (kArenas) textsOpen = arena;
}

TComponentArena::TextsScope::~TextsScope() { textsOpen = outer_; }

TComponentArena::OfferedBytes::OfferedBytes(TComponentArena* arena, std::string_view bytes) {
    if (arena == nullptr || arena != textsOpen) return;
    arena_ = arena;
    outer_ = std::exchange(arena->offered_, bytes);
}

TComponentArena::OfferedBytes::~OfferedBytes() {
    if (arena_ != nullptr) arena_->offered_ = outer_;
}

const char* TComponentArena::TextRoom(const void* owner, std::string_view text) {
    if (textsOpen == nullptr || !textsOpen->Holds(owner)) return nullptr;
    if (const size_t at = textsOpen->offered_.find(text); at != std::string_view::npos)
        return textsOpen->offered_.data() + at;
    return textsOpen->texts_.Keep(text);
}

TComponentArena::~TComponentArena() {
    if (blocks_.empty()) return;
    {
        std::lock_guard lock(blocksLock);
        for (const Block& b : blocks_)
            liveBlocks.erase(std::find(liveBlocks.begin(), liveBlocks.end(),
                                       std::pair{uintptr_t(b.begin), uintptr_t(b.begin + b.size)}));
        liveCount = liveBlocks.size();
    }
    for (const Block& b : blocks_) ::munmap(b.begin, b.size);
}

void* TComponentArena::Take(size_t bytes) {
    bytes = (bytes + alignof(std::max_align_t) - 1) & ~(alignof(std::max_align_t) - 1);
    if (size_t(end_ - next_) < bytes) {
        // As large as expected, else each block twice the last: a small form takes one small
        // block, a large one a few.
        size_t size = expected_ > 0        ? std::max(kFirstBlock, expected_)
                      : blocks_.empty() ? kFirstBlock
                                        : std::min(blocks_.back().size * 2, kLargestBlock);
        size = std::max(size, bytes);
        // Unmapped in whole pages.
        size = (size + kPage - 1) & ~(kPage - 1);
        char* const begin = MapBlock(size);
        if (begin == nullptr) return nullptr;
        {
            std::lock_guard lock(blocksLock);
            liveBlocks.emplace_back(uintptr_t(begin), uintptr_t(begin) + size);
            liveCount = liveBlocks.size();
        }
        blocks_.push_back({begin, size});
        next_ = begin;
        end_ = begin + size;
    }
    void* memory = next_;
    next_ += bytes;
    used_ += bytes;
    ahead_.Filled(blocks_.back().begin, size_t(next_ - blocks_.back().begin), blocks_.back().size);
    return memory;
}

bool TComponentArena::Holds(const void* memory) const {
    for (const Block& b : blocks_)
        if (memory >= b.begin && memory < b.begin + b.size) return true;
    return false;
}

void* TComponentArena::Allocate(size_t bytes) {
    if (current != nullptr)
        if (void* memory = current->Take(bytes)) return memory;
    return ::operator new(bytes);
}

void TComponentArena::Release(void* memory) {
    if (memory == nullptr) return;
    if (liveCount.load() > 0) {
        std::lock_guard lock(blocksLock);
        const auto at = uintptr_t(memory);
        for (const auto& [begin, end] : liveBlocks)
            if (at >= begin && at < end) return;
    }
    ::operator delete(memory);
}

}  // namespace vcl
