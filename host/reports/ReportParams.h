#pragma once
// A report's parameter array as the plug-in sends it, read element by element. Every refusal is a
// std::runtime_error "<report>: элемент N (<what>): <problem>, получено <value>", the value in its
// canonical text, so that an integrator sees which element of which request is wrong. A family
// reads its whole array before it touches the station, so a malformed request never gives half
// a report.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "infra/DateTime.h"
#include "kvtreports/Variant.h"

namespace kvt::host {

class ParamArray {
public:
    // `report` opens every message, e.g. "Сменный отчет (№45)". Anything but a one-dimensional
    // array of one of `counts` elements is refused.
    ParamArray(const Variant& params, std::string report,
               std::initializer_list<std::size_t> counts);

    std::size_t size() const { return elements_->size(); }
    const Variant& at(std::size_t index) const { return (*elements_)[index]; }

    [[noreturn]] void fail(std::size_t index, std::string_view what, std::string_view problem,
                           const Variant& value) const;

    // An integer of any integer type that fits 32 bits.
    std::int32_t integer(std::size_t index, std::string_view what) const;
    // An integer inside the array of element `index`; `where` names its place there, e.g.
    // "тройка 0: позиция: ".
    std::int32_t integerIn(std::size_t index, std::string_view what, const Variant& value,
                           std::string_view where) const;
    // A date-time (Date).
    DateTime date(std::size_t index, std::string_view what) const;
    // A string; Empty is the empty string.
    std::string text(std::size_t index, std::string_view what) const;
    // A boolean (Bool).
    bool flag(std::size_t index, std::string_view what) const;
    // A one-dimensional array.
    const Variant& array(std::size_t index, std::string_view what) const;
    // A payment-type selection: an array of integers, one per payment type, not 0 = chosen.
    std::vector<bool> payTypeMask(std::size_t index, std::string_view what) const;

private:
    std::string report_;
    const std::vector<Variant>* elements_ = nullptr;
};

}  // namespace kvt::host
