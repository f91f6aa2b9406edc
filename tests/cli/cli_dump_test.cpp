// dump: the CSV stream of whole folders, byte for byte, on a folder built here and on the two real ones.

#include "cli_harness.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace qv::cli::testing {
namespace {

namespace fx = fixtures;
using fx::TempDir;

const std::string kHeader = "symbol,date,time,open,high,low,close,volume,openint\n";

// P: 1 IBM (7 fields), 2 GC (6 fields, no open interest), 3 GONE (its F3.DAT missing), a
// directory entry SUB (one security NEST), then in XMASTER 256 "A,B" (bitset 0x1F: date, high,
// low, close, volume) and 300 BARS (0xFF: intraday with time and open interest).
class CliDump : public ::testing::Test {
protected:
    void SetUp() override
    {
        const float d1 = fx::fileDate(1997, 1, 2), d2 = fx::fileDate(2001, 3, 15);
        fx::writeBytes(dir + "/MASTER", fx::masterFile({fx::masterEntry({1, "IBM", "IBM CORP", 7, d1, d2, 'D'}),
                                                        fx::masterEntry({2, "GC", "GOLD", 6, d1, d1, 'D'}),
                                                        fx::masterEntry({3, "GONE", "GONE", 7, d1, d1, 'D'}),
                                                        fx::masterDirectoryEntry(4, "SUB")}));
        fx::writeBytes(dir + "/F1.DAT", fx::quoteFile(7, {{d1, 10, 13.25f, 9.5f, 12.5f, 1500, 20},
                                                          {d2, 0.0625f, 1, 0, 0.1f, 100000, 123456}}));
        fx::writeBytes(dir + "/F2.DAT", fx::quoteFile(6, {{d1, 350.5f, 351, 349, 350.25f, 77}}));
        fx::writeBytes(
            dir + "/XMASTER",
            fx::xmasterFile({fx::xmasterEntry({256, "A,B", "COMMA", 5, d1, d1, 'D'}, 0x1F, 19970102, 19970102),
                             fx::xmasterEntry({300, "BARS", "MINUTES", 8, d2, d2, 'I'}, 0xFF, 20010315, 20010315)},
                            301));
        fx::writeBytes(dir + "/F256.MWD", fx::mwdFile(5, {{d1, 2, 1, 1.5f, 700}}));
        fx::writeBytes(dir + "/F300.MWD", fx::mwdFile(8, {{d2, 93000, 8.5f, 8.75f, 8.25f, 8.625f, 1713, 40},
                                                          {d2, 93100, 8.625f, 9, 8.5f, 9, 296, 41}}));
        fx::writeBytes(tmp.subdir("P/SUB") + "/MASTER",
                       fx::masterFile({fx::masterEntry({1, "NEST", "NESTED", 5, d1, d1, 'D'})}));
        fx::writeBytes(dir + "/SUB/F1.DAT", fx::quoteFile(5, {{d1, 4, 3, 3.5f, 1000}}));
        fx::writeText(dir + "/SUB/F1.DOP", fx::dopText({"DATE", "HIGH", "LOW", "CLOSE", "VOL"}));
    }

    TempDir tmp;
    std::string dir = tmp.subdir("P");
};

// The unreadable security is named and passed over; the rest is written, XMASTER after MASTER,
// the nested portfolio only with --nested; absent fields (and GC's open interest) are empty.
TEST_F(CliDump, EverySecurityOfTheFolderAsCsv)
{
    const std::string own = "IBM,1997-01-02,00:00:00,10,13.25,9.5,12.5,1500,20\n"
                            "IBM,2001-03-15,00:00:00,0.0625,1,0,0.1,1e+05,123456\n"
                            "GC,1997-01-02,00:00:00,350.5,351,349,350.25,77,\n"
                            "\"A,B\",1997-01-02,00:00:00,,2,1,1.5,700,\n"
                            "BARS,2001-03-15,09:30:00,8.5,8.75,8.25,8.625,1713,40\n"
                            "BARS,2001-03-15,09:31:00,8.625,9,8.5,9,296,41\n";
    const std::string nested = "NEST,1997-01-02,00:00:00,,4,3,3.5,1000,\n";
    const std::string gone = dir + ": GONE (F3.DAT) could not be read.\n";
    for (const bool withNested : {false, true}) {
        const CliRun run = runInProcess(withNested ? std::vector<std::string>{"dump", dir, "--nested"}
                                                   : std::vector<std::string>{"dump", dir});
        EXPECT_EQ(run.out, kHeader + own + (withNested ? nested : ""));
        EXPECT_TRUE(run.exitStatus == 1 && run.err.starts_with(gone) && lines(run.err).size() == 2u) << run.err;
    }
    // Each portfolio named is written in turn, and the stream holds one header.
    fx::writeBytes(dir + "/F3.DAT", fx::quoteFile(7, {}));
    EXPECT_EQ(runProgram({"dump", dir + "/SUB", dir}), ended(0, kHeader + nested + own));
}

// An XMASTER that cannot be used leaves securities out: told, and exit status 1. An EMASTER
// that disagrees with MASTER only lends no names, which the stream does not hold: told, exit 0.
TEST_F(CliDump, DamagedMasterFilesAreToldAndOnlyMissingSecuritiesFail)
{
    fx::writeBytes(dir + "/F3.DAT", fx::quoteFile(7, {}));
    fx::ByteVec xmaster = fx::readBytes(dir + "/XMASTER");
    fx::setByte(xmaster, 0, 0);
    fx::writeBytes(dir + "/XMASTER", xmaster);
    CliRun run = runInProcess({"dump", dir});
    EXPECT_TRUE(run.exitStatus == 1 && lines(run.out).size() == 4u) << run.out; // header, IBM twice, GC (GONE: none)
    EXPECT_TRUE(run.err.starts_with(dir + ": XMASTER")) << run.err;

    std::filesystem::remove(dir + "/XMASTER");
    fx::writeBytes(dir + "/EMASTER",
                   fx::emasterFile({fx::emasterEntry({1, "IBM", "IBM CORP", 7, 0, 0, 'D'}, "", 0x7F)}));
    run = runInProcess({"dump", dir});
    EXPECT_TRUE(run.exitStatus == 0 && lines(run.out).size() == 4u) << run.out;
    EXPECT_TRUE(run.err.starts_with(dir + ": ")) << run.err;
}

// Both real folders: MASTER with EMASTER and XMASTER, and intraday bars without a DOP (time second).
TEST(CliDumpRealFolders, EveryQuoteOfEverySecurity)
{
    EXPECT_EQ(runInProcess({"dump", fx::realFolder("msdir_equis_b"), fx::realFolder("msdir_stooq")}),
              ended(0, kHeader + ".DJX,1997-09-23,00:00:00,79.97,80.04,79.29,79.7,0,0\n"
                                 ".FCHI,1988-08-19,00:00:00,1308.62,1308.62,1308.62,1308.62,0,0\n"
                                 ".FCHI,1988-08-22,00:00:00,1308.13,1308.13,1308.13,1308.13,0,0\n"
                                 "AZM.L,1996-12-31,00:00:00,28.5818,28.5818,28.5818,28.5818,0,0\n"
                                 ".N225,1982-01-04,00:00:00,7718.84,7718.84,7718.84,7718.84,0,0\n"
                                 ".N225,1982-01-05,00:00:00,7719.34,7719.34,7719.34,7719.34,0,0\n"
                                 "2HR.DE,2013-11-15,09:05:00,8.585,8.65,8.585,8.65,1713,\n"
                                 "2HR.DE,2013-11-15,09:15:00,8.591,8.591,8.59,8.59,296,\n"));
}

} // namespace
} // namespace qv::cli::testing
