#include "core/store/quotes.h"

#include "core/platform/files.h"
#include "core/platform/text.h"
#include "core/store/record_columns.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <new>

namespace qv {
namespace {

constexpr std::string_view kKindNames[kFieldKindCount] = {"DATE", "TIME", "OPEN", "HIGH", "LOW", "CLOSE", "VOL", "OI"};
// Field-description lines are read in pieces of at most this many characters, so an overlong
// line counts as several lines, as it always has.
constexpr std::size_t kDopLineLimit = 299;
// More than any sensible field-description file; a bigger file is read only this far.
constexpr std::size_t kDopReadLimit = 64 * 1024;
// Quote records are read in chunks of about this many bytes, with their dates and times as
// floats: few calls, and a chunk that stays in the cache while it is turned into columns.
constexpr std::size_t kChunkBytes = 112 * 1024;

int index(FieldKind kind) { return static_cast<int>(kind); }

// Reads an integer the way a C reader of "%d" does: leading blanks, a sign, digits.
bool readInt(std::string_view& text, int& value)
{
    std::size_t i = 0;
    while (i < text.size() && isSpaceAscii(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    const std::size_t digits = i;
    long v = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) && v < 1000000)
        v = v * 10 + (text[i++] - '0');
    if (i == digits)
        return false;
    value = static_cast<int>(negative ? -v : v);
    text.remove_prefix(i);
    return true;
}

void parseCodes(std::string_view line, int& input, int& display)
{
    input = 0;
    display = 0;
    const auto close = line.find('"', 1);
    if (close == std::string_view::npos)
        return;
    std::string_view rest = line.substr(close + 1);
    if (rest.empty() || rest.front() != ',')
        return;
    rest.remove_prefix(1);
    if (!readInt(rest, input) || rest.empty() || rest.front() != ',')
        return;
    rest.remove_prefix(1);
    readInt(rest, display);
}

bool parseDop(const std::string& dir, const std::string& name, int fieldsInRecord, FieldLayout& layout)
{
    InputFile file;
    if (!file.openEntry(dir, name))
        return false;
    std::string text(static_cast<std::size_t>(std::min<std::uint64_t>(file.size(), kDopReadLimit)), '\0');
    text.resize(file.readSomeAt(0, text.data(), text.size()));
    int field = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        end = end == std::string::npos ? text.size() : end + 1;
        end = std::min(end, pos + kDopLineLimit);
        const std::string_view line(text.data() + pos, end - pos);
        pos = end;
        if (line.empty() || line.front() != '"')
            continue;
        for (int k = 0; k < kFieldKindCount; ++k) {
            if (!startsWithIgnoringCase(line.substr(1), kKindNames[k]))
                continue;
            ++field;
            // A field the record cannot hold is no field: reading it would run past the record.
            if (field <= fieldsInRecord && layout.fieldNumber[k] == 0) {
                layout.fieldNumber[k] = field;
                parseCodes(line, layout.inputCode[k], layout.displayCode[k]);
            }
            break;
        }
    }
    return layout.has(FieldKind::Date);
}

void setKinds(FieldLayout& layout, std::initializer_list<FieldKind> kinds)
{
    int field = 0;
    for (FieldKind kind : kinds)
        layout.fieldNumber[index(kind)] = ++field;
}

// The first quote of a 5-field file tells whether its fields are date, high, low, close,
// volume or date, open, high, low, close.
bool fiveFieldFileHasVolume(const std::string& datPath)
{
    InputFile file;
    std::uint8_t record[20];
    if (!file.open(datPath) || !file.readAt(20, record, sizeof record))
        return true; // no quote yet: the header reads as zeros, which means a volume layout
    const float second = mbfToFloat(record + 4);
    const float fifth = mbfToFloat(record + 16);
    return fifth == 0.0f || second * 2 < fifth;
}

StoreStatus defaultLayout(const std::string& dopPath, int recordLength, char period, FieldLayout& layout)
{
    using K = FieldKind;
    layout = FieldLayout{};
    layout.synthetic = true;
    // Intraday bars carry their time of day right after the date; read as a daily file, that
    // time would show as the open and every price one column off.
    if (period == kIntradayPeriod) {
        if (recordLength == 28) {
            setKinds(layout, {K::Date, K::Time, K::Open, K::High, K::Low, K::Close, K::Volume});
            return kStatusOk;
        }
        if (recordLength == 32) {
            setKinds(layout, {K::Date, K::Time, K::Open, K::High, K::Low, K::Close, K::Volume, K::OpenInterest});
            return kStatusOk;
        }
    }
    switch (recordLength) {
    case 8: setKinds(layout, {K::Date, K::Close}); break;
    case 12: setKinds(layout, {K::Date, K::Close, K::Volume}); break;
    case 16: setKinds(layout, {K::Date, K::High, K::Low, K::Close}); break;
    case 20: {
        std::string datName = baseName(dopPath);
        if (datName.size() >= 2)
            datName.replace(datName.size() - 2, 2, "AT");
        if (fiveFieldFileHasVolume(resolveFile(parentPath(dopPath), datName)))
            setKinds(layout, {K::Date, K::High, K::Low, K::Close, K::Volume});
        else
            setKinds(layout, {K::Date, K::Open, K::High, K::Low, K::Close});
        break;
    }
    case 24: setKinds(layout, {K::Date, K::Open, K::High, K::Low, K::Close, K::Volume}); break;
    case 28: setKinds(layout, {K::Date, K::Open, K::High, K::Low, K::Close, K::Volume, K::OpenInterest}); break;
    default: return kStatusNoLayout;
    }
    return kStatusOk;
}

// What the readers need of a security: its entry, record length and layout.
struct OpenedSecurity {
    StoreStatus status = kStatusOk;
    FoundSecurity found;
    int recordLength = 0;
    FieldLayout layout;
    InputFile dat;
    int quotes = 0;
};

OpenedSecurity openSecurity(const std::string& dir, const std::string& symbol)
{
    OpenedSecurity s;
    s.found = findSecurity(dir, symbol);
    if (s.found.status != kStatusOk) {
        s.status = s.found.status;
        return s;
    }
    const Security& security = s.found.security;
    s.recordLength = security.recordLength;
    const LayoutResult layout = readFieldLayout(s.found.directory, security);
    if (layout.status != kStatusOk || s.recordLength < 4) {
        s.status = kStatusNoLayout;
        return s;
    }
    s.layout = layout.layout;
    if (!s.dat.openEntry(s.found.directory, security.quoteFileName())) {
        s.status = kStatusFileOpen;
        return s;
    }
    std::uint8_t header[4];
    if (!s.dat.readAt(0, header, sizeof header)) {
        s.status = kStatusFileRead;
        return s;
    }
    s.quotes = quoteCountOf(getU16(header + 2), s.dat.size(), s.recordLength);
    return s;
}

float fieldValue(const std::uint8_t* record, int field)
{
    return field == 0 ? -1.0f : mbfToFloat(record + 4 * (field - 1));
}

} // namespace

std::string_view fieldKindName(FieldKind kind) { return kKindNames[index(kind)]; }

std::string quoteFileName(int fileNumber, std::string_view extension)
{
    return "F" + std::to_string(fileNumber) + "." + std::string(extension);
}

LayoutResult readFieldLayout(const std::string& dopPath, int recordLength, char period)
{
    LayoutResult result;
    if (recordLength >= 4 && parseDop(parentPath(dopPath), baseName(dopPath), recordLength / 4, result.layout))
        return result;
    result.status = defaultLayout(dopPath, recordLength, period, result.layout);
    return result;
}

LayoutResult readFieldLayout(const std::string& dir, const MasterEntry& entry)
{
    return readFieldLayout(joinPath(dir.empty() ? "." : dir, quoteFileName(entry.fileNumber(), "DOP")),
                           entry.recordLength(), entry.period());
}

LayoutResult readFieldLayout(const std::string& dir, const MasterEntry& entry, bool dopPresent)
{
    if (dopPresent)
        return readFieldLayout(dir, entry);
    LayoutResult result;
    result.status = defaultLayout(joinPath(dir.empty() ? "." : dir, quoteFileName(entry.fileNumber(), "DOP")),
                                  entry.recordLength(), entry.period(), result.layout);
    return result;
}

FieldLayout layoutFromFieldBits(int bits)
{
    using K = FieldKind;
    // Bit of each kind, in the order the fields lie in a record.
    static constexpr std::pair<K, int> kStored[] = {{K::Date, 0}, {K::Time, 7},  {K::Open, 5},   {K::High, 1},
                                                    {K::Low, 2},  {K::Close, 3}, {K::Volume, 4}, {K::OpenInterest, 6}};
    FieldLayout layout;
    layout.synthetic = true;
    int field = 0;
    for (const auto& [kind, bit] : kStored) {
        if ((bits >> bit & 1) != 0)
            layout.fieldNumber[index(kind)] = ++field;
    }
    return layout;
}

LayoutResult readFieldLayout(const std::string& dir, const Security& security)
{
    if (!security.fromXmaster())
        return readFieldLayout(dir, security.masterEntry);
    LayoutResult result;
    result.layout = layoutFromFieldBits(security.xmasterEntry.fieldBits());
    const FieldLayout& f = result.layout;
    const bool hasValue = f.has(FieldKind::Open) || f.has(FieldKind::High) || f.has(FieldKind::Low) ||
                          f.has(FieldKind::Close) || f.has(FieldKind::Volume) || f.has(FieldKind::OpenInterest);
    if (!f.has(FieldKind::Date) || !hasValue)
        result.status = kStatusNoLayout;
    return result;
}

int quoteCountOf(std::uint16_t headerRecords, std::uint64_t fileSize, int recordLength)
{
    if (recordLength <= 0)
        return 0;
    const std::uint64_t held = fileSize / static_cast<std::uint64_t>(recordLength);
    const std::uint64_t records = std::min<std::uint64_t>(headerRecords, held);
    return records == 0 ? 0 : static_cast<int>(records - 1);
}

const std::vector<float>& QuoteSeries::column(FieldKind kind) const
{
    switch (kind) {
    case FieldKind::Open: return open;
    case FieldKind::High: return high;
    case FieldKind::Low: return low;
    case FieldKind::Volume: return volume;
    case FieldKind::OpenInterest: return openInterest;
    default: return close;
    }
}

StoreStatus initQuoteSeries(QuoteSeries& series, int capacity)
{
    freeQuoteSeries(series);
    if (capacity < 0 || capacity > kMaxQuoteRecords)
        return kStatusMalloc;
    try {
        const auto n = static_cast<std::size_t>(capacity);
        series.date.assign(n, kNoDay);
        series.time.assign(n, 0);
        for (auto* column :
             {&series.open, &series.high, &series.low, &series.close, &series.volume, &series.openInterest})
            column->assign(n, 0.0f);
    } catch (const std::bad_alloc&) {
        freeQuoteSeries(series);
        return kStatusMalloc;
    }
    series.capacity = capacity;
    return kStatusOk;
}

void freeQuoteSeries(QuoteSeries& series) { series = QuoteSeries{}; }

StoreStatus setQuoteCount(QuoteSeries& series, int n)
{
    if (n < 0 || n > series.capacity)
        return kStatusMalloc;
    series.count = n;
    return kStatusOk;
}

StoreStatus readQuoteSeries(QuoteSeries& series, const std::string& dir, const std::string& symbol, int start,
                            int count)
{
    OpenedSecurity s = openSecurity(dir, symbol);
    if (s.status != kStatusOk && s.status != kStatusFileRead)
        return s.status;
    series.hasEntry = true;
    series.entry = s.found.entry;
    series.security = s.found.security;
    series.layout = s.layout;
    series.directory = s.found.directory;
    series.symbol = symbol;
    series.quotesInFile = s.quotes;
    if (s.status != kStatusOk)
        return s.status;

    if (count < 0) {
        count = std::min(s.quotes, kMaxWholeFileQuotes);
        if (start > 0)
            count = std::max(0, count - start);
    }
    if (count == 0)
        return kStatusOk;
    count = std::min(count, series.capacity);
    if (start < 0)
        start = std::max(0, s.quotes - count);
    if (start > s.quotes - 1)
        return kStatusRecordNotFound;

    const int n = std::min(count, s.quotes - start);
    const auto length = static_cast<std::size_t>(s.recordLength);
    const FieldLayout& layout = s.layout;
    const int dateField = layout.field(FieldKind::Date);
    const int timeField = layout.field(FieldKind::Time);

    // Read in chunks that stay in the cache, each turned into columns in one pass. Dates and
    // times are decoded from float buffers of the chunk.
    const std::size_t floatsPerRecord = 2 + (length + 3) / 4;
    const std::size_t perChunk =
        std::min(std::max<std::size_t>(kChunkBytes / (4 * floatsPerRecord), 1), static_cast<std::size_t>(n));
    // One buffer per thread, kept between reads: a fresh block of this size for every read can
    // come from the system and go back to it each time, which costs more than the conversion.
    thread_local std::vector<float> buffer;
    try {
        buffer.resize(std::max(buffer.size(), perChunk * floatsPerRecord));
    } catch (const std::bad_alloc&) {
        return kStatusMalloc;
    }
    float* rawDates = buffer.data();
    float* rawTimes = rawDates + perChunk;
    auto* chunk = reinterpret_cast<std::uint8_t*>(rawTimes + perChunk);
    std::array<float*, 64> columns; // a record length byte allows at most 63 fields
    std::size_t read = 0;
    while (read < static_cast<std::size_t>(n)) {
        const std::size_t want = std::min(perChunk, static_cast<std::size_t>(n) - read);
        const std::uint64_t offset = (static_cast<std::uint64_t>(start) + 1 + read) * length;
        const std::size_t got = s.dat.readSomeAt(offset, chunk, want * length) / length;
        // readFieldLayout gives every kind a field of its own, so no column is claimed twice.
        columns.fill(nullptr);
        auto claim = [&](int field, float* out) { // a value column: -1 where the file has none
            if (field != 0)
                columns[static_cast<std::size_t>(field - 1)] = out;
            else
                std::fill(out, out + got, -1.0f);
        };
        if (dateField != 0)
            columns[static_cast<std::size_t>(dateField - 1)] = rawDates;
        if (timeField != 0)
            columns[static_cast<std::size_t>(timeField - 1)] = rawTimes;
        claim(layout.field(FieldKind::Open), series.open.data() + read);
        claim(layout.field(FieldKind::High), series.high.data() + read);
        claim(layout.field(FieldKind::Low), series.low.data() + read);
        claim(layout.field(FieldKind::Close), series.close.data() + read);
        claim(layout.field(FieldKind::Volume), series.volume.data() + read);
        claim(layout.field(FieldKind::OpenInterest), series.openInterest.data() + read);
        splitRecordColumns(chunk, got, length, columns.data());
        if (dateField != 0)
            dayNumbersFromFileDates(rawDates, series.date.data() + read, got);
        else
            std::fill_n(series.date.begin() + static_cast<std::ptrdiff_t>(read), got, kNoDay);
        PackedTime* times = series.time.data() + read;
        if (timeField != 0)
            std::transform(rawTimes, rawTimes + got, times, packedTimeFromFileTime);
        else
            std::fill_n(times, got, PackedTime{0});
        read += got;
        if (got < want)
            break; // the file ends early: what was read is the series
    }
    return setQuoteCount(series, static_cast<int>(read));
}

QuoteLocation findQuoteByDate(const std::string& dir, const std::string& symbol, DayNumber date, PackedTime time)
{
    QuoteLocation result;
    OpenedSecurity s = openSecurity(dir, symbol);
    if (s.status != kStatusOk) {
        result.status = s.status;
        return result;
    }
    if (s.quotes == 0) {
        result.status = kStatusRecordNotFound;
        return result;
    }
    const int dateField = s.layout.field(FieldKind::Date);
    const int timeField = s.layout.field(FieldKind::Time);
    const float targetDate = fileDateValue(date);
    const float targetTime = timeField ? fileTimeValue(time) : 0.0f;
    const auto length = static_cast<std::size_t>(s.recordLength);
    std::vector<std::uint8_t> record(length);

    float seenDate = 0;
    float seenTime = 0;
    auto probe = [&](int i) {
        if (!s.dat.readAt(static_cast<std::uint64_t>(i + 1) * length, record.data(), length))
            return false;
        seenDate = fieldValue(record.data(), dateField);
        seenTime = timeField ? fieldValue(record.data(), timeField) : 0.0f;
        return true;
    };

    // A lower-bound search: the halving once described for this file stopped one quote short
    // when the target fell between the first two quotes, so the answer is derived plainly here.
    auto before = [&]() { return seenDate < targetDate || (seenDate == targetDate && seenTime < targetTime); };
    int lo = 0;
    int hi = s.quotes; // the answer lies in lo..hi; hi = quotes means "every quote is earlier"
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (!probe(mid)) {
            result.status = kStatusFileRead;
            return result;
        }
        if (before())
            lo = mid + 1;
        else
            hi = mid;
    }
    // The quote reported as examined is the one found, or the last one when none is late enough.
    if (!probe(lo < s.quotes ? lo : s.quotes - 1)) {
        result.status = kStatusFileRead;
        return result;
    }
    result.date = dayNumberFromFileDate(seenDate);
    result.time = packedTimeFromFileTime(seenTime);
    if (lo == s.quotes)
        result.status = kStatusRecordNotFound;
    else
        result.index = lo;
    return result;
}

namespace {

StoreStatus fillSecurityFacts(const std::string& dir, const std::string& symbol, SecurityFacts& facts)
{
    facts = SecurityFacts{};
    OpenedSecurity s = openSecurity(dir, symbol);
    if (s.status != kStatusOk)
        return s.status;
    const Security& security = s.found.security;
    facts.path = dir;
    facts.fileNumber = security.fileNumber;
    facts.recordLength = security.recordLength;
    facts.fieldCount = security.fieldCount;
    facts.quoteCount = s.quotes;
    facts.firstDate = security.firstDate;
    facts.lastDate = security.lastDate;
    facts.period = security.period;
    facts.layout = s.layout;
    facts.fromXmaster = security.fromXmaster();
    if (facts.fromXmaster) {
        facts.name = security.name;
        facts.symbol = security.symbol;
    } else {
        facts.name = security.masterEntry.rawName();
        facts.symbol = security.masterEntry.rawSymbol();
        if (security.hasEmasterEntry)
            facts.longName = security.emasterEntry.longName();
    }
    return kStatusOk;
}

} // namespace

int readSecurityFacts(const std::string& dir, const std::string& symbol, SecurityFacts& facts)
{
    return fillSecurityFacts(dir, symbol, facts) == kStatusOk ? 0 : 1;
}

Outcome loadSecurityFacts(const std::string& dir, const std::string& symbol, SecurityFacts& facts)
{
    const StoreStatus status = fillSecurityFacts(dir, symbol, facts);
    if (status == kStatusOk)
        return Outcome::ok();
    return Outcome::failure(status, dir, "The facts of " + symbol + " could not be read.", statusMessage(status));
}

std::string entryWriteProblem(const std::string& dir, const MasterFile& master, std::size_t index)
{
    return entryWriteProblem(dir, master, index, readFieldLayout(dir, master.entries[index]));
}

std::string entryWriteProblem(const std::string& /*dir: where the layout was read*/, const MasterFile& master,
                              std::size_t index, const LayoutResult& layout)
{
    const MasterEntry& e = master.entries[index];
    const int n = e.fileNumber();
    const std::string who = "The MASTER entry of " + e.symbol() + " (file number " + std::to_string(n) + ")";
    for (std::size_t i = 0; i < index; ++i) {
        if (master.entries[i].fileNumber() == n)
            return who + " repeats the file number of an earlier entry, " +
                   (master.entries[i].isDirectoryEntry() ? "a nested portfolio" : master.entries[i].symbol()) +
                   ", whose files those are.";
    }
    const int fields = e.fieldCount();
    const int length = e.recordLength();
    if (n == 0)
        return who + " names no quote file (file number 0).";
    if (fields < 2 || fields > kFieldKindCount)
        return who + " gives " + std::to_string(fields) + " fields, a number no field layout has.";
    if (length != 4 * fields)
        return who + " gives a record length of " + std::to_string(length) + " bytes for " + std::to_string(fields) +
               " fields of 4 bytes.";
    if (layout.status != kStatusOk)
        return who + " has no field layout: " + quoteFileName(n, "DOP") + " is missing or names no DATE field.";
    const FieldLayout& f = layout.layout;
    const bool hasValue = f.has(FieldKind::Open) || f.has(FieldKind::High) || f.has(FieldKind::Low) ||
                          f.has(FieldKind::Close) || f.has(FieldKind::Volume) || f.has(FieldKind::OpenInterest);
    if (!hasValue)
        return who + ": " + quoteFileName(n, "DOP") + " names no field but the date.";
    return {};
}

std::string entryWriteProblem(const FoundSecurity& found)
{
    if (found.security.fromXmaster())
        return "The XMASTER entry of " + found.security.symbol + " (file number " +
               std::to_string(found.security.fileNumber) + ") is not written through MASTER's writers.";
    MasterFile master;
    if (IoStatus s = readMasterFile(found.directory, master); !s)
        return "The MASTER file in " + found.directory + " could not be read again.\n" + s.message();
    for (std::size_t i = 0; i < master.entries.size(); ++i) {
        if (master.entries[i].bytes == found.entry.bytes)
            return entryWriteProblem(found.directory, master, i);
    }
    return "The MASTER entry of " + found.entry.symbol() + " changed while it was being read.";
}

std::vector<FieldKind> defaultFieldKinds()
{
    using K = FieldKind;
    return {K::Date, K::Open, K::High, K::Low, K::Close, K::Volume, K::OpenInterest};
}

IoStatus createQuoteFiles(const std::string& dir, int fileNumber, const std::vector<FieldKind>& kinds,
                          const Bytes& records)
{
    if (kinds.empty() || kinds.front() != FieldKind::Date)
        return IoStatus::failure("a quote file needs a date field first");
    const std::size_t length = 4 * kinds.size();
    const std::size_t quotes = records.size() / length;
    if (records.size() % length != 0 || quotes + 1 > static_cast<std::size_t>(kMaxQuoteRecords))
        return IoStatus::failure("the quotes do not fit a quote file of " + std::to_string(kinds.size()) + " fields");
    Bytes dat;
    dat.reserve(length + records.size());
    for (std::size_t i = 0; i < kinds.size(); ++i)
        dat.insert(dat.end(), {0x00, 0x00, 0x01, 0x00});
    putU16(dat.data() + 2, static_cast<unsigned>(quotes + 1));
    dat.insert(dat.end(), records.begin(), records.end());
    std::string dop;
    for (FieldKind kind : kinds) {
        dop += '"';
        dop += fieldKindName(kind);
        dop += kind == FieldKind::Date ? "\",0,0\n" : "\",4,4\n";
    }
    const std::string datPath = joinPath(dir, quoteFileName(fileNumber, "DAT"));
    const std::string dopPath = joinPath(dir, quoteFileName(fileNumber, "DOP"));
    if (IoStatus s = createNewFile(datPath, quoteFileName(fileNumber, "~NU"), dat); !s)
        return s;
    if (IoStatus s = createNewFile(dopPath, quoteFileName(fileNumber, "~DO"), Bytes(dop.begin(), dop.end())); !s) {
        // A quote file without its layout is litter; one that cannot be removed is named.
        if (IoStatus removed = removeFile(datPath); !removed)
            return IoStatus::failure(s.message() + "\n" + removed.message());
        return s;
    }
    return IoStatus::ok();
}

} // namespace qv
