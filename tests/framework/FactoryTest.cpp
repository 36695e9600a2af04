#include "MpEntry.h"
#include "MpFactory.h"
#include "MpResult.h"
#include "RecordingHost.h"
#include "TraceModule.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

using fwtest::Trace;
using fwtest::TraceModule;

Trace sharedTrace;

gmpi::IMpUnknown* createTraceModule(gmpi::IMpUnknown* hostObject) {
    return static_cast<gmpi::IMpPlugin*>(new TraceModule(hostObject, sharedTrace));
}

gmpi::IMpUnknown* createThrowing(gmpi::IMpUnknown*) {
    throw std::runtime_error("no");
}

gmpi::IMpUnknown* createThrowingInt(gmpi::IMpUnknown*) {
    throw 42;
}

// A module whose own constructor fails after the base obtained the host.
class FailsAfterBase : public MpBase {
public:
    explicit FailsAfterBase(gmpi::IMpUnknown* host) : MpBase(host) { throw std::bad_alloc(); }
};

gmpi::IMpUnknown* createFailsAfterBase(gmpi::IMpUnknown* hostObject) {
    return static_cast<gmpi::IMpPlugin*>(new FailsAfterBase(hostObject));
}

void* const garbage = reinterpret_cast<void*>(0x1234);

MpGuid withLastByte(MpGuid g, uint8_t b) {
    g.data4[7] = b;
    return g;
}

TEST(Factory, IdentityQueries) {
    MpFactory factory;
    struct Row {
        const char* name;
        MpGuid iid;
        int32_t result;
    };
    const Row rows[] = {
        {"unknown", gmpi::MP_IID_UNKNOWN, mpOk},
        {"factory", gmpi::MP_IID_FACTORY, mpOk},
        {"plugin", gmpi::MP_IID_PLUGIN, mpUnsupported},
        {"module host", MP_IID_MODULE_HOST, mpUnsupported},
        {"factory, last byte changed", withLastByte(gmpi::MP_IID_FACTORY, 0x39), mpUnsupported},
        {"unknown, last byte changed", withLastByte(gmpi::MP_IID_UNKNOWN, 0x47), mpUnsupported},
    };
    for (const Row& row : rows) {
        void* out = garbage;
        EXPECT_EQ(factory.QueryInterface(row.iid, &out), row.result) << row.name;
        EXPECT_EQ(out, row.result == mpOk
                           ? static_cast<void*>(static_cast<gmpi::IMpFactory*>(&factory))
                           : nullptr)
            << row.name;
    }
}

TEST(Factory, CountsAreFixedAndReleaseNeverDestroys) {
    MpFactory factory;
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(factory.AddRef(), 16);
        EXPECT_EQ(factory.Release(), 1);
        EXPECT_EQ(factory.Release(), 1);
    }
    int32_t version = 0;
    EXPECT_EQ(factory.describeSdk(&version, 0, nullptr), mpOk);
    EXPECT_EQ(version, 30000);
}

TEST(Factory, DescribeSdkTruncates) {
    MpFactory factory;
    struct Row {
        int32_t capacity;
        std::u16string expected;
    };
    const Row rows[] = {
        {40, u"MS Compiler V1500"},
        {18, u"MS Compiler V1500"},
        {17, u"MS Compiler V150"},
        {2, u"M"},
        {1, u""},
    };
    for (const Row& row : rows) {
        char16_t text[40];
        std::fill(std::begin(text), std::end(text), u'#');
        int32_t version = 0;
        EXPECT_EQ(factory.describeSdk(&version, row.capacity, text), mpOk);
        EXPECT_EQ(version, 30000);
        EXPECT_EQ(std::u16string(text), row.expected) << "capacity " << row.capacity;
        const std::size_t written = row.expected.size() + 1;
        for (std::size_t i = written; i < 40; ++i) {
            ASSERT_EQ(text[i], u'#') << "capacity " << row.capacity << " wrote past the text";
        }
    }
    // No buffer, or no room: the version is still written and nothing else.
    char16_t untouched[2] = {u'#', u'#'};
    for (int32_t capacity : {0, -1, -1000}) {
        int32_t version = 0;
        EXPECT_EQ(factory.describeSdk(&version, capacity, untouched), mpOk);
        EXPECT_EQ(version, 30000);
        EXPECT_EQ(untouched[0], u'#');
    }
    int32_t version = 0;
    EXPECT_EQ(factory.describeSdk(&version, 18, nullptr), mpOk);
    EXPECT_EQ(version, 30000);
}

TEST(Factory, CreateModuleLooksUpIdAndKind) {
    MpFactory factory;
    MpRegistration* record = factory.registerModule(u"Test Module");
    record->createProcessor = createTraceModule;
    testkit::RecordingHost host;

    struct Row {
        const char16_t* id;
        int32_t kind;
        int32_t result;
    };
    const Row rows[] = {
        {u"Test Module", 0, mpOk},
        {u"Test Module", 1, mpUnsupported}, // no companion routine
        {u"Test Module", 2, mpUnsupported},
        {u"Test Module", -1, mpUnsupported},
        {u"test module", 0, mpUnsupported},
        {u"TEST MODULE", 0, mpUnsupported},
        {u"Test Module ", 0, mpUnsupported},
        {u"Test Modules", 0, mpUnsupported},
        {u"Test Modul", 0, mpUnsupported},
        {u"", 0, mpUnsupported},
        {nullptr, 0, mpUnsupported},
    };
    for (const Row& row : rows) {
        void* out = garbage;
        const std::string id =
            row.id ? std::string(row.id, row.id + std::char_traits<char16_t>::length(row.id))
                   : "(null)";
        EXPECT_EQ(factory.createModule(row.id, row.kind, &host, &out), row.result)
            << id << " kind " << row.kind;
        if (row.result == mpOk) {
            ASSERT_NE(out, nullptr);
            auto* module = static_cast<gmpi::IMpPlugin*>(out);
            EXPECT_EQ(static_cast<TraceModule*>(module)->count(), 1);
            EXPECT_EQ(module->Release(), 0);
        } else {
            EXPECT_EQ(out, nullptr) << id << " kind " << row.kind;
        }
    }
    EXPECT_EQ(host.refCount, 1) << "every instance gave its host reference back";
}

TEST(Factory, CreateModuleReportsThrowingRoutines) {
    MpFactory factory;
    factory.registerModule(u"Throws")->createProcessor = createThrowing;
    factory.registerModule(u"Throws int")->createProcessor = createThrowingInt;
    testkit::RecordingHost host;
    for (const char16_t* id : {u"Throws", u"Throws int"}) {
        void* out = garbage;
        EXPECT_EQ(factory.createModule(id, 0, &host, &out), mpFailed);
        EXPECT_EQ(out, nullptr);
    }
}

TEST(Factory, HalfBuiltInstanceGivesTheHostBack) {
    MpFactory factory;
    factory.registerModule(u"Half")->createProcessor = createFailsAfterBase;
    testkit::RecordingHost host;
    void* out = garbage;
    EXPECT_EQ(factory.createModule(u"Half", 0, &host, &out), mpFailed);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(host.servicesQueries, 1);
    EXPECT_EQ(host.releaseCalls, 1);
    EXPECT_EQ(host.refCount, 1);
}

TEST(Factory, HostWithoutServicesFailsCreation) {
    MpFactory factory;
    factory.registerModule(u"Test Module")->createProcessor = createTraceModule;
    testkit::RecordingHost host;
    host.offerServices = false;
    void* out = garbage;
    EXPECT_EQ(factory.createModule(u"Test Module", 0, &host, &out), mpFailed);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(factory.createModule(u"Test Module", 0, nullptr, &out), mpFailed);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(host.refCount, 1);
    EXPECT_EQ(host.releaseCalls, 0);
}

TEST(Factory, NullOutIsRefused) {
    MpFactory factory;
    factory.registerModule(u"Test Module")->createProcessor = createTraceModule;
    testkit::RecordingHost host;
    EXPECT_EQ(factory.createModule(u"Test Module", 0, &host, nullptr), mpFailed);
    EXPECT_EQ(factory.QueryInterface(gmpi::MP_IID_UNKNOWN, nullptr), mpFailed);
    EXPECT_EQ(host.refCount, 1);
}

TEST(Registry, RegisterModuleFindsOrAdds) {
    MpFactory factory;
    MpRegistration* first = factory.registerModule(u"Kind");
    EXPECT_EQ(first->moduleId, u"Kind");
    EXPECT_EQ(first->createProcessor, nullptr);
    EXPECT_EQ(first->createCompanion, nullptr);

    testkit::RecordingHost host;
    void* out = garbage;
    EXPECT_EQ(factory.createModule(u"Kind", 0, &host, &out), mpUnsupported)
        << "a new record has no routines";
    EXPECT_EQ(out, nullptr);

    first->createProcessor = createTraceModule;
    MpRegistration* again = factory.registerModule(u"Kind");
    EXPECT_EQ(again, first);
    EXPECT_EQ(again->createProcessor, createTraceModule) << "re-registration keeps routines";
    EXPECT_EQ(factory.registeredModules().size(), 1u);
}

TEST(Registry, IdsDifferingInCaseOrLengthAreDistinct) {
    MpFactory factory;
    const char16_t* ids[] = {u"kind", u"Kind", u"Kin", u"Kind2", u"\xFFFF", u"\x0100"};
    for (const char16_t* id : ids) {
        factory.registerModule(id);
    }
    ASSERT_EQ(factory.registeredModules().size(), 6u);
    // Ordered code unit by code unit as unsigned numbers, a prefix first.
    std::vector<std::u16string> keys;
    for (const auto& [key, record] : factory.registeredModules()) {
        keys.push_back(key);
        EXPECT_EQ(record->moduleId, key);
    }
    const std::vector<std::u16string> expected = {u"Kin",  u"Kind",   u"Kind2",
                                                  u"kind", u"\x0100", u"\xFFFF"};
    EXPECT_EQ(keys, expected);
}

TEST(Entry, LoadTimeRegistrationFillsTheSharedFactory) {
    // A registration whose routine set-up succeeds lands in the shared factory.
    MpLoadTimeRegistration registration(u"Late Kind", createTraceModule);
    const MpRegistration* found = factoryInstance()->findModule(u"Late Kind");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->createProcessor, createTraceModule);
    EXPECT_EQ(found->createCompanion, nullptr);
}

TEST(Entry, GetFactoryHandsOutTheOneFactory) {
    void* first = garbage;
    void* second = garbage;
    EXPECT_EQ(MP_GetFactory(&first), mpOk);
    EXPECT_EQ(MP_GetFactory(&second), mpOk);
    EXPECT_EQ(first, second);
    EXPECT_EQ(first, static_cast<gmpi::IMpFactory*>(factoryInstance()));
    EXPECT_EQ(MP_GetFactory(nullptr), mpFailed);
}

} // namespace
