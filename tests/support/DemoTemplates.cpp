#include "support/DemoTemplates.h"

#include <filesystem>
#include <fstream>

#include "platform/CodePage.h"
#include "platform/PathMap.h"
#include "support/TestRoot.h"

namespace kvt::test {

namespace fs = std::filesystem;

namespace {

const fs::path kSource = KVT_DEMO_TEMPLATES_DIR;

}  // namespace

void writeTemplate(const std::string& windowsPath, const std::string& text) {
    const fs::path local = platform::PathMap::toLocal(windowsPath);
    fs::create_directories(local.parent_path());
    writeFile(local, platform::utf8ToCp1251(text));
}

void layDemoTemplates() {
    for (const char* folder : {"REPORT", "WEBREP"}) {
        const fs::path target =
            platform::PathMap::toLocal(std::string("C:\\VEDA\\FORMS\\") + folder);
        fs::create_directories(target);
        for (const auto& entry : fs::directory_iterator(kSource / folder))
            writeFile(target / entry.path().filename(),
                      platform::utf8ToCp1251(readFile(entry.path())));
    }
}

std::vector<std::pair<std::string, std::string>> demoTemplateRows() {
    std::ifstream file(kSource / "SmenaRep-demo.txt");
    std::vector<std::pair<std::string, std::string>> rows;
    for (std::string line; std::getline(file, line);) {
        const auto equals = line.find('=');
        if (!line.starts_with('#') && equals != std::string::npos)
            rows.emplace_back(line.substr(0, equals), line.substr(equals + 1));
    }
    return rows;
}

}  // namespace kvt::test
