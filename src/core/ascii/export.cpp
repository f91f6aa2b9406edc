#include "core/ascii/export.h"

#include "core/app/program_settings.h"
#include "core/platform/files.h"
#include "core/store/encodings.h"
#include "core/store/quotes.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace qv {

namespace {

// Quotes read per call; the series is read in pieces, whatever the file's size.
constexpr int kChunk = 4096;

struct Column {
    bool ExportOptions::*chosen;
    FieldKind kind;
    std::string_view title;
    int decimals;
};
constexpr std::array<Column, 6> kColumns = {{
    {&ExportOptions::open, FieldKind::Open, "OPEN", 4},
    {&ExportOptions::high, FieldKind::High, "HIGH", 4},
    {&ExportOptions::low, FieldKind::Low, "LOW", 4},
    {&ExportOptions::close, FieldKind::Close, "CLOSE", 4},
    {&ExportOptions::volume, FieldKind::Volume, "VOL", 2},
    {&ExportOptions::openInterest, FieldKind::OpenInterest, "OI", 2},
}};

char delimiterOf(int choice) { return choice == kExportComma ? ',' : choice == kExportTab ? '\t' : ' '; }

void appendValue(std::string& line, float value, int decimals)
{
    if (value < 0) {
        line += "N/A";
        return;
    }
    char text[64];
    const int n = std::snprintf(text, sizeof text, "%.*f", decimals, static_cast<double>(value));
    // The largest MBF magnitude prints in about 45 characters.
    line.append(text, static_cast<std::size_t>(std::clamp(n, 0, static_cast<int>(sizeof text) - 1)));
}

} // namespace

std::string checkExportDialog(const ExportOptions& options)
{
    return options.path.empty() ? std::string(kExportNoNameMessage) : std::string();
}

std::string exportReplaceQuestion(std::string_view path)
{
    return std::string(path) + "\nThis file already exists\n\nReplace existing file?";
}

std::string exportText(const std::string& dir, const std::string& symbol, const ExportOptions& options,
                       int* quotesWritten)
{
    const char delimiter = delimiterOf(options.delimiter);
    std::string text;
    if (options.title) {
        text += "DATE";
        for (const Column& c : kColumns) {
            if (options.*c.chosen) {
                text += delimiter;
                text += c.title;
            }
        }
        text += "\r\n";
    }

    // Every quote that can be read, oldest first; a read that fails ends the series there.
    std::vector<DayNumber> dates;
    std::array<std::vector<float>, kColumns.size()> values;
    QuoteSeries chunk;
    if (!symbol.empty() && initQuoteSeries(chunk, kChunk) == kStatusOk) {
        for (int start = 0;; start += chunk.count) {
            if (readQuoteSeries(chunk, dir, symbol, start, kChunk) != kStatusOk || chunk.count == 0)
                break;
            dates.insert(dates.end(), chunk.date.begin(), chunk.date.begin() + chunk.count);
            for (std::size_t c = 0; c < kColumns.size(); ++c) {
                const std::vector<float>& from = chunk.column(kColumns[c].kind);
                values[c].insert(values[c].end(), from.begin(), from.begin() + chunk.count);
            }
            if (start + chunk.count >= chunk.quotesInFile)
                break;
        }
    }
    freeQuoteSeries(chunk);

    const std::size_t count = dates.size();
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t i = options.newestFirst ? count - 1 - k : k;
        text += formatDateForDisplay(dates[i]);
        for (std::size_t c = 0; c < kColumns.size(); ++c) {
            if (options.*kColumns[c].chosen) {
                text += delimiter;
                appendValue(text, values[c][i], kColumns[c].decimals);
            }
        }
        text += "\r\n";
    }
    if (quotesWritten != nullptr)
        *quotesWritten = static_cast<int>(count);
    return text;
}

ExportResult exportQuotes(const std::string& dir, const std::string& symbol, const ExportOptions& options)
{
    ExportResult result;
    const std::string text = exportText(dir, symbol, options, &result.quotesWritten);
    const IoStatus s = replaceFile(options.path, baseName(options.path) + ".~EX", Bytes(text.begin(), text.end()));
    if (!s) {
        result.outcome = Outcome::cannotWrite(options.path, s, std::string(kExportFileErrorMessage));
        result.quotesWritten = 0;
    }
    return result;
}

ExportOptions readExportSettings(const SettingsFile& file)
{
    using namespace keys;
    ExportOptions o;
    o.path = getSetting(file, kExportStarter, kExportStarterDefault);
    o.open = getSetting(file, kExportUseOpen) != 0;
    o.high = getSetting(file, kExportUseHigh) != 0;
    o.low = getSetting(file, kExportUseLow) != 0;
    o.close = getSetting(file, kExportUseClose) != 0;
    o.volume = getSetting(file, kExportUseVol) != 0;
    o.openInterest = getSetting(file, kExportUseOI) != 0;
    o.newestFirst = getSetting(file, kExportNewest) != 0;
    const int delimiter = getSetting(file, kExportDelim);
    o.delimiter = delimiter >= kExportSpace && delimiter <= kExportTab ? delimiter : kExportSpace;
    o.title = getSetting(file, kExportTitle) != 0;
    return o;
}

IoStatus writeExportSettings(SettingsFile& file, const ExportOptions& o)
{
    using namespace keys;
    IoStatus s = putSetting(file, kExportStarter, o.path);
    const auto put = [&](const IntKey& key, int value) {
        if (s)
            s = putSetting(file, key, value);
    };
    put(kExportUseOpen, o.open ? 1 : 0);
    put(kExportUseHigh, o.high ? 1 : 0);
    put(kExportUseLow, o.low ? 1 : 0);
    put(kExportUseClose, o.close ? 1 : 0);
    put(kExportUseVol, o.volume ? 1 : 0);
    put(kExportUseOI, o.openInterest ? 1 : 0);
    put(kExportNewest, o.newestFirst ? 1 : 0);
    put(kExportDelim, o.delimiter);
    put(kExportTitle, o.title ? 1 : 0);
    return s;
}

} // namespace qv
