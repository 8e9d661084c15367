#pragma once
// The station's payment types as the reports see them: captions from the host (or the usual
// thirteen), and the table of caption, code, kind of payment (code modulo 100) and the host's
// kind byte that payment-type selections are indexed by.
#include <cstdint>
#include <string>
#include <vector>

#include "kvtreports/Host.h"
#include "kvtreports/Variant.h"

namespace kvt::plugin {

// Columns of PayTypeTable; every cell is a string.
enum PayTypeColumn : std::int32_t {
    PayTypeCaptionColumn = 0,
    PayTypeCodeColumn = 1,
    PayTypeKindColumn = 2,      // the code modulo 100: 4 statements, 8 contracts, 9 coupons...
    PayTypeHostKindColumn = 3,  // the host's kind byte, "-1" without a host list
};

// The code modulo 100 of a statement payment type.
inline constexpr std::int32_t kStatementPayKind = 4;

struct PayTypes {
    Variant PayTypeCaptions;  // strings from 0, leading "&" removed
    Variant PayTypeTable;     // rows 0 .. PayTypeCount - 1, columns 0 .. 3
    std::int32_t PayTypeCount = 0;
    bool StatementsEnabled = false;

    // The code column and the caption column, in table order.
    std::vector<std::int32_t> codes() const;
    std::vector<std::string> captions() const;
};

// The captions used when the host gives none: 13 of them, index = code.
Variant DefaultPayTypeCaptions();

// The table for `captions`, with the codes, enabled flags and kinds of the host's list of code
// 57 when getValue gives one. A list that cannot be had costs a beep and the table is made from
// row numbers; so does each row from 13 on without a list (code 0). statementsEnabled is
// cleared first and set row by row, so an error part-way leaves what the rows before found.
Variant BuildPayTypeTable(const Variant& captions, GetValueFunc getValue, bool& statementsEnabled);

// Re-reads everything from the host (captions of code 19, the list of code 57). Without
// getHostValue the payment types stay empty. Errors end the reading silently and leave what
// was reached.
void UpdatePayTypes(PayTypes& payTypes, GetHostValueFunc getHostValue, GetValueFunc getValue);

}  // namespace kvt::plugin
