#include "host/station/StationWindow.h"

#include <QActionGroup>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>

#include "appserver/PayTypes.h"
#include "host/station/ShiftLog.h"
#include "infra/DateTime.h"
#include "platform/StationFolders.h"

namespace kvt::station {

namespace {

constexpr int kHintTimeoutMs = 8000;

QtMenuItem& addEntry(QtMenuItem& parent, const std::string& caption, const std::string& hint = {},
                     KvtMenuItem::ClickHandler handler = {}) {
    QtMenuItem& entry = parent.insert(-1);
    entry.setCaption(caption);
    entry.setHint(hint);
    entry.setOnClick(std::move(handler));
    return entry;
}

QString pathText(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

}  // namespace

StationWindow::StationWindow(StationSetup setup, std::shared_ptr<ErrorBox> errorBox)
    : setup_(std::move(setup)),
      errorBox_(errorBox ? std::move(errorBox) : std::make_shared<MessageErrorBox>(this)),
      services_(std::make_unique<HostServices>(errorBox_)),
      installed_(*this),
      values_(host::HostValues()),
      reports_([this] { return setup_.stationDatabase; },
               [this]() -> std::optional<std::int32_t> {
                   const std::int32_t current = values_.shift().current;
                   return current > 0 ? std::optional(current) : std::nullopt;
               }) {
    setWindowTitle(QStringLiteral("kvt-station — %1").arg(kStationTitle));
    stateLabel_ = new QLabel(this);
    statusBar()->addPermanentWidget(stateLabel_);
    auto* about = new QLabel(this);
    about->setAlignment(Qt::AlignCenter);
    about->setText(QStringLiteral("Консоль станции. Отчеты — в меню «Журналы/Отчеты».\n\n"
                                  "Станционная база: %1\nОтчетный модуль: %2\nНастройки: %3")
                       .arg(pathText(setup_.stationDatabase), pathText(setup_.plugin),
                            setup_.hostValues.empty() ? QStringLiteral("по умолчанию")
                                                      : pathText(setup_.hostValues)));
    setCentralWidget(about);
    resize(900, 600);

    menuRoot_ = QtMenuItem::createRoot(*menuBar(),
                                       [this](const std::string& message) { showError(message); });
    buildFileMenu(addEntry(*menuRoot_, "&Файл"));
    buildJournalMenu(addEntry(*menuRoot_, "&Журналы"));
    addEntry(*menuRoot_, "&Ведомости");
    addEntry(*menuRoot_, "&Настройка");
    buildHelpMenu(addEntry(*menuRoot_, "&Справка"));
    showState();
}

StationWindow::~StationWindow() = default;

void StationWindow::buildFileMenu(QtMenuItem& menu) {
    QtMenuItem& operators = addEntry(menu, "Сменить &оператора", "Сменить оператора консоли");
    auto* group = new QActionGroup(this);
    for (std::int32_t level = 0; level <= kHighestOperatorLevel; ++level) {
        QtMenuItem& entry = addEntry(operators, "Уровень &" + std::to_string(level),
                                     "Оператор уровня " + std::to_string(level),
                                     [this, level](KvtMenuItem&) { switchOperator(level); });
        entry.action().setCheckable(true);
        group->addAction(&entry.action());
        operatorEntries_[static_cast<std::size_t>(level)] = &entry;
    }
    openShiftEntry_ = &addEntry(menu, "Открыть смену", "Открыть новую смену",
                                [this](KvtMenuItem&) { openShift(); });
    closeShiftEntry_ = &addEntry(menu, "Закрыть смену", "Закрыть текущую смену",
                                 [this](KvtMenuItem&) { closeShift(); });
    addEntry(menu, "-");
    addEntry(menu, "В&ыход", "Закрыть консоль", [this](KvtMenuItem&) { close(); });
}

void StationWindow::buildJournalMenu(QtMenuItem& menu) {
    addEntry(menu, "Экспорт журнала по резервуарам", "Экспорт журнала по резервуарам",
             [this](KvtMenuItem&) {
                 statusBar()->showMessage(
                     QStringLiteral("Экспорт журнала по резервуарам консоль пока не выполняет"),
                     kHintTimeoutMs);
             });
    addEntry(menu, "-").setName("VedSep");
}

void StationWindow::buildHelpMenu(QtMenuItem& menu) {
    addEntry(menu, "&О консоли", "Сведения о консоли", [this](KvtMenuItem&) {
        QMessageBox::about(this, kStationTitle,
                           QStringLiteral("kvt-station: эталонная консоль оператора станции "
                                          "для отчетного модуля KVTReports7.\n\nОтчетный "
                                          "модуль: %1\nСтанционная база: %2")
                               .arg(pathText(setup_.plugin), pathText(setup_.stationDatabase)));
    });
}

void StationWindow::start() {
    guarded(platform::makeStationFolders);
    loadValues();
    showState();
    loadPlugin();
}

void StationWindow::loadValues() {
    try {
        values_ = StationValues(setup_.hostValues.empty()
                                    ? host::HostValues()
                                    : host::HostValues::fromFile(setup_.hostValues));
    } catch (const std::exception& error) {
        showError(std::string(error.what()) + "\nКонсоль работает с настройками по умолчанию.");
    }
    guarded([this] {
        values_.usePayTypes(appserver::readPayTypes(setup_.stationDatabase));
        values_.useShiftState(readShiftState(setup_.stationDatabase));
    });
}

void StationWindow::loadPlugin() {
    try {
        plugin_ = std::make_unique<host::PluginLibrary>(setup_.plugin);
    } catch (const std::exception& error) {
        showError(error.what());
        return;
    }
    guarded([this] {
        plugin_->InitReportMenu(static_cast<std::intptr_t>(winId()), menuRoot_.get(), addQtMenuItem,
                                getReport);
    });
    guarded([this] { plugin_->SetGetValue(getValue); });
    guarded([this] { applyOperatorRights(); });
}

void StationWindow::applyOperatorRights() {
    if (plugin_)
        plugin_->SetNewUserPriv(menuRoot_.get(), getHostValue);
}

void StationWindow::switchOperator(std::int32_t level) {
    values_.setOperatorLevel(level);
    showState();
    applyOperatorRights();
}

void StationWindow::openShift() {
    changeShift([this] { values_.openShift(); },
                [this](const ShiftState&) {
                    recordShiftOpened(setup_.stationDatabase, values_.shift().current, Now(),
                                      "Оператор уровня " + std::to_string(values_.operatorLevel()));
                });
}

void StationWindow::closeShift() {
    changeShift([this] { values_.closeShift(); },
                [this](const ShiftState& before) {
                    recordShiftClosed(setup_.stationDatabase, before.current, Now());
                });
}

// The shift log is the console's: a shift opened or closed is written to the station database,
// so that the reports find it. If it cannot be written the console's state stays as it was.
void StationWindow::changeShift(const std::function<void()>& change,
                                const std::function<void(const ShiftState& before)>& record) {
    const ShiftState before = values_.shift();
    change();
    try {
        record(before);
    } catch (...) {
        values_.useShiftState(before);
        throw;
    }
    showState();
}

std::string StationWindow::produceReport(std::int32_t reportNo, const Variant& params) {
    return reports_.produce(reportNo, params);
}

Variant StationWindow::hostValue(std::int32_t code) {
    return values_.hostValue(code);
}

Variant StationWindow::value(std::int32_t code, std::int32_t argument) {
    return values_.value(code, argument);
}

void StationWindow::guarded(const std::function<void()>& step) {
    try {
        step();
    } catch (const std::exception& error) {
        showError(error.what());
    } catch (...) {
        showError("Неизвестная ошибка");
    }
}

void StationWindow::showError(const std::string& message) {
    errorBox_->show(QString::fromStdString(message));
}

void StationWindow::showState() {
    const std::int32_t level = values_.operatorLevel();
    operatorEntries_[static_cast<std::size_t>(level)]->action().setChecked(true);
    const ShiftState& shift = values_.shift();
    openShiftEntry_->setEnabled(!shift.open);
    closeShiftEntry_->setEnabled(shift.open);
    const QString shiftText = shift.open ? QStringLiteral("смена №%1 открыта").arg(shift.current)
                                         : QStringLiteral("смена закрыта");
    stateLabel_->setText(QStringLiteral("Оператор уровня %1, %2").arg(level).arg(shiftText));
}

}  // namespace kvt::station
