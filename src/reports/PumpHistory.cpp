// The pump sales history over picked shifts, for the pump picked on the shift list's buttons.
#include <string>

#include "infra/DateTime.h"
#include "plugin/KVTRep.h"
#include "reports/Reports.h"
#include "reports/RunnerFrame.h"
#include "reports/uTRKHistory.h"
#include "viewer/ViewerServices.h"

namespace kvt::reports {

namespace {

// The marker of a history over a period rather than up to a record of the log.
constexpr std::int8_t kNoRecordLimit = -1;
// The open shift's sales are looked for a day either side of the moment of the request.
constexpr double kCurrentShiftReach = 1.0;

bool hasPumps(data::ClientDataSet& pumps) {
    pumps.Open();
    const bool any = !pumps.IsEmpty();
    pumps.Close();
    return any;
}

Variant pumpHistoryParams(const std::string& pump, const dialogs::SmenaChoice& choice,
                          int modalResult) {
    if (modalResult == dialogs::kResultCurrentShift) {
        const DateTime now = Now();
        return Variant::list({Variant(pump), Variant::i1(kNoRecordLimit),
                              Variant::date(now - kCurrentShiftReach),
                              Variant::date(now + kCurrentShiftReach), Variant(true)});
    }
    return Variant::list({Variant(pump), Variant::i1(kNoRecordLimit), Variant::date(choice.BegTime),
                          Variant::date(choice.EndTime), Variant(false)});
}

}  // namespace

void RunPumpHistory() {
    data::TDBFrm& dbFrm = *plugin::module().DBFrm;
    ShiftRunFrame frame(dbFrm, ShiftPick{.propKind = std::nullopt,
                                         .caption = "Выберите номер ТРК",
                                         .disableChoiceOnEmptyLog = false});
    dialogs::TSmenaListFrm& list = frame.form();
    list.ShowTrkButtons();
    if (!hasPumps(dbFrm.cdsTrkList)) {
        viewer::viewerServices().messageBox("Информация", "Список пуст",
                                            viewer::ViewerServices::Icon::Information);
        return;
    }
    frame.Loop([&list](const dialogs::SmenaChoice& choice, int modalResult) {
        ProduceAndShow(kPumpHistoryReportNo,
                       pumpHistoryParams(list.SelectedTrk().toStdString(), choice, modalResult),
                       kPumpHistoryTitle);
    });
}

}  // namespace kvt::reports
