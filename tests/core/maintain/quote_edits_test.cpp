#include "core/maintain/quote_edits.h"

#include "core/platform/fault_injection.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>

namespace qv {
namespace {

namespace fx = fixtures;
namespace fs = std::filesystem;

using Rows = std::vector<fx::QuoteRow>;
const std::vector<std::string> kAll = {"DATE", "OPEN", "HIGH", "LOW", "CLOSE", "VOL", "OI"};

fx::QuoteRow row7(int month, int day, float open, float high, float low, float close, float volume, float oi)
{
    return {fx::fileDate(1997, month, day), open, high, low, close, volume, oi};
}

DayNumber day(int year, int month, int dayOfMonth) { return fx::dayNumberOf(year, month, dayOfMonth); }

Rows fourQuotes()
{
    return {row7(3, 13, 40, 42, 39, 41, 1000, 30), row7(3, 14, 41, 43, 40, 42.5f, 1500, 31),
            row7(3, 15, 21, 22, 20, 21.5f, 3000, 62), row7(3, 17, 22, 23, 21, 22.25f, 2500, 60)};
}

// One security "XYZ" (file 3) in a temporary portfolio, written from the documented layouts.
class QuoteEdits : public ::testing::Test {
protected:
    void TearDown() override { faults::reset(); }

    void write(const Rows& quotes, const std::vector<std::string>& dop = kAll)
    {
        rows = quotes;
        fx::writeBytes(dir.file("F3.DAT"), fx::quoteFile(7, quotes));
        fx::writeText(dir.file("F3.DOP"), fx::dopText(dop));
        fx::writeBytes(dir.file("MASTER"), masterWith(quotes.front()[0], quotes.back()[0]));
    }
    fx::ByteVec masterWith(float first, float last) const
    {
        return fx::masterFile({fx::masterEntry({3, "XYZ", "XYZ INC", 7, first, last})});
    }
    StoreStatus rewrite(const EditRequest& request)
    {
        rewritten = rewriteQuotes(dir.path(), "XYZ", request);
        reason = rewritten.cause();
        return rewritten.status();
    }
    void apply(const EditCheck& check)
    {
        ASSERT_TRUE(check.accepted()) << check.message;
        ASSERT_EQ(rewrite(check.request), kStatusOk);
    }
    // The quotes as written with the given ones replaced.
    fx::ByteVec with(const std::map<int, fx::QuoteRow>& changed) const
    {
        Rows out = rows;
        for (const auto& [k, row] : changed)
            out[static_cast<std::size_t>(k)] = row;
        return fx::quoteFile(7, out);
    }
    fx::ByteVec dat() const { return fx::readBytes(dir.file("F3.DAT")); }
    fx::ByteVec master() const { return fx::readBytes(dir.file("MASTER")); }

    static EditRequest multiply(DayNumber first, DayNumber last, std::array<float, 6> values)
    {
        return {.values = values, .firstDate = first, .lastDate = last, .mode = EditMode::Multiply};
    }
    static EditRequest remove(DayNumber date)
    {
        return {.firstDate = date, .lastDate = date, .mode = EditMode::Delete};
    }

    fx::TempDir dir;
    Rows rows;
    Outcome rewritten;  // by the last rewrite
    std::string reason; // its cause
};

TEST_F(QuoteEdits, SplitAdjustAndEditChangeOnlyTheirQuotesAndKeepABackup)
{
    write(fourQuotes());
    const fx::ByteVec before = dat(), masterBefore = master();
    apply(checkSplitForm({"03/15/97", "2", "1"}, readQuoteDates(dir.path(), "XYZ")));
    EXPECT_EQ(dat(), with({{0, row7(3, 13, 20, 21, 19.5f, 20.5f, 2000, 60)},
                           {1, row7(3, 14, 20.5f, 21.5f, 20, 21.25f, 3000, 62)}}));
    EXPECT_EQ(fx::readBytes(dir.file("F3.BAK")), before);
    EXPECT_EQ(master(), masterBefore);

    // A reverse split scales volume by the single-precision 1/3: 1001 becomes 333.666687, not 333.666656.
    write({row7(3, 13, 1.5f, 2, 1, 1.25f, 1001, 300), row7(3, 14, 4.5f, 6, 3, 3.75f, 333.5f, 100)});
    apply(checkSplitForm({"03/14/97", "1", "3"}, readQuoteDates(dir.path(), "XYZ")));
    EXPECT_EQ(dat(), with({{0, row7(3, 13, 4.5f, 6, 3, 3.75f, 333.666687f, 100)}}));

    write(fourQuotes());
    apply(checkAdjustForm({"03/14/97", "03/15/97", "2", "0.5", "10"}, readQuoteDates(dir.path(), "XYZ")));
    EXPECT_EQ(dat(), with({{1, row7(3, 14, 82, 86, 80, 85, 750, 310)}, {2, row7(3, 15, 42, 44, 40, 43, 1500, 620)}}));

    // Edit keeps a field given as N/A.
    write(fourQuotes());
    apply(checkQuoteEditForm({"03/14/97", {"1.5", "2.5", "N/A", " 2 ", "12345", "7"}}));
    EXPECT_EQ(dat(), with({{1, row7(3, 14, 1.5f, 2.5f, 40, 2, 12345, 7)}}));
}

// A date text is taken whole, never read in part as another day (06/02/2025 as 06/02/20).
TEST(QuoteEditChecks, DateTextsAreTakenWholeAndOnlyAsExactlyMmDdYyOrYyyyMmDd)
{
    const struct {
        const char* text;
        DayNumber expected;
    } cases[] = {
        {"12/31/59", day(2059, 12, 31)},
        {"01/01/60", day(1960, 1, 1)},
        {"02/29/96", day(1996, 2, 29)},
        {"1928-10-01", day(1928, 10, 1)},
        {"2099-12-31", day(2099, 12, 31)},
        {"12/31/1997", kNoDay}, // the century typed: refused, not cut to 12/31/19
        {"12/3/202", kNoDay},   // 8 characters, but no MM/DD/YY: not 12/03/02
        {"6/02/25", kNoDay},
        {"06/02/25 ", kNoDay},
        {"06-02-25", kNoDay},
        {"06/+2/25", kNoDay},
        {"13/01/97", kNoDay},
        {"02/30/97", kNoDay},
        {"", kNoDay},
        {"1900-02-29", kNoDay},
        {"1928-10-1 ", kNoDay}, // 02/30: not March 2nd
    };
    const QuoteDates all{kStatusOk, day(1900, 1, 1), day(2099, 12, 31)};
    for (const auto& c : cases) {
        EXPECT_EQ(parseEditDate(c.text), c.expected) << c.text;
        // Every dialog's check refuses what the reader refuses, with the dialog's message.
        const std::vector<EditCheck> checks = {
            checkSplitForm({c.text, "2", "1"}, all),
            checkAdjustForm({c.text, "12/31/59", "2", "1", "1"}, all),
            checkAdjustForm({"01/01/61", c.text, "2", "1", "1"}, all),
            checkQuoteEditForm({c.text, {"1", "1", "1", "1", "1", "1"}}),
            checkDeleteForm({c.text}),
        };
        for (const EditCheck& check : checks)
            EXPECT_EQ(check.accepted() ? "" : check.message, c.expected != kNoDay ? "" : kInvalidDataMessage) << c.text;
    }
    // The split and adjust dates keep their bounds: the first and last quote dates.
    const QuoteDates dates{kStatusOk, day(1997, 3, 13), day(1997, 3, 17)};
    EXPECT_TRUE(checkSplitForm({"03/13/97", "2", "1"}, dates).accepted());
    EXPECT_FALSE(checkSplitForm({"03/12/97", "2", "1"}, dates).accepted() ||
                 checkAdjustForm({"03/13/97", "03/18/97", "2", "1", "1"}, dates).accepted());
    EXPECT_EQ(checkSplitForm({"03/15/97", "2", "1"}, dates).request.lastDate, day(1997, 3, 14));
}

// Quotes from 1928 and around the eve of 1961 (day 0): Split and Adjust take their dates and every
// stored date stays byte for byte; a delete moves the MASTER date to the next quote's stored bytes.
TEST_F(QuoteEdits, QuotesBefore1961AreEditedByTheirDatesAndKeepTheirStoredDates)
{
    const float dates[] = {281001, 281002, 601230, 601231, 610101, 610103};
    Rows early;
    for (float d : dates)
        early.push_back({d, 4, 8, 2, 6, 100, 10});
    write(early);
    const QuoteDates bounds = readQuoteDates(dir.path(), "XYZ");
    EXPECT_TRUE(bounds.first == day(1928, 10, 1) && bounds.last == day(1961, 1, 3));
    const auto scaled = [&](std::initializer_list<int> at, float price, float volume) {
        std::map<int, fx::QuoteRow> changed;
        for (int k : at)
            changed[k] = {dates[k], 4 * price, 8 * price, 2 * price, 6 * price, 100 * volume, 10 * volume};
        return with(changed);
    };
    apply(checkSplitForm({"01/01/61", "2", "1"}, bounds));
    EXPECT_EQ(dat(), scaled({0, 1, 2, 3}, 0.5f, 2));
    write(early);
    apply(checkAdjustForm({"1928-10-02", "12/31/60", "2", "1", "1"}, bounds));
    EXPECT_EQ(dat(), scaled({1, 2, 3}, 2, 1));
    EXPECT_FALSE(checkSplitForm({"1928-09-30", "2", "1"}, bounds).accepted());

    write(early);
    apply(checkDeleteForm({"1928-10-01"}));
    rows.erase(rows.begin());
    EXPECT_EQ(dat(), with({}));
    EXPECT_EQ(master(), masterWith(281002, 610103));
}

// An intraday entry without a DOP has its time second: an adjustment leaves it alone, and 8 fields are no refusal.
TEST_F(QuoteEdits, AnIntradayFileWithoutADopKeepsItsTimes)
{
    const float d = fx::fileDate(1997, 3, 14);
    const Rows bars{{d, 93000, 1, 2, 1, 2, 100, 7}, {d, 93500, 2, 3, 2, 3, 200, 8}};
    fx::writeBytes(dir.file("F3.DAT"), fx::quoteFile(8, bars));
    fx::writeBytes(dir.file("MASTER"), fx::masterFile({fx::masterEntry({3, "XYZ", "XYZ INC", 8, d, d, 'I'})}));
    ASSERT_EQ(rewrite(multiply(day(1997, 3, 14), day(1997, 3, 14), {2, 2, 2, 2, 3, 3})), kStatusOk) << reason;
    EXPECT_EQ(dat(), fx::quoteFile(8, {{d, 93000, 2, 4, 2, 4, 300, 21}, {d, 93500, 4, 6, 4, 6, 600, 24}}));
}

// Each factor is the quotient of the counts in single precision: 1 / price would make 7-for-1 scale volume by 7.0000005.
TEST(SplitCheck, FactorsAreTheQuotientsOfTheCountsAndOnlyEarlierQuotesAreScaled)
{
    const QuoteDates dates{kStatusOk, day(1997, 1, 2), day(1997, 12, 31)};
    const struct {
        const char* newShares;
        const char* oldShares;
        float price;
        float volume;
    } cases[] = {{"7", "1", 1.0f / 7.0f, 7.0f}, {"3", "2", 2.0f / 3.0f, 1.5f}};
    for (const auto& c : cases) {
        const EditCheck check = checkSplitForm({"03/15/97", c.newShares, c.oldShares}, dates);
        EXPECT_EQ(check.request.values, (std::array<float, 6>{c.price, c.price, c.price, c.price, c.volume, c.volume}));
        EXPECT_EQ(check.request.firstDate, kNoDay) << "from before the first quote, 1928 ones too";
    }
}

TEST_F(QuoteEdits, DeleteRemovesEveryQuoteOfTheDateWhateverItsTime)
{
    const std::vector<std::string> withTime = {"DATE", "TIME", "OPEN", "HIGH", "LOW", "CLOSE", "VOL"};
    const fx::QuoteRow a = {fx::fileDate(1997, 3, 13), 93000, 1, 2, 1, 2, 100};
    const fx::QuoteRow b = {fx::fileDate(1997, 3, 14), 93000, 2, 3, 2, 3, 200};
    const fx::QuoteRow c = {fx::fileDate(1997, 3, 14), 160000, 3, 4, 3, 4, 300};
    const fx::QuoteRow d = {fx::fileDate(1997, 3, 17), 93000, 4, 5, 4, 5, 400};
    const struct {
        const char* what;
        Rows quotes;
        Rows left;
    } cases[] = {
        {"a day held twice in the middle", {a, b, c, d}, {a, d}},
        {"the first day, held twice", {b, c, d}, {d}},
        {"the only day, held three times", {b, c, c}, {}},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        write(k.quotes, withTime);
        // Deleting every quote leaves the header, and their date as first and last, whatever MASTER said.
        if (k.left.empty())
            fx::writeBytes(dir.file("MASTER"), masterWith(fx::fileDate(1990, 1, 2), fx::fileDate(1999, 12, 31)));
        ASSERT_EQ(rewrite(remove(day(1997, 3, 14))), kStatusOk);
        EXPECT_EQ(dat(), fx::quoteFile(7, k.left));
        const float first = k.left.empty() ? k.quotes.back()[0] : k.left.front()[0];
        const float last = k.left.empty() ? k.quotes.back()[0] : k.left.back()[0];
        EXPECT_EQ(master(), masterWith(first, last));
    }
}

// Every writer of quotes passes over an entry that contradicts itself or repeats an earlier number:
// nothing is written, not even the backup.
TEST_F(QuoteEdits, AnEntryThatContradictsItselfOrRepeatsANumberIsNeverWrittenThrough)
{
    const auto entry = [](int n, const std::string& symbol, int fields, int length) {
        fx::ByteVec e =
            fx::masterEntry({n, symbol, symbol, fields, fx::fileDate(1997, 3, 13), fx::fileDate(1997, 3, 17)});
        fx::setByte(e, 3, static_cast<std::uint8_t>(length));
        return e;
    };
    const struct {
        const char* what;
        fx::ByteVec master;
        std::vector<std::string> dop;
    } cases[] = {
        {"record length of 6 fields", fx::masterFile({entry(3, "XYZ", 7, 24)}), kAll},
        {"a field count no layout has", fx::masterFile({entry(3, "XYZ", 10, 40)}), kAll},
        {"a DOP naming only DATE", fx::masterFile({entry(3, "XYZ", 7, 28)}), {"DATE"}},
        {"second entry of number 3", fx::masterFile({entry(3, "ABC", 7, 28), entry(3, "XYZ", 6, 24)}), kAll},
    };
    const EditRequest requests[] = {
        multiply(0, day(1997, 3, 14), {0.5f, 0.5f, 0.5f, 0.5f, 2, 2}),
        {.values = {1, 1, 1, 1, 1, 1},
         .firstDate = day(1997, 3, 14),
         .lastDate = day(1997, 3, 14),
         .mode = EditMode::Set},
        remove(day(1997, 3, 13)),
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        write(fourQuotes(), c.dop);
        fx::writeBytes(dir.file("MASTER"), c.master);
        const auto before = fx::snapshot(dir.path());
        for (const EditRequest& request : requests) {
            EXPECT_EQ(rewrite(request), kStatusEntryPassedOver);
            EXPECT_EQ(fx::snapshot(dir.path()), before);
        }
    }
    EXPECT_EQ(rewriteFailureMessages(QuoteCommand::Split, rewritten),
              (std::vector<std::string>{std::string(kEntryPassedOverMessage), "Split Edit Failed\n" + reason}));
}

// A header count beyond the file: the uncounted bytes (a torn record) are carried over; a quote
// file named in lower case keeps its name.
TEST_F(QuoteEdits, DamagedOrLowerCaseQuoteFilesAreRewrittenInPlace)
{
    write(fourQuotes());
    const fx::ByteVec torn = {0xAA, 0xBB, 0xCC};
    fx::ByteVec claimsMore = fx::concat({fx::quoteFile(7, rows), torn});
    fx::setU16(claimsMore, 2, 400);
    fx::writeBytes(dir.file("f3.dat"), claimsMore);
    fs::remove(dir.file("F3.DAT"));
    ASSERT_EQ(rewrite(remove(day(1997, 3, 17))), kStatusOk);
    rows.pop_back();
    EXPECT_EQ(fx::readBytes(dir.file("f3.dat")), fx::concat({fx::quoteFile(7, rows), torn}));
}

// Every write, flush, rename and removal of an edit fails in turn: the quote file is then exactly the
// old or the new one, MASTER agrees with it, a taken backup is the old file, and no F3.NEW is left.
TEST_F(QuoteEdits, AFailingWriterLeavesTheOldOrTheNewFileNeverAMixture)
{
    for (const EditRequest& request : {multiply(0, day(1997, 3, 14), {0.5f, 0.5f, 0.5f, 0.5f, 2, 2}),
                                       remove(day(1997, 3, 13)), remove(day(1997, 3, 14))}) {
        for (faults::Op op : {faults::Op::Write, faults::Op::Fsync, faults::Op::Rename, faults::Op::Unlink}) {
            const auto fresh = [&] {
                write(fourQuotes()), fs::remove(dir.file("F3.BAK")), fs::remove(dir.file("MASTER.BAK"));
            };
            fresh();
            const fx::ByteVec oldDat = dat(), oldMaster = master();
            faults::reset();
            ASSERT_EQ(rewrite(request), kStatusOk);
            const fx::ByteVec newDat = dat(), newMaster = master();
            for (int n = 1, calls = faults::callCount(op); n <= calls; ++n) {
                fresh();
                const StoreStatus status = [&] {
                    faults::ScopedFailure failure(op, n);
                    return rewrite(request);
                }();
                const fx::ByteVec now = dat();
                SCOPED_TRACE(testing::Message() << request.firstDate << " op " << static_cast<int>(op) << " #" << n);
                EXPECT_EQ(now, status == kStatusOk ? newDat : oldDat);
                EXPECT_TRUE(status == kStatusOk || status == kStatusFileWrite);
                EXPECT_EQ(master(), now == newDat ? newMaster : oldMaster);
                // The reason names a file the user knows, never a temporary one.
                EXPECT_EQ(reason.empty(), status == kStatusOk) << reason;
                EXPECT_TRUE(reason.find(".NEW") == std::string::npos && reason.find(".~") == std::string::npos)
                    << reason;
                if (fs::exists(dir.file("F3.BAK"))) {
                    EXPECT_EQ(fx::readBytes(dir.file("F3.BAK")), oldDat);
                }
                EXPECT_FALSE(fs::exists(dir.file("F3.NEW")));
            }
        }
    }
}

// A request whose every change falls on fields the file lacks would report success and change nothing:
// it is refused before anything is written. One that also changes a field the file has goes through.
TEST_F(QuoteEdits, ARequestThatCanOnlyChangeMissingFieldsIsRefusedAndWritesNothing)
{
    const auto set = [](std::array<bool, 6> keep, std::array<float, 6> values) {
        return EditRequest{.values = values, .keep = keep, .firstDate = day(1997, 3, 14), .lastDate = day(1997, 3, 14)};
    };
    const std::vector<std::string> noOi = {"DATE", "TIME", "OPEN", "HIGH", "LOW", "CLOSE", "VOL"};
    const std::vector<std::string> pricesOnly = {"DATE", "HIGH", "LOW", "CLOSE"};
    const struct {
        std::vector<std::string> dop;
        EditRequest request;
        std::string missing; /* empty: accepted */
    } cases[] = {
        {noOi, multiply(0, day(1997, 3, 17), {1, 1, 1, 1, 1, 2}), "open interest"},
        {pricesOnly, set({false, true, true, true, false, true}, {9, 0, 0, 0, 9, 0}), "open or volume"},
        {noOi, multiply(0, day(1997, 3, 17), {1, 1, 1, 1, 1, 1}), ""}, // rewrites the same values
        {pricesOnly, set({true, true, true, true, true, true}, {}), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.missing + " / " + std::to_string(c.dop.size()));
        const int fields = static_cast<int>(c.dop.size());
        Rows quotes;
        for (const fx::QuoteRow& r : fourQuotes())
            quotes.push_back(fields == 4 ? fx::QuoteRow{r[0], r[2], r[3], r[4]}
                                         : fx::QuoteRow{r[0], 0, r[1], r[2], r[3], r[4], r[5]});
        fs::remove(dir.file("F3.BAK"));
        fx::writeBytes(dir.file("F3.DAT"), fx::quoteFile(fields, quotes));
        fx::writeText(dir.file("F3.DOP"), fx::dopText(c.dop));
        fx::writeBytes(
            dir.file("MASTER"),
            fx::masterFile({fx::masterEntry({3, "XYZ", "XYZ INC", fields, quotes.front()[0], quotes.back()[0]})}));
        const auto before = fx::snapshot(dir.path());
        EXPECT_EQ(rewrite(c.request), c.missing.empty() ? kStatusOk : kStatusNoSuchField) << reason;
        EXPECT_EQ(reason, c.missing.empty()
                              ? ""
                              : dir.file("F3.DAT") + " has no " + c.missing + " field; nothing was changed.");
        EXPECT_EQ(fs::exists(dir.file("F3.BAK")), c.missing.empty());
        if (!c.missing.empty()) {
            EXPECT_EQ(fx::snapshot(dir.path()), before);
        }
    }
}

// What the commands show: the fixed failure text, then the file and the cause on its second line.
TEST_F(QuoteEdits, FailureMessagesNameTheFileAndTheCause)
{
    write(fourQuotes());
    const EditRequest edit = multiply(0, day(1997, 3, 14), {2, 2, 2, 2, 1, 1});
    const struct {
        std::function<void()> damage;
        StoreStatus status;
        std::string reason;
        std::string file;
    } cases[] = {
        {[&] { fx::writeBytes(dir.file("MASTER"), fx::masterFile({})); }, kStatusFileNotFound,
         "The symbol XYZ is not in the MASTER file of " + dir.path() + ".", dir.file("MASTER")},
        {[&] { fs::remove(dir.file("F3.DAT")); }, kStatusFileOpen, dir.file("F3.DAT") + " does not exist.",
         dir.file("F3.DAT")},
        {[&] { fs::create_directory(dir.file("F3.BAK")); }, kStatusFileWrite,
         "The backup copy could not be written: replace " + dir.file("F3.BAK") + ": Is a directory",
         dir.file("F3.BAK")},
        {[&] {
             fx::writeBytes(dir.file("F3.DAT"), {0, 0, 1});
         },
         kStatusFileRead, dir.file("F3.DAT") + " is shorter than its header record.", dir.file("F3.DAT")},
    };
    for (const auto& c : cases) {
        write(fourQuotes());
        fs::remove_all(dir.file("F3.BAK"));
        c.damage();
        EXPECT_EQ(rewrite(edit), c.status);
        EXPECT_EQ(reason, c.reason);
        EXPECT_EQ(rewritten.file(), c.file);
    }
    write(fourQuotes()); // a date without a quote changes nothing
    EXPECT_EQ(rewrite(remove(day(1997, 3, 16))), kStatusDeleteNotFound);
    EXPECT_EQ(dat(), fx::quoteFile(7, rows));
    EXPECT_EQ(rewriteFailureMessages(QuoteCommand::Delete, rewritten),
              (std::vector<std::string>{"Failure in delete quote for findrec",
                                        "Delete Edit Failed\n" + dir.file("F3.DAT") + " holds no quote of 03/16/97."}));
}

} // namespace
} // namespace qv
