#include "CheckSupport.h"

#include "HostError.h"

#include <cstring>

namespace mpvalidate {

LoadedLibrary loadLibrary(const CheckContext& context) {
    LoadedLibrary loaded;
    try {
        loaded.library = std::make_unique<mphost::ModuleLibrary>(context.library);
        loaded.factory = loaded.library->factory();
    } catch (const mphost::HostError& error) {
        throw CheckFailure(error.what());
    }
    return loaded;
}

MpGuid alteredGuid(MpGuid guid, int byteIndex) {
    unsigned char bytes[sizeof guid];
    std::memcpy(bytes, &guid, sizeof guid);
    bytes[byteIndex] ^= 0x01;
    std::memcpy(&guid, bytes, sizeof guid);
    return guid;
}

std::string quoted(const ModuleInfo& module) {
    return "\"" + module.id + "\"";
}

bool noModules(const CheckContext& context, CheckResult& result) {
    if (!context.modules.empty()) {
        return false;
    }
    result = {Status::Skip, context.descriptionProblem.empty()
                                ? "the description lists no module kind to test"
                                : "no module kind to test: the description could not be read"};
    return true;
}

} // namespace mpvalidate
