#include "infra/progress/ProgressViewer.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QThread>

#include <algorithm>
#include <utility>

#include "infra/Format.h"
#include "infra/progress/ProgressCanvas.h"
#include "infra/progress/ProgressGeometry.h"
#include "infra/progress/ProgressWindow.h"

namespace kvt::infra {

namespace {

using namespace std::chrono_literals;

constexpr auto FramePeriod = 50ms;
constexpr std::int32_t TitleId = -1;
constexpr std::int32_t CaptionId = 0;

struct TitleState {
    std::mutex lock;
    std::string title = "Ваше приложение";
};

// Made on first use: a library's start-up code may set the title before this unit's own
// globals would exist.
TitleState& titleState() {
    static TitleState state;
    return state;
}

bool onGuiThread() {
    const QCoreApplication* application = QCoreApplication::instance();
    return application != nullptr && QThread::currentThread() == application->thread();
}

// Screens may only be asked on the GUI thread; elsewhere the work area is learnt from the
// display when the window opens.
QRect guiWorkArea() {
    if (!onGuiThread())
        return {};
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry() : QRect();
}

template <class T>
T resolved(const T& value, const T& marker, const T& viewerDefault, const T& unitDefault) {
    if (value != marker)
        return value;
    return viewerDefault != marker ? viewerDefault : unitDefault;
}

void applyParam(TStringItem& line, std::int32_t code, const Variant& value) {
    switch (code) {
        case spText:
            line.Text = value.toString();
            break;
        case spAlignment:
            line.Alignment = static_cast<std::uint8_t>(value.toInt());
            break;
        case spWordWrap:
            line.WordWrap = value.toBool();
            break;
        case spFontName:
            line.FontName = value.toString();
            break;
        case spFontSize:
            line.FontSize = value.toInt();
            break;
        case spFontStyle:
            line.FontStyle = static_cast<std::uint8_t>(value.toInt());
            break;
        case spColor:
            line.Color = static_cast<TColor>(value.toInt());
            break;
        default:
            break;
    }
}

}  // namespace

std::string AppTitle() {
    TitleState& state = titleState();
    std::lock_guard lock(state.lock);
    return state.title;
}

void SetAppTitle(std::string title) {
    TitleState& state = titleState();
    std::lock_guard lock(state.lock);
    state.title = std::move(title);
}

TProgressViewer::TProgressViewer(const std::string& caption, ProgressProc proc,
                                 std::intptr_t userData, bool showCancel, bool percentMode)
    : percentMode_(percentMode), showCancel_(showCancel) {
    // Without a GUI application Qt cannot measure or draw text and would abort the process.
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
        throw EProgressException(
            "Класс окна визуализации \"ProgressViewerFormClass\" не зарегистрирован!");
    if (onGuiThread())
        previousFocus_ = QGuiApplication::focusWindow();
    workArea_ = guiWorkArea();
    geometry_ = QRect(progressWindowOrigin(workArea_, ProgressInitialSize), ProgressInitialSize);

    SetCaption(caption.empty() ? " " : caption);
    AddString(TitleId, AppTitle(), ProgressDefaultFontName, 12, fsBold, clBlack, false, taCenter);
    AddString(1000, " ", "", 8, fsBold, clBlack, false, taCenter);
    AddString(1001, "Выполняется длительная операция. Она может", ProgressDefaultFontName, 10,
              fsBold, clBlack, false, taCenter);
    AddString(1002, "продлиться несколько минут. Пожалуйста, подождите!", ProgressDefaultFontName,
              10, fsBold, clBlack, false, taCenter);

    if (proc)
        worker_ = std::make_unique<TAdditionalThread>(std::move(proc), userData, *this);
    thread_ = std::jthread([this](std::stop_token stop) { run(stop); });
}

TProgressViewer::~TProgressViewer() {
    thread_.request_stop();
    if (thread_.joinable())
        thread_.join();
    // The worker may still be using this viewer.
    worker_.reset();
}

void TProgressViewer::Finish(std::unique_ptr<TProgressViewer> viewer) {
    if (!viewer)
        return;
    const QPointer<QWindow> previous = viewer->previousFocus_;
    viewer.reset();
    if (previous && onGuiThread())
        previous->requestActivate();
}

void TProgressViewer::AddString(std::int32_t id, const std::string& text,
                                const std::string& fontName, std::int32_t fontSize,
                                std::uint8_t fontStyle, TColor color, bool wordWrap,
                                std::uint8_t alignment) {
    std::lock_guard lock(stringsLock_);
    addLocked(resolvedLine(id, text, fontName, fontSize, fontStyle, color, wordWrap, alignment));
}

void TProgressViewer::ChangeStringParams(std::int32_t id, const std::vector<std::int32_t>& params,
                                         const std::vector<Variant>& values) {
    std::lock_guard lock(stringsLock_);
    changeLocked(id, params, values);
}

void TProgressViewer::SetCaption(const std::string& text) {
    std::lock_guard lock(stringsLock_);
    caption_ = text;
    const bool hasCaptionLine =
        std::ranges::any_of(lines_, [](const TStringItem& line) { return line.Id == CaptionId; });
    if (hasCaptionLine)
        changeLocked(CaptionId, {spText}, {Variant(text)});
    else
        addLocked(resolvedLine(CaptionId, text, "", 14, fsBold, clBlack, false, taCenter));
}

void TProgressViewer::SetSize(std::int32_t width, std::int32_t height) {
    if (resize(width, height))
        invalidateLayout();
}

void TProgressViewer::SetLineDefaults(const std::string& fontName, std::int32_t fontSize,
                                      std::uint8_t fontStyle, TColor color) {
    std::lock_guard lock(stringsLock_);
    defaults_ = {fontName, fontSize, fontStyle, color};
}

void TProgressViewer::SetOnCancel(ProgressEvent handler) {
    std::lock_guard lock(stateLock_);
    onCancel_ = std::move(handler);
}

std::string TProgressViewer::Caption() const {
    std::lock_guard lock(stringsLock_);
    return caption_;
}

QRect TProgressViewer::Geometry() const {
    std::lock_guard lock(stateLock_);
    return geometry_;
}

std::vector<TStringItem> TProgressViewer::Lines() const {
    std::lock_guard lock(stringsLock_);
    return lines_;
}

void TProgressViewer::addLocked(TStringItem line) {
    const auto at = std::ranges::lower_bound(lines_, line.Id, {}, &TStringItem::Id);
    if (at != lines_.end() && at->Id == line.Id)
        *at = std::move(line);
    else
        lines_.insert(at, std::move(line));
    layoutValid_ = false;
}

void TProgressViewer::changeLocked(std::int32_t id, const std::vector<std::int32_t>& params,
                                   const std::vector<Variant>& values) {
    try {
        const auto line = std::ranges::find(lines_, id, &TStringItem::Id);
        if (line == lines_.end())
            throw EProgressException(Format("Строка с номером %d не найдена!", {id}));
        if (params.size() != values.size())
            throw EProgressException(
                "Количество параметров и соответствующих им значений не совпадают!");
        // All or nothing: a value that does not convert leaves the line as it was.
        TStringItem changed = *line;
        for (std::size_t index = 0; index < params.size(); ++index)
            applyParam(changed, params[index], values[index]);
        *line = std::move(changed);
        layoutValid_ = false;
    } catch (const std::exception& error) {
        throw EProgressException(std::string("TProgressViewer.ChangeStringParams -> ") +
                                 error.what());
    }
}

TStringItem TProgressViewer::resolvedLine(std::int32_t id, const std::string& text,
                                          const std::string& fontName, std::int32_t fontSize,
                                          std::uint8_t fontStyle, TColor color, bool wordWrap,
                                          std::uint8_t alignment) const {
    return {
        .Id = id,
        .Text = text,
        .Alignment = alignment,
        .WordWrap = wordWrap,
        .FontName =
            resolved<std::string>(fontName, "", defaults_.fontName, ProgressDefaultFontName),
        .FontSize = resolved(fontSize, -1, defaults_.fontSize, ProgressDefaultFontSize),
        .FontStyle = resolved<std::uint8_t>(fontStyle, fsDefault, defaults_.fontStyle, 0),
        .Color = resolved(color, clDefault, defaults_.color, clBlack),
        .Height = 0,
    };
}

bool TProgressViewer::resize(std::int32_t width, std::int32_t height) {
    std::lock_guard lock(stateLock_);
    const QSize size = progressWindowSize(geometry_.size(), width, height);
    if (size == geometry_.size())
        return false;
    geometry_ = QRect(progressWindowOrigin(workArea_, size), size);
    return true;
}

void TProgressViewer::invalidateLayout() {
    std::lock_guard lock(stringsLock_);
    layoutValid_ = false;
}

void TProgressViewer::run(std::stop_token stop) {
    try {
        ProgressCanvas canvas(clBtnFace);
        std::unique_ptr<ProgressWindow> window = openWindow();
        const auto start = std::chrono::steady_clock::now();
        if (worker_)
            worker_->Start();
        while (!stop.stop_requested()) {
            if (window && !window->connected()) {
                window.reset();
                hasWindow_ = false;
            }
            if (window)
                handleInput(*window);
            layOutIfNeeded(canvas);
            if (window)
                drawFrame(canvas, *window, start);
            sleep(stop);
        }
    } catch (...) {
        // Nobody is left to tell on this thread; the window went with the stack.
    }
    hasWindow_ = false;
}

std::unique_ptr<ProgressWindow> TProgressViewer::openWindow() {
    auto window = ProgressWindow::open();
    if (!window)
        return nullptr;
    {
        std::lock_guard lock(stateLock_);
        if (workArea_.isEmpty()) {
            workArea_ = window->screenArea();
            geometry_.moveTopLeft(progressWindowOrigin(workArea_, geometry_.size()));
        }
    }
    hasWindow_ = true;
    return window;
}

void TProgressViewer::handleInput(ProgressWindow& window) {
    for (const auto& input : window.takeInput()) {
        const bool onCancelButton = input.kind == ProgressWindow::InputKind::Click && showCancel_ &&
                                    cancelButtonRect(Geometry().size()).contains(input.at);
        if (input.kind == ProgressWindow::InputKind::Escape || onCancelButton)
            cancel();
    }
}

void TProgressViewer::layOutIfNeeded(ProgressCanvas& canvas) {
    std::lock_guard lock(stringsLock_);
    if (layoutValid_)
        return;
    try {
        const int blockHeight = canvas.layoutText(lines_, Geometry().width());
        if (blockHeight > 0)
            resize(-1, blockHeight + ProgressChromeHeight);
        canvas.buildBackground(Geometry().size());
    } catch (...) {
        // The next change of the text tries again.
    }
    layoutValid_ = true;
}

void TProgressViewer::drawFrame(ProgressCanvas& canvas, ProgressWindow& window,
                                std::chrono::steady_clock::time_point start) {
    try {
        const QRect geometry = Geometry();
        if (!percentMode_)
            position_ = nextBlockPosition(position_, progressBarRect(geometry.size()).width());
        const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - start);
        const ProgressFrame frame{percentMode_, position_, showCancel_, elapsedTimeText(elapsed)};
        window.place(geometry);
        window.show(canvas.drawFrame(frame));
    } catch (...) {
        // The next frame tries again.
    }
}

void TProgressViewer::cancel() {
    cancelled_ = true;
    ProgressEvent handler;
    {
        std::lock_guard lock(stateLock_);
        handler = onCancel_;
    }
    if (!handler)
        return;
    try {
        handler(*this);
    } catch (...) {
        // The user's wish stands in Cancelled whatever the handler did.
    }
}

void TProgressViewer::sleep(std::stop_token stop) {
    std::unique_lock lock(sleepLock_);
    wake_.wait_for(lock, stop, FramePeriod, [] { return false; });
}

}  // namespace kvt::infra
