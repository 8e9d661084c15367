#include "reports/RunnerFrame.h"

#include <QString>

#include "plugin/KVTRep.h"
#include "plugin/RepConsts.h"
#include "viewer/RptForm.h"

namespace kvt::reports {

ShiftRunFrame::ShiftRunFrame(data::TDBFrm& dbFrm, const ShiftPick& pick)
    : dbFrm_(dbFrm), lease_(dbFrm) {
    dialogs::TSmenaListFrm& list = form();
    if (plugin::HostValue(plugin::HostCode::ShiftOpen).toBool())
        list.CurBtn.show();
    session_.emplace(dbFrm_.KVTServer);
    if (pick.propKind)
        list.SetPropKind(*pick.propKind);
    list.setWindowTitle(QString::fromStdString(pick.caption));
    dbFrm_.SmLogSource.SetDataSet(&dbFrm_.SmLogtable);
    shiftLog_.emplace(dbFrm_.SmLogtable);
    dbFrm_.SmLogtable.Open();
    if (pick.disableChoiceOnEmptyLog && dbFrm_.SmLogtable.IsEmpty())
        list.BitBtn1.setEnabled(false);
}

ShiftRunFrame::~ShiftRunFrame() = default;

bool ShiftRunFrame::nothingToRead(int modalResult) const {
    return dbFrm_.SmLogtable.IsEmpty() && modalResult == dialogs::kResultChosen;
}

void ShiftRunFrame::Loop(const Produce& produce, data::DataSource* shown) {
    dialogs::TSmenaListFrm& list = form();
    data::DataSource& source = shown ? *shown : dbFrm_.SmLogSource;
    while (const std::optional<dialogs::SmenaChoice> choice =
               list.SelectSmena(source, dbFrm_.SmLogtable)) {
        if (nothingToRead(list.ModalResult()))
            break;
        produce(*choice, list.ModalResult());
    }
}

void ShiftRunFrame::LoopOnCurrentRecord(const ProduceOnRecord& produce) {
    dialogs::TSmenaListFrm& list = form();
    list.DBGrid1.SetDataSource(&dbFrm_.SmLogSource);
    for (;;) {
        const int result = list.exec();
        if (result != dialogs::kResultChosen && result != dialogs::kResultCurrentShift)
            break;
        if (nothingToRead(result))
            break;
        produce(result);
    }
}

void ShowWithNewFormat(const std::string& reportText, const std::string& title) {
    ShowWithNewFormat(reportText, [&title] { return title; });
}

void ShowWithNewFormat(const std::string& reportText, const std::function<std::string()>& title) {
    std::string htmlText;
    plugin::CallGetReport(plugin::kNewFormatReport, Variant::list({}), htmlText);
    viewer::ShowReport(reportText, htmlText, title());
}

void ProduceAndShow(std::uint8_t reportNo, const Variant& params, const std::string& title) {
    std::string reportText;
    plugin::CallGetReport(reportNo, params, reportText);
    ShowWithNewFormat(reportText, title);
}

Variant IntegerArray(const std::vector<std::int32_t>& values) {
    std::vector<Variant> elements(values.begin(), values.end());
    return Variant::list(std::move(elements));
}

}  // namespace kvt::reports
