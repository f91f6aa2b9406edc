#include "core/store/master_mirrors.h"

#include "core/platform/files.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace qv {
namespace {

// EMASTER: a 192-byte header (u8 count at 0, u8 highest file number at 2), then one 192-byte
// record per MASTER entry. The record fields a MASTER change touches; every other byte is
// carried over.
constexpr std::size_t kRecord = 192;
constexpr std::size_t kCountAt = 0;
constexpr std::size_t kHighestAt = 2;
constexpr std::size_t kMarkerAt = 0; // 2 bytes
constexpr std::size_t kFileNumberAt = 2;
constexpr std::size_t kFieldCountAt = 6;
constexpr std::size_t kFieldBitsAt = 7;
constexpr std::size_t kChartFlagAt = 9;
constexpr std::size_t kSymbolAt = 11;
constexpr std::size_t kSymbolWidth = 14;
constexpr std::size_t kShortNameAt = 32;
constexpr std::size_t kShortNameWidth = 16;
constexpr std::size_t kPeriodAt = 60;
constexpr std::size_t kFirstDateAt = 64; // IEEE single, file date form
constexpr std::size_t kLastDateAt = 72;
constexpr std::size_t kFirstDateNumberAt = 126; // u32 YYYYMMDD
constexpr std::size_t kLongNameAt = 139;
constexpr std::size_t kLongNameWidth = 52;

using Record = std::vector<std::uint8_t>;

std::string trimmed(std::string text)
{
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
        text.pop_back();
    return text;
}

// A NUL-terminated text field: the text, then zeros (leftovers after an old NUL go too).
void putText(Record& r, std::size_t at, std::size_t width, std::string_view text)
{
    for (std::size_t i = 0; i < width; ++i)
        r[at + i] = i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0;
}

bool textIsSet(const Record& r, std::size_t at) { return r[at] != 0; }

void putU32(Record& r, std::size_t at, std::uint32_t v)
{
    for (std::size_t i = 0; i < 4; ++i)
        r[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// The dates of a MASTER entry in EMASTER's forms: the file date value as an IEEE single, and
// the first date again as YYYYMMDD.
void putDate(Record& r, std::size_t at, float fileDate) { putU32(r, at, std::bit_cast<std::uint32_t>(fileDate)); }

std::uint32_t yyyymmdd(float fileDate)
{
    return fileDate > 0 ? static_cast<std::uint32_t>(std::lround(fileDate)) + 19000000u : 19000101u;
}

void putDates(Record& r, const MasterEntry& e, bool first, bool last)
{
    if (first) {
        putDate(r, kFirstDateAt, e.firstDate());
        putU32(r, kFirstDateNumberAt, yyyymmdd(e.firstDate()));
    }
    if (last)
        putDate(r, kLastDateAt, e.lastDate());
}

bool differs(const MasterEntry& a, const MasterEntry& b, const MasterField& f)
{
    return !std::equal(a.bytes.begin() + static_cast<std::ptrdiff_t>(f.offset),
                       a.bytes.begin() + static_cast<std::ptrdiff_t>(f.offset + f.width),
                       b.bytes.begin() + static_cast<std::ptrdiff_t>(f.offset));
}

// Why the symbol or name of `e` does not fit EMASTER; empty when it does.
std::string doesNotFit(const MasterEntry& e)
{
    if (trimmed(e.symbol()).size() > kEmasterSymbolMaxLength)
        return std::string(kEmasterLongSymbolMessage);
    if (e.name().size() > kEmasterNameMaxLength)
        return std::string(kEmasterLongNameMessage);
    return {};
}

// Record `r` brought to what `now` says where `was` said otherwise.
std::string update(Record& r, const MasterEntry& was, const MasterEntry& now)
{
    if (differs(was, now, kEntrySymbol) || differs(was, now, kEntryName)) {
        if (std::string why = doesNotFit(now); !why.empty())
            return why;
    }
    if (differs(was, now, kEntrySymbol))
        putText(r, kSymbolAt, kSymbolWidth, now.symbol());
    if (differs(was, now, kEntryName)) {
        putText(r, kShortNameAt, kShortNameWidth, now.name());
        // A long name begins with the short one; one the user renamed away from goes with it.
        if (textIsSet(r, kLongNameAt))
            putText(r, kLongNameAt, kLongNameWidth, now.name());
    }
    putDates(r, now, differs(was, now, kEntryFirstDate), differs(was, now, kEntryLastDate));
    return {};
}

Record newRecord(const MasterEntry& e, int fieldBits, const std::uint8_t* marker)
{
    Record r(kRecord, 0);
    r[kMarkerAt] = marker[0];
    r[kMarkerAt + 1] = marker[1];
    r[kFileNumberAt] = static_cast<std::uint8_t>(e.fileNumber());
    r[kFieldCountAt] = static_cast<std::uint8_t>(e.fieldCount());
    r[kFieldBitsAt] = static_cast<std::uint8_t>(fieldBits != 0 ? fieldBits : defaultFieldBits(e.fieldCount()));
    r[kChartFlagAt] = ' ';
    putText(r, kSymbolAt, kSymbolWidth, e.symbol());
    putText(r, kShortNameAt, kShortNameWidth, e.name());
    r[kPeriodAt] = static_cast<std::uint8_t>(e.period());
    putDates(r, e, true, true);
    return r;
}

std::vector<int> fileNumbers(const std::vector<MasterEntry>& entries)
{
    std::vector<int> numbers;
    numbers.reserve(entries.size());
    for (const MasterEntry& e : entries)
        numbers.push_back(e.fileNumber());
    return numbers;
}

std::string leftAlone(const std::string& path, const std::string& why)
{
    return "Your master file is partially damaged: " + path + " does not agree with MASTER (" + why +
           ").\nMASTER was changed; " + path + " was left as it is.";
}

} // namespace

int defaultFieldBits(int fields)
{
    // bit 0 date, 1 high, 2 low, 3 close, 4 volume, 5 open, 6 open interest, 7 time.
    switch (fields) {
    case 4: return 0x0F;  // D H L C
    case 5: return 0x1F;  // D H L C V
    case 6: return 0x3F;  // D O H L C V
    case 8: return 0xFF;  // D T O H L C V OI
    default: return 0x7F; // D O H L C V OI
    }
}

int fieldBitsOf(const std::vector<FieldKind>& kinds)
{
    int bits = 0;
    for (const FieldKind kind : kinds) {
        switch (kind) {
        case FieldKind::Date: bits |= 0x01; break;
        case FieldKind::High: bits |= 0x02; break;
        case FieldKind::Low: bits |= 0x04; break;
        case FieldKind::Close: bits |= 0x08; break;
        case FieldKind::Volume: bits |= 0x10; break;
        case FieldKind::Open: bits |= 0x20; break;
        case FieldKind::OpenInterest: bits |= 0x40; break;
        case FieldKind::Time: bits |= 0x80; break;
        }
    }
    return bits;
}

EmasterStep planEmasterStep(const std::string& dir, const MasterFile& before, const MasterFile& after, int newFieldBits)
{
    EmasterStep step;
    const std::optional<std::string> found = findEntry(dir.empty() ? "." : dir, kEmasterFileName);
    if (!found)
        return step;
    step.present = true;
    step.path = *found;
    if (IoStatus s = readWholeFile(step.path, step.before); !s) {
        step.notice = leftAlone(step.path, s.message());
        return step;
    }
    const std::vector<std::uint8_t>& bytes = step.before;
    if (bytes.size() < kRecord) {
        step.notice = leftAlone(step.path, "it is shorter than its header");
        return step;
    }
    const std::size_t count = bytes[kCountAt];
    const std::size_t held = bytes.size() / kRecord - 1;
    if (count > held) {
        step.notice =
            leftAlone(step.path, "it counts " + std::to_string(count) + " records and holds " + std::to_string(held));
        return step;
    }
    std::vector<Record> records;
    for (std::size_t k = 0; k < count; ++k) {
        const auto from = bytes.begin() + static_cast<std::ptrdiff_t>((k + 1) * kRecord);
        records.emplace_back(from, from + static_cast<std::ptrdiff_t>(kRecord));
    }
    std::vector<int> numbers;
    for (const Record& r : records)
        numbers.push_back(r[kFileNumberAt]);

    const std::vector<int> was = fileNumbers(before.entries);
    const std::vector<int> now = fileNumbers(after.entries);
    const bool added = now.size() == was.size() + 1;
    const bool removed = now.size() + 1 == was.size();
    if (numbers != was && numbers != now && numbers.size() == was.size() + 1 &&
        std::equal(was.begin(), was.end(), numbers.begin()) &&
        std::find(was.begin(), was.end(), numbers.back()) == was.end()) {
        // An add cut short before MASTER named it: its record describes no security.
        records.pop_back();
        numbers.pop_back();
    }
    if (numbers == now && numbers != was) {
        // A change cut short after EMASTER took it: only the records to bring up to date.
        if (added)
            records.back() = newRecord(after.entries.back(), newFieldBits, records.back().data());
    } else if (numbers == was) {
        if (added) {
            static constexpr std::uint8_t kNoMarker[2] = {0, 0};
            if (std::string why = doesNotFit(after.entries.back()); !why.empty()) {
                step.refusal = why;
                return step;
            }
            records.push_back(
                newRecord(after.entries.back(), newFieldBits, records.empty() ? kNoMarker : records.front().data()));
        } else if (removed) {
            std::size_t p = 0;
            while (p < after.entries.size() && after.entries[p].bytes == before.entries[p].bytes)
                ++p;
            records.erase(records.begin() + static_cast<std::ptrdiff_t>(p));
        }
    } else {
        step.notice = leftAlone(step.path, "it describes " + std::to_string(numbers.size()) + " securities, MASTER " +
                                               std::to_string(was.size()) +
                                               (numbers.size() == was.size() ? ", with other file numbers" : ""));
        return step;
    }
    if (!added && !removed) {
        for (std::size_t k = 0; k < records.size() && k < after.entries.size(); ++k) {
            if (after.entries[k].bytes == before.entries[k].bytes)
                continue;
            if (std::string why = update(records[k], before.entries[k], after.entries[k]); !why.empty()) {
                step.refusal = why;
                return step;
            }
        }
    }

    int highest = 0;
    for (const Record& r : records)
        highest = std::max<int>(highest, r[kFileNumberAt]);
    step.after.assign(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(kRecord));
    step.after[kCountAt] = static_cast<std::uint8_t>(records.size());
    step.after[kHighestAt] = static_cast<std::uint8_t>(highest);
    for (const Record& r : records)
        step.after.insert(step.after.end(), r.begin(), r.end());
    // What followed the counted records is carried over as it is.
    step.after.insert(step.after.end(), bytes.begin() + static_cast<std::ptrdiff_t>((count + 1) * kRecord),
                      bytes.end());
    step.inStep = true;
    return step;
}

IoStatus writeEmasterStep(const EmasterStep& step)
{
    if (!step.inStep || step.after == step.before)
        return IoStatus::ok();
    return replaceFile(step.path, "EMASTER.~NU", step.after);
}

IoStatus undoEmasterStep(const EmasterStep& step)
{
    if (!step.inStep || step.after == step.before)
        return IoStatus::ok();
    return replaceFile(step.path, "EMASTER.~NU", step.before);
}

void setXmasterDate(XmasterEntry& entry, int which, float fileDate)
{
    constexpr std::size_t kFirstAt = 108;
    constexpr std::size_t kLastAt = 116;
    const std::size_t at = which == 0 ? kFirstAt : kLastAt;
    // No date stays 0 (EMASTER's form of "no date" is not XMASTER's).
    const std::uint32_t v = fileDate > 0 ? yyyymmdd(fileDate) : 0;
    for (std::size_t i = 0; i < 4; ++i)
        entry.bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void setXmasterDates(XmasterEntry& entry, float firstFileDate, float lastFileDate)
{
    setXmasterDate(entry, 0, firstFileDate);
    setXmasterDate(entry, 1, lastFileDate);
}

std::vector<std::uint8_t> xmasterBytes(const XmasterFile& file)
{
    std::vector<std::uint8_t> out(file.header.begin(), file.header.end());
    out.reserve(kXmasterRecordSize * (file.entries.size() + 1) + file.trailing.size());
    for (const XmasterEntry& e : file.entries)
        out.insert(out.end(), e.bytes.begin(), e.bytes.end());
    out.insert(out.end(), file.trailing.begin(), file.trailing.end());
    return out;
}

IoStatus replaceMasterInStep(const std::string& dir, const MasterFile& before, const MasterFile& after,
                             std::string& notice)
{
    const EmasterStep step = planEmasterStep(dir, before, after);
    if (!step.refusal.empty())
        return IoStatus::failure(step.refusal);
    if (IoStatus s = writeEmasterStep(step); !s)
        return s;
    if (IoStatus s = replaceFile(masterPath(dir), "MASTER.~NU", after.bytes()); !s) {
        if (IoStatus undone = undoEmasterStep(step); !undone)
            return IoStatus::failure(s.message() + "\nEMASTER could not be put back: " + undone.message());
        return s;
    }
    notice = step.notice;
    return IoStatus::ok();
}

} // namespace qv
