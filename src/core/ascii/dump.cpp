#include "core/ascii/dump.h"

#include "core/platform/files.h"
#include "core/platform/text.h"
#include "core/store/encodings.h"
#include "core/store/record_columns.h"

#include "core/store/master.h"
#include "core/store/securities.h"
#include "core/store/windows1252.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <charconv>
#include <cstring>
#include <set>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <utility>

namespace qv {

namespace {

// Records turned into columns and text at a time: the columns stay in the cache, and the text
// goes out in blocks of about a megabyte.
constexpr std::size_t kChunkRecords = 4096;
// The shortest text of a single is at most 15 characters ("-1.17549435e-38"); room for one more.
constexpr std::size_t kMaxValueText = 16;
// The longest line apart from its symbol: date, time, six values, the commas, the line break.
constexpr std::size_t kMaxLineWithoutSymbol = 10 + 8 + 6 * kMaxValueText + 8 + 1;

constexpr std::array<FieldKind, 6> kValueKinds = {FieldKind::Open,  FieldKind::High,   FieldKind::Low,
                                                  FieldKind::Close, FieldKind::Volume, FieldKind::OpenInterest};

char* putTwoDigits(char* p, int value)
{
    p[0] = static_cast<char>('0' + value / 10 % 10);
    p[1] = static_cast<char>('0' + value % 10);
    return p + 2;
}

// YYYY-MM-DD at p; p itself when the value is no date.
char* putDateUncached(char* p, float fileDate)
{
    const Ymd ymd = ymdFromDayNumber(dayNumberFromFileDate(fileDate));
    if (ymd.month < 1 || ymd.month > 12)
        return p;
    const int year = 1900 + ymd.year;
    if (year < 0 || year > 9999)
        return p;
    p = putTwoDigits(p, year / 100);
    p = putTwoDigits(p, year % 100);
    *p++ = '-';
    p = putTwoDigits(p, ymd.month);
    *p++ = '-';
    return putTwoDigits(p, ymd.day);
}

// The last dates written, by their stored bits: securities of one folder share their days, so
// most dates are written from here instead of being worked out again.
class DateTexts {
public:
    char* put(char* p, float fileDate)
    {
        const auto bits = std::bit_cast<std::uint32_t>(fileDate);
        Slot& slot = slots_[(bits ^ bits >> 13) % slots_.size()];
        if (!slot.used || slot.bits != bits) {
            slot.length = static_cast<std::uint8_t>(putDateUncached(slot.text.data(), fileDate) - slot.text.data());
            slot.bits = bits;
            slot.used = true;
        }
        // A fixed-size copy, inlined; only `length` characters of it count.
        std::memcpy(p, slot.text.data(), slot.text.size());
        return p + slot.length;
    }

private:
    struct Slot {
        std::uint32_t bits = 0;
        bool used = false;
        std::uint8_t length = 0;
        std::array<char, 10> text{};
    };
    std::array<Slot, 4096> slots_{};
};

// HH:MM:SS at p; p itself when the value is no time of day.
char* putTime(char* p, float fileTime)
{
    if (!(fileTime >= 0.0f && fileTime < 240000.0f))
        return p;
    const auto v = static_cast<int>(fileTime);
    const int hours = v / 10000;
    const int minutes = v / 100 % 100;
    const int seconds = v % 100;
    if (minutes > 59 || seconds > 59)
        return p;
    p = putTwoDigits(p, hours);
    *p++ = ':';
    p = putTwoDigits(p, minutes);
    *p++ = ':';
    return putTwoDigits(p, seconds);
}

// Directories already written in this walk, by device and inode: a nested portfolio named
// twice, or a loop of directory entries, is written once.
using Visited = std::set<std::pair<dev_t, ino_t>>;

bool firstVisit(const std::string& dir, Visited& visited)
{
    struct stat st {};
    if (::stat(dir.empty() ? "." : dir.c_str(), &st) != 0)
        return true; // reading the portfolio will say what is wrong
    return visited.insert({st.st_dev, st.st_ino}).second;
}

// One security's part of the stream, made on a worker thread and written in folder order.
struct Piece {
    const Security* security = nullptr;
    std::string symbol; // as shown, UTF-8
    DumpBuffers buffers;
    std::string failure; // why it could not be read; empty when buffers.text holds its lines
};

void makePiece(const std::string& dir, Piece& piece)
{
    const Security& security = *piece.security;
    piece.buffers.text.clear();
    piece.failure.clear();
    piece.symbol = windows1252ToUtf8(security.symbol);
    const LayoutResult layout = readFieldLayout(dir, security);
    if (layout.status != kStatusOk) {
        piece.failure = security.fromXmaster()
                            ? std::string("Its field bitset in XMASTER names no date or no value field.")
                            : "It has no DOP file naming its fields, and its record length of " +
                                  std::to_string(security.recordLength) + " has no usual layout.";
        return;
    }
    DumpSource source{dir, security.quoteFileName(), piece.symbol, security.recordLength, layout.layout};
    if (IoStatus s = dumpQuoteFile(source, piece.buffers); !s) {
        piece.buffers.text.clear();
        piece.failure = s.message();
    }
}

// Turning floats into text is most of the work: securities are made on every core, a batch
// at a time, and written in their order, so the stream is the same whatever the core count.
class PieceMaker {
public:
    PieceMaker() : threads_(std::clamp<unsigned>(std::thread::hardware_concurrency(), 1, 8)) {}

    // Fills pieces[0..n) for `dir`.
    void make(const std::string& dir, std::vector<Piece>& pieces, std::size_t n) const
    {
        std::atomic<std::size_t> next{0};
        auto work = [&] {
            for (std::size_t i = next++; i < n; i = next++)
                makePiece(dir, pieces[i]);
        };
        std::vector<std::thread> helpers;
        for (unsigned t = 1; t < threads_ && t < n; ++t) {
            try {
                helpers.emplace_back(work);
            } catch (const std::system_error&) {
                break; // fewer helpers: the rest is made on this thread
            }
        }
        work();
        for (std::thread& helper : helpers)
            helper.join();
    }

private:
    unsigned threads_;
};

struct Walk {
    std::ostream& out;
    const std::function<void(const std::string&)>& report;
    bool nested;
    Visited visited;
    PieceMaker maker;
    std::vector<Piece> pieces;
    DumpOutcome outcome;

    void problem(const std::string& message)
    {
        ++outcome.problems;
        if (report)
            report(message);
    }

    void portfolio(const std::string& dir, int depth);
};

// Securities made at a time: enough to keep every core busy, few enough that the text waiting
// to be written stays at some megabytes.
constexpr std::size_t kBatch = 64;

void Walk::portfolio(const std::string& dir, int depth)
{
    SecurityList list;
    if (IoStatus s = readSecurities(dir, list); !s) {
        problem("The portfolio " + dir + " could not be read.\n" + s.message());
        return;
    }
    // EMASTER only lends names, which the stream does not hold: its problems are told, not
    // failures. An XMASTER problem can leave securities out of the list: a failure.
    std::size_t xmasterListed = 0;
    for (const Security& security : list.securities)
        xmasterListed += security.fromXmaster() ? 1 : 0;
    const bool xmasterShort =
        list.hasXmaster && (!list.xmasterUsed || xmasterListed < list.xmaster.entries.size() ||
                            list.xmaster.entries.size() < static_cast<std::size_t>(list.xmaster.declaredCount()));
    for (const std::string& text : list.problems) {
        if (xmasterShort)
            problem(dir + ": " + text);
        else if (report)
            report(dir + ": " + text);
    }
    if (xmasterShort && list.problems.empty())
        problem(dir + ": XMASTER lists fewer securities than it counts.");

    std::vector<const Security*> securities;
    for (const Security& security : list.securities) {
        if (!security.isDirectoryEntry)
            securities.push_back(&security);
    }
    pieces.resize(kBatch);
    for (std::size_t first = 0; first < securities.size(); first += kBatch) {
        const std::size_t n = std::min(kBatch, securities.size() - first);
        for (std::size_t i = 0; i < n; ++i)
            pieces[i].security = securities[first + i];
        maker.make(dir, pieces, n);
        for (std::size_t i = 0; i < n; ++i) {
            const Piece& piece = pieces[i];
            if (!piece.failure.empty()) {
                problem(dir + ": " + piece.symbol + " (" + piece.security->quoteFileName() + ") could not be read.\n" +
                        piece.failure);
                continue;
            }
            out.write(piece.buffers.text.data(), static_cast<std::streamsize>(piece.buffers.text.size()));
            ++outcome.securities;
        }
    }
    if (!nested || depth >= kMaxNestingDepth)
        return;
    for (const MasterEntry& entry : list.master.entries) {
        if (!entry.isDirectoryEntry() || !isNestedPortfolioName(entry.directoryName()))
            continue;
        const std::string sub = resolveFile(dir.empty() ? "." : dir, entry.directoryName());
        if (firstVisit(sub, visited))
            portfolio(sub, depth + 1);
    }
}

} // namespace

std::string csvField(std::string_view text)
{
    if (text.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(text);
    std::string field = "\"";
    for (char c : text) {
        if (c == '"')
            field += '"';
        field += c;
    }
    field += '"';
    return field;
}

std::string dumpDateText(float fileDate)
{
    char text[16];
    return std::string(text, putDateUncached(text, fileDate));
}

std::string dumpTimeText(float fileTime)
{
    char text[16];
    return std::string(text, putTime(text, fileTime));
}

void appendDumpLines(std::string& out, std::string_view symbolField, const FieldLayout& layout,
                     const std::uint8_t* records, std::size_t count, std::size_t recordLength)
{
    const std::size_t fields = recordLength / 4;
    if (fields == 0 || count == 0)
        return;
    // Every field of the record gets a column; the layout then says which column is which.
    thread_local std::vector<float> storage;
    storage.resize(std::max(storage.size(), fields * std::min(count, kChunkRecords)));
    std::array<float*, 64> columns{};
    thread_local DateTexts dates;
    const std::size_t usable = std::min(fields, columns.size());
    auto columnOf = [&](FieldKind kind) -> const float* {
        const int field = layout.field(kind);
        return field >= 1 && static_cast<std::size_t>(field) <= usable ? columns[static_cast<std::size_t>(field - 1)]
                                                                       : nullptr;
    };

    for (std::size_t done = 0; done < count;) {
        const std::size_t n = std::min(kChunkRecords, count - done);
        for (std::size_t f = 0; f < usable; ++f)
            columns[f] = storage.data() + f * n;
        splitRecordColumns(records + done * recordLength, n, recordLength, columns.data());
        const float* date = columnOf(FieldKind::Date);
        const float* time = columnOf(FieldKind::Time);
        std::array<const float*, kValueKinds.size()> values{};
        for (std::size_t k = 0; k < kValueKinds.size(); ++k)
            values[k] = columnOf(kValueKinds[k]);

        const std::size_t start = out.size();
        out.resize(start + n * (symbolField.size() + kMaxLineWithoutSymbol));
        char* p = out.data() + start;
        for (std::size_t i = 0; i < n; ++i) {
            for (char c : symbolField) // a few characters: a loop costs less than a call
                *p++ = c;
            *p++ = ',';
            if (date != nullptr)
                p = dates.put(p, date[i]);
            *p++ = ',';
            if (time != nullptr) {
                p = putTime(p, time[i]);
            } else {
                p = std::copy_n("00:00:00", 8, p);
            }
            for (const float* column : values) {
                *p++ = ',';
                if (column != nullptr)
                    p = std::to_chars(p, p + kMaxValueText, column[i]).ptr;
            }
            *p++ = '\n';
        }
        out.resize(static_cast<std::size_t>(p - out.data()));
        done += n;
    }
}

IoStatus dumpQuoteFile(const DumpSource& source, DumpBuffers& buffers)
{
    const std::string path = joinPath(source.directory, source.quoteFileName);
    const int length = source.recordLength;
    // Every field the layout names must lie inside the record.
    int lastField = 0;
    for (int field : source.layout.fieldNumber)
        lastField = std::max(lastField, field);
    if (length < 4 || lastField * 4 > length || !source.layout.has(FieldKind::Date))
        return IoStatus::failure(path + ": no field layout fits its record length of " + std::to_string(length));

    InputFile file;
    if (IoStatus s = file.openEntry(source.directory, source.quoteFileName); !s)
        return s;
    std::uint8_t header[4];
    if (!file.readAt(0, header, sizeof header))
        return IoStatus::failure(path + ": shorter than its header record");
    const int quotes = quoteCountOf(getU16(header + 2), file.size(), length);
    const auto recordLength = static_cast<std::size_t>(length);
    const std::size_t bytes = static_cast<std::size_t>(quotes) * recordLength;
    buffers.records.resize(bytes);
    if (bytes > 0 && !file.readAt(recordLength, buffers.records.data(), bytes))
        return IoStatus::failure(path + ": could not be read to its end");

    appendDumpLines(buffers.text, csvField(source.symbol), source.layout, buffers.records.data(),
                    static_cast<std::size_t>(quotes), recordLength);
    return IoStatus::ok();
}

DumpOutcome dumpPortfolios(const std::vector<std::string>& dirs, bool nested, std::ostream& out,
                           const std::function<void(const std::string&)>& report)
{
    out << kDumpHeaderLine;
    DumpOutcome outcome;
    for (const std::string& dir : dirs) {
        Walk walk{out, report, nested, {}, {}, {}, {}};
        firstVisit(dir, walk.visited);
        walk.portfolio(dir, 0);
        outcome.securities += walk.outcome.securities;
        outcome.problems += walk.outcome.problems;
    }
    return outcome;
}

} // namespace qv
