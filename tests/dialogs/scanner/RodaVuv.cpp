// A stand-in for the card scanner library: it keeps the handler it is given and, on request,
// delivers a code from a thread of its own, as the real scanner does.
#include <cstring>
#include <string>
#include <thread>

extern "C" {
using ScanEventProc = void (*)(const unsigned char* code);

namespace {
ScanEventProc installed = nullptr;
}

__attribute__((visibility("default"))) ScanEventProc SetEventProc(ScanEventProc handler) {
    const ScanEventProc previous = installed;
    installed = handler;
    return previous;
}

// Sends `code` to the installed handler from another thread and returns once it was taken.
__attribute__((visibility("default"))) void RodaVuvScan(const char* code) {
    std::string packet(1, static_cast<char>(std::strlen(code)));
    packet += code;
    std::thread scanner([packet] {
        if (installed != nullptr)
            installed(reinterpret_cast<const unsigned char*>(packet.data()));
    });
    scanner.join();
}
}
