// A host sample buffer with guard zones on both sides, each filled with its
// own tagged NaN, so that a write outside the buffer, or outside the part of
// it a call may touch, shows up when the buffer is checked after the call.
#pragma once

#include <bit>
#include <cstdint>
#include <vector>

class GuardedBuffer {
public:
    static constexpr uint32_t guardBits = 0x7FC0BEEF;
    static constexpr uint32_t untouchedBits = 0x7FC0DEAD;
    static constexpr int32_t guardSize = 32;

    explicit GuardedBuffer(int32_t capacity)
        : capacity(capacity), storage(capacity + 2 * guardSize, std::bit_cast<float>(guardBits)) {
        clear();
    }

    float* samples() { return storage.data() + guardSize; }

    // Fills the buffer itself (not the guards) with the untouched tag.
    void clear() {
        for (int32_t i = 0; i < capacity; ++i) {
            samples()[i] = std::bit_cast<float>(untouchedBits);
        }
    }

    bool guardsIntact() const {
        for (int32_t i = 0; i < guardSize; ++i) {
            if (bits(i) != guardBits || bits(guardSize + capacity + i) != guardBits) {
                return false;
            }
        }
        return true;
    }

    // Whether samples from..capacity-1 still hold the untouched tag.
    bool untouchedFrom(int32_t from) const {
        for (int32_t i = from < 0 ? 0 : from; i < capacity; ++i) {
            if (bits(guardSize + i) != untouchedBits) {
                return false;
            }
        }
        return true;
    }

    const int32_t capacity;

private:
    uint32_t bits(int32_t index) const { return std::bit_cast<uint32_t>(storage[index]); }

    std::vector<float> storage;
};
