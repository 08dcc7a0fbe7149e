// Writes the fuzz targets' seed corpus from real data files, real JSON
// exports and real exchanges with the simulated device.
//   fuzz_seeds <corpus folder>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/json_form.h"
#include "core/data_file.h"
#include "device/exchange.h"
#include "device/simulated_device.h"

using namespace vaskiro;
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

fs::path g_root;

void save(const std::string& target, const std::string& name, const Bytes& bytes) {
    fs::create_directories(g_root / target);
    std::ofstream out(g_root / target / name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void save(const std::string& target, const std::string& name, std::string_view text) {
    save(target, name, Bytes(text.begin(), text.end()));
}

config::ConfigurationImage sampleImage() {
    config::ConfigurationImage image;
    image.SetDefaults();
    image.setName(config::NameGroup::Input, 3, "Door contact");
    image.setName(config::NameGroup::Analogue, 2, "Supply \xB0" "C");
    image.setText(config::TextField::DevicePassword, "secret");
    image.setFlag(config::FlagGroup::InvertOutput, 16, true);
    image.setAnalogueUnitCode(2, 62);
    image.setAnalogueValue(config::FloatGroup::AnalogueScaling, 2, 0.1);
    return image;
}

void dataFiles() {
    const auto file = config::encodeDataFile(sampleImage());
    const Bytes whole(file.begin(), file.end());
    save("data_file", "sample.dat", whole);
    Bytes later = whole;
    later[0] = 2;
    save("data_file", "later_format.dat", later);
    Bytes zero = whole;
    zero[0] = 0;
    save("data_file", "version_zero.dat", zero);
    save("data_file", "cut_in_image.dat", Bytes(whole.begin(), whole.begin() + 100));
    save("data_file", "header_only.dat", Bytes(whole.begin(), whole.begin() + 36));
    save("data_file", "not_a_data_file.dat", std::string_view("VASKIRO BACnet Interface"));
}

void json() {
    save("json_import", "export.json", cli::exportJson(sampleImage()));
    save("json_import", "minimal.json", std::string_view(R"({"format": "VASKIRO BACnet Interface", "version": 1})"));
    save("json_import", "general.json",
         std::string_view(R"({"format": "VASKIRO BACnet Interface", "version": 1, "general": {"dhcp": true, )"
                          R"("ip": "10.0.0.7", "port": 47809, "name": "Plant room", "object-id": 4194302, )"
                          R"("password": "pw"}})"));
    save("json_import", "unit.json",
         std::string_view(R"({"format": "VASKIRO BACnet Interface", "version": 0, "analogues": [)"
                          R"({"unit": {"code": 62}, "scaling": 0.5, "cov": 2}, {"unit": "Degrees Celsius"}, {}, {}, )"
                          R"({}, {}, {}, {"name": "Last"}]})"));
    save("json_import", "later.json", std::string_view(R"({"format": "VASKIRO BACnet Interface", "version": 2})"));
}

void strToInt() {
    const char* texts[] = {"0", "123", "-2147483648", "2147483647", "2147483648", "-2147483649", "+7", "-", "",
                           " 1", "1e3", "000000000000000000012", "99999999999999999999"};
    int n = 0;
    for (const char* text : texts) save("str_to_int", "seed" + std::to_string(n++), std::string_view(text));
}

void textCodec() {
    save("text_codec", "ascii", std::string_view("Input 1"));
    save("text_codec", "utf8", std::string_view("Supply \xC2\xB0" "C \xE2\x82\xAC \xE2\x80\x9Cquoted\xE2\x80\x9D"));
    save("text_codec", "cp1252", std::string_view("Supply \xB0" "C \x80 \x93quoted\x94 \x81\x8D\x8F\x90\x9D"));
    save("text_codec", "malformed", std::string_view("\xC0\xAF \xED\xA0\x80 \xF4\x90\x80\x80 \xE2\x82"));
    Bytes all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<std::uint8_t>(b));
    save("text_codec", "every_byte", all);
}

// Exchange scripts; the operations are those of fuzz_exchange.cpp.
constexpr std::uint8_t kStartWrite = 0, kStartRead = 1, kStartIdentify = 2, kAbandon = 3, kReport = 4,
                       kDeviceReply = 5, kFailSends = 6, kNestedRead = 7 | 1 << 3;

struct Capture : device::ExchangePort {
    device::SimulatedDevice* device = nullptr;
    bool sendReport(const device::Report& report) override {
        std::string error;
        return device->write(report, error);
    }
    void appendLog(std::string_view) override {}
    void showMessage(device::MessageKind, std::string_view) override {}
    void populateForm() override {}
};

// A complete Read of a device that holds the sample image, each reply
// written out whole as a report operation.
Bytes recordedRead() {
    config::ConfigurationImage image;
    image.SetDefaults();
    device::SimulatedDevice device;
    device.storeImage(sampleImage());
    Capture port;
    port.device = &device;
    device::DeviceExchange exchange(image, port);
    Bytes script{kStartRead};
    exchange.startRead();
    while (!exchange.idle()) {
        device::Report reply{};
        device::ReadResult result = device.read(reply, 0);
        if (result.status != device::ReadStatus::Report) break;
        script.push_back(kReport);
        script.push_back(static_cast<std::uint8_t>(result.length));
        script.insert(script.end(), reply.begin(), reply.begin() + static_cast<long>(result.length));
        exchange.ProcessDeviceReport(std::span(reply.data(), result.length));
    }
    return script;
}

void exchanges() {
    save("exchange", "read_recorded", recordedRead());
    Bytes write{kStartWrite};
    write.insert(write.end(), 49, kDeviceReply);
    save("exchange", "write", write);
    Bytes read{kStartRead};
    read.insert(read.end(), 47, kDeviceReply);
    save("exchange", "read", read);
    Bytes restart{kStartWrite};
    restart.insert(restart.end(), 10, kDeviceReply);
    restart.push_back(kStartRead);
    restart.insert(restart.end(), 48, kDeviceReply);
    save("exchange", "write_restarted_by_read", restart);
    Bytes nested{kNestedRead, kStartWrite};
    nested.insert(nested.end(), 49 + 47, kDeviceReply);
    save("exchange", "read_from_inside_the_box", nested);
    Bytes shortReplies{kStartRead};
    for (int i = 0; i < 47; ++i) shortReplies.push_back(static_cast<std::uint8_t>(0x80 | (i % 16) << 3 | kDeviceReply));
    save("exchange", "read_short_replies", shortReplies);
    Bytes abandoned{kStartRead, kDeviceReply, kDeviceReply, kDeviceReply, kAbandon, kDeviceReply, kDeviceReply};
    save("exchange", "read_abandoned", abandoned);
    Bytes failing{kStartWrite, kDeviceReply, kDeviceReply, kFailSends, kDeviceReply, kFailSends, kStartIdentify,
                  kDeviceReply};
    save("exchange", "send_fails", failing);
    Bytes refused{kStartIdentify, kReport, 5, 0x00, 0x53, 0x00, 0x01, 0x11};
    save("exchange", "identity_refused", refused);
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds <corpus folder>\n");
        return 2;
    }
    g_root = argv[1];
    dataFiles();
    json();
    strToInt();
    textCodec();
    exchanges();
    return 0;
}
