// vaskiro: the configuration utility's command-line tool, for scripts and
// for commissioning devices in batches. A thin shell over the same core as
// the window: the same exchange, checks, messages and data file format.

#include <CLI/CLI.hpp>

#include <charconv>
#include <cmath>
#include <iostream>
#include <iomanip>
#include <limits>
#include <sstream>

#ifdef _WIN32
#include <io.h>
#define VASKIRO_ISATTY _isatty
#define VASKIRO_STDERR 2
#define VASKIRO_STDOUT 1
#else
#include <unistd.h>
#define VASKIRO_ISATTY isatty
#define VASKIRO_STDERR STDERR_FILENO
#define VASKIRO_STDOUT STDOUT_FILENO
#endif

#include "cli/checkout_commands.h"
#include "cli/command_names.h"
#include "cli/commands.h"
#include "cli/commission.h"
#include "cli/ede_command.h"
#include "cli/network_commands.h"
#include "cli/presence_commands.h"
#include "cli/sheet_command.h"
#include "cli/site_commands.h"
#include "core/bacnet_numbers.h"
#include "core/reply_timeout.h"
#include "core/version.h"
#include "device/backend_choice.h"
#include "hid/hidapi_backend.h"
#include "programs/help_layout.h"

namespace {

// A number option's bounds, said in one short line when the value lies outside or is no number.
CLI::Validator between(double low, double high, const std::string& what) {
    auto number = [](double value) {
        std::ostringstream text;
        text << std::setprecision(10) << value;
        return text.str();
    };
    const std::string range = number(low) + " to " + number(high) + (what.empty() ? "" : " " + what);
    return CLI::Validator(
        [=](std::string& text) -> std::string {
            double value = 0;
            const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
            if (error == std::errc{} && end == text.data() + text.size() && value >= low && value <= high) return {};
            return "takes " + range + ", not " + text;
        },
        "(" + range + ")");
}

// The exit codes as --help (and the manual page made from it) lists them.
std::string exitCodeTable() {
    std::string table = "Exit status:\n";
    for (const auto& [code, meaning] : vaskiro::cli::kExitCodes)
        table += "  " + std::to_string(code) + std::string(code < 10 ? "    " : "  ") + std::string(meaning) + "\n";
    return table;
}

// --bbmd and --ttl, the same on every command that asks the network.
void addForeignDeviceOptions(CLI::App* command, vaskiro::cli::ForeignDeviceOption& option) {
    auto* bbmd =
        command->add_option("--bbmd", option.bbmd,
                            "ADDRESS[:PORT] of a BBMD to register with as a foreign device, for devices on another "
                            "subnet: broadcasts go through it, and the registration is deleted at the end (port "
                            "default 47808)");
    command
        ->add_option("--ttl", option.ttlSeconds,
                     "Seconds the BBMD keeps the registration; renewed at half of it (default " +
                         std::to_string(vaskiro::bacnet::kDefaultForeignDeviceTtl.count()) + ")")
        ->check(between(1, 65535, "seconds"))
        ->needs(bbmd);
}

std::vector<std::string> commandNames(const CLI::App& app) {
    std::vector<std::string> names;
    for (const CLI::App* sub : app.get_subcommands({})) names.push_back(sub->get_name());
    return names;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace vaskiro::cli;
    // Every --timeout, the tool's and each command's: seconds to wait for answers, within one range.
    const CLI::Validator timeoutRange = between(0.05, 600, "seconds");
    const CLI::Validator forRange = between(0.05, 86400, "seconds");
    const CLI::Validator rowRange = between(1, 1000000, "");

    CLI::App app{"Reads, writes and inspects the settings of a VASKIRO BACnet interface.", "vaskiro"};
    // The same options everywhere: CLI11 would take "/name" for an option on Windows, where it is a path from
    // the drive's root (the commands and subcommands made below inherit this).
    app.allow_windows_style_options(false);
    app.require_subcommand(1);
    app.footer(exitCodeTable());
    app.set_help_all_flag("--help-all", "Print this help and every command's options, then exit");
    app.formatter(std::make_shared<vaskiro::programs::HelpLayout>());
    app.set_version_flag("--version", std::string(vaskiro::core::kProjectVersion));

    std::string simulateState;
    double timeoutSeconds = std::chrono::duration<double>(vaskiro::core::kReplyTimeout).count();
    auto* simulate =
        app.add_option("--simulate", simulateState, std::string(vaskiro::device::kSimulateOptionHelp))->expected(0, 1);
    auto* globalTimeout = app.add_option("--timeout", timeoutSeconds,
                                         "Seconds to wait for answers: each reply of the device (default " +
                                             std::to_string(vaskiro::core::kReplyTimeout / std::chrono::seconds(1)) +
                                             "); for "
                                             "discover, check and wait, as their own --timeout")
                              ->check(timeoutRange);
    std::string devicePath;
    app.add_option("--device", devicePath, std::string(vaskiro::device::kDeviceOptionHelp));

    std::filesystem::path input, output;
    std::vector<std::string> assignments;
    WriteOptions writeOptions;
    std::string diffA, diffB;

    auto* info = app.add_subcommand("info", "Identify the device: application version and serial number");
    auto* read = app.add_subcommand("read", "Read the device's settings into a data file");
    read->add_option("-o,--output", output, "Data file to write (.dat)")->required();
    auto* write = app.add_subcommand("write", "Write a configuration (data file or JSON) into the device");
    write->add_option("file", input, "Data file (.dat) or JSON file to write into the device")->required();
    write->add_option("--set", writeOptions.assignments, "KEY=VALUE: change a setting before writing (repeatable)");
    write->add_flag("--verify", writeOptions.verify, "Read the device back and compare every setting it carries");
    auto* show = app.add_subcommand("show", "Print every setting of a configuration, one per line");
    show->add_option("file", input, "Data file (.dat) or JSON file")->required();
    auto* exportCommand = app.add_subcommand("export", "Print a configuration as JSON");
    exportCommand->add_option("file", input, "Data file (.dat)")->required();
    auto* importCommand = app.add_subcommand("import", "Turn a JSON configuration into a data file");
    importCommand->add_option("file", input, "JSON file")->required();
    importCommand->add_option("-o,--output", output, "Data file to write (.dat)")->required();
    auto* set = app.add_subcommand("set", "Change settings in a configuration and save it as a data file");
    set->add_option("file", input, "Data file (.dat) or JSON file")->required();
    set->add_option("assignments", assignments,
                    "KEY=VALUE ...; keys: ip gateway mask dhcp port object-id name location description password "
                    "input-name.N input-invert.N output-name.N output-invert.N output-start.N analogue-name.N "
                    "analogue-unit.N analogue-scaling.N analogue-cov.N")
        ->required();
    set->add_option("-o,--output", output, "Data file to write (.dat)")->required();
    auto* diff = app.add_subcommand("diff", "List the settings that differ between two configurations");
    diff->add_option("a", diffA, "Data file, JSON file, or the word device (a complete Read)")->required();
    diff->add_option("b", diffB, "Data file, JSON file, or the word device")->required();
    auto* unitsCommand = app.add_subcommand("units", "List the engineering units: code, name, category");
    CommissionOptions commissionOptions;
    auto* commission = app.add_subcommand(
        "commission", "Commission devices one after another from a worklist (CSV), keeping an as-left record");
    commission
        ->add_option("worklist", commissionOptions.worklist,
                     "CSV: a header of setting keys (as set takes them) and tag, one row per device")
        ->required();
    commission->add_option("--base", commissionOptions.base, "Data file (.dat) or JSON file each row starts from")
        ->required();
    commission->add_option("--record", commissionOptions.record,
                           "As-left record (CSV) to append to (default: WORKLIST-as-left.csv beside the worklist)");
    commission->add_flag("--check-network", commissionOptions.checkNetwork,
                         "After writing, check that the device answers on the network as configured");
    commission->add_option("--start-at", commissionOptions.startAt, "Row to begin with (1: the first under the header)")
        ->check(rowRange);
    commission->add_flag("--again", commissionOptions.again, "Accept a device that the record already holds");

    SheetOptions sheetOptions;
    auto* sheet = app.add_subcommand("sheet",
                                     "Write a handover sheet (printable HTML, one page per device) of a "
                                     "configuration or of the devices of an as-left record");
    auto* sheetFile = sheet->add_option("file", sheetOptions.file, "Data file (.dat) or JSON file");
    auto* sheetRecord =
        sheet->add_option("--record", sheetOptions.record, "As-left record (CSV) of a worklist")->excludes(sheetFile);
    sheet->add_option("--row", sheetOptions.row, "Only the device of this worklist row (with --record)")
        ->needs(sheetRecord)
        ->check(rowRange);
    sheet
        ->add_option("--checkout", sheetOptions.checkout,
                     "MARKS.csv: a point checkout's marks (as the window's checkout saves them) for the "
                     "Checked column; a record keeps its own (see record-checkout)")
        ->excludes(sheetRecord);
    sheet->add_flag("--with-password", sheetOptions.withPassword,
                    "Print the device password too (left out unless given)");
    sheet->add_option("-o,--output", sheetOptions.output, "HTML file to write")->required();
    std::filesystem::path marks;
    int markedRow = 0;
    auto* recordCheckout = app.add_subcommand(
        "record-checkout", "Put a point checkout's marks into the as-left record, for the sheet's Checked column");
    recordCheckout->add_option("record", input, "As-left record (CSV) of a worklist")->required();
    recordCheckout->add_option("row", markedRow, "The worklist row whose latest entry gets the marks")
        ->required()
        ->check(rowRange);
    recordCheckout->add_option("marks", marks, "MARKS.csv, as the window's point checkout saves it")->required();

    NetworkOptions network;
    std::uint32_t instance = 0;
    SimulateNetworkOptions simulateNetworkOptions;
    double simulateFor = 0;
    auto* discover = app.add_subcommand("discover",
                                        "Find BACnet devices on the network: Who-Is, then each one's "
                                        "object-name; exit 0 when any answered, 1 when none");
    discover->add_option("--to", network.to,
                         "ADDRESS[:PORT] to ask: one device or a directed broadcast "
                         "(default 255.255.255.255:47808)");
    const std::string networkDefault =
        " (default " + std::to_string(vaskiro::core::kNetworkTimeout / std::chrono::seconds(1)) + ")";
    auto* discoverTimeout =
        discover
            ->add_option("--timeout", network.timeoutSeconds, "Seconds to collect answers and names" + networkDefault)
            ->check(timeoutRange);
    auto* instanceOption = discover->add_option("--instance", instance, "Only the device with this instance")
                               ->check(between(0, vaskiro::core::kAnyDeviceInstance, ""));
    discover->add_option("--range", network.range, "LOW-HIGH: only devices whose instance lies in this range")
        ->excludes(instanceOption);
    discover->add_flag("--json", network.json,
                       "One JSON object per device: instance, address, vendor, name (null when not read), "
                       "name_error, duplicate");
    addForeignDeviceOptions(discover, network.foreign);
    auto* check = app.add_subcommand("check",
                                     "Ask the network for the device a configuration describes and compare; "
                                     "exit 0 as configured, 1 no answer or a value not read, 3 differs or "
                                     "duplicate instance");
    check->add_option("file", input, "Data file (.dat) or JSON file")->required();
    check->add_option("--to", network.to,
                      "ADDRESS[:PORT] to ask (default: the file's address; a broadcast "
                      "when it uses DHCP; the file's port)");
    check->add_option("--broadcast", network.broadcast,
                      "ADDRESS[:PORT] where the Who-Is is broadcast as well, so that a second device with the "
                      "instance answers too (default: the directed broadcast of the local subnet that holds the "
                      "device's address, else 255.255.255.255)");
    auto* checkTimeout = check
                             ->add_option("--timeout", network.timeoutSeconds,
                                          "Seconds to wait for the I-Am, and again for the values" + networkDefault)
                             ->check(timeoutRange);
    addForeignDeviceOptions(check, network.foreign);
    auto* simulateNetwork =
        app.add_subcommand("simulate-network",
                           "Answer as a BACnet device (Who-Is, ReadProperty, ReadPropertyMultiple, SubscribeCOV "
                           "with COV notifications, WriteProperty of the outputs) with the simulated device's "
                           "configuration in STATE, until interrupted");
    auto* stateOption =
        simulateNetwork->add_option("state", input, "The simulated device's state file (see --simulate=STATE)");
    std::filesystem::path siteFolder;
    auto* folderOption = simulateNetwork
                             ->add_option("--folder", siteFolder,
                                          "Serve one device per state file (.dat, .json) of DIR, by name, from --at "
                                          "on: consecutive loopback addresses, or consecutive ports of another "
                                          "address")
                             ->excludes(stateOption);
    simulateNetwork->add_option("--at", simulateNetworkOptions.at,
                                "ADDRESS:PORT to answer on (default 127.0.0.1 and "
                                "the port configured in STATE, or in the first file of --folder)");
    simulateNetwork
        ->add_flag("--wiggle", simulateNetworkOptions.wiggle,
                   "Change an input and an analogue every 2 s (a line on standard input such as "
                   "\"input.3 on\" or \"analogue.2 21.5\" sets one at any time)")
        ->excludes(folderOption);
    simulateNetwork->add_flag("--no-cov", simulateNetworkOptions.refuseCov,
                              "Reject SubscribeCOV, as a device without COV does");
    simulateNetwork->add_flag("--no-read-multiple", simulateNetworkOptions.refuseReadMultiple,
                              "Reject ReadPropertyMultiple, as a device with ReadProperty alone does");
    simulateNetwork->add_flag("--ignore-read-multiple", simulateNetworkOptions.ignoreReadMultiple,
                              "Leave ReadPropertyMultiple unanswered, as some devices with ReadProperty alone do");
    auto* forOption =
        simulateNetwork->add_option("--for", simulateFor, "Stop after this many seconds")->check(forRange);
    std::string simulatedBbmd;
    auto* bbmdOption = simulateNetwork
                           ->add_option("--bbmd", simulatedBbmd,
                                        "Play a BBMD for the device (or every device of --folder) too, at "
                                        "ADDRESS:PORT (default: the device's, or --at's, address and the port after "
                                        "the highest device port): it registers foreign devices and distributes "
                                        "their broadcasts to the devices, and their I-Am to them")
                           ->expected(0, 1);
    simulateNetwork
        ->add_flag("--refuse-registrations", simulateNetworkOptions.refuseRegistrations,
                   "The BBMD refuses every Register-Foreign-Device, as one without a foreign device table does")
        ->needs(bbmdOption);

    CheckoutOptions checkoutOptions;
    double watchFor = 0;
    auto* watch = app.add_subcommand("watch",
                                     "Show the 40 points of the device a configuration describes, live over "
                                     "BACnet/IP, until Ctrl-C, --for, or the end of input (a terminal, pipe or "
                                     "file); every output it drove is released at the end; exit 0, 1 when the "
                                     "device does not answer or a release failed");
    watch->add_option("file", input, "Data file (.dat) or JSON file")->required();
    watch->add_option("--to", checkoutOptions.to, "ADDRESS[:PORT] of the device (default: the file's)");
    auto* watchForOption = watch->add_option("--for", watchFor, "Stop after this many seconds")->check(forRange);
    watch->add_flag("--json", checkoutOptions.json, "One JSON object per line");
    addForeignDeviceOptions(watch, checkoutOptions.foreign);
    std::string drivePoint, driveCommand;
    auto* drive = app.add_subcommand("drive",
                                     "Command one output of the device a configuration describes (on and "
                                     "off hold until release) and read it back; exit 0 when the output is "
                                     "where asked, 1 no answer or not taken, 4 another priority commands it");
    drive->add_option("file", input, "Data file (.dat) or JSON file")->required();
    drive->add_option("output", drivePoint, "output.N (N 1-16)")->required();
    drive->add_option("command", driveCommand, "on, off or release")->required();
    drive->add_option("--priority", checkoutOptions.priority, "BACnet priority (default 8, manual operator)")
        ->check(between(1, 16, ""));
    drive->add_option("--to", checkoutOptions.to, "ADDRESS[:PORT] of the device (default: the file's)");
    addForeignDeviceOptions(drive, checkoutOptions.foreign);

    EdeOptions edeOptions;
    auto* ede = app.add_subcommand("ede",
                                   "Read a device's objects live over BACnet/IP, or every device's of a record, and "
                                   "write one set of EDE files (the point list of BIG-EU's template, layout 2.2: "
                                   "PREFIX_EDE.csv, PREFIX_StateTexts.csv, PREFIX_Units.csv, PREFIX_ObjTypes.csv); "
                                   "exit 0 written, 1 no answer, refused or not written (of a record: any device "
                                   "not read, the others written)");
    ede->fallthrough()->group("Commands");
    auto* edeFile = ede->add_option("file", edeOptions.file, "Data file (.dat) or JSON file of the device");
    auto* edeTo = ede->add_option("--to", edeOptions.to,
                                  "ADDRESS[:PORT] of the device (default: the file's); without a file, whichever "
                                  "device answers there (port 47808 unless given)");
    auto* edeRecord = ede->add_option("--record", edeOptions.record,
                                      "As-left record (CSV), folder of data files (.dat, .json), or worklist (CSV, "
                                      "with --base): every device of it, into one set of files")
                          ->excludes(edeFile)
                          ->excludes(edeTo);
    ede->add_option("--base", edeOptions.base, "A worklist's base: data file (.dat) or JSON file")->needs(edeRecord);
    ede->add_option("--out", edeOptions.out,
                    "PREFIX of the files, with a folder if wanted (default: the file's or record's name without "
                    "its extension, else device-INSTANCE)");
    auto* edeTimeout =
        ede->add_option("--timeout", edeOptions.timeoutSeconds,
                        "Seconds to wait for the I-Am (of a record: every device's, together), and for each "
                        "reply" +
                            networkDefault)
            ->check(timeoutRange);
    auto* list = app.add_subcommand("list", "List the attached devices: path, identifier, mode");
    bool identify = false;
    list->add_flag("--identify", identify, "Also ask each device for its serial number and application version");
    auto* wait = app.add_subcommand("wait", "Return as soon as a device is connected (exit 1 at the timeout)");
    bool gone = false;
    double waitSeconds = 0;
    wait->add_flag("--gone", gone, "Return as soon as no device is connected instead");
    auto* waitTimeout = wait->add_option("--timeout", waitSeconds,
                                         "Give up after SECONDS (default: the tool's --timeout when given, "
                                         "else never)")
                            ->check(timeoutRange);
    SurveyOptions surveyOptions;
    auto* survey = app.add_subcommand("survey",
                                      "Check every device of a record, folder or worklist on the network at once, "
                                      "then broadcast for duplicates and devices not in it; exit as check, the "
                                      "worst device's");
    survey
        ->add_option("list", surveyOptions.list,
                     "As-left record (CSV), folder of data files (.dat, .json), or worklist (CSV, with --base)")
        ->required();
    survey->add_option("--base", surveyOptions.base, "A worklist's base: data file (.dat) or JSON file");
    survey->add_option("--parallel", surveyOptions.parallel, "Requests awaiting an answer at most (default 32)")
        ->check(between(1, 255, ""));
    auto* surveyTimeout =
        survey
            ->add_option(
                "--timeout", surveyOptions.timeoutSeconds,
                "Seconds for every device's check; the broadcast for duplicates adds at most 1" + networkDefault)
            ->check(timeoutRange);
    survey->add_flag("--json", surveyOptions.json,
                     "One JSON object per device: device, instance, address, verdict, fields, detail");
    survey->add_option("--html", surveyOptions.html, "REPORT.html: the survey as a printable table, failures first");
    addForeignDeviceOptions(survey, surveyOptions.foreign);
    for (auto* sub :
         {info,  read,   write,           show,       exportCommand, importCommand,  set,  diff, unitsCommand, discover,
          check, survey, simulateNetwork, commission, sheet,         recordCheckout, list, wait, watch,        drive})
        sub->fallthrough()->group("Commands");

    if (const auto named = checkCommandName(std::vector<std::string>(argv + 1, argv + argc), commandNames(app));
        !named) {
        std::cerr << "vaskiro: " << named.error() << '\n';
        return kExitUsage;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::cerr << "vaskiro: " << e.what() << " (try --help)\n";
        return kExitUsage;
    }

    // The composition root: the one place that decides which devices the
    // commands talk to.
    DeviceOptions options;
    const auto choice = vaskiro::device::chooseBackend(simulate->count() > 0, simulateState);
    if (!choice) {
        std::cerr << "Bad value: " << choice.error() << '\n';
        return kExitUsage;
    }
    options.devices =
        choice->kind == vaskiro::device::BackendChoice::Kind::Hardware && !vaskiro::device::hardwareBarred()
            ? vaskiro::hid::makeHidapiBackend()
            : vaskiro::device::makeSimulatedBackend(*choice);
    options.replyTimeout = std::chrono::milliseconds(std::llround(timeoutSeconds * 1000.0));
    options.devicePath = devicePath;

    Streams io{std::cout, std::cerr, VASKIRO_ISATTY(VASKIRO_STDERR) != 0};
    if (*info) return runInfo(options, io);
    if (*read) return runRead(options, output, io);
    if (*write) return runWrite(options, input, writeOptions, io);
    if (*show) return runShow(input, io);
    if (*exportCommand) return runExport(input, io);
    if (*importCommand) return runImport(input, output, io);
    if (*set) return runSet(input, assignments, output, io);
    if (*diff) return runDiff(options, diffA, diffB, io);
    if (auto pluggable = vaskiro::device::canPlugAndUnplug(*choice); *commission && !pluggable) {
        std::cerr << pluggable.error() << '\n';
        return kExitUsage;
    }
    if (*commission) return runCommission(options, commissionOptions, *makeCommissionStand(options), io);
    if (*recordCheckout) return runRecordCheckout(input, markedRow, marks, io);
    if (*sheet) {
        if (sheetOptions.file.empty() && sheetOptions.record.empty()) {
            std::cerr << "vaskiro sheet: give a configuration FILE or --record REC.csv (try --help)\n";
            return kExitUsage;
        }
        return runSheet(sheetOptions, io);
    }
    // The tool's --timeout counts for a command that was given none of its own.
    const bool global = globalTimeout->count() > 0;
    if (*discover) {
        network.header = VASKIRO_ISATTY(VASKIRO_STDOUT) != 0;
        if (*instanceOption) network.range = std::to_string(instance);
        if (global && discoverTimeout->count() == 0) network.timeoutSeconds = timeoutSeconds;
        return runDiscover(network, io);
    }
    if (*check) {
        if (global && checkTimeout->count() == 0) network.timeoutSeconds = timeoutSeconds;
        return runCheck(input, network, io);
    }
    if (*simulateNetwork) {
        if (*forOption) simulateNetworkOptions.forSeconds = simulateFor;
        if (*bbmdOption) simulateNetworkOptions.bbmd = simulatedBbmd;
        if (*folderOption) return runSimulateSite(siteFolder, simulateNetworkOptions, io);
        if (!*stateOption) {
            std::cerr << "vaskiro simulate-network: give a STATE file or --folder DIR (try --help)\n";
            return kExitUsage;
        }
        return runSimulateNetwork(input, simulateNetworkOptions, io);
    }
    if (*survey) {
        if (global && surveyTimeout->count() == 0) surveyOptions.timeoutSeconds = timeoutSeconds;
        return runSurvey(surveyOptions, io);
    }
    if (*watch || *drive) {
        if (global) checkoutOptions.timeoutSeconds = timeoutSeconds;
        if (*watchForOption) checkoutOptions.forSeconds = watchFor;
        return *watch ? runWatch(input, checkoutOptions, io)
                      : runDrive(input, drivePoint, driveCommand, checkoutOptions, io);
    }
    if (*ede) {
        if (edeOptions.file.empty() && edeOptions.to.empty() && edeOptions.record.empty()) {
            std::cerr << "vaskiro ede: give the device's data FILE or --to ADDRESS[:PORT], or --record RECORD of "
                         "several (try --help)\n";
            return kExitUsage;
        }
        if (global && edeTimeout->count() == 0) edeOptions.timeoutSeconds = timeoutSeconds;
        return runEde(edeOptions, io);
    }
    if (*list) return runList(options, identify, io);
    if (*wait) {
        std::optional<std::chrono::milliseconds> limit;
        if (waitTimeout->count() > 0)
            limit = std::chrono::milliseconds(std::llround(waitSeconds * 1000.0));
        else if (global)
            limit = options.replyTimeout;
        return runWait(options, gone, limit, io);
    }
    return runUnits(io);
}
