#include "appserver/AppServer.h"

namespace kvt::appserver {

std::string_view fieldTypeName(FieldType type) {
    switch (type) {
        case FieldType::Integer:
            return "Integer";
        case FieldType::SmallInt:
            return "SmallInt";
        case FieldType::String:
            return "String";
        case FieldType::Float:
            return "Float";
        case FieldType::Currency:
            return "Currency";
        case FieldType::Date:
            return "Date";
        case FieldType::DateTime:
            return "DateTime";
        case FieldType::Boolean:
            return "Boolean";
    }
    return "Unknown";
}

}  // namespace kvt::appserver
