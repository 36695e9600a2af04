// parseDescription on small texts: what it keeps and what it refuses. The
// same cases run against every platform's XML reader.
#include "Description.h"
#include "HostError.h"
#include "XmlTree.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

using mphost::HostError;
using mphost::LibraryDescription;
using mphost::parseDescription;

TEST(DescriptionParse, KeepsPluginsAndPinsAndSkipsTheRest) {
    const LibraryDescription description = parseDescription(
        "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
        "<!-- a comment --><PluginList>\r\n"
        "  <Other id=\"ignored\"/>\r\n"
        "  <Plugin id=\"A &amp; B\" name=\"Gr\xC3\xBCn &#x263A;\" category=\"x&lt;y\">"
        "<GUI/><Audio><Pin id=\"-3\" name=\"p\" direction=\"in\" datatype=\"float\"/>"
        "<!-- between --><Note/>"
        "<Pin id=\"7\" direction=\"out\" datatype=\"float\" rate=\"audio\"></Pin></Audio>"
        "<Audio><Pin id=\"9\"/></Audio></Plugin>\r\n"
        "  <Plugin id=\"Bare\"/>\r\n"
        "</PluginList>\r\n");
    ASSERT_EQ(description.modules.size(), 2u);
    const auto& first = description.modules[0];
    EXPECT_EQ(first.id, "A & B");
    EXPECT_EQ(first.name, "Gr\xC3\xBCn \xE2\x98\xBA");
    EXPECT_EQ(first.category, "x<y");
    // Only the first Audio element's Pin children count, in document order.
    ASSERT_EQ(first.pins.size(), 2u);
    EXPECT_EQ(first.pins[0].id, -3);
    EXPECT_EQ(first.pins[0].name, "p");
    EXPECT_TRUE(first.pins[0].isInput());
    EXPECT_EQ(first.pins[0].rateText(), "control");
    EXPECT_EQ(first.pins[1].id, 7);
    EXPECT_EQ(first.pins[1].name, "");
    EXPECT_TRUE(first.pins[1].isOutput());
    EXPECT_TRUE(first.pins[1].isAudio());
    EXPECT_EQ(description.modules[1].id, "Bare");
    EXPECT_TRUE(description.modules[1].pins.empty());
}

struct BadText {
    const char* label;
    std::string xml;
    const char* message;
};

void PrintTo(const BadText& text, std::ostream* out) {
    *out << text.label;
}

std::string nested(int levels) {
    std::string text = "<PluginList>";
    for (int i = 1; i < levels; ++i) {
        text += "<a>";
    }
    for (int i = 1; i < levels; ++i) {
        text += "</a>";
    }
    return text + "</PluginList>";
}

class DescriptionParseRefuses : public testing::TestWithParam<BadText> {};

TEST_P(DescriptionParseRefuses, WithAMessage) {
    try {
        parseDescription(GetParam().xml);
        FAIL() << "parsed without an error";
    } catch (const HostError& error) {
        EXPECT_NE(std::string(error.what()).find(GetParam().message), std::string::npos)
            << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, DescriptionParseRefuses,
    testing::Values(
        BadText{"Empty", "", "the description is not well-formed XML"},
        BadText{"NoElement", "<?xml version=\"1.0\"?><!-- only this -->",
                "the description is not well-formed XML"},
        BadText{"Unclosed", "<PluginList><Plugin id=\"a\"></PluginList>",
                "the description is not well-formed XML"},
        BadText{"Truncated", "<PluginList><Plugin id=\"a\">",
                "the description is not well-formed XML"},
        BadText{"RootNeverClosed", "<PluginList><Plugin id=\"a\"></Plugin>",
                "the description is not well-formed XML"},
        BadText{"TwoRoots", "<PluginList/><PluginList/>", "the description is not well-formed XML"},
        BadText{"BadAttribute", "<PluginList><Plugin id=a/></PluginList>",
                "the description is not well-formed XML"},
        BadText{"WrongRoot", "<Plugins><Plugin id=\"a\"/></Plugins>",
                "root element is <Plugins>, not <PluginList>"},
        BadText{"PluginWithoutId", "<PluginList><Plugin name=\"n\"/></PluginList>",
                "a Plugin without an id"},
        BadText{"PinWithoutId",
                "<PluginList><Plugin id=\"m\"><Audio><Pin/></Audio></Plugin></PluginList>",
                "id \"\" is not a whole number"},
        BadText{
            "PinIdNotANumber",
            "<PluginList><Plugin id=\"m\"><Audio><Pin id=\"1.5\"/></Audio></Plugin></PluginList>",
            "id \"1.5\" is not a whole number"},
        BadText{"PinIdTooLarge",
                "<PluginList><Plugin id=\"m\"><Audio><Pin id=\"2147483648\"/></Audio></Plugin>"
                "</PluginList>",
                "id \"2147483648\" is not a whole number"},
        BadText{"TooDeep", nested(mphost::maxXmlDepth + 1), "nests elements deeper than"}),
    [](const testing::TestParamInfo<BadText>& info) { return std::string(info.param.label); });

TEST(DescriptionParse, AcceptsTheDeepestNesting) {
    EXPECT_TRUE(parseDescription(nested(mphost::maxXmlDepth)).modules.empty());
}

} // namespace
