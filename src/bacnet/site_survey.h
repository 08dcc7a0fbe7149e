#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "bacnet/client.h"
#include "bacnet/network_check.h"
#include "core/bacnet_numbers.h"
#include "core/configuration_image.h"

namespace vaskiro::bacnet {

struct SurveyOptions {
    // Requests (Who-Is and ReadProperty) awaiting their answer at any time, at most.
    std::size_t parallel = 32;
    // The survey ends within it and the duplicate window (1 s, or the timeout when shorter).
    std::chrono::milliseconds timeout = core::kNetworkTimeout;
    const std::atomic<bool>* stop = nullptr;  // when it becomes true, the survey ends soon after
    // Registered with this BBMD first (waiting at most the timeout), the broadcasts distributed by it; the
    // entry deleted at the end, stopped or not.
    std::optional<ForeignDevice> bbmd = std::nullopt;
    // After each device's verdict, from the surveying thread: devices done, of all.
    std::function<void(std::size_t done, std::size_t total)> progress = {};
};

struct SurveyResult {
    // One per image, in their order; none when its check was not made in
    // time (or the survey was stopped).
    std::vector<std::optional<CheckResult>> devices;
    // What answered the broadcasts with an instance no image configures, by instance and address.
    std::vector<SeenDevice> strangers;
    std::size_t peakInFlight = 0;  // the most requests that awaited their answer at one time
    std::string failure;           // why the survey could not be made at all (no socket); empty otherwise
    bool unregistered = false;     // the failure is the BBMD's refusal or silence, said as a sentence
    std::string note;              // what may be missed (the BACnet port taken; the registration lost)
};

// The check that checkOnNetwork makes, for every image at once: Who-Is to
// its configured address (a broadcast on its port for DHCP), then its
// published texts read from what answers, with at most `parallel` requests
// awaiting their answer and each retried within its share of the timeout;
// then one Who-Is of every instance broadcast on each port of the images,
// so that an instance answering from two addresses is a duplicate and an
// instance of no image a stranger. Ends within the timeout plus the
// duplicate window, whatever the number of images.
SurveyResult surveyNetwork(const std::vector<core::ConfigurationImage>& images, const SurveyOptions& options);

}  // namespace vaskiro::bacnet
