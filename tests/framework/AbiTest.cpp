// The host-facing tables, driven the way a host written in plain C drives
// them: slot by slot through the object's first word, and a host object that
// is nothing but a table of free functions.
#include "MpEntry.h"
#include "MpFactory.h"
#include "MpResult.h"
#include "TraceModule.h"

#include <gtest/gtest.h>

namespace {

using namespace fwtest;

using QueryFn = int32_t(MP_STDCALL*)(void* self, const MpGuid* iid, void** out);
using CountFn = int32_t(MP_STDCALL*)(void* self);
using CreateFn = int32_t(MP_STDCALL*)(void* self, const char16_t* id, int32_t kind, void* host,
                                      void** out);
using DescribeFn = int32_t(MP_STDCALL*)(void* self, int32_t* version, int32_t capacity,
                                        char16_t* text);
using ActivateFn = int32_t(MP_STDCALL*)(void* self);
using AssignFn = int32_t(MP_STDCALL*)(void* self, int32_t pin, float* buffer);
using ProcessFn = void(MP_STDCALL*)(void* self, int32_t count, const MpTimedEvent* events);
using MessageFn = int32_t(MP_STDCALL*)(void* self, int32_t, int32_t, int32_t);

template <class Fn> Fn slot(void* object, int index) {
    void** table = *static_cast<void***>(object);
    return reinterpret_cast<Fn>(table[index]);
}

// A host in plain C style: a first word pointing at eight slots.
struct RawHost {
    void** table;
    int32_t refs = 1;
    int32_t blockSize = 32;
    std::vector<std::string> log;
};

int32_t MP_STDCALL rawQuery(void* self, const MpGuid* iid, void** out) {
    auto* h = static_cast<RawHost*>(self);
    if (*iid == MP_IID_MODULE_HOST || *iid == gmpi::MP_IID_UNKNOWN) {
        *out = h;
        ++h->refs;
        return mpOk;
    }
    *out = nullptr;
    return mpUnsupported;
}
int32_t MP_STDCALL rawAddRef(void* self) {
    static_cast<RawHost*>(self)->log.push_back("AddRef");
    return ++static_cast<RawHost*>(self)->refs;
}
int32_t MP_STDCALL rawRelease(void* self) {
    return --static_cast<RawHost*>(self)->refs;
}
int32_t MP_STDCALL rawPostValue(void* self, int32_t pos, int32_t pin, int32_t size, const void*) {
    static_cast<RawHost*>(self)->log.push_back(call("value", pos, pin, size));
    return 0;
}
int32_t MP_STDCALL rawPostStreaming(void* self, int32_t pos, int32_t pin, int32_t flag) {
    static_cast<RawHost*>(self)->log.push_back(call("streaming", pos, pin, flag));
    return 0;
}
int32_t MP_STDCALL rawSleep(void* self) {
    static_cast<RawHost*>(self)->log.push_back("sleep");
    return 0;
}
int32_t MP_STDCALL rawSlot6(void* self) {
    static_cast<RawHost*>(self)->log.push_back("slot6");
    return 0;
}
int32_t MP_STDCALL rawBlockSize(void* self, int32_t* out) {
    *out = static_cast<RawHost*>(self)->blockSize;
    return 0;
}

void* rawHostTable[8] = {
    reinterpret_cast<void*>(rawQuery),         reinterpret_cast<void*>(rawAddRef),
    reinterpret_cast<void*>(rawRelease),       reinterpret_cast<void*>(rawPostValue),
    reinterpret_cast<void*>(rawPostStreaming), reinterpret_cast<void*>(rawSleep),
    reinterpret_cast<void*>(rawSlot6),         reinterpret_cast<void*>(rawBlockSize)};

Trace abiTrace;
gmpi::IMpUnknown* createForAbi(gmpi::IMpUnknown* hostObject) {
    return static_cast<gmpi::IMpPlugin*>(new TraceModule(hostObject, abiTrace));
}

TEST(Abi, FactorySlots) {
    void* factory = nullptr;
    ASSERT_EQ(MP_GetFactory(&factory), mpOk);
    void* out = nullptr;
    EXPECT_EQ(slot<QueryFn>(factory, 0)(factory, &gmpi::MP_IID_FACTORY, &out), mpOk);
    EXPECT_EQ(out, factory);
    EXPECT_EQ(slot<CountFn>(factory, 1)(factory), 16);
    EXPECT_EQ(slot<CountFn>(factory, 2)(factory), 1);
    int32_t version = 0;
    char16_t text[32];
    EXPECT_EQ(slot<DescribeFn>(factory, 4)(factory, &version, 32, text), mpOk);
    EXPECT_EQ(version, 30000);
    EXPECT_EQ(std::u16string(text), u"MS Compiler V1500");
}

TEST(Abi, ModuleSlotsAndHostSlots) {
    factoryInstance()->registerModule(u"Abi Module")->createProcessor = createForAbi;
    void* factory = nullptr;
    ASSERT_EQ(MP_GetFactory(&factory), mpOk);

    RawHost host;
    host.table = rawHostTable;
    void* module = nullptr;
    ASSERT_EQ(slot<CreateFn>(factory, 3)(factory, u"Abi Module", 0, &host, &module), mpOk);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(host.refs, 2);

    void* again = nullptr;
    EXPECT_EQ(slot<QueryFn>(module, 0)(module, &gmpi::MP_IID_PLUGIN, &again), mpOk);
    EXPECT_EQ(again, module);
    EXPECT_EQ(slot<CountFn>(module, 1)(module), 3);
    EXPECT_EQ(slot<CountFn>(module, 2)(module), 2);
    EXPECT_EQ(slot<CountFn>(module, 2)(module), 1);

    float samples[32] = {};
    EXPECT_EQ(slot<AssignFn>(module, 4)(module, 1, samples), mpOk);
    EXPECT_EQ(slot<ActivateFn>(module, 3)(module), mpOk);
    EXPECT_EQ(slot<MessageFn>(module, 6)(module, 1, 2, 3), mpOk);

    MpTimedEvent events[2] = {};
    events[0] = {0, evInitialUpdate, 0, 0, {}, nullptr, &events[1]};
    const float value = 0.5f;
    events[1] = {8, evPinValue, 0, 4, {}, &value, nullptr};
    abiTrace.clear();
    slot<ProcessFn>(module, 5)(module, 32, events);
    const std::vector<std::string> expectedHost = {"streaming(0,1,1)", "streaming(8,1,0)"};
    EXPECT_EQ(host.log, expectedHost);
    slot<ProcessFn>(module, 5)(module, 32, nullptr);
    EXPECT_EQ(host.log.back(), "sleep") << "the block size came from slot 7";

    EXPECT_EQ(slot<CountFn>(module, 2)(module), 0);
    EXPECT_EQ(host.refs, 1);
    EXPECT_EQ(std::count(host.log.begin(), host.log.end(), "AddRef"), 0);
}

} // namespace
