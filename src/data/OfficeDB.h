#pragma once
// The office's table of the network's stations, a Paradox table of the office software, read as
// the desktop database engine would answer the dialogs' two statements:
//   SELECT * FROM "C:\VEDA\OfficeDB\Office.DB"
//   SELECT * FROM "C:\VEDA\OfficeDB\Office.DB" ORDER BY KVTNumber
// (key words and the field name in any case, blanks as typed around them). Any other text is
// refused, so that nothing but these reads ever reaches the file.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "data/ParadoxTable.h"

namespace kvt::data {

inline constexpr std::string_view kOfficeTablePath = "C:\\VEDA\\OfficeDB\\Office.DB";

// One query over the office table, opened once and walked record by record.
class TOfficeQuery {
public:
    std::string SQL;

    // Reads the table through the drive mapping; throws ParadoxError for a statement it does
    // not accept, a missing or unreadable file, or an ORDER BY field the table lacks.
    void Open();
    bool Eof() const;
    void Next();
    // The current record's value of the named field; throws ParadoxError when the table has
    // no such field.
    const Variant& FieldByName(std::string_view name) const;

private:
    ParadoxTable table_;
    std::vector<std::size_t> order_;
    std::size_t position_ = 0;
};

}  // namespace kvt::data
