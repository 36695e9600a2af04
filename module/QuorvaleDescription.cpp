// Carries the module description in the library file, in the non-allocated
// section .gmpxml, for the host to read; no code of the library reads it.
#if defined(__ELF__)
__asm__(".pushsection .gmpxml,\"\",@progbits\n"
        ".incbin \"" QUORVALE_XML_PATH "\"\n"
        ".popsection\n");
#endif
