// The built library, loaded with dlopen and driven through MP_GetFactory the
// way the host drives it.
#include "IMpFactory.h"
#include "IMpPlugin.h"
#include "MpEntry.h"
#include "MpResult.h"
#include "RecordingHost.h"

#include <gtest/gtest.h>

#include <bit>
#include <dlfcn.h>

namespace {

using testkit::HostCall;

class Library : public ::testing::Test {
protected:
    void SetUp() override {
        handle = dlopen(QUORVALE_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle, nullptr) << dlerror();
        entry = reinterpret_cast<MpGetFactoryFunction>(dlsym(handle, "MP_GetFactory"));
        ASSERT_NE(entry, nullptr);
    }
    void TearDown() override {
        if (handle != nullptr) {
            EXPECT_EQ(dlclose(handle), 0);
        }
    }
    gmpi::IMpFactory* factory() {
        void* out = nullptr;
        EXPECT_EQ(entry(&out), mpOk);
        return static_cast<gmpi::IMpFactory*>(out);
    }

    void* handle = nullptr;
    MpGetFactoryFunction entry = nullptr;
};

TEST_F(Library, GetFactoryTwiceGivesTheSameFactory) {
    void* first = nullptr;
    void* second = nullptr;
    EXPECT_EQ(entry(&first), mpOk);
    EXPECT_EQ(entry(&second), mpOk);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, second);
    char16_t text[32] = {};
    int32_t version = 0;
    EXPECT_EQ(factory()->describeSdk(&version, 32, text), mpOk);
    EXPECT_EQ(version, 30000);
    EXPECT_EQ(std::u16string(text), u"MS Compiler V1500");
}

TEST_F(Library, ConvertsAndSleepsLikeTheHostExpects) {
    constexpr int32_t block = 128;
    testkit::RecordingHost host(block);
    void* out = nullptr;
    ASSERT_EQ(factory()->createModule(u"Tarnwick Quorvale", 0, &host, &out), mpOk);
    auto* module = static_cast<gmpi::IMpPlugin*>(out);
    float samples[block];
    ASSERT_EQ(module->assignBuffer(1, samples), mpOk);
    ASSERT_EQ(module->activate(), mpOk);

    const float one = 1.0f;
    const float ten = 10.0f;
    MpTimedEvent first[2] = {};
    first[0] = {0, 104, 0, 0, {}, nullptr, &first[1]};
    first[1] = {0, 100, 0, 4, {}, &one, nullptr};
    module->processBlock(block, first);
    MpTimedEvent restream = {0, 104, 0, 0, {}, nullptr, nullptr};
    module->processBlock(block, &restream);
    host.calls.clear();

    MpTimedEvent change = {64, 100, 0, 4, {}, &ten, nullptr};
    module->processBlock(block, &change);
    for (int i = 0; i < block; ++i) {
        ASSERT_EQ(std::bit_cast<uint32_t>(samples[i]), i < 64 ? 0x3F400000u : 0x3F800000u) << i;
    }
    EXPECT_EQ(host.calls, (std::vector<HostCall>{{HostCall::PinStreaming, 64, 1, 0}}));

    std::fill_n(samples, block, -2.0f);
    host.calls.clear();
    module->processBlock(block, nullptr);
    for (int i = 0; i < block; ++i) {
        ASSERT_EQ(std::bit_cast<uint32_t>(samples[i]), i < 64 ? 0x3F800000u : 0xC0000000u) << i;
    }
    EXPECT_EQ(host.calls, (std::vector<HostCall>{{HostCall::Sleep}}));

    EXPECT_EQ(module->Release(), 0);
    EXPECT_EQ(host.refCount, 1);
    EXPECT_EQ(host.releaseCalls, 1);
}

TEST_F(Library, RefusesWhatIsNotRegistered) {
    testkit::RecordingHost host;
    for (const char16_t* id : {u"tarnwick quorvale", u"Tarnwick Quorvale ", u"Tarnwick"}) {
        void* out = &host;
        EXPECT_EQ(factory()->createModule(id, 0, &host, &out), mpUnsupported);
        EXPECT_EQ(out, nullptr);
    }
    for (int32_t kind : {1, 2, -1}) {
        void* out = &host;
        EXPECT_EQ(factory()->createModule(u"Tarnwick Quorvale", kind, &host, &out), mpUnsupported);
        EXPECT_EQ(out, nullptr);
    }
}

TEST(LibraryCycles, LoadsAndUnloadsRepeatedly) {
    for (int i = 0; i < 20; ++i) {
        void* handle = dlopen(QUORVALE_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle, nullptr) << dlerror();
        auto entry = reinterpret_cast<MpGetFactoryFunction>(dlsym(handle, "MP_GetFactory"));
        void* out = nullptr;
        ASSERT_EQ(entry(&out), mpOk);
        testkit::RecordingHost host;
        void* module = nullptr;
        ASSERT_EQ(static_cast<gmpi::IMpFactory*>(out)->createModule(u"Tarnwick Quorvale", 0, &host,
                                                                    &module),
                  mpOk);
        EXPECT_EQ(static_cast<gmpi::IMpPlugin*>(module)->Release(), 0);
        EXPECT_EQ(host.refCount, 1);
        ASSERT_EQ(dlclose(handle), 0);
    }
}

} // namespace
