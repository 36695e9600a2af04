// Loads a module library the way the host does and shows what Quorvale makes
// of a handful of times: the output value, the volts and the bit pattern.
#include "IMpFactory.h"
#include "IMpPlugin.h"
#include "MpEntry.h"
#include "MpResult.h"
#include "RecordingHost.h"

#include <pugixml.hpp>

#include <bit>
#include <cstdio>
#include <dlfcn.h>
#include <string>
#include <vector>

namespace {

std::string narrow(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) {
        out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    }
    return out;
}

// Runs one instance with the time on its input from sample 0; returns sample 0.
bool convert(gmpi::IMpFactory* factory, const std::u16string& id, float seconds, float& result) {
    constexpr int32_t block = 64;
    testkit::RecordingHost host(block);
    void* out = nullptr;
    if (factory->createModule(id.c_str(), 0, &host, &out) != mpOk) {
        return false;
    }
    auto* module = static_cast<gmpi::IMpPlugin*>(out);
    std::vector<float> samples(block, 0.0f);
    module->assignBuffer(1, samples.data());
    module->activate();
    MpTimedEvent events[2] = {};
    events[0] = {0, evInitialUpdate, 0, 0, {}, nullptr, &events[1]};
    events[1] = {0, evPinValue, 0, sizeof(float), {}, &seconds, nullptr};
    module->processBlock(block, events);
    module->Release();
    result = samples[0];
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s LIBRARY DESCRIPTION.xml\n", argv[0]);
        return 2;
    }
    void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        std::fprintf(stderr, "cannot load %s: %s\n", argv[1], dlerror());
        return 1;
    }
    auto entry = reinterpret_cast<MpGetFactoryFunction>(dlsym(library, "MP_GetFactory"));
    if (entry == nullptr) {
        std::fprintf(stderr, "%s has no MP_GetFactory\n", argv[1]);
        return 1;
    }
    void* out = nullptr;
    if (entry(&out) != mpOk || out == nullptr) {
        std::fprintf(stderr, "MP_GetFactory failed\n");
        return 1;
    }
    auto* factory = static_cast<gmpi::IMpFactory*>(out);
    int32_t version = 0;
    char16_t text[64] = {};
    factory->describeSdk(&version, 64, text);
    std::printf("SDK version %d, \"%s\"\n", version, narrow(text).c_str());

    pugi::xml_document description;
    if (!description.load_file(argv[2])) {
        std::fprintf(stderr, "cannot read the description %s\n", argv[2]);
        return 1;
    }
    int status = 0;
    for (const pugi::xml_node plugin : description.child("PluginList").children("Plugin")) {
        const std::string idText = plugin.attribute("id").value();
        const std::u16string id(idText.begin(), idText.end());
        std::printf("\nmodule \"%s\" (%s, category %s)\n", idText.c_str(),
                    plugin.attribute("name").value(), plugin.attribute("category").value());
        std::printf("%12s  %16s  %14s  %10s\n", "time (s)", "output", "volts", "bits");
        for (float seconds : {0.001f, 0.01f, 0.05f, 0.1f, 1.0f, 10.0f, 100.0f}) {
            float value = 0.0f;
            if (!convert(factory, id, seconds, value)) {
                std::fprintf(stderr, "cannot create \"%s\"\n", idText.c_str());
                status = 1;
                break;
            }
            std::printf("%12.9g  %16.9g  %14.9g  0x%08X\n", seconds, value, value * 10.0,
                        std::bit_cast<uint32_t>(value));
        }
    }
    dlclose(library);
    return status;
}
