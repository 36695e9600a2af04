// Drives one Quorvale, made through the factory, with whatever a host might
// hand it: the input becomes the host's buffer size and block size, then a
// sequence of activate, assignBuffer and processBlock calls with event lists
// of any kinds, offsets, pin ids, payload sizes and payload locations,
// including lists that break the host's promises (out of order, outside the
// block, negative lengths). After every call: both buffers' guards are
// intact, nothing past the block and nothing in an unassigned buffer was
// written, and every position the module reports to the host lies inside the
// block.
#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "GuardedBuffer.h"
#include "MpFactory.h"
#include "MpResult.h"
#include "Quorvale.h"
#include "RecordingHost.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

using mpvalidate::GuardedBuffer;

constexpr int32_t maxCapacity = 512;
constexpr int maxEvents = 12;
constexpr int32_t maxPayload = 256;

int32_t takePinId(FuzzInput& in) {
    switch (in.choose(4)) {
    case 0:
        return 0;
    case 1:
        return 1;
    case 2:
        return in.takeInRange(-2, 3);
    default:
        return in.take<int32_t>();
    }
}

int32_t takeKind(FuzzInput& in) {
    return in.choose(4) == 0 ? in.take<int32_t>() : in.takeInRange(99, 105);
}

int32_t takeByteCount(FuzzInput& in) {
    switch (in.choose(4)) {
    case 0:
        return 4;
    case 1:
        return in.takeInRange(-8, 16);
    case 2:
        return in.take<int32_t>();
    default:
        return in.takeInRange(0, maxPayload + 64);
    }
}

int32_t takeOffset(FuzzInput& in, int32_t length) {
    if (in.choose(4) == 0) {
        return in.take<int32_t>();
    }
    return in.takeInRange(-2, std::max(length, 0) + 2);
}

int32_t takeLength(FuzzInput& in, int32_t capacity) {
    switch (in.choose(4)) {
    case 0:
        return capacity;
    case 1:
        return std::min(in.takeInRange(0, maxCapacity), capacity);
    case 2:
        return in.takeInRange(-3, -1);
    default:
        return std::min(in.take<int32_t>(), capacity); // negative or the whole buffer
    }
}

struct Run {
    explicit Run(FuzzInput& in)
        : in(in), capacity(in.takeInRange(0, maxCapacity)),
          host(capacity), buffers{GuardedBuffer(capacity), GuardedBuffer(capacity)} {
        // The host's block size: usually the buffer size, sometimes anything.
        if (in.choose(4) == 0) {
            host.blockSize = in.take<int32_t>();
        }
    }

    void activate() {
        FUZZ_CHECK(module->activate() == mpOk, "activate answers mpOk");
        checkGuards();
    }

    void checkGuards() const {
        for (const GuardedBuffer& b : buffers) {
            FUZZ_CHECK(!b.guardDamage(), "guards around the buffer intact");
        }
    }

    void assignBuffer() {
        const int32_t pinId = takePinId(in);
        const int which = in.choose(3); // buffer 0, buffer 1 or none
        float* buffer = which < 2 ? buffers[which].data() : nullptr;
        const int32_t result = module->assignBuffer(pinId, buffer);
        const bool known = pinId == 0 || pinId == 1;
        FUZZ_CHECK(result == (known ? mpOk : mpFailed), "assignBuffer result");
        if (pinId == 1) {
            bound = which;
        }
        checkGuards();
    }

    void processBlock() {
        const int32_t length = takeLength(in, capacity);
        const int count = in.choose(maxEvents + 1);
        std::array<MpTimedEvent, maxEvents> events{};
        std::vector<std::unique_ptr<unsigned char[]>> payloads;
        for (int i = 0; i < count; ++i) {
            MpTimedEvent& e = events[i];
            e.sampleOffset = takeOffset(in, length);
            e.kind = takeKind(in);
            e.pinId = takePinId(in);
            e.byteCount = takeByteCount(in);
            for (char& c : e.inlineBytes) {
                c = in.take<char>();
            }
            if (in.choose(2) == 0) {
                // A payload exactly as long as the host claims (at most
                // maxPayload bytes): any read past it is caught by ASan, and
                // the module reads no more than its value's width anyway.
                const int32_t n = std::clamp(e.byteCount, 0, maxPayload);
                payloads.emplace_back(new unsigned char[n]);
                for (int32_t b = 0; b < n; ++b) {
                    payloads.back()[b] = in.take<unsigned char>();
                }
                e.extraData = payloads.back().get();
            }
            e.next = i + 1 < count ? &events[i + 1] : nullptr;
        }

        for (GuardedBuffer& b : buffers) {
            b.markUnwritten(0, b.size());
        }
        host.calls.clear();
        module->processBlock(length, count > 0 ? events.data() : nullptr);

        const int32_t end = std::max(length, 0);
        checkGuards();
        for (int i = 0; i < 2; ++i) {
            FUZZ_CHECK(buffers[i].firstWritten(i == bound ? end : 0, capacity) == -1,
                       "nothing written past the block or into an unassigned buffer");
        }
        for (const testkit::HostCall& call : host.calls) {
            FUZZ_CHECK(call.kind == testkit::HostCall::PinStreaming ||
                           call.kind == testkit::HostCall::Sleep,
                       "only streaming states and sleep requests reach the host");
            if (call.kind == testkit::HostCall::PinStreaming) {
                FUZZ_CHECK(call.pinId == 1, "only the output reports streaming");
                FUZZ_CHECK(call.flag == 0 || call.flag == 1, "streaming flag is 0 or 1");
                FUZZ_CHECK(call.position >= 0 && call.position <= end,
                           "reported position inside the block");
            }
        }
    }

    FuzzInput& in;
    const int32_t capacity;
    testkit::RecordingHost host;
    std::array<GuardedBuffer, 2> buffers;
    int bound = 2; // no buffer on the output yet
    gmpi::IMpPlugin* module = nullptr;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    Run run(in);
    void* out = nullptr;
    FUZZ_CHECK(factoryInstance()->createModule(quorvaleModuleId, 0, &run.host, &out) == mpOk,
               "createModule");
    run.module = static_cast<gmpi::IMpPlugin*>(out);
    while (!in.empty()) {
        switch (in.choose(3)) {
        case 0:
            run.activate();
            break;
        case 1:
            run.assignBuffer();
            break;
        default:
            run.processBlock();
            break;
        }
    }
    FUZZ_CHECK(run.module->Release() == 0, "the host's release destroys the instance");
    FUZZ_CHECK(run.host.refCount == 1, "the instance gave back its host reference");
    return 0;
}
