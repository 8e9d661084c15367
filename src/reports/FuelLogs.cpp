// The fuel receipt and pump-out logs: one record set of the server, told apart by "Prihod", over
// a run of its operations picked in the log itself or over the operations of picked shifts.
#include <QSignalBlocker>
#include <QString>

#include <exception>
#include <optional>
#include <string>

#include "infra/DateTime.h"
#include "infra/tools.h"
#include "plugin/KVTRep.h"
#include "reports/Reports.h"
#include "reports/RunnerFrame.h"
#include "viewer/ViewerServices.h"

namespace kvt::reports {

namespace {

constexpr const char* kAllVehicles = "Все";
constexpr const char* kTankerLabel = "Бензовоз";
constexpr const char* kCarNameField = "CarName";

struct FuelLog {
    std::uint8_t reportNo;
    const char* title;
    const char* pickCaption;  // the vehicle filter of the shift list reads the direction from it
    const char* filter;
};

const FuelLog& fuelLog(FuelDirection direction) {
    static const FuelLog receipts{0, "Журнал поступления топлива", "Выберите привоз ГСМ",
                                  "Prihod = True"};
    static const FuelLog pumpOuts{31, "Журнал откачки топлива", "Выберите откачку ГСМ",
                                  "Prihod = False"};
    return direction == FuelDirection::Receipt ? receipts : pumpOuts;
}

// The log closed and unfiltered however its use ends, so that the next runner finds it at rest.
class OpenFuelLog {
public:
    OpenFuelLog(data::ClientDataSet& log, std::string filter) : log_(log) {
        log_.SetFilter(std::move(filter));
        log_.SetFiltered(true);
        log_.Open();
    }
    ~OpenFuelLog() {
        log_.Close();
        log_.SetFiltered(false);
    }
    OpenFuelLog(const OpenFuelLog&) = delete;
    OpenFuelLog& operator=(const OpenFuelLog&) = delete;

private:
    data::ClientDataSet& log_;
};

// The tanker of each operation is shown when the server delivers it, though no persistent field
// was declared for it.
void showTanker(data::ClientDataSet& log) {
    if (log.FindFieldDef(kCarNameField) && !log.FindField(kCarNameField)) {
        log.Close();
        log.CreateField(kCarNameField);
        log.Open();
    }
    if (data::Field* car = log.FindField(kCarNameField))
        car->DisplayLabel = kTankerLabel;
}

// "Все" and every named vehicle of the log. A list that cannot be read is left as far as it
// came and stays hidden: the operator still picks operations without it.
void fillVehicles(data::TDBFrm& dbFrm, dialogs::TSmenaListFrm& list) {
    // Filling is not the operator's choice: the list's change handler must not filter yet.
    const QSignalBlocker blocker(&list.cbAuto);
    try {
        data::ClientDataSet& vehicles = dbFrm.cdsAutoList;
        struct Closing {
            data::ClientDataSet& set;
            ~Closing() { set.Close(); }
        } closing{vehicles};
        vehicles.Open();
        list.cbAuto.addItem(kAllVehicles);
        for (vehicles.First(); !vehicles.Eof(); vehicles.Next()) {
            const std::string name = vehicles.FieldByName(kCarNameField).AsString();
            if (!name.empty())
                list.cbAuto.addItem(QString::fromStdString(name));
        }
        list.cbAuto.setCurrentIndex(0);
        list.cbAuto.show();
        list.lbAuto.show();
    } catch (const std::exception&) {
        // See above: the picker goes on with the vehicles read so far, or without the filter.
    }
}

Variant operationRange(std::int32_t first, std::int32_t last) {
    return Variant::list({Variant(first), Variant(last)});
}

// The operations of the picked shifts' time span: the server delivers the newest first, so
// the last record holds the first operation. No operation gives the empty range 1 to 0.
Variant shiftOperations(data::ClientDataSet& log, int modalResult) {
    if (modalResult == dialogs::kResultCurrentShift)
        return operationRange(-1, -1);
    if (log.IsEmpty())
        return operationRange(1, 0);
    log.Last();
    const std::int32_t first = log.FieldByName("OpNum").AsInteger();
    log.First();
    return operationRange(first, log.FieldByName("OpNum").AsInteger());
}

std::string shiftFilter(const dialogs::SmenaChoice& choice, const FuelLog& log) {
    return "BegTime>=" + QuotedStr(DateTimeToStr(choice.BegTime)) +
           " and BegTime<= " + QuotedStr(DateTimeToStr(choice.EndTime)) + " and " + log.filter;
}

}  // namespace

void RunFuelOperationLog(FuelDirection direction) {
    const FuelLog& log = fuelLog(direction);
    data::TDBFrm& dbFrm = *plugin::module().DBFrm;
    const data::ServerSession session(dbFrm.KVTServer);
    dbFrm.SmLogSource.SetDataSet(&dbFrm.PrxTable);
    const OpenFuelLog opened(dbFrm.PrxTable, log.filter);
    showTanker(dbFrm.PrxTable);
    if (dbFrm.PrxTable.IsEmpty()) {
        viewer::viewerServices().messageBox("Информация", "Список пуст",
                                            viewer::ViewerServices::Icon::Information);
        return;
    }
    const dialogs::SmenaListLease lease(dbFrm);
    dialogs::TSmenaListFrm& list = lease.form();
    fillVehicles(dbFrm, list);
    list.setWindowTitle(log.pickCaption);
    while (const std::optional<dialogs::OpRange> range = list.SelectOpRange(dbFrm.SmLogSource))
        ProduceAndShow(log.reportNo, operationRange(range->FirstOp, range->LastOp), log.title);
}

void RunFuelShiftLog(FuelDirection direction) {
    const FuelLog& log = fuelLog(direction);
    data::TDBFrm& dbFrm = *plugin::module().DBFrm;
    ShiftRunFrame frame(dbFrm, ShiftPick{});
    frame.Loop([&](const dialogs::SmenaChoice& choice, int modalResult) {
        std::string reportText;
        {
            const OpenFuelLog opened(dbFrm.PrxTable, shiftFilter(choice, log));
            plugin::CallGetReport(log.reportNo, shiftOperations(dbFrm.PrxTable, modalResult),
                                  reportText);
        }
        ShowWithNewFormat(reportText, log.title);
    });
}

}  // namespace kvt::reports
