#include "data/Field.h"

#include <cmath>

#include "data/ClientDataSet.h"
#include "infra/NumberText.h"

namespace kvt::data {

using appserver::FieldType;

namespace {

bool isNumeric(FieldType type) {
    switch (type) {
        case FieldType::Integer:
        case FieldType::SmallInt:
        case FieldType::Float:
        case FieldType::Currency:
            return true;
        default:
            return false;
    }
}

// Widths a grid gives a column when the form sets none, in characters.
int defaultWidth(const appserver::FieldDef& def) {
    switch (def.type) {
        case FieldType::String:
            return def.size > 0 ? def.size : 20;
        case FieldType::SmallInt:
            return 6;
        case FieldType::Integer:
            return 10;
        case FieldType::Float:
        case FieldType::Currency:
            return 10;
        case FieldType::Date:
            return 10;
        case FieldType::DateTime:
            return 18;
        case FieldType::Boolean:
            return 5;
    }
    return 10;
}

std::string currencyText(double value, const FormatSettings& settings) {
    return formatFixed(value, 2, settings.decimalSeparator, " ") + " р.";
}

}  // namespace

std::string fieldValueText(const Variant& value, FieldType type) {
    if (value.isNull() || value.isEmpty())
        return {};
    switch (type) {
        case FieldType::Integer:
        case FieldType::SmallInt:
            return std::to_string(value.toInt64());
        case FieldType::Float:
        case FieldType::Currency:
            return FloatToStr(value.toDouble());
        case FieldType::Date:
            return FormatDateTime(defaultFormatSettings().shortDateFormat, value.toDate());
        case FieldType::DateTime:
            return DateTimeToStr(value.toDate());
        case FieldType::Boolean:
            return value.toBool() ? "True" : "False";
        case FieldType::String:
            return value.toString();
    }
    return value.toString();
}

std::string FormatFloat(std::string_view format, double value, const FormatSettings& settings) {
    const auto point = format.find('.');
    int decimals = 0;
    if (point != std::string_view::npos) {
        for (auto i = point + 1; i < format.size() && (format[i] == '0' || format[i] == '#'); ++i)
            ++decimals;
    }
    const bool grouped = format.substr(0, point).find(',') != std::string_view::npos;
    return formatFixed(value, decimals, settings.decimalSeparator, grouped ? " " : "");
}

Field::Field(ClientDataSet& dataSet, appserver::FieldDef def)
    : Alignment(isNumeric(def.type) ? FieldAlignment::Right : FieldAlignment::Left),
      dataSet_(&dataSet),
      def_(std::move(def)) {}

int Field::Index() const {
    return dataSet_->fieldIndex(*this);
}

const std::string& Field::DisplayName() const {
    return DisplayLabel.empty() ? def_.name : DisplayLabel;
}

int Field::EffectiveDisplayWidth() const {
    return DisplayWidth > 0 ? DisplayWidth : defaultWidth(def_);
}

Variant Field::Value() const {
    return dataSet_->fieldValue(*this);
}

bool Field::IsNull() const {
    const Variant value = Value();
    return value.isNull() || value.isEmpty();
}

std::string Field::AsString() const {
    return fieldValueText(Value(), def_.type);
}

std::int32_t Field::AsInteger() const {
    const Variant value = Value();
    return value.isNull() ? 0 : value.toInt();
}

double Field::AsFloat() const {
    const Variant value = Value();
    return value.isNull() ? 0.0 : value.toDouble();
}

double Field::AsCurrency() const {
    return AsFloat();
}

DateTime Field::AsDateTime() const {
    const Variant value = Value();
    return value.isNull() ? 0.0 : value.toDate();
}

bool Field::AsBoolean() const {
    const Variant value = Value();
    return value.isNull() ? false : value.toBool();
}

std::string Field::defaultText(bool display) const {
    const Variant value = Value();
    if (value.isNull() || value.isEmpty())
        return {};
    const bool number = def_.type == FieldType::Float || def_.type == FieldType::Currency;
    if (display && number) {
        if (!DisplayFormat.empty())
            return FormatFloat(DisplayFormat, value.toDouble());
        if (Currency || def_.type == FieldType::Currency)
            return currencyText(value.toDouble(), defaultFormatSettings());
    }
    if (display && !DisplayFormat.empty() &&
        (def_.type == FieldType::Date || def_.type == FieldType::DateTime))
        return FormatDateTime(DisplayFormat, value.toDate());
    return fieldValueText(value, def_.type);
}

std::string Field::DisplayText() const {
    if (!OnGetText)
        return defaultText(true);
    std::string text;
    OnGetText(*this, text, true);
    return text;
}

std::string Field::Text() const {
    if (!OnGetText)
        return defaultText(false);
    std::string text;
    OnGetText(*this, text, false);
    return text;
}

}  // namespace kvt::data
