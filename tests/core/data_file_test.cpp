#include "core/data_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

using namespace vaskiro::core;
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

ConfigurationImage defaultImage() {
    ConfigurationImage image;
    image.SetDefaults();
    return image;
}

// The default file, literally: version 1, the text with its NUL, spare bytes, the image.
Bytes defaultFile() {
    const std::string header("\x01\x00\x00\x00VASKIRO BACnet Interface\0\0\0\0\0\0\0\0", 36);
    const ConfigurationImage image = defaultImage();
    Bytes file(header.begin(), header.end());
    file.insert(file.end(), image.bytes().begin(), image.bytes().end());
    return file;
}

struct Header {
    const char* name;
    std::size_t at;
    Bytes bytes;
    LoadOutcome outcome;
};
std::ostream& operator<<(std::ostream& out, const Header& c) { return out << c.name; }

class DataFileHeader : public ::testing::TestWithParam<Header> {};

}  // namespace

TEST(DataFileFormat, TheDefaultFileIsLiteralAndEveryImageByteRoundTrips) {
    const auto encoded = encodeDataFile(defaultImage());
    EXPECT_EQ(Bytes(encoded.begin(), encoded.end()), defaultFile());
    EXPECT_EQ(Bytes(encoded.begin() + 36, encoded.begin() + 40), (Bytes{0xC0, 0xA8, 0x00, 0x06}));
    ConfigurationImage image, loaded;
    for (std::size_t i = 0; i < kImageSize; ++i) image.bytes()[i] = static_cast<std::uint8_t>(i * 7 + 3);
    ASSERT_EQ(decodeDataFile(encodeDataFile(image), loaded), LoadOutcome::Loaded);
    EXPECT_EQ(loaded, image);
}

TEST_P(DataFileHeader, DecidesTheOutcome) {
    Bytes file = defaultFile();
    std::copy(GetParam().bytes.begin(), GetParam().bytes.end(), file.begin() + static_cast<long>(GetParam().at));
    ConfigurationImage image;
    image.bytes().fill(0x77);
    const ConfigurationImage before = image;
    ASSERT_EQ(decodeDataFile(file, image), GetParam().outcome);
    EXPECT_EQ(image == before, GetParam().outcome != LoadOutcome::Loaded);
}

INSTANTIATE_TEST_SUITE_P(
    Files, DataFileHeader,
    ::testing::Values(Header{"Version0", 0, {0x00}, LoadOutcome::Loaded},
                      Header{"VersionMinus1", 0, {0xFF, 0xFF, 0xFF, 0xFF}, LoadOutcome::Loaded},
                      Header{"Version2", 0, {0x02}, LoadOutcome::LaterFormat},
                      Header{"VersionHighByte", 3, {0x01}, LoadOutcome::LaterFormat},
                      Header{"LetterCase", 12, {'b'}, LoadOutcome::Incompatible},
                      Header{"NoNulAfterTheText", 28, {' '}, LoadOutcome::Incompatible},
                      Header{"ForeignTextAndLaterVersion", 0, {9, 0, 0, 0, 'X'}, LoadOutcome::Incompatible},
                      Header{"SpareBytesIgnored", 29, Bytes(7, 0x5A), LoadOutcome::Loaded}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DataFileFormat, EveryTruncationIsRefusedAndALongerFileLoadsItsFirst1596Bytes) {
    Bytes file = defaultFile();
    ConfigurationImage before;
    before.bytes().fill(0x77);
    for (std::size_t length = 0; length < file.size(); ++length) {
        ConfigurationImage image = before;
        ASSERT_EQ(decodeDataFile(std::span<const std::uint8_t>(file.data(), length), image), LoadOutcome::Incompatible);
        ASSERT_EQ(image, before) << length;
    }
    file.resize(2000, 0xEE);
    ConfigurationImage image;
    ASSERT_EQ(decodeDataFile(file, image), LoadOutcome::Loaded);
    EXPECT_EQ(image, defaultImage());
}

TEST(DataFileDisk, SavesReplacingReadsBackAndLeavesNothingBehind) {
    const fs::path dir = fs::temp_directory_path() / "vaskiro-data-file-test";
    fs::remove_all(dir);
    fs::create_directories(dir / "blocked.dat" / "inside");
    std::ofstream(dir / "a.dat") << std::string(5000, 'x');
    ConfigurationImage image = defaultImage(), loaded = defaultImage();
    image.bytes()[1374] = 0x42;  // reserved
    ASSERT_TRUE(writeDataFile(dir / "a.dat", image));
    EXPECT_EQ(fs::file_size(dir / "a.dat"), 1596u);
    const auto missing = readDataFile(dir / "missing.dat", loaded);
    EXPECT_TRUE(missing.outcome == LoadOutcome::Unreadable && !missing.error.empty());
    EXPECT_EQ(loaded, defaultImage());
    EXPECT_EQ(readDataFile(dir / "a.dat", loaded).outcome, LoadOutcome::Loaded);
    EXPECT_EQ(loaded, image);

    const auto noFolder = writeDataFile(dir / "no-such-dir" / "a.dat", image);
    EXPECT_FALSE(noFolder || noFolder.error().empty());
    EXPECT_FALSE(writeDataFile(dir / "blocked.dat", image));  // the rename fails, the folder stays
    EXPECT_TRUE(fs::is_directory(dir / "blocked.dat" / "inside"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);  // nothing left behind
    fs::remove_all(dir);
}
