#include "host/station/ConsoleMenuDump.h"

#include <memory>
#include <ostream>

#include "host/kit/MenuDump.h"
#include "host/station/StationWindow.h"

namespace kvt::station {

namespace {

// The error box of a console nobody looks at: every message is a line of the error stream.
class PrintingErrorBox final : public ErrorBox {
public:
    explicit PrintingErrorBox(std::ostream& out) : out_(out) {}
    void show(const QString& message) override {
        out_ << message.toStdString() << std::endl;
        ++shown_;
    }
    int shown() const { return shown_; }

private:
    std::ostream& out_;
    int shown_ = 0;
};

}  // namespace

int dumpStartedMenu(const StationSetup& setup, std::ostream& out, std::ostream& errors) {
    const auto errorBox = std::make_shared<PrintingErrorBox>(errors);
    StationWindow window(setup, errorBox);
    window.start();
    out << host::dumpMenu(window.menuRoot()) << std::flush;
    return errorBox->shown() == 0 ? 0 : 1;
}

}  // namespace kvt::station
