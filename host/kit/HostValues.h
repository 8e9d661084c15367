#pragma once
// The values a host hands the plug-in through GetHostValue and GetValue, kept by code, with the
// JSON form integrators write them in:
//   {"15": 0, "5": true, "13": "SERVER", "19": ["&Наличные", ...],
//    "57": [{"code": 0, "enabled": true, "kind": 0}, ...]}
// Keys are host value codes in decimal; booleans become Bool, integers I4, strings Str, code 19
// an array of Str from 0, code 57 the payment-type list.
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "kvtreports/Host.h"

namespace kvt::host {

class HostValuesError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct HostPayType final : PayTypeItem {
    HostPayType(std::int32_t code, bool enabled, std::uint8_t kind)
        : code_(code), enabled_(enabled), kind_(kind) {}
    std::int32_t code() const override { return code_; }
    bool enabled() const override { return enabled_; }
    std::uint8_t kind() const override { return kind_; }

    std::int32_t code_;
    bool enabled_;
    std::uint8_t kind_;
};

class HostPayTypeList final : public PayTypeList {
public:
    explicit HostPayTypeList(std::vector<HostPayType> items) : items_(std::move(items)) {}
    // Throws std::out_of_range for a position the list does not have.
    const PayTypeItem& item(std::int32_t position) const override;
    const std::vector<HostPayType>& items() const { return items_; }

private:
    std::vector<HostPayType> items_;
};

class HostValues {
public:
    // Parses the JSON form; throws HostValuesError naming the code and what is wrong.
    static HostValues fromJson(const std::string& json);
    static HostValues fromFile(const std::filesystem::path& path);

    // The value of a code: the one set, else the default a simple console would answer:
    // 0 Bool(true) (a shift is open), 1, 2, 8, 9, 10 Bool(false), 5, 6 Bool(true), 11 I4(1)
    // (the server runs here), 12 I4(0), 13 Str(""), 15 I4(0), 19 Str("") (no captions: the
    // plug-in takes its defaults); any other code Empty.
    Variant value(std::int32_t code) const;
    void set(std::int32_t code, Variant value);
    bool has(std::int32_t code) const { return values_.contains(code); }

    // The payment-type list of code 57, or none (GetValue then answers a string).
    const HostPayTypeList* payTypes() const { return payTypes_.get(); }
    void setPayTypes(std::vector<HostPayType> items);
    // What GetValue answers for code 57: a reference to the list, or Str("") without one.
    Variant payTypeReference() const;

private:
    std::map<std::int32_t, Variant> values_;
    std::shared_ptr<const HostPayTypeList> payTypes_;
};

}  // namespace kvt::host
