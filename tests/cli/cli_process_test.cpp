// Runs the vaskiro tool as a process, as a script would.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "core/data_file.h"

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
    for (const char* command : {"info", "list"}) {
        ToolRun run = runTool(command);
        EXPECT_EQ(run.code, 1);
        EXPECT_EQ(run.out.rfind("Cannot find VASKIRO", 0), 0u) << run.out;
    }
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

namespace {

// A configuration that exercises what a file can hold beyond the window:
// reserved bytes, a text without NUL, bytes behind a NUL, a flag byte of 2,
// an undefined unit, an identifier above the signed range, odd floats.
ConfigurationImage oddImage() {
    ConfigurationImage image = defaults();
    image.bytes()[1373] = 0xA5;
    image.bytes()[1375] = 0x01;
    std::fill_n(image.bytes().begin() + 44, 32, static_cast<std::uint8_t>('N'));  // input 1, no NUL
    image.setText(TextField::Location, "AB");                                      // "Earth" behind it
    image.bytes()[1326] = 2;
    image.bytes()[1324] = 7;
    image.setAnalogueUnitCode(4, 200);
    image.setObjectIdentifier(0x80000000u);
    image.setAnalogueValue(FloatGroup::AnalogueScaling, 1, 0.1);
    image.setAnalogueValue(FloatGroup::COVIncrement, 8, 1e-5);
    image.setName(NameGroup::Output, 2, "\x80uro \xE9t\xE9");
    return image;
}

std::vector<std::uint8_t> fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace

TEST_F(VaskiroTool, ExportThenImportGivesTheSameBytes) {
    ASSERT_TRUE(writeDataFile(path("odd.dat"), oddImage()).ok);
    ToolRun exported = runTool("export " + path("odd.dat") + " > " + path("odd.json"));
    ASSERT_EQ(exported.code, 0) << exported.out;
    ToolRun imported = runTool("import " + path("odd.json") + " -o " + path("back.dat"));
    ASSERT_EQ(imported.code, 0) << imported.out;
    EXPECT_EQ(fileBytes(path("back.dat")), fileBytes(path("odd.dat")));

    // An edited setting wins over the image; names come back as UTF-8.
    std::ifstream in(path("odd.json"));
    std::string json((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(json.find("\"name\": \"\u20ACuro \u00E9t\u00E9\""), std::string::npos);
    auto at = json.find("\"port\": 47808");
    ASSERT_NE(at, std::string::npos);
    json.replace(at, 13, "\"port\": 47900");
    std::ofstream(path("edited.json")) << json;
    ASSERT_EQ(runTool("import " + path("edited.json") + " -o " + path("edited.dat")).code, 0);
    ConfigurationImage edited;
    ASSERT_EQ(readDataFile(path("edited.dat"), edited).outcome, LoadOutcome::Loaded);
    ConfigurationImage expected = oddImage();
    expected.setBacnetPort(47900);
    EXPECT_EQ(edited, expected);
}

TEST_F(VaskiroTool, ShowListsEverySettingInTheWindowsOrder) {
    ASSERT_TRUE(writeDataFile(path("odd.dat"), oddImage()).ok);
    ToolRun show = runTool("show " + path("odd.dat"));
    ASSERT_EQ(show.code, 0);
    EXPECT_EQ(std::count(show.out.begin(), show.out.end(), '\n'), 10 + 32 + 48 + 32);
    EXPECT_EQ(show.out.rfind("dhcp                on\nip                  192.168.0.6\n", 0), 0u) << show.out;
    EXPECT_NE(show.out.find("input-name.1        \"" + std::string(32, 'N') + "\"\n"), std::string::npos);
    EXPECT_NE(show.out.find("object-id           2147483648\n"), std::string::npos);
    EXPECT_NE(show.out.find("analogue-unit.4     200 (undefined)\n"), std::string::npos);
    EXPECT_NE(show.out.find("analogue-scaling.1  0.1\n"), std::string::npos);
    EXPECT_NE(show.out.find("analogue-cov.8      1e-05\n"), std::string::npos);
}

TEST_F(VaskiroTool, SetChangesOnlyTheNamedSettings) {
    ASSERT_TRUE(writeDataFile(path("base.dat"), defaults()).ok);
    ToolRun set = runTool("set " + path("base.dat") +
                          " ip=10.0.0.20 dhcp=on object-id=4194302 name='Plant Room 3' input-invert.16=on"
                          " output-start.1=yes analogue-unit.1='degrees celsius' analogue-unit.2=98"
                          " analogue-scaling.3=0.25 analogue-cov.3=0.5 -o " + path("out.dat"));
    ASSERT_EQ(set.code, 0) << set.out;
    ConfigurationImage image;
    ASSERT_EQ(readDataFile(path("out.dat"), image).outcome, LoadOutcome::Loaded);
    ConfigurationImage expected = defaults();
    expected.setAddress(AddressField::IPAddress, {10, 0, 0, 20});
    expected.setDhcpEnable(true);
    expected.setObjectIdentifier(4194302);
    expected.setText(TextField::DeviceName, "Plant Room 3");
    expected.setFlag(FlagGroup::InvertInput, 16, true);
    expected.setFlag(FlagGroup::OutputStartStatus, 1, true);
    expected.setAnalogueUnitCode(1, 62);
    expected.setAnalogueUnitCode(2, 98);
    expected.setAnalogueValue(FloatGroup::AnalogueScaling, 3, 0.25);
    expected.setAnalogueValue(FloatGroup::COVIncrement, 3, 0.5);
    EXPECT_EQ(image, expected);
}

TEST_F(VaskiroTool, BadValuesAreRefusedWithExitTwoAndNoFile) {
    ASSERT_TRUE(writeDataFile(path("base.dat"), defaults()).ok);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"ip=10.0.0.256", "ip must be four numbers from 0 to 255"},
        {"ip=10.0.0", "ip must be four numbers"},
        {"mask=255.255.255.0x", "mask must be four numbers"},
        {"port=70000", "port must be a UDP port number"},
        {"object-id=4194303", "object-id must be a device instance number"},
        {"object-id=-1", "object-id must be a device instance number"},
        {"name=abcdefghijklmnopqrstuvwxy", "name is longer than 24 characters"},
        {"password=thirteen-char", "password is longer than 12 characters"},
        {"input-name.17=x", "unknown setting 'input-name.17'"},
        {"analogue-unit.1=Furlongs", "analogue-unit.1 must be a unit code"},
        {"analogue-unit.1=190", "analogue-unit.1 must be a unit code"},
        {"analogue-cov.1=1e39", "analogue-cov.1 must be a finite number"},
        {"analogue-scaling.1=nan", "analogue-scaling.1 must be a finite number"},
        {"dhcp=maybe", "dhcp must be on or off"},
        {"name=\xCE\x94", "name holds a character that the device cannot store"},
        {"noequals", "'noequals' is not KEY=VALUE"},
    };
    for (const auto& [assignment, message] : cases) {
        ToolRun run = runTool("set " + path("base.dat") + " '" + assignment + "' -o " + path("out.dat"));
        EXPECT_EQ(run.code, 2) << assignment;
        EXPECT_NE(run.out.find(message), std::string::npos) << assignment << ": " << run.out;
        EXPECT_FALSE(fs::exists(path("out.dat"))) << assignment;
    }
    std::ofstream(path("bad.json")) << R"({"format": "VASKIRO BACnet Interface", "version": 1, "general": {"port": "x"}})";
    ToolRun badJson = runTool("import " + path("bad.json") + " -o " + path("out.dat"));
    EXPECT_EQ(badJson.code, 2);
    EXPECT_NE(badJson.out.find("general.port must be a UDP port number"), std::string::npos) << badJson.out;
    std::ofstream(path("later.json")) << R"({"format": "VASKIRO BACnet Interface", "version": 2})";
    EXPECT_EQ(runTool("import " + path("later.json") + " -o " + path("out.dat")).code, 2);
    EXPECT_FALSE(fs::exists(path("out.dat")));
}

TEST_F(VaskiroTool, DiffComparesFilesJsonAndTheDevice) {
    ConfigurationImage changed = defaults();
    changed.setBacnetPort(47809);
    changed.setName(NameGroup::Analogue, 2, "Flow");
    ASSERT_TRUE(writeDataFile(path("a.dat"), defaults()).ok);
    ASSERT_TRUE(writeDataFile(path("b.dat"), changed).ok);
    ASSERT_EQ(runTool("export " + path("b.dat") + " > " + path("b.json")).code, 0);

    ToolRun diff = runTool("diff " + path("a.dat") + " " + path("b.json"));
    EXPECT_EQ(diff.code, 3);
    EXPECT_EQ(diff.out, "port: 47808 (" + path("a.dat") + ") -> 47809 (" + path("b.json") + ")\n" +
                            "analogue-name.2: \"Analogue 2\" (" + path("a.dat") + ") -> \"Flow\" (" + path("b.json") +
                            ")\n");
    EXPECT_EQ(runTool("diff " + path("b.dat") + " " + path("b.json")).code, 0);
    // A fresh simulated device holds the defaults.
    ToolRun device = runTool("--simulate diff " + path("a.dat") + " device");
    EXPECT_EQ(device.code, 0) << device.out;
}

TEST_F(VaskiroTool, UnitsListsTheWholeCatalogue) {
    ToolRun units = runTool("units");
    ASSERT_EQ(units.code, 0);
    EXPECT_EQ(std::count(units.out.begin(), units.out.end(), '\n'), 190);
    EXPECT_EQ(units.out.rfind("0\tSquare Meters\tArea\n", 0), 0u);
    EXPECT_NE(units.out.find("\n95\tNo Units\tOther\n"), std::string::npos);
    EXPECT_NE(units.out.find("\n189\tWatts Per Meter Per Degree Kelvin\tOther\n"), std::string::npos);
}

TEST_F(VaskiroTool, VerifyConfirmsWhatTheDeviceKept) {
    ASSERT_TRUE(writeDataFile(path("base.dat"), defaults()).ok);
    ToolRun ok = runTool("--simulate write " + path("base.dat") + " --set location=Basement --verify");
    EXPECT_EQ(ok.code, 0) << ok.out;
    EXPECT_NE(ok.out.find("Verified: the device holds what was written."), std::string::npos);
}

// Found by fuzzing: a "format" that was not a string escaped importJson as an
// exception and aborted the tool.
TEST_F(VaskiroTool, ImportRefusesAFormatThatIsNotText) {
    std::ofstream(path("object.json")) << R"({"format": {"dhcp": true}, "version": 1})";
    ToolRun run = runTool("import " + path("object.json") + " -o " + path("out.dat"));
    EXPECT_EQ(run.code, 2) << run.out;
    EXPECT_NE(run.out.find("is not a VASKIRO BACnet Interface configuration"), std::string::npos) << run.out;
    EXPECT_FALSE(fs::exists(path("out.dat")));
}

TEST_F(VaskiroTool, ListShowsEachPluggedSimulatedDevice) {
    std::string folder = "--simulate=" + m_dir.string() + " ";
    ToolRun none = runTool(folder + "list");
    EXPECT_EQ(none.code, 1);
    EXPECT_EQ(none.out, "Cannot find VASKIRO\n");
    std::ofstream(path("10001"));
    std::string app = path("10001") + "\tHID\\VID_04D8&PID_C5E9&REV_0014\tapplication";
    EXPECT_EQ(runTool(folder + "list").out, app + "\n");
    std::ofstream(path("10002.program"));
    std::ofstream(path("10003.refused"));
    ToolRun three = runTool(folder + "list --identify");
    EXPECT_EQ(three.code, 0);
    EXPECT_EQ(three.out, app + "\tVASKIRO 10001, application 1.00\n" + path("10002.program") +
                             "\tHID\\VID_04D8&PID_C5E9&REV_0001\tprogram mode\n" + path("10003.refused") +
                             "\tHID\\VID_04D8&PID_C5E9&REV_0014\tapplication\tcannot be opened: Permission denied\n");
}

TEST_F(VaskiroTool, DeviceChoosesAmongSeveral) {
    std::ofstream(path("10001"));
    std::ofstream(path("10002"));
    std::string folder = "--simulate=" + m_dir.string() + " --device ";
    ToolRun second = runTool(folder + path("10002") + " info");
    EXPECT_NE(second.out.find("Serial Number: 10002"), std::string::npos) << second.out;
    ToolRun unknown = runTool(folder + path("10009") + " info");
    EXPECT_EQ(unknown.code, 1);
    EXPECT_EQ(unknown.out, "No VASKIRO at " + path("10009") + "\n");
}

TEST_F(VaskiroTool, WaitReturnsOnPlugAndUnplugOrTimesOut) {
    std::string wait = "--simulate=" + m_dir.string() + " wait --timeout ";
    ToolRun none = runTool(wait + "0.3");
    EXPECT_EQ(none.code, 1);
    EXPECT_EQ(none.out, "No VASKIRO was connected within 0.3 s\n");
    for (bool gone : {false, true}) {
        std::thread plug([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            gone ? fs::remove(path("1")) : std::ofstream(path("1")).good();
        });
        auto start = std::chrono::steady_clock::now();
        ToolRun run = runTool(wait + (gone ? "10 --gone" : "10"));
        plug.join();
        EXPECT_EQ(run.code, 0) << run.out;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    }
    std::ofstream(path("1"));
    EXPECT_EQ(runTool(wait + "0.3 --gone").out, "A VASKIRO is still connected after 0.3 s\n");
}
