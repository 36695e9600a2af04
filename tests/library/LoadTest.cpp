// The built library, loaded by the operating system's loader and driven
// through MP_GetFactory the way the host drives it.
#include "IMpFactory.h"
#include "IMpPlugin.h"
#include "LoadedLibrary.h"
#include "MpEntry.h"
#include "MpResult.h"
#include "RecordingHost.h"

#include <gtest/gtest.h>

#include <bit>
#include <limits>
#include <memory>

namespace {

using testkit::HostCall;

class Library : public ::testing::Test {
protected:
    void SetUp() override {
        library = std::make_unique<LoadedLibrary>(QUORVALE_LIBRARY);
        ASSERT_TRUE(library->loaded()) << library->error();
        entry = reinterpret_cast<MpGetFactoryFunction>(library->symbol("MP_GetFactory"));
        ASSERT_NE(entry, nullptr);
    }
    void TearDown() override {
        if (library) {
            EXPECT_TRUE(library->unload());
        }
    }
    gmpi::IMpFactory* factory() {
        void* out = nullptr;
        EXPECT_EQ(entry(&out), mpOk);
        return static_cast<gmpi::IMpFactory*>(out);
    }

    std::unique_ptr<LoadedLibrary> library;
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

// The x87 precision setting of the calling thread, which the host owns.
uint16_t x87Control() {
    uint16_t cw;
    asm volatile("fnstcw %0" : "=m"(cw));
    return cw;
}
void setX87Control(uint16_t cw) {
    asm volatile("fldcw %0" : : "m"(cw));
}

// The worked values to the bit, through the loaded library, with the calling
// thread at 64-bit and at 53-bit x87 precision.
TEST_F(Library, ConvertsTheWorkedValuesToTheBit) {
    struct Row {
        float input;
        uint32_t expected;
    };
    const Row rows[] = {
        {0.0001f, 0xBE800000},
        {0.001f, 0x31B13131},
        {0.01f, 0x3E800000},
        {0.05f, 0x3ED977DA},
        {0.1f, 0x3F000000},
        {0.5f, 0x3F2CBBED},
        {1.0f, 0x3F400000},
        {2.0f, 0x3F534414},
        {3.0f, 0x3F5E8928},
        {10.0f, 0x3F800000},
        {100.0f, 0x3FA00000},
        {1000.0f, 0x3FC00000},
        {std::numeric_limits<float>::max(), 0x4126209B},
        {std::numeric_limits<float>::denorm_min(), 0xC12769F4},
    };
    constexpr int32_t block = 8;
    testkit::RecordingHost host(block);
    void* out = nullptr;
    ASSERT_EQ(factory()->createModule(u"Tarnwick Quorvale", 0, &host, &out), mpOk);
    auto* module = static_cast<gmpi::IMpPlugin*>(out);
    float samples[block];
    ASSERT_EQ(module->assignBuffer(1, samples), mpOk);
    ASSERT_EQ(module->activate(), mpOk);

    const uint16_t saved = x87Control();
    for (uint16_t precision : {uint16_t(0x300), uint16_t(0x200)}) { // 64 bits, then 53 bits
        setX87Control(static_cast<uint16_t>((saved & ~0x300) | precision));
        for (const Row& row : rows) {
            std::fill_n(samples, block, -2.0f);
            MpTimedEvent value = {0, 100, 0, 4, {}, &row.input, nullptr};
            module->processBlock(block, &value);
            for (float sample : samples) {
                EXPECT_EQ(std::bit_cast<uint32_t>(sample), row.expected)
                    << "input " << row.input << ", precision control " << precision;
            }
        }
    }
    setX87Control(saved);
    EXPECT_EQ(module->Release(), 0);
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
        LoadedLibrary library(QUORVALE_LIBRARY);
        ASSERT_TRUE(library.loaded()) << library.error();
        auto entry = reinterpret_cast<MpGetFactoryFunction>(library.symbol("MP_GetFactory"));
        ASSERT_NE(entry, nullptr);
        void* out = nullptr;
        ASSERT_EQ(entry(&out), mpOk);
        testkit::RecordingHost host;
        void* module = nullptr;
        ASSERT_EQ(static_cast<gmpi::IMpFactory*>(out)->createModule(u"Tarnwick Quorvale", 0, &host,
                                                                    &module),
                  mpOk);
        EXPECT_EQ(static_cast<gmpi::IMpPlugin*>(module)->Release(), 0);
        EXPECT_EQ(host.refCount, 1);
        ASSERT_TRUE(library.unload());
    }
}

} // namespace
