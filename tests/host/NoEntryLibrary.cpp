// A loadable library that lacks MP_GetFactory.
extern "C" __attribute__((visibility("default"))) int notTheEntry() {
    return 7;
}
