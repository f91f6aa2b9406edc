#include "core/maintain/quote_edits.h"

#include "core/app/program_settings.h"
#include "core/platform/fault_injection.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace qv {
namespace {

namespace fx = fixtures;
namespace fs = std::filesystem;

using Rows = std::vector<fx::QuoteRow>;

const std::vector<std::string> kSevenFields = {"DATE", "OPEN", "HIGH", "LOW", "CLOSE", "VOL", "OI"};

fx::QuoteRow row7(int month, int day, float open, float high, float low, float close, float volume, float oi) {
    return {fx::fileDate(1997, month, day), open, high, low, close, volume, oi};
}

DayNumber day(int year, int month, int dayOfMonth) {
    return static_cast<DayNumber>(fx::dayNumberOf(year, month, dayOfMonth));
}

// One security "XYZ" (file 3) in a temporary portfolio, written from the documented layouts.
class QuoteEdits : public ::testing::Test {
protected:
    void TearDown() override { faults::reset(); }

    void write(const Rows& quotes, int fieldCount = 7, std::vector<std::string> dop = kSevenFields) {
        rows = quotes;
        fields = fieldCount;
        fx::writeBytes(dir.file("F3.DAT"), fx::quoteFile(fields, quotes));
        if (!dop.empty()) fx::writeText(dir.file("F3.DOP"), fx::dopText(dop));
        fx::writeBytes(dir.file("MASTER"), masterWith(quotes.front()[0], quotes.back()[0]));
    }
    fx::ByteVec masterWith(float first, float last) const {
        return fx::masterFile({fx::masterEntry({3, "XYZ", "XYZ INC", fields, first, last})});
    }
    StoreStatus rewrite(const EditRequest& request) { return rewriteQuotes(dir.path(), "XYZ", request); }
    void apply(const EditCheck& check) {
        ASSERT_TRUE(check.accepted()) << check.message;
        ASSERT_EQ(rewrite(check.request), kStatusOk);
    }
    // The quotes as written with the given ones replaced.
    Rows with(const std::map<int, fx::QuoteRow>& changed) const {
        Rows out = rows;
        for (const auto& [k, row] : changed) out[static_cast<std::size_t>(k)] = row;
        return out;
    }
    fx::ByteVec dat() const { return fx::readBytes(dir.file("F3.DAT")); }
    fx::ByteVec master() const { return fx::readBytes(dir.file("MASTER")); }
    fx::ByteVec bak() const { return fx::readBytes(dir.file("F3.BAK")); }

    static EditRequest multiply(DayNumber first, DayNumber last, std::array<float, 6> values) {
        return {.values = values, .firstDate = first, .lastDate = last, .mode = EditMode::Multiply};
    }
    static EditRequest remove(DayNumber date) { return {.firstDate = date, .lastDate = date, .mode = EditMode::Delete}; }

    fx::TempDir dir;
    Rows rows;
    int fields = 7;
};

Rows fourQuotes() {
    return {row7(3, 13, 40, 42, 39, 41, 1000, 30), row7(3, 14, 41, 43, 40, 42.5f, 1500, 31),
            row7(3, 15, 21, 22, 20, 21.5f, 3000, 62), row7(3, 17, 22, 23, 21, 22.25f, 2500, 60)};
}

// ---- Split and Adjust --------------------------------------------------------------------------

TEST_F(QuoteEdits, SplitScalesOnlyBeforeItsDateAndByTheSinglePrecisionRatio) {
    write(fourQuotes());
    const fx::ByteVec before = dat();
    const fx::ByteVec masterBefore = master();
    apply(checkSplitForm({"03/15/97", "2", "1"}, readQuoteDates(dir.path(), "XYZ")));
    EXPECT_EQ(dat(), fx::quoteFile(7, with({{0, row7(3, 13, 20, 21, 19.5f, 20.5f, 2000, 60)},
                                            {1, row7(3, 14, 20.5f, 21.5f, 20, 21.25f, 3000, 62)}})));
    EXPECT_EQ(bak(), before);
    EXPECT_EQ(master(), masterBefore);
    EXPECT_FALSE(fs::exists(dir.file("F3.NEW")));

    // A reverse split scales volume by the single-precision 1/3 (0.333333343...): 1001 becomes
    // 333.666687, where the exact third would give 333.666656.
    write({row7(3, 13, 1.5f, 2, 1, 1.25f, 1001, 300), row7(3, 14, 4.5f, 6, 3, 3.75f, 333.5f, 100)});
    apply(checkSplitForm({"03/14/97", "1", "3"}, readQuoteDates(dir.path(), "XYZ")));
    ASSERT_NE(333.666687f, static_cast<float>(1001.0 / 3.0));
    EXPECT_EQ(dat(), fx::quoteFile(7, with({{0, row7(3, 13, 4.5f, 6, 3, 3.75f, 333.666687f, 100)}})));
}

TEST_F(QuoteEdits, AdjustScalesItsRangeAndLeavesEveryOtherByteAlone) {
    write(fourQuotes());
    const fx::ByteVec before = dat();
    const QuoteDates dates = readQuoteDates(dir.path(), "XYZ");
    EXPECT_EQ(dates.first, day(1997, 3, 13));
    EXPECT_EQ(dates.last, day(1997, 3, 17));

    apply(checkAdjustForm({"03/13/97", "03/17/97", "1", "1", "1"}, dates));
    EXPECT_EQ(dat(), before);
    apply(checkAdjustForm({"03/17/97", "03/13/97", "2", "2", "2"}, dates)); // From after To is accepted
    EXPECT_EQ(dat(), before);
    apply(checkAdjustForm({"03/14/97", "03/15/97", "2", "0.5", "10"}, dates));
    EXPECT_EQ(dat(), fx::quoteFile(7, with({{1, row7(3, 14, 82, 86, 80, 85, 750, 310)},
                                            {2, row7(3, 15, 42, 44, 40, 43, 1500, 620)}})));
}

TEST_F(QuoteEdits, ARangeCoversEveryQuoteOfItsDatesWhateverTheirTime) {
    const std::vector<std::string> withTime = {"DATE", "TIME", "OPEN", "HIGH", "LOW", "CLOSE", "VOL"};
    write({{fx::fileDate(1997, 3, 14), 93000, 1, 2, 1, 2, 100},
           {fx::fileDate(1997, 3, 14), 160000, 2, 3, 2, 3, 200},
           {fx::fileDate(1997, 3, 17), 93000, 3, 4, 3, 4, 300}},
          7, withTime);
    ASSERT_EQ(rewrite(multiply(day(1997, 3, 14), day(1997, 3, 14), {2, 2, 2, 2, 3, 3})), kStatusOk);
    EXPECT_EQ(dat(), fx::quoteFile(7, {{fx::fileDate(1997, 3, 14), 93000, 2, 4, 2, 4, 300},
                                       {fx::fileDate(1997, 3, 14), 160000, 4, 6, 4, 6, 600},
                                       {fx::fileDate(1997, 3, 17), 93000, 3, 4, 3, 4, 300}}));
}

// ---- Edit ----------------------------------------------------------------------------------------

TEST_F(QuoteEdits, EditSetsOneDateKeepingNotApplicableAndIgnoringAnOpenInterestTheFileLacks) {
    write(fourQuotes());
    apply(checkQuoteEditForm({"03/14/97", {"1.5", "2.5", "N/A", " 2 ", "12345", "7"}}));
    EXPECT_EQ(dat(), fx::quoteFile(7, with({{1, row7(3, 14, 1.5f, 2.5f, 40, 2, 12345, 7)}})));

    write({{fx::fileDate(1997, 3, 13), 1, 2, 1, 2, 10}, {fx::fileDate(1997, 3, 14), 2, 3, 2, 3, 20}}, 6,
          {"DATE", "OPEN", "HIGH", "LOW", "CLOSE", "VOL"});
    apply(checkQuoteEditForm({"03/13/97", {"5", "6", "4", "5.5", "99", "123"}}));
    EXPECT_EQ(dat(), fx::quoteFile(6, {{fx::fileDate(1997, 3, 13), 5, 6, 4, 5.5f, 99}, rows[1]}));
}

// ---- Delete --------------------------------------------------------------------------------------

TEST_F(QuoteEdits, DeleteMovesTheMasterDatesOnlyWhenTheFirstOrLastQuoteGoesAndKeepsThemForTheLastOne) {
    struct Case {
        int deleted;
        int dayOfMonth; // of the deleted quote
        float first;    // expected MASTER dates afterwards
        float last;
    };
    const Rows three = {row7(3, 13, 1, 2, 1, 2, 10, 1), row7(3, 14, 2, 3, 2, 3, 20, 2),
                        row7(3, 17, 3, 4, 3, 4, 30, 3)};
    const Case cases[] = {{0, 13, three[1][0], three[2][0]},
                          {1, 14, three[0][0], three[2][0]},
                          {2, 17, three[0][0], three[1][0]}};
    for (const Case& c : cases) {
        write(three);
        const fx::ByteVec before = dat();
        ASSERT_EQ(rewrite(remove(day(1997, 3, c.dayOfMonth))), kStatusOk) << c.deleted;
        Rows left = three;
        left.erase(left.begin() + c.deleted);
        EXPECT_EQ(dat(), fx::quoteFile(7, left)) << c.deleted;
        EXPECT_EQ(master(), masterWith(c.first, c.last)) << c.deleted;
        EXPECT_EQ(bak(), before);
    }

    // Deleting the only quote leaves the header, and its date as first and last.
    write({row7(3, 14, 2, 3, 2, 3, 20, 2)});
    // MASTER dates that disagree with the file show that both are written.
    fx::writeBytes(dir.file("MASTER"), masterWith(fx::fileDate(1990, 1, 2), fx::fileDate(1999, 12, 31)));
    ASSERT_EQ(rewrite(remove(day(1997, 3, 14))), kStatusOk);
    EXPECT_EQ(dat(), fx::quoteFile(7, {}));
    EXPECT_EQ(master(), masterWith(fx::fileDate(1997, 3, 14), fx::fileDate(1997, 3, 14)));
}

TEST_F(QuoteEdits, DeleteOfADateWithoutAQuoteChangesNothingButTheBackup) {
    write(fourQuotes());
    const fx::ByteVec before = dat();
    const fx::ByteVec masterBefore = master();
    for (DayNumber missing : {day(1997, 3, 16), day(1997, 3, 12), day(1997, 3, 18)}) {
        EXPECT_EQ(rewrite(remove(missing)), kStatusDeleteNotFound);
        EXPECT_EQ(dat(), before);
        EXPECT_EQ(master(), masterBefore);
        EXPECT_EQ(bak(), before);
    }
    EXPECT_EQ(rewriteFailureMessages(QuoteCommand::Delete, kStatusDeleteNotFound),
              (std::vector<std::string>{"Failure in delete quote for findrec", "Delete Edit Failed"}));
    EXPECT_EQ(rewriteFailureMessages(QuoteCommand::Split, kStatusFileNotFound),
              std::vector<std::string>{"Split Edit Failed"});
}

// ---- Files that are not what they claim --------------------------------------------------------

TEST_F(QuoteEdits, AHeaderCountBeyondTheFileIsNotTrustedAndUncountedBytesAreCarriedOver) {
    write(fourQuotes());
    fx::ByteVec claimsMore = fx::quoteFile(7, rows);
    fx::setU16(claimsMore, 2, 400);
    claimsMore.insert(claimsMore.end(), {0xAA, 0xBB, 0xCC}); // a torn record
    fx::writeBytes(dir.file("F3.DAT"), claimsMore);
    ASSERT_EQ(rewrite(multiply(0, day(1997, 3, 13), {2, 2, 2, 2, 1, 1})), kStatusOk);
    Rows expected = with({{0, row7(3, 13, 80, 84, 78, 82, 1000, 30)}});
    fx::ByteVec want = fx::quoteFile(7, expected);
    fx::setU16(want, 2, 400);
    want.insert(want.end(), {0xAA, 0xBB, 0xCC});
    EXPECT_EQ(dat(), want);

    // A delete counts what the file really holds.
    ASSERT_EQ(rewrite(remove(day(1997, 3, 17))), kStatusOk);
    expected.pop_back();
    want = fx::quoteFile(7, expected);
    want.insert(want.end(), {0xAA, 0xBB, 0xCC});
    EXPECT_EQ(dat(), want);
}

TEST_F(QuoteEdits, MissingPiecesReturnTheirStatusAndWriteNothing) {
    write(fourQuotes());
    EXPECT_EQ(rewriteQuotes(dir.path(), "NOPE", multiply(0, 60000, {2, 2, 2, 2, 2, 2})), kStatusFileNotFound);
    fx::writeBytes(dir.file("F3.DAT"), {0, 0, 1});
    EXPECT_EQ(rewrite(multiply(0, 60000, {2, 2, 2, 2, 2, 2})), kStatusFileRead);
    EXPECT_EQ(dat(), (fx::ByteVec{0, 0, 1}));
    fs::remove(dir.file("F3.DAT"));
    fs::remove(dir.file("F3.BAK"));
    EXPECT_EQ(rewrite(multiply(0, 60000, {2, 2, 2, 2, 2, 2})), kStatusFileOpen);
    EXPECT_FALSE(fs::exists(dir.file("F3.DAT")));
    EXPECT_FALSE(fs::exists(dir.file("F3.BAK")));
}

TEST_F(QuoteEdits, AQuoteFileNamedInLowerCaseKeepsItsName) {
    write(fourQuotes());
    fs::rename(dir.file("F3.DAT"), dir.file("f3.dat"));
    ASSERT_EQ(rewrite(remove(day(1997, 3, 15))), kStatusOk);
    EXPECT_FALSE(fs::exists(dir.file("F3.DAT")));
    Rows left = rows;
    left.erase(left.begin() + 2);
    EXPECT_EQ(fx::readBytes(dir.file("f3.dat")), fx::quoteFile(7, left));
}

// ---- Failure of any single write ---------------------------------------------------------------

// Every write, flush, rename and removal of an edit is made to fail in turn: the quote file is
// then exactly the old or exactly the new one, MASTER agrees with it, a taken backup is the old
// file, and no F3.NEW is left behind.
TEST_F(QuoteEdits, AFailingWriterLeavesTheOldOrTheNewFileNeverAMixture) {
    const std::pair<const char*, EditRequest> edits[] = {
        {"split", multiply(0, day(1997, 3, 14), {0.5f, 0.5f, 0.5f, 0.5f, 2, 2})},
        {"delete first", remove(day(1997, 3, 13))},
        {"delete middle", remove(day(1997, 3, 14))},
    };
    for (const auto& [name, request] : edits) {
        for (faults::Op op : {faults::Op::Write, faults::Op::Fsync, faults::Op::Rename, faults::Op::Unlink}) {
            const auto fresh = [&] {
                write(fourQuotes());
                fs::remove(dir.file("F3.BAK"));
                fs::remove(dir.file("MASTER.BAK"));
            };
            // A clean run gives the new state and the number of calls to fail.
            fresh();
            const fx::ByteVec oldDat = dat();
            const fx::ByteVec oldMaster = master();
            faults::reset();
            ASSERT_EQ(rewrite(request), kStatusOk) << name;
            const int calls = faults::callCount(op);
            const fx::ByteVec newDat = dat();
            const fx::ByteVec newMaster = master();
            ASSERT_NE(newDat, oldDat);

            for (int n = 1; n <= calls; ++n) {
                const std::string what = std::string(name) + " op " + std::to_string(static_cast<int>(op)) + " #" + std::to_string(n);
                fresh();
                StoreStatus status;
                {
                    faults::ScopedFailure failure(op, n);
                    status = rewrite(request);
                }
                const fx::ByteVec now = dat();
                EXPECT_TRUE(now == oldDat || now == newDat) << what;
                EXPECT_EQ(now == newDat, status == kStatusOk) << what;
                EXPECT_EQ(master(), now == newDat ? newMaster : oldMaster) << what;
                EXPECT_TRUE(status == kStatusOk || status == kStatusFileWrite) << what;
                if (status == kStatusOk || fs::exists(dir.file("F3.BAK"))) {
                    EXPECT_EQ(bak(), oldDat) << what;
                }
                EXPECT_FALSE(fs::exists(dir.file("F3.NEW"))) << what;
            }
        }
    }
}

// ---- The dialogs' checks ----------------------------------------------------------------------

TEST(QuoteEditChecks, ValueTextsAreDecimalNumbersAndNothingElse) {
    const std::pair<const char*, float> good[] = {{"12", 12}, {"-1.5", -1.5f}, {".5", 0.5f}, {"5.", 5},
                                                  {" 3.25 ", 3.25f}, {"+2", 2}, {"1e3", 1000}, {"2.5E-1", 0.25f}};
    for (const auto& [text, want] : good) {
        float v = -99;
        EXPECT_TRUE(parseEditValue(text, v)) << text;
        EXPECT_EQ(v, want) << text;
    }
    for (const char* text : {"", " ", "abc", "12abc", "1.2.3", "1,5", "inf", "nan", "0x10", "1e", "e5", ".", "-",
                             "1e999", "N/A", "1 2"}) {
        float v = 0;
        EXPECT_FALSE(parseEditValue(text, v)) << text;
    }
}

TEST(QuoteEditChecks, SplitRefusesWhatItCannotUseWithOneMessage) {
    const QuoteDates dates{kStatusOk, day(1997, 1, 2), day(1997, 12, 31)};
    const SplitForm refused[] = {
        {"12/31/1997", "2", "1"}, // ten characters
        {"12/31/9", "2", "1"},    {"1/31/97 ", "2", "1"}, {"12/31 97", "2", "1"},
        {"01/01/97", "2", "1"},   // before the first quote
        {"01/01/98", "2", "1"},   // after the last
        {"13/01/97", "2", "1"},   {"03/15/97", "0", "1"}, {"03/15/97", "2", "0"},
        {"03/15/97", "x", "1"},   {"03/15/97", "2", ""},  {"03/15/97", "-2", "1"},
    };
    for (const SplitForm& form : refused) {
        const EditCheck check = checkSplitForm(form, dates);
        EXPECT_EQ(check.message, "Invalid Data Entered") << form.date << " " << form.newShares << " " << form.oldShares;
    }
    // The first and last quote dates themselves are accepted.
    EXPECT_TRUE(checkSplitForm({"01/02/97", "2", "1"}, dates).accepted());
    const EditCheck last = checkSplitForm({"12/31/97", "3", "2"}, dates);
    ASSERT_TRUE(last.accepted());
    EXPECT_EQ(last.request.mode, EditMode::Multiply);
    EXPECT_EQ(last.request.firstDate, 0);
    EXPECT_EQ(last.request.lastDate, day(1997, 12, 30));
    EXPECT_EQ(last.request.values, (std::array<float, 6>{2.0f / 3.0f, 2.0f / 3.0f, 2.0f / 3.0f, 2.0f / 3.0f, 1.5f, 1.5f}));
    // A security without quotes takes no date at all.
    EXPECT_FALSE(checkSplitForm({"03/15/97", "2", "1"}, QuoteDates{}).accepted());
}

TEST(QuoteEditChecks, AdjustEditAndDeleteRefuseADateOrValueTheyCannotRead) {
    const QuoteDates dates{kStatusOk, day(1997, 1, 2), day(1997, 12, 31)};
    const AdjustForm refused[] = {
        {"1/2/97", "12/31/97", "1", "1", "1"}, {"01/02/97", "12/31/1997", "1", "1", "1"},
        {"01/01/97", "12/31/97", "1", "1", "1"}, {"01/02/97", "01/01/98", "1", "1", "1"},
        {"01/02/97", "12/31/97", "0", "1", "1"}, {"01/02/97", "12/31/97", "1", "0", "1"},
        {"01/02/97", "12/31/97", "1", "1", "0"}, {"01/02/97", "12/31/97", "1", "1", "one"},
    };
    for (const AdjustForm& form : refused)
        EXPECT_EQ(checkAdjustForm(form, dates).message, "Invalid Data Entered") << form.from << " " << form.to;
    const EditCheck ok = checkAdjustForm({"02/03/97", "02/28/97", "1.5", "2", "0.25"}, dates);
    ASSERT_TRUE(ok.accepted());
    EXPECT_EQ(ok.request.values, (std::array<float, 6>{1.5f, 1.5f, 1.5f, 1.5f, 2.0f, 0.25f}));
    EXPECT_EQ(ok.request.firstDate, day(1997, 2, 3));
    EXPECT_EQ(ok.request.lastDate, day(1997, 2, 28));

    EXPECT_EQ(checkQuoteEditForm({"03/14/97", {"1", "2", "abc", "4", "5", "6"}}).message, "Invalid Data Entered");
    EXPECT_EQ(checkQuoteEditForm({"03/14/97", {"1", "2", "3", "4", "5", ""}}).message, "Invalid Data Entered");
    EXPECT_EQ(checkQuoteEditForm({"3/14/97", {"1", "2", "3", "4", "5", "6"}}).message, "Invalid Data Entered");
    EXPECT_EQ(checkDeleteForm({"00/00/00"}).message, "Invalid Data Entered");
    const EditCheck del = checkDeleteForm({"03/14/97"});
    ASSERT_TRUE(del.accepted());
    EXPECT_EQ(del.request.mode, EditMode::Delete);
    EXPECT_EQ(del.request.firstDate, day(1997, 3, 14));
}

TEST(QuoteEditRecords, EachCommandWritesItsSectionWithTheTextsAsEntered) {
    fx::TempDir dir;
    SettingsFile ini(dir.file("q.ini"));
    ASSERT_TRUE(rememberForm(ini, QuoteEditForm{"03/14/97", {"1.5", "2", "N/A", "4", "5", "6"}}));
    ASSERT_TRUE(rememberForm(ini, SplitForm{"03/15/97", "2", "1"}));
    ASSERT_TRUE(rememberForm(ini, AdjustForm{"01/02/97", "12/31/97", "1.5", "2", "3"}));
    ASSERT_TRUE(rememberForm(ini, DeleteForm{"03/17/97"}));
    const std::array<const char*, 3> expected[] = {
        {"Edit", "Date", "03/14/97"}, {"Edit", "Hi", "2"},     {"Edit", "Lo", "N/A"},
        {"Edit", "OI", "6"},          {"Split", "New", "2"},   {"Split", "Old", "1"},
        {"Adjust", "Date2", "12/31/97"}, {"Adjust", "OIMult", "3"}, {"Delete", "Date", "03/17/97"},
    };
    for (const auto& [section, key, value] : expected)
        EXPECT_EQ(ini.getString(section, key, "?"), value) << section << "/" << key;
}

} // namespace
} // namespace qv
