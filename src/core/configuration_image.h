#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vaskiro::core {

inline constexpr std::size_t kImageSize = 1560;
inline constexpr int kInputCount = 16;
inline constexpr int kOutputCount = 16;
inline constexpr int kAnalogueCount = 8;

// Byte offsets of every field. The image is also the body of a data file and
// is carried to the device block by block, so these numbers are binding.
namespace layout {
inline constexpr std::size_t IPAddress = 0;
inline constexpr std::size_t GatewayAddress = 4;
inline constexpr std::size_t SubnetMask = 8;
inline constexpr std::size_t DeviceName = 12;
inline constexpr std::size_t InputName = 44;
inline constexpr std::size_t OutputName = 556;
inline constexpr std::size_t AnalogueName = 1068;
inline constexpr std::size_t DHCPEnable = 1324;
inline constexpr std::size_t InvertInput = 1325;
inline constexpr std::size_t InvertOutput = 1341;
inline constexpr std::size_t OutputStartStatus = 1357;
inline constexpr std::size_t Reserved = 1373;
inline constexpr std::size_t BacnetPort = 1376;
inline constexpr std::size_t ObjectIdentifier = 1380;
inline constexpr std::size_t Location = 1384;
inline constexpr std::size_t Description = 1416;
inline constexpr std::size_t AnalogueUnitCode = 1448;
inline constexpr std::size_t AnalogueScaling = 1480;
inline constexpr std::size_t COVIncrement = 1512;
inline constexpr std::size_t DevicePassword = 1544;
inline constexpr std::size_t End = 1560;

inline constexpr std::size_t TextSize = 32;
inline constexpr std::size_t PasswordSize = 16;
inline constexpr std::size_t ReservedSize = 3;

// Each field starts where the one before it ends: no gaps, no overlaps.
static_assert(GatewayAddress == IPAddress + 4);
static_assert(SubnetMask == GatewayAddress + 4);
static_assert(DeviceName == SubnetMask + 4);
static_assert(InputName == DeviceName + TextSize);
static_assert(OutputName == InputName + kInputCount * TextSize);
static_assert(AnalogueName == OutputName + kOutputCount * TextSize);
static_assert(DHCPEnable == AnalogueName + kAnalogueCount * TextSize);
static_assert(InvertInput == DHCPEnable + 1);
static_assert(InvertOutput == InvertInput + kInputCount);
static_assert(OutputStartStatus == InvertOutput + kOutputCount);
static_assert(Reserved == OutputStartStatus + kOutputCount);
static_assert(BacnetPort == Reserved + ReservedSize);
static_assert(ObjectIdentifier == BacnetPort + 4);
static_assert(Location == ObjectIdentifier + 4);
static_assert(Description == Location + TextSize);
static_assert(AnalogueUnitCode == Description + TextSize);
static_assert(AnalogueScaling == AnalogueUnitCode + kAnalogueCount * 4);
static_assert(COVIncrement == AnalogueScaling + kAnalogueCount * 4);
static_assert(DevicePassword == COVIncrement + kAnalogueCount * 4);
static_assert(End == DevicePassword + PasswordSize);
static_assert(End == kImageSize);
}  // namespace layout

using ImageBytes = std::array<std::uint8_t, kImageSize>;
using Octets = std::array<std::uint8_t, 4>;

enum class AddressField { IPAddress, GatewayAddress, SubnetMask };
enum class TextField { DeviceName, Location, Description, DevicePassword };
enum class NameGroup { Input, Output, Analogue };
enum class FlagGroup { InvertInput, InvertOutput, OutputStartStatus };
enum class FloatGroup { AnalogueScaling, COVIncrement };

// Where a field lives in the image.
struct FieldSpan {
    std::size_t offset;
    std::size_t size;
};

// Channel counts of each group; numbers run from 1 as on the screen.
int channelCount(NameGroup group);
int channelCount(FlagGroup group);

// Spans of the fields; a channel outside 1..count throws std::out_of_range.
FieldSpan span(AddressField field);
FieldSpan span(TextField field);
FieldSpan nameSpan(NameGroup group, int channel);
std::size_t flagOffset(FlagGroup group, int channel);
std::size_t unitCodeOffset(int channel);
std::size_t floatOffset(FloatGroup group, int channel);

// The 1560-byte record of every device setting. A value type: copy it to
// keep a snapshot. Multi-byte values are little-endian whatever the host.
// Texts are single-byte (Windows-1252) and never reach outside their field.
class ConfigurationImage {
public:
    ConfigurationImage();  // every byte zero

    // The factory defaults, whatever the image held before.
    void SetDefaults();

    const ImageBytes& bytes() const { return m_bytes; }
    ImageBytes& bytes() { return m_bytes; }

    Octets address(AddressField field) const;
    void setAddress(AddressField field, const Octets& octets);

    // Text before the first NUL, or the whole field when it holds none.
    std::string text(TextField field) const;
    // Stores the bytes and one NUL from the start of the field; bytes after
    // that NUL keep their values. A text that does not fit is clipped to
    // size - 1 bytes so the NUL stays inside the field.
    void setText(TextField field, std::string_view value);

    std::string name(NameGroup group, int channel) const;
    void setName(NameGroup group, int channel, std::string_view value);

    bool flag(FlagGroup group, int channel) const;        // any non-zero byte is on
    void setFlag(FlagGroup group, int channel, bool on);  // stores 1 or 0

    bool dhcpEnable() const;
    void setDhcpEnable(bool on);

    std::int32_t bacnetPort() const;
    void setBacnetPort(std::int32_t port);

    std::uint32_t objectIdentifier() const;
    void setObjectIdentifier(std::uint32_t id);

    std::uint32_t analogueUnitCode(int channel) const;
    void setAnalogueUnitCode(int channel, std::uint32_t code);

    float analogueValue(FloatGroup group, int channel) const;
    // Rounds to the nearest single-precision value.
    void setAnalogueValue(FloatGroup group, int channel, double value);

    std::uint32_t readU32(std::size_t offset) const;
    void writeU32(std::size_t offset, std::uint32_t value);

    friend bool operator==(const ConfigurationImage&, const ConfigurationImage&) = default;

private:
    std::string readText(FieldSpan field) const;
    void writeText(FieldSpan field, std::string_view value);

    ImageBytes m_bytes{};
};

}  // namespace vaskiro::core
