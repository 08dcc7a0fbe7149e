// Runs the vaskiro tool as a process, as a script would.

#include <fstream>
#include <thread>

#include <nlohmann/json.hpp>

#include "commission/json_form.h"
#include "core/data_file.h"
#include "tool_run.h"

using namespace vaskiro::core;
namespace fs = std::filesystem;

namespace {

ConfigurationImage defaults() {
    ConfigurationImage image;
    image.SetDefaults();
    return image;
}

// What a file can hold beyond the window: reserved bytes, a text without NUL,
// bytes behind a NUL, a flag byte of 2, an undefined unit, an identifier
// above the signed range, odd floats, characters beyond ASCII.
ConfigurationImage oddImage() {
    ConfigurationImage image = defaults();
    image.bytes()[1373] = 0xA5;
    std::fill_n(image.bytes().begin() + 44, 32, static_cast<std::uint8_t>('N'));  // input 1, no NUL
    image.setText(TextField::Location, "AB");                                     // "Earth" behind it
    image.bytes()[1326] = 2;
    image.bytes()[1324] = 7;
    image.setAnalogueUnitCode(4, 200);
    image.setObjectIdentifier(0x80000000u);
    image.setAnalogueValue(FloatGroup::AnalogueScaling, 1, 0.1);
    image.setAnalogueValue(FloatGroup::COVIncrement, 8, 1e-5);
    image.setName(NameGroup::Output, 2, "\x80uro \xE9t\xE9");
    image.setName(NameGroup::Analogue, 1, "Tab\there");
    return image;
}

// Each test with base.dat (the defaults) and odd.dat in its folder.
class VaskiroFiles : public VaskiroTool {
protected:
    void SetUp() override {
        VaskiroTool::SetUp();
        ASSERT_TRUE(writeDataFile(path("base.dat"), defaults()));
        ASSERT_TRUE(writeDataFile(path("odd.dat"), oddImage()));
    }
    // `text` with every '@' made the test's folder.
    std::string here(std::string text) const {
        for (std::size_t at; (at = text.find('@')) != std::string::npos;) text.replace(at, 1, m_dir.string() + "/");
        return text;
    }
    ToolRun run(const std::string& arguments) const { return runTool(here(arguments)); }
    std::string text(const std::string& name) const {
        std::ifstream in(path(name.c_str()), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    ConfigurationImage image(const std::string& name) const {
        ConfigurationImage loaded;
        EXPECT_EQ(readDataFile(path(name.c_str()), loaded).outcome, LoadOutcome::Loaded) << name;
        return loaded;
    }
};

struct Refusal {
    std::string arguments;
    int code;
    std::string output;  // a part of it; '@' stands for the test's folder
};
std::ostream& operator<<(std::ostream& out, const Refusal& c) { return out << c.arguments; }

class VaskiroToolRefuses : public VaskiroFiles, public ::testing::WithParamInterface<Refusal> {};

}  // namespace

TEST_P(VaskiroToolRefuses, WithItsMessageAndExitCodeAndWritesNothing) {
    std::ofstream(path("junk.dat")) << "not a data file";
    std::ofstream(path("bad.json"))
        << R"({"format": "VASKIRO BACnet Interface", "version": 1, "general": {"port": "x"}})";
    std::ofstream(path("later.json")) << R"({"format": "VASKIRO BACnet Interface", "version": 2})";
    // Found by fuzzing: a "format" that was not text escaped as an exception and aborted the tool.
    std::ofstream(path("object.json")) << R"({"format": {"dhcp": true}, "version": 1})";
    ConfigurationImage longPassword = defaults(), wide = defaults();
    longPassword.setText(TextField::DevicePassword, "thirteen-char");
    ASSERT_TRUE(writeDataFile(path("long.dat"), longPassword));
    wide.setText(TextField::Location, "Plant room 4, north wing");  // 24 characters, as the window takes them
    ASSERT_TRUE(writeDataFile(path("wide.dat"), wide));
    std::ofstream(path("cut.dat")) << text("base.dat").substr(0, 100);
    std::ofstream(path("empty.dat"));
    std::ofstream(path("utf16.json")) << std::string("\xFF\xFE{\0}\0", 6);
    std::ofstream(path("broken.json")) << "{\n  \"format\": ,\n}";
    std::ofstream(path("huge.json")) << "{\"format\": 1e999}";
    std::string json = vaskiro::commission::exportJson(defaults());
    std::ofstream(path("units.json")) << std::string(json).replace(json.find("\"unit\""), 6, "\"units\"");
    auto partial = nlohmann::ordered_json::parse(json);
    partial.erase("image");
    partial["general"].erase("ip");
    std::ofstream(path("noip.json")) << partial.dump();

    const ToolRun result = run(GetParam().arguments);
    EXPECT_EQ(result.code, GetParam().code) << result.out;
    EXPECT_TRUE(holds(result.out, here(GetParam().output)));
    EXPECT_FALSE(fs::exists(path("out.dat")));
}

INSTANTIATE_TEST_SUITE_P(
    Runs, VaskiroToolRefuses,
    ::testing::Values(
        Refusal{"read -o @out.dat", 1, "Cannot find VASKIRO"}, Refusal{"list", 1, "Cannot find VASKIRO\n"},
        Refusal{"read --simulate", 2, ""},
        Refusal{"--simulate write @junk.dat", 1,
                "Incompatible data file: @junk.dat (it does not begin with the header of a VASKIRO BACnet Interface "
                "data file)\n"},
        Refusal{"show @cut.dat", 1,
                "Incompatible data file: @cut.dat (it ends after 100 bytes; a data file holds 1596)"},
        Refusal{"show @empty.dat", 1, "Incompatible data file: @empty.dat (it is empty)\n"},
        Refusal{"import @utf16.json -o @out.dat", 1, "@utf16.json is saved as UTF-16: save it as UTF-8.\n"},
        Refusal{"import @huge.json -o @out.dat", 1, "@huge.json is not valid JSON: it holds a number too large"},
        Refusal{"import @broken.json -o @out.dat", 1,
                "@broken.json is not valid JSON: line 2, column 13: syntax error"},
        Refusal{"import @units.json -o @out.dat", 1, "has an unknown member \"analogues[0].units\""},
        Refusal{"import @noip.json -o @out.dat", 1,
                "lacks general.ip (only a file with \"image\" may leave settings out)"},
        Refusal{
            "--simulate write @wide.dat", 0,
            "Note: the device keeps 23 characters of location (24 given): it will hold \"Plant room 4, north win\"."},
        Refusal{"--simulate write @wide.dat --verify", 1,
                "Verification failed: the device holds other settings than were written: location written "
                "\"Plant room 4, north wing\", device has \"Plant room 4, north win\".\n"},
        Refusal{"--simulate=@bnech info", 2, "--simulate=@bnech is neither a folder nor a data file"},
        Refusal{"--simulate commission @list.csv --base @base.dat", 2, "One simulated device is always connected"},
        Refusal{"--simulate write @missing.dat", 1, "Error Opening File: "},
        Refusal{"--simulate write @long.dat", 2, "There are errors: Password longer than 12 characters.\n"},
        Refusal{"set @base.dat input-name.17=x -o @out.dat", 2, "unknown setting 'input-name.17'"},
        Refusal{"set @base.dat 'name=\xCE\x94' -o @out.dat", 2, "name: holds a character that the device cannot store"},
        Refusal{"set @base.dat noequals -o @out.dat", 2, "'noequals' is not KEY=VALUE"},
        Refusal{"import @bad.json -o @out.dat", 1, "has a bad value at general.port: must be a UDP port number"},
        Refusal{"import @later.json -o @out.dat", 1, ""},
        Refusal{"import @object.json -o @out.dat", 1, "is not a VASKIRO BACnet Interface configuration"},
        Refusal{"shwo @base.dat", 2, "vaskiro: Unknown command shwo: did you mean show?\n"},
        Refusal{"sheet -o @x.html", 2, "vaskiro sheet: give a configuration FILE or --record REC.csv"},
        Refusal{"sheet --record @base.dat -o @x.html", 1, "@base.dat: line 1 is not UTF-8 text"},
        Refusal{"--simulate=@s.dat --timeout 1 frobnicate", 2,
                "Unknown command frobnicate: vaskiro --help lists the commands\n"}));

// Files that load but hold what Save never writes, and a byte order mark that editors write.
TEST_F(VaskiroFiles, OddFilesLoadWithANote) {
    std::string file = text("base.dat");
    std::ofstream(path("v0.dat")) << std::string(file).replace(0, 1, 1, '\0');
    std::ofstream(path("tail.dat")) << file + "abcd";
    std::ofstream(path("bom.json")) << "\xEF\xBB\xBF" + vaskiro::commission::exportJson(defaults());
    for (auto [name, note] :
         {std::pair{"v0.dat", ": it says data format version 0, read as version 1.\n"},
          std::pair{"tail.dat", ": the 4 bytes after its 1596 were left out.\n"}, std::pair{"bom.json", ""}}) {
        const ToolRun show = run(std::string("show @") + name);
        EXPECT_EQ(show.code, 0) << show.out;
        EXPECT_EQ(show.out.find("Note: ") == std::string::npos, !*note) << show.out;
        if (*note) {
            EXPECT_TRUE(holds(show.out, "Note: " + path(name) + note));
        }
    }
}

TEST_F(VaskiroFiles, WriteThenReadInAnotherProcessCarriesTheSettings) {
    EXPECT_EQ(run("--simulate info").out, "Appware Version:1.00\nSerial Number: 12345\n");
    const ToolRun set =
        run("set @base.dat ip=10.1.2.3 object-id=4194302 port=47809 output-name.16=Pump "
            "input-invert.9=on analogue-unit.3=62 analogue-cov.2=0.5 password=secret -o @in.dat");
    ASSERT_EQ(set.code, 0) << set.out;
    const ToolRun write = run("--simulate=@device.dat write @in.dat");
    EXPECT_TRUE(holds(write.out, "Download Complete"));
    ASSERT_EQ(run("read --simulate=@device.dat -o @back.dat").code, 0);
    EXPECT_EQ(text("back.dat"), text("in.dat"));
    const ToolRun verify = run("--simulate write @base.dat --set location=Basement --verify");
    EXPECT_TRUE(holds(verify.out, "Verified: the device holds what was written."));
}

TEST_F(VaskiroFiles, ExportThenImportGivesTheSameBytesAndEditsWin) {
    ASSERT_EQ(run("export @odd.dat > @odd.json").code, 0);
    ASSERT_EQ(run("import @odd.json -o @back.dat").code, 0);
    EXPECT_EQ(text("back.dat"), text("odd.dat"));
    std::string json = text("odd.json");
    EXPECT_TRUE(holds(json, "\"name\": \"\u20ACuro \u00E9t\u00E9\""));
    const auto at = json.find("\"port\": 47808");
    ASSERT_NE(at, std::string::npos);
    std::ofstream(path("edited.json")) << json.replace(at, 13, "\"port\": 47900");
    ASSERT_EQ(run("import @edited.json -o @edited.dat").code, 0);
    ConfigurationImage expected = oddImage();
    expected.setBacnetPort(47900);
    EXPECT_EQ(image("edited.dat"), expected);
}

TEST_F(VaskiroFiles, ShowListsEverySettingInTheWindowsOrderAndUnitsTheCatalogue) {
    const ToolRun show = run("show @odd.dat");
    EXPECT_EQ(std::count(show.out.begin(), show.out.end(), '\n'), 10 + 32 + 48 + 32);
    EXPECT_EQ(show.out.rfind("dhcp                on\nip                  192.168.0.6\n", 0), 0u) << show.out;
    for (const std::string& line :
         {"input-name.1        \"" + std::string(32, 'N') + "\"\n", std::string("object-id           2147483648\n"),
          std::string("analogue-unit.4     200 (undefined)\n"), std::string("analogue-cov.8      1e-05\n"),
          std::string("analogue-name.1     \"Tab\\there\"\n")})
        EXPECT_NE(show.out.find(line), std::string::npos) << line;
    const ToolRun units = run("units");
    EXPECT_EQ(std::count(units.out.begin(), units.out.end(), '\n'), 190);
}

TEST_F(VaskiroFiles, SetChangesOnlyTheNamedSettings) {
    const ToolRun set =
        run("set @base.dat ip=10.0.0.20 dhcp=on object-id=4194302 name='Plant Room 3' "
            "input-invert.16=on output-start.1=yes analogue-unit.1='degrees celsius' "
            "analogue-unit.2=98 analogue-scaling.3=0.25 analogue-cov.3=0.5 -o @out.dat");
    ASSERT_EQ(set.code, 0) << set.out;
    ConfigurationImage expected = defaults();
    // ip, DHCP, invert input 16, start output 1, units, object-id
    const std::pair<int, int> bytes[] = {{0, 10},    {1, 0},     {3, 20},      {1324, 1},    {1340, 1},   {1357, 1},
                                         {1448, 62}, {1452, 98}, {1380, 0xFE}, {1381, 0xFF}, {1382, 0x3F}};
    for (auto [at, value] : bytes) expected.bytes()[at] = static_cast<std::uint8_t>(value);
    expected.setText(TextField::DeviceName, "Plant Room 3");
    expected.setAnalogueValue(FloatGroup::AnalogueScaling, 3, 0.25);
    expected.setAnalogueValue(FloatGroup::COVIncrement, 3, 0.5);
    EXPECT_EQ(image("out.dat"), expected);
}

TEST_F(VaskiroFiles, DiffComparesFilesJsonAndTheDevice) {
    ASSERT_EQ(run("set @base.dat port=47809 analogue-name.2=Flow -o @b.dat").code, 0);
    ASSERT_EQ(run("export @b.dat > @b.json").code, 0);
    const ToolRun diff = run("diff @base.dat @b.json");
    EXPECT_EQ(diff.code, 3);
    const std::string a = " (" + path("base.dat") + ")", b = " (" + path("b.json") + ")";
    // As a Write of the first would change the second.
    EXPECT_EQ(diff.out, "port: 47809" + b + " -> 47808" + a + "\nanalogue-name.2: \"Flow\"" + b + " -> \"Analogue 2\"" +
                            a + "\n");
    EXPECT_EQ(run("diff @b.dat @b.json").code, 0);
    EXPECT_EQ(run("--simulate diff @base.dat device").code, 0);  // a fresh simulated device holds the defaults
    EXPECT_EQ(run("--simulate=@dev.dat diff device @b.dat").out.substr(0, 31), "port: 47808 (device) -> 47809 (");
}

TEST_F(VaskiroTool, ListShowsEachPluggedSimulatedDeviceAndDeviceChoosesOne) {
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
    // --device chooses among them.
    std::ofstream(path("10002"));
    EXPECT_TRUE(holds(runTool(folder + "--device " + path("10002") + " info").out, "Serial Number: 10002"));
    ToolRun unknown = runTool(folder + "--device " + path("10009") + " info");
    EXPECT_EQ(unknown.code, 1);
    EXPECT_EQ(unknown.out, "No VASKIRO at " + path("10009") + "\n");
}

TEST_F(VaskiroTool, WaitReturnsOnPlugAndUnplugOrTimesOut) {
    std::string wait = "--simulate=" + m_dir.string() + " wait --timeout ";
    ToolRun none = runTool(wait + "0.3");
    EXPECT_EQ(none.code, 1);
    EXPECT_EQ(none.out, "No VASKIRO was connected within 0.3 s\n");
    EXPECT_EQ(runTool("--simulate=" + m_dir.string() + " --timeout 0.3 wait").out, none.out);  // the tool's timeout
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
