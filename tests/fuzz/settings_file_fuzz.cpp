// The settings file: the input is the file, the part separator, then "Section=Key" lines to
// read. One key written afterwards must read back, and every other key as before.

#include "core/app/program_settings.h"
#include "core/ascii/import.h"
#include "core/platform/settings_file.h"
#include "core/platform/text.h"
#include "core/update/update_run.h"
#include "fuzz_support.h"

using namespace qv;
using namespace qv::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<Input> parts = splitParts(data, size, 2);
    ScratchDir scratch;
    writeFile(scratch / "QUOVANTA.INI", parts[0]);
    SettingsFile file(scratch / "QUOVANTA.INI");

    std::vector<std::pair<std::string, std::string>> keys = {{"ZIP", "Enable"}, {"Convert", "PathIn"}};
    for (std::string_view list = parts.size() > 1 ? asText(parts[1]) : ""; !list.empty() && keys.size() < 16;) {
        const std::string_view line = list.substr(0, list.find('\n'));
        list.remove_prefix(std::min(line.size() + 1, list.size()));
        if (const std::size_t eq = line.find('='); eq != std::string_view::npos)
            keys.emplace_back(line.substr(0, eq), line.substr(eq + 1));
    }
    std::vector<std::string> before;
    for (const auto& [section, key] : keys)
        before.push_back(file.getString(section, key, "\x01missing") + std::to_string(file.getInt(section, key, -1)));
    (void)readUpdateSettings(file);
    (void)readImportSettings(file);
    (void)readViewSettings(file, scratch.path());

    check(file.setString("FuzzSection", "FuzzKey", "value 42").isOk() &&
              file.getString("fuzzsection", "FUZZKEY", "") == "value 42",
          "a written key does not read back");
    check(file.setInt("FuzzSection", "FuzzInt", -1234).isOk() && file.getInt("FuzzSection", "FuzzInt", 0) == -1234,
          "a written number does not read back");
    for (std::size_t i = 0; i < keys.size(); ++i)
        check(equalsIgnoringCase(keys[i].first, "FuzzSection") ||
                  file.getString(keys[i].first, keys[i].second, "\x01missing") +
                          std::to_string(file.getInt(keys[i].first, keys[i].second, -1)) ==
                      before[i],
              "writing one key changed another");
    return 0;
}
