// The resource section of the Windows library: the module description under
// the named type "GMPXML", id 1, language 5129 (English, New Zealand), code
// page 1252, holding Quorvale.xml byte for byte; and the manifest under type 24
// (RT_MANIFEST), id 2, language 1033 (English, United States), asking for
// asInvoker without uiAccess. The loader and the host read them; no code of the
// library does.
//
// The section is laid out here rather than by a resource compiler because the
// code page recorded in a resource's data entry is part of the entry the host
// sees, and the binutils resource compiler always records 0 there.
//
// Layout: a three-level directory tree (type, id, language) in the order the
// loader searches it (named entries first, then ids ascending), then the two
// data entries, the type name, and the data. Offsets inside the tree are from
// the start of the section; high bit set = offset of a subdirectory or name.
#if defined(_WIN32)

// COFF has no section stack: the asm returns to .text, where the compiler
// stands at top level.
// A directory header is: characteristics, time stamp (.long 0, 0), major and
// minor version, number of named entries, number of id entries (.short).
__asm__(".section .rsrc,\"dr\"\n"
        ".balign 4\n"
        "quorvaleRsrcRoot:\n"
        ".long 0, 0\n"
        ".short 0, 0, 1, 1\n"
        ".long 0x80000000 + (quorvaleRsrcTypeName - quorvaleRsrcRoot)\n"
        ".long 0x80000000 + (quorvaleRsrcDescriptionIds - quorvaleRsrcRoot)\n"
        ".long 24\n"
        ".long 0x80000000 + (quorvaleRsrcManifestIds - quorvaleRsrcRoot)\n"

        "quorvaleRsrcDescriptionIds:\n"
        ".long 0, 0\n"
        ".short 0, 0, 0, 1\n"
        ".long 1\n"
        ".long 0x80000000 + (quorvaleRsrcDescriptionLanguages - quorvaleRsrcRoot)\n"
        "quorvaleRsrcDescriptionLanguages:\n"
        ".long 0, 0\n"
        ".short 0, 0, 0, 1\n"
        ".long 5129\n"
        ".long quorvaleRsrcDescriptionEntry - quorvaleRsrcRoot\n"

        "quorvaleRsrcManifestIds:\n"
        ".long 0, 0\n"
        ".short 0, 0, 0, 1\n"
        ".long 2\n"
        ".long 0x80000000 + (quorvaleRsrcManifestLanguages - quorvaleRsrcRoot)\n"
        "quorvaleRsrcManifestLanguages:\n"
        ".long 0, 0\n"
        ".short 0, 0, 0, 1\n"
        ".long 1033\n"
        ".long quorvaleRsrcManifestEntry - quorvaleRsrcRoot\n"

        // Data entries: address of the data relative to the image base, size,
        // code page, reserved.
        "quorvaleRsrcDescriptionEntry:\n"
        ".rva quorvaleRsrcDescription\n"
        ".long quorvaleRsrcDescriptionEnd - quorvaleRsrcDescription\n"
        ".long 1252, 0\n"
        "quorvaleRsrcManifestEntry:\n"
        ".rva quorvaleRsrcManifest\n"
        ".long quorvaleRsrcManifestEnd - quorvaleRsrcManifest\n"
        ".long 0, 0\n"

        // The type name: a length, then UTF-16 code units.
        "quorvaleRsrcTypeName:\n"
        ".short 6, 'G', 'M', 'P', 'X', 'M', 'L'\n"

        ".balign 8\n"
        "quorvaleRsrcDescription:\n"
        ".incbin \"" QUORVALE_XML_PATH "\"\n"
        "quorvaleRsrcDescriptionEnd:\n"
        ".balign 8\n"
        "quorvaleRsrcManifest:\n"
        ".incbin \"" QUORVALE_MANIFEST_PATH "\"\n"
        "quorvaleRsrcManifestEnd:\n"
        ".balign 4\n"
        ".text\n");

#endif
