// The writers on a damaged or hostile MASTER (this suite also runs under ASan and UBSan; the
// fuzz targets feed the readers garbage MASTER, quote, DOP and skip-list files): whatever the
// bytes, a writer changes the file by the one record it adds or removes, or not at all.

#include "core/platform/clock.h"
#include "core/store/encodings.h"
#include "core/store/master.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <random>

namespace qv {
namespace {

using namespace qv::fixtures;

TEST(Robustness, WritersOnAGarbageMasterChangeItByOneRecordAtMost)
{
    TempDir tmp;
    std::mt19937 rng{19970315};
    setTodayOverride("03/15/97");
    std::vector<std::size_t> sizes{265u, 1000u, 2048u, 4096u, 8191u};
    for (std::size_t n = 0; n <= 200; ++n)
        sizes.push_back(n);
    for (std::size_t n : sizes) {
        SCOPED_TRACE(n);
        ByteVec bytes(n);
        for (auto& x : bytes)
            x = static_cast<std::uint8_t>(rng());
        if (n >= 53) {
            setU16(bytes, 0, static_cast<std::uint16_t>(rng() % 300));
            setU16(bytes, 2, static_cast<std::uint16_t>(rng() % 300));
        }
        if (n >= 106)
            setText(bytes, 53 + 36, "DEL "); // the first entry can be removed when it is declared
        const auto sizeAfter = [&](auto&& op) {
            writeBytes(tmp.file("MASTER"), bytes);
            const bool done = op();
            return std::pair{done, readBytes(tmp.file("MASTER")).size()};
        };
        const auto [added, addedSize] = sizeAfter([&] { return appendMasterEntry(tmp.path(), "NEW", "", 7).done(); });
        EXPECT_EQ(addedSize, added ? n + 53 : n);
        const auto [removed, removedSize] = sizeAfter([&] { return removeMasterEntry(tmp.path(), "DEL").done(); });
        EXPECT_EQ(removedSize, removed ? n - 53 : n);
        const int number = n > 53 ? bytes[53] : 1;
        EXPECT_EQ(sizeAfter([&] { return setMasterDate(tmp.path(), floatToMbf(970315.0f), number, 1).done(); }).second,
                  n);
    }
    setTodayOverride(std::nullopt);
}

} // namespace
} // namespace qv
