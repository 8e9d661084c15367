#pragma once
// The optional card scanner (libRodaVuv.so, "RodaVuv.dll" on the station). While the card report
// asks for a card number, the scanner's codes fill the shift list's card-number edit. The
// library may call back on a thread of its own; the code is handed to the form's thread and the
// callback waits until the form has taken it.
//
// For the scanner library's implementers, its one entry point:
//   extern "C" ScanEventProc SetEventProc(ScanEventProc handler);
// installs `handler` and returns the handler installed before (or nullptr). A handler receives
// one code as a length-prefixed string: the first byte is the length (at most 255), then the
// characters, in code page 1251.
#include <string>

namespace kvt::dialogs {

extern "C" {
using ScanEventProc = void (*)(const unsigned char* code);
using SetEventProcFunc = ScanEventProc (*)(ScanEventProc handler);
}

// Loads the scanner library and installs this module's handler; without the library or its
// entry point the scanner stays off. A second call while loaded does nothing.
void LoadScanner();
// Puts back the handler found at load and frees the library; nothing when none was loaded.
void UnloadScanner();
bool ScannerLoaded();

// The last code received.
std::string ScanText();

// The shift list tells the scanner which report kind it shows (-1: no form), so that codes for a
// form of another kind are dropped at once.
void ScannerFormKind(int kind);

// The module's handler, as the library calls it.
void ScanCallback(const unsigned char* code);

}  // namespace kvt::dialogs
