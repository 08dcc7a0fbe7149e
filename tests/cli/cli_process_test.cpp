// Runs the vaskiro tool as a process, as a script would.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "config/data_file.h"

using namespace vaskiro::config;
namespace fs = std::filesystem;

namespace {

struct ToolRun {
    int code = -1;
    std::string out;  // standard output and standard error, in order
};

ToolRun runTool(const std::string& arguments) {
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
        m_dir = fs::temp_directory_path() /
                ("vaskiro-cli-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }
    std::string path(const char* name) const { return (m_dir / name).string(); }

    fs::path m_dir;
};

ConfigurationImage defaults() {
    ConfigurationImage image;
    image.SetDefaults();
    return image;
}

}  // namespace

TEST_F(VaskiroTool, InfoIdentifiesTheSimulatedDevice) {
    ToolRun run = runTool("--simulate info");
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.out, "Appware Version:1.00\nSerial Number: 12345\n");
}

TEST_F(VaskiroTool, WithoutADeviceTheRealPathCannotFindIt) {
    ToolRun run = runTool("info");
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.out.rfind("Cannot find VASKIRO", 0), 0u) << run.out;
}

TEST_F(VaskiroTool, AReadAfterAWriteInAnotherProcessReturnsWhatTheLinkCarries) {
    ConfigurationImage image = defaults();
    image.setAddress(AddressField::IPAddress, {10, 1, 2, 3});
    image.setObjectIdentifier(4194302);
    image.setBacnetPort(47809);
    image.setName(NameGroup::Output, 16, "Pump");
    image.setFlag(FlagGroup::InvertInput, 9, true);
    image.setAnalogueUnitCode(3, 62);
    image.setAnalogueValue(FloatGroup::COVIncrement, 2, 0.5);
    image.setText(TextField::DevicePassword, "secret");
    ASSERT_TRUE(writeDataFile(path("in.dat"), image).ok);

    std::string state = "--simulate=" + path("device.dat");
    ToolRun write = runTool(state + " write " + path("in.dat"));
    ASSERT_EQ(write.code, 0) << write.out;
    EXPECT_NE(write.out.find("Download Complete"), std::string::npos);

    ToolRun read = runTool("read " + state + " -o " + path("out.dat"));
    ASSERT_EQ(read.code, 0) << read.out;
    ConfigurationImage back;
    ASSERT_EQ(readDataFile(path("out.dat"), back).outcome, LoadOutcome::Loaded);
    EXPECT_EQ(back, image);
}

TEST_F(VaskiroTool, BadFilesAndValuesFailWithTheirMessageAndWriteNothing) {
    std::ofstream(path("junk.dat")) << "not a data file";
    ToolRun junk = runTool("--simulate write " + path("junk.dat"));
    EXPECT_EQ(junk.code, 1);
    EXPECT_EQ(junk.out, "Incompatible data file: " + path("junk.dat") + "\n");

    ToolRun missing = runTool("--simulate write " + path("missing.dat"));
    EXPECT_EQ(missing.code, 1);
    EXPECT_EQ(missing.out.rfind("Error Opening File: ", 0), 0u);

    ConfigurationImage image = defaults();
    image.setText(TextField::DevicePassword, "thirteen-char");
    ASSERT_TRUE(writeDataFile(path("long.dat"), image).ok);
    ToolRun longPassword = runTool("--simulate write " + path("long.dat"));
    EXPECT_EQ(longPassword.code, 2);
    EXPECT_EQ(longPassword.out, "There are errors: Password longer than 12 characters.\n");

    ToolRun noDevice = runTool("read -o " + path("never.dat"));
    EXPECT_EQ(noDevice.code, 1);
    EXPECT_FALSE(fs::exists(path("never.dat")));
}

TEST_F(VaskiroTool, BadUsageExitsWithTwo) {
    EXPECT_EQ(runTool("").code, 2);
    EXPECT_EQ(runTool("read --simulate").code, 2);
    EXPECT_EQ(runTool("--timeout -1 --simulate info").code, 2);
    ToolRun help = runTool("read --help");
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find("--output"), std::string::npos);
}
