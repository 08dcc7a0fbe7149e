// The checkout's marks file, byte for byte, and what the as-left record keeps
// of it; the record's one physical line per attempt.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "commission/as_left_record.h"
#include "commission/checkout_marks.h"

using namespace vaskiro::commission;
namespace fs = std::filesystem;

namespace {

const std::vector<CheckoutMark> kMarks{
    {"input.1", "binary-input,1", "Fan \"run\"", "on", "2026-12-08 14:05:12", true, false},
    {"output.7", "binary-output,7", "Pump", "off", "2026-12-08 14:06:01", false, true},
    {"analogue.8", "analog-input,8", "Flow", "21.5 Degrees Celsius", "", false, false}};

const std::string kMarksCsv =
    "point,object,name,value,read at,stale,checked\r\n"
    "input.1,\"binary-input,1\",\"Fan \"\"run\"\"\",on,2026-12-08 14:05:12,yes,no\r\n"
    "output.7,\"binary-output,7\",Pump,off,2026-12-08 14:06:01,no,yes\r\n"
    "analogue.8,\"analog-input,8\",Flow,21.5 Degrees Celsius,,no,no\r\n";

TEST(CheckoutMarks, AreWrittenAndReadAsTheCheckoutSavesThem) {
    EXPECT_EQ(checkoutMarksCsv(kMarks), kMarksCsv);
    auto read = readCheckoutMarks(kMarksCsv);
    ASSERT_TRUE(read) << read.error();
    EXPECT_EQ(checkoutMarksCsv(*read), kMarksCsv);
    EXPECT_EQ(checkoutSummary(*read),
              "1 of 3 checked, last read 2026-12-08 14:06:01; not checked: input.1, analogue.8; stale: input.1");
}

TEST(CheckoutMarks, AnythingElseIsRefusedWithWhereAndWhy) {
    const std::string header = "point,object,name,value,read at,stale,checked\r\n";
    for (const auto& [text, why] : {std::pair{std::string("point,value\r\n"), "is not a checkout's marks (its"},
                                    {header + "output.1,x,y,on,,maybe,no\r\n", "line 2 is not a point's mark"},
                                    {header + "output.1,x\r\n", "line 2 is not a point's mark"}}) {
        auto marks = readCheckoutMarks(text);
        EXPECT_TRUE(!marks && marks.error().starts_with(why));
    }
}

class Record : public ::testing::Test {
protected:
    void SetUp() override { fs::remove(m_path); }
    void TearDown() override { fs::remove(m_path); }
    std::string text() const {
        std::ifstream in(m_path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    AsLeftEntry entry(int row, const std::string& network) const {
        AsLeftEntry e{"T", row, "AHU", "501", "1.00", {}, "verified", network, {}};
        e.image.SetDefaults();
        return e;
    }
    fs::path m_path = fs::temp_directory_path() /
                      ("as_left_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
};

TEST_F(Record, EachAttemptIsOnePhysicalLineAndTheCheckoutGoesToTheRowsLatest) {
    AsLeftRecord record;
    ASSERT_TRUE(record.open(m_path));
    ASSERT_TRUE(record.append(entry(1, "Nothing answered\r\nCheck the cable\n")));
    ASSERT_TRUE(record.append(entry(1, "passed")));
    ASSERT_TRUE(record.setCheckout(1, "3 of 40 checked"));
    const std::string written = text();
    EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 3);
    EXPECT_NE(written.find(",verified,Nothing answered / Check the cable,\r\n"), std::string::npos) << written;
    EXPECT_TRUE(written.ends_with(",verified,passed,3 of 40 checked\r\n")) << written;
    EXPECT_EQ(record.setCheckout(2, "x").error(), m_path.string() + " holds no device of row 2");
}

TEST_F(Record, ARecordFromBeforeTheCheckoutColumnIsKeptAndGainsIt) {
    std::string old;
    for (const std::string& name : recordHeader(false)) old += (old.empty() ? "" : ",") + name;
    std::ofstream(m_path, std::ios::binary)
        << old + "\r\nT,1,AHU,501,1.00" + std::string(recordHeader(false).size() - 7, ',') + ",verified,passed\r\n";
    AsLeftRecord record;
    ASSERT_TRUE(record.open(m_path) && record.append(entry(2, "passed")));
    ASSERT_TRUE(record.setCheckout(1, "40 of 40 checked"));
    const std::string written = text();
    EXPECT_NE(written.find(",verify,network,checkout\r\n"), std::string::npos);
    EXPECT_NE(written.find(",verified,passed,40 of 40 checked\r\n"), std::string::npos);
    EXPECT_TRUE(written.ends_with(",verified,passed,\r\n")) << written;  // row 2's line, kept in the old layout
}

}  // namespace
