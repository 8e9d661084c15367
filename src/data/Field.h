#pragma once

// A field of a client dataset: one column of its records, with the presentation properties that
// grids and reports read (label, visibility, width, alignment, display format, get-text handler).
// Values are those of the dataset's current record.

#include <functional>
#include <string>

#include "appserver/AppServer.h"
#include "infra/DateTime.h"
#include "kvtreports/Exception.h"
#include "kvtreports/Variant.h"

namespace kvt::data {

class ClientDataSet;

// Misuse of a dataset or its fields. Messages name the dataset first, as the platform does:
// "SmLogtable: Поле 'X' не найдено".
class DataSetError : public ExceptionOf<DataSetError> {
public:
    using ExceptionOf::ExceptionOf;
};

enum class FieldAlignment { Left, Right, Center };

class Field {
public:
    using GetTextHandler =
        std::function<void(const Field& field, std::string& text, bool displayText)>;

    // Fields are made by their dataset (ClientDataSet::AddField, CreateField, Open).
    Field(ClientDataSet& dataSet, appserver::FieldDef def);
    Field(const Field&) = delete;
    Field& operator=(const Field&) = delete;

    const std::string& FieldName() const { return def_.name; }
    appserver::FieldType DataType() const { return def_.type; }
    int Size() const { return def_.size; }
    const appserver::FieldDef& Def() const { return def_; }
    ClientDataSet& DataSet() const { return *dataSet_; }
    // Position among the dataset's fields, from 0.
    int Index() const;

    std::string DisplayLabel;  // empty: the field name is shown
    bool Visible = true;
    int DisplayWidth = 0;  // characters; 0: derived from the type and size
    FieldAlignment Alignment = FieldAlignment::Left;  // Right for numbers, set by the constructor
    std::string DisplayFormat;                        // "0.00", "#,##0.00" for numbers
    bool Currency = false;                            // a Float shown as money ("1 234,50 р.")
    std::string Origin;
    GetTextHandler OnGetText;

    // The label, or the field name when no label is set.
    const std::string& DisplayName() const;
    // DisplayWidth, or the default for the type and size when it is 0.
    int EffectiveDisplayWidth() const;

    // The current record's value; Null when the dataset has no current record.
    Variant Value() const;
    bool IsNull() const;
    std::string AsString() const;
    std::int32_t AsInteger() const;
    double AsFloat() const;
    double AsCurrency() const;
    DateTime AsDateTime() const;
    bool AsBoolean() const;
    // The text a grid shows: the get-text handler if set, else the display format, currency or
    // the type's default text.
    std::string DisplayText() const;
    // The editing text: the get-text handler (displayText false) if set, else the default text.
    std::string Text() const;

private:
    friend class ClientDataSet;

    std::string defaultText(bool display) const;

    ClientDataSet* dataSet_;
    appserver::FieldDef def_;
    int column_ = -1;  // the field's column in the dataset's records; -1 while it is closed
};

// The default text of a value of the given type: integers in decimal, floats as FloatToStr,
// dates "dd.mm.yyyy", date-times as DateTimeToStr, booleans "True"/"False", Null as "".
std::string fieldValueText(const Variant& value, appserver::FieldType type);

// A number in a display format of the form "0.00", "0", "#,##0.00" (digits after the point as
// zeros, a comma for groups of thousands).
std::string FormatFloat(std::string_view format, double value,
                        const FormatSettings& settings = defaultFormatSettings());

}  // namespace kvt::data
