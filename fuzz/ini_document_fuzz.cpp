// The INI text of the station's shared configuration files, as any program or hand may have
// left it: parsed, read back key by key, written out unchanged and after one change.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "infra/IniFile.h"

namespace {

using kvt::IniDocument;

void require(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "INI invariant broken: %s\n", what);
        std::abort();
    }
}

struct KeyValue {
    std::string section;
    std::string key;
    std::optional<std::string> value;
};

// Every key as value() reads it, in file order.
std::vector<KeyValue> readAll(const IniDocument& document) {
    std::vector<KeyValue> all;
    for (const std::string& section : document.sectionNames()) {
        require(document.hasSection(section), "a listed section is missing");
        const std::vector<std::string> keys = document.keyNames(section);
        require(document.keyCount(section) >= keys.size(), "fewer key lines than key names");
        for (const std::string& key : keys) {
            const auto value = document.value(section, key);
            require(value.has_value(), "a listed key has no value");
            require(value->size() <= IniDocument::kMaxValueLength, "a value beyond the limit");
            all.push_back({section, key, value});
        }
    }
    return all;
}

bool writable(std::string_view name) {
    return name.find_first_of("\r\n") == std::string_view::npos;
}

// Changing one key rewrites that key only: every other key reads as before. A name that holds a
// CR (a line ends at LF only) can be read but not written.
void changeOneKey(IniDocument document, const std::vector<KeyValue>& before) {
    const auto target = std::find_if(before.begin(), before.end(), [](const KeyValue& entry) {
        return writable(entry.section) && writable(entry.key);
    });
    if (target == before.end())
        return;
    const std::string changed = "fuzz value";
    document.setValue(target->section, target->key, changed);
    const IniDocument reread = IniDocument::parse(document.text());
    for (const KeyValue& entry : before) {
        const bool isChanged =
            IniDocument::fold(entry.section) == IniDocument::fold(target->section) &&
            IniDocument::fold(entry.key) == IniDocument::fold(target->key);
        require(reread.value(entry.section, entry.key) == (isChanged ? changed : entry.value),
                "a write changed another key or lost its own value");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = kvt::fuzz::asText(data, size);
    const IniDocument document = IniDocument::parse(bytes);
    require(document.text() == bytes, "an unchanged document is not written back as read");
    const std::vector<KeyValue> all = readAll(document);
    changeOneKey(document, all);
    // A few sections are enough to reach every path of the erase, and keep an input cheap.
    const std::vector<std::string> sections = document.sectionNames();
    for (std::size_t i = 0; i < sections.size() && i < 4; ++i) {
        const std::string& section = sections[i];
        IniDocument erased = document;
        erased.eraseSection(section);
        require(!IniDocument::parse(erased.text()).hasSection(section), "an erased section stays");
    }
    return 0;
}
