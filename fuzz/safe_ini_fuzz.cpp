// cnf.INI as TSafeIniFile reads it: the fuzz bytes are the file, and every key of it is read
// through each typed reader, with and without the companion keys of long values.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "infra/SafeIniFiles.h"
#include "platform/PathMap.h"

namespace {

const char* const kFileName = "C:\\WINDOWS\\cnf.INI";
// Enough keys to meet long values and their companions, few enough to keep an input cheap.
constexpr std::size_t kMaxSections = 8;
constexpr std::size_t kMaxKeys = 16;

std::filesystem::path localFile() {
    return kvt::fuzz::scratchRoot().driveC() / "WINDOWS" / "cnf.INI";
}

void writeFile(std::string_view bytes) {
    std::ofstream out(localFile(), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A name the file holds may still be one the reader refuses (an empty one).
template <class Read>
void attempt(Read read) {
    try {
        read();
    } catch (const kvt::EIniFileException&) {
    }
}

void readKey(kvt::TSafeIniFile& ini, const std::string& section, const std::string& key) {
    attempt([&] { ini.ReadString(section, key, "default"); });
    attempt([&] { ini.ReadInteger(section, key, -1); });
    attempt([&] { ini.ReadBool(section, key, true); });
    attempt([&] { ini.ReadDate(section, key, 1.5); });
    attempt([&] { ini.ReadDateTime(section, key, 1.5); });
    attempt([&] { ini.ReadTime(section, key, 0.5); });
    attempt([&] { ini.ReadFloat(section, key, 2.5); });
    attempt([&] { ini.ValueExists(section, key); });
    std::string text;
    attempt([&] { ini.ReadHexString(section, key, text, "00"); });
    attempt([&] { ini.ReadQuotedString(section, key, text, '`', ""); });
    attempt([&] { ini.ReadQuotedString(section, key, text, 0, ""); });
}

void readSection(kvt::TSafeIniFile& ini, const std::string& section) {
    std::vector<std::string> keys;
    attempt([&] { ini.ReadSection(section, keys); });
    std::vector<std::string> lines;
    attempt([&] { ini.ReadSectionValues(section, lines); });
    for (std::size_t i = 0; i < keys.size() && i < kMaxKeys; ++i)
        readKey(ini, section, keys[i]);
}

void readEverything(kvt::TSafeIniFile& ini) {
    std::vector<std::string> sections;
    attempt([&] { ini.ReadSections(sections); });
    for (std::size_t i = 0; i < sections.size() && i < kMaxSections; ++i)
        readSection(ini, sections[i]);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::filesystem::create_directories(localFile().parent_path());
    // Otherwise every input would read a missing file and find nothing.
    if (kvt::platform::PathMap::resolve(kFileName) != localFile()) {
        std::fprintf(stderr, "%s does not map to %s\n", kFileName, localFile().c_str());
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    writeFile(kvt::fuzz::asText(data, size));
    kvt::TSafeIniFile ini(kFileName);
    for (const bool plain : {false, true}) {
        ini.PlainMode = plain;
        readEverything(ini);
    }
    return 0;
}
