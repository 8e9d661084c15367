#include "kvtreports/Variant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <sstream>
#include <utility>

#include "infra/DateTime.h"
#include "support/TestRoot.h"

namespace kvt {
namespace {

class VariantTest : public test::FreshRoot {};

std::string errorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const VariantError& error) {
        return error.what();
    }
    return "no VariantError";
}

TEST_F(VariantTest, ConversionFailuresNameBothTypes) {
    EXPECT_EQ(errorOf([] { Variant("abc").toInt(); }),
              "Невозможно преобразовать вариант типа (String) в тип (Integer)");
    EXPECT_EQ(errorOf([] { Variant::null().toInt(); }),
              "Невозможно преобразовать вариант типа (Null) в тип (Integer)");
    EXPECT_EQ(errorOf([] { Variant::null().toString(); }),
              "Невозможно преобразовать вариант типа (Null) в тип (String)");
    EXPECT_EQ(errorOf([] { Variant::array(0, 1).toDouble(); }),
              "Невозможно преобразовать вариант типа (Array) в тип (Double)");
    EXPECT_EQ(errorOf([] { Variant("yes").toBool(); }),
              "Невозможно преобразовать вариант типа (String) в тип (Boolean)");
    EXPECT_EQ(errorOf([] { Variant("x").toDate(); }),
              "Невозможно преобразовать вариант типа (String) в тип (Date)");
    EXPECT_EQ(errorOf([] { Variant::null().toInt64(); }),
              "Невозможно преобразовать вариант типа (Null) в тип (Int64)");
}

TEST_F(VariantTest, IntegersOutOfRangeOverflow) {
    EXPECT_EQ(errorOf([] { Variant(3e9).toInt(); }),
              "Переполнение при преобразовании варианта типа (Double) в тип (Integer)");
    EXPECT_EQ(errorOf([] { Variant::i8(std::int64_t{1} << 40).toInt(); }),
              "Переполнение при преобразовании варианта типа (Int64) в тип (Integer)");
    EXPECT_EQ(Variant::i8(std::int64_t{1} << 40).toInt64(), std::int64_t{1} << 40);
    EXPECT_EQ(errorOf([] { Variant(std::nan("")).toInt64(); }),
              "Переполнение при преобразовании варианта типа (Double) в тип (Int64)");
    EXPECT_EQ(errorOf([] { Variant(1e19).toInt64(); }),
              "Переполнение при преобразовании варианта типа (Double) в тип (Int64)");
    EXPECT_EQ(errorOf([] { Variant("3000000000").toInt(); }),
              "Переполнение при преобразовании варианта типа (String) в тип (Integer)");
}

TEST_F(VariantTest, NumbersConvertLikeTheStationSoftware) {
    EXPECT_EQ(Variant(true).toInt(), -1);
    EXPECT_EQ(Variant(true).toDouble(), -1.0);
    EXPECT_EQ(Variant(false).toInt(), 0);
    EXPECT_EQ(Variant().toInt(), 0);
    EXPECT_EQ(Variant().toString(), "");
    EXPECT_FALSE(Variant().toBool());
    // Half to even, for floating values, currency and numeric strings alike.
    EXPECT_EQ(Variant(2.5).toInt(), 2);
    EXPECT_EQ(Variant(3.5).toInt(), 4);
    EXPECT_EQ(Variant(-2.5).toInt(), -2);
    EXPECT_EQ(Variant(2.6).toInt(), 3);
    EXPECT_EQ(Variant::currency(25000).toInt(), 2);
    EXPECT_EQ(Variant::currency(35000).toInt(), 4);
    EXPECT_EQ(Variant::currency(-25001).toInt(), -3);
    EXPECT_EQ(Variant("2.5").toInt(), 2);
    EXPECT_EQ(Variant(" 12 ").toInt(), 12);
    EXPECT_EQ(Variant("$FF").toInt(), 255);
    EXPECT_EQ(Variant("1,5").toDouble(), 1.5);
    EXPECT_EQ(Variant("1.5").toDouble(), 1.5);
    EXPECT_EQ(Variant("1e3").toInt64(), 1000);
    EXPECT_EQ(Variant::currency(123400).toDouble(), 12.34);
    EXPECT_EQ(Variant::ui1(200).toInt(), 200);
    EXPECT_EQ(Variant::i1(-1).toInt(), -1);
}

TEST_F(VariantTest, BooleansAcceptWordsAndNumbers) {
    EXPECT_TRUE(Variant("TRUE").toBool());
    EXPECT_TRUE(Variant("true").toBool());
    EXPECT_FALSE(Variant("False").toBool());
    EXPECT_FALSE(Variant("0").toBool());
    EXPECT_TRUE(Variant("2").toBool());
    EXPECT_TRUE(Variant(0.5).toBool());
    EXPECT_TRUE(Variant(-1).toBool());
    EXPECT_FALSE(Variant::currency(0).toBool());
}

TEST_F(VariantTest, TextsUseTheStationLocale) {
    EXPECT_EQ(Variant(12).toString(), "12");
    EXPECT_EQ(Variant::i1(-1).toString(), "-1");
    EXPECT_EQ(Variant(1.5).toString(), "1,5");
    EXPECT_EQ(Variant(0.1).toString(), "0,1");
    EXPECT_EQ(Variant::currency(123400).toString(), "12,34");
    EXPECT_EQ(Variant::currency(-10000).toString(), "-1");
    EXPECT_EQ(Variant::currency(std::numeric_limits<std::int64_t>::max()).toString(),
              "922337203685477,5807");
    EXPECT_EQ(Variant(true).toString(), "True");
    EXPECT_EQ(Variant(false).toString(), "False");
    const DateTime day = EncodeDate(2026, 12, 7);
    EXPECT_EQ(Variant::date(day).toString(), "07.12.2026");
    EXPECT_EQ(Variant::date(day + EncodeTime(14, 3, 59, 0)).toString(), "07.12.2026 14:03:59");
}

TEST_F(VariantTest, DatesComeFromTextsAndNumbers) {
    const DateTime expected = EncodeDate(2026, 12, 7) + EncodeTime(14, 3, 0, 0);
    EXPECT_EQ(Variant("07.12.2026 14:03").toDate(), expected);
    EXPECT_EQ(Variant::date(expected).toDate(), expected);
    EXPECT_EQ(Variant(46363).toDate(), 46363.0);
    EXPECT_EQ(Variant::date(expected).toDouble(), expected);
}

TEST_F(VariantTest, CanonicalTextOfScalars) {
    EXPECT_EQ(Variant().canonical(), "Empty");
    EXPECT_EQ(Variant::null().canonical(), "Null");
    EXPECT_EQ(Variant::i1(-1).canonical(), "I1(-1)");
    EXPECT_EQ(Variant::i2(-300).canonical(), "I2(-300)");
    EXPECT_EQ(Variant(12).canonical(), "I4(12)");
    EXPECT_EQ(Variant::i8(-5).canonical(), "I8(-5)");
    EXPECT_EQ(Variant::ui1(255).canonical(), "UI1(255)");
    EXPECT_EQ(Variant(1.5).canonical(), "R8(1.5)");
    EXPECT_EQ(Variant(0.1).canonical(), "R8(0.1)");
    EXPECT_EQ(Variant(0.1 + 0.2).canonical(), "R8(0.30000000000000004)");
    EXPECT_EQ(Variant::currency(123400).canonical(), "CY(12.3400)");
    EXPECT_EQ(Variant::currency(-1).canonical(), "CY(-0.0001)");
    EXPECT_EQ(Variant::date(EncodeDate(2026, 12, 7) + EncodeTime(14, 3, 0, 0)).canonical(),
              "Date(2026-12-07T14:03:00.000)");
    EXPECT_EQ(Variant::date(EncodeDate(2026, 12, 7) + EncodeTime(14, 3, 59, 42)).canonical(),
              "Date(2026-12-07T14:03:59.042)");
    EXPECT_EQ(Variant("a\"b\\c").canonical(), R"(Str("a\"b\\c"))");
    EXPECT_EQ(Variant("Отчет\n").canonical(), "Str(\"Отчет\n\")");
    EXPECT_EQ(Variant(true).canonical(), "Bool(true)");
    EXPECT_EQ(Variant(false).canonical(), "Bool(false)");
}

TEST_F(VariantTest, CanonicalTextOfArrays) {
    EXPECT_EQ(Variant::list({1, 0, 1}).canonical(), "Array[0..2](I4(1), I4(0), I4(1))");
    EXPECT_EQ(Variant::array(0, -1).canonical(), "Array[0..-1]()");
    EXPECT_EQ(Variant::list({}).canonical(), "Array[0..-1]()");
    EXPECT_EQ(Variant::list({Variant::list({1, 2}, 1), "x"}).canonical(),
              "Array[0..1](Array[1..2](I4(1), I4(2)), Str(\"x\"))");
    Variant grid = Variant::array({{0, 1}, {0, 2}});
    grid.at(0, 2) = 3;
    grid.at(1, 0) = 4;
    EXPECT_EQ(grid.canonical(), "Array[0..1,0..2](Empty, Empty, I4(3), I4(4), Empty, Empty)");
    std::ostringstream printed;
    printed << Variant::list({Variant::i1(-1)});
    EXPECT_EQ(printed.str(), "Array[0..0](I1(-1))");
}

TEST_F(VariantTest, ArrayShapeAndBounds) {
    const Variant list = Variant::list({"a", "b", "c"}, 1);
    EXPECT_EQ(list.dimCount(), 1);
    EXPECT_EQ(list.lowBound(), 1);
    EXPECT_EQ(list.highBound(), 3);
    EXPECT_EQ(list.at(3), Variant("c"));
    const Variant grid = Variant::array({{1, 2}, {-1, 1}});
    EXPECT_EQ(grid.dimCount(), 2);
    EXPECT_EQ(grid.lowBound(2), -1);
    EXPECT_EQ(grid.highBound(2), 1);
    EXPECT_EQ(grid.elements().size(), 6u);

    const std::string outOfBounds = "Индекс массива вариантов вне диапазона";
    EXPECT_EQ(errorOf([&] { list.at(0); }), outOfBounds);
    EXPECT_EQ(errorOf([&] { list.at(4); }), outOfBounds);
    EXPECT_EQ(errorOf([&] { list.at(1, 1); }), outOfBounds);
    EXPECT_EQ(errorOf([&] { grid.at(1); }), outOfBounds);
    EXPECT_EQ(errorOf([&] { grid.at(3, 0); }), outOfBounds);
    EXPECT_EQ(errorOf([&] { grid.at(1, 2); }), outOfBounds);
    EXPECT_EQ(errorOf([&] { grid.lowBound(3); }), outOfBounds);
    EXPECT_EQ(errorOf([&] { grid.highBound(0); }), outOfBounds);
    EXPECT_EQ(errorOf([] { Variant(1).dimCount(); }),
              "Вариант типа (Integer) не является массивом");
    EXPECT_EQ(errorOf([] { Variant::array(5, 3); }), "Ошибка создания варианта или массива");
    EXPECT_EQ(errorOf([] { Variant::array(std::vector<ArrayBound>{}); }),
              "Ошибка создания варианта или массива");
    EXPECT_EQ(Variant::array(5, 4).bounds()[0].count(), 0);
}

TEST_F(VariantTest, TwoDimensionalElementsAreStoredRowByRow) {
    Variant rows = Variant::array({{0, 2}, {0, 1}});
    for (int row = 0; row <= 2; ++row) {
        rows.at(row, 0) = row * 10;
        rows.at(row, 1) = "r" + std::to_string(row);
    }
    EXPECT_EQ(rows.elements()[4], Variant(20));
    EXPECT_EQ(rows.elements()[5], Variant("r2"));
    EXPECT_EQ(std::as_const(rows).at(1, 1), Variant("r1"));
}

TEST_F(VariantTest, CopiesAreIndependentAfterAWrite) {
    Variant original = Variant::list({1, Variant::list({2, 3})});
    Variant copy = original;
    copy.at(0) = 10;
    copy.at(1).at(1) = 30;
    EXPECT_EQ(original.canonical(), "Array[0..1](I4(1), Array[0..1](I4(2), I4(3)))");
    EXPECT_EQ(copy.canonical(), "Array[0..1](I4(10), Array[0..1](I4(2), I4(30)))");

    original.at(1).at(0) = 20;
    EXPECT_EQ(copy.at(1).at(0), Variant(2));
    EXPECT_EQ(original.at(1).at(0), Variant(20));
}

TEST_F(VariantTest, AnArrayStoredIntoItselfIsCopied) {
    Variant list = Variant::list({1, 2});
    list.at(0) = list;
    EXPECT_EQ(list.canonical(), "Array[0..1](Array[0..1](I4(1), I4(2)), I4(2))");
    list.at(0).at(1) = list;
    EXPECT_EQ(list.canonical(),
              "Array[0..1](Array[0..1](I4(1), Array[0..1](Array[0..1](I4(1), I4(2)), I4(2))), "
              "I4(2))");
    Variant moved = Variant::list({5});
    moved.at(0) = std::move(moved);
    EXPECT_EQ(moved.canonical(), "Array[0..0](Array[0..0](I4(5)))");
    Variant outer = Variant::list({Variant::list({7})});
    outer = outer.at(0);
    EXPECT_EQ(outer.canonical(), "Array[0..0](I4(7))");
}

TEST_F(VariantTest, EqualityIsStructural) {
    EXPECT_EQ(Variant(1), Variant(1));
    EXPECT_NE(Variant(1), Variant::i2(1));
    EXPECT_NE(Variant(1), Variant::i8(1));
    EXPECT_NE(Variant(1.0), Variant::date(1.0));
    EXPECT_EQ(Variant("a"), Variant(std::string_view("a")));
    EXPECT_NE(Variant("a"), Variant("A"));
    EXPECT_EQ(Variant::null(), Variant::null());
    EXPECT_NE(Variant(), Variant::null());
    EXPECT_EQ(Variant::list({1, "x"}), Variant::list({1, "x"}));
    EXPECT_NE(Variant::list({1, "x"}), Variant::list({1, "x"}, 1));
    EXPECT_NE(Variant::list({1, 2}), Variant::array({{0, 0}, {0, 1}}));
}

}  // namespace
}  // namespace kvt
