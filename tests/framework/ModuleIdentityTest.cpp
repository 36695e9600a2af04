// Identity, counting and the host reference of a module instance.
#include "MpResult.h"
#include "TraceModule.h"

#include <gtest/gtest.h>

namespace {

using namespace fwtest;

MpGuid withLastByte(MpGuid g, uint8_t b) {
    g.data4[7] = b;
    return g;
}

TEST(ModuleIdentity, QueryInterfaceAcceptsOnlyItsTwoIdentifiers) {
    Trace trace;
    TraceHost host(trace);
    auto* module = new TraceModule(&host, trace);
    EXPECT_EQ(module->count(), 0);
    EXPECT_EQ(module->AddRef(), 1);

    void* asUnknown = nullptr;
    void* asPlugin = nullptr;
    EXPECT_EQ(module->QueryInterface(gmpi::MP_IID_UNKNOWN, &asUnknown), mpOk);
    EXPECT_EQ(module->QueryInterface(gmpi::MP_IID_PLUGIN, &asPlugin), mpOk);
    EXPECT_EQ(asUnknown, static_cast<void*>(static_cast<gmpi::IMpPlugin*>(module)));
    EXPECT_EQ(asUnknown, asPlugin);
    EXPECT_EQ(module->count(), 3);

    const MpGuid refused[] = {gmpi::MP_IID_FACTORY, MP_IID_MODULE_HOST,
                              withLastByte(gmpi::MP_IID_PLUGIN, 0xE5),
                              withLastByte(gmpi::MP_IID_UNKNOWN, 0x00)};
    for (const MpGuid& iid : refused) {
        void* out = reinterpret_cast<void*>(0x1);
        EXPECT_EQ(module->QueryInterface(iid, &out), mpUnsupported);
        EXPECT_EQ(out, nullptr);
    }
    EXPECT_EQ(module->count(), 3);
    EXPECT_EQ(module->QueryInterface(gmpi::MP_IID_UNKNOWN, nullptr), mpFailed);

    EXPECT_EQ(module->Release(), 2);
    EXPECT_EQ(module->Release(), 1);
    EXPECT_EQ(host.releaseCalls, 0);
    EXPECT_EQ(module->Release(), 0);
    EXPECT_EQ(host.servicesQueries, 1);
    EXPECT_EQ(host.releaseCalls, 1);
    EXPECT_EQ(host.addRefCalls, 0) << "the library never adds to the host's count";
    EXPECT_EQ(host.refCount, 1);
}

TEST(ModuleIdentity, BaseOperationsChangeNothing) {
    Trace trace;
    TraceHost host(trace);
    auto* module = new TraceModule(&host, trace);
    module->AddRef();
    MpBase* base = module;
    EXPECT_EQ(base->MpBase::activate(), mpOk);
    EXPECT_EQ(base->acceptMessage(1, 2, 3), mpOk);
    base->pinMessageHook(0, nullptr, 0);
    module->processBlock(64, nullptr);
    EXPECT_EQ(trace, Trace{"requestSleep"}) << "before activate a full block renders nothing";
    EXPECT_EQ(module->rendered, 0);
    module->Release();
}

} // namespace
