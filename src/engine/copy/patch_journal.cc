#include "engine/copy/patch_journal.h"

#include <array>
#include <cerrno>
#include <cstdio>

#include "engine/copy/file_search.h"
#include "platform/copy_proof.h"
#include "platform/file_copy.h"
#include "platform/file_system.h"

namespace kadrel {

namespace {

constexpr std::string_view kMagic = "KADREL PATCH JOURNAL\n";
constexpr std::string_view kPrefix = ".kadrel-journal-";
constexpr std::string_view kUnfinished = ".kadrel-unfinished-journal-";
/// Longer names are journalled under a hash of the name, so the journal's name stays legal.
constexpr size_t kLongestName = 200;

constexpr std::array<uint32_t, 256> crcTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

uint32_t crc32(std::string_view bytes) {
    static constexpr std::array<uint32_t, 256> kTable = crcTable();
    uint32_t c = 0xFFFFFFFFu;
    for (const char b : bytes)
        c = kTable[(c ^ static_cast<uint8_t>(b)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

void putNumber(std::string& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i, value >>= 8)
        out += static_cast<char>(value & 0xFF);
}

void putText(std::string& out, std::string_view text) {
    putNumber(out, text.size(), 4);
    out += text;
}

/// Reads what putNumber and putText wrote; once a read runs past the end every later one fails.
struct Reader {
    std::string_view in;
    size_t at = 0;
    bool ok = true;

    bool has(uint64_t n) { return ok = ok && n <= in.size() - at; }
    uint64_t number(int bytes) {
        uint64_t value = 0;
        if (!has(static_cast<uint64_t>(bytes)))
            return 0;
        for (int i = bytes - 1; i >= 0; --i)
            value = value << 8 | static_cast<uint8_t>(in[at + i]);
        at += bytes;
        return value;
    }
    std::string text() {
        const uint64_t n = number(4);
        if (!has(n))
            return {};
        std::string value(in.substr(at, n));
        at += n;
        return value;
    }
};

bool isPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && !platform::holdsNameBreak(name) &&
           name.find('\0') == std::string::npos;
}

void putTimes(std::string& out, const platform::FileTimes& t) {
    for (const platform::FileTime* time : {&t.creation, &t.lastWrite, &t.lastAccess}) {
        putNumber(out, static_cast<uint64_t>(time->sec), 8);
        putNumber(out, static_cast<uint64_t>(time->nsec), 8);
    }
}

void readTimes(Reader& in, platform::FileTimes& t) {
    for (platform::FileTime* time : {&t.creation, &t.lastWrite, &t.lastAccess}) {
        time->sec = static_cast<int64_t>(in.number(8));
        time->nsec = static_cast<int64_t>(in.number(8));
    }
}

bool readCompanions(Reader& in, PatchJournal& j) {
    for (uint64_t n = in.number(4); in.ok && n > 0; --n) {
        std::string from = in.text(), to = in.text();
        if (!isPlainName(from) || !isPlainName(to))
            return false;
        j.companions.emplace_back(std::move(from), std::move(to));
    }
    return in.ok;
}

/// Edits must lie inside the file, in order and apart: nothing else was ever written.
bool readEdits(Reader& in, PatchJournal& j) {
    int64_t end = 0;
    for (uint64_t n = in.number(4); in.ok && n > 0; --n) {
        JournalEdit e;
        e.offset = static_cast<int64_t>(in.number(8));
        const uint64_t length = in.number(4);
        if (!in.has(length) || length == 0 || e.offset < end || e.offset > j.size ||
            length > static_cast<uint64_t>(j.size - e.offset))
            return false;
        e.before.assign(in.in.begin() + in.at, in.in.begin() + in.at + length);
        in.at += length;
        end = e.offset + static_cast<int64_t>(length);
        j.edits.push_back(std::move(e));
    }
    return in.ok;
}

std::string nameInJournal(const std::string& name) {
    if (name.size() <= kLongestName)
        return name;
    uint64_t hash = 0xCBF29CE484222325u;  // FNV-1a
    for (const char c : name)
        hash = (hash ^ static_cast<uint8_t>(c)) * 0x100000001B3u;
    char text[24];
    std::snprintf(text, sizeof text, "#%016llx", static_cast<unsigned long long>(hash));
    return text;
}

std::string besideOriginal(const std::string& original, std::string_view prefix) {
    std::string name, folder, ext;
    splitPath(original, name, folder, ext);
    return folder + std::string(prefix) + nameInJournal(original.substr(folder.size()));
}

/// Where the original is now: the one of its two names that holds a file of its length. When
/// both do (another file took the other name since), nothing tells which one it is.
Outcome locate(const RestoredFile& r, int64_t size, std::string& at) {
    const platform::FileId original = platform::fileId(r.original);
    const platform::FileId renamed = platform::fileId(r.renamed);
    const bool atOriginal = original.size == size;
    const bool atRenamed = r.renamed != r.original && renamed.size == size;
    if (atOriginal && atRenamed && !original.sameFile(renamed))
        return Outcome::failure(0, r.original, "two files fit its journal; both were left as they are");
    if (!atOriginal && !atRenamed)
        return Outcome::failure(0, r.original, "the patched file is gone or was changed since");
    at = atRenamed ? r.renamed : r.original;
    return Outcome::done();
}

Outcome putBytesBack(const std::string& at, const PatchJournal& j, platform::FileFaults* faults) {
    if (j.edits.empty())
        return Outcome::done();
    platform::makeWritable(at);
    platform::RandomAccessFile file;
    if (!file.open(at, true, true))
        return Outcome::failure(file.error(), at);
    file.setFaults(faults);
    for (const JournalEdit& e : j.edits)
        if (file.writeAt(e.before.data(), e.before.size(), e.offset) != static_cast<int64_t>(e.before.size()))
            return Outcome::failure(file.error(), at);
    file.close();
    return Outcome::fromError(platform::flushFile(at), at);
}

/// Renames from back to to, unless it has that name already; a case-only rename is allowed.
Outcome nameBack(const std::string& from, const std::string& to, platform::FileFaults* faults) {
    if (from == to)
        return Outcome::done();
    platform::CopyOptions options;
    options.faults = faults;
    options.replaceExisting = platform::fileId(from).sameFile(platform::fileId(to));
    return Outcome::fromError(platform::moveFile(from, to, options), from);
}

/// Companions that followed the clip go back to their names; one that never moved stays.
Outcome companionsBack(const std::string& folder, const PatchJournal& j, platform::FileFaults* faults) {
    for (const auto& [from, to] : j.companions) {
        if (!platform::entryExists(folder + to) || platform::entryExists(folder + from))
            continue;
        if (Outcome o = nameBack(folder + to, folder + from, faults); !o.ok())
            return o;
    }
    return Outcome::done();
}

Outcome timesBack(const std::string& path, const PatchJournal& j) {
    if (!platform::setFileTimes(path, j.times))
        return Outcome::failure(errno, path);
    if (j.readOnly)
        platform::makeReadOnly(path);
    return Outcome::done();
}

/// Everything the journal says, in the order that lets a second try after a crash start over.
Outcome applyJournal(RestoredFile& r, const std::string& folder, const PatchJournal& j,
                     platform::FileFaults* faults) {
    r.original = folder + j.original;
    r.renamed = folder + j.renamed;
    std::string at;
    Outcome o = locate(r, j.size, at);
    if (o.ok())
        o = putBytesBack(at, j, faults);
    if (o.ok())
        o = nameBack(at, r.original, faults);
    if (o.ok())
        o = companionsBack(folder, j, faults);
    if (o.ok())
        o = timesBack(r.original, j);
    return o;
}

}  // namespace

std::string encodeJournal(const PatchJournal& j) {
    std::string out(kMagic);
    putNumber(out, kJournalVersion, 4);
    putText(out, j.original);
    putText(out, j.renamed);
    putTimes(out, j.times);
    putNumber(out, j.readOnly ? 1 : 0, 1);
    putNumber(out, static_cast<uint64_t>(j.size), 8);
    putNumber(out, j.companions.size(), 4);
    for (const auto& [from, to] : j.companions) {
        putText(out, from);
        putText(out, to);
    }
    putNumber(out, j.edits.size(), 4);
    for (const JournalEdit& e : j.edits) {
        putNumber(out, static_cast<uint64_t>(e.offset), 8);
        putText(out, std::string_view(reinterpret_cast<const char*>(e.before.data()), e.before.size()));
    }
    putNumber(out, crc32(out), 4);
    return out;
}

bool decodeJournal(std::string_view bytes, PatchJournal& j) {
    j = PatchJournal{};
    if (bytes.size() < kMagic.size() + 4 || !bytes.starts_with(kMagic))
        return false;
    const std::string_view body = bytes.substr(0, bytes.size() - 4);
    Reader check{bytes, body.size()};
    if (check.number(4) != crc32(body))
        return false;
    Reader in{body, kMagic.size()};
    if (in.number(4) != kJournalVersion)
        return false;
    j.original = in.text();
    j.renamed = in.text();
    readTimes(in, j.times);
    j.readOnly = in.number(1) != 0;
    j.size = static_cast<int64_t>(in.number(8));
    const bool whole = in.ok && j.size >= 0 && isPlainName(j.original) && isPlainName(j.renamed) &&
                       readCompanions(in, j) && readEdits(in, j) && in.at == body.size();
    if (!whole)
        j = PatchJournal{};
    return whole;
}

std::string journalPathFor(const std::string& original) {
    return besideOriginal(original, kPrefix);
}

bool isJournalName(const std::string& name) {
    return name.starts_with(kPrefix) || name.starts_with(kUnfinished);
}

std::optional<std::string> originalNamedBy(const std::string& journalPath) {
    std::string name, folder, ext;
    splitPath(journalPath, name, folder, ext);
    const std::string own = journalPath.substr(folder.size());
    if (!own.starts_with(kPrefix) || own.size() == kPrefix.size())
        return std::nullopt;
    return folder + own.substr(kPrefix.size());
}

Outcome JournalKeeper::write(const std::string& original, const PatchJournal& journal,
                             platform::FileFaults* faults) {
    path_ = journalPathFor(original);
    const std::string temporary = besideOriginal(original, kUnfinished);
    return Outcome::fromError(file_.write(temporary, path_, encodeJournal(journal), file_.held(), faults),
                              path_);
}

Outcome JournalKeeper::finish(platform::FileFaults* faults) {
    if (!file_.held())
        return Outcome::done();
    return Outcome::fromError(file_.remove(faults), path_);
}

RestoredFile restoreFromJournal(const std::string& journalPath, platform::FileFaults* faults) {
    RestoredFile r;
    std::string name, folder, ext, bytes;
    splitPath(journalPath, name, folder, ext);
    platform::HeldFile held;
    if (const int e = held.take(journalPath, bytes)) {
        r.outcome = Outcome::failure(e, journalPath,
                                     e == EWOULDBLOCK ? "another run is patching this file" : std::string());
        return r;
    }
    r.unfinished = journalPath.substr(folder.size()).starts_with(kUnfinished);
    PatchJournal j;
    Outcome o;
    if (!r.unfinished && !decodeJournal(bytes, j))
        o = Outcome::failure(0, journalPath, "the journal is damaged; nothing was put back from it");
    else if (!r.unfinished)
        o = applyJournal(r, folder, j, faults);
    if (o.ok())
        o = Outcome::fromError(held.remove(faults), journalPath);
    r.outcome = o;
    return r;
}

}  // namespace kadrel
