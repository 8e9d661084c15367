// The office's station table as the dialogs read it: the fuzz bytes are the Paradox file, read
// whole and every value of it turned into text, as the station list does with its names.
#include <cstddef>
#include <cstdint>
#include "FuzzSupport.h"
#include "data/ParadoxTable.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const kvt::data::ParadoxTable table =
            kvt::data::ParadoxTable::parse(kvt::fuzz::asText(data, size));
        for (const auto& record : table.records())
            for (const kvt::Variant& value : record)
                (void)value.toString();
        (void)table.fieldIndex("KVTName");
    } catch (const kvt::data::ParadoxError&) {
    }
    return 0;
}
