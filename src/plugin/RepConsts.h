#pragma once
// The plug-in's fixed names: host value codes, report numbers, the event log, and the menu
// captions that more than one unit looks for.
#include <cstdint>
#include <string_view>

namespace kvt::plugin {

// Codes asked of the host's GetHostValue.
namespace HostCode {
inline constexpr std::int32_t ShiftOpen = 0;
inline constexpr std::int32_t TerminalReturnsA = 1;
inline constexpr std::int32_t TerminalReturnsB = 2;
inline constexpr std::int32_t ReportSettingsRight = 5;
inline constexpr std::int32_t BonusReports = 6;
inline constexpr std::int32_t PrintToPrn = 8;
inline constexpr std::int32_t PrintThroughHostA = 9;
inline constexpr std::int32_t PrintThroughHostB = 10;
inline constexpr std::int32_t ServerMode = 11;
inline constexpr std::int32_t CurrentShift = 12;
inline constexpr std::int32_t ServerComputer = 13;
inline constexpr std::int32_t UserLevel = 15;
inline constexpr std::int32_t PrintProcedure = 17;
inline constexpr std::int32_t PayTypeCaptions = 19;
}  // namespace HostCode

// The code asked of the host's GetValue for its payment-type list, with argument 0.
inline constexpr std::int32_t kPayTypeListValue = 57;

// The report number that gives the new format (HTML) of the report produced last.
inline constexpr std::uint8_t kNewFormatReport = 55;

inline constexpr std::string_view kReportsLogFile = "C:\\VEDA\\LogFiles\\Reports.log";
inline constexpr std::string_view kReportsLogTag = "[KVTReports7]";

// Menu captions, compared exactly.
inline constexpr std::string_view kJournalsCaption = "&Журналы";
inline constexpr std::string_view kReportMenuCaption = "&Журналы/Отчеты";
inline constexpr std::string_view kStatementsCaption = "&Ведомости";
inline constexpr std::string_view kSettingsMenuCaption = "&Настройка";
inline constexpr std::string_view kSeparatorCaption = "-";
inline constexpr std::string_view kSettingsEntryCaption = "Отчеты";
inline constexpr std::string_view kDiscountCardListCaption = "Общий список дисконтных  карт";
inline constexpr std::string_view kDaySmenaFinCaption = "Финансовый суточно сменный отчет";
inline constexpr std::string_view kDriverPeriodCaption = "Отпуск по водителю за период";
inline constexpr std::string_view kCarPeriodCaption = "Отпуск по автомобилю за период";
inline constexpr std::string_view kContractorPeriodCaption = "Отпуск по контрагенту за период";
inline constexpr std::string_view kStatementPeriodCaption = "Отпуск по ведомости за период";
inline constexpr std::string_view kContractorShiftCaption = "Сменный отчет по контрагенту";
inline constexpr std::string_view kStatementShiftCaption = "Сменный отчет по ведомостям";
inline constexpr std::string_view kTerminalReturnsCaption = "Непроизведенные возвраты на терминал";
inline constexpr std::string_view kBonusCaption = "Отчеты по бонусам и скидкам";
inline constexpr std::string_view kCurrentShiftCaption = "Текущий сменный отчет";
// Entries of the host that the rights also govern.
inline constexpr std::string_view kHostStatementSeparatorName = "VedSep";
inline constexpr std::string_view kHostTankExportCaption = "Экспорт журнала по резервуарам";

}  // namespace kvt::plugin
