#include "soak/heapuse.h"

#include <atomic>
#include <cstdint>
#include <cstddef>
#include <cstdlib>
#include <new>

// A sanitizer brings its own allocator and already keeps these figures; a
// replacement operator new would only hide its checks.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define DRALEN_SANITIZER_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define DRALEN_SANITIZER_HEAP 1
#endif
#endif

#ifdef DRALEN_SANITIZER_HEAP

extern "C" size_t __sanitizer_get_current_allocated_bytes();

int64_t heapUse::liveBytes()
{
    return static_cast<int64_t>(__sanitizer_get_current_allocated_bytes());
}

std::optional<int64_t> heapUse::liveBlocks()
{
    return std::nullopt;
}

#else

// Every allocation of the program through operator new carries its size in a
// header in front of it, so a release knows how much it gives back whichever
// form of delete is called. The header keeps the block's alignment.
namespace {

constexpr size_t headerSize = alignof(std::max_align_t);
static_assert(headerSize >= sizeof(size_t));

std::atomic<int64_t> bytesInUse{0};
std::atomic<int64_t> blocksInUse{0};

void* allocate(size_t size) noexcept
{
    if (size > SIZE_MAX - headerSize)
        return nullptr;
    void* raw = std::malloc(size + headerSize);
    if (raw == nullptr)
        return nullptr;
    *static_cast<size_t*>(raw) = size;
    bytesInUse.fetch_add(static_cast<int64_t>(size), std::memory_order_relaxed);
    blocksInUse.fetch_add(1, std::memory_order_relaxed);
    return static_cast<char*>(raw) + headerSize;
}

void* allocateOrThrow(size_t size)
{
    if (void* block = allocate(size))
        return block;
    throw std::bad_alloc();
}

void release(void* block) noexcept
{
    if (block == nullptr)
        return;
    void* raw = static_cast<char*>(block) - headerSize;
    bytesInUse.fetch_sub(static_cast<int64_t>(*static_cast<size_t*>(raw)), std::memory_order_relaxed);
    blocksInUse.fetch_sub(1, std::memory_order_relaxed);
    std::free(raw);
}

}  // namespace

void* operator new(std::size_t size)
{
    return allocateOrThrow(size);
}

void* operator new[](std::size_t size)
{
    return allocateOrThrow(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return allocate(size);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return allocate(size);
}

void operator delete(void* block) noexcept
{
    release(block);
}

void operator delete[](void* block) noexcept
{
    release(block);
}

void operator delete(void* block, std::size_t) noexcept
{
    release(block);
}

void operator delete[](void* block, std::size_t) noexcept
{
    release(block);
}

void operator delete(void* block, const std::nothrow_t&) noexcept
{
    release(block);
}

void operator delete[](void* block, const std::nothrow_t&) noexcept
{
    release(block);
}

int64_t heapUse::liveBytes()
{
    return bytesInUse.load(std::memory_order_relaxed);
}

std::optional<int64_t> heapUse::liveBlocks()
{
    return blocksInUse.load(std::memory_order_relaxed);
}

#endif
