// The historical import: the files it writes byte for byte, how lines become quotes, the
// dialog's checks in order, and that every refusal or failure leaves the portfolio as it was.

#include "core/ascii/import.h"

#include "core/app/program_settings.h"
#include "core/platform/clock.h"
#include "core/platform/fault_injection.h"
#include "core/store/quotes.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace qv {
namespace {

namespace fx = fixtures;

std::vector<std::string> texts(const ImportResult& r) {
    std::vector<std::string> out;
    for (const ImportMessage& m : r.messages)
        out.push_back(m.text);
    return out;
}

class Import : public ::testing::Test {
protected:
    void SetUp() override { setTodayOverride("03/15/05"); }
    void TearDown() override {
        setTodayOverride(std::nullopt);
        faults::reset();
    }

    // A job with the dialog's defaults, bar what `change` changes, reading `lines` into a new
    // portfolio directory.
    ImportJob job(const std::string& lines, std::string_view format = "MM_DD_YY",
                  const std::function<void(ImportDialogValues&)>& change = {}) {
        fx::writeText(input, lines);
        ImportDialogValues v;
        v.inputPath = input;
        v.outputDir = dir;
        v.useExistingMaster = false;
        v.symbol = "abc";
        v.name = "Alpha Beta";
        v.dateFormat = dateFormatCode(format);
        if (change) change(v);
        return makeImportJob(v);
    }
    fx::ByteVec bytes(const std::string& name) { return fx::readBytes(dir + "/" + name); }

    fx::TempDir tmp;
    std::string dir = tmp.subdir("PORT");
    std::string input = tmp.file("quotes.txt");
};

TEST_F(Import, NewMasterQuoteFileAndDescriptionsByteForByte) {
    const ImportResult r = importQuotes(job("01/02/97, 1, 2, 0.5, 1.5, 100, 5\n"
                                            "01/03/97,1.25,2.5,0.75,2,1500,6\n"));
    ASSERT_TRUE(r.ok) << testing::PrintToString(texts(r));
    EXPECT_TRUE(r.messages.empty());
    EXPECT_EQ(r.fileNumber, 1);
    EXPECT_EQ(r.quoteCount, 2);

    fx::EntrySpec e{1, "ABC", "Alpha Beta", 7, fx::fileDate(1997, 1, 2), fx::fileDate(1997, 1, 3), 'D'};
    EXPECT_EQ(bytes("MASTER"), fx::masterFile({fx::masterEntry(e)}));
    EXPECT_EQ(bytes("F1.DAT"), fx::quoteFile(7, {{fx::fileDate(1997, 1, 2), 1, 2, 0.5f, 1.5f, 100, 5},
                                                  {fx::fileDate(1997, 1, 3), 1.25f, 2.5f, 0.75f, 2, 1500, 6}}));
    const std::string dop = fx::dopText({"DATE", "OPEN", "HIGH", "LOW", "CLOSE", "VOL", "OI"});
    EXPECT_EQ(bytes("F1.DOP"), fx::ByteVec(dop.begin(), dop.end()));
    // No backup without an old MASTER.
    EXPECT_FALSE(std::filesystem::exists(dir + "/MASTER.BAK"));
}

TEST_F(Import, AbsentFieldsAndColumnsInAnyOrder) {
    // Runs of blanks are one separator; leading blanks make no empty field.
    const ImportResult r = importQuotes(job("  7.5   7    970102 900\n8 7.25 970103 1000\n", "YYMMDD", [](ImportDialogValues& v) {
        v.delimiter = kImportSpace;
        v.dateColumn = 3;
        v.closeColumn = 1;
        v.open.present = v.high.present = v.openInterest.present = false;
        v.low.column = 2;
        v.volume.column = 4;
    }));
    ASSERT_TRUE(r.ok) << testing::PrintToString(texts(r));
    EXPECT_EQ(bytes("F1.DAT"), fx::quoteFile(4, {{fx::fileDate(1997, 1, 2), 7, 7.5f, 900},
                                                  {fx::fileDate(1997, 1, 3), 7.25f, 8, 1000}}));
    const std::string dop = fx::dopText({"DATE", "LOW", "CLOSE", "VOL"});
    EXPECT_EQ(bytes("F1.DOP"), fx::ByteVec(dop.begin(), dop.end()));
    EXPECT_EQ(bytes("MASTER")[53 + 3], 16); // record length
    EXPECT_EQ(bytes("MASTER")[53 + 4], 4);
}

TEST_F(Import, LinesBecomeQuotesInFileOrder) {
    ImportJob j = job("header one\nheader two\n01/09/97 never read\n"
                      // Out of order and repeated: stored as they come.
                      "01/06/97,1,1,1,1,1,1\r\n"
                      ",,,\n"
                      "\n"
                      "01/02/97,2,2,2,2,2\n" // reaches no open-interest column: keeps the 1 above
                      "01/02/97,3,3,3,3,3,3\n"
                      "01/03/97,4,4,4,4,4,4");  // no line end
    j.skip = true;
    j.skipCount = 3;
    const ImportResult r = importQuotes(j);
    ASSERT_TRUE(r.ok) << testing::PrintToString(texts(r));
    const float d6 = fx::fileDate(1997, 1, 6), d2 = fx::fileDate(1997, 1, 2), d3 = fx::fileDate(1997, 1, 3);
    EXPECT_EQ(bytes("F1.DAT"), fx::quoteFile(7, {{d6, 1, 1, 1, 1, 1, 1},
                                                  {d2, 2, 2, 2, 2, 2, 1},
                                                  {d2, 3, 3, 3, 3, 3, 3},
                                                  {d3, 4, 4, 4, 4, 4, 4}}));
    // The dates of MASTER are those of the first and last lines, not the earliest and latest.
    fx::EntrySpec e{1, "ABC", "Alpha Beta", 7, d6, d3, 'D'};
    EXPECT_EQ(bytes("MASTER"), fx::masterFile({fx::masterEntry(e)}));
}

TEST_F(Import, LongLinesAreReadInPiecesOf299CharactersAndUnreachedColumnsRead123) {
    // 299 characters, then the rest of the line as a line of its own.
    std::string first = "01/02/97,1,2,3,4,5,6,";
    first += std::string(299 - first.size(), ',');
    const ImportResult r = importQuotes(job(first + "01/05/97,9,9,9,9,9,9\n"));
    ASSERT_TRUE(r.ok) << testing::PrintToString(texts(r));
    EXPECT_EQ(r.quoteCount, 2);
    EXPECT_EQ(bytes("F1.DAT"), fx::quoteFile(7, {{fx::fileDate(1997, 1, 2), 1, 2, 3, 4, 5, 6},
                                                  {fx::fileDate(1997, 1, 5), 9, 9, 9, 9, 9, 9}}));

    fx::TempDir other;
    ImportJob j = job("01/02/97,5\n");
    j.outputDir = other.path();
    ASSERT_TRUE(importQuotes(j).ok);
    EXPECT_EQ(fx::readBytes(other.file("F1.DAT")),
              fx::quoteFile(7, {{fx::fileDate(1997, 1, 2), 5, 123, 123, 123, 123, 123}}));
}

TEST_F(Import, FirstDateOfTheWrongKindFailsButKeepsTheQuotes) {
    // Separators in a format without them: the date reads as no date.
    ImportResult r = importQuotes(job("01/02/97,1,2,0.5,1.5,100,5\n", "MMDDYY"));
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.securityAdded);
    ASSERT_GE(r.messages.size(), 2u);
    EXPECT_EQ(r.messages.front().text, kImportNumericDateMessage);
    EXPECT_EQ(r.messages.back().text, kImportFailedMessage);
    EXPECT_EQ(bytes("F1.DAT"), fx::quoteFile(7, {{0, 1, 2, 0.5f, 1.5f, 100, 5}}));

    // Digits only in a format with separators. Only the first line is looked at.
    fx::TempDir other;
    ImportJob j = job("970102,1,1,1,1,1,1\n97/01/03,1,1,1,1,1,1\n", "YY_MM_DD");
    j.outputDir = other.path();
    r = importQuotes(j);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.messages.front().text, kImportSeparatedDateMessage);
    EXPECT_EQ(r.quoteCount, 2);
    EXPECT_TRUE(r.securityAdded);
}

TEST_F(Import, TextThatIsNoNumberIsStoredAsZeroAndNamed) {
    const ImportResult r = importQuotes(job("01/02/97,1,2,3,4,5,6\n01/03/97,1,2x,3,4,,6\n01/06/97,n/a,2,3,4,5,6\n"));
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_EQ(r.messages[0].icon, ImportMessage::Icon::Information);
    EXPECT_EQ(r.messages[0].text, "Line 2, column 3 of the input file is not a number (\"2x\"); it was stored as "
                                  "0.\n2 fields in all were stored as 0 for this reason.");
    // ",," is one separator, so line 2 has six fields and keeps line 1's seventh.
    EXPECT_EQ(bytes("F1.DAT"), fx::quoteFile(7, {{fx::fileDate(1997, 1, 2), 1, 2, 3, 4, 5, 6},
                                                  {fx::fileDate(1997, 1, 3), 1, 0, 3, 4, 6, 6},
                                                  {fx::fileDate(1997, 1, 6), 0, 2, 3, 4, 5, 6}}));
}

class ImportIntoExisting : public Import {
protected:
    void SetUp() override {
        Import::SetUp();
        fx::writeStandardPortfolio(dir); // file numbers 1, 2 and 4
        before = fx::snapshot(dir);
        j = job("01/02/97,1,2,0.5,1.5,100,5\n01/03/97,1,2,0.5,1.75,100,5\n");
        j.useExistingMaster = true;
    }
    std::vector<std::pair<std::string, fx::ByteVec>> before;
    ImportJob j;
};

TEST_F(ImportIntoExisting, TakesTheFirstFreeNumberAndBacksUpMasterBeforeTheDates) {
    const fx::ByteVec oldMaster = bytes("MASTER");
    const ImportResult r = importQuotes(j);
    ASSERT_TRUE(r.ok) << testing::PrintToString(texts(r));
    EXPECT_EQ(r.fileNumber, 3);
    EXPECT_EQ(r.outputDir, std::filesystem::canonical(dir).string());

    fx::EntrySpec e{3, "ABC", "Alpha Beta", 7, fx::fileDate(1997, 1, 2), fx::fileDate(1997, 1, 3), 'D'};
    fx::ByteVec expected = fx::concat({oldMaster, fx::masterEntry(e)});
    fx::setU16(expected, 0, 4);
    fx::setU16(expected, 2, 4);
    EXPECT_EQ(bytes("MASTER"), expected);
    // The backup holds the entry as added, with today's date as first and last date.
    fx::setMbf(expected, 4 * 53 + 25, fx::fileDate(2005, 3, 15));
    fx::setMbf(expected, 4 * 53 + 29, fx::fileDate(2005, 3, 15));
    EXPECT_EQ(bytes("MASTER.BAK"), expected);
}

TEST_F(ImportIntoExisting, RefusalsInTheirOrderLeaveEverythingAsItWas) {
    struct Case {
        const char* what;
        std::function<void(ImportJob&)> change;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"missing directory", [&](ImportJob& k) { k.outputDir = dir + "/nowhere"; },
         std::string(kImportPathMissingMessage)},
        {"no MASTER", [&](ImportJob& k) { k.outputDir = tmp.subdir("EMPTY"); }, std::string(kImportNoMasterMessage)},
        {"new over old", [](ImportJob& k) { k.useExistingMaster = false; }, std::string(kImportMasterExistsMessage)},
        {"duplicate", [](ImportJob& k) { k.symbol = "MSFT"; }, std::string(kImportDuplicateSymbolMessage)},
        {"found by name", [](ImportJob& k) { k.symbol = "IBM CORP"; }, std::string(kImportDuplicateSymbolMessage)},
        {"missing input", [&](ImportJob& k) { k.inputPath = tmp.file("none.txt"); },
         "The input file could not be read:\n" + tmp.file("none.txt")},
        {"directory as input", [&](ImportJob& k) { k.inputPath = tmp.path(); },
         "The input file could not be read:\n" + tmp.path()},
        {"no quote line", [&](ImportJob& k) { fx::writeText(k.inputPath, ",,,\n\n,\n"); },
         "The input file holds no quote lines."},
        {"all lines skipped", [](ImportJob& k) { k.skip = true; k.skipCount = 2; },
         "The input file holds no quote lines."},
        {"too many lines", [&](ImportJob& k) {
             std::string lines;
             for (int i = 0; i <= kImportMaxQuotes; ++i)
                 lines += "01/02/97,1,2,3,4,5,6\n";
             fx::writeText(k.inputPath, lines);
         },
         "The input file holds more than 32766 quote lines; a quote file can hold no more.\nNothing was imported."},
        {"full portfolio", [&](ImportJob&) {
             fx::ByteVec master = bytes("MASTER");
             fx::setU16(master, 0, 255);
             fx::writeBytes(dir + "/MASTER", master);
         },
         std::string(kMasterFullMessage)},
    };
    for (const Case& c : cases) {
        ImportJob k = j;
        c.change(k);
        const auto unchanged = fx::snapshot(dir);
        const ImportResult r = importQuotes(k);
        EXPECT_FALSE(r.ok) << c.what;
        EXPECT_FALSE(r.securityAdded) << c.what;
        EXPECT_EQ(texts(r), (std::vector<std::string>{c.message, std::string(kImportFailedMessage)})) << c.what;
        EXPECT_EQ(fx::snapshot(dir), unchanged) << c.what;
        fx::writeStandardPortfolio(dir);
        fx::writeText(input, "01/02/97,1,2,0.5,1.5,100,5\n01/03/97,1,2,0.5,1.75,100,5\n");
    }
}

TEST_F(ImportIntoExisting, AFailureAtAnyWriteLeavesTheSecurityFullyImportedOrAbsent) {
    const std::string copy = tmp.subdir("PROBE");
    std::filesystem::copy(dir, copy, std::filesystem::copy_options::recursive);
    ImportJob probe = j;
    probe.outputDir = copy;
    faults::reset();
    ASSERT_TRUE(importQuotes(probe).ok);
    // Only the backup copy may be missing when writing it was what failed.
    const auto withoutBackup = [](auto files) {
        std::erase_if(files, [](const auto& f) { return f.first == "MASTER.BAK"; });
        return files;
    };
    const auto complete = withoutBackup(fx::snapshot(copy));
    std::vector<std::pair<faults::Op, int>> calls;
    for (faults::Op op : {faults::Op::Write, faults::Op::Fsync, faults::Op::Rename, faults::Op::Unlink})
        calls.emplace_back(op, faults::callCount(op));
    ASSERT_GT(calls[2].second, 4) << "the import replaces several files";

    for (const auto& [op, count] : calls) {
        for (int n = 1; n <= count; ++n) {
            std::filesystem::remove_all(dir);
            std::filesystem::create_directory(dir);
            for (const auto& [name, content] : before)
                fx::writeBytes(dir + "/" + name, content);
            ImportResult r;
            {
                faults::ScopedFailure failure(op, n);
                r = importQuotes(j);
            }
            const auto after = fx::snapshot(dir);
            EXPECT_TRUE(r.securityAdded || !r.ok);
            EXPECT_EQ(r.securityAdded ? withoutBackup(after) : after, r.securityAdded ? complete : before)
                << static_cast<int>(op) << " #" << n;
        }
    }
}

TEST_F(Import, AFailedImportIntoANewMasterLeavesNoMaster) {
    for (int n = 1; n <= 6; ++n) {
        ImportResult r;
        {
            faults::ScopedFailure failure(faults::Op::Rename, n);
            r = importQuotes(job("01/02/97,1,2,3,4,5,6\n"));
        }
        if (r.securityAdded)
            break;
        EXPECT_TRUE(fx::snapshot(dir).empty()) << "rename #" << n;
    }
}

TEST(ImportDialog, ChecksInTheDialogsOrder) {
    const auto message = [](const std::function<void(ImportDialogValues&)>& change) {
        ImportDialogValues v;
        v.symbol = "ibm ";
        v.outputDir = "/data";
        change(v);
        return checkImportDialog(v).message;
    };
    EXPECT_EQ(message([](ImportDialogValues&) {}), "");
    EXPECT_EQ(message([](ImportDialogValues& v) { v.high.column = 21; }),
              "Enter a column number from 1 to 20 for High");
    // A cleared check box keeps its number, which must still be a column.
    EXPECT_EQ(message([](ImportDialogValues& v) { v.openInterest = {false, 0}; }),
              "Enter a column number from 1 to 20 for Open Int");
    EXPECT_EQ(message([](ImportDialogValues& v) { v.skipRows = 201; }), "Enter a number of rows from 0 to 200 to skip");
    EXPECT_EQ(message([](ImportDialogValues& v) { v.symbol = std::string(17, 'A'); }),
              "A symbol can be at most 16 characters long");
    // Duplicates come before the symbol and the path; cleared columns take no slot.
    EXPECT_EQ(message([](ImportDialogValues& v) {
                  v.closeColumn = 1;
                  v.symbol.clear();
                  v.outputDir.clear();
              }),
              kDuplicateColumnsMessage);
    EXPECT_EQ(message([](ImportDialogValues& v) {
                  v.open.present = false;
                  v.closeColumn = 2;
                  v.volume = {false, 5};
                  v.symbol = " \t";
                  v.outputDir.clear();
              }),
              kImportNoSymbolMessage);
    EXPECT_EQ(message([](ImportDialogValues& v) { v.outputDir = "  "; }), kImportNoPathMessage);

    ImportDialogValues v;
    v.symbol = "ibm  ";
    EXPECT_EQ(checkImportDialog(v).symbol, "IBM") << "shown upper-cased even when the path check fails";
}

TEST(ImportDialog, SettingsOpenWithDefaultsAndTheFirstFormatThatBeginsWithTheSavedText) {
    fx::TempDir tmp;
    SettingsFile file(tmp.file("q.ini"));
    ImportDialogValues v = readImportSettings(file);
    EXPECT_EQ(dateFormatName(v.dateFormat), "MMDDYY");
    EXPECT_TRUE(v.useExistingMaster);
    EXPECT_EQ(v.dateColumn, 1);
    EXPECT_EQ(v.openInterest.column, 7);
    EXPECT_EQ(v.delimiter, kImportComma);

    putSetting(file, keys::kConvertDateFormat, "dd");
    EXPECT_EQ(dateFormatName(readImportSettings(file).dateFormat), "DD_MM_YY");

    v.dateFormat = dateFormatCode("CCYYMMDD");
    v.delimiter = kImportTab;
    v.useExistingMaster = false;
    v.high = {false, 9};
    ASSERT_TRUE(writeImportDialogSettings(file, v));
    const ImportDialogValues back = readImportSettings(file);
    EXPECT_EQ(dateFormatName(back.dateFormat), "CCYYMMDD");
    EXPECT_EQ(back.delimiter, kImportTab);
    EXPECT_FALSE(back.useExistingMaster);
    EXPECT_FALSE(back.high.present);
    EXPECT_EQ(back.high.column, 9);
}

} // namespace
} // namespace qv
