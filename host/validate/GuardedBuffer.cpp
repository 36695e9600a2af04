#include "GuardedBuffer.h"

#include <bit>

namespace mpvalidate {

namespace {
float fromBits(uint32_t bits) {
    return std::bit_cast<float>(bits);
}
} // namespace

uint32_t bitsOf(float value) {
    return std::bit_cast<uint32_t>(value);
}

GuardedBuffer::GuardedBuffer(int32_t samples)
    : samples(samples), storage(static_cast<size_t>(samples + 2 * guardSamples)) {
    resetGuards();
    markUnwritten(0, samples);
}

void GuardedBuffer::markUnwritten(int32_t from, int32_t to) {
    for (int32_t i = from; i < to; ++i) {
        data()[i] = fromBits(unwrittenTag);
    }
}

bool GuardedBuffer::unwritten(int32_t i) const {
    return bitsOf(data()[i]) == unwrittenTag;
}

int32_t GuardedBuffer::firstWritten(int32_t from, int32_t to) const {
    for (int32_t i = from; i < to; ++i) {
        if (!unwritten(i)) {
            return i;
        }
    }
    return -1;
}

int32_t GuardedBuffer::firstUnwritten(int32_t from, int32_t to) const {
    for (int32_t i = from; i < to; ++i) {
        if (unwritten(i)) {
            return i;
        }
    }
    return -1;
}

std::optional<std::string> GuardedBuffer::guardDamage() const {
    for (int32_t i = 0; i < guardSamples; ++i) {
        // Nearest to the buffer first: that is where an off-by-one lands.
        const size_t before = static_cast<size_t>(guardSamples - 1 - i);
        if (bitsOf(storage[before]) != guardTag) {
            return "sample " + std::to_string(-1 - i) + " (" + std::to_string(i + 1) +
                   " before the start)";
        }
        const size_t after = static_cast<size_t>(guardSamples + samples + i);
        if (bitsOf(storage[after]) != guardTag) {
            return "sample " + std::to_string(samples + i) + " (" + std::to_string(i + 1) +
                   " past the end)";
        }
    }
    return std::nullopt;
}

void GuardedBuffer::resetGuards() {
    for (int32_t i = 0; i < guardSamples; ++i) {
        storage[static_cast<size_t>(i)] = fromBits(guardTag);
        storage[static_cast<size_t>(guardSamples + samples + i)] = fromBits(guardTag);
    }
}

} // namespace mpvalidate
