#pragma once
// A demo station database for one benchmark run, in a private temporary folder removed at exit.
#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "appserver/DemoData.h"

namespace kvt::bench {

class BenchStation {
public:
    explicit BenchStation(int shifts) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kvt-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        folder_ = pattern;
        appserver::writeDemoDatabase(database(), {shifts, 1});
    }
    ~BenchStation() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    BenchStation(const BenchStation&) = delete;
    BenchStation& operator=(const BenchStation&) = delete;

    const std::filesystem::path& folder() const { return folder_; }
    std::filesystem::path database() const { return folder_ / "station.db"; }

private:
    std::filesystem::path folder_;
};

}  // namespace kvt::bench
