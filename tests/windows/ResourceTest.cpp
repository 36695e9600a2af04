// The resources of Quorvale.dll as the Windows resource API sees them: the
// description under "GMPXML"/1 in language 5129 and the manifest under
// RT_MANIFEST/2 in language 1033, each equal to its source file.
#include "LoadedLibrary.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <string_view>
#include <vector>
#include <windows.h>

// The source files' bytes, built into this program.
extern "C" const char expectedXml[] __asm__("quorvaleExpectedXml");
extern "C" const char expectedXmlEnd[] __asm__("quorvaleExpectedXmlEnd");
extern "C" const char expectedManifest[] __asm__("quorvaleExpectedManifest");
extern "C" const char expectedManifestEnd[] __asm__("quorvaleExpectedManifestEnd");
// COFF has no section stack: the asm returns to .text, where the compiler
// stands at top level.
__asm__(".section .rdata,\"dr\"\n"
        "quorvaleExpectedXml:\n"
        ".incbin \"" QUORVALE_XML_FILE "\"\n"
        "quorvaleExpectedXmlEnd:\n"
        "quorvaleExpectedManifest:\n"
        ".incbin \"" QUORVALE_MANIFEST_FILE "\"\n"
        "quorvaleExpectedManifestEnd:\n"
        ".text\n");

namespace {

constexpr WORD languageNewZealand = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_NZ);
constexpr WORD languageUnitedStates = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
const wchar_t* const manifestType = MAKEINTRESOURCEW(24); // RT_MANIFEST

class Resources : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(library.loaded()) << library.error(); }
    HMODULE module() const { return static_cast<HMODULE>(library.nativeHandle()); }

    // The bytes of one resource, found in the given language; empty if absent.
    std::string_view read(const wchar_t* type, const wchar_t* name, WORD language) const {
        HRSRC found = FindResourceExW(module(), type, name, language);
        if (found == nullptr) {
            return {};
        }
        HGLOBAL loaded = LoadResource(module(), found);
        const DWORD size = SizeofResource(module(), found);
        const void* bytes = loaded == nullptr ? nullptr : LockResource(loaded);
        if (bytes == nullptr) {
            return {};
        }
        return {static_cast<const char*>(bytes), size};
    }

    LoadedLibrary library{QUORVALE_LIBRARY};
};

BOOL CALLBACK collectType(HMODULE, LPWSTR type, LONG_PTR into) {
    auto* types = reinterpret_cast<std::vector<std::wstring>*>(into);
    types->push_back(IS_INTRESOURCE(type)
                         ? L"#" + std::to_wstring(reinterpret_cast<ULONG_PTR>(type))
                         : std::wstring(type));
    return TRUE;
}

BOOL CALLBACK collectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR into) {
    reinterpret_cast<std::vector<WORD>*>(into)->push_back(language);
    return TRUE;
}

TEST_F(Resources, DescriptionIsTheFileByteForByte) {
    const std::string_view expected(expectedXml, expectedXmlEnd - expectedXml);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(read(L"GMPXML", MAKEINTRESOURCEW(1), languageNewZealand), expected);

    // Found the way a host asks for it, without naming a language.
    HRSRC found = FindResourceW(module(), MAKEINTRESOURCEW(1), L"GMPXML");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(SizeofResource(module(), found), expected.size());
    EXPECT_EQ(
        std::memcmp(LockResource(LoadResource(module(), found)), expected.data(), expected.size()),
        0);
}

TEST_F(Resources, ManifestIsTheFileByteForByte) {
    const std::string_view expected(expectedManifest, expectedManifestEnd - expectedManifest);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(read(manifestType, MAKEINTRESOURCEW(2), languageUnitedStates), expected);
}

TEST_F(Resources, TypesAndLanguagesAreExactlyTheseTwo) {
    std::vector<std::wstring> types;
    ASSERT_TRUE(EnumResourceTypesW(module(), collectType, reinterpret_cast<LONG_PTR>(&types)));
    EXPECT_EQ(types, (std::vector<std::wstring>{L"GMPXML", L"#24"}));

    std::vector<WORD> description;
    EnumResourceLanguagesW(module(), L"GMPXML", MAKEINTRESOURCEW(1), collectLanguage,
                           reinterpret_cast<LONG_PTR>(&description));
    EXPECT_EQ(description, (std::vector<WORD>{5129}));

    std::vector<WORD> manifest;
    EnumResourceLanguagesW(module(), manifestType, MAKEINTRESOURCEW(2), collectLanguage,
                           reinterpret_cast<LONG_PTR>(&manifest));
    EXPECT_EQ(manifest, (std::vector<WORD>{1033}));
}

TEST_F(Resources, NoDescriptionUnderOtherIds) {
    EXPECT_EQ(FindResourceW(module(), MAKEINTRESOURCEW(2), L"GMPXML"), nullptr);
    EXPECT_EQ(FindResourceW(module(), MAKEINTRESOURCEW(1), L"GMPXMLX"), nullptr);
}

} // namespace
