#include "cli/sheet_command.h"

#include <fstream>
#include <iterator>

#include "commission/as_left_record.h"
#include "commission/handover_sheet.h"
#include "core/atomic_file.h"

namespace vaskiro::cli {

int runSheet(const SheetOptions& options, Streams io) {
    std::vector<commission::SheetDevice> devices;
    if (!options.record.empty()) {
        std::ifstream in(options.record, std::ios::binary);
        if (!in) {
            io.err << "Cannot read " << options.record.string() << ".\n";
            return kExitFailure;
        }
        std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        if (std::string error; !commission::devicesOfRecord(text, options.row, devices, error)) {
            io.err << options.record.string() << ": " << error << ".\n";
            return kExitUsage;
        }
    } else {
        config::ConfigurationImage image;
        if (!loadConfiguration(options.file, image, io)) return kExitFailure;
        // A configuration that met no device: printed now, checked by nobody yet.
        devices.push_back({{}, {}, {}, commission::localTimeIso8601(), {}, {}, commission::readableSettings(image)});
    }
    std::string html = commission::handoverSheet(devices, options.withPassword);
    const auto saved =
        config::writeFileAtomically(options.output, {reinterpret_cast<const std::uint8_t*>(html.data()), html.size()});
    if (!saved) {
        io.err << "Cannot save " << options.output.string() << ": " << saved.error() << ".\n";
        return kExitFailure;
    }
    io.out << "Sheet Saved: " << options.output.string() << " (" << devices.size()
           << (devices.size() == 1 ? " device" : " devices") << ")\n";
    return kExitDone;
}

}  // namespace vaskiro::cli
