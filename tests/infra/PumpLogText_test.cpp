// The coded columns of a pump log as the operator reads them.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "infra/PumpLogText.h"

namespace kvt::infra {
namespace {

struct Case {
    std::optional<std::int32_t> value;
    const char* text;
};

TEST(PumpLogTextTest, OperationsByTheirLowSevenBits) {
    for (const Case& c :
         {Case{std::nullopt, ""}, Case{0, "Заказано"}, Case{3, "Отлито"}, Case{7, "Перелив"},
          Case{129, "Прод.отлива"}, Case{8, "?????"}, Case{999, ""}, Case{-1, "?????"}})
        EXPECT_EQ(PumpOperationText(c.value), c.text) << c.value.value_or(-12345);
}

TEST(PumpLogTextTest, DoseTypesByTheirLowByte) {
    for (const Case& c :
         {Case{std::nullopt, ""}, Case{0, "Литры"}, Case{256, "Литры"}, Case{1, "Сумма"},
          Case{2, "Бак"}, Case{4, "---"}, Case{3, "?????"}, Case{999, ""}})
        EXPECT_EQ(PumpDoseText(c.value), c.text) << c.value.value_or(-12345);
}

TEST(PumpLogTextTest, PaymentTypesByTheFirstRowOfTheirCode) {
    const std::vector<std::int32_t> codes{0, 4, 104, 4};
    const std::vector<std::string> captions{"Наличные", "Ведомость", "Ведомость предприятия №2",
                                            "Повтор"};
    for (const Case& c : {Case{std::nullopt, ""}, Case{999, ""}, Case{0, "Наличные"},
                          Case{4, "Ведомость"}, Case{104, "Ведомость предпри"},
                          Case{55, "Оплата: 55"}, Case{2147483647, "Оплата: 214748364"}})
        EXPECT_EQ(PumpPaymentText(c.value, codes, captions), c.text) << c.value.value_or(-12345);
}

}  // namespace
}  // namespace kvt::infra
