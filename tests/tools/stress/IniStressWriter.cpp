// One of several processes writing long values to one INI file at once:
//   ini_stress_writer FILE WRITER ROUNDS KEYS
// Each round writes the writer's next key and reads it back; a value that does not read back
// whole, or a key of its own that another process's write has reverted, ends it with exit code 2.

#include <iostream>
#include <map>
#include <string>

#include "infra/SafeIniFiles.h"
#include "stress/LongValue.h"

int main(int argc, char** argv) {
    if (argc != 5) {
        std::cerr << "usage: ini_stress_writer FILE WRITER ROUNDS KEYS\n";
        return 1;
    }
    const std::string file = argv[1];
    const int writer = std::stoi(argv[2]);
    const int rounds = std::stoi(argv[3]);
    const int keys = std::stoi(argv[4]);
    std::map<std::string, std::string> written;
    try {
        for (int round = 0; round < rounds; ++round) {
            const std::string key = kvt::test::writerKey(writer, round, keys);
            const std::string value = kvt::test::longValue(writer, round);
            kvt::TSafeIniFile ini(file);
            ini.WriteString("Load", key, value);
            written[key] = kvt::test::asRead(value);
            for (const auto& [name, expected] : written) {
                if (ini.ReadString("Load", name, "") != expected) {
                    std::cerr << "writer " << writer << " round " << round << ": " << name
                              << " does not read back whole\n";
                    return 2;
                }
            }
        }
    } catch (const std::exception& error) {
        std::cerr << error.what() << "\n";
        return 1;
    }
    return 0;
}
