#include "dialogs/CardScanner.h"

#include <QCoreApplication>
#include <QThread>

#include <atomic>
#include <mutex>

#include "dialogs/SmenaListForm.h"
#include "platform/CodePage.h"
#include "platform/Modules.h"

namespace kvt::dialogs {

namespace {

constexpr const char* kScannerLibrary = "RodaVuv.dll";

struct Scanner {
    platform::LoadedModule library;
    SetEventProcFunc setEventProc = nullptr;
    ScanEventProc previous = nullptr;
};

Scanner& scanner() {
    static Scanner state;
    return state;
}

std::atomic<int>& formKind() {
    static std::atomic<int> kind{-1};
    return kind;
}

// The code is written by the scanner's thread and read by the form's.
std::mutex& scanTextLock() {
    static std::mutex lock;
    return lock;
}

std::string& scanText() {
    static std::string text;
    return text;
}

// Runs on the form's thread: the form, if there is one still, takes the code.
void deliverScanCode() {
    if (TSmenaListFrm* form = CurrentSmenaListFrm())
        form->WMScanCode();
}

}  // namespace

void LoadScanner() {
    Scanner& state = scanner();
    if (state.library)
        return;
    platform::LoadedModule library = platform::LoadedModule::load(kScannerLibrary);
    if (!library)
        return;
    auto* setEventProc = reinterpret_cast<SetEventProcFunc>(library.symbol("SetEventProc"));
    if (setEventProc == nullptr)
        return;
    state.library = std::move(library);
    state.setEventProc = setEventProc;
    state.previous = setEventProc(&ScanCallback);
}

void UnloadScanner() {
    Scanner& state = scanner();
    if (state.setEventProc == nullptr)
        return;
    state.setEventProc(state.previous);
    state.setEventProc = nullptr;
    state.previous = nullptr;
    state.library = platform::LoadedModule();
}

bool ScannerLoaded() {
    return scanner().setEventProc != nullptr;
}

std::string ScanText() {
    const std::lock_guard lock(scanTextLock());
    return scanText();
}

void ScannerFormKind(int kind) {
    formKind().store(kind);
}

void ScanCallback(const unsigned char* code) {
    if (code == nullptr || formKind().load() != kCardReportKind)
        return;
    {
        const std::string raw(reinterpret_cast<const char*>(code) + 1, code[0]);
        const std::lock_guard lock(scanTextLock());
        scanText() = platform::cp1251ToUtf8(raw);
    }
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr)
        return;
    if (QThread::currentThread() == application->thread())
        deliverScanCode();
    else
        QMetaObject::invokeMethod(application, &deliverScanCode, Qt::BlockingQueuedConnection);
}

}  // namespace kvt::dialogs
