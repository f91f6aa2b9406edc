// The ASCII export byte for byte and its choices, and the texts of dump's CSV fields.

#include "core/ascii/dump.h"
#include "core/ascii/export.h"
#include "core/platform/fault_injection.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>

namespace qv {
namespace {

namespace fx = fixtures;

class Export : public ::testing::Test {
protected:
    void SetUp() override
    {
        const float d1 = fx::fileDate(1997, 1, 2), d2 = fx::fileDate(2001, 3, 15);
        fx::writeBytes(dir + "/MASTER", fx::masterFile({fx::masterEntry({1, "ACME", "Acme", 7, d1, d2, 'D'}),
                                                        fx::masterEntry({2, "FIVE", "Five", 5, d1, d2, 'D'})}));
        fx::writeBytes(dir + "/F1.DAT", fx::quoteFile(7, {{d1, 10, 13.25f, 9.5f, 12.5f, 1500, 20},
                                                          {d2, 0.0625f, 1, 0, 0.5f, 0, 123456}}));
        fx::writeText(dir + "/F1.DOP", fx::dopText({"DATE", "OPEN", "HIGH", "LOW", "CLOSE", "VOL", "OI"}));
        // No open, no open interest.
        fx::writeBytes(dir + "/F2.DAT", fx::quoteFile(5, {{d1, 2, 1, 1.5f, 700}}));
        fx::writeText(dir + "/F2.DOP", fx::dopText({"DATE", "HIGH", "LOW", "CLOSE", "VOL"}));
    }
    std::string text(const std::string& symbol, const ExportOptions& o) { return exportText(dir, symbol, o); }

    fx::TempDir tmp;
    std::string dir = tmp.subdir("PORT");
};

TEST_F(Export, DefaultLayoutByteForByteAndAFailedWriteKeepsTheOldFile)
{
    ExportOptions o;
    o.path = tmp.file("out.txt");
    ASSERT_EQ(exportQuotes(dir, "ACME", o).quotesWritten, 2);
    const std::string expected = "01/02/97 10.0000 13.2500 9.5000 12.5000 1500.00 20.00\r\n"
                                 "03/15/01 0.0625 1.0000 0.0000 0.5000 0.00 123456.00\r\n";
    EXPECT_EQ(fx::readBytes(o.path), fx::ByteVec(expected.begin(), expected.end()));

    o.high = false;
    const ExportResult failed = [&] {
        faults::ScopedFailure fail(faults::Op::Rename, 1);
        return exportQuotes(dir, "ACME", o);
    }();
    EXPECT_TRUE(failed.outcome.status() == kStatusFileWrite && failed.outcome.file() == o.path)
        << failed.outcome.status() << " " << failed.outcome.file();
    EXPECT_EQ(failed.outcome.what(), kExportFileErrorMessage);
    EXPECT_NE(failed.outcome.cause(), "");
    EXPECT_EQ(fx::readBytes(o.path), fx::ByteVec(expected.begin(), expected.end()));
    EXPECT_EQ(fx::snapshot(tmp.path()).size(), 6u) << "no temporary file left behind";
}

TEST_F(Export, ChosenColumnsDelimiterTitleOrderAndAbsentFields)
{
    ExportOptions o;
    o.delimiter = kExportComma;
    o.high = o.low = o.volume = o.openInterest = false;
    o.title = o.newestFirst = true;
    EXPECT_EQ(text("ACME", o), "DATE,OPEN,CLOSE\r\n03/15/01,0.0625,0.5000\r\n01/02/97,10.0000,12.5000\r\n");
    o.delimiter = kExportTab;
    o.open = o.close = o.newestFirst = false;
    EXPECT_EQ(text("ACME", o), "DATE\r\n01/02/97\r\n03/15/01\r\n");

    // Fields the file lacks read N/A; nothing to read gives the title alone.
    ExportOptions plain;
    plain.title = true;
    EXPECT_EQ(text("FIVE", plain),
              "DATE OPEN HIGH LOW CLOSE VOL OI\r\n01/02/97 N/A 2.0000 1.0000 1.5000 700.00 N/A\r\n");
    EXPECT_EQ(text("MISSING", plain), "DATE OPEN HIGH LOW CLOSE VOL OI\r\n");
}

TEST_F(Export, NewestFirstAcrossMoreQuotesThanOneReadHolds)
{
    std::vector<fx::QuoteRow> rows;
    for (int i = 0; i < 20000; ++i)
        rows.push_back({fx::fileDateOfDayNumber(1 + i), static_cast<float>(i), 0, 0, 0, 0, 0});
    fx::writeBytes(dir + "/F1.DAT", fx::quoteFile(7, rows));
    ExportOptions o;
    o.high = o.low = o.close = o.volume = o.openInterest = false;
    o.newestFirst = true;
    const std::string all = text("ACME", o);
    EXPECT_EQ(std::count(all.begin(), all.end(), '\n'), 20000);
    EXPECT_TRUE(all.substr(8, 13) == " 19999.0000\r\n" && all.ends_with("\n01/01/61 0.0000\r\n")) << "newest first";
}

// Export only reads, so it does not pass over an entry that contradicts itself, but it must
// read no byte beyond the file and list no more quotes than the file holds records.
TEST_F(Export, EntriesThatContradictThemselvesAreReadWithinTheFile)
{
    const float d1 = fx::fileDate(1997, 1, 2);
    const fx::ByteVec dat = fx::quoteFile(7, {{d1, 10, 13, 9, 12, 1500, 20}, {d1 + 1, 11, 14, 10, 13, 1600, 21}});
    const std::vector<std::string> all = {"DATE", "OPEN", "HIGH", "LOW", "CLOSE", "VOL", "OI"};
    const struct {
        int fields;
        int length;
        std::vector<std::string> dop;
    } cases[] = {{7, 24, all}, {7, 255, all}, {7, 3, {}}, {10, 40, all}, {2, 8, {"DATE"}}, {0, 0, {}}};
    fx::writeBytes(dir + "/F1.DAT", dat);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        fx::ByteVec entry = fx::masterEntry({1, "ACME", "Acme", c.fields, d1, d1, 'D'});
        fx::setByte(entry, 3, static_cast<std::uint8_t>(c.length));
        fx::writeBytes(dir + "/MASTER", fx::masterFile({entry}));
        std::filesystem::remove(dir + "/F1.DOP");
        if (!c.dop.empty())
            fx::writeText(dir + "/F1.DOP", fx::dopText(c.dop));
        ExportOptions o;
        o.path = tmp.file("out.txt");
        EXPECT_LE(exportQuotes(dir, "ACME", o).quotesWritten,
                  c.length > 0 ? static_cast<int>(dat.size()) / c.length : 0);
        EXPECT_EQ(fx::readBytes(dir + "/F1.DAT"), dat);
    }
}

// The texts of dump's CSV fields; the stream as a whole is checked through the CLI.
TEST(DumpText, DatesTimesAndSymbols)
{
    using Cases = std::vector<std::pair<float, std::string>>;
    for (const auto& [stored, text] : Cases{{970102, "1997-01-02"},
                                            {1010315, "2001-03-15"},
                                            {1991231, "2099-12-31"},
                                            {0, ""},
                                            {-970102, ""},
                                            {971302, ""}})
        EXPECT_EQ(dumpDateText(stored), text) << stored;
    for (const auto& [stored, text] : Cases{{0, "00:00:00"},
                                            {93000.75f, "09:30:00"},
                                            {235959, "23:59:59"},
                                            {240000, ""},
                                            {96000, ""},
                                            {93060, ""},
                                            {-100, ""}})
        EXPECT_EQ(dumpTimeText(stored), text) << stored;
    EXPECT_EQ(csvField("IBM"), "IBM");
    EXPECT_EQ(csvField("A,B"), "\"A,B\"");
    EXPECT_EQ(csvField("5\" BOND"), "\"5\"\" BOND\"");
}

// Each value must read back as the very single stored, in no more characters than the fewest
// significant digits that do so take in "%g" (a fixed "%.4f" loses 0.00001 and 1e-30; "%.9g"
// is seldom the shortest).
TEST(DumpText, ValuesAreTheShortestTextsThatReadBackExactly)
{
    const std::vector<float> values = {0.1f,     1.0f / 3,  12.5f,  0.00001f, 1e-30f, 1.5e38f,
                                       16777216, 123456792, 100000, -2.75f,   0,      7};
    FieldLayout layout; // date, open, high, low, close, volume, open interest
    for (int field = 1; field <= 7; ++field)
        layout.fieldNumber[static_cast<std::size_t>(field == 1 ? 0 : field)] = field;
    for (auto v = values.begin(); v != values.end(); v += 6) {
        const fx::QuoteRow row = {fx::fileDate(1997, 1, 2), v[0], v[1], v[2], v[3], v[4], v[5]};
        const fx::ByteVec file = fx::quoteFile(7, {row});
        std::string out;
        appendDumpLines(out, "S", layout, file.data() + 28, 1, 28);
        ASSERT_TRUE(out.starts_with("S,1997-01-02,00:00:00,") && out.ends_with('\n')) << out;
        std::istringstream fields(out.substr(22, out.size() - 23));
        std::string text;
        std::size_t k = 1;
        for (; std::getline(fields, text, ','); ++k) {
            EXPECT_EQ(std::strtof(text.c_str(), nullptr), row.at(k)) << text;
            char shortest[64] = "";
            for (int digits = 1; digits <= 9; ++digits)
                if (std::snprintf(shortest, sizeof shortest, "%.*g", digits, double(row[k])),
                    std::strtof(shortest, nullptr) == row[k])
                    break;
            EXPECT_LE(text.size(), std::strlen(shortest)) << text << " against " << shortest;
        }
        EXPECT_EQ(k, 7u) << out;
    }
}

} // namespace
} // namespace qv
