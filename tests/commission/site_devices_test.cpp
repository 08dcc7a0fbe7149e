// A site's devices from each kind of list: the record's latest entry per
// row, a folder's data files by name, a worklist over its base.

#include <gtest/gtest.h>

#include <fstream>

#include "commission/as_left_record.h"
#include "commission/json_form.h"
#include "commission/site_devices.h"
#include "core/data_file.h"

using namespace vaskiro;
namespace fs = std::filesystem;

namespace {

core::ConfigurationImage configured(std::uint32_t id, const char* location) {
    core::ConfigurationImage image;
    image.SetDefaults();
    image.setObjectIdentifier(id);
    image.setText(core::TextField::Location, location);
    image.setAnalogueUnitCode(2, 62);
    return image;
}

class SiteDevices : public ::testing::Test {
protected:
    void SetUp() override {
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "folder");
    }
    void TearDown() override { fs::remove_all(m_dir); }
    fs::path m_dir = fs::temp_directory_path() / ("vaskiro-site-" + std::to_string(::getpid()));
};

TEST_F(SiteDevices, EachKindOfListGivesItsDevicesInOrder) {
    commission::AsLeftRecord record;
    ASSERT_TRUE(record.open(m_dir / "record.csv"));
    for (auto [row, tag, id, location] : {std::tuple{2, "B", 20u, "Roof, \"east\""}, std::tuple{1, "", 10u, "old"},
                                          std::tuple{1, "", 11u, "Plant room"}})
        ASSERT_TRUE(record.append(
            {"T", row, tag, "S" + std::to_string(id), "1.00", configured(id, location), "verified", "passed"}));
    ASSERT_TRUE(core::writeDataFile(m_dir / "folder" / "b.dat", configured(31, "b")));
    std::ofstream(m_dir / "folder" / "a.json") << commission::exportJson(configured(30, "a"));
    std::ofstream(m_dir / "folder" / "notes.txt") << "not a device";
    ASSERT_TRUE(core::writeDataFile(m_dir / "base.dat", configured(1, "base")));
    std::ofstream(m_dir / "worklist.csv") << "tag,object-id,location,ip\r\nAHU 1,40,,10.0.0.1\r\n,41,Hall,10.0.0.2\r\n";
    const fs::path base = m_dir / "base.dat";

    struct Case {
        fs::path list;
        const fs::path* base;
        std::vector<std::tuple<std::string, std::uint32_t, std::string>> devices;
    };
    for (const Case& c : std::vector<Case>{
             {m_dir / "record.csv", nullptr, {{"row 1", 11, "Plant room"}, {"B", 20, "Roof, \"east\""}}},
             {m_dir / "folder", nullptr, {{"a.json", 30, "a"}, {"b.dat", 31, "b"}}},
             {m_dir / "worklist.csv", &base, {{"AHU 1", 40, "base"}, {"row 2", 41, "Hall"}}},
         }) {
        auto read = commission::readSiteDevices(c.list, c.base);
        ASSERT_TRUE(read) << read.error();
        ASSERT_EQ(read->size(), c.devices.size()) << c.list;
        for (std::size_t i = 0; i < c.devices.size(); ++i) {
            const auto& [label, id, location] = c.devices[i];
            EXPECT_EQ((*read)[i].label, label);
            EXPECT_EQ((*read)[i].image.objectIdentifier(), id);
            EXPECT_EQ((*read)[i].image.text(core::TextField::Location), location);
            EXPECT_EQ((*read)[i].image.analogueUnitCode(2), 62u);
        }
    }
}

TEST_F(SiteDevices, WhatCannotBeReadIsSaidWithItsFile) {
    std::ofstream(m_dir / "worklist.csv") << "object-id\r\n40\r\n";
    std::ofstream(m_dir / "folder" / "bad.dat") << "x";
    const fs::path missing = m_dir / "missing.dat";
    for (auto [list, base, said] : {std::tuple{m_dir / "worklist.csv", (const fs::path*)nullptr, "needs a base"},
                                    std::tuple{m_dir / "worklist.csv", &missing, "missing.dat is not a usable"},
                                    std::tuple{m_dir / "folder", (const fs::path*)nullptr, "bad.dat is not a usable"},
                                    std::tuple{m_dir / "none.csv", (const fs::path*)nullptr, "cannot be read"}}) {
        auto read = commission::readSiteDevices(list, base);
        ASSERT_FALSE(read);
        EXPECT_NE(read.error().find(said), std::string::npos) << read.error();
    }
}

}  // namespace
