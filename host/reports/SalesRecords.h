#pragma once
// The station's records behind the console's sales and returns reports: the shifts a report
// names, the sales of a period with what each carried (discount, bonus, card, coupon), the return
// certificates and the returns still owed to the card terminal. A station database older than
// these records (schema version 1) reads as having none of them.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "appserver/StationDatabase.h"
#include "host/reports/ReportFamily.h"
#include "infra/DateTime.h"

namespace kvt::host {

struct ShiftSpan {
    std::int32_t first = 0;
    std::int32_t last = 0;
    DateTime begin = 0;
    std::optional<DateTime> end;  // none while the last shift is open
    std::string operatorName;     // of the first shift
};

// The shifts from first to last (in either order) as the log has them. Throws std::runtime_error
// naming the shifts when the log has none of them.
ShiftSpan readShiftSpan(const appserver::Connection& db, std::int32_t first, std::int32_t last);

// The console's current shift, else the latest one of the log.
std::int32_t currentShift(const appserver::Connection& db, const ReportContext& context);

// From begin to end, both included; no end: up to the latest record.
struct Period {
    DateTime begin = 0;
    std::optional<DateTime> end;
};

// A pump log line that ends a delivery, with what the sale carried besides.
struct SaleRow {
    std::string pump;
    DateTime time = 0;
    std::string grade;
    std::optional<std::int32_t> payment;  // none: no payment type
    std::string customer;
    double liters = 0;
    double summa = 0;
    double discount = 0;
    double bonus = 0;
    std::string card;
    std::string coupon;
};

// The sales of the period by time. A card pattern (SQL LIKE: "%" any run of characters, "_"
// one character) keeps the sales paid by a card whose number it matches; empty keeps all.
std::vector<SaleRow> readSales(const appserver::Connection& db, const Period& period,
                               std::string_view cardPattern = {});

// A return certificate: money or fuel given back for a short delivery.
struct ReturnActRow {
    std::int32_t number = 0;
    std::int32_t shift = 0;
    DateTime time = 0;
    std::string operatorName;
    std::string pump;
    std::string grade;
    std::optional<std::int32_t> payment;  // of the sale
    double liters = 0;
    double summa = 0;
    std::string customer;
    std::string card;
    std::string reason;
};

// The certificates of the shifts from first to last, by time.
std::vector<ReturnActRow> readReturnActs(const appserver::Connection& db, std::int32_t first,
                                         std::int32_t last);

// A return to the card terminal still to be made.
struct TerminalReturnRow {
    std::int32_t shift = 0;
    DateTime time = 0;
    std::string pump;
    std::string card;
    std::string grade;
    std::optional<std::int32_t> payment;
    double liters = 0;
    double summa = 0;
};

// The outstanding terminal returns of the shifts from first to last, by time.
std::vector<TerminalReturnRow> readTerminalReturns(const appserver::Connection& db,
                                                   std::int32_t first, std::int32_t last);

}  // namespace kvt::host
