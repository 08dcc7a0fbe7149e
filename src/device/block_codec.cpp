#include "device/block_codec.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace vaskiro::device {

namespace layout = core::layout;
using core::ConfigurationImage;
using core::FlagGroup;
using core::NameGroup;

namespace {

// Block 0 part 1 payload offsets.
constexpr std::size_t kMarker = 0;     // 0x55 on write, ignored on read
constexpr std::size_t kAddresses = 1;  // IP, gateway, mask: 12 bytes in image order
constexpr std::size_t kPort = 13;
constexpr std::size_t kObjectId = 15;
constexpr std::size_t kDhcp = 19;
constexpr std::size_t kUnitCodes = 20;
constexpr std::size_t kFlags = 38;  // three groups, two bytes each: channels 9-16, then 1-8

constexpr std::array<FlagGroup, 3> kFlagGroups = {FlagGroup::InvertInput, FlagGroup::InvertOutput,
                                                  FlagGroup::OutputStartStatus};

// Fixed cuts of the text fields on the link.
constexpr std::size_t kDeviceNameCarried = 24;
constexpr std::size_t kDeviceNameNulOnWrite = 31;
constexpr std::size_t kLocationCarried = 23;
constexpr std::size_t kDescriptionAt = 24;
constexpr std::size_t kPasswordCut = 12;
constexpr std::uint8_t kNameTrailer = 0x30;

void checkBlockPart(int block, int part) {
    if (block < 0 || block >= kBlockCount || (part != 1 && part != 2))
        throw std::out_of_range("block " + std::to_string(block) + " part " + std::to_string(part) + " does not exist");
}

// Which name field a name block part carries; blocks 2..21 only.
core::FieldSpan nameFieldOf(int block, int part) {
    if (block < 10) return core::nameSpan(NameGroup::Input, 2 * (block - 2) + part);
    if (block < 18) return core::nameSpan(NameGroup::Output, 2 * (block - 10) + part);
    return core::nameSpan(NameGroup::Analogue, 2 * (block - 18) + part);
}

class WritePayload {
public:
    explicit WritePayload(Report& report) : m_report(report) {}
    std::uint8_t& operator[](std::size_t k) { return m_report[kWritePayloadAt + k]; }
    void copyFrom(const ConfigurationImage& image, std::size_t offset, std::size_t count, std::size_t to = 0) {
        std::copy_n(image.bytes().begin() + static_cast<long>(offset), count,
                    m_report.begin() + static_cast<long>(kWritePayloadAt + to));
    }
    void fill(std::size_t from, std::size_t count, std::uint8_t value) {
        std::fill_n(m_report.begin() + static_cast<long>(kWritePayloadAt + from), count, value);
    }

private:
    Report& m_report;
};

class ReplyPayload {
public:
    explicit ReplyPayload(const Report& report) : m_report(report) {}
    std::uint8_t operator[](std::size_t k) const { return m_report[kReplyPayloadAt + k]; }
    void copyTo(ConfigurationImage& image, std::size_t offset, std::size_t count, std::size_t from = 0) const {
        std::copy_n(m_report.begin() + static_cast<long>(kReplyPayloadAt + from), count,
                    image.bytes().begin() + static_cast<long>(offset));
    }

private:
    const Report& m_report;
};

void encodeSettings(const ConfigurationImage& image, WritePayload out) {
    const auto& bytes = image.bytes();
    out[kMarker] = 0x55;
    out.copyFrom(image, layout::IPAddress, 12, kAddresses);
    auto port = static_cast<std::uint32_t>(image.bacnetPort());
    out[kPort] = static_cast<std::uint8_t>(port >> 8);
    out[kPort + 1] = static_cast<std::uint8_t>(port);
    std::uint32_t id = image.objectIdentifier();
    for (std::size_t i = 0; i < 4; ++i) out[kObjectId + i] = static_cast<std::uint8_t>(id >> (24 - 8 * i));
    out[kDhcp] = bytes[layout::DHCPEnable] != 0 ? 1 : 0;
    for (int n = 1; n <= core::kAnalogueCount; ++n)
        out[kUnitCodes + static_cast<std::size_t>(n - 1)] = static_cast<std::uint8_t>(image.analogueUnitCode(n));
    for (std::size_t g = 0; g < kFlagGroups.size(); ++g) {
        std::uint8_t high = 0;
        std::uint8_t low = 0;
        for (int i = 0; i < 8; ++i) {
            if (bytes[core::flagOffset(kFlagGroups[g], 9 + i)] != 0) high |= static_cast<std::uint8_t>(1u << i);
            if (bytes[core::flagOffset(kFlagGroups[g], 1 + i)] != 0) low |= static_cast<std::uint8_t>(1u << i);
        }
        out[kFlags + 2 * g] = high;
        out[kFlags + 2 * g + 1] = low;
    }
}

void decodeSettings(ReplyPayload in, ConfigurationImage& image) {
    auto& bytes = image.bytes();
    in.copyTo(image, layout::IPAddress, 12, kAddresses);
    image.setBacnetPort(static_cast<std::int32_t>(std::uint32_t{in[kPort]} << 8 | in[kPort + 1]));
    std::uint32_t id = 0;
    for (std::size_t i = 0; i < 4; ++i) id = id << 8 | in[kObjectId + i];
    image.setObjectIdentifier(id);
    bytes[layout::DHCPEnable] = (in[kDhcp] & 0x01) != 0 ? 1 : 0;
    for (int n = 1; n <= core::kAnalogueCount; ++n)
        image.setAnalogueUnitCode(n, in[kUnitCodes + static_cast<std::size_t>(n - 1)]);
    for (std::size_t g = 0; g < kFlagGroups.size(); ++g) {
        std::uint8_t high = in[kFlags + 2 * g];
        std::uint8_t low = in[kFlags + 2 * g + 1];
        for (int i = 0; i < 8; ++i) {
            bytes[core::flagOffset(kFlagGroups[g], 9 + i)] = (high >> i) & 1;
            bytes[core::flagOffset(kFlagGroups[g], 1 + i)] = (low >> i) & 1;
        }
    }
}

}  // namespace

void encodeBlockPart(const ConfigurationImage& image, int block, int part, Report& report) {
    checkBlockPart(block, part);
    WritePayload out(report);
    if (block == 0 && part == 1) {
        encodeSettings(image, out);
    } else if (block == 0) {
        out.fill(0, kPayloadSize, 0xFF);
        out.copyFrom(image, layout::DeviceName, kDeviceNameCarried);
        out[kDeviceNameNulOnWrite] = 0x00;
    } else if (block == 1) {
        out.copyFrom(image, part == 1 ? layout::AnalogueScaling : layout::COVIncrement, 4 * core::kAnalogueCount);
    } else if (block < kBlockCount - 1) {
        out.copyFrom(image, nameFieldOf(block, part).offset, layout::TextSize);
        out[layout::TextSize] = kNameTrailer;
    } else if (part == 1) {
        out.copyFrom(image, layout::Location, kLocationCarried);
        out[kLocationCarried] = 0x00;
        out.copyFrom(image, layout::Description, kLocationCarried, kDescriptionAt);
        out[kDescriptionAt + kLocationCarried] = 0x00;
    } else {
        // The device keeps at most 12 password characters: the NUL at 12 is
        // what it goes by, whatever the image holds behind it.
        out.fill(layout::PasswordSize, 45, 0xFF);
        out.copyFrom(image, layout::DevicePassword, layout::PasswordSize);
        out[kPasswordCut] = 0x00;
    }
}

void decodeBlockPart(const Report& reply, int block, int part, ConfigurationImage& image) {
    checkBlockPart(block, part);
    ReplyPayload in(reply);
    auto& bytes = image.bytes();
    if (block == 0 && part == 1) {
        decodeSettings(in, image);
    } else if (block == 0) {
        // Bytes 24-31 of the field are not carried and keep their content.
        in.copyTo(image, layout::DeviceName, kDeviceNameCarried);
        bytes[layout::DeviceName + kDeviceNameCarried - 1] = 0x00;
    } else if (block == 1) {
        in.copyTo(image, part == 1 ? layout::AnalogueScaling : layout::COVIncrement, 4 * core::kAnalogueCount);
    } else if (block < kBlockCount - 1) {
        std::size_t field = nameFieldOf(block, part).offset;
        in.copyTo(image, field, layout::TextSize);
        bytes[field + layout::TextSize - 1] = 0x00;
    } else if (part == 1) {
        in.copyTo(image, layout::Location, kLocationCarried);
        bytes[layout::Location + kLocationCarried] = 0x00;
        in.copyTo(image, layout::Description, kLocationCarried, kDescriptionAt);
        bytes[layout::Description + kLocationCarried] = 0x00;
    } else {
        in.copyTo(image, layout::DevicePassword, layout::PasswordSize);
        bytes[layout::DevicePassword + layout::PasswordSize - 1] = 0x00;
    }
}

}  // namespace vaskiro::device
