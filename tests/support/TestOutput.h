#pragma once
// Where a test leaves pictures and outputs for people to look at: $LUMI_TEST_OUTPUT
// (CTest sets it), else the same folder in the build tree; never the source tree.
#include <cstdlib>
#include <filesystem>
#include <string>

namespace testing_support {

inline std::string TestOutputDir() {
    const char* env = std::getenv("LUMI_TEST_OUTPUT");
    const std::string dir = env && *env ? env : LUMI_TEST_OUTPUT_DIR;
    std::filesystem::create_directories(dir);
    return dir;
}

} // namespace testing_support
