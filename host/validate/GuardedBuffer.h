// A sample buffer for a module's pin with guard zones on both sides. Every
// sample starts out as a tagged NaN that no module computes by chance, so the
// validator can tell which samples a module wrote, and any write before the
// first sample or after the last one changes a guard. Owns its storage.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mpvalidate {

class GuardedBuffer {
public:
    // Bit patterns of the tags: quiet NaNs with payloads of their own.
    static constexpr uint32_t unwrittenTag = 0x7FC5A17Au;
    static constexpr uint32_t guardTag = 0x7FC6A2D0u;
    static constexpr int32_t guardSamples = 256;

    explicit GuardedBuffer(int32_t samples);

    float* data() { return storage.data() + guardSamples; }
    const float* data() const { return storage.data() + guardSamples; }
    int32_t size() const { return samples; }

    // Marks samples [from, to) as unwritten again.
    void markUnwritten(int32_t from, int32_t to);
    // Whether sample i still holds the unwritten tag.
    bool unwritten(int32_t i) const;
    // Index of the first sample in [from, to) that was written, or -1.
    int32_t firstWritten(int32_t from, int32_t to) const;
    // Index of the first sample in [from, to) still unwritten, or -1.
    int32_t firstUnwritten(int32_t from, int32_t to) const;
    // A description of the first damaged guard sample, e.g. "sample 64 (1 past
    // the end)", or nothing when both guards are intact.
    std::optional<std::string> guardDamage() const;
    // Restores both guards.
    void resetGuards();

private:
    int32_t samples;
    std::vector<float> storage;
};

// The bit pattern of a float.
uint32_t bitsOf(float value);

} // namespace mpvalidate
