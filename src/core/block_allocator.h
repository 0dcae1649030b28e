// The allocation behind the optional buffers of an instance (average histories, memory slots),
// replaceable so that tests can make it fail. A failed allocation returns null; blocks are
// released with ::operator delete.
#pragma once

#include <cstddef>
#include <memory>
#include <new>

namespace qv {

using BlockAllocator = void* (*)(std::size_t bytes);

inline void* allocateBlock(std::size_t bytes) { return ::operator new(bytes, std::nothrow); }

struct BlockDeleter {
    void operator()(void* block) const { ::operator delete(block); }
};

template <typename T>
using BlockPtr = std::unique_ptr<T, BlockDeleter>;

}  // namespace qv
