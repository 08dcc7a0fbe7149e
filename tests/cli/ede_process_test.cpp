// vaskiro ede against simulate-network on a loopback port: the files, read
// back by a parser of this test's own, list exactly the objects the simulated
// device serves, and of a folder of devices the answering ones'; a silent
// device, a missing folder and no device named are said plainly.

#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <tuple>

#include "core/data_file.h"
#include "tool_run.h"

using namespace vaskiro::core;

namespace {

// The records of a ';'-separated file with CRLF line ends, comment lines left out; a field in double quotes
// may hold ';' and doubled quotes.
std::vector<std::vector<std::string>> readRecords(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::vector<std::string>> records;
    for (std::size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        const std::string line = text.substr(start, end - start);
        EXPECT_EQ(line.find('\n'), std::string::npos) << line;
        if (line.starts_with("#")) continue;
        std::vector<std::string> fields(1);
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (line[i] == ';') {
                fields.emplace_back();
            } else if (line[i] == '"') {
                for (++i; i < line.size() && !(line[i] == '"' && (i + 1 >= line.size() || line[i + 1] != '"')); ++i)
                    fields.back() += line[i] == '"' ? line[++i] : line[i];
            } else {
                fields.back() += line[i];
            }
        }
        records.push_back(fields);
    }
    return records;
}

class Ede : public VaskiroTool {
protected:
    void SetUp() override {
        VaskiroTool::SetUp();
        ConfigurationImage image;
        image.SetDefaults();
        image.setAddress(AddressField::IPAddress, {127, 0, 0, 1});
        image.setBacnetPort(freePort());
        image.setObjectIdentifier(4321);
        image.setText(TextField::DeviceName, "Plant; room \"7\"");
        image.setName(NameGroup::Input, 3, "Pump fault");
        image.setAnalogueUnitCode(2, 98);
        ASSERT_TRUE(writeDataFile(path("site.dat"), image));
        ASSERT_EQ(runTool("--simulate=" + path("state.dat") + " write " + path("site.dat")).code, 0);
        m_image = image;
    }
    ConfigurationImage m_image;
};

TEST_F(Ede, TheFilesListExactlyTheObjectsTheSimulatedDeviceServes) {
    Process device("simulate-network --for 30 " + path("state.dat"), "answering on");
    ASSERT_NE(device.ready, "");
    const ToolRun run = runTool("ede " + path("site.dat") + " --out " + path("site"));
    ASSERT_EQ(run.code, 0) << run.out;
    EXPECT_TRUE(holds(run.out, "EDE files of BACnet device 4321 (41 objects): " + path("site_EDE.csv")));

    // What the device serves: the device object and its 16 binary inputs, 16 binary outputs and 8 analogue
    // inputs, each with its configured name (or the default one) and the simulated device's description.
    std::map<std::pair<int, int>, std::vector<std::string>> expected;  // type, instance: name, description, unit
    expected[{8, 4321}] = {"Plant; room \"7\"", m_image.text(TextField::Description), ""};
    for (int n = 1; n <= 16; ++n) {
        const std::string input = m_image.name(NameGroup::Input, n), output = m_image.name(NameGroup::Output, n);
        expected[{3, n}] = {input.empty() ? "Input " + std::to_string(n) : input, "Binary input " + std::to_string(n),
                            ""};
        expected[{4, n}] = {output.empty() ? "Output " + std::to_string(n) : output,
                            "Binary output " + std::to_string(n), ""};
    }
    for (int n = 1; n <= 8; ++n) {
        const std::string name = m_image.name(NameGroup::Analogue, n);
        expected[{0, n}] = {name.empty() ? "Analogue " + std::to_string(n) : name,
                            "Analogue input " + std::to_string(n), std::to_string(m_image.analogueUnitCode(n))};
    }
    EXPECT_EQ(expected[std::pair(3, 3)][0], "Pump fault");
    EXPECT_EQ(expected[std::pair(0, 2)][2], "98");

    const auto records = readRecords(path("site_EDE.csv"));
    ASSERT_EQ(records.size(), 5u + 41u);
    const std::vector<std::string> keys{"PROJECT_NAME", "VERSION_OF_REFERENCEFILE", "TIMESTAMP_OF_LAST_CHANGE",
                                        "AUTHOR_OF_LAST_CHANGE", "VERSION_OF_LAYOUT"};
    for (std::size_t i = 0; i < keys.size(); ++i) EXPECT_EQ(records[i].at(0), keys[i]);
    EXPECT_EQ(records[0].at(1), "site");
    EXPECT_EQ(records[4].at(1), "2.2");
    std::map<std::pair<int, int>, std::vector<std::string>> listed;
    for (std::size_t i = 5; i < records.size(); ++i) {
        const auto& row = records[i];
        ASSERT_EQ(row.size(), 17u) << i;
        EXPECT_EQ(row[1], "4321");
        const std::pair key(std::stoi(row[3]), std::stoi(row[4]));
        EXPECT_EQ(listed.count(key), 0u) << row[0];
        listed[key] = {row[2], row[5], row[14]};
        EXPECT_EQ(row[10], key.first == 8 ? "N" : "Y") << row[0];  // the device takes SubscribeCOV
        EXPECT_EQ(row[13], "") << row[0];                          // it serves no inactive-text or active-text
    }
    EXPECT_EQ(listed, expected);
    // No state texts served; the unit codes and object types used, each once.
    EXPECT_TRUE(readRecords(path("site_StateTexts.csv")).empty());
    std::set<std::string> units;
    for (int n = 1; n <= 8; ++n) units.insert(std::to_string(m_image.analogueUnitCode(n)));
    std::set<std::string> unitCodes;
    for (const auto& row : readRecords(path("site_Units.csv"))) unitCodes.insert(row.at(0));
    EXPECT_EQ(unitCodes, units);
    const auto types = readRecords(path("site_ObjTypes.csv"));
    EXPECT_EQ(types, (std::vector<std::vector<std::string>>{
                         {"0", "analog-input"}, {"3", "binary-input"}, {"4", "binary-output"}, {"8", "device"}}));

    // --to alone: whichever device answers there, in files named after its instance.
    const std::string port = std::to_string(m_image.bacnetPort());
    const ToolRun alone = runShell("cd " + m_dir.string() + " && " + toolCommand() + " ede --to 127.0.0.1:" + port);
    ASSERT_EQ(alone.code, 0) << alone.out;
    EXPECT_EQ(readRecords(path("device-4321_EDE.csv")).size(), records.size());
    // A file that cannot be written (a folder stands in its way) is said, with what to do.
    std::filesystem::create_directory(path("blocked_EDE.csv"));
    const ToolRun blocked = runTool("ede " + path("site.dat") + " --out " + path("blocked"));
    EXPECT_EQ(blocked.code, 1);
    EXPECT_TRUE(holds(blocked.out, "Cannot write " + path("blocked_EDE.csv") + ": "));
    EXPECT_TRUE(holds(blocked.out, "Name a folder you may write to with --out FOLDER/PREFIX."));
}

TEST_F(Ede, ASilentDeviceAMissingFolderAndNoDeviceAreSaidPlainly) {
    const struct {
        std::string arguments;
        int code;
        std::string says;
    } cases[] = {
        {"ede " + path("site.dat") + " --timeout 0.3 --out " + path("site"), 1,
         "Nothing answered as BACnet device 4321"},
        {"ede " + path("site.dat") + " --out " + path("nowhere/site"), 1, "nowhere is not a folder that exists"},
        {"ede", 2, "give the device's data FILE or --to ADDRESS[:PORT]"},
        {"ede --to 127.0.0.255", 2, "is a broadcast"},
    };
    for (const auto& c : cases) {
        const ToolRun run = runTool(c.arguments);
        EXPECT_EQ(run.code, c.code) << c.arguments << '\n' << run.out;
        EXPECT_TRUE(holds(run.out, c.says)) << c.arguments;
    }
    EXPECT_FALSE(std::filesystem::exists(path("site_EDE.csv")));
}

}  // namespace

TEST_F(Ede, ARecordsDevicesGoIntoOneSetOfFilesAndOneThatIsSilentIsNamed) {
    // A folder of three devices on loopback addresses of their own, each with its simulated state; the third silent.
    std::filesystem::create_directory(path("site"));
    const std::string port = std::to_string(m_image.bacnetPort());
    std::vector<std::unique_ptr<Process>> served;
    for (std::uint8_t n = 1; n <= 3; ++n) {
        ConfigurationImage image = m_image;
        image.setAddress(AddressField::IPAddress, {127, 0, 0, static_cast<std::uint8_t>(n + 1)});
        image.setObjectIdentifier(1000u + n);
        const std::string file = path("site") + "/ahu-" + std::to_string(n) + ".dat",
                          state = path("state") + std::to_string(n) + ".dat";
        ASSERT_TRUE(writeDataFile(file, image));
        ASSERT_EQ(runTool("--simulate=" + state + " write " + file).code, 0);
        if (n == 3) continue;
        const std::string at = " --at 127.0.0." + std::to_string(n + 1) + ":" + port;
        served.push_back(std::make_unique<Process>("simulate-network --for 30 " + state + at, "answering on"));
        ASSERT_NE(served.back()->ready, "");
    }
    const ToolRun run = runShell("cd " + m_dir.string() + " && " + toolCommand() + " ede --record site --timeout 0.5");
    EXPECT_EQ(run.code, 1) << run.out;
    EXPECT_TRUE(holds(run.out, "ahu-3.dat (instance 1003 at 127.0.0.4:" + port + "): no answer\n"));
    EXPECT_TRUE(holds(run.out, "EDE files of 2 of 3 devices (82 objects): site_EDE.csv site_StateTexts.csv"));

    // Exactly the objects of the two that answered: each one's device object, 16 + 16 binary and 8 analogue.
    std::set<std::tuple<std::string, int, int>> expected, listed;
    for (const std::string device : {"1001", "1002"}) {
        expected.emplace(device, 8, std::stoi(device));
        for (int n = 1; n <= 16; ++n) expected.insert({{device, 3, n}, {device, 4, n}, {device, 0, (n + 1) / 2}});
    }
    const auto records = readRecords(path("site_EDE.csv"));
    for (std::size_t i = 5; i < records.size(); ++i)
        listed.emplace(records[i].at(1), std::stoi(records[i].at(3)), std::stoi(records[i].at(4)));
    EXPECT_EQ(records.size(), 5u + 82u);
    EXPECT_EQ(listed, expected);
}
