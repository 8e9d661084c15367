#pragma once
// The contract between a station console (the host) and the report plug-in libKVTReports7.so.
//
// The host loads the library (dlopen), looks up the four exported functions below (dlsym) and
// calls them on its user-interface thread, in this order:
//
//   InitReportMenu(appHandle, mainMenuRoot, AddMenuItem, GetReport_);
//   SetGetValue(GetValue);
//   SetNewUserPriv(mainMenuRoot, GetHostValue);   // again whenever the operator changes
//   UpdateVidOpl();                                // whenever the payment types change
//
// SetNewUserPriv must have been called before any report entry is clicked. Host and plug-in are
// C++ built with the same toolchain and the same Qt; this header is the whole interface.
//
// Errors: every failure is a C++ exception derived from std::exception, whose what() is the
// message for the operator. Exports and click handlers let errors escape to the host, which
// catches around every call and every menu click and shows the message in its standard error
// box. Errors that the host raises inside its callbacks (GetReport_ above all) travel back the
// same way.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "kvtreports/Variant.h"

namespace kvt {

// A keyboard shortcut as the menu stores it: a virtual-key code ('0'..'9', 'A'..'Z' as their
// ASCII codes, F1..F12 as 0x70..0x7B, keypad digits 0..9 as 0x60..0x69) plus modifier flags.
// 0 means none. Examples: Ctrl+F5 = 16500, Alt+1 = 0x8031, Alt+keypad 1 = 0x8061.
using ShortCut = std::uint16_t;
inline constexpr ShortCut scShift = 0x2000;
inline constexpr ShortCut scCtrl = 0x4000;
inline constexpr ShortCut scAlt = 0x8000;
inline constexpr ShortCut vkF1 = 0x70;
inline constexpr ShortCut vkNumpad0 = 0x60;

// One entry of the host's main menu, implemented by the host. The main menu root is an item
// whose children are the top-level menus. A caption of "-" makes the entry a separator. The
// plug-in creates entries only through the host's AddMenuItem callback and then sets their
// properties; it never deletes entries.
class KvtMenuItem {
public:
    // Runs when the operator chooses the entry (or presses its shortcut, also while the entry
    // is invisible); `sender` is the entry itself. It may throw: the host catches and shows.
    using ClickHandler = std::function<void(KvtMenuItem& sender)>;

    virtual ~KvtMenuItem() = default;

    virtual std::string caption() const = 0;
    virtual void setCaption(const std::string& caption) = 0;
    // The status-bar text while the entry is highlighted.
    virtual std::string hint() const = 0;
    virtual void setHint(const std::string& hint) = 0;
    virtual std::int32_t helpContext() const = 0;
    virtual void setHelpContext(std::int32_t context) = 0;
    virtual ShortCut shortCut() const = 0;
    virtual void setShortCut(ShortCut shortCut) = 0;
    // The component name; empty when the entry has none.
    virtual std::string name() const = 0;
    virtual void setName(const std::string& name) = 0;
    virtual bool visible() const = 0;
    virtual void setVisible(bool visible) = 0;
    virtual bool enabled() const = 0;
    virtual void setEnabled(bool enabled) = 0;

    virtual std::int32_t count() const = 0;
    // The child at `index`, 0 <= index < count(); the host keeps ownership.
    virtual KvtMenuItem* item(std::int32_t index) const = 0;

    virtual ClickHandler onClick() const = 0;
    virtual void setOnClick(ClickHandler handler) = 0;
};

// Creates an entry as a child of `parent` at `index` (0 is the first place; -1 or the child
// count append it) and returns it; the host owns it.
using AddMenuItemFunc = KvtMenuItem* (*)(KvtMenuItem* parent, std::int32_t index);

// Produces report `reportNo` from `params` and writes its text into `text`: the fixed-pitch
// text report, CR LF between lines. Report 55 with an empty array gives the same report, the
// one produced last, as an HTML page. Failures are thrown.
using GetReportFunc = void (*)(std::string& text, std::int32_t reportNo, Variant params);

// Writes the host's value for `code` into `result`. The codes the plug-in asks for:
//   0 Bool   a shift is open                 11 I4    1: the application server runs here
//   1 Bool   terminal returns (or with 2)    12 I4    number of the current shift
//   2 Bool   terminal returns (or with 1)    13 Str   computer name of the application server
//   5 Bool   right to report settings        15 I4    operator's level, 0 to 3
//   6 Bool   bonus and discount reports      17 I8    a PrintLinesFunc, see hostReference()
//   8 Bool   print to the "prn" device       19 Array payment-type captions (strings, from 0)
//   9, 10 Bool  both true: print through the host's procedure of code 17
using GetHostValueFunc = void (*)(Variant& result, std::int32_t code);

// Asked only with code 57 and argument 0: the host's payment-type list as an I8 variant made
// by hostReference(), or a string when the host keeps no list.
using GetValueFunc = void (*)(Variant& result, std::int32_t code, std::int32_t argument);

// One payment type of the host's list.
class PayTypeItem {
public:
    virtual ~PayTypeItem() = default;
    virtual std::int32_t code() const = 0;
    virtual bool enabled() const = 0;
    virtual std::uint8_t kind() const = 0;
};

// The host's payment types, in the order of the captions of code 19. The host keeps the list
// alive for as long as the plug-in is loaded; item() throws for a position it does not have.
class PayTypeList {
public:
    virtual ~PayTypeList() = default;
    virtual const PayTypeItem& item(std::int32_t position) const = 0;
};

// The host's printing procedure of code 17: prints the lines of an old-format report.
using PrintLinesFunc = void (*)(const std::vector<std::string>& lines);

// Host objects travel in integer variants (codes 17 and 57): the address as an I8.
inline Variant hostReference(const void* object) {
    return Variant::i8(static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(object)));
}
inline Variant hostReference(PrintLinesFunc procedure) {
    return Variant::i8(static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(procedure)));
}
inline const PayTypeList* payTypeListOf(const Variant& reference) {
    return reinterpret_cast<const PayTypeList*>(static_cast<std::intptr_t>(reference.toInt64()));
}
inline PrintLinesFunc printProcedureOf(const Variant& reference) {
    return reinterpret_cast<PrintLinesFunc>(static_cast<std::intptr_t>(reference.toInt64()));
}

// Desktop services a host may lend the plug-in. A Qt host that wants the plug-in's beeps and
// error boxes for itself gives its application object a child QObject with this object name and
// these invokable methods (Q_INVOKABLE or slots):
//   void beep(int frequencyHz, int durationMs);
//   void showException(const QString& message);   // the host's standard error box
// Without it the plug-in beeps through the desktop and shows its own error box. A host that
// follows the plug-in's application server may add
//   void vedFilterChanged(int value);
// called for every vedFilter the server is set to, in order, a repeated value included.
inline constexpr const char* kHostServicesObjectName = "KvtHostServices";

}  // namespace kvt

// The four exports. appHandle is the native window id (QWidget::winId()) of the host's main
// window, or 0; the plug-in's forms are transient for that window. If the host has no Qt
// application object when InitReportMenu is called, the plug-in creates one.
extern "C" {
void InitReportMenu(std::intptr_t appHandle, kvt::KvtMenuItem* parentItem,
                    kvt::AddMenuItemFunc addMenuItem, kvt::GetReportFunc getReport);
void SetGetValue(kvt::GetValueFunc getValue);
void SetNewUserPriv(kvt::KvtMenuItem* mainMenuRoot, kvt::GetHostValueFunc getHostValue);
void UpdateVidOpl();
}

namespace kvt {
// The exports' types, for dlsym.
using InitReportMenuFunc = decltype(&::InitReportMenu);
using SetGetValueFunc = decltype(&::SetGetValue);
using SetNewUserPrivFunc = decltype(&::SetNewUserPriv);
using UpdateVidOplFunc = decltype(&::UpdateVidOpl);
}  // namespace kvt
