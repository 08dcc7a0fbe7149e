#pragma once

// Runs the vaskiro tool as a process, as a script would, in a folder of its
// own per test.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

// Every program a test starts sees no real device, whatever is plugged in.
inline const bool kHardwareBarred = setenv("VASKIRO_NO_HARDWARE", "1", 1) == 0;

struct ToolRun {
    int code = -1;
    std::string out;  // standard output and standard error, in order
};

inline ToolRun runTool(const std::string& arguments) {
    std::string command = std::string(VASKIRO_TOOL) + " " + arguments + " 2>&1";
    ToolRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    std::array<char, 512> buffer{};
    while (fgets(buffer.data(), static_cast<int>(buffer.size()), pipe)) run.out += buffer.data();
    int status = pclose(pipe);
    run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

class VaskiroTool : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = std::filesystem::temp_directory_path() /
                ("vaskiro-cli-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }
    std::string path(const char* name) const { return (m_dir / name).string(); }

    std::filesystem::path m_dir;
};
