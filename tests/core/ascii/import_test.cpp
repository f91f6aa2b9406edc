// The historical import: its files byte for byte, how lines become quotes, and that a refusal or failure
// leaves the portfolio as it was.

#include "core/ascii/import.h"

#include "core/platform/clock.h"
#include "core/platform/fault_injection.h"
#include "core/store/quotes.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>

namespace qv {
namespace {

namespace fx = fixtures;

std::vector<std::string> texts(const ImportResult& r)
{
    std::vector<std::string> out;
    for (const ImportMessage& m : r.messages)
        out.push_back(m.text);
    return out;
}

class Import : public ::testing::Test {
protected:
    void SetUp() override { setTodayOverride("03/15/05"); }
    void TearDown() override
    {
        setTodayOverride(std::nullopt);
        faults::reset();
    }

    // A job with the dialog's defaults, bar what `change` changes, reading `lines` into a new MASTER.
    ImportJob job(const std::string& lines, std::string_view format = "MM_DD_YY",
                  const std::function<void(ImportDialogValues&)>& change = {})
    {
        fx::writeText(input, lines);
        ImportDialogValues v{.inputPath = input,
                             .dateFormat = dateFormatCode(format),
                             .outputDir = dir,
                             .useExistingMaster = false,
                             .symbol = "abc",
                             .name = "Alpha Beta"};
        if (change)
            change(v);
        return makeImportJob(v);
    }
    fx::ByteVec bytes(const std::string& name) { return fx::readBytes(dir + "/" + name); }
    void emptyDir() { std::filesystem::remove_all(dir), std::filesystem::create_directory(dir); }
    static ImportResult failing(faults::Op op, int n, const ImportJob& j)
    {
        faults::ScopedFailure failure(op, n);
        return importQuotes(j);
    }
    static fx::ByteVec dop(const std::vector<std::string>& fields)
    {
        const std::string text = fx::dopText(fields);
        return {text.begin(), text.end()};
    }
    fx::ByteVec masterOf(int fields, float first, float last)
    {
        return fx::masterFile({fx::masterEntry({1, "ABC", "Alpha Beta", fields, first, last, 'D'})});
    }

    fx::TempDir tmp;
    std::string dir = tmp.subdir("PORT");
    std::string input = tmp.file("quotes.txt");
};

TEST_F(Import, NewMasterQuoteFileAndDescriptionsByteForByteWithColumnsInAnyOrder)
{
    const float d2 = fx::fileDate(1997, 1, 2), d3 = fx::fileDate(1997, 1, 3);
    ImportResult r = importQuotes(job("01/02/97, 1, 2, 0.5, 1.5, 100, 5\n01/03/97,1.25,2.5,0.75,2,1500,6\n"));
    ASSERT_TRUE(r.ok()) << testing::PrintToString(texts(r));
    EXPECT_EQ(bytes("MASTER"), masterOf(7, d2, d3));
    EXPECT_EQ(bytes("F1.DAT"),
              fx::quoteFile(7, {{d2, 1, 2, 0.5f, 1.5f, 100, 5}, {d3, 1.25f, 2.5f, 0.75f, 2, 1500, 6}}));
    EXPECT_EQ(bytes("F1.DOP"), dop({"DATE", "OPEN", "HIGH", "LOW", "CLOSE", "VOL", "OI"}));

    // Runs of blanks are one separator; leading blanks make no empty field.
    emptyDir();
    r = importQuotes(job("  7.5   7    970102 900\n8 7.25 970103 1000\n", "YYMMDD", [](ImportDialogValues& v) {
        v.delimiter = kImportSpace;
        v.dateColumn = 3;
        v.closeColumn = 1;
        v.open.present = v.high.present = v.openInterest.present = false;
        v.low.column = 2;
        v.volume.column = 4;
    }));
    ASSERT_TRUE(r.ok()) << testing::PrintToString(texts(r));
    EXPECT_EQ(bytes("F1.DAT"), fx::quoteFile(4, {{d2, 7, 7.5f, 900}, {d3, 7.25f, 8, 1000}}));
    EXPECT_EQ(bytes("F1.DOP"), dop({"DATE", "LOW", "CLOSE", "VOL"}));
    EXPECT_EQ(bytes("MASTER"), masterOf(4, d2, d3));
}

// Into a new MASTER, a failure at any write leaves no MASTER or the import complete; when even removing
// the MASTER it created fails, the message says so (that MASTER would refuse the next such import).
TEST_F(Import, IntoANewMasterAFailureLeavesNoMasterBehindOrSaysWhy)
{
    const ImportJob j = job("01/02/97,1,2,0.5,1.5,100,5\n01/03/97,1,2,0.5,1.75,100,5\n");
    faults::reset();
    ASSERT_TRUE(importQuotes(j).ok());
    const auto complete = fx::snapshot(dir);
    std::map<faults::Op, int> calls;
    for (faults::Op op : {faults::Op::Write, faults::Op::Fsync, faults::Op::Rename})
        calls[op] = faults::callCount(op);
    for (const auto& [op, count] : calls)
        for (int n = 1; n <= count; ++n) {
            emptyDir();
            const ImportResult r = failing(op, n, j);
            EXPECT_EQ(fx::snapshot(dir), r.ok() ? complete : decltype(complete){})
                << static_cast<int>(op) << " #" << n << ": " << texts(r).front();
        }
    // The first write is the empty MASTER, the second the quote file; then the removals fail in turn.
    int keptMaster = 0;
    for (int unlink = 1; unlink <= 6; ++unlink) {
        emptyDir();
        faults::ScopedFailure write(faults::Op::Write, 2);
        faults::failNth(faults::Op::Unlink, unlink);
        const ImportResult r = importQuotes(j);
        ASSERT_FALSE(r.ok() || r.securityAdded);
        if (!std::filesystem::exists(dir + "/MASTER"))
            continue;
        ++keptMaster;
        EXPECT_NE(texts(r).front().find("The empty MASTER created for the import could not be removed:\ndelete " + dir +
                                        "/MASTER: Input/output error"),
                  std::string::npos)
            << texts(r).front();
    }
    EXPECT_EQ(keptMaster, 1);
}

TEST_F(Import, LinesBecomeQuotesInFileOrder)
{
    ImportJob j = job("header one\nheader two\n01/09/97 never read\n"
                      "01/06/97,1,1,1,1,1,1\r\n"
                      ",,,\n"
                      "\n"
                      "01/02/97,2,2,2,2,2\n" // reaches no open-interest column: keeps the 1 above
                      "01/02/97,3,3,3,3,3,3\n"
                      "01/03/97,4,x,4,4,4,4"); // no line end; x is no number
    j.skip = true;
    j.skipCount = 3;
    const ImportResult r = importQuotes(j);
    ASSERT_TRUE(r.ok()) << testing::PrintToString(texts(r));
    const float d6 = fx::fileDate(1997, 1, 6), d2 = fx::fileDate(1997, 1, 2), d3 = fx::fileDate(1997, 1, 3);
    EXPECT_EQ(bytes("F1.DAT"),
              fx::quoteFile(
                  7, {{d6, 1, 1, 1, 1, 1, 1}, {d2, 2, 2, 2, 2, 2, 1}, {d2, 3, 3, 3, 3, 3, 3}, {d3, 4, 0, 4, 4, 4, 4}}));
    // The dates of MASTER are those of the first and last lines, not the earliest and latest.
    EXPECT_EQ(bytes("MASTER"), masterOf(7, d6, d3));
    // The line a notice names counts every line read: skipped ones, empty ones and quote lines.
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_EQ(r.messages[0].text.rfind("Line 9, column 3 of the input file is not a number", 0), 0u)
        << r.messages[0].text;
}

TEST_F(Import, LongLinesUnreachedColumnsAndTextThatIsNoNumber)
{
    // 299 characters, then the rest as a line of its own; columns no line reached read 123; ",," is one separator.
    std::string first = "01/02/97,1,2,3,4,5,6,";
    first += std::string(299 - first.size(), ',');
    const ImportResult r = importQuotes(job("01/01/97,5\n" + first + "01/05/97,9,9,9,9,9,9\n01/06/97,1,2x,3,4,,n/a\n"));
    ASSERT_TRUE(r.ok()) << testing::PrintToString(texts(r));
    EXPECT_EQ(bytes("F1.DAT"), fx::quoteFile(7, {{fx::fileDate(1997, 1, 1), 5, 123, 123, 123, 123, 123},
                                                 {fx::fileDate(1997, 1, 2), 1, 2, 3, 4, 5, 6},
                                                 {fx::fileDate(1997, 1, 5), 9, 9, 9, 9, 9, 9},
                                                 {fx::fileDate(1997, 1, 6), 1, 0, 3, 4, 0, 9}}));
    EXPECT_EQ(texts(r), std::vector<std::string>{"Line 4, column 3 of the input file is not a number (\"2x\"); it was "
                                                 "stored as 0.\n2 fields in all were stored as 0 for this reason."});
}

// A quote file holds the header and 32,766 quotes: one line more is refused before anything is written.
TEST_F(Import, MoreQuoteLinesThanAQuoteFileHoldsAreRefusedAndNothingIsCreated)
{
    std::string lines;
    for (int i = 0; i < kImportMaxQuotes; ++i)
        lines += "01/02/97,1,2,0.5,1.5,100,5\n";
    ImportResult r = importQuotes(job(lines));
    ASSERT_TRUE(r.ok() && r.quoteCount == 32766) << testing::PrintToString(texts(r));
    EXPECT_EQ(bytes("F1.DAT").size(), 28u * 32767u);

    lines += "01/03/97,1,2,0.5,1.5,100,5\n"; // 32,767 lines
    for (bool existing : {false, true}) {
        emptyDir();
        if (existing)
            fx::writeStandardPortfolio(dir);
        const auto before = fx::snapshot(dir);
        r = importQuotes(job(lines, "MM_DD_YY", [&](ImportDialogValues& v) { v.useExistingMaster = existing; }));
        EXPECT_FALSE(r.ok() || r.securityAdded);
        EXPECT_NE(testing::PrintToString(texts(r)).find("more than 32766"), std::string::npos) << existing;
        EXPECT_EQ(fx::snapshot(dir), before);
    }
}

class ImportIntoExisting : public Import {
protected:
    void SetUp() override
    {
        Import::SetUp();
        fx::writeStandardPortfolio(dir); // file numbers 1, 2 and 4
        before = fx::snapshot(dir);
        j = job("01/02/97,1,2,0.5,1.5,100,5\n01/03/97,1,2,0.5,1.75,100,5\n");
        j.useExistingMaster = true;
    }
    std::vector<std::pair<std::string, fx::ByteVec>> before;
    ImportJob j;
};

// The backup of MASTER is pinned by ImportCrash.TheBackupHoldsTheEntryBeforeItsDates.
TEST_F(ImportIntoExisting, TakesTheFirstFreeNumberAndAppendsItsEntry)
{
    const fx::ByteVec oldMaster = bytes("MASTER");
    const ImportResult r = importQuotes(j);
    ASSERT_TRUE(r.ok() && r.fileNumber == 3) << testing::PrintToString(texts(r));
    fx::ByteVec expected = fx::concat(
        {oldMaster, fx::masterEntry({3, "ABC", "Alpha Beta", 7, fx::fileDate(1997, 1, 2), fx::fileDate(1997, 1, 3)})});
    fx::setU16(expected, 0, 4);
    fx::setU16(expected, 2, 4);
    EXPECT_EQ(bytes("MASTER"), expected);
}

// A MASTER counting fewer entries than it holds, and files no entry names: their numbers are not taken.
TEST_F(ImportIntoExisting, ADamagedMasterNeverLeadsToANumberWhoseFilesExist)
{
    fx::ByteVec master = bytes("MASTER");
    fx::setU16(master, 0, 1); // counts IBM only
    fx::writeBytes(dir + "/MASTER", master);
    fx::writeBytes(dir + "/f3.dat", fx::quoteFile(7, fx::standardQuotes(1)));
    const auto kept = fx::snapshot(dir);
    const ImportResult r = importQuotes(j);
    ASSERT_TRUE(r.ok() && r.fileNumber == 5 && r.messages.size() == 1u) << testing::PrintToString(texts(r));
    EXPECT_EQ(r.messages[0].icon, ImportMessage::Icon::Information);
    EXPECT_NE(r.messages[0].text.find(": f3.dat."), std::string::npos) << r.messages[0].text;
    for (const auto& [name, content] : kept)
        if (name != "MASTER") {
            EXPECT_EQ(bytes(name), content) << name;
        }
    EXPECT_EQ(bytes("F5.DAT").size(), 3u * 28u);
}

TEST_F(ImportIntoExisting, RefusalsLeaveEverythingAsItWas)
{
    // The failure names the file it concerned: the one a user has to look at.
    const std::tuple<std::function<void(ImportJob&)>, std::string, std::string> cases[] = {
        {[](ImportJob& k) { k.useExistingMaster = false; }, std::string(kImportMasterExistsMessage), dir + "/MASTER"},
        {[](ImportJob& k) { k.symbol = "IBM CORP"; }, std::string(kImportDuplicateSymbolMessage), dir + "/MASTER"},
        {[&](ImportJob& k) { k.inputPath = tmp.file("none.txt"); },
         "The input file could not be read:\n" + tmp.file("none.txt") + "\nNo such file or directory",
         tmp.file("none.txt")},
        {[](ImportJob& k) {
             k.skip = true;
             k.skipCount = 2;
         },
         "The input file holds no quote lines.", input},
        {[&](ImportJob&) {
             fx::ByteVec master = bytes("MASTER");
             fx::setU16(master, 0, 255);
             fx::writeBytes(dir + "/MASTER", master);
         },
         std::string(kMasterFullMessage), dir + "/MASTER"},
    };
    for (const auto& [change, message, file] : cases) {
        ImportJob k = j;
        change(k);
        const auto unchanged = fx::snapshot(dir);
        const ImportResult r = importQuotes(k);
        EXPECT_FALSE(r.ok() || r.securityAdded) << message;
        EXPECT_EQ(texts(r), (std::vector<std::string>{message, std::string(kImportFailedMessage)}));
        EXPECT_EQ(r.outcome.file(), file) << message;
        EXPECT_EQ(fx::snapshot(dir), unchanged) << message;
        fx::writeStandardPortfolio(dir);
        fx::writeText(input, "01/02/97,1,2,0.5,1.5,100,5\n01/03/97,1,2,0.5,1.75,100,5\n");
    }
}

TEST_F(ImportIntoExisting, AFailureAtAnyWriteLeavesTheSecurityFullyImportedOrAbsent)
{
    faults::reset();
    ASSERT_TRUE(importQuotes(j).ok());
    // Only the backup copy may be missing when writing it was what failed.
    const auto withoutBackup = [](auto files) {
        std::erase_if(files, [](const auto& f) { return f.first == "MASTER.BAK"; });
        return files;
    };
    const auto complete = withoutBackup(fx::snapshot(dir));
    std::map<faults::Op, int> calls;
    for (faults::Op op : {faults::Op::Write, faults::Op::Fsync, faults::Op::Rename, faults::Op::Unlink})
        calls[op] = faults::callCount(op);
    for (const auto& [op, count] : calls)
        for (int n = 1; n <= count; ++n) {
            emptyDir();
            for (const auto& [name, content] : before)
                fx::writeBytes(dir + "/" + name, content);
            const ImportResult r = failing(op, n, j);
            const auto after = fx::snapshot(dir);
            EXPECT_TRUE(r.securityAdded || !r.ok());
            EXPECT_EQ(r.securityAdded ? withoutBackup(after) : after, r.securityAdded ? complete : before)
                << static_cast<int>(op) << " #" << n;
        }
}

} // namespace
} // namespace qv
