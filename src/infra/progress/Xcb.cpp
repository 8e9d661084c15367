#include "infra/progress/Xcb.h"

namespace kvt::infra {

xcb_screen_t* xcbScreen(xcb_connection_t* connection, int number) {
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int index = 0; screens.rem > 0; xcb_screen_next(&screens), ++index)
        if (index == number)
            return screens.data;
    return nullptr;
}

xcb_atom_t xcbAtom(xcb_connection_t* connection, std::string_view name) {
    const auto cookie =
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.data());
    const XcbReply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(connection, cookie, nullptr));
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

std::vector<xcb_keycode_t> xcbKeycodesOf(xcb_connection_t* connection, xcb_keysym_t keysym) {
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    const auto cookie =
        xcb_get_keyboard_mapping(connection, setup->min_keycode, static_cast<std::uint8_t>(count));
    const XcbReply<xcb_get_keyboard_mapping_reply_t> reply(
        xcb_get_keyboard_mapping_reply(connection, cookie, nullptr));
    std::vector<xcb_keycode_t> keycodes;
    if (!reply || reply->keysyms_per_keycode == 0)
        return keycodes;
    const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(reply.get());
    const int perKeycode = reply->keysyms_per_keycode;
    const int total = xcb_get_keyboard_mapping_keysyms_length(reply.get());
    for (int index = 0; index < total; ++index)
        if (keysyms[index] == keysym)
            keycodes.push_back(static_cast<xcb_keycode_t>(setup->min_keycode + index / perKeycode));
    return keycodes;
}

}  // namespace kvt::infra
