#pragma once

// Where a mesh keeps its elements: they never move once made, because
// triangles point at vertices and painters point at triangles, yet a large
// model costs a handful of allocations rather than one per element. Storage
// comes in blocks, each as large as was reserved or twice the one before.
// Elements are never removed; their destructors are not run, so only types
// that need none may be kept.
#include <cstddef>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

template <class T>
class StableStore {
    static_assert(std::is_trivially_destructible_v<T>, "elements are released without being destroyed");

public:
    StableStore() = default;
    StableStore(const StableStore&) = delete;
    StableStore& operator=(const StableStore&) = delete;
    ~StableStore() {
        for (const Block& block : blocks_)
            std::allocator<T>().deallocate(block.start, block.capacity);
    }

    // Room for count more elements without another allocation.
    void reserve(size_t count) {
        if (!blocks_.empty() && blocks_.back().capacity - blocks_.back().used >= count)
            return;
        grow(count);
    }

    template <class... Args>
    T* make(Args&&... args) {
        if (blocks_.empty() || blocks_.back().used == blocks_.back().capacity)
            grow(blocks_.empty() ? kFirstBlock : 2 * blocks_.back().capacity);
        Block& block = blocks_.back();
        T* made = ::new (static_cast<void*>(block.start + block.used)) T(std::forward<Args>(args)...);
        ++block.used;
        return made;
    }

private:
    static constexpr size_t kFirstBlock = 16;

    struct Block {
        T* start;
        size_t capacity;
        size_t used;
    };

    void grow(size_t capacity) {
        blocks_.reserve(blocks_.size() + 1);  // so a failed push cannot leak the block
        blocks_.push_back({std::allocator<T>().allocate(capacity), capacity, 0});
    }

    std::vector<Block> blocks_;
};
