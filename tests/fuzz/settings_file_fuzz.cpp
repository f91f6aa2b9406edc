// The settings file: the input is the file, the part separator, then lines naming a section
// and a key ("Section=Key") to read. Afterwards one key is written and must read back, and
// every other key must read as before.

#include "core/app/program_settings.h"
#include "core/ascii/import.h"
#include "core/platform/settings_file.h"
#include "core/platform/text.h"
#include "core/update/update_run.h"
#include "fuzz_support.h"

#include <utility>

using namespace qv;
using namespace qv::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<Input> parts = splitParts(Input(data, size), 2);
    ScratchDir scratch;
    const std::string path = scratch / "QUOVANTA.INI";
    writeFile(path, parts[0]);
    SettingsFile file(path);

    std::vector<std::pair<std::string, std::string>> keys = {{"ZIP", "Enable"}, {"Convert", "PathIn"}};
    if (parts.size() > 1) {
        std::string_view list = asText(parts[1]);
        while (!list.empty() && keys.size() < 16) {
            const std::size_t end = std::min(list.find('\n'), list.size());
            const std::string_view line = list.substr(0, end);
            list.remove_prefix(std::min(end + 1, list.size()));
            const std::size_t eq = line.find('=');
            if (eq != std::string_view::npos)
                keys.emplace_back(line.substr(0, eq), line.substr(eq + 1));
        }
    }
    std::vector<std::string> before;
    for (const auto& [section, key] : keys) {
        before.push_back(file.getString(section, key, "\x01missing"));
        (void)file.getInt(section, key, -1);
    }
    (void)readUpdateSettings(file);
    (void)readImportSettings(file);
    (void)readViewSettings(file, scratch.path());

    // A plain key written reads back as written, and no other key changes.
    check(file.setString("FuzzSection", "FuzzKey", "value 42").isOk(), "setString");
    check(file.getString("fuzzsection", "FUZZKEY", "") == "value 42", "a written key does not read back");
    check(file.setInt("FuzzSection", "FuzzInt", -1234).isOk(), "setInt");
    check(file.getInt("FuzzSection", "FuzzInt", 0) == -1234, "a written number does not read back");
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const auto& [section, key] = keys[i];
        if (equalsIgnoringCase(section, "FuzzSection"))
            continue;
        check(file.getString(section, key, "\x01missing") == before[i], "writing one key changed another");
    }
    return 0;
}
