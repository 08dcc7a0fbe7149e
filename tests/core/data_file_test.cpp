#include "core/data_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

using namespace vaskiro::config;
namespace fs = std::filesystem;

namespace {

ConfigurationImage defaults() {
    ConfigurationImage image;
    image.SetDefaults();
    return image;
}

std::vector<std::uint8_t> defaultFile() {
    auto bytes = encodeDataFile(defaults());
    return {bytes.begin(), bytes.end()};
}

class TempDir : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("vaskiro-test-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    static std::vector<std::uint8_t> read(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    static void write(const fs::path& p, const std::vector<std::uint8_t>& bytes) {
        std::ofstream out(p, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    fs::path m_dir;
};

}  // namespace

TEST(DataFileFormat, DefaultFileHasTheLiteralHeader) {
    auto file = defaultFile();
    ASSERT_EQ(file.size(), 1596u);
    const std::vector<std::uint8_t> first40 = {
        0x01, 0x00, 0x00, 0x00, 'V', 'A', 'S', 'K', 'I', 'R', 'O', ' ', 'B', 'A',
        'C',  'n',  'e',  't',  ' ', 'I', 'n', 't', 'e', 'r', 'f', 'a', 'c', 'e',
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0xA8, 0x00, 0x06};
    EXPECT_EQ(std::vector<std::uint8_t>(file.begin(), file.begin() + 40), first40);
}

TEST(DataFileFormat, ImageRoundTripsEveryByteIncludingReserved) {
    ConfigurationImage image;
    for (std::size_t i = 0; i < kImageSize; ++i) image.bytes()[i] = static_cast<std::uint8_t>(i * 7 + 3);
    auto file = encodeDataFile(image);
    ConfigurationImage loaded;
    ASSERT_EQ(decodeDataFile(file, loaded), LoadOutcome::Loaded);
    EXPECT_EQ(loaded, image);
}

TEST(DataFileFormat, VersionsUpToOneLoadAndLaterOnesAreRefused) {
    struct Case {
        std::uint8_t b0, b3;
        LoadOutcome expected;
    };
    for (Case c : {Case{0x01, 0x00, LoadOutcome::Loaded}, Case{0x00, 0x00, LoadOutcome::Loaded},
                   Case{0xFF, 0xFF, LoadOutcome::Loaded},  // -1
                   Case{0x02, 0x00, LoadOutcome::LaterFormat}, Case{0x00, 0x01, LoadOutcome::LaterFormat}}) {
        auto file = defaultFile();
        file[0] = c.b0;
        file[3] = c.b3;
        ConfigurationImage image;
        EXPECT_EQ(decodeDataFile(file, image), c.expected) << int(c.b0) << "/" << int(c.b3);
    }
}

TEST(DataFileFormat, HeaderTextMustMatchExactlyAndEndWithNul) {
    auto wrongCase = defaultFile();
    wrongCase[4 + 8] = 'b';  // "VASKIRO bACnet..."
    auto noNul = defaultFile();
    noNul[28] = ' ';
    auto foreignAndLater = wrongCase;
    foreignAndLater[0] = 9;
    auto tailIgnored = defaultFile();
    for (int i = 29; i < 36; ++i) tailIgnored[static_cast<std::size_t>(i)] = 0x5A;

    ConfigurationImage image;
    EXPECT_EQ(decodeDataFile(wrongCase, image), LoadOutcome::Incompatible);
    EXPECT_EQ(decodeDataFile(noNul, image), LoadOutcome::Incompatible);
    EXPECT_EQ(decodeDataFile(foreignAndLater, image), LoadOutcome::Incompatible);
    EXPECT_EQ(decodeDataFile(tailIgnored, image), LoadOutcome::Loaded);
}

TEST(DataFileFormat, EveryTruncationIsRefusedAndLeavesTheImageUntouched) {
    auto file = defaultFile();
    ConfigurationImage before;
    before.bytes().fill(0x77);
    for (std::size_t length = 0; length < file.size(); ++length) {
        ConfigurationImage image = before;
        auto outcome = decodeDataFile(std::span<const std::uint8_t>(file.data(), length), image);
        ASSERT_EQ(outcome, LoadOutcome::Incompatible) << length;
        ASSERT_EQ(image, before) << length;
    }
}

TEST(DataFileFormat, ALongerFileLoadsFromItsFirst1596Bytes) {
    auto file = defaultFile();
    file.resize(2000, 0xEE);
    ConfigurationImage image;
    ASSERT_EQ(decodeDataFile(file, image), LoadOutcome::Loaded);
    EXPECT_EQ(image, defaults());
}

TEST_F(TempDir, SaveThenReadGivesTheSameBytes) {
    ConfigurationImage image = defaults();
    image.setName(NameGroup::Input, 3, std::string(31, 'L'));
    image.bytes()[1374] = 0x42;  // reserved
    auto path = m_dir / "a.dat";
    ASSERT_TRUE(writeDataFile(path, image).ok);
    auto expected = encodeDataFile(image);
    EXPECT_EQ(read(path), std::vector<std::uint8_t>(expected.begin(), expected.end()));

    ConfigurationImage loaded;
    EXPECT_EQ(readDataFile(path, loaded).outcome, LoadOutcome::Loaded);
    EXPECT_EQ(loaded, image);
    // Nothing but the target is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 1);
}

TEST_F(TempDir, SaveReplacesAnExistingFile) {
    auto path = m_dir / "a.dat";
    write(path, std::vector<std::uint8_t>(5000, 0x11));
    ASSERT_TRUE(writeDataFile(path, defaults()).ok);
    EXPECT_EQ(read(path), defaultFile());
}

TEST_F(TempDir, AFailedSaveReportsAndLeavesNothingBehind) {
    auto missingDir = m_dir / "no-such-dir" / "a.dat";
    auto result = writeDataFile(missingDir, defaults());
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.error.empty());

    // A directory in the target's place: the rename fails, the directory stays.
    auto blocked = m_dir / "blocked.dat";
    fs::create_directories(blocked / "inside");
    EXPECT_FALSE(writeDataFile(blocked, defaults()).ok);
    EXPECT_TRUE(fs::is_directory(blocked / "inside"));
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 1);
}

TEST_F(TempDir, ReadingAMissingFileIsUnreadable) {
    ConfigurationImage image = defaults();
    auto result = readDataFile(m_dir / "missing.dat", image);
    EXPECT_EQ(result.outcome, LoadOutcome::Unreadable);
    EXPECT_FALSE(result.error.empty());
    EXPECT_EQ(image, defaults());
}

TEST_F(TempDir, AShortFileOnDiskLeavesTheImageUntouched) {
    auto file = defaultFile();
    file.resize(1000);
    auto path = m_dir / "short.dat";
    write(path, file);
    ConfigurationImage image;
    image.bytes().fill(0x33);
    ConfigurationImage before = image;
    EXPECT_EQ(readDataFile(path, image).outcome, LoadOutcome::Incompatible);
    EXPECT_EQ(image, before);
}
