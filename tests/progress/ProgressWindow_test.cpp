// The viewer on a real X server (Xvfb): the window appears, takes Esc and clicks, stays above the
// other windows, and goes away.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "infra/progress/ProgressGeometry.h"
#include "infra/progress/ProgressViewer.h"
#include "infra/progress/Xcb.h"
#include "progress/ProgressTestSupport.h"
#include "support/TestRoot.h"

namespace kvt::infra {
namespace {

std::filesystem::path findProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    for (std::size_t start = 0, end; start <= folders.size(); start = end + 1) {
        end = folders.find(':', start);
        if (end == std::string::npos)
            end = folders.size();
        const auto candidate = std::filesystem::path(folders.substr(start, end - start)) / name;
        if (access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return {};
}

// An Xvfb of our own, on a display number it picks itself; DISPLAY names it while it lives.
class VirtualDisplay {
public:
    VirtualDisplay() {
        const auto program = findProgram("Xvfb");
        if (program.empty())
            throw std::runtime_error("Xvfb is not installed");
        int pipe[2];
        if (pipe2(pipe, 0) != 0)
            throw std::runtime_error("pipe failed");
        fcntl(pipe[0], F_SETFD, FD_CLOEXEC);
        server_.emplace(program,
                        std::vector<std::string>{"-displayfd", std::to_string(pipe[1]), "-nolisten",
                                                 "tcp", "-screen", "0", "1024x768x24"});
        close(pipe[1]);
        std::string number;
        char byte = 0;
        while (read(pipe[0], &byte, 1) == 1 && byte != '\n')
            number += byte;
        close(pipe[0]);
        if (number.empty())
            throw std::runtime_error("Xvfb did not start");
        name_ = ":" + number;
        if (const char* display = std::getenv("DISPLAY"))
            savedDisplay_ = display;
        setenv("DISPLAY", name_.c_str(), 1);
    }
    ~VirtualDisplay() {
        // Asked, not killed, so that the server removes its socket and lock file.
        server_->kill(SIGTERM);
        server_->wait();
        if (savedDisplay_)
            setenv("DISPLAY", savedDisplay_->c_str(), 1);
        else
            unsetenv("DISPLAY");
    }

    const std::string& name() const { return name_; }

private:
    std::optional<test::ChildProcess> server_;
    std::string name_;
    std::optional<std::string> savedDisplay_;
};

// The test's own look at the server.
class XClient {
public:
    explicit XClient(const std::string& display)
        : connection_(xcb_connect(display.c_str(), nullptr)),
          screen_(xcbScreen(connection_.get(), 0)) {}

    bool ok() const { return xcb_connection_has_error(connection_.get()) == 0 && screen_; }

    // Mapped top-level windows named "ProgressWnd".
    std::vector<xcb_window_t> progressWindows() const {
        xcb_connection_t* c = connection_.get();
        std::vector<xcb_window_t> found;
        const XcbReply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(c, xcb_query_tree(c, screen_->root), nullptr));
        if (!tree)
            return found;
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        for (int index = 0; index < xcb_query_tree_children_length(tree.get()); ++index)
            if (name(children[index]) == "ProgressWnd" && viewable(children[index]))
                found.push_back(children[index]);
        return found;
    }

    QRect geometry(xcb_window_t window) const {
        xcb_connection_t* c = connection_.get();
        const XcbReply<xcb_get_geometry_reply_t> reply(
            xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr));
        return reply ? QRect(reply->x, reply->y, reply->width, reply->height) : QRect();
    }

    void pressEscape(xcb_window_t window) const {
        xcb_key_press_event_t event{};
        event.response_type = XCB_KEY_PRESS;
        event.detail = xcbKeycodesOf(connection_.get(), XcbKeysymEscape).at(0);
        event.root = screen_->root;
        event.event = window;
        event.same_screen = 1;
        send(window, XCB_EVENT_MASK_KEY_PRESS, &event);
    }

    void click(xcb_window_t window, QPoint at) const {
        xcb_button_press_event_t event{};
        event.response_type = XCB_BUTTON_PRESS;
        event.detail = 1;
        event.root = screen_->root;
        event.event = window;
        event.event_x = static_cast<std::int16_t>(at.x());
        event.event_y = static_cast<std::int16_t>(at.y());
        event.same_screen = 1;
        send(window, XCB_EVENT_MASK_BUTTON_PRESS, &event);
    }

    // An ordinary top-level window over the whole screen, as the console's may be.
    xcb_window_t showWindow() const {
        xcb_connection_t* c = connection_.get();
        const xcb_window_t window = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen_->root, 0, 0,
                          screen_->width_in_pixels, screen_->height_in_pixels, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen_->root_visual, 0, nullptr);
        xcb_map_window(c, window);
        sync();
        return window;
    }

    // What a window manager does with a window the user clicks.
    void raise(xcb_window_t window) const {
        const std::uint32_t above[] = {XCB_STACK_MODE_ABOVE};
        xcb_configure_window(connection_.get(), window, XCB_CONFIG_WINDOW_STACK_MODE, above);
        sync();
    }

    // The shown top-level window above all others.
    xcb_window_t topmost() const {
        xcb_connection_t* c = connection_.get();
        const XcbReply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(c, xcb_query_tree(c, screen_->root), nullptr));
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        for (int index = xcb_query_tree_children_length(tree.get()) - 1; index >= 0; --index)
            if (viewable(children[index], false))
                return children[index];
        return XCB_WINDOW_NONE;
    }

    // What a window manager sends when the user closes a window.
    void requestClose(xcb_window_t window) const {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = xcbAtom(connection_.get(), "WM_PROTOCOLS");
        event.data.data32[0] = xcbAtom(connection_.get(), "WM_DELETE_WINDOW");
        send(window, XCB_EVENT_MASK_NO_EVENT, &event);
    }

private:
    std::string name(xcb_window_t window) const {
        xcb_connection_t* c = connection_.get();
        const XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            c, xcb_get_property(c, 0, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 0, 64), nullptr));
        if (!reply)
            return {};
        return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                           static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
    }

    bool viewable(xcb_window_t window, bool overrideRedirect = true) const {
        xcb_connection_t* c = connection_.get();
        const XcbReply<xcb_get_window_attributes_reply_t> reply(
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
        return reply && reply->map_state == XCB_MAP_STATE_VIEWABLE &&
               (reply->override_redirect || !overrideRedirect);
    }

    // Returns once the server has carried out every request sent before.
    void sync() const {
        xcb_connection_t* c = connection_.get();
        const XcbReply<xcb_get_input_focus_reply_t> reply(
            xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    }

    template <class Event>
    void send(xcb_window_t window, std::uint32_t mask, const Event* event) const {
        static_assert(sizeof(Event) == 32);
        xcb_send_event(connection_.get(), 0, window, mask, reinterpret_cast<const char*>(event));
        xcb_flush(connection_.get());
    }

    XcbConnection connection_;
    xcb_screen_t* screen_;
};

TEST(ProgressWindow, LivesWithTheViewerAndTakesEscAndTheCancelButton) {
    VirtualDisplay display;
    XClient x(display.name());
    ASSERT_TRUE(x.ok());

    std::atomic<bool> workerSawWindow{false};
    auto viewer = std::make_unique<TProgressViewer>(
        "Проверка",
        [&](std::intptr_t, TProgressViewer& self) { workerSawWindow = self.HasWindow(); }, 0, true);
    std::atomic<int> cancels{0};
    std::atomic<bool> cancelOnCaller{false};
    const auto caller = std::this_thread::get_id();
    viewer->SetOnCancel([&](TProgressViewer&) {
        cancelOnCaller = std::this_thread::get_id() == caller;
        ++cancels;
        throw std::runtime_error("swallowed by the viewer");
    });

    ASSERT_TRUE(test::eventually([&] { return x.progressWindows().size() == 1; }));
    const xcb_window_t window = x.progressWindows().front();
    EXPECT_TRUE(viewer->HasWindow());
    EXPECT_TRUE(workerSawWindow);
    ASSERT_TRUE(test::eventually([&] { return x.geometry(window) == viewer->Geometry(); }));

    viewer->SetSize(600, -1);
    ASSERT_TRUE(test::eventually([&] { return x.geometry(window).width() == 600; }));

    // Neither a close request nor a click beside the button cancels; a click on it does.
    x.requestClose(window);
    x.click(window, QPoint(5, 5));
    x.click(window, cancelButtonRect(viewer->Geometry().size()).center());
    ASSERT_TRUE(test::eventually([&] { return cancels == 1; }));
    EXPECT_TRUE(viewer->Cancelled());
    EXPECT_FALSE(cancelOnCaller);

    x.pressEscape(window);
    ASSERT_TRUE(test::eventually([&] { return cancels == 2; }));
    EXPECT_EQ(x.progressWindows().size(), 1u) << "the window stays after a close request";

    TProgressViewer::Finish(std::move(viewer));
    EXPECT_TRUE(x.progressWindows().empty());
}

TEST(ProgressWindow, EscCancelsWithoutTheButtonAndFreeingAtOnceLeavesNoWindow) {
    VirtualDisplay display;
    XClient x(display.name());
    ASSERT_TRUE(x.ok());

    for (int round = 0; round < 5; ++round)
        TProgressViewer::Finish(std::make_unique<TProgressViewer>("Отчет"));
    EXPECT_TRUE(x.progressWindows().empty());

    TProgressViewer viewer("Отчет");
    std::atomic<int> cancels{0};
    viewer.SetOnCancel([&](TProgressViewer&) { ++cancels; });
    ASSERT_TRUE(test::eventually([&] { return x.progressWindows().size() == 1; }));
    // Events are handled in the order sent, so once Esc has cancelled, the click on the
    // hidden button has been handled too.
    x.click(x.progressWindows().front(), cancelButtonRect(viewer.Geometry().size()).center());
    x.pressEscape(x.progressWindows().front());
    ASSERT_TRUE(test::eventually([&] { return viewer.Cancelled(); }));
    EXPECT_EQ(cancels, 1);
}

TEST(ProgressWindow, StaysAboveTheConsoleWhenTheConsoleIsShownOrClicked) {
    VirtualDisplay display;
    XClient x(display.name());
    ASSERT_TRUE(x.ok());
    TProgressViewer viewer("Формирование сменного отчета");
    ASSERT_TRUE(test::eventually([&] { return x.progressWindows().size() == 1; }));
    const xcb_window_t progress = x.progressWindows().front();

    // The console: shown after the waiting window, then clicked.
    const xcb_window_t console = x.showWindow();
    EXPECT_TRUE(test::eventually([&] { return x.topmost() == progress; }));
    x.raise(console);
    EXPECT_TRUE(test::eventually([&] { return x.topmost() == progress; }));
}

}  // namespace
}  // namespace kvt::infra
