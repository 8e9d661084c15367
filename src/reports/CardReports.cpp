// The shift reports of fuel sold on numbered coupons and on plastic cards; the card report also
// takes a card number pattern, typed or scanned on the shift list.
#include <QString>

#include <string>
#include <vector>

#include "dialogs/CardScanner.h"
#include "platform/Registry.h"
#include "plugin/KVTRep.h"
#include "reports/Reports.h"
#include "reports/RunnerFrame.h"
#include "settings/PayTypeFlags.h"
#include "settings/ReportsKeys.h"
#include "settings/SettingsCatalogue.h"

namespace kvt::reports {

namespace {

constexpr int kCouponKind = 8;
constexpr std::uint8_t kCouponReportNo = 46;
constexpr std::uint8_t kCardReportNo = 52;
constexpr int kCardPickMinimumWidth = 567;

// The scanner's codes reach the shift list for as long as the card report runs.
class LoadedScanner {
public:
    LoadedScanner() { dialogs::LoadScanner(); }
    ~LoadedScanner() { dialogs::UnloadScanner(); }
    LoadedScanner(const LoadedScanner&) = delete;
    LoadedScanner& operator=(const LoadedScanner&) = delete;
};

// One element per payment type: 1 where "CardRep" holds the integer 1, 0 where it holds anything
// else, and unassigned where it holds nothing, so that the console tells "not chosen" from
// "never set".
Variant cardMask(const platform::Registry& key, const std::vector<std::int32_t>& codes) {
    std::vector<Variant> mask;
    mask.reserve(codes.size());
    for (const std::int32_t code : codes) {
        const std::string name = settings::PayTypeValueName(code);
        if (!key.valueExists(name))
            mask.emplace_back();
        else
            mask.emplace_back(std::int32_t{key.valueType(name) == platform::RegValueType::DWord &&
                                                   key.readInteger(name) == 1
                                               ? 1
                                               : 0});
    }
    return Variant::list(std::move(mask));
}

// The console's LIKE pattern: "*" stands for any run of characters as "%" does.
std::string cardPattern(const QString& typed) {
    return QString(typed).replace('*', '%').toStdString();
}

// What each pick sends besides the shifts; a pick whose settings cannot be read sends the
// previous pick's.
struct CardSelection {
    Variant mask;  // unassigned until a pick reads it
    std::string pattern;
};

void readCardSelection(platform::Registry& registry, const dialogs::TSmenaListFrm& list,
                       CardSelection& selection) {
    if (!settings::OpenReportsKey(registry, settings::kCardRepKey))
        return;
    selection.mask = cardMask(registry, plugin::module().Payments.codes());
    registry.closeKey();
    selection.pattern = cardPattern(list.edSimpleText.text());
}

Variant cardParams(const dialogs::SmenaChoice& choice, int modalResult,
                   const CardSelection& selection) {
    const Variant mask = selection.mask;
    const Variant pattern(selection.pattern);
    if (modalResult == dialogs::kResultCurrentShift) {
        const Variant zero(std::int32_t{0});
        return Variant::list({zero, zero, zero, zero, mask, pattern});
    }
    return Variant::list({Variant(choice.FirstSm), Variant(choice.LastSm),
                          Variant::date(choice.BegTime), Variant::date(choice.EndTime), mask,
                          pattern});
}

}  // namespace

void RunCouponReport() {
    ShiftRunFrame frame(*plugin::module().DBFrm, ShiftPick{.propKind = kCouponKind});
    frame.Loop([](const dialogs::SmenaChoice& choice, int) {
        const std::vector<std::int32_t> mask =
            settings::ReadPayTypes(plugin::module().Payments.codes(), settings::kTalonRepKey,
                                   settings::kTalonDefaultIndex);
        ProduceAndShow(kCouponReportNo,
                       Variant::list({Variant::date(choice.BegTime), Variant::date(choice.EndTime),
                                      IntegerArray(mask)}),
                       "Отливы по талонам");
    });
}

void RunCardReport() {
    ShiftRunFrame frame(*plugin::module().DBFrm, ShiftPick{.propKind = dialogs::kCardReportKind});
    dialogs::TSmenaListFrm& list = frame.form();
    list.edSimpleText.show();
    list.lbCardNum.show();
    list.setMinimumWidth(kCardPickMinimumWidth);
    platform::Registry registry(platform::RootKey::LocalMachine);
    const LoadedScanner scanner;
    CardSelection selection;
    frame.Loop([&](const dialogs::SmenaChoice& choice, int modalResult) {
        readCardSelection(registry, list, selection);
        ProduceAndShow(
            kCardReportNo, cardParams(choice, modalResult, selection),
            selection.pattern.empty() ? "Отливы по пластиковым картам" : "Отливы по номеру карты");
    });
}

}  // namespace kvt::reports
