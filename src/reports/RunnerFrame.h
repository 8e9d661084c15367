#pragma once
// The frame of the shift-based report runners: the shift list obtained and set up over the
// shift log, the server connected for the run, and a loop that produces one report per pick.
// Whatever way the run ends, the shift log is closed, the server disconnected and the shift list
// freed, in that order.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "data/DBForm.h"
#include "data/MConnect.h"
#include "dialogs/SmenaListForm.h"
#include "kvtreports/Variant.h"

namespace kvt::reports {

inline constexpr const char* kShiftPickCaption = "Выберите смену";

// How a runner sets up the shift list.
struct ShiftPick {
    std::optional<int> propKind;  // the settings the "Свойства" button opens; none: no button
    std::string caption = kShiftPickCaption;
    // An empty log leaves nothing to choose: "Выбор" is disabled.
    bool disableChoiceOnEmptyLog = true;
};

class ShiftRunFrame {
public:
    // Steps before the loop: the current-shift button when the host has an open shift, the
    // connection, the settings kind, the caption and the shift log.
    ShiftRunFrame(data::TDBFrm& dbFrm, const ShiftPick& pick);
    ~ShiftRunFrame();
    ShiftRunFrame(const ShiftRunFrame&) = delete;
    ShiftRunFrame& operator=(const ShiftRunFrame&) = delete;

    dialogs::TSmenaListFrm& form() const { return lease_.form(); }

    // Asks for shifts until the operator cancels and calls `produce` for each pick with what
    // was picked and the form's modal result (1 rows, 5 the current shift). A confirmed pick on
    // an empty log ends the loop. The list shows `shown` (default: the module's shift log
    // source); the choice is read from the shift log.
    using Produce = std::function<void(const dialogs::SmenaChoice& choice, int modalResult)>;
    void Loop(const Produce& produce, data::DataSource* shown = nullptr);

    // The same loop without the shift picker: the form is shown as it is, one current record
    // and no marking, and `produce` reads that record itself.
    using ProduceOnRecord = std::function<void(int modalResult)>;
    void LoopOnCurrentRecord(const ProduceOnRecord& produce);

private:
    // Closes the shift log before the session disconnects.
    struct OpenShiftLog {
        explicit OpenShiftLog(data::ClientDataSet& log) : log(log) {}
        ~OpenShiftLog() { log.Close(); }
        OpenShiftLog(const OpenShiftLog&) = delete;
        OpenShiftLog& operator=(const OpenShiftLog&) = delete;
        data::ClientDataSet& log;
    };

    // A confirmed pick on an empty log: nothing can be read from it.
    bool nothingToRead(int modalResult) const;

    data::TDBFrm& dbFrm_;
    dialogs::SmenaListLease lease_;
    // Made in the order of the steps, let go of in the reverse order.
    std::optional<data::ServerSession> session_;
    std::optional<OpenShiftLog> shiftLog_;
};

// Asks the console for the report, then for its new format, and shows both in the viewer.
void ProduceAndShow(std::uint8_t reportNo, const Variant& params, const std::string& title);
// The new format of the report produced last, then both formats in the viewer.
void ShowWithNewFormat(const std::string& reportText, const std::string& title);
// The same with a title made only once both formats are there.
void ShowWithNewFormat(const std::string& reportText, const std::function<std::string()>& title);

// The rows of a report parameter: 32-bit integers in a variant array from 0.
Variant IntegerArray(const std::vector<std::int32_t>& values);

}  // namespace kvt::reports
