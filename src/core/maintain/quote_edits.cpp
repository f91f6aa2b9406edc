#include "core/maintain/quote_edits.h"

#include "core/app/program_settings.h"
#include "core/platform/files.h"
#include "core/platform/text.h"
#include "core/store/master.h"
#include "core/store/master_mirrors.h"
#include "core/store/quotes.h"
#include "core/store/securities.h"
#include "core/store/xmaster.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <span>

namespace qv {
namespace {

constexpr int kFirstDate = 0; // `which` of setMasterDate
constexpr int kLastDate = 1;

constexpr FieldKind kValueKinds[kEditValueCount] = {FieldKind::Open,  FieldKind::High,   FieldKind::Low,
                                                    FieldKind::Close, FieldKind::Volume, FieldKind::OpenInterest};

MbfFloat mbfAt(const std::uint8_t* p) { return {p[0], p[1], p[2], p[3]}; }

// A MASTER date to store once the new quote file is complete.
struct MasterDateChange {
    int which = kFirstDate;
    MbfFloat date{};
    MbfFloat previous{};
};

Outcome storeMasterDates(const std::string& dir, int fileNumber, const std::vector<MasterDateChange>& changes,
                         bool restore)
{
    for (const MasterDateChange& c : changes) {
        const MasterChange done = setMasterDate(dir, restore ? c.previous : c.date, fileNumber, c.which);
        if (!done.done())
            return Outcome::failure(done.outcome == MasterChange::Outcome::NotFound ? kStatusFileNotFound
                                                                                    : kStatusFileWrite,
                                    masterPath(dir), {}, done.failure.message());
    }
    return Outcome::ok();
}

// The same for an XMASTER security: its record in XMASTER takes the dates as YYYYMMDD, every
// other byte of XMASTER as it was. Once XMASTER is replaced, `before` holds it as it was read.
Outcome storeXmasterDates(const std::string& dir, const Security& security,
                          const std::vector<MasterDateChange>& changes, Bytes& before)
{
    const std::string path = xmasterPath(dir);
    XmasterFile file;
    if (IoStatus s = readXmasterFile(dir, file); !s)
        return Outcome::failure(kStatusFileWrite, path, {},
                                "XMASTER in " + dir + " could not be read again: " + s.message());
    // The record is the one the security was found by, byte for byte, or XMASTER changed
    // meanwhile and no record of it is written.
    if (security.position >= file.entries.size() ||
        file.entries[security.position].bytes != security.xmasterEntry.bytes)
        return Outcome::failure(kStatusFileNotFound, path, {},
                                "The XMASTER entry of " + security.symbol + " changed while it was being read.");
    Bytes asRead = xmasterBytes(file);
    for (const MasterDateChange& c : changes)
        setXmasterDate(file.entries[security.position], c.which, mbfToFloat(c.date.data()));
    if (IoStatus s = replaceFile(path, "XMASTER.~NU", xmasterBytes(file)); !s)
        return Outcome::cannotWrite(path, s); // XMASTER is as it was
    before = std::move(asRead);
    return Outcome::ok();
}

// Whether the request would change a value field: a Set value not kept, a factor other than 1.
bool asksToChange(const EditRequest& request, int k)
{
    const auto i = static_cast<std::size_t>(k);
    return request.mode == EditMode::Set ? !request.keep[i] : request.values[i] != 1.0f;
}

// "volume or open interest": the names of the kinds the request would change and the file lacks.
std::string missingFieldNames(const EditRequest& request, const FieldLayout& layout)
{
    static constexpr std::string_view kNames[kEditValueCount] = {"open",  "high",   "low",
                                                                 "close", "volume", "open interest"};
    std::vector<std::string_view> missing;
    for (int k = 0; k < kEditValueCount; ++k) {
        if (asksToChange(request, k) && layout.field(kValueKinds[k]) == 0)
            missing.push_back(kNames[k]);
    }
    std::string text;
    for (std::size_t i = 0; i < missing.size(); ++i)
        text += std::string(i == 0 ? "" : i + 1 == missing.size() ? " or " : ", ") + std::string(missing[i]);
    return text;
}

bool withinQuotes(DayNumber date, const QuoteDates& dates)
{
    return date != kNoDay && date >= dates.first && date <= dates.last;
}

// A share count or multiplier: a number above 0. A negative one would turn every price it
// touches below 0, which the program reads as "no value".
bool readFactor(std::string_view text, float& value) { return parseEditValue(text, value) && value > 0.0f; }

EditCheck refused()
{
    EditCheck check;
    check.message = kInvalidDataMessage;
    return check;
}

// The record of one form in one replacement of the settings file: a crash never leaves half of
// one form's texts beside half of the last one's.
IoStatus putTexts(SettingsFile& settings, std::span<const TextKey> keys, std::initializer_list<std::string_view> texts)
{
    std::vector<SettingsFile::Value> values;
    auto text = texts.begin();
    for (const TextKey& key : keys)
        values.push_back({std::string(key.section), std::string(key.key), std::string(*text++)});
    return settings.setValues(values);
}

} // namespace

Outcome rewriteQuotes(const std::string& dir, const std::string& symbol, const EditRequest& request)
{
    const auto fail = [](StoreStatus status, std::string file, std::string why) {
        return Outcome::failure(status, std::move(file), {}, std::move(why));
    };
    const FoundSecurity found = findSecurity(dir, symbol);
    if (found.status == kStatusFileNotFound)
        return fail(found.status, masterPath(dir),
                    "The symbol " + symbol + " is not in the MASTER file of " + dir + ".");
    if (found.status != kStatusOk)
        return fail(found.status, masterPath(dir), "The MASTER file of " + dir + " could not be read.");
    // An XMASTER security's quotes are in F<n>.MWD, laid out like F<n>.DAT, and its dates in
    // XMASTER; its fields are those of its field bitset (it has no DOP).
    const Security& security = found.security;
    const bool inXmaster = security.fromXmaster();
    if (!inXmaster) {
        if (const std::string problem = entryWriteProblem(found); !problem.empty())
            return fail(kStatusEntryPassedOver, masterPath(found.directory), problem);
    }
    if (IoStatus ro = checkWritableFolder(found.directory); !ro)
        return Outcome::cannotWrite(found.directory, ro);
    const int n = inXmaster ? security.fileNumber : found.entry.fileNumber();
    const int length = inXmaster ? security.recordLength : found.entry.recordLength();
    const std::string quoteName = inXmaster ? security.quoteFileName() : quoteFileName(n, "DAT");
    const LayoutResult layout =
        inXmaster ? readFieldLayout(found.directory, security) : readFieldLayout(found.directory, found.entry);
    const std::string quotePath = joinPath(found.directory, quoteName);
    if (inXmaster && (layout.status != kStatusOk || length < 8))
        return fail(kStatusNoLayout, xmasterPath(found.directory),
                    "The fields of " + symbol + " are not known: the field bits of its XMASTER entry (" +
                        std::to_string(security.xmasterEntry.fieldBits()) + ") name no date or no value field.");
    if (layout.status != kStatusOk || length < 4)
        return fail(kStatusNoLayout, joinPath(found.directory, quoteFileName(n, "DOP")),
                    "The fields of " + symbol +
                        " are not known: " + joinPath(found.directory, quoteFileName(n, "DOP")) +
                        " names none and its record length is " + std::to_string(length) + ".");
    if (request.mode != EditMode::Delete) {
        bool changesSome = false;
        bool asksSome = false;
        for (int k = 0; k < kEditValueCount; ++k) {
            asksSome = asksSome || asksToChange(request, k);
            changesSome = changesSome || (asksToChange(request, k) && layout.layout.field(kValueKinds[k]) != 0);
        }
        // A request that could only change fields the file lacks would leave every quote as it
        // is while the command reported success.
        if (asksSome && !changesSome)
            return fail(kStatusNoSuchField, quotePath,
                        quotePath + " has no " + missingFieldNames(request, layout.layout) +
                            " field; nothing was changed.");
    }

    const auto datPath = findEntry(found.directory, quoteName);
    Bytes old;
    if (!datPath)
        return fail(kStatusFileOpen, quotePath, quotePath + " does not exist.");
    if (IoStatus s = readWholeFile(*datPath, old); !s)
        return fail(kStatusFileOpen, *datPath, s.message());

    // The backup is the file exactly as read, taken before anything else is written.
    const std::string bakPath = resolveFile(found.directory, quoteFileName(n, "BAK"));
    if (IoStatus s = replaceFile(bakPath, quoteFileName(n, "~BK"), old); !s)
        return fail(kStatusFileWrite, bakPath, "The backup copy could not be written: " + s.message());

    const auto L = static_cast<std::size_t>(length);
    if (old.size() < L)
        return fail(kStatusFileRead, *datPath, *datPath + " is shorter than its header record.");
    const int quotes = quoteCountOf(getU16(old.data() + 2), old.size(), length);
    const auto recordAt = [&](int i) { return old.data() + (static_cast<std::size_t>(i) + 1) * L; };
    const int dateField = layout.layout.field(FieldKind::Date);
    if (dateField == 0)
        return fail(kStatusNoLayout, *datPath, {}); // every layout read has one; without it no range could be found
    const auto dateOf = [&](int i) { return dayNumberFromFileDate(mbfToFloat(recordAt(i) + 4 * (dateField - 1))); };

    const auto inRange = [&](int i) {
        const DayNumber date = dateOf(i);
        return date >= request.firstDate && date <= request.lastDate;
    };
    Bytes updated(old.begin(), old.begin() + static_cast<std::ptrdiff_t>(L));
    std::vector<MasterDateChange> masterChanges;
    if (request.mode == EditMode::Delete) {
        // Every quote dated in the range goes, whatever its time: a day held twice (intraday
        // data, or a file another program appended to twice) loses all its quotes.
        int kept = 0;
        int firstKept = -1;
        int lastKept = -1;
        int lastDropped = -1;
        for (int i = 0; i < quotes; ++i) {
            if (inRange(i)) {
                lastDropped = i;
                continue;
            }
            if (firstKept < 0)
                firstKept = i;
            lastKept = i;
            ++kept;
        }
        if (lastDropped < 0)
            return fail(kStatusDeleteNotFound, *datPath,
                        *datPath + " holds no quote of " + formatDateForDisplay(request.firstDate) + ".");
        // The header counts the records the file really holds, less the ones dropped.
        putU16(updated.data() + 2, static_cast<unsigned>(kept + 1));
        const auto dateBytes = [&](int k) { return mbfAt(recordAt(k) + 4 * (dateField - 1)); };
        // An XMASTER security's dates are put back with XMASTER as a whole.
        const MbfFloat oldFirst = inXmaster ? MbfFloat{} : found.entry.firstDateBytes();
        const MbfFloat oldLast = inXmaster ? MbfFloat{} : found.entry.lastDateBytes();
        if (kept == 0) {
            masterChanges.push_back({kLastDate, dateBytes(lastDropped), oldLast});
            masterChanges.push_back({kFirstDate, dateBytes(lastDropped), oldFirst});
        } else {
            if (firstKept > 0)
                masterChanges.push_back({kFirstDate, dateBytes(firstKept), oldFirst});
            if (lastKept < quotes - 1)
                masterChanges.push_back({kLastDate, dateBytes(lastKept), oldLast});
        }
    }

    updated.reserve(old.size());
    for (int i = 0; i < quotes; ++i) {
        const std::uint8_t* record = recordAt(i);
        const bool touched = inRange(i);
        if (request.mode == EditMode::Delete && touched)
            continue;
        const std::size_t start = updated.size();
        updated.insert(updated.end(), record, record + L);
        if (request.mode == EditMode::Delete || !touched)
            continue;
        for (int k = 0; k < kEditValueCount; ++k) {
            const int field = layout.layout.field(kValueKinds[k]);
            if (field == 0 || (request.mode == EditMode::Set && request.keep[static_cast<std::size_t>(k)]))
                continue;
            std::uint8_t* p = updated.data() + start + 4 * static_cast<std::size_t>(field - 1);
            const float factor = request.values[static_cast<std::size_t>(k)];
            const float value = request.mode == EditMode::Set ? factor : mbfToFloat(p) * factor;
            const MbfFloat stored = floatToMbf(value);
            std::copy(stored.begin(), stored.end(), p);
        }
    }
    // Whatever follows the counted quotes (records the header does not count, a torn last
    // record) is carried over as it is.
    const std::size_t counted = (static_cast<std::size_t>(quotes) + 1) * L;
    updated.insert(updated.end(), old.begin() + static_cast<std::ptrdiff_t>(counted), old.end());

    const std::string newName = quoteFileName(n, "NEW");
    if (masterChanges.empty()) {
        if (IoStatus s = replaceFile(*datPath, newName, updated); !s)
            return Outcome::cannotWrite(*datPath, s);
        return Outcome::ok();
    }

    // A delete that moves MASTER (or XMASTER) dates: the new quote file is complete before
    // MASTER changes, and MASTER is put back when the quote file cannot take its place. Only a
    // failure to put it back leaves MASTER's dates ahead of the quote file (the quote file is
    // then the old one).
    if (IoStatus s = prepareReplacement(*datPath, newName, updated); !s)
        return Outcome::cannotWrite(*datPath, s);
    Bytes xmasterBefore;
    const std::string masterName = inXmaster ? "XMASTER" : "MASTER";
    // Puts MASTER's dates back; when even that fails, the failure says so below its cause.
    const auto putBack = [&](const Outcome& failed) {
        std::string notRestored;
        if (inXmaster) {
            // XMASTER changes in one replacement: there is something to put back only once it
            // took place, and then xmasterBefore holds it.
            if (!xmasterBefore.empty()) {
                if (IoStatus s = replaceFile(xmasterPath(found.directory), "XMASTER.~NU", xmasterBefore); !s)
                    notRestored = s.message();
            }
        } else if (const Outcome restored = storeMasterDates(found.directory, n, masterChanges, true); !restored) {
            notRestored = restored.cause();
        }
        return notRestored.empty() ? failed
                                   : failed.withMore("The first and last dates in " + masterName +
                                                     " could not be put back:\n" + notRestored);
    };
    const Outcome stored = inXmaster ? storeXmasterDates(found.directory, security, masterChanges, xmasterBefore)
                                     : storeMasterDates(found.directory, n, masterChanges, false);
    if (!stored) {
        const Outcome failed = putBack(stored);
        abandonReplacement(*datPath, newName);
        return failed;
    }
    if (IoStatus s = commitReplacement(*datPath, newName); !s)
        return putBack(Outcome::cannotWrite(*datPath, s));
    return Outcome::ok();
}

std::vector<std::string> rewriteFailureMessages(QuoteCommand command, const Outcome& failure)
{
    std::vector<std::string> messages;
    if (failure.status() == kStatusDeleteNotFound)
        messages.emplace_back(kDeleteNotFoundMessage);
    if (failure.status() == kStatusEntryPassedOver)
        messages.emplace_back(kEntryPassedOverMessage);
    std::string sentence;
    switch (command) {
    case QuoteCommand::Edit: sentence = "Single Date Edit Failed"; break;
    case QuoteCommand::Split: sentence = "Split Edit Failed"; break;
    case QuoteCommand::Adjust: sentence = "Adjust Edit Failed"; break;
    case QuoteCommand::Delete: sentence = "Delete Edit Failed"; break;
    }
    messages.push_back(Outcome::failure(failure.status(), failure.file(), sentence, failure.cause()).message());
    return messages;
}

QuoteDates readQuoteDates(const std::string& dir, const std::string& symbol)
{
    QuoteDates dates;
    QuoteSeries series;
    if ((dates.status = initQuoteSeries(series, 1)) != kStatusOk)
        return dates;
    dates.status = readQuoteSeries(series, dir, symbol, 0, 1);
    if (dates.status == kStatusRecordNotFound && series.hasEntry && series.quotesInFile == 0) {
        dates.status = kStatusOk; // no quote yet: no date lies within
        return dates;
    }
    if (dates.status != kStatusOk || series.count == 0)
        return dates;
    dates.first = series.date[0];
    dates.status = readQuoteSeries(series, dir, symbol, -1, 1);
    if (dates.status == kStatusOk && series.count > 0)
        dates.last = series.date[0];
    return dates;
}

DayNumber parseEditDate(std::string_view text)
{
    if (text.size() == 10)
        return parseIsoDate(text);
    return text.size() == 8 && text[2] == '/' ? parseExactMmDdYy(text) : kNoDay;
}

bool parseEditValue(std::string_view text, float& value)
{
    text = trimBlanks(text);
    // The grammar of a decimal number, checked first: from_chars alone would also take "inf",
    // "nan" and hexadecimal forms, and stop quietly before trailing garbage.
    std::size_t i = 0;
    const auto digits = [&] {
        const std::size_t from = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
            ++i;
        return i - from;
    };
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    const std::size_t numberStart = !text.empty() && text[0] == '+' ? 1 : 0;
    std::size_t mantissa = digits();
    if (i < text.size() && text[i] == '.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0)
        return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            ++i;
        if (digits() == 0)
            return false;
    }
    if (i != text.size())
        return false;
    float parsed = 0;
    const auto [end, error] = std::from_chars(text.data() + numberStart, text.data() + text.size(), parsed);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(parsed))
        return false;
    value = parsed;
    return true;
}

EditCheck checkQuoteEditForm(const QuoteEditForm& form)
{
    EditCheck check;
    const DayNumber date = parseEditDate(form.date);
    if (date == kNoDay)
        return refused();
    for (std::size_t k = 0; k < form.values.size(); ++k) {
        if (trimBlanks(form.values[k]) == "N/A")
            check.request.keep[k] = true;
        else if (!parseEditValue(form.values[k], check.request.values[k]))
            return refused();
    }
    check.request.mode = EditMode::Set;
    check.request.firstDate = check.request.lastDate = date;
    return check;
}

EditCheck checkSplitForm(const SplitForm& form, const QuoteDates& dates)
{
    const DayNumber date = parseEditDate(form.date);
    float newShares = 0;
    float oldShares = 0;
    if (!withinQuotes(date, dates) || !readFactor(form.newShares, newShares) || !readFactor(form.oldShares, oldShares))
        return refused();
    // Each factor is computed once, in single precision, and every quote is scaled by it.
    const float price = oldShares / newShares;
    const float volume = newShares / oldShares;
    EditCheck check;
    check.request.values = {price, price, price, price, volume, volume};
    check.request.mode = EditMode::Multiply;
    check.request.firstDate = kNoDay;
    check.request.lastDate = date - 1;
    return check;
}

EditCheck checkAdjustForm(const AdjustForm& form, const QuoteDates& dates)
{
    const DayNumber from = parseEditDate(form.from);
    const DayNumber to = parseEditDate(form.to);
    float price = 0;
    float volume = 0;
    float openInterest = 0;
    if (!withinQuotes(from, dates) || !withinQuotes(to, dates) || !readFactor(form.price, price) ||
        !readFactor(form.volume, volume) || !readFactor(form.openInterest, openInterest))
        return refused();
    EditCheck check;
    check.request.values = {price, price, price, price, volume, openInterest};
    check.request.mode = EditMode::Multiply;
    check.request.firstDate = from;
    check.request.lastDate = to;
    return check;
}

EditCheck checkDeleteForm(const DeleteForm& form)
{
    const DayNumber date = parseEditDate(form.date);
    if (date == kNoDay)
        return refused();
    EditCheck check;
    check.request.mode = EditMode::Delete;
    check.request.firstDate = check.request.lastDate = date;
    return check;
}

IoStatus rememberForm(SettingsFile& settings, const QuoteEditForm& form)
{
    const auto& v = form.values;
    return putTexts(settings, keys::kEditRecord, {form.date, v[0], v[1], v[2], v[3], v[4], v[5]});
}

IoStatus rememberForm(SettingsFile& settings, const SplitForm& form)
{
    return putTexts(settings, keys::kSplitRecord, {form.date, form.newShares, form.oldShares});
}

IoStatus rememberForm(SettingsFile& settings, const AdjustForm& form)
{
    return putTexts(settings, keys::kAdjustRecord, {form.from, form.to, form.price, form.volume, form.openInterest});
}

IoStatus rememberForm(SettingsFile& settings, const DeleteForm& form)
{
    return putSetting(settings, keys::kDeleteRecordDate, form.date);
}

std::string rememberFailureMessage(const SettingsFile& settings, const IoStatus& status)
{
    return "The quotes were changed, but the record of this edit could not be saved in " + settings.path() + ":\n" +
           status.message();
}

} // namespace qv
