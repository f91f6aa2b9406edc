// The ASCII export byte for byte, its choices, and the round trip through the import.

#include "core/ascii/export.h"

#include "core/ascii/import.h"
#include "core/platform/fault_injection.h"
#include "core/store/quotes.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

namespace fx = fixtures;

class Export : public ::testing::Test {
protected:
    void SetUp() override {
        const float d1 = fx::fileDate(1997, 1, 2), d2 = fx::fileDate(2001, 3, 15);
        fx::EntrySpec seven{1, "ACME", "Acme", 7, d1, d2, 'D'};
        fx::EntrySpec five{2, "FIVE", "Five", 5, d1, d2, 'D'};
        fx::EntrySpec none{3, "NONE", "None", 7, 0, 0, 'D'};
        fx::writeBytes(dir + "/MASTER",
                       fx::masterFile({fx::masterEntry(seven), fx::masterEntry(five), fx::masterEntry(none)}));
        fx::writeBytes(dir + "/F1.DAT", fx::quoteFile(7, {{d1, 10, 13.25f, 9.5f, 12.5f, 1500, 20},
                                                          {d2, 0.0625f, 1, 0, 0.5f, 0, 123456}}));
        const std::string dop7 = fx::dopText({"DATE", "OPEN", "HIGH", "LOW", "CLOSE", "VOL", "OI"});
        fx::writeText(dir + "/F1.DOP", dop7);
        // Date, high, low, close, volume: no open, no open interest.
        fx::writeBytes(dir + "/F2.DAT", fx::quoteFile(5, {{d1, 2, 1, 1.5f, 700}}));
        fx::writeText(dir + "/F2.DOP", fx::dopText({"DATE", "HIGH", "LOW", "CLOSE", "VOL"}));
        fx::writeBytes(dir + "/F3.DAT", fx::quoteFile(7, {}));
        fx::writeText(dir + "/F3.DOP", dop7);
    }
    std::string text(const std::string& symbol, const ExportOptions& o) { return exportText(dir, symbol, o); }

    fx::TempDir tmp;
    std::string dir = tmp.subdir("PORT");
};

TEST_F(Export, DefaultLayoutByteForByteAndAFailedWriteKeepsTheOldFile) {
    ExportOptions o;
    o.path = tmp.file("out.txt");
    const ExportResult r = exportQuotes(dir, "ACME", o);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.quotesWritten, 2);
    const std::string expected = "01/02/97 10.0000 13.2500 9.5000 12.5000 1500.00 20.00\r\n"
                                 "03/15/01 0.0625 1.0000 0.0000 0.5000 0.00 123456.00\r\n";
    EXPECT_EQ(fx::readBytes(o.path), fx::ByteVec(expected.begin(), expected.end()));

    // A failed write keeps the old file.
    ExportResult failed;
    o.high = false;
    {
        faults::ScopedFailure failure(faults::Op::Rename, 1);
        failed = exportQuotes(dir, "ACME", o);
    }
    EXPECT_FALSE(failed.ok);
    EXPECT_EQ(failed.message.substr(0, failed.message.find('\n')), kExportFileErrorMessage);
    EXPECT_EQ(fx::readBytes(o.path), fx::ByteVec(expected.begin(), expected.end()));
    EXPECT_EQ(fx::snapshot(tmp.path()).size(), 8u) << "no temporary file left behind";
    o.path = tmp.file("no/such/dir/out.txt");
    EXPECT_FALSE(exportQuotes(dir, "ACME", o).ok);
}

TEST_F(Export, ChosenColumnsDelimiterTitleOrderAndAbsentFields) {
    ExportOptions o;
    o.delimiter = kExportComma;
    o.high = o.low = o.volume = o.openInterest = false;
    o.title = true;
    EXPECT_EQ(text("ACME", o), "DATE,OPEN,CLOSE\r\n01/02/97,10.0000,12.5000\r\n03/15/01,0.0625,0.5000\r\n");

    o.newestFirst = true;
    EXPECT_EQ(text("ACME", o), "DATE,OPEN,CLOSE\r\n03/15/01,0.0625,0.5000\r\n01/02/97,10.0000,12.5000\r\n");

    ExportOptions tabs;
    tabs.delimiter = kExportTab;
    tabs.title = true;
    tabs.open = tabs.high = tabs.low = tabs.close = tabs.volume = tabs.openInterest = false;
    EXPECT_EQ(text("ACME", tabs), "DATE\r\n01/02/97\r\n03/15/01\r\n");
    tabs.volume = tabs.openInterest = true;
    EXPECT_EQ(text("ACME", tabs).substr(0, 12), "DATE\tVOL\tOI\r");

    // Fields the file lacks read N/A; nothing to read gives the title alone.
    ExportOptions plain;
    EXPECT_EQ(text("NONE", plain), "");
    EXPECT_EQ(text("", plain), "");
    plain.title = true;
    EXPECT_EQ(text("FIVE", plain), "DATE OPEN HIGH LOW CLOSE VOL OI\r\n01/02/97 N/A 2.0000 1.0000 1.5000 700.00 N/A\r\n");
    EXPECT_EQ(text("NONE", plain), "DATE OPEN HIGH LOW CLOSE VOL OI\r\n");
    EXPECT_EQ(text("MISSING", plain), "DATE OPEN HIGH LOW CLOSE VOL OI\r\n");
}

TEST_F(Export, MoreQuotesThanOneReadHolds) {
    std::vector<fx::QuoteRow> rows;
    for (int i = 0; i < 20000; ++i)
        rows.push_back({fx::fileDateOfDayNumber(1 + i), static_cast<float>(i), 0, 0, 0, 0, 0});
    fx::writeBytes(dir + "/F1.DAT", fx::quoteFile(7, rows));
    ExportOptions o;
    o.high = o.low = o.close = o.volume = o.openInterest = false;
    o.newestFirst = true;
    const std::string all = text("ACME", o);
    EXPECT_EQ(std::count(all.begin(), all.end(), '\n'), 20000);
    EXPECT_TRUE(all.ends_with("\n01/01/61 0.0000\r\n"));
    EXPECT_EQ(all.substr(8, 13), " 19999.0000\r\n") << "the newest quote comes first";
}

TEST_F(Export, ExportThenImportGivesTheSameQuotes) {
    ExportOptions o;
    o.path = tmp.file("acme.txt");
    o.delimiter = kExportComma;
    o.title = true;
    ASSERT_TRUE(exportQuotes(dir, "ACME", o).ok);

    ImportDialogValues v;
    v.inputPath = o.path;
    v.outputDir = dir;
    v.symbol = "COPY";
    v.dateFormat = dateFormatCode("MM_DD_YY");
    v.skipOn = true;
    v.skipRows = 1; // the title row
    const ImportResult r = importQuotes(makeImportJob(v));
    ASSERT_TRUE(r.ok) << (r.messages.empty() ? "" : r.messages.front().text);

    QuoteSeries a, b;
    ASSERT_EQ(initQuoteSeries(a, 10), kStatusOk);
    ASSERT_EQ(initQuoteSeries(b, 10), kStatusOk);
    ASSERT_EQ(readQuoteSeries(a, dir, "ACME", 0, 10), kStatusOk);
    ASSERT_EQ(readQuoteSeries(b, dir, "COPY", 0, 10), kStatusOk);
    ASSERT_EQ(a.count, 2);
    ASSERT_EQ(b.count, a.count);
    EXPECT_EQ(b.date, a.date);
    for (FieldKind kind : {FieldKind::Open, FieldKind::High, FieldKind::Low, FieldKind::Close, FieldKind::Volume,
                           FieldKind::OpenInterest})
        EXPECT_EQ(b.column(kind), a.column(kind)) << fieldKindName(kind);
    // And the copy exports to the same text.
    EXPECT_EQ(exportText(dir, "COPY", o), exportText(dir, "ACME", o));
}

TEST(ExportDialog, ChecksAndSettings) {
    ExportOptions o;
    EXPECT_EQ(checkExportDialog(o), "");
    o.path.clear();
    EXPECT_EQ(checkExportDialog(o), kExportNoNameMessage);
    EXPECT_EQ(exportReplaceQuestion("/tmp/a.txt"), "/tmp/a.txt\nThis file already exists\n\nReplace existing file?");

    fx::TempDir tmp;
    SettingsFile file(tmp.file("q.ini"));
    const ExportOptions defaults = readExportSettings(file);
    EXPECT_EQ(defaults.path, "output.txt");
    EXPECT_TRUE(defaults.open && defaults.openInterest && !defaults.newestFirst && !defaults.title);
    EXPECT_EQ(defaults.delimiter, kExportSpace);

    o.path = "/x/y.txt";
    o.low = false;
    o.newestFirst = true;
    o.delimiter = kExportTab;
    ASSERT_TRUE(writeExportSettings(file, o));
    const ExportOptions back = readExportSettings(file);
    EXPECT_EQ(back.path, "/x/y.txt");
    EXPECT_FALSE(back.low);
    EXPECT_TRUE(back.high);
    EXPECT_TRUE(back.newestFirst);
    EXPECT_EQ(back.delimiter, kExportTab);
}

} // namespace
} // namespace qv
