#include "appserver/DemoData.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "appserver/StationDatabase.h"
#include "infra/DateTime.h"
#include "platform/SystemError.h"

namespace kvt::appserver {

namespace fs = std::filesystem;

namespace {

// splitmix64: the same sequence on every platform and library version.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // From low to high, both included.
    int between(int low, int high) {
        return low + static_cast<int>(next() % static_cast<std::uint64_t>(high - low + 1));
    }
    double real(double low, double high) {
        return low + (high - low) * static_cast<double>(next() >> 11) * 0x1.0p-53;
    }
    bool chance(double probability) { return real(0.0, 1.0) < probability; }
    template <class T, std::size_t N>
    const T& pick(const std::array<T, N>& items) {
        return items[next() % N];
    }

private:
    std::uint64_t state_;
};

using Text = std::optional<std::string>;
using Null = std::nullopt_t;

// One prepared INSERT, run once per call with its values in column order; an INSERT that
// ends in RETURNING gives back the first column of the row it made.
class Insert {
public:
    Insert(const Connection& db, std::string_view sql) : statement_(db, sql) {}

    template <class... Values>
    std::int64_t operator()(const Values&... values) {
        int index = 0;
        (bind(++index, values), ...);
        const std::int64_t returned = statement_.step() ? statement_.integer(0) : 0;
        statement_.reset();
        return returned;
    }

private:
    void bind(int index, std::int64_t value) { statement_.bind(index, value); }
    void bind(int index, int value) { statement_.bind(index, std::int32_t{value}); }
    void bind(int index, bool value) { statement_.bind(index, std::int32_t{value ? 1 : 0}); }
    void bind(int index, double value) { statement_.bind(index, value); }
    void bind(int index, std::string_view value) { statement_.bind(index, value); }
    void bind(int index, const std::string& value) { bind(index, std::string_view(value)); }
    void bind(int index, const char* value) { bind(index, std::string_view(value)); }
    void bind(int index, Null) { statement_.bindNull(index); }
    template <class T>
    void bind(int index, const std::optional<T>& value) {
        if (value)
            bind(index, *value);
        else
            bind(index, std::nullopt);
    }

    Statement statement_;
};

constexpr double kMinute = 1.0 / (24 * 60);
constexpr double kShiftLength = 0.5;  // two twelve-hour shifts a day

// Values as the station's devices record them, to a fixed number of decimals.
double rounded(double value, int decimals) {
    const double factor = std::pow(10.0, decimals);
    return std::round(value * factor) / factor;
}

double cost(double liters, double price) {
    return rounded(liters * price, 2);
}

std::int64_t money(double roubles) {
    return std::llround(roubles * 100) * 100;  // whole kopecks, in ten-thousandths
}

struct Grade {
    std::string_view name;
    double price;
    double density;
};
constexpr std::array<Grade, 4> kGrades{{
    {"АИ-92", 49.90, 0.745},
    {"АИ-95", 54.60, 0.755},
    {"АИ-98", 63.20, 0.765},
    {"ДТ", 61.10, 0.835},
}};

struct Tank {
    std::string_view name;
    int grade;  // index into kGrades
    double capacity;
};
constexpr std::array<Tank, 5> kTanks{{
    {"Резервуар 1", 0, 50000},
    {"Резервуар 2", 1, 50000},
    {"Резервуар 3", 2, 25000},
    {"Резервуар 4", 3, 50000},
    {"Резервуар 5", 0, 25000},
}};

// The tanks feeding the nozzles of pumps 1 to 8.
constexpr std::array<std::array<int, 3>, 8> kPumpNozzles{{
    {0, 1, 3},
    {0, 1, 3},
    {0, 1, 2},
    {4, 1, 2},
    {0, 1, -1},
    {4, 1, -1},
    {3, -1, -1},
    {3, -1, -1},
}};

constexpr std::array<std::string_view, 8> kOperators{
    "Иванова Н.П.", "Петров А.С.",    "Сидоренко О.В.", "Кузнецова Е.А.",
    "Смирнов Д.И.", "Васильева Т.Г.", "Морозов К.Ю.",   "Николаева И.Р.",
};

// Tankers of the fuel suppliers; the last two are records without a vehicle name.
constexpr std::array<std::string_view, 7> kTankers{
    "МАЗ Т452ОР", "КАМАЗ В117КК", "O'Brien", "Volvo Х900АМ", "Скания Е321ТУ", "", "",
};

constexpr std::string_view kPlateLetters[] = {"А", "В", "Е", "К", "М", "Н",
                                              "О", "Р", "С", "Т", "У", "Х"};

std::string plate(Random& random) {
    const auto letter = [&] { return std::string(kPlateLetters[random.next() % 12]); };
    std::string digits = std::to_string(random.between(100, 999));
    return letter() + digits + letter() + letter() + std::to_string(random.between(10, 199));
}

std::string code(char prefix, int number) {
    std::string digits = std::to_string(number);
    return prefix + std::string(4 - std::min<std::size_t>(4, digits.size()), '0') + digits;
}

constexpr std::array<std::string_view, 8> kPumps{"1", "2", "3", "4", "5", "6", "7", "8"};

// Every operation code, payment type and dose type the pump log window knows, and a few it does
// not, so that a short demo shows them all.
constexpr std::array<int, 11> kShowcaseOperations{0, 1, 2, 3, 4, 5, 6, 7, 8, 129, 999};
constexpr std::array<int, 17> kShowcasePayments{0, 1,  2,  3,  4,   5,   6,  7,  8,
                                                9, 10, 11, 12, 104, 999, 57, 250};
constexpr std::array<int, 7> kShowcaseDoses{0, 1, 2, 4, 256, 3, 999};

// Payment kinds (code modulo 100) whose sales record something of their own.
constexpr int kTerminalKind = 1;
constexpr int kStatementKind = 4;
constexpr int kContractKind = 8;
constexpr int kCouponKind = 9;
constexpr int kDiscountCardKind = 10;
// The station's second statement type, whose organisations take fuel on it alone.
constexpr int kSecondStatementCode = 104;
// The kinds the card reports offer.
constexpr std::array<int, 5> kCardKinds{kTerminalKind, 6, 7, kDiscountCardKind, 12};

// The cards the demo's customers pay with; several share a prefix, as one issuer's cards do.
constexpr std::array<std::string_view, 8> kCards{
    "1234567890123456", "1234567800004321", "1234000011112222", "7789001200003456",
    "7789001200007777", "4276550012345678", "5000100020003000", "9643100000000018",
};

constexpr std::array<std::string_view, 4> kReturnReasons{
    "Недолив, возврат денег",
    "Недолив, долив топлива",
    "Остановка ТРК по просьбе покупателя",
    "Сбой связи с ТРК",
};
constexpr std::string_view kTerminalReturnReason = "Возврат на платежный терминал";

// The station's payment types as its console lists them: the usual thirteen, codes 0 to 12,
// then a second statement type (kind 4 as code modulo 100). The kind byte is the payment kind.
struct PayType {
    int code;
    std::string_view name;
};
constexpr std::array<PayType, 14> kPayTypes{{
    {0, "&Наличные"},
    {1, "&Платеж. терминал"},
    {2, "&Товарные карты"},
    {3, "&Безналичные"},
    {4, "&Ведомость +"},
    {5, "&Мерник"},
    {6, "&ЛНР"},
    {7, "&Самообслуживание"},
    {8, "&Договорной"},
    {9, "&Талоны"},
    {10, "&Дисконтные карты"},
    {11, "&Переливы"},
    {12, "ЛБР"},
    {104, "&Ведомость 2"},
}};

// Contracts from their first day to the end of their end year; an end year of 0: open-ended.
struct DemoContract {
    std::string_view number;
    std::array<int, 3> begin;  // year, month, day
    int endYear;
    std::string_view organisation;
};
constexpr std::array<DemoContract, 3> kContracts{{
    {"Д-2024/01", {2024, 1, 1}, 2024, "ООО «Такси Экспресс»"},
    {"Д-2024/07", {2024, 3, 1}, 0, "ООО «Такси Экспресс»"},
    {"17/23-ТО", {2023, 6, 15}, 0, "ООО «Автотранс»"},
}};

class DemoWriter {
public:
    // The discounts, bonuses, cards, coupons and returns draw from a sequence of their own, and
    // the sales on account with their counterparties from a third, so that a seed gives the same
    // shifts, receipts and pump log lines as before they were kept, the coupon, second-statement
    // and contract sales added among them.
    DemoWriter(const Connection& db, const DemoOptions& options)
        : db_(db),
          options_(options),
          random_(options.seed),
          extras_(options.seed ^ 0x5A1E5B0D15C0E7ULL),
          onAccount_(options.seed ^ 0x0DE6B0C0FFEE5ULL),
          insertSale_(db, "INSERT INTO TrkSale VALUES (?, ?, ?, ?, ?)"),
          insertAct_(db,
                     "INSERT INTO BackAct (SmNum, Time, Operator, Trk, Gsm, Op1, Liters, Summa, "
                     "Customer, CardNum, Reason) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
          insertTerminalReturn_(db,
                                "INSERT INTO BackCard (SmNum, Time, Trk, CardNum, Gsm, Op1, "
                                "Liters, Summa) VALUES (?, ?, ?, ?, ?, ?, ?, ?)") {}

    void write() {
        writeStation();
        writePayTypes();
        writeShifts();
        writeOrganisations();
        writeContractors();
        writeContracts();
        writeStatementRecords();
    }

private:
    void writeStation() {
        Insert(db_, "INSERT INTO Station VALUES (?, ?)")(options_.stationName,
                                                         options_.stationNumber);
        Insert grade(db_, "INSERT INTO Gsm VALUES (?, ?, ?)");
        for (std::size_t i = 0; i < kGrades.size(); ++i)
            grade(static_cast<int>(i + 1), kGrades[i].name, money(kGrades[i].price));
        Insert tank(db_, "INSERT INTO Silo VALUES (?, ?, ?, ?)");
        for (std::size_t i = 0; i < kTanks.size(); ++i)
            tank(static_cast<int>(i + 1), kTanks[i].name, kTanks[i].grade + 1, kTanks[i].capacity);
        Insert pump(db_, "INSERT INTO Pump VALUES (?, ?)");
        Insert nozzle(db_, "INSERT INTO Nozzle VALUES (?, ?, ?)");
        for (int number = 1; number <= static_cast<int>(kPumpNozzles.size()); ++number) {
            pump(number, std::to_string(number));
            const auto& tanks = kPumpNozzles[static_cast<std::size_t>(number - 1)];
            for (std::size_t position = 0; position < tanks.size() && tanks[position] >= 0;
                 ++position)
                nozzle(number, static_cast<int>(position + 1), tanks[position] + 1);
        }
    }

    // Takes nothing from the random sequence, so the rest of the demo stays as it was.
    void writePayTypes() {
        Insert payType(db_, "INSERT INTO VidOpl VALUES (?, ?, ?, ?, ?)");
        for (std::size_t i = 0; i < kPayTypes.size(); ++i)
            payType(static_cast<int>(i), kPayTypes[i].code, kPayTypes[i].name, true,
                    kPayTypes[i].code % 100);
    }

    void writeShifts() {
        Insert shift(db_, "INSERT INTO SmLog VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");
        const DateTime start = EncodeDate(2024, 3, 1) + 8.0 / 24;
        int number = 1;
        for (int i = 0; i < options_.shifts; ++i) {
            const DateTime begin = start + i * kShiftLength + random_.between(0, 9) * kMinute;
            const DateTime end = start + (i + 1) * kShiftLength - random_.between(1, 15) * kMinute;
            const std::string_view op = random_.pick(kOperators);
            const std::int64_t cashIn = money(random_.between(20, 80) * 100);
            shift(number, begin, end, op, cashIn, cashIn + money(random_.real(5000, 250000)),
                  money(random_.real(0, 40000)), optionalOperator(0.4), optionalOperator(0.1));
            writeFuelOperations(i, number, begin, end, op);
            writePumpOperations(i, {number, op}, begin, end);
            // The station software skips numbers now and then (a shift closed by a restart,
            // a test shift removed); the shift list marks those gaps.
            number += (i == 6 || random_.chance(0.02)) ? random_.between(2, 4) : 1;
        }
    }

    Text optionalOperator(double probability) {
        if (!random_.chance(probability))
            return std::nullopt;
        return std::string(random_.pick(kOperators));
    }

    void writeFuelOperations(int index, int smNum, DateTime begin, DateTime end,
                             std::string_view op) {
        if (index == 0 || (index != 1 && random_.chance(0.35)))
            writeFuelOperation(smNum, begin, end, op, true);
        if (index == 1 || (index != 0 && random_.chance(0.08)))
            writeFuelOperation(smNum, begin, end, op, false);
    }

    void writeFuelOperation(int smNum, DateTime shiftBegin, DateTime shiftEnd, std::string_view op,
                            bool receipt) {
        static const std::string kSql =
            "INSERT INTO Prx (Date, SmNum, Operator, GSMName, CarVolTTN, SiloName, BegTime, "
            "EndTime, SiloLevelBefore, SiloLevelAfter, Fact1, Dopusk, Delta, UdVes, Temper, "
            "FactPlotn, Cor, Prihod, Prim, CarName) VALUES "
            "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";
        if (!insertPrx_)
            insertPrx_.emplace(db_, kSql);
        const Tank& tank = random_.pick(kTanks);
        const Grade& grade = kGrades[static_cast<std::size_t>(tank.grade)];
        const DateTime begin = shiftBegin + random_.real(0.05, 0.8) * (shiftEnd - shiftBegin);
        const DateTime end = begin + random_.between(25, 70) * kMinute;
        const double volume =
            receipt ? random_.between(10, 40) * 500.0 : random_.between(2, 30) * 100.0;
        const double fact = rounded(volume + random_.real(-0.004, 0.002) * volume, 1);
        const double before = rounded(random_.real(0.1, 0.5) * tank.capacity, 1);
        const double after = receipt ? before + fact : std::max(0.0, before - fact);
        const std::string_view tanker = random_.pick(kTankers);
        Text carName;
        if (!tanker.empty())
            carName = std::string(tanker);
        else if (random_.chance(0.5))
            carName = std::string();
        Text prim;
        if (random_.chance(0.3))
            prim = receipt ? "ТТН №" + std::to_string(random_.between(1000, 99999))
                           : std::string("Откачка на поверку");
        const double density = rounded(grade.density + random_.real(-0.004, 0.004), 4);
        (*insertPrx_)(std::floor(begin), smNum, op, grade.name, volume, tank.name, begin, end,
                      before, after, fact, volume * 0.005, rounded(fact - volume, 1), density,
                      rounded(random_.real(-10, 25), 1),
                      rounded(density + random_.real(-0.002, 0.002), 4), random_.chance(0.1),
                      receipt, prim, carName);
    }

    struct Shift {
        int number;
        std::string_view op;
    };

    struct PumpRow {
        std::string_view pump;
        DateTime time;
        int client;
        Text gsm;
        int operation;
        std::optional<int> payment;
        Text customer;
        std::optional<int> dose;
        double liters;
        double summa;
    };

    // Returns the new operation's ID.
    std::int64_t addPumpRow(const PumpRow& row) {
        if (!insertTrk_)
            insertTrk_.emplace(db_,
                               "INSERT INTO Trk (Trk, Time, Client, Gsm, Operation, Op1, "
                               "AutoMobil, Op2, Liters, Summa) VALUES (?, ?, ?, ?, ?, ?, ?, ?, "
                               "?, ?) RETURNING ID");
        return (*insertTrk_)(row.pump, row.time, row.client, row.gsm, row.operation, row.payment,
                             row.customer, row.dose, row.liters, row.summa);
    }

    void writePumpOperations(int index, const Shift& shift, DateTime begin, DateTime end) {
        if (index == 0)
            writeShowcase(begin);
        const int sales = random_.between(2, 4);
        for (int i = 0; i < sales; ++i) {
            const DateTime time = begin + (end - begin) * (i + random_.real(0.1, 0.9)) / sales;
            writeSale(random_, extras_, random_.pick(kPumps), time, shift);
        }
        for (int i = extras_.between(0, 2); i > 0; --i)
            writeSale(extras_, extras_, extras_.pick(kPumps),
                      begin + (end - begin) * extras_.real(0.05, 0.95), shift, kCouponKind);
        for (const int payment : {kSecondStatementCode, kContractKind}) {
            if (onAccount_.chance(0.4))
                writeSale(onAccount_, onAccount_, onAccount_.pick(kPumps),
                          begin + (end - begin) * onAccount_.real(0.05, 0.95), shift, payment);
        }
        writeReturns();
    }

    // An order and the line that ends its delivery, drawn from `random`, what the sale carried
    // besides from `extras`; the payment is drawn too unless given.
    void writeSale(Random& random, Random& extras, std::string_view pump, DateTime time,
                   const Shift& shift, std::optional<int> payment = std::nullopt) {
        const auto& tanks = kPumpNozzles[static_cast<std::size_t>(pump[0] - '1')];
        const int tank = tanks[random.next() % (tanks[1] < 0 ? 1 : tanks[2] < 0 ? 2 : 3)];
        const Grade& grade = kGrades[static_cast<std::size_t>(kTanks[tank].grade)];
        constexpr std::array<int, 8> kPayments{0, 0, 0, 1, 1, 2, 4, 10};
        const int paid = payment ? *payment : random.pick(kPayments);
        const int dose = random.pick(std::array<int, 4>{0, 0, 1, 2});
        const double liters = random.between(10, 120) * 1.0 + random.between(0, 99) / 100.0;
        const int client = random.between(1, 6);
        Text customer;
        if (paid == 4)
            customer = plate(random);
        else if (paid == 2 || paid == 10)
            customer = std::to_string(random.between(100000, 999999));
        const Text gsm = std::string(grade.name);
        addPumpRow(
            {pump, time, client, gsm, 0, paid, customer, dose, liters, cost(liters, grade.price)});
        const int outcome = random.pick(std::array<int, 10>{3, 3, 3, 3, 3, 3, 3, 4, 7, 6});
        const double poured = outcome == 4 ? rounded(liters * random.real(0.3, 0.95), 2) : liters;
        const DateTime end = time + random.between(1, 4) * kMinute;
        const std::int64_t saleId = addPumpRow({pump, end, client, gsm, outcome, paid, customer,
                                                dose, poured, cost(poured, grade.price)});
        if (outcome == 4 && paid == 0)
            addPumpRow({pump, time + 5 * kMinute, client, std::nullopt, 5, 999, std::nullopt, 999,
                        0.0, cost(liters - poured, grade.price)});
        const Text card = writeSaleExtras(extras, saleId, paid, cost(poured, grade.price));
        if (paid % 100 == kStatementKind || paid % 100 == kContractKind)
            salesOnAccount_.push_back({saleId, paid});
        if (outcome == 4)
            addReturn(extras, {end, shift.number, shift.op, pump, grade.name, paid,
                               rounded(liters - poured, 2),
                               rounded(cost(liters, grade.price) - cost(poured, grade.price), 2),
                               customer, card, std::nullopt});
    }

    // The sale's discount, bonus, card and coupon, when it has any; returns the card.
    Text writeSaleExtras(Random& extras, std::int64_t saleId, int payment, double summa) {
        const int kind = payment % 100;
        Text card;
        if (std::find(kCardKinds.begin(), kCardKinds.end(), kind) != kCardKinds.end())
            card = std::string(extras.pick(kCards));
        Text coupon;
        if (kind == kCouponKind)
            coupon = "ТЛ" + std::to_string(100000 + ++coupons_);
        std::optional<double> discount;
        if (kind == kDiscountCardKind || extras.chance(0.15))
            discount = rounded(summa * extras.between(1, 5) / 100.0, 2);
        std::optional<double> bonus;
        if (extras.chance(card ? 0.4 : 0.1))
            bonus = rounded(summa * 0.01 * extras.between(1, 3), 2);
        if (card || coupon || discount || bonus)
            insertSale_(saleId, discount, bonus, card, coupon);
        return card;
    }

    // A return owed for a short delivery; no reason: still owed to the card terminal.
    struct Return {
        DateTime time;
        int shift;
        std::string_view op;
        std::string_view pump;
        std::string_view grade;
        int payment;
        double liters;
        double summa;
        Text customer;
        Text card;
        std::optional<std::string_view> reason;
    };

    // Half of the short deliveries paid at the terminal still wait for their return; the other
    // returns, some of all, were made and have a certificate, a little after the delivery.
    void addReturn(Random& extras, Return owed) {
        owed.time += extras.between(2, 20) * kMinute;
        const bool terminal = owed.payment % 100 == kTerminalKind;
        if (!terminal || !extras.chance(0.5)) {
            if (!extras.chance(0.4))
                return;
            owed.reason = terminal ? kTerminalReturnReason : extras.pick(kReturnReasons);
        }
        returns_.push_back(std::move(owed));
    }

    // A shift's returns in time order, so that certificates are numbered as they were made.
    void writeReturns() {
        std::stable_sort(returns_.begin(), returns_.end(),
                         [](const Return& a, const Return& b) { return a.time < b.time; });
        for (const Return& owed : returns_) {
            if (owed.reason)
                insertAct_(owed.shift, owed.time, owed.op, owed.pump, owed.grade, owed.payment,
                           owed.liters, owed.summa, owed.customer, owed.card, *owed.reason);
            else
                insertTerminalReturn_(owed.shift, owed.time, owed.pump, *owed.card, owed.grade,
                                      owed.payment, owed.liters, owed.summa);
        }
        returns_.clear();
    }

    // One pump order per operation code, payment type and dose type, on pump 1 at the start of
    // the first shift.
    void writeShowcase(DateTime begin) {
        const std::size_t count =
            std::max({kShowcaseOperations.size(), kShowcasePayments.size(), kShowcaseDoses.size()});
        for (std::size_t i = 0; i < count; ++i) {
            const int operation = kShowcaseOperations[i % kShowcaseOperations.size()];
            const bool withGrade = operation != 5 && operation != 999;
            const double liters = 10.0 + static_cast<double>(i);
            addPumpRow({"1", begin + static_cast<double>(i + 1) * kMinute, 1,
                        withGrade ? Text("АИ-92") : Text(std::string()), operation,
                        kShowcasePayments[i % kShowcasePayments.size()], Text(plate(random_)),
                        kShowcaseDoses[i % kShowcaseDoses.size()], liters,
                        cost(liters, kGrades[0].price)});
        }
        addPumpRow({"1", begin + 30 * kMinute, 1, std::nullopt, 2, std::nullopt, std::nullopt,
                    std::nullopt, 0.0, 0.0});
    }

    void writeOrganisations() {
        struct Organisation {
            std::string_view name;
            std::optional<int> vidOplat;
        };
        const std::array<Organisation, 10> organisations{{
            {"ООО «Автотранс»", 4},
            {"АО «Северные перевозки»", 104},
            {"ИП Гончаров В.А.", std::nullopt},
            {"ООО «Агрохолдинг Заря»", 4},
            {"МУП «Горводоканал»", 104},
            {"ООО «СтройМаш»", 3},
            {"ЗАО «Лесэкспорт»", std::nullopt},
            {"ООО «Такси Экспресс»", 8},
            {"ГБУ «Скорая помощь»", 4},
            {"ООО «O'Neil Logistics»", 4},
        }};
        Insert org(db_, "INSERT INTO vedOrg VALUES (?, ?, ?, ?)");
        Insert vehicle(db_, "INSERT INTO vedAuto VALUES (?, ?, ?, ?)");
        int vehicleNumber = 0;
        for (const auto& [name, vidOplat] : organisations) {
            const std::string inn = std::to_string(random_.between(1000000, 9999999)) + "123";
            org(name, inn, vidOplat,
                "г. Архангельск, ул. Ленина, " + std::to_string(random_.between(1, 120)));
            for (int i = random_.between(1, 4); i > 0; --i)
                vehicle(code('A', ++vehicleNumber), name, plate(random_), inn);
        }
        // A vehicle whose organisation has left the list.
        vehicle(code('A', ++vehicleNumber), "ООО «Бывший клиент»", plate(random_), "7700000000");

        Insert discount(db_, "INSERT INTO bneOrg VALUES (?, ?)");
        const std::array<std::string_view, 5> discounted{"ООО «Автотранс»", "ИП Гончаров В.А.",
                                                         "ООО «Такси Экспресс»", "АО «Рыбфлот»",
                                                         "ООО «Вектор»"};
        for (const auto name : discounted)
            discount(name, random_.between(1, 10) / 2.0);
    }

    void writeContractors() {
        const std::array<std::string_view, 8> contractors{
            "ООО «Автотранс»",        "АО «Северные перевозки»", "ИП Гончаров В.А.",
            "ООО «Агрохолдинг Заря»", "ООО «СтройМаш»",          "ООО «Такси Экспресс»",
            "ООО «O'Neil Logistics»", "ООО «Ликвидирована»"};
        constexpr std::array<std::string_view, 6> kModels{"КАМАЗ", "ГАЗель", "МАЗ",
                                                          "Volvo", "Форд",   "УАЗ"};
        constexpr std::array<std::string_view, 8> kDrivers{
            "Андреев Павел Сергеевич", "Белов Игорь Николаевич", "Волков Сергей Петрович",
            "Григорьев Олег Иванович", "Дмитриев Антон Юрьевич", "Егоров Михаил Львович",
            "Жуков Роман Андреевич",   "Зайцев Виктор Борисович"};
        Insert contractor(db_, "INSERT INTO VdContractor VALUES (?, ?, ?, ?)");
        Insert car(db_, "INSERT INTO VdCar VALUES (?, ?, ?, ?)");
        Insert driver(db_, "INSERT INTO VdDriver VALUES (?, ?, ?, ?)");
        int cars = 0;
        int drivers = 0;
        for (std::size_t i = 0; i < contractors.size(); ++i) {
            const std::string id = code('C', static_cast<int>(i + 1));
            // The last contractor has been removed. Some cars and drivers are marked removed,
            // always the very first ones, so that every demo has some.
            contractor(id, contractors[i],
                       std::to_string(random_.between(1000000, 9999999)) + "000",
                       i + 1 == contractors.size());
            for (int n = random_.between(2, 4); n > 0; --n, ++cars)
                car(code('V', cars + 1), id,
                    std::string(random_.pick(kModels)) + " " + plate(random_),
                    cars == 0 || random_.chance(0.15));
            for (int n = random_.between(1, 3); n > 0; --n, ++drivers)
                driver(code('D', drivers + 1), id, random_.pick(kDrivers),
                       drivers == 0 || random_.chance(0.15));
        }
    }

    // The contracts, with the contractor of the same name as their organisation where the newer
    // directory has one.
    void writeContracts() {
        Insert contract(db_, "INSERT INTO Dogovor VALUES (?, ?, ?, ?, ?, ?)");
        for (std::size_t i = 0; i < kContracts.size(); ++i) {
            const DemoContract& terms = kContracts[i];
            std::optional<DateTime> end;
            if (terms.endYear != 0)
                end = EncodeDate(terms.endYear, 12, 31);
            contract(static_cast<int>(i + 1), terms.number,
                     EncodeDate(terms.begin[0], terms.begin[1], terms.begin[2]), end,
                     terms.organisation, contractorNamed(terms.organisation));
        }
    }

    Text contractorNamed(std::string_view name) {
        Statement query(db_, "SELECT ID FROM VdContractor WHERE Name = ?1 AND IsDelete = 0");
        query.bind(1, name);
        if (!query.step())
            return std::nullopt;
        return textOf(query, 0);
    }

    // Who took the fuel of each sale on account. Most are recorded in both directories; some in
    // one only, as at a station that moved to the newer directory in the middle of the year.
    void writeStatementRecords() {
        const Counterparties parties = readCounterparties();
        Insert record(db_, "INSERT INTO TrkVedom VALUES (?, ?, ?, ?, ?, ?, ?)");
        for (const SaleOnAccount& sale : salesOnAccount_) {
            std::optional<int> contract;
            const Counterparty* party = nullptr;
            if (sale.payment % 100 == kContractKind) {
                const std::size_t chosen = onAccount_.next() % kContracts.size();
                contract = static_cast<int>(chosen + 1);
                party = &parties.at(std::string(kContracts[chosen].organisation));
            } else {
                party = takerOf(parties, sale.payment);
            }
            if (party == nullptr)
                continue;
            enum class Kept { Organisation, Contractor, Both };
            Kept kept = Kept::Both;
            if (party->contractor.empty())
                kept = Kept::Organisation;
            else if (onAccount_.chance(0.3))
                kept = onAccount_.chance(0.5) ? Kept::Organisation : Kept::Contractor;
            Text organisation, vehicle, contractor, car, driver;
            if (kept != Kept::Contractor) {
                organisation = party->organisation;
                vehicle = anyOf(party->plates);
            }
            if (kept != Kept::Organisation) {
                contractor = party->contractor;
                car = anyOf(party->cars);
                driver = anyOf(party->drivers);
            }
            record(sale.id, organisation, vehicle, contractor, car, driver, contract);
        }
    }

    // An organisation of vedOrg with its vehicles' plates and the contractor of the same name,
    // with the cars and drivers that are not removed.
    struct Counterparty {
        std::string organisation;
        std::optional<int> vidOplat;
        std::vector<std::string> plates;
        std::string contractor;
        std::vector<std::string> cars;
        std::vector<std::string> drivers;
    };
    using Counterparties = std::map<std::string, Counterparty>;

    Counterparties readCounterparties() {
        Counterparties parties;
        for (Statement orgs(db_, "SELECT Name, VidOplat FROM vedOrg"); orgs.step();) {
            Counterparty& party = parties[textOf(orgs, 0)];
            party.organisation = textOf(orgs, 0);
            if (!orgs.isNull(1))
                party.vidOplat = static_cast<int>(orgs.integer(1));
        }
        for (Statement plates(db_, "SELECT Name, NumberAuto FROM vedAuto ORDER BY ID");
             plates.step();) {
            if (const auto owner = parties.find(textOf(plates, 0)); owner != parties.end())
                owner->second.plates.push_back(textOf(plates, 1));
        }
        std::map<std::string, Counterparty*> byId;
        for (Statement contractors(
                 db_, "SELECT ID, Name FROM VdContractor WHERE IsDelete = 0 ORDER BY ID");
             contractors.step();) {
            Counterparty& party = parties[textOf(contractors, 1)];
            party.contractor = textOf(contractors, 0);
            byId[party.contractor] = &party;
        }
        const auto readDetails = [&](std::string_view table, auto member) {
            Statement details(db_, "SELECT CID, ID FROM " + std::string(table) +
                                       " WHERE IsDelete = 0 ORDER BY ID");
            while (details.step()) {
                if (const auto owner = byId.find(textOf(details, 0)); owner != byId.end())
                    (owner->second->*member).push_back(textOf(details, 1));
            }
        };
        readDetails("VdCar", &Counterparty::cars);
        readDetails("VdDriver", &Counterparty::drivers);
        return parties;
    }

    // An organisation that takes fuel on the statement type: its own type, or any statement when
    // it has none recorded.
    const Counterparty* takerOf(const Counterparties& parties, int payment) {
        std::vector<const Counterparty*> takers;
        for (const auto& [name, party] : parties) {
            if (party.organisation.empty())
                continue;
            if (party.vidOplat ? *party.vidOplat == payment : payment % 100 == kStatementKind)
                takers.push_back(&party);
        }
        if (takers.empty())
            return nullptr;
        return takers[onAccount_.next() % takers.size()];
    }

    Text anyOf(const std::vector<std::string>& items) {
        if (items.empty())
            return std::nullopt;
        return items[onAccount_.next() % items.size()];
    }

    static std::string textOf(const Statement& statement, int column) {
        return std::string(statement.text(column));
    }

    struct SaleOnAccount {
        std::int64_t id;
        int payment;
    };

    const Connection& db_;
    const DemoOptions& options_;
    Random random_;
    Random extras_;
    Random onAccount_;
    std::vector<SaleOnAccount> salesOnAccount_;
    std::optional<Insert> insertPrx_;
    std::optional<Insert> insertTrk_;
    Insert insertSale_;
    Insert insertAct_;
    Insert insertTerminalReturn_;
    int coupons_ = 0;
    std::vector<Return> returns_;
};

// The temporary file beside the target; removed unless it was renamed into place.
class TemporaryFile {
public:
    explicit TemporaryFile(const fs::path& target) {
        std::string pattern =
            (target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string();
        const int fd = mkstemp(pattern.data());
        if (fd < 0)
            platform::throwSystemError(errno, pattern);
        // mkstemp makes the file private; the station database is read by every workplace.
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(fd, 0644 & ~mask);
        close(fd);
        path_ = pattern;
    }
    ~TemporaryFile() {
        if (!path_.empty()) {
            std::error_code ignored;
            fs::remove(path_, ignored);
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const fs::path& path() const { return path_; }

    // Flushes the file to disk and renames it to the target.
    void commit(const fs::path& target) {
        const int fd = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0 || fsync(fd) != 0) {
            const int error = errno;
            if (fd >= 0)
                close(fd);
            platform::throwSystemError(error, path_.string());
        }
        close(fd);
        fs::rename(path_, target);
        path_.clear();
    }

private:
    fs::path path_;
};

}  // namespace

void writeDemoDatabase(const fs::path& location, const DemoOptions& options) {
    if (isPostgresLocation(location.string())) {
        createStationDatabase(location, kStationSchemaVersion,
                              [&](const Connection& db) { DemoWriter(db, options).write(); });
        return;
    }
    const fs::path target = fs::absolute(location);
    TemporaryFile temporary(target);
    {
        Connection db = createStationDatabase(temporary.path());
        // The file becomes visible only by the rename below, so it needs no journal of its own.
        execute(db, "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF");
        Transaction transaction(db);
        DemoWriter(db, options).write();
        transaction.commit();
    }
    temporary.commit(target);
}

}  // namespace kvt::appserver
