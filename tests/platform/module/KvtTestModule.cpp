// A stand-in for a sibling library of the station software, loaded by the tests at run time.
extern "C" int KvtTestModuleAnswer() {
    return 42;
}
