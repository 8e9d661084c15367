#pragma once
// The frame of the shift-based report runners: the shift list obtained and set up over the
// shift log, the server connected for the run, and a loop that produces one report per pick.
// Whatever way the run ends, the shift log is closed, the server disconnected and the shift list
// freed, in that order.
#include <functional>
#include <optional>
#include <string>

#include "data/DBForm.h"
#include "data/MConnect.h"
#include "dialogs/SmenaListForm.h"

namespace kvt::reports {

class ShiftRunFrame {
public:
    // Steps before the loop: the current-shift button when the host has an open shift, the
    // connection, the settings kind, the caption and the shift log (the choice button disabled
    // when the log is empty).
    ShiftRunFrame(data::TDBFrm& dbFrm, int propKind, const std::string& caption);
    ~ShiftRunFrame();
    ShiftRunFrame(const ShiftRunFrame&) = delete;
    ShiftRunFrame& operator=(const ShiftRunFrame&) = delete;

    dialogs::TSmenaListFrm& form() const { return lease_.form(); }

    // Asks for shifts until the operator cancels and calls `produce` for each pick with what
    // was picked and the form's modal result (1 rows, 5 the current shift). A confirmed pick on
    // an empty log ends the loop.
    using Produce = std::function<void(const dialogs::SmenaChoice& choice, int modalResult)>;
    void Loop(const Produce& produce);

private:
    // Closes the shift log before the session disconnects.
    struct OpenShiftLog {
        explicit OpenShiftLog(data::ClientDataSet& log) : log(log) {}
        ~OpenShiftLog() { log.Close(); }
        OpenShiftLog(const OpenShiftLog&) = delete;
        OpenShiftLog& operator=(const OpenShiftLog&) = delete;
        data::ClientDataSet& log;
    };

    data::TDBFrm& dbFrm_;
    dialogs::SmenaListLease lease_;
    // Made in the order of the steps, let go of in the reverse order.
    std::optional<data::ServerSession> session_;
    std::optional<OpenShiftLog> shiftLog_;
};

}  // namespace kvt::reports
