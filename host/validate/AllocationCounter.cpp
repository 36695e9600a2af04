#include "AllocationCounter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};

void* allocate(std::size_t size) {
    if (counting.load(std::memory_order_relaxed)) {
        allocations.fetch_add(1, std::memory_order_relaxed);
    }
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}

void* allocateAligned(std::size_t size, std::align_val_t alignment) {
    if (counting.load(std::memory_order_relaxed)) {
        allocations.fetch_add(1, std::memory_order_relaxed);
    }
    const auto align = static_cast<std::size_t>(alignment);
    const std::size_t rounded = ((size == 0 ? 1 : size) + align - 1) / align * align;
    if (void* p = std::aligned_alloc(align, rounded)) {
        return p;
    }
    throw std::bad_alloc();
}
} // namespace

namespace mpvalidate {

void startCountingAllocations() {
    allocations = 0;
    counting = true;
}

long stopCountingAllocations() {
    counting = false;
    return allocations.load();
}

} // namespace mpvalidate

// Exported, so that loaded libraries bind their operator new to these.
#define MP_VISIBLE __attribute__((visibility("default")))

MP_VISIBLE void* operator new(std::size_t size) {
    return allocate(size);
}
MP_VISIBLE void* operator new[](std::size_t size) {
    return allocate(size);
}
MP_VISIBLE void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return allocate(size);
    } catch (...) {
        return nullptr;
    }
}
MP_VISIBLE void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return allocate(size);
    } catch (...) {
        return nullptr;
    }
}
MP_VISIBLE void operator delete(void* p) noexcept {
    std::free(p);
}
MP_VISIBLE void operator delete[](void* p) noexcept {
    std::free(p);
}
MP_VISIBLE void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
MP_VISIBLE void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
MP_VISIBLE void* operator new(std::size_t size, std::align_val_t alignment) {
    return allocateAligned(size, alignment);
}
MP_VISIBLE void* operator new[](std::size_t size, std::align_val_t alignment) {
    return allocateAligned(size, alignment);
}
MP_VISIBLE void operator delete(void* p, std::align_val_t) noexcept {
    std::free(p);
}
MP_VISIBLE void operator delete[](void* p, std::align_val_t) noexcept {
    std::free(p);
}
MP_VISIBLE void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}
MP_VISIBLE void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}
