#pragma once

#include <chrono>
#include <filesystem>
#include <string>

#include "cli/commands.h"
#include "core/bacnet_numbers.h"

namespace vaskiro::cli {

struct EdeOptions {
    std::filesystem::path file;    // data file or JSON naming the device; empty: --to alone
    std::string to;                // ADDRESS[:PORT] of the device; overrides the file's
    std::filesystem::path record;  // a record, folder of data files or worklist: every device of it
    std::filesystem::path base;    // a worklist's base
    std::string out;               // PREFIX of the files; empty: the file's or record's name, else device-INSTANCE
    double timeoutSeconds = std::chrono::duration<double>(core::kNetworkTimeout).count();
};

// Reads one device's objects over BACnet/IP, or every device's of a record,
// and writes one set of EDE files. Exit 0 written, 1 no answer, refused, or
// a file not written (of a record: any device not read, the others written),
// 2 bad usage.
int runEde(const EdeOptions& options, Streams io);

}  // namespace vaskiro::cli
