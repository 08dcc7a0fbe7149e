// Every vaskiro command the README shows, run in a folder of its own against
// simulated devices and simulated BACnet devices on 127.0.0.1, in an order
// in which each finds the files the ones before made. A command that changes
// in the README, or no longer does what it says there, fails here.

#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "cli/exit_codes.h"
#include "tool_run.h"

namespace fs = std::filesystem;

namespace {

// One step a line: the command as the README shows it (before its comment; "-" for a step of the test's own),
// what is run (the README's words, with the simulation and 127.0.0.1 where they need them; a line with
// placeholders in a concrete form), its exit code, and a part of what it prints (\n and \t as in C).
const char* const kSteps =
    R"(- ¦ mkdir bench one none && touch bench/10001 && printf 'tag,ip,object-id\nAHU-1,127.0.0.1,20001\n' > one/worklist.csv && printf 'tag,ip,object-id\nAHU-1,127.0.0.1,20001\nAHU-2,127.0.0.2,20002\n' > worklist.csv ¦ 0 ¦
- ¦ printf 'point,object,name,value,read at,stale,checked\ninput.1,"binary-input,1",Fan,on,2026-12-08 14:05:12,no,yes\noutput.7,"binary-output,7",Pump,off,2026-12-08 14:06:01,no,no\n' > marks.csv ¦ 0 ¦
- ¦ vaskiro --simulate=dev.dat read -o x.dat && vaskiro set x.dat ip=127.0.0.1 port=47900 -o x.dat && vaskiro --simulate=dev.dat write x.dat && cp x.dat config.dat ¦ 0 ¦
vaskiro info ¦ vaskiro --simulate=dev.dat info ¦ 0 ¦ Serial Number: 12345\n
vaskiro read -o site.dat ¦ vaskiro --simulate=dev.dat read -o site.dat ¦ 0 ¦ File Saved: site.dat\n
vaskiro write site.dat [--set KEY=VALUE ...] [--verify] ¦ vaskiro --simulate=dev.dat write site.dat --set input-name.1=Fan --verify ¦ 0 ¦ Verified: the device holds
vaskiro show site.dat ¦ vaskiro show site.dat ¦ 0 ¦ ip                  127.0.0.1\n
vaskiro export site.dat > site.json ¦ vaskiro export site.dat > site.json ¦ 0 ¦
vaskiro import site.json -o site.dat ¦ vaskiro import site.json -o site.dat ¦ 0 ¦
vaskiro set site.dat ip=10.0.0.20 object-id=1020 -o new.dat ¦ vaskiro set site.dat ip=10.0.0.20 object-id=1020 -o new.dat ¦ 0 ¦
vaskiro diff site.dat device ¦ vaskiro --simulate=dev.dat diff site.dat device ¦ 3 ¦ input-name.1: "Fan" (device) -> "Input 1" (site.dat)\n
vaskiro units ¦ vaskiro units ¦ 0 ¦ 62\tDegrees Celsius\tTemperature\n
vaskiro set site.dat ip=127.0.0.1 port=47900 -o local.dat ¦ vaskiro set site.dat ip=127.0.0.1 port=47900 -o local.dat ¦ 0 ¦
vaskiro --simulate=demo.dat write local.dat ¦ vaskiro --simulate=demo.dat write local.dat ¦ 0 ¦ Download Complete\n
vaskiro simulate-network STATE [--at ADDRESS:PORT] ¦ vaskiro simulate-network demo.dat --at 127.0.0.1:47901 --for 0.1 ¦ 0 ¦ 12345 answering on 127.0.0.1:47901\n
vaskiro simulate-network demo.dat & ¦ vaskiro simulate-network demo.dat > first.out 2>&1 & echo $! >> background.pid; sleep 0.5; cat first.out ¦ 0 ¦ answering on 127.0.0.1:47900
vaskiro check local.dat ¦ vaskiro check local.dat ¦ 0 ¦ Device found on the network as configured\n
vaskiro check site.dat ¦ vaskiro check site.dat ¦ 0 ¦ Device found on the network as configured\n
vaskiro discover [--to ADDRESS[:PORT]] ¦ vaskiro discover --to 127.0.0.1:47900 --timeout 0.5 ¦ 0 ¦ 12345\t127.0.0.1:47900\t0\tVASKIRO\n
vaskiro discover --range 20000-20010 ¦ vaskiro discover --range 20000-20010 --to 127.0.0.1:47900 --timeout 0.3 ¦ 1 ¦ No device answered at 127.0.0.1:47900.\n
vaskiro watch site.dat [--to ADDRESS[:PORT]] [--for SECONDS] [--json] ¦ vaskiro watch site.dat --to 127.0.0.1:47900 --for 0.5 --json ¦ 0 ¦ "object":"binary-input,1"
vaskiro watch site.dat ¦ timeout --preserve-status -s INT 1 vaskiro watch site.dat ¦ 0 ¦ output.16\tbinary-output,16\t
vaskiro watch site.dat --json --for 600 ¦ timeout --preserve-status -s INT 1 vaskiro watch site.dat --json --for 600 ¦ 0 ¦ "kind":"analogue"
vaskiro drive site.dat output.N on|off|release [--priority P] [--to ...] ¦ vaskiro drive site.dat output.2 off --priority 9 --to 127.0.0.1:47900 && vaskiro drive site.dat output.2 release --priority 9 ¦ 0 ¦ output.2 released at priority 9; now off
vaskiro drive site.dat output.3 on ¦ vaskiro drive site.dat output.3 on ¦ 0 ¦ output.3 on, held at priority 8
vaskiro drive site.dat output.3 release ¦ vaskiro drive site.dat output.3 release ¦ 0 ¦ output.3 released at priority 8; now off
- ¦ kill $(cat background.pid) ¦ 0 ¦
vaskiro simulate-network demo.dat --bbmd & ¦ vaskiro simulate-network demo.dat --bbmd --for 20 > third.out 2>&1 & echo $! > bbmd.pid; sleep 0.5; cat third.out ¦ 0 ¦ Simulated BBMD answering on 127.0.0.1:47901
vaskiro discover --bbmd 127.0.0.1:47901 ¦ vaskiro discover --bbmd 127.0.0.1:47901 --timeout 0.5 ¦ 0 ¦ 12345\t127.0.0.1:47900\t0\tVASKIRO\n
vaskiro discover --bbmd 10.20.0.1 [--ttl SECONDS] ¦ vaskiro discover --bbmd 127.0.0.1:47901 --ttl 30 --timeout 0.5 ¦ 0 ¦ 12345\t127.0.0.1:47900
vaskiro check site.dat --bbmd ADDRESS[:PORT] ¦ vaskiro check site.dat --bbmd 127.0.0.1:47901 ¦ 0 ¦ Device found on the network as configured\n
vaskiro check local.dat --bbmd 127.0.0.1:47901 --ttl 120 ¦ vaskiro check local.dat --bbmd 127.0.0.1:47901 --ttl 120 && cat third.out ¦ 0 ¦ deleted (0 in the table)
- ¦ kill $(cat bbmd.pid) ¦ 0 ¦
vaskiro simulate-network demo.dat --wiggle & ¦ vaskiro simulate-network demo.dat --wiggle > second.out 2>&1 & echo $! >> background.pid; sleep 0.5; cat second.out ¦ 0 ¦ answering on 127.0.0.1:47900
vaskiro watch local.dat ¦ timeout --preserve-status -s INT 1 vaskiro watch local.dat ¦ 0 ¦ analogue.8\tanalog-input,8\t
vaskiro ede site.dat [--out PREFIX] ¦ vaskiro ede site.dat --out handover ¦ 0 ¦ (41 objects): handover_EDE.csv handover_StateTexts.csv
vaskiro ede local.dat --out site ¦ vaskiro ede local.dat --out site ¦ 0 ¦ EDE files of BACnet device 12345 (41 objects): site_EDE.csv site_StateTexts.csv site_Units.csv site_ObjTypes.csv\n
vaskiro ede --record plant/ ¦ mkdir plant && cp local.dat plant/ && vaskiro ede --record plant/ --timeout 1 ¦ 0 ¦ EDE files of 1 device (41 objects): plant_EDE.csv
vaskiro ede (FILE | --to ADDRESS[:PORT] | --record RECORD [--base FILE]) [--out PREFIX] [--timeout SECONDS] ¦ vaskiro ede --to 127.0.0.1:47900 --timeout 1 && grep -c '^12345[.]' device-12345_EDE.csv ¦ 0 ¦ \n41\n
vaskiro write site.dat --verify ¦ vaskiro --simulate=dev.dat write site.dat --verify ¦ 0 ¦ Verified
vaskiro read -o base.dat ¦ vaskiro --simulate=dev.dat read -o base.dat ¦ 0 ¦ File Saved: base.dat\n
vaskiro commission worklist.csv --base base.dat [--record as-left.csv] [--check-network] ¦ vaskiro --simulate=bench commission worklist.csv --base base.dat --record as-left.csv --start-at 2 ¦ 0 ¦ All 1 rows done.\n
vaskiro ede --record as-left.csv ¦ vaskiro ede --record as-left.csv --timeout 0.3 ¦ 1 ¦ AHU-2 (instance 20002 at 127.0.0.2:47900): no answer\n
vaskiro commission worklist.csv --base base.dat ¦ cd one && cp ../base.dat . && vaskiro --simulate=../bench commission worklist.csv --base base.dat ¦ 0 ¦ All 1 rows done.\n
vaskiro list [--identify] ¦ vaskiro --simulate=bench list --identify ¦ 0 ¦ VASKIRO 10001, application 1.00\n
vaskiro wait [--gone] [--timeout SECONDS] ¦ vaskiro --simulate=bench wait --timeout 1 ¦ 0 ¦
vaskiro wait --timeout 600 || break ¦ vaskiro --simulate=bench wait --timeout 600 || echo broke ¦ 0 ¦
vaskiro write base.dat --set ip=10.20.0.$((100 + n)) --set object-id=$((20000 + n)) ¦ n=1; vaskiro --simulate=bench write base.dat --set ip=10.20.0.$((100 + n)) --set object-id=$((20000 + n)) --set name="AHU $n" --verify ¦ 0 ¦ Verified
vaskiro wait --gone ¦ vaskiro --simulate=none wait --gone ¦ 0 ¦
vaskiro sheet config.dat -o sheet.html ¦ vaskiro sheet config.dat -o sheet.html ¦ 0 ¦ Sheet Saved: sheet.html (1 device)\n
vaskiro sheet --record worklist-as-left.csv -o sheets.html ¦ cd one && vaskiro sheet --record worklist-as-left.csv -o sheets.html ¦ 0 ¦ (1 device)\n
vaskiro sheet --record worklist-as-left.csv --row 2 --with-password -o ahu-2.html ¦ cp as-left.csv worklist-as-left.csv && vaskiro sheet --record worklist-as-left.csv --row 2 --with-password -o ahu-2.html ¦ 0 ¦ Sheet Saved: ahu-2.html (1 device)\n
vaskiro record-checkout worklist-as-left.csv 2 marks.csv ¦ vaskiro record-checkout worklist-as-left.csv 2 marks.csv ¦ 0 ¦ Row 2: 1 of 2 checked, last read 2026-12-08 14:06:01; not checked: output.7\n
- ¦ mkdir site && for n in 1 2 3; do vaskiro set x.dat ip=127.0.1.$n port=47910 object-id=2100$n -o site/$n.dat; done ¦ 0 ¦
vaskiro simulate-network --folder site --at 127.0.1.1:47910 --bbmd & ¦ vaskiro simulate-network --folder site --at 127.0.1.1:47910 --bbmd > site.out 2>&1 & echo $! >> background.pid; for i in $(seq 50); do grep -q 'Simulated site' site.out && break; sleep 0.1; done; cat site.out ¦ 0 ¦ 3.dat: simulated BACnet device 21003 answering on 127.0.1.3:47910\n
vaskiro survey site --html survey.html ¦ vaskiro survey site --html survey.html --timeout 1 ¦ 0 ¦ 2.dat\t21002\t127.0.1.2:47910\tpassed\n3.dat\t21003\t127.0.1.3:47910\tpassed\n3 devices: 3 passed\n
vaskiro survey RECORD|FOLDER|WORKLIST [--base FILE] [--parallel N] [--timeout S] [--json] [--html REPORT] ¦ vaskiro survey site --parallel 2 --timeout 1 --json ¦ 0 ¦ {"device":"1.dat","instance":21001,"address":"127.0.1.1:47910","verdict":"passed","fields":[],"detail":""}
vaskiro discover --to 127.255.255.255:47910 ¦ vaskiro discover --to 127.255.255.255:47910 --timeout 1 ¦ 0 ¦ 21001\t127.0.1.1:47910\t0\tVASKIRO\n21002\t127.0.1.2:47910\t0\tVASKIRO\n21003
vaskiro survey site --bbmd 127.0.1.1:47911 --ttl 30 ¦ vaskiro survey site --bbmd 127.0.1.1:47911 --ttl 30 --timeout 1 && cat site.out ¦ 0 ¦ deleted (0 in the table)\n
)";

struct Step {
    std::string readme, run;
    int code;
    std::string says;
};

std::vector<Step> steps() {
    std::vector<Step> steps;
    std::istringstream lines(kSteps);
    std::smatch f;
    for (std::string line;
         std::getline(lines, line) && std::regex_match(line, f, std::regex("(.*) ¦ (.*) ¦ (.) ¦ ?(.*)"));) {
        const std::string says =
            std::regex_replace(std::regex_replace(f[4].str(), std::regex(R"(\\n)"), "\n"), std::regex(R"(\\t)"), "\t");
        steps.push_back({f[1], f[2], std::stoi(f[3]), says});
    }
    return steps;
}

// Shell words of the README that are placeholders: such a line is run in a concrete form.
const std::regex kTemplate(R"(\[|\||STATE|SECONDS)");

class ReadmeCommands : public VaskiroTool {
protected:
    // A step run by the shell in the test's folder, `vaskiro` being the tool built.
    ToolRun shell(const std::string& run) const {
        const std::string command = std::regex_replace(run, std::regex(R"((^|[ ;&|])vaskiro )"), "$1" VASKIRO_TOOL " ");
        return runShell("cd " + m_dir.string() + "; " + command);
    }
    void TearDown() override {  // the simulated network devices started in the background
        std::ifstream pids(m_dir / "background.pid");
        for (int id; pids >> id;) kill(id, SIGTERM);
        VaskiroTool::TearDown();
    }
};

}  // namespace

TEST_F(ReadmeCommands, EachRunsAndDoesWhatTheReadmeSays) {
    // The README's vaskiro lines, without their comments.
    std::ifstream readme(VASKIRO_README);
    std::set<std::string> shown, tested;
    bool inShell = false;
    for (std::string line; std::getline(readme, line);) {
        if (line.starts_with("```")) inShell = line == "```sh";
        const auto at = line.find("vaskiro ");
        if (!inShell || at == std::string::npos || line.find_first_not_of(' ') != at) continue;
        line = line.substr(at, line.find(" #") == std::string::npos ? std::string::npos : line.find(" #") - at);
        shown.insert(line.substr(0, line.find_last_not_of(" \\") + 1));  // nor a continuation's backslash
    }
    for (const Step& step : steps())
        if (step.readme != "-") tested.insert(step.readme);
    EXPECT_EQ(shown, tested);
    for (const Step& step : steps()) {
        if (step.readme != "-" && !std::regex_search(step.readme, kTemplate)) {
            const std::string words = step.readme.substr(8, step.readme.find(" &") - 8);  // a background job's too
            EXPECT_TRUE(holds(step.run, words));
        }
        const ToolRun run = shell(step.run);
        EXPECT_EQ(run.code, step.code) << step.run << "\n" << run.out;
        EXPECT_NE(run.out.find(step.says), std::string::npos) << step.run << "\n" << run.out;
    }
}

TEST(Readme, ItsExitCodeTableIsTheTools) {
    std::ifstream readme(VASKIRO_README);
    std::string table;
    for (std::string line; std::getline(readme, line);)
        if (std::regex_match(line, std::regex(R"(\| [0-9]+ \| .*)"))) table += line + "\n";
    std::string tools;
    for (const auto& [code, meaning] : vaskiro::cli::kExitCodes)
        tools += "| " + std::to_string(code) + " | " + std::string(meaning) + " |\n";
    EXPECT_EQ(table, tools);
}

// The manual page is made from --help-all: every command and option the tool defines is in it.
TEST(ManualPage, ListsEveryCommandAndOption) {
    std::ifstream page(VASKIRO_MAN_PAGE);
    if (!page) GTEST_SKIP() << "no manual page (help2man missing)";
    std::string man{std::istreambuf_iterator<char>(page), {}};
    man = std::regex_replace(man, std::regex(R"(\\-)"), "-");
    // Its options, and its commands: the words at the start of the lines under "Commands:".
    std::set<std::string> words;
    std::smatch found;
    const std::regex word(R"((?:^|[ ,])(--?[a-z][a-z-]*)|\n  ([a-z][a-z-]+)  )");
    for (std::string text = runTool("--help-all").out; std::regex_search(text, found, word); text = found.suffix())
        words.insert(found[1].matched ? found[1] : found[2]);
    for (const char* command :
         {"sheet", "watch", "drive", "list", "wait", "record-checkout", "--device", "--check-network"})
        EXPECT_TRUE(words.count(command)) << command;
    for (const std::string& word : words) EXPECT_NE(man.find(word), std::string::npos) << word;
}
