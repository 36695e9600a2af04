// The built library opened, used and closed again, over and over, the way a
// host that rescans its plug-ins does. The suite also runs under valgrind's
// memcheck, which carries x87 extended arithmetic at double precision only,
// so the values checked here are ones whose conversion is exact either way.
#include "IMpFactory.h"
#include "IMpPlugin.h"
#include "LoadedLibrary.h"
#include "MpEntry.h"
#include "MpResult.h"
#include "RecordingHost.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <vector>

namespace {

constexpr int32_t blockSize = 32;
constexpr int32_t guard = 8;
constexpr uint32_t untouched = 0x7FC0DEAD;

struct Case {
    float seconds;
    uint32_t bits; // the output sample, volts x 0.1
};
// 1 s is 7.5 V, every decade 2.5 V more.
constexpr std::array<Case, 4> exactCases{
    {{1.0f, 0x3F400000u}, {10.0f, 0x3F800000u}, {100.0f, 0x3FA00000u}, {1000.0f, 0x3FC00000u}}};

// Drives one instance through a first value, a change in mid-block and the
// block after, in which it renders the rest of its countdown and asks to sleep.
void driveOne(gmpi::IMpFactory* factory, const Case& first, const Case& second) {
    testkit::RecordingHost host(blockSize);
    void* out = nullptr;
    ASSERT_EQ(factory->createModule(u"Tarnwick Quorvale", 0, &host, &out), mpOk);
    auto* module = static_cast<gmpi::IMpPlugin*>(out);
    std::vector<float> storage(blockSize + 2 * guard, std::bit_cast<float>(untouched));
    float* samples = storage.data() + guard;
    ASSERT_EQ(module->assignBuffer(1, samples), mpOk);
    ASSERT_EQ(module->activate(), mpOk);

    MpTimedEvent start[2] = {};
    start[0] = {0, evInitialUpdate, 0, 0, {}, nullptr, &start[1]};
    start[1] = {0, evPinValue, 0, 4, {}, &first.seconds, nullptr};
    module->processBlock(blockSize, start);
    for (int32_t i = 0; i < blockSize; ++i) {
        ASSERT_EQ(std::bit_cast<uint32_t>(samples[i]), first.bits) << first.seconds << " s, " << i;
    }

    // The module slept after the first block: nothing before the change is rendered.
    constexpr int32_t at = 12;
    std::fill_n(samples, blockSize, std::bit_cast<float>(untouched));
    MpTimedEvent change = {at, evPinValue, 0, 4, {}, &second.seconds, nullptr};
    module->processBlock(blockSize, &change);
    for (int32_t i = 0; i < blockSize; ++i) {
        ASSERT_EQ(std::bit_cast<uint32_t>(samples[i]), i < at ? untouched : second.bits) << i;
    }
    std::fill_n(samples, blockSize, std::bit_cast<float>(untouched));
    host.calls.clear();
    module->processBlock(blockSize, nullptr);
    for (int32_t i = 0; i < blockSize; ++i) {
        ASSERT_EQ(std::bit_cast<uint32_t>(samples[i]), i < at ? second.bits : untouched) << i;
    }
    EXPECT_EQ(host.calls, std::vector<testkit::HostCall>{testkit::HostCall::Sleep});
    for (int32_t i = 0; i < guard; ++i) {
        EXPECT_EQ(std::bit_cast<uint32_t>(storage[i]), untouched);
        EXPECT_EQ(std::bit_cast<uint32_t>(storage[guard + blockSize + i]), untouched);
    }
    EXPECT_EQ(module->Release(), 0);
    EXPECT_EQ(host.refCount, 1);
}

// Creation requests the factory must refuse, each of which must leave nothing behind.
void refuseSome(gmpi::IMpFactory* factory) {
    testkit::RecordingHost withoutServices;
    withoutServices.offerServices = false;
    void* out = &withoutServices;
    EXPECT_EQ(factory->createModule(u"Tarnwick Quorvale", 0, &withoutServices, &out), mpFailed);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(withoutServices.refCount, 1);

    testkit::RecordingHost host;
    out = &host;
    EXPECT_EQ(factory->createModule(u"Tarnwick", 0, &host, &out), mpUnsupported);
    EXPECT_EQ(out, nullptr);
    out = &host;
    EXPECT_EQ(factory->createModule(u"Tarnwick Quorvale", 1, &host, &out), mpUnsupported);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(host.refCount, 1);
}

TEST(LoadCycle, OpenUseAndCloseRepeatedly) {
    for (int cycle = 0; cycle < 8; ++cycle) {
        LoadedLibrary library(QUORVALE_LIBRARY);
        ASSERT_TRUE(library.loaded()) << library.error();
        auto entry = reinterpret_cast<MpGetFactoryFunction>(library.symbol("MP_GetFactory"));
        ASSERT_NE(entry, nullptr);
        void* out = nullptr;
        ASSERT_EQ(entry(&out), mpOk);
        auto* factory = static_cast<gmpi::IMpFactory*>(out);
        for (std::size_t i = 0; i < exactCases.size(); ++i) {
            driveOne(factory, exactCases[i], exactCases[(i + 1 + cycle) % exactCases.size()]);
        }
        refuseSome(factory);
        ASSERT_TRUE(library.unload());
    }
}

} // namespace
