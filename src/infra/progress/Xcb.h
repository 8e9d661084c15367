#pragma once
// Ownership helpers around the X protocol C binding.

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <string_view>
#include <vector>

namespace kvt::infra {

struct XcbDisconnect {
    void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};
// xcb_connect always returns an object, broken or not, and it must be disconnected either way.
using XcbConnection = std::unique_ptr<xcb_connection_t, XcbDisconnect>;

// Replies and events are malloc'd by the library and freed by the caller.
struct XcbFree {
    void operator()(void* block) const { std::free(block); }
};
template <class T>
using XcbReply = std::unique_ptr<T, XcbFree>;

inline constexpr xcb_keysym_t XcbKeysymEscape = 0xFF1B;

// The screen numbered `number` of the connection's server; nullptr if there is none.
xcb_screen_t* xcbScreen(xcb_connection_t* connection, int number);

// The atom of `name`, created when missing; XCB_ATOM_NONE when the server does not answer.
xcb_atom_t xcbAtom(xcb_connection_t* connection, std::string_view name);

// The key codes that produce `keysym` in the server's keyboard mapping, in any shift state.
std::vector<xcb_keycode_t> xcbKeycodesOf(xcb_connection_t* connection, xcb_keysym_t keysym);

}  // namespace kvt::infra
