// The reports of fuel issued on statements and contracts: per shift (counterparty, statement and
// contract shift reports) and per period (by statement, counterparty, car or driver). The
// counterparty comes from the contractor directory when the server has it, else from the older
// organisation directory, around whose use the server's vedFilter is set.
#include <QString>

#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "dialogs/ParamVedomForm.h"
#include "infra/DateTime.h"
#include "plugin/KVTRep.h"
#include "reports/Reports.h"
#include "reports/RunnerFrame.h"
#include "settings/PayTypeFlags.h"
#include "settings/SettingsCatalogue.h"

namespace kvt::reports {

namespace {

constexpr int kStatementKind = 6;
constexpr int kContractKind = 7;
constexpr std::uint8_t kPeriodStatementReportNo = 11;
constexpr std::uint8_t kPeriodCounterpartyReportNo = 12;
constexpr std::uint8_t kPeriodCarReportNo = 13;
constexpr std::uint8_t kStatementShiftReportNo = 14;
constexpr std::uint8_t kCounterpartyShiftReportNo = 15;
constexpr std::uint8_t kCurrentStatementReportNo = 16;
constexpr std::uint8_t kCurrentCounterpartyReportNo = 17;
constexpr std::uint8_t kContractShiftReportNo = 25;
constexpr std::uint8_t kCurrentContractReportNo = 26;
constexpr std::uint8_t kPeriodDriverReportNo = 53;
// The statement payment type whose caption names the statement reports.
constexpr std::int32_t kStatementCaptionIndex = 4;

// vedFilter around the organisation directory: organisations buying on statement, then the
// vehicles of those listed, then back.
constexpr std::int32_t kVedOrganisations = 1;
constexpr std::int32_t kVedVehicles = 17;
constexpr std::int32_t kVedVehiclesClosed = 16;
constexpr std::int32_t kVedNone = 0;

data::TDBFrm& dbFrm() {
    return *plugin::module().DBFrm;
}

Variant statementMask() {
    return IntegerArray(settings::ReadPayTypes(
        plugin::module().Payments.codes(), settings::kVedomPropKey, settings::kVedomDefaultIndex));
}

Variant payTypesOf(std::string_view key, std::int32_t defaultIndex) {
    return IntegerArray(
        settings::ReadPayTypes(plugin::module().Payments.codes(), key, defaultIndex));
}

// The caption of the statement payment type, as the reports' titles quote it.
std::string statementCaption() {
    const plugin::PayTypes& payments = plugin::module().Payments;
    if (payments.PayTypeCount <= kStatementCaptionIndex)
        throw plugin::EReportError("Нет вида оплаты №" + std::to_string(kStatementCaptionIndex) +
                                   ": заголовок отчета по ведомостям не составить");
    return payments.PayTypeCaptions.at(kStatementCaptionIndex).toString();
}

Variant text(const std::string& value) {
    return Variant(value);
}

Variant dateTimeText(DateTime value) {
    return text(DateTimeToStr(value));
}

Variant numberText(std::int32_t value) {
    return text(std::to_string(value));
}

// The operator of shift `smNum` in the shift log; empty when the log has no such shift.
std::string shiftOperator(std::int32_t smNum) {
    data::ClientDataSet& log = dbFrm().SmLogtable;
    if (!log.Locate("SmNum", Variant(smNum)))
        return {};
    return log.FieldByName("Operator").AsString();
}

std::string nameOf(const data::ClientDataSet& dataSet, std::string_view field = "Name") {
    return dataSet.FieldByName(field).AsString();
}

// The statement dialog for one run: made on first request, freed however the run ends.
class StatementDialog {
public:
    StatementDialog()
        : lease_(plugin::module().Payments.codes(), plugin::module().Payments.captions()),
          form_(lease_.form()) {}
    dialogs::TParamVedomFrm& form() const { return form_; }

    // Shows the dialog until it is cancelled and calls `confirmed` for each confirmation.
    void Loop(const std::function<void()>& confirmed) {
        while (form_.exec() == dialogs::kResultChosen)
            confirmed();
    }

private:
    dialogs::ParamVedomLease lease_;
    dialogs::TParamVedomFrm& form_;
};

// The counterparty directory behind the dialog's two grids for one run. The contractor
// directory is used when it opens; otherwise the organisation directory, with vedFilter set
// before each of its lists opens and reset when they close. Closing follows the same choice
// however the run ends.
class CounterpartyDirectory {
public:
    // `details`: the contractor's cars, or its drivers; `onFallback` hears why the contractor
    // directory could not be used.
    CounterpartyDirectory(dialogs::TParamVedomFrm& form, data::ClientDataSet& details,
                          const std::function<void(const std::exception&)>& onFallback)
        : form_(form), db_(dbFrm()), details_(details) {
        try {
            openContractors();
        } catch (const std::exception& error) {
            if (onFallback)
                onFallback(error);
            fallBack();
        }
    }
    // Closes the lists of a run that ended with an error; their errors would hide that one.
    ~CounterpartyDirectory() {
        if (closed_)
            return;
        try {
            close();
        } catch (const std::exception&) {
            // A server gone in the middle of the run: its lists are closed with it.
        }
    }
    CounterpartyDirectory(const CounterpartyDirectory&) = delete;
    CounterpartyDirectory& operator=(const CounterpartyDirectory&) = delete;

    bool UseContractors() const { return useContractors_; }
    // Closes the lists at the end of a run; errors go to the caller.
    void Close() { close(); }
    // The chosen counterparty's name in the directory in use.
    std::string Counterparty() const { return nameOf(useContractors_ ? db_.VDCnt : db_.vdOrg); }

private:
    void openContractors() {
        db_.VDCnt.SetMasterSource(nullptr);
        db_.VDCnt.Open();
        db_.CarDS.SetDataSet(&details_);
        details_.Open();
        details_.SetMasterSource(&db_.CntDS);
        form_.OrgGrid.SetDataSource(&db_.CntDS);
        form_.AutoGrid.SetDataSource(&db_.CarDS);
        useContractors_ = true;
    }

    void setVedFilter(std::int32_t value) {
        appserver::AppServer* server = db_.KVTServer.AppServer();
        if (server == nullptr)
            throw plugin::EReportError(
                "Нет связи с сервером приложений: фильтр ведомостей не задан");
        server->setVedFilter(value);
    }

    void openOrganisations() {
        useContractors_ = false;
        db_.VDCnt.Close();
        details_.Close();
        if (form_.OrgGrid.isEnabled()) {
            setVedFilter(kVedOrganisations);
            db_.vdOrg.Open();
            db_.vdAuto.SetFilter({});
            setVedFilter(kVedVehicles);
            db_.vdAuto.Open();
        }
        // Both grids always have a dataset behind them.
        form_.OrgGrid.SetDataSource(&db_.Organization);
        form_.AutoGrid.SetDataSource(&db_.OrgList);
    }

    // The organisation lists; a failure among them still resets vedFilter before it goes on.
    void fallBack() {
        try {
            openOrganisations();
        } catch (const std::exception&) {
            close();
            throw;
        }
    }

    void close() {
        closed_ = true;
        if (useContractors_) {
            db_.VDCnt.Close();
            details_.Close();
            return;
        }
        db_.vdAuto.Close();
        // A server gone holds no filter to reset.
        const bool listed = form_.OrgGrid.isEnabled() && db_.KVTServer.Connected();
        {
            // The organisations are closed also when the server refuses the filter.
            struct Closing {
                data::ClientDataSet& set;
                ~Closing() { set.Close(); }
            } closing{db_.vdOrg};
            if (listed)
                setVedFilter(kVedVehiclesClosed);
        }
        if (listed)
            setVedFilter(kVedNone);
    }

    dialogs::TParamVedomFrm& form_;
    data::TDBFrm& db_;
    data::ClientDataSet& details_;
    bool useContractors_ = false;
    bool closed_ = false;
};

// The grouping the operator chose: by driver, by car, and which comes first.
std::vector<Variant> grouping(const dialogs::TParamVedomFrm& form) {
    return {Variant(form.chbDriver.isChecked()), Variant(form.chbAuto.isChecked()),
            Variant(form.DriversFirst())};
}

// The dialog as the counterparty shift reports use it: a counterparty and a grouping.
void prepareCounterpartyDialog(dialogs::TParamVedomFrm& form) {
    form.OrgGrid.setEnabled(true);
    form.AutoGrid.setEnabled(false);
    form.chbDriver.setEnabled(true);
    form.chbAuto.setEnabled(true);
    form.BegTimeEdit.setText("00:00");
    form.EndTimeEdit.setText("00:00");
}

// Report 15 over the picked shifts, once per confirmation of the dialog.
void runCounterpartyDialog(const dialogs::SmenaChoice& choice) {
    StatementDialog dialog;
    dialogs::TParamVedomFrm& form = dialog.form();
    prepareCounterpartyDialog(form);
    CounterpartyDirectory directory(form, dbFrm().VDCar, nullptr);
    dialog.Loop([&] {
        const Variant mask = statementMask();
        std::vector<Variant> params{dateTimeText(choice.BegTime),
                                    dateTimeText(choice.EndTime),
                                    text(directory.Counterparty()),
                                    numberText(choice.FirstSm),
                                    text(shiftOperator(choice.FirstSm)),
                                    numberText(choice.LastSm),
                                    mask};
        if (directory.UseContractors())
            for (Variant& flag : grouping(form))
                params.push_back(std::move(flag));
        ProduceAndShow(kCounterpartyShiftReportNo, Variant::list(std::move(params)),
                       "СМЕННЫЙ ОТПУСК ПО КОНТРАГЕНТУ");
    });
    directory.Close();
}

std::string statementShiftOperator(const dialogs::SmenaChoice& choice) {
    return choice.FirstSm == choice.LastSm ? shiftOperator(choice.FirstSm) : std::string();
}

void produceStatementShiftReport(const dialogs::SmenaChoice& choice, int modalResult) {
    const Variant selection = payTypesOf(settings::kVedomRepKey, settings::kVedomDefaultIndex);
    std::string reportText;
    if (modalResult == dialogs::kResultCurrentShift)
        plugin::CallGetReport(kCurrentStatementReportNo, Variant::list({selection}), reportText);
    else
        plugin::CallGetReport(
            kStatementShiftReportNo,
            Variant::list({dateTimeText(choice.BegTime), dateTimeText(choice.EndTime),
                           numberText(choice.FirstSm), text(statementShiftOperator(choice)),
                           numberText(choice.LastSm), selection}),
            reportText);
    ShowWithNewFormat(reportText,
                      [] { return "СМЕННЫЙ ОТПУСК ПО \"" + statementCaption() + "\""; });
}

void produceContractShiftReport(const dialogs::SmenaChoice& choice, int modalResult) {
    if (modalResult == dialogs::kResultCurrentShift) {
        RunCurrentContractReport();
        return;
    }
    data::ClientDataSet& log = dbFrm().SmLogtable;
    ProduceAndShow(
        kContractShiftReportNo,
        Variant::list({Variant::date(choice.BegTime), Variant::date(choice.EndTime),
                       text(log.FieldByName("SmNum").AsString()),
                       text(log.FieldByName("Operator").AsString()),
                       payTypesOf(settings::kDogovorRepKey, settings::kDogovorDefaultIndex)}),
        "Сменный отпуск по договорам");
}

// What each mode of the period report asks and sends.
struct PeriodMode {
    std::uint8_t reportNo;
    bool counterparty;  // OrgGrid enabled
    bool details;       // AutoGrid enabled
    bool grouping;      // chbDriver and chbAuto enabled
    bool drivers;       // the details are the contractor's drivers rather than its cars
    std::function<std::string()> title;
};

const PeriodMode& periodMode(int mode) {
    static const PeriodMode modes[] = {
        {kPeriodStatementReportNo, false, false, false, false,
         [] { return "ОТПУСК ПО \"" + statementCaption() + "\" ЗА ВЫБРАННЫЙ ПЕРИОД"; }},
        {kPeriodCounterpartyReportNo, true, false, true, false,
         [] { return std::string("ОТПУСК ПО КОНТРАГЕНТУ ЗА ВЫБРАННЫЙ ПЕРИОД"); }},
        {kPeriodCarReportNo, true, true, false, false,
         [] { return std::string("ОТПУСК ПО АВТОМОБИЛЮ ЗА ВЫБРАННЫЙ ПЕРИОД"); }},
        {kPeriodDriverReportNo, true, true, false, true,
         [] { return std::string("ОТПУСК ВОДИТЕЛЮ ЗА ВЫБРАННЫЙ ПЕРИОД"); }},
    };
    if (mode < 0 || mode > 3)
        throw std::invalid_argument("Нет отчета по ведомостям за период для режима " +
                                    std::to_string(mode));
    return modes[mode];
}

// The array of a confirmation; none when the mode cannot be had with the directory in use.
std::optional<Variant> periodParams(int mode, const dialogs::TParamVedomFrm& form,
                                    const CounterpartyDirectory& directory) {
    const data::TDBFrm& db = dbFrm();
    std::vector<Variant> params{text(form.BeginText().toStdString()),
                                text(form.EndText().toStdString())};
    const bool contractors = directory.UseContractors();
    switch (mode) {
        case 1:
            // The organisation directory has no contractor to name: the organisation picked in
            // the same grid is the counterparty the operator meant.
            params.push_back(text(directory.Counterparty()));
            for (Variant& flag : grouping(form))
                params.push_back(std::move(flag));
            break;
        case 2:
            params.push_back(text(directory.Counterparty()));
            params.push_back(
                text(contractors ? nameOf(db.VDCar) : nameOf(db.vdAuto, "NumberAuto")));
            break;
        case 3:
            if (!contractors)
                return std::nullopt;
            params.push_back(text(directory.Counterparty()));
            params.push_back(text(nameOf(db.VDDriver)));
            break;
        default:
            break;
    }
    params.push_back(statementMask());
    return Variant::list(std::move(params));
}

void logDirectoryFailure(const std::exception& error) {
    plugin::LogEvent("Ошибка открытия окна свойств по ведомостям: %s",
                     {Variant(std::string(error.what()))});
}

}  // namespace

void RunCounterpartyShiftReport() {
    ShiftRunFrame frame(dbFrm(), ShiftPick{});
    frame.Loop([](const dialogs::SmenaChoice& choice, int modalResult) {
        if (modalResult == dialogs::kResultCurrentShift)
            RunCurrentCounterpartyReport();
        else
            runCounterpartyDialog(choice);
    });
}

void RunCurrentCounterpartyReport() {
    StatementDialog dialog;
    dialogs::TParamVedomFrm& form = dialog.form();
    prepareCounterpartyDialog(form);
    CounterpartyDirectory directory(form, dbFrm().VDCar, nullptr);
    dialog.Loop([&] {
        std::vector<Variant> params{text(directory.Counterparty()), statementMask()};
        if (directory.UseContractors())
            for (Variant& flag : grouping(form))
                params.push_back(std::move(flag));
        ProduceAndShow(kCurrentCounterpartyReportNo, Variant::list(std::move(params)),
                       "ТЕКУЩИЙ СМЕННЫЙ ОТПУСК ПО КОНТРАГЕНТУ");
    });
    directory.Close();
}

void RunCurrentContractReport() {
    ProduceAndShow(
        kCurrentContractReportNo,
        Variant::list({Variant(std::int32_t{0}),
                       payTypesOf(settings::kDogovorRepKey, settings::kDogovorDefaultIndex)}),
        "Текущий сменный отчет по договорам");
}

void RunStatementShiftReport() {
    ShiftRunFrame frame(dbFrm(), ShiftPick{.propKind = kStatementKind});
    frame.Loop(produceStatementShiftReport);
}

void RunContractShiftReport() {
    ShiftRunFrame frame(dbFrm(), ShiftPick{.propKind = kContractKind});
    frame.Loop(produceContractShiftReport);
}

void RunPeriodStatementReport(int mode) {
    const PeriodMode& chosen = periodMode(mode);
    StatementDialog dialog;
    dialogs::TParamVedomFrm& form = dialog.form();
    data::TDBFrm& db = dbFrm();
    // Disconnected at the end even when the server was connected before the run.
    const data::ServerSession session(db.KVTServer);
    form.OrgGrid.setEnabled(chosen.counterparty);
    form.AutoGrid.setEnabled(chosen.details);
    form.chbDriver.setEnabled(chosen.grouping);
    form.chbAuto.setEnabled(chosen.grouping);
    CounterpartyDirectory directory(form, chosen.drivers ? db.VDDriver : db.VDCar,
                                    logDirectoryFailure);
    form.BegTimeEdit.setText("00:00");
    form.EndTimeEdit.setText("00:00");
    dialog.Loop([&] {
        const std::optional<Variant> params = periodParams(mode, form, directory);
        if (!params)
            return;
        std::string reportText;
        plugin::CallGetReport(chosen.reportNo, *params, reportText);
        ShowWithNewFormat(reportText, chosen.title);
    });
    directory.Close();
}

}  // namespace kvt::reports
