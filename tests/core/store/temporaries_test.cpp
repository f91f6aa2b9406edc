// What counts as a writer's leftover temporary, and that only those go.

#include "core/store/temporaries.h"

#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>

namespace qv {
namespace {

using namespace qv::fixtures;

TEST(Temporaries, OnlyTheWritersTemporaryNamesAreRemovedAndNothingButRegularFiles)
{
    // The update run's copy of a MASTER it could not replace, backups, real files and names only
    // like the temporaries stay.
    const std::pair<const char*, bool> names[] = {
        {"MASTER.~NU", true},  {"master.new", true},  {"MASTER.BAK.~CP", true}, {"f255.~do", true},
        {"F12.NEW", true},     {"F7.PFL.~NU", true},  {"F2853.~NU", true},      {"xmaster.~nu", true},
        {"F65536.~NU", false}, {"MASTER.~OL", false}, {"MASTER.BAK", false},    {"F1.DAT", false},
        {"F0.~NU", false},     {"F01.NEW", false},    {"NOTES.NEW", false},     {"F1.~NU.TXT", false}};
    TempDir t;
    for (const auto& [name, temporary] : names) {
        EXPECT_EQ(isPortfolioTemporary(name), temporary) << name;
        writeText(t.file(name), name);
    }
    ASSERT_EQ(::mkdir(t.file("F9.NEW").c_str(), 0755), 0);
    const std::vector<std::string> removed = removePortfolioTemporaries(t.path());
    std::vector<std::pair<std::string, ByteVec>> kept;
    for (const auto& [name, temporary] : names) {
        if (!temporary)
            kept.emplace_back(name, ByteVec(name, name + std::string(name).size()));
    }
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(snapshot(t.path()), kept);
    EXPECT_EQ(removed.size(), 8u);
    struct stat st {};
    EXPECT_EQ(::stat(t.file("F9.NEW").c_str(), &st), 0) << "a directory is no leftover";
}

} // namespace
} // namespace qv
