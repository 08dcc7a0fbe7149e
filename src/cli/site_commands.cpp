#include "cli/site_commands.h"

#include <algorithm>
#include <fstream>
#include <thread>

#include <nlohmann/json.hpp>

#include "bacnet/simulated/simulated_bbmd.h"
#include "bacnet/simulated/simulated_site.h"
#include "bacnet/site_survey.h"
#include "cli/endpoint_option.h"
#include "cli/exit_codes.h"
#include "cli/stop_signals.h"
#include "commission/as_left_record.h"
#include "commission/site_devices.h"
#include "commission/survey_report.h"

namespace vaskiro::cli {

namespace {

using commission::SurveyVerdict;

int exitCodeOf(SurveyVerdict verdict) {
    switch (verdict) {
    case SurveyVerdict::Passed: return kExitDone;
    case SurveyVerdict::Differs:
    case SurveyVerdict::Duplicate:
    case SurveyVerdict::Stranger: return kExitDiffer;
    case SurveyVerdict::BadConfiguration: return kExitUsage;
    case SurveyVerdict::NoAnswer:
    case SurveyVerdict::Unreadable:
    case SurveyVerdict::NotChecked:
    case SurveyVerdict::Failed: break;
    }
    return kExitFailure;
}

// The worse of two exit codes: a configuration that cannot be checked, then a device that differs, then one
// that did not answer.
int worse(int a, int b) {
    constexpr std::array kOrder{kExitDone, kExitFailure, kExitDiffer, kExitUsage};
    const auto rank = [&](int code) { return std::find(kOrder.begin(), kOrder.end(), code) - kOrder.begin(); };
    return rank(a) >= rank(b) ? a : b;
}

std::string jsonLine(const commission::SurveyRow& row) {
    nlohmann::ordered_json device{
        {"device", row.label.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(row.label)},
        {"instance", row.instance},
        {"address", row.address},
        {"verdict", row.said.substr(0, row.said.find(':'))},
        {"fields", row.fields},
        {"detail", row.detail}};
    return device.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string textLine(const commission::SurveyRow& row) {
    std::string line = (row.label.empty() ? "-" : row.label) + '\t' + std::to_string(row.instance) + '\t' +
                       row.address + '\t' + row.said;
    return row.detail.empty() ? line : line + '\t' + row.detail;
}

}  // namespace

int runSurvey(const SurveyOptions& options, Streams io) {
    if (options.parallel < 1 || options.parallel > 255) {
        io.err << "Bad value: --parallel takes 1 to 255 requests, not " << options.parallel << ".\n";
        return kExitUsage;
    }
    bacnet::SurveyOptions survey;
    if (!parseForeignDevice(options.foreign, survey.bbmd, io)) return kExitUsage;
    auto devices = commission::readSiteDevices(options.list, options.base.empty() ? nullptr : &options.base);
    if (!devices) {
        io.err << devices.error() << ".\n";
        return kExitFailure;
    }
    std::vector<core::ConfigurationImage> images;
    for (const commission::SiteDevice& device : *devices) images.push_back(device.image);
    survey.parallel = static_cast<std::size_t>(options.parallel);
    survey.timeout = fromSeconds(options.timeoutSeconds);
    survey.stop = &StopSignals::stopFlag();
    bacnet::SurveyResult result;
    {
        // Through a BBMD a kill too ends the survey its own way: the registration deleted.
        const StopSignals interrupt(survey.bbmd ? StopSignals::Which::Endings : StopSignals::Which::Interrupt);
        result = bacnet::surveyNetwork(images, survey);
    }
    if (!result.note.empty()) io.err << result.note << '\n';
    if (result.unregistered) {
        io.err << result.failure << '\n';
        return StopSignals::caught() != 0 ? kExitInterrupted : kExitFailure;
    }
    if (!result.failure.empty()) {
        io.err << "The survey could not be made: " << result.failure << ".\n";
        return kExitFailure;
    }
    const std::vector<commission::SurveyRow> rows = commission::surveyRows(*devices, result);
    int code = kExitDone;
    for (const commission::SurveyRow& row : rows) {
        io.out << (options.json ? jsonLine(row) : textLine(row)) << '\n';
        code = worse(code, exitCodeOf(row.verdict));
    }
    const std::string summary = commission::surveySummary(rows);
    (options.json ? io.err : io.out) << summary << std::endl;
    if (!options.html.empty()) {
        std::ofstream out(options.html, std::ios::binary);
        out << commission::surveyReport(rows, commission::localTimeIso8601());
        if (!out.flush()) {
            io.err << "Cannot write " << options.html.string() << ".\n";
            return kExitFailure;
        }
    }
    return StopSignals::caught() != 0 ? kExitInterrupted : code;
}

int runSimulateSite(const std::filesystem::path& folder, const SimulateNetworkOptions& options, Streams io) {
    auto devices = commission::readSiteDevices(folder, nullptr);
    if (!devices) {
        io.err << devices.error() << ".\n";
        return kExitFailure;
    }
    const std::int32_t statePort = devices->front().image.bacnetPort();
    bacnet::Endpoint base{{127, 0, 0, 1}, static_cast<std::uint16_t>(statePort)};
    if (!options.at.empty()) {
        auto parsed = parseEndpointOption("--at", options.at, base.port, io);
        if (!parsed) return kExitUsage;
        base = *parsed;
    } else if (statePort < 1 || statePort > core::kLargestUdpPort) {
        io.err << "Bad value: the first state's port " << statePort << " is not a UDP port; name one with --at.\n";
        return kExitUsage;
    }
    // Loopback has addresses to spare (those ending in 0 or 255 left out: the tools take them for a subnet's
    // own and its broadcast); any other address is one of this machine's, so its ports are counted up.
    const bool byAddress = base.address[0] == 127;
    std::vector<bacnet::SimulatedSite::Member> members;
    bacnet::Endpoint at = base;
    for (const commission::SiteDevice& device : *devices) {
        if (byAddress)
            while (at.address[3] == 0 || at.address[3] == 255)
                if (++at.address[3] == 0 && ++at.address[2] == 0) ++at.address[1];
        if (at.address[0] != base.address[0] || (!byAddress && at.port < base.port)) {
            io.err << "Bad value: " << devices->size() << " devices do not fit from --at "
                   << bacnet::formatEndpoint(base) << ".\n";
            return kExitUsage;
        }
        members.push_back({device.image, at});
        if (byAddress) {
            if (++at.address[3] == 0 && ++at.address[2] == 0 && ++at.address[1] == 0) ++at.address[0];
        } else {
            ++at.port;
        }
    }
    std::string note;
    auto site = bacnet::SimulatedSite::open(members, note);
    if (!site) {
        io.err << "Cannot answer on " << site.error() << ".\n";
        return kExitFailure;
    }
    if (!note.empty()) io.err << note << '\n';
    for (std::size_t i = 0; i < members.size(); ++i) {
        if (options.refuseCov) (*site)->device(i).refuseSubscriptions();
        if (options.refuseReadMultiple) (*site)->device(i).refuseReadMultiple();
        if (options.ignoreReadMultiple) (*site)->device(i).ignoreReadMultiple();
    }
    const StopSignals endings(StopSignals::Which::Endings);
    std::vector<bacnet::Endpoint> served;
    for (std::size_t i = 0; i < members.size(); ++i) served.push_back((*site)->endpoint(i));
    // By default the BBMD takes the port after the devices' highest, on the base address: none of theirs.
    std::unique_ptr<bacnet::SimulatedBbmd> bbmd;
    const bacnet::Endpoint next{base.address, static_cast<std::uint16_t>(byAddress ? base.port + 1 : at.port)};
    if (const int code = openSimulatedBbmd(options, next, served, bbmd, io)) return code;
    for (std::size_t i = 0; i < members.size(); ++i)
        io.out << (*devices)[i].label << ": simulated BACnet device "
               << ((*devices)[i].image.objectIdentifier() & bacnet::kInstanceMask) << " answering on "
               << bacnet::formatEndpoint(served[i]) << '\n';
    io.out << "Simulated site of " << members.size() << " devices answering" << std::endl;
    const auto until = options.forSeconds ? std::chrono::steady_clock::now() + fromSeconds(*options.forSeconds)
                                          : std::chrono::steady_clock::time_point::max();
    std::atomic<bool> ended{false};
    std::thread distributing = bbmd ? std::thread([&] { bbmd->serve(ended, until); }) : std::thread();
    (*site)->serve(StopSignals::stopFlag(), until);
    ended = true;
    if (distributing.joinable()) distributing.join();
    return kExitDone;
}

}  // namespace vaskiro::cli
