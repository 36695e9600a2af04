// Platform conventions of the host interface: the calling convention of every
// interface operation and of the exported entry, and the export marker.
#pragma once

#if defined(_WIN32) && !defined(_WIN64)
#define MP_STDCALL __stdcall
#else
#define MP_STDCALL
#endif

#if defined(_WIN32)
#define MP_EXPORT
#else
#define MP_EXPORT __attribute__((visibility("default")))
#endif
