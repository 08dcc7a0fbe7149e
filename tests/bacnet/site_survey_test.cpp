// The survey's bounds: never more requests in flight than allowed, a
// device left unasked when the time runs out is "not checked" (never "no
// answer"), and the whole survey ends within the timeout and the window.

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "bacnet/site_survey.h"

using namespace vaskiro;

namespace {

TEST(SiteSurvey, SilenceBeyondTheBoundIsNotCheckedAndTheSurveyEndsInTime) {
    auto probe = bacnet::UdpSocket::open({{127, 0, 0, 1}, 0}, false);
    ASSERT_TRUE(probe);
    const std::uint16_t port = (*probe)->localEndpoint().port;
    std::vector<core::ConfigurationImage> images(40);
    for (std::size_t n = 0; n < images.size(); ++n) {
        images[n].SetDefaults();
        images[n].setAddress(core::AddressField::IPAddress, {127, 0, 9, std::uint8_t(1 + n)});
        images[n].setBacnetPort(port);
        images[n].setObjectIdentifier(std::uint32_t(80000 + n));
    }
    images[5].setObjectIdentifier(0xFFFFFFFF);  // no BACnet instance: judged without asking
    bacnet::SurveyOptions options;
    options.parallel = 4;
    options.timeout = std::chrono::milliseconds(400);  // a silent device is given up after 200 ms
    std::size_t reported = 0;
    options.progress = [&](std::size_t done, std::size_t total) {
        EXPECT_EQ(total, 40u);
        reported = done;
    };
    const auto start = std::chrono::steady_clock::now();
    const bacnet::SurveyResult result = bacnet::surveyNetwork(images, options);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(400 + 400 + 300));
    EXPECT_EQ(result.peakInFlight, 4u);
    std::map<std::string, int> verdicts;
    for (const auto& device : result.devices)
        ++verdicts[!device                                                     ? "not checked"
                   : device->outcome == bacnet::CheckOutcome::NoAnswer         ? "no answer"
                   : device->outcome == bacnet::CheckOutcome::BadConfiguration ? "bad"
                                                                               : "other"];
    EXPECT_EQ(verdicts["bad"], 1);
    EXPECT_EQ(verdicts["other"], 0);
    EXPECT_GE(verdicts["no answer"], 4);  // the first four, each silent for its whole share
    EXPECT_LE(verdicts["no answer"], 8);
    EXPECT_EQ(verdicts["no answer"] + verdicts["not checked"], 39);
    EXPECT_EQ(reported, std::size_t(1 + verdicts["no answer"]));
    EXPECT_TRUE(result.strangers.empty());
}

}  // namespace
