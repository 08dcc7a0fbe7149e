#include "cli/sheet_command.h"

#include <fstream>
#include <iterator>

#include "commission/as_left_record.h"
#include "commission/checkout_marks.h"
#include "commission/handover_sheet.h"
#include "core/atomic_file.h"

namespace vaskiro::cli {

namespace {

bool readText(const std::filesystem::path& path, std::string& text, Streams io) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        io.err << "Cannot read " << path.string() << ".\n";
        return false;
    }
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

// The summary of a marks file, or false after saying why there is none.
bool marksSummary(const std::filesystem::path& path, std::string& summary, Streams io) {
    std::string text;
    if (!readText(path, text, io)) return false;
    auto marks = commission::readCheckoutMarks(text);
    if (!marks) {
        io.err << path.string() << ": " << marks.error() << ".\n";
        return false;
    }
    summary = commission::checkoutSummary(*marks);
    return true;
}

}  // namespace

int runSheet(const SheetOptions& options, Streams io) {
    std::vector<commission::SheetDevice> devices;
    if (!options.record.empty()) {
        std::string text;
        if (!readText(options.record, text, io)) return kExitFailure;
        auto recorded = commission::devicesOfRecord(text, options.row);
        if (!recorded) {
            io.err << options.record.string() << ": " << recorded.error() << ".\n";
            return kExitFailure;
        }
        devices = std::move(*recorded);
    } else {
        core::ConfigurationImage image;
        if (!loadConfiguration(options.file, image, io)) return kExitFailure;
        // A configuration that met no device: printed now, with its checkout when one was done.
        devices.push_back(
            {{}, {}, {}, commission::localTimeIso8601(), {}, {}, commission::readableSettings(image), {}});
        if (!options.checkout.empty() && !marksSummary(options.checkout, devices.back().checkout, io))
            return kExitFailure;
    }
    std::string html = commission::handoverSheet(devices, options.withPassword);
    const auto saved =
        core::writeFileAtomically(options.output, {reinterpret_cast<const std::uint8_t*>(html.data()), html.size()});
    if (!saved) {
        io.err << "Cannot save " << options.output.string() << ": " << saved.error() << ".\n";
        return kExitFailure;
    }
    io.out << "Sheet Saved: " << options.output.string() << " (" << devices.size()
           << (devices.size() == 1 ? " device" : " devices") << ")\n";
    return kExitDone;
}

int runRecordCheckout(const std::filesystem::path& record, int row, const std::filesystem::path& marks, Streams io) {
    std::string summary;
    if (!marksSummary(marks, summary, io)) return kExitFailure;
    commission::AsLeftRecord kept;
    if (!std::filesystem::exists(record)) {
        io.err << "Cannot read " << record.string() << ".\n";
        return kExitFailure;
    }
    auto done = kept.open(record);
    if (done) done = kept.setCheckout(row, summary);
    if (!done) {
        io.err << done.error() << ".\n";
        return kExitFailure;
    }
    io.out << "Row " << row << ": " << summary << '\n';
    return kExitDone;
}

}  // namespace vaskiro::cli
