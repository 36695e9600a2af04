// Reads a fuzzer's input as a stream of small decisions. Past the end every
// read yields zero, so any input, however short, describes a complete run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, std::size_t size) : data(data), size(size) {}

    bool empty() const { return position >= size; }

    // The next sizeof(T) bytes as a T, zero-filled past the end.
    template <class T> T take() {
        static_assert(std::is_trivially_copyable_v<T>);
        unsigned char bytes[sizeof(T)] = {};
        for (std::size_t i = 0; i < sizeof(T) && position < size; ++i) {
            bytes[i] = data[position++];
        }
        T value;
        std::memcpy(&value, bytes, sizeof(T));
        return value;
    }

    // A number in [low, high], taken from one or four bytes depending on the span.
    int32_t takeInRange(int32_t low, int32_t high) {
        const auto span = static_cast<uint32_t>(static_cast<int64_t>(high) - low) + 1u;
        const uint32_t raw = span <= 256 ? take<uint8_t>() : take<uint32_t>();
        return static_cast<int32_t>(static_cast<int64_t>(low) + (span == 0 ? raw : raw % span));
    }

    // One of count choices.
    int choose(int count) { return take<uint8_t>() % count; }

private:
    const uint8_t* data;
    std::size_t size;
    std::size_t position = 0;
};
