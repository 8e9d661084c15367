#pragma once
// Every persistent report setting: where it lives, its name, type and default. Readers and
// writers everywhere take names and defaults from here, so that the registry keys and the
// cnf.INI keys that the host and the other station modules also read stay in one place.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kvt::settings {

// --- Registry, local machine ---------------------------------------------------------------

inline constexpr std::string_view kReportsKey = "SOFTWARE\\Nordvik\\KVT\\Reports\\";

// Report families' keys below kReportsKey.
inline constexpr std::string_view kBackRepKey = "BackRep";
inline constexpr std::string_view kBonusRepKey = "BonusRep";
inline constexpr std::string_view kCardRepKey = "CardRep";
inline constexpr std::string_view kVedomRepKey = "VedomRep";
inline constexpr std::string_view kDogovorRepKey = "DogovorRep";
inline constexpr std::string_view kTalonRepKey = "TalonRep";
inline constexpr std::string_view kVedomPropKey = "VedomProp";
inline constexpr std::string_view kPrintOptionsKey = "PrintOptions";
// Obsolete: read only to seed the shift report's INI section.
inline constexpr std::string_view kObsoleteSmenaRepKey = "SmenaRep";

// Values of the family keys.
inline constexpr std::string_view kPayTypePrefix = "PayType";  // + decimal payment-type code
inline constexpr std::string_view kRepPropValue = "RepProp";
inline constexpr std::string_view kNullStrValue = "NullStr";
inline constexpr std::string_view kShowGSMItogValue = "ShowGSMItog";
inline constexpr std::string_view kShowSubVidoplItogValue = "ShowSubVidoplItog";
inline constexpr std::string_view kObsoleteReportValuePrefix = "Report";  // + group number
inline constexpr std::string_view kObsoleteRoundRValValue = "RoundRVal";

// "RepProp" bits of the returns report.
inline constexpr std::int32_t kRepPropSummaryTable = 2;  // "Сводная таблица"
inline constexpr std::int32_t kRepPropGroupByPump = 4;   // "Группировка по № ТРК"
inline constexpr std::int32_t kRepPropMask = 7;

inline constexpr bool kShowGSMItogDefault = true;
inline constexpr bool kShowSubVidoplItogDefault = true;

// The payment-type code ticked in a family's key when the key is first created ("PayType" + code
// = 1), so that a first report is never empty.
inline constexpr std::int32_t kBackRepSeedCode = 0;
inline constexpr std::int32_t kBonusRepSeedCode = 0;
inline constexpr std::int32_t kCardRepSeedCode = 1;
inline constexpr std::int32_t kVedomRepSeedCode = 4;
inline constexpr std::int32_t kDogovorRepSeedCode = 8;
inline constexpr std::int32_t kTalonRepSeedCode = 9;

// Default selection indexes of ReadPayTypes for the families that have one.
inline constexpr std::int32_t kVedomDefaultIndex = 4;
inline constexpr std::int32_t kDogovorDefaultIndex = 8;
inline constexpr std::int32_t kTalonDefaultIndex = 9;

// Per-title print options of the viewer, strings holding decimal integers.
inline constexpr std::string_view kOrientationSuffix = "_Orientation";
inline constexpr std::string_view kFontSizeSuffix = "_FontSize";
inline constexpr std::string_view kScaleSuffix = "_Scale";
inline constexpr std::int32_t kOrientationDefault = 0;
inline constexpr std::int32_t kFontSizeDefault = 2;
inline constexpr std::int32_t kScaleDefault = 100;

// The browser's configuration that the viewer reads and writes.
inline constexpr std::string_view kBrowserVersionKey =
    "SOFTWARE\\Microsoft\\Internet Explorer\\Version Vector\\";
inline constexpr std::string_view kBrowserVersionValue = "IE";
inline constexpr std::string_view kBrowserMainKey =
    "\\Software\\Microsoft\\Internet Explorer\\Main\\";
inline constexpr std::string_view kPrintBackgroundValue = "Print_Background";  // "yes" / "no"

// --- Registry, current user: window placement ----------------------------------------------

inline constexpr std::string_view kPlacementKey = "Software\\Korvane\\BLM KVT\\common";

// --- cnf.INI -------------------------------------------------------------------------------

inline constexpr std::string_view kSmenaRepSection = "SmenaRep";
inline constexpr std::string_view kReportsSection = "Reports";
inline constexpr std::string_view kMiscSection = "Misc";
inline constexpr std::string_view kTovarExportsSection = "TovarExports";

// A typed cnf.INI setting with its default.
template <class T>
struct IniSetting {
    std::string_view section;
    std::string_view key;
    T defaultValue;
};

// "SmenaRep"
inline constexpr IniSetting<bool> kWebRep{kSmenaRepSection, "WebRep", false};
// Stored inverted: false means the tank figures are rounded.
inline constexpr IniSetting<bool> kRoundRVal{kSmenaRepSection, "RoundRVal", false};
inline constexpr IniSetting<std::int32_t> kSiloReportSortField{kSmenaRepSection,
                                                               "SiloReportSortField", 0};
// "Reports"
inline constexpr IniSetting<std::int32_t> kDecL{kReportsSection, "DecL", 2};
inline constexpr IniSetting<std::int32_t> kDecKg{kReportsSection, "DecKg", 2};
inline constexpr IniSetting<std::int32_t> kDecL2{kReportsSection, "DecL2", 2};
inline constexpr IniSetting<std::int32_t> kDecKg2{kReportsSection, "DecKg2", 2};
inline constexpr IniSetting<bool> kAllowExportReports{kReportsSection, "AllowExportReports", true};
// One character each, stored as hexadecimal text; the default is the system's separator.
inline constexpr std::string_view kDecimalSeparatorKey = "DecimalSeparator";
inline constexpr std::string_view kThousandSeparatorKey = "ThousandSeparator";
// "1" (also enclosed in back-quotes) shows the daily shift financial report in the menu.
inline constexpr IniSetting<std::string_view> kShowDaySmenaFinReport{kReportsSection,
                                                                     "ShowDaySmenaFinReport", ""};
inline constexpr char kShowDaySmenaFinQuote = '`';
// "Misc"
inline constexpr IniSetting<std::int32_t> kRepSmType{kMiscSection, "RepSmType", 0};
inline constexpr IniSetting<bool> kFormat{kMiscSection, "Format", false};
inline constexpr IniSetting<bool> kPrintBackground{kMiscSection, "PrintBackground", true};
inline constexpr IniSetting<bool> kOSP{kMiscSection, "OSP", true};
inline constexpr IniSetting<std::string_view> kFNP{kMiscSection, "FNP", "Courier"};
inline constexpr IniSetting<std::int32_t> kSFP{kMiscSection, "SFP", 11};
inline constexpr IniSetting<std::int32_t> kFCP{kMiscSection, "FCP", 204};
inline constexpr IniSetting<std::int32_t> kRepExportType{kMiscSection, "RepExportType", 0};
// "TovarExports"
inline constexpr IniSetting<std::string_view> kExportFolder{
    kTovarExportsSection, "Каталог экспорта", "C:\\VEDA\\EXPORT\\"};

// --- Shift report composition ---------------------------------------------------------------

inline constexpr std::string_view kOldTemplateFolder = "C:\\VEDA\\FORMS\\REPORT\\";
inline constexpr std::string_view kNewTemplateFolder = "C:\\VEDA\\FORMS\\WEBREP\\";

struct ShiftReportGroup {
    std::string_view caption;
    std::string_view defaultRepPath;     // old format (".FRM"); empty: none
    std::string_view defaultWebRepPath;  // new format (".html"); empty: none
};

inline constexpr std::array<ShiftReportGroup, 16> kShiftReportGroups{{
    {"Заголовок", "SmenaBeg.FRM", "Шапка сменного отчета.html"},
    {"Конец", "SmenaEnd.FRM", "Подвал сменного отчета.html"},
    {"Информация о ТРК", "Smena1.FRM", "Информация о ТРК.html"},
    {"Информация о резервуарах", "Smena2.FRM", "Информация о резервуарах.html"},
    {"Финансовый отчет", "Smena3.FRM", "Финансовый отчет.html"},
    {"Поступление НП", "Smena4.FRM", "Расшифровка поступления топлива.html"},
    {"Движение НП", "Smena5.FRM", ""},
    {"Расшифровка реализации по б/н", "Smena6.FRM", ""},
    {"Отчет по складу", "", ""},
    {"Поступления товара", "", ""},
    {"Финансовый отчет нестандартный", "Smena2_1.FRM", "Финансовый отчет нестандартный.html"},
    {"Финансовый отчет по товарам", "", ""},
    {"Откачка НП", "SmenaSink.frm", "Расшифровка откачки топлива.html"},
    {"Финансовый отчет по кассам", "SmenaKassaFinRep.frm", "Финансовый отчет по кассам.html"},
    {"Непроизведенные возвраты на терминал", "BackCard.frm",
     "Непроизведенные возвраты на терминал.html"},
    {"Отпуск по ведомостям", "vdPeriod.frm", "Отчет по ведомостям за период.html"},
}};

// Keys of row r of group g in "SmenaRep": "Rep"g"_"r (position, negative = excluded),
// "RepPath"g"_"r (old-format template), "WebRepPath"g"_"r (new-format template).
std::string ShiftRowKey(int group, int row);
std::string ShiftRowPathKey(int group, int row);
std::string ShiftRowWebPathKey(int group, int row);

// "PayType" + code.
std::string PayTypeValueName(std::int32_t code);

}  // namespace kvt::settings
