// The description file agrees with what the code registers.
#include "MpFactory.h"
#include "MpPin.h"
#include "MpResult.h"
#include "Quorvale.h"
#include "RecordingHost.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <fstream>
#include <iterator>
#include <map>
#include <string>

namespace {

std::string readFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::u16string widen(const std::string& ascii) {
    return {ascii.begin(), ascii.end()};
}

// Reads the pins a module registered: direction and datatype code by pin id.
class PinReader : public Quorvale {
public:
    using Quorvale::Quorvale;
    std::map<int32_t, std::pair<int32_t, int32_t>> pins() const {
        std::map<int32_t, std::pair<int32_t, int32_t>> result;
        for (const auto& [id, pin] : pinsById) {
            result[id] = {pin->directionCode(), pin->datatypeCode()};
        }
        return result;
    }
};

TEST(Description, BytesAreTheCarriedForm) {
    const std::string text = readFile(QUORVALE_XML_FILE);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n", 0), 0u) << "no BOM";
    EXPECT_TRUE(text.ends_with("</PluginList>")) << "no line end after the last line";
    std::size_t lines = 1;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            ASSERT_GT(i, 0u);
            EXPECT_EQ(text[i - 1], '\r') << "CR LF line ends only";
            ++lines;
        }
        EXPECT_LT(static_cast<unsigned char>(text[i]), 0x80) << "ASCII only";
    }
    EXPECT_EQ(lines, 9u);
}

TEST(Description, AgreesWithTheRegisteredModule) {
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed = doc.load_file(QUORVALE_XML_FILE);
    ASSERT_TRUE(parsed) << parsed.description();

    const auto plugins = doc.child("PluginList").children("Plugin");
    ASSERT_EQ(std::distance(plugins.begin(), plugins.end()), 1);
    const pugi::xml_node plugin = *plugins.begin();
    const std::u16string id = widen(plugin.attribute("id").value());
    EXPECT_EQ(id, quorvaleModuleId);

    testkit::RecordingHost host;
    void* out = nullptr;
    ASSERT_EQ(factoryInstance()->createModule(id.c_str(), 0, &host, &out), mpOk);
    static_cast<gmpi::IMpPlugin*>(out)->Release();

    PinReader reader(&host);
    auto registered = reader.pins();
    for (const pugi::xml_node pin : plugin.child("Audio").children("Pin")) {
        const int32_t pinId = pin.attribute("id").as_int(-1);
        SCOPED_TRACE("pin " + std::to_string(pinId));
        auto found = registered.find(pinId);
        ASSERT_NE(found, registered.end()) << "described pin is not registered";
        const std::string direction = pin.attribute("direction").value();
        EXPECT_EQ(found->second.first, direction == "in" ? mpInput : mpOutput);
        EXPECT_TRUE(direction == "in" || direction == "out");
        EXPECT_STREQ(pin.attribute("datatype").value(), "float");
        const bool audio = std::string(pin.attribute("rate").value()) == "audio";
        EXPECT_EQ(found->second.second, audio ? mpAudioData : mpFloatControlData);
        registered.erase(found);
    }
    EXPECT_TRUE(registered.empty()) << "registered pins missing from the description";
}

} // namespace
