#include "infra/progress/ProgressWindow.h"

#include <QSysInfo>

#include <algorithm>
#include <cstdint>
#include <string_view>

namespace kvt::infra {

namespace {

constexpr std::string_view WindowName = "ProgressWnd";
// Instance and class name, each ending in a zero byte, as WM_CLASS holds them.
constexpr std::string_view WindowClass{"progressviewer\0ProgressViewerFormClass\0", 39};
constexpr std::uint32_t PutImageHeaderBytes = 24;
constexpr xcb_button_t LeftButton = 1;

const xcb_visualtype_t* rootVisual(const xcb_screen_t* screen) {
    for (auto depths = xcb_screen_allowed_depths_iterator(screen); depths.rem > 0;
         xcb_depth_next(&depths))
        for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem > 0;
             xcb_visualtype_next(&visuals))
            if (visuals.data->visual_id == screen->root_visual)
                return visuals.data;
    return nullptr;
}

int bitsPerPixel(const xcb_setup_t* setup, std::uint8_t depth) {
    for (auto formats = xcb_setup_pixmap_formats_iterator(setup); formats.rem > 0;
         xcb_format_next(&formats))
        if (formats.data->depth == depth)
            return formats.data->bits_per_pixel;
    return 0;
}

void setProperty(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property,
                 xcb_atom_t type, std::uint8_t format, std::uint32_t count, const void* data) {
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, property, type, format, count,
                        data);
}

}  // namespace

std::unique_ptr<ProgressWindow> ProgressWindow::open() {
    int screenNumber = 0;
    XcbConnection connection(xcb_connect(nullptr, &screenNumber));
    if (xcb_connection_has_error(connection.get()) != 0)
        return nullptr;
    xcb_screen_t* screen = xcbScreen(connection.get(), screenNumber);
    if (screen == nullptr)
        return nullptr;
    return std::make_unique<ProgressWindow>(std::move(connection), screen);
}

ProgressWindow::ProgressWindow(XcbConnection connection, xcb_screen_t* screen)
    : connection_(std::move(connection)),
      screen_(screen),
      window_(xcb_generate_id(connection_.get())),
      gc_(xcb_generate_id(connection_.get())),
      escapeKeys_(xcbKeycodesOf(connection_.get(), XcbKeysymEscape)),
      canShow_(canShowImages()) {
    xcb_connection_t* c = connection_.get();
    const std::uint32_t values[] = {screen_->white_pixel, 1,
                                    XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_BUTTON_PRESS};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window_, screen_->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen_->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
    setProperty(c, window_, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                static_cast<std::uint32_t>(WindowName.size()), WindowName.data());
    setProperty(c, window_, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                static_cast<std::uint32_t>(WindowClass.size()), WindowClass.data());
    // A window manager that offers to close the window asks instead of killing the connection;
    // the request is then dropped.
    const xcb_atom_t deleteWindow = xcbAtom(c, "WM_DELETE_WINDOW");
    setProperty(c, window_, xcbAtom(c, "WM_PROTOCOLS"), XCB_ATOM_ATOM, 32, 1, &deleteWindow);
    xcb_create_gc(c, gc_, window_, 0, nullptr);
    // Tells of every top-level window shown, moved or restacked by anyone.
    const std::uint32_t rootEvents[] = {XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY};
    xcb_change_window_attributes(c, screen_->root, XCB_CW_EVENT_MASK, rootEvents);
    xcb_flush(c);
}

ProgressWindow::~ProgressWindow() {
    xcb_connection_t* c = connection_.get();
    xcb_free_gc(c, gc_);
    xcb_unmap_window(c, window_);
    xcb_destroy_window(c, window_);
    // A round trip: when the viewer is gone, its window is gone from the server too.
    const XcbReply<xcb_get_input_focus_reply_t> reply(
        xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
}

QRect ProgressWindow::screenArea() const {
    return {0, 0, screen_->width_in_pixels, screen_->height_in_pixels};
}

bool ProgressWindow::connected() const {
    return xcb_connection_has_error(connection_.get()) == 0;
}

void ProgressWindow::place(const QRect& geometry) {
    if (mapped_ && geometry == geometry_)
        return;
    xcb_connection_t* c = connection_.get();
    const std::uint32_t values[] = {
        static_cast<std::uint32_t>(geometry.x()), static_cast<std::uint32_t>(geometry.y()),
        static_cast<std::uint32_t>(std::max(geometry.width(), 1)),
        static_cast<std::uint32_t>(std::max(geometry.height(), 1)), XCB_STACK_MODE_ABOVE};
    xcb_configure_window(c, window_,
                         XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                             XCB_CONFIG_WINDOW_HEIGHT | XCB_CONFIG_WINDOW_STACK_MODE,
                         values);
    geometry_ = geometry;
    if (!mapped_) {
        xcb_map_window(c, window_);
        xcb_set_input_focus(c, XCB_INPUT_FOCUS_PARENT, window_, XCB_CURRENT_TIME);
        mapped_ = true;
    }
    xcb_flush(c);
}

void ProgressWindow::show(const QImage& face) {
    if (!canShow_ || !mapped_ || face.isNull())
        return;
    xcb_connection_t* c = connection_.get();
    const QImage image = face.convertToFormat(QImage::Format_RGB32);
    const auto stride = static_cast<std::uint32_t>(image.bytesPerLine());
    const std::uint32_t maxBytes = xcb_get_maximum_request_length(c) * 4;
    const int rowsPerRequest =
        std::max(1, static_cast<int>((maxBytes - PutImageHeaderBytes) / stride));
    for (int top = 0; top < image.height(); top += rowsPerRequest) {
        const int rows = std::min(rowsPerRequest, image.height() - top);
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, window_, gc_,
                      static_cast<std::uint16_t>(image.width()), static_cast<std::uint16_t>(rows),
                      0, static_cast<std::int16_t>(top), 0, screen_->root_depth,
                      static_cast<std::uint32_t>(rows) * stride, image.constScanLine(top));
    }
    xcb_flush(c);
}

std::vector<ProgressWindow::Input> ProgressWindow::takeInput() {
    std::vector<Input> input;
    bool covered = false;
    while (auto event = XcbReply<xcb_generic_event_t>(xcb_poll_for_event(connection_.get()))) {
        // The top bit marks events that another client sent; they count like real ones.
        switch (event->response_type & 0x7F) {
            case XCB_KEY_PRESS: {
                const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event.get());
                if (std::ranges::find(escapeKeys_, key->detail) != escapeKeys_.end())
                    input.push_back({InputKind::Escape, {}});
                break;
            }
            case XCB_BUTTON_PRESS: {
                const auto* button = reinterpret_cast<const xcb_button_press_event_t*>(event.get());
                if (button->detail == LeftButton)
                    input.push_back({InputKind::Click, {button->event_x, button->event_y}});
                break;
            }
            case XCB_CONFIGURE_NOTIFY: {
                const auto* configured =
                    reinterpret_cast<const xcb_configure_notify_event_t*>(event.get());
                covered |= configured->window != window_ && configured->override_redirect == 0;
                break;
            }
            case XCB_MAP_NOTIFY: {
                const auto* mapped = reinterpret_cast<const xcb_map_notify_event_t*>(event.get());
                covered |= mapped->window != window_ && mapped->override_redirect == 0;
                break;
            }
            default:
                break;
        }
    }
    if (covered && mapped_)
        raise();
    return input;
}

void ProgressWindow::raise() {
    const std::uint32_t above[] = {XCB_STACK_MODE_ABOVE};
    xcb_configure_window(connection_.get(), window_, XCB_CONFIG_WINDOW_STACK_MODE, above);
    xcb_flush(connection_.get());
}

bool ProgressWindow::canShowImages() const {
    const xcb_setup_t* setup = xcb_get_setup(connection_.get());
    const auto hostOrder = QSysInfo::ByteOrder == QSysInfo::LittleEndian
                               ? XCB_IMAGE_ORDER_LSB_FIRST
                               : XCB_IMAGE_ORDER_MSB_FIRST;
    const xcb_visualtype_t* visual = rootVisual(screen_);
    return setup->image_byte_order == hostOrder && bitsPerPixel(setup, screen_->root_depth) == 32 &&
           visual != nullptr && visual->_class == XCB_VISUAL_CLASS_TRUE_COLOR &&
           visual->red_mask == 0xFF0000 && visual->green_mask == 0x00FF00 &&
           visual->blue_mask == 0x0000FF;
}

}  // namespace kvt::infra
