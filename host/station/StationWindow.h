#pragma once
// kvt-station's main window: the station operator console. It keeps the host's own menus,
// loads the report plug-in into them, answers the plug-in's callbacks, switches operators and
// opens and closes shifts. Every error of a menu click or of an export ends in the console's
// standard error box; the console stays usable.
#include <QMainWindow>

#include <array>
#include <functional>
#include <memory>

#include "host/kit/PluginLibrary.h"
#include "host/reports/StationReports.h"
#include "host/station/HostCallbacks.h"
#include "host/station/HostServices.h"
#include "host/station/QtMenu.h"
#include "host/station/StationSetup.h"
#include "host/station/StationValues.h"

class QLabel;

namespace kvt::station {

class StationWindow final : public QMainWindow, private StationHost {
    Q_OBJECT
public:
    // Builds the window and the host's menus; nothing is loaded yet. Without an error box the
    // console shows errors in critical message boxes.
    explicit StationWindow(StationSetup setup, std::shared_ptr<ErrorBox> errorBox = nullptr);
    ~StationWindow() override;

    // Makes the station root's fixed folders (platform/StationFolders.h), reads the settings and
    // the station database, loads the plug-in and calls InitReportMenu, SetGetValue and
    // SetNewUserPriv. Each failure is shown and the start goes on.
    void start();

    QtMenuItem& menuRoot() const { return *menuRoot_; }
    const StationValues& values() const { return values_; }

    // The operator changes: the plug-in applies the new level's rights (SetNewUserPriv). Its
    // errors reach the caller.
    void switchOperator(std::int32_t level);
    // A shift opened or closed is written to the station's shift log; errors (a second open, a
    // database that cannot be written) reach the caller and leave the state as it was.
    void openShift();
    void closeShift();

private:
    std::string produceReport(std::int32_t reportNo, const Variant& params) override;
    Variant hostValue(std::int32_t code) override;
    Variant value(std::int32_t code, std::int32_t argument) override;

    void buildFileMenu(QtMenuItem& menu);
    void buildJournalMenu(QtMenuItem& menu);
    void buildHelpMenu(QtMenuItem& menu);
    void loadValues();
    void loadPlugin();
    void applyOperatorRights();
    void changeShift(const std::function<void()>& change,
                     const std::function<void(const ShiftState& before)>& record);
    // Runs `step`, showing its error instead of letting it through.
    void guarded(const std::function<void()>& step);
    void showError(const std::string& message);
    void showState();

    StationSetup setup_;
    std::shared_ptr<ErrorBox> errorBox_;
    std::unique_ptr<HostServices> services_;
    InstalledHost installed_;
    StationValues values_;
    host::StationReports reports_;
    // Declared before the menu: the click handlers in the menu are the plug-in's code, so the
    // menu goes first.
    std::unique_ptr<host::PluginLibrary> plugin_;
    std::unique_ptr<QtMenuItem> menuRoot_;
    std::array<QtMenuItem*, kHighestOperatorLevel + 1> operatorEntries_{};
    QtMenuItem* openShiftEntry_ = nullptr;
    QtMenuItem* closeShiftEntry_ = nullptr;
    QLabel* stateLabel_ = nullptr;
};

}  // namespace kvt::station
