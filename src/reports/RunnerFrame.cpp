#include "reports/RunnerFrame.h"

#include <QString>

#include "plugin/KVTRep.h"
#include "plugin/RepConsts.h"

namespace kvt::reports {

ShiftRunFrame::ShiftRunFrame(data::TDBFrm& dbFrm, int propKind, const std::string& caption)
    : dbFrm_(dbFrm), lease_(dbFrm) {
    dialogs::TSmenaListFrm& list = form();
    if (plugin::HostValue(plugin::HostCode::ShiftOpen).toBool())
        list.CurBtn.show();
    session_.emplace(dbFrm_.KVTServer);
    list.SetPropKind(propKind);
    list.setWindowTitle(QString::fromStdString(caption));
    dbFrm_.SmLogSource.SetDataSet(&dbFrm_.SmLogtable);
    shiftLog_.emplace(dbFrm_.SmLogtable);
    dbFrm_.SmLogtable.Open();
    if (dbFrm_.SmLogtable.IsEmpty())
        list.BitBtn1.setEnabled(false);
}

ShiftRunFrame::~ShiftRunFrame() = default;

void ShiftRunFrame::Loop(const Produce& produce) {
    dialogs::TSmenaListFrm& list = form();
    while (const std::optional<dialogs::SmenaChoice> choice =
               list.SelectSmena(dbFrm_.SmLogSource, dbFrm_.SmLogtable)) {
        if (dbFrm_.SmLogtable.IsEmpty() && list.ModalResult() == dialogs::kResultChosen)
            break;
        produce(*choice, list.ModalResult());
    }
}

}  // namespace kvt::reports
