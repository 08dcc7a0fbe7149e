#include "core/configuration_image.h"

#include <algorithm>
#include <bit>
#include <stdexcept>
#include <string>

#include "core/bacnet_numbers.h"
#include "core/little_endian.h"

namespace vaskiro::core {

namespace {

void checkChannel(int channel, int count) {
    if (channel < 1 || channel > count)
        throw std::out_of_range("channel " + std::to_string(channel) + " is outside 1.." + std::to_string(count));
}

}  // namespace

int channelCount(NameGroup group) {
    switch (group) {
    case NameGroup::Input: return kInputCount;
    case NameGroup::Output: return kOutputCount;
    case NameGroup::Analogue: return kAnalogueCount;
    }
    return 0;
}

int channelCount(FlagGroup group) { return group == FlagGroup::InvertInput ? kInputCount : kOutputCount; }

FieldSpan span(AddressField field) {
    switch (field) {
    case AddressField::IPAddress: return {layout::IPAddress, 4};
    case AddressField::GatewayAddress: return {layout::GatewayAddress, 4};
    case AddressField::SubnetMask: return {layout::SubnetMask, 4};
    }
    throw std::out_of_range("unknown address field");
}

FieldSpan span(TextField field) {
    switch (field) {
    case TextField::DeviceName: return {layout::DeviceName, layout::TextSize};
    case TextField::Location: return {layout::Location, layout::TextSize};
    case TextField::Description: return {layout::Description, layout::TextSize};
    case TextField::DevicePassword: return {layout::DevicePassword, layout::PasswordSize};
    }
    throw std::out_of_range("unknown text field");
}

FieldSpan nameSpan(NameGroup group, int channel) {
    checkChannel(channel, channelCount(group));
    std::size_t base = group == NameGroup::Input    ? layout::InputName
                       : group == NameGroup::Output ? layout::OutputName
                                                    : layout::AnalogueName;
    return {base + layout::TextSize * static_cast<std::size_t>(channel - 1), layout::TextSize};
}

std::size_t flagOffset(FlagGroup group, int channel) {
    checkChannel(channel, channelCount(group));
    std::size_t base = group == FlagGroup::InvertInput    ? layout::InvertInput
                       : group == FlagGroup::InvertOutput ? layout::InvertOutput
                                                          : layout::OutputStartStatus;
    return base + static_cast<std::size_t>(channel - 1);
}

std::size_t unitCodeOffset(int channel) {
    checkChannel(channel, kAnalogueCount);
    return layout::AnalogueUnitCode + 4 * static_cast<std::size_t>(channel - 1);
}

std::size_t floatOffset(FloatGroup group, int channel) {
    checkChannel(channel, kAnalogueCount);
    std::size_t base = group == FloatGroup::AnalogueScaling ? layout::AnalogueScaling : layout::COVIncrement;
    return base + 4 * static_cast<std::size_t>(channel - 1);
}

ConfigurationImage::ConfigurationImage() = default;

void ConfigurationImage::SetDefaults() {
    m_bytes.fill(0);
    setAddress(AddressField::IPAddress, {192, 168, 0, 6});
    setAddress(AddressField::GatewayAddress, {192, 168, 0, 1});
    setAddress(AddressField::SubnetMask, {255, 255, 255, 0});
    setText(TextField::DeviceName, "VASKIRO");
    for (int n = 1; n <= kInputCount; ++n) setName(NameGroup::Input, n, "Input " + std::to_string(n));
    for (int n = 1; n <= kOutputCount; ++n) setName(NameGroup::Output, n, "Output " + std::to_string(n));
    for (int n = 1; n <= kAnalogueCount; ++n) {
        setName(NameGroup::Analogue, n, "Analogue " + std::to_string(n));
        setAnalogueUnitCode(n, 95);
        setAnalogueValue(FloatGroup::AnalogueScaling, n, 1.0);
        setAnalogueValue(FloatGroup::COVIncrement, n, 1024.0);
    }
    setBacnetPort(core::kDefaultBacnetPort);
    setObjectIdentifier(12345);
    setText(TextField::Location, "Earth");
    setText(TextField::Description, "BACnet Device");
    setText(TextField::DevicePassword, "Turnpike");
}

Octets ConfigurationImage::address(AddressField field) const {
    FieldSpan s = span(field);
    return {m_bytes[s.offset], m_bytes[s.offset + 1], m_bytes[s.offset + 2], m_bytes[s.offset + 3]};
}

void ConfigurationImage::setAddress(AddressField field, const Octets& octets) {
    std::copy(octets.begin(), octets.end(), m_bytes.begin() + static_cast<long>(span(field).offset));
}

std::string ConfigurationImage::readText(FieldSpan field) const {
    auto first = m_bytes.begin() + static_cast<long>(field.offset);
    auto last = first + static_cast<long>(field.size);
    return std::string(first, std::find(first, last, std::uint8_t{0}));
}

void ConfigurationImage::writeText(FieldSpan field, std::string_view value) {
    std::size_t length = std::min(value.size(), field.size - 1);
    std::copy_n(value.begin(), length, m_bytes.begin() + static_cast<long>(field.offset));
    m_bytes[field.offset + length] = 0;
}

std::string ConfigurationImage::text(TextField field) const { return readText(span(field)); }

void ConfigurationImage::setText(TextField field, std::string_view value) { writeText(span(field), value); }

std::string ConfigurationImage::name(NameGroup group, int channel) const { return readText(nameSpan(group, channel)); }

void ConfigurationImage::setName(NameGroup group, int channel, std::string_view value) {
    writeText(nameSpan(group, channel), value);
}

bool ConfigurationImage::flag(FlagGroup group, int channel) const { return m_bytes[flagOffset(group, channel)] != 0; }

void ConfigurationImage::setFlag(FlagGroup group, int channel, bool on) {
    m_bytes[flagOffset(group, channel)] = on ? 1 : 0;
}

bool ConfigurationImage::dhcpEnable() const { return m_bytes[layout::DHCPEnable] != 0; }

void ConfigurationImage::setDhcpEnable(bool on) { m_bytes[layout::DHCPEnable] = on ? 1 : 0; }

std::uint32_t ConfigurationImage::readU32(std::size_t offset) const {
    (void)m_bytes.at(offset + 3);  // throws unless the whole number lies within the image
    return core::readLittleEndian32(m_bytes.data() + offset);
}

void ConfigurationImage::writeU32(std::size_t offset, std::uint32_t value) {
    (void)m_bytes.at(offset + 3);
    core::writeLittleEndian32(m_bytes.data() + offset, value);
}

std::int32_t ConfigurationImage::bacnetPort() const { return static_cast<std::int32_t>(readU32(layout::BacnetPort)); }

void ConfigurationImage::setBacnetPort(std::int32_t port) {
    writeU32(layout::BacnetPort, static_cast<std::uint32_t>(port));
}

std::uint32_t ConfigurationImage::objectIdentifier() const { return readU32(layout::ObjectIdentifier); }

void ConfigurationImage::setObjectIdentifier(std::uint32_t id) { writeU32(layout::ObjectIdentifier, id); }

std::uint32_t ConfigurationImage::analogueUnitCode(int channel) const { return readU32(unitCodeOffset(channel)); }

void ConfigurationImage::setAnalogueUnitCode(int channel, std::uint32_t code) {
    writeU32(unitCodeOffset(channel), code);
}

float ConfigurationImage::analogueValue(FloatGroup group, int channel) const {
    return std::bit_cast<float>(readU32(floatOffset(group, channel)));
}

void ConfigurationImage::setAnalogueValue(FloatGroup group, int channel, double value) {
    writeU32(floatOffset(group, channel), std::bit_cast<std::uint32_t>(static_cast<float>(value)));
}

}  // namespace vaskiro::core
