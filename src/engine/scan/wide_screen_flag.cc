#include "engine/scan/wide_screen_flag.h"

#include <vector>

#include "engine/scan/chunk_scan.h"
#include "engine/scan/mpeg2_fields.h"
#include "engine/scan/packet_walk.h"
#include "engine/scan/ps_continuation.h"
#include "engine/scan/scan_digest.h"
#include "engine/scan/stream_edits.h"
#include "engine/scan/stream_file.h"
#include "platform/file_io.h"
#include "platform/text_case.h"

namespace kadrel {

namespace {

/// What one call works with; nothing survives the call.
struct PatchState {
    const RunContext& ctx;
    StreamFile& file;
    ByteSource& bytes;
    bool setting = true;
    int seqHorSize = 0;
    int seqVerSize = 0;
    bool sizesTaken = false;
    long wsCount = 0;
    long priv2Count = 0;
    long sdeCount = 0;
    PacketWalk walk{};
    ScanDigest* digest = nullptr;  ///< takes the file's digest as the scan goes, when asked

    void debug(const std::string& line) const { ctx.debug(line); }
    bool debugging() const { return ctx.settings.debugMode; }
};

/// Writes n bytes over the structure's bytes from index first on, wherever they lie in the
/// file; returns the count written. The chunk buffer keeps the old bytes.
int64_t writeStructure(PatchState& st, const StructureBytes& s, size_t first, const uint8_t* data, size_t n) {
    int64_t written = 0;
    size_t i = 0;
    while (i < n) {
        size_t run = 1;  // bytes that lie side by side in the file go in one write
        while (i + run < n && s.offset[first + i + run] == s.offset[first + i] + static_cast<int64_t>(run))
            ++run;
        const int64_t got = st.file.write(s.offset[first + i], data + i, run);
        if (got > 0)
            written += got;
        i += run;
    }
    return written;
}

/// Maps a video structure and says in the log when it was cut; false when it cannot be used.
bool mapVideoStructure(PatchState& st, const char* name, int64_t offset, size_t count, StructureBytes& s) {
    const Continuation how = locateStructure(st.bytes, offset, count, s);
    if (how == Continuation::Whole)
        return true;
    if (st.debugging()) {
        const std::string at = std::string(name) + " at offset " + std::to_string(offset);
        if (how == Continuation::Followed)
            st.debug(at + " continues after a packet header");
        if (how == Continuation::Uncertain)
            st.debug(at + " is cut by a packet header; left untouched");
        if (how == Continuation::CutByEndOfFile)
            st.debug(at + " is cut by the end of the file");
    }
    return how == Continuation::Followed;
}

using Candidate = bool (*)(const ScanChunk& chunk, size_t p);

bool anyStructure(const ScanChunk&, size_t) {
    return true;
}

/// False for an extension whose identifier byte lies in the chunk and names another kind (the
/// picture coding extension of every picture, mostly); a 00 there may begin a packet header
/// that cuts a display extension.
bool mayBeDisplayExtension(const ScanChunk& chunk, size_t p) {
    if (p + kSdeIdentifierOffset > chunk.length)
        return true;
    const uint8_t b4 = chunk.data[p - 1 + kSdeIdentifierOffset];
    return b4 >> 4 == kSequenceDisplayExtensionId || b4 == 0;
}

/// The first start code of code at or after start that may begin a structure of its kind and,
/// when the file is walked, lies in video payload.
size_t findInVideo(const PatchState& st, const ScanChunk& chunk, uint8_t code, size_t& start, size_t before,
                   Candidate candidate = anyStructure) {
    for (;;) {
        const size_t p = chunk.find(code, start, before);
        if (p == 0 ||
            (candidate(chunk, p) && (!st.walk.active() || st.walk.videoPayloadEnd(chunk.fileOffset(p)) > 0)))
            return p;
        start = p + 4;
    }
}

void noteSkippedBytes(PatchState& st) {
    for (const PacketWalk::Skip& skip : st.walk.takeSkips())
        if (st.debugging())
            st.debug("packet at offset " + std::to_string(skip.from) +
                     " cannot be read: " + std::to_string(skip.count) + " bytes up to the " +
                     (skip.toEnd ? "end of the file" : "next pack") + " left untouched");
}

SearchResult nearEnd(PatchState& st, const ScanChunk& chunk, const char* name, size_t p, size_t& hit) {
    if (chunk.last && st.debugging())
        st.debug(std::string(name) + " at offset " + std::to_string(chunk.fileOffset(p)) +
                 " is cut by the end of the file");
    hit = p;
    return SearchResult::NearEnd;
}

void takeFirstHeaderSizes(PatchState& st, const StructureBytes& s) {
    if (st.sizesTaken)
        return;
    st.seqHorSize = horizontalSize(s.value[4], s.value[5]);
    st.seqVerSize = verticalSize(s.value[5], s.value[6]);
    st.sizesTaken = true;
    if (st.debugging())
        st.debug("firstheader: seqhorsize=" + std::to_string(st.seqHorSize) +
                 "  seqversize=" + std::to_string(st.seqVerSize));
}

void setSequenceHeader(PatchState& st, const StructureBytes& s) {
    if (!isValidHorizontalResolution(s.value[4], s.value[5], st.ctx))
        return;
    ++st.wsCount;
    const uint8_t flag = s.value[kSeqHeaderFlagOffset];
    if (st.debugging())
        st.debug("buffer(wspos)=" + byteToHex(flag));
    if (!isAcceptedFlagByte(flag))
        return;
    takeFirstHeaderSizes(st, s);
    const bool already = (flag & 0x30) == 0x30;
    if (st.debugging())
        st.debug(already ? "widescreen flag already set!" : "widescreen flag not set!");
    if (already)
        return;
    const uint8_t wide = static_cast<uint8_t>((flag & 0x0F) | kAspect16x9 << 4);
    const int64_t written = writeStructure(st, s, kSeqHeaderFlagOffset, &wide, 1);
    if (st.debugging())
        st.debug("byteswritten=" + std::to_string(written));
}

void resetSequenceHeader(PatchState& st, const StructureBytes& s) {
    const uint8_t flag = s.value[kSeqHeaderFlagOffset];
    if (!isAcceptedFlagByte(flag) || (flag & 0x30) != 0x30)
        return;
    const uint8_t narrow = static_cast<uint8_t>((flag & 0x0F) | kAspect4x3 << 4);
    writeStructure(st, s, kSeqHeaderFlagOffset, &narrow, 1);
}

SearchResult sequenceHeaderStep(PatchState& st, const ScanChunk& chunk, size_t& start, size_t before,
                                size_t& hit) {
    const size_t p = findInVideo(st, chunk, kSequenceHeaderCode, start, before);
    if (p == 0)
        return SearchResult::NotFound;
    if (st.setting && st.debugging()) {
        st.debug("Seq found at " + std::to_string(start + p));
        st.debug(hexDump(chunk.data, kChunkSize, p, 30));
    }
    if (p + kSeqHeaderFlagOffset > chunk.length)
        return nearEnd(st, chunk, "Seq", p, hit);
    StructureBytes s;
    if (mapVideoStructure(st, "Seq", chunk.fileOffset(p), kSeqHeaderExamined, s) &&
        st.walk.holdsVideoStructure(s)) {
        if (st.setting)
            setSequenceHeader(st, s);
        else
            resetSequenceHeader(st, s);
    }
    start = p + 8;
    return SearchResult::Handled;
}

/// Edits bytes 28 and 29 of an RDI-PCK towards 16:9 (setting) or 4:3.
void editRdiPck(PatchState& st, const ScanChunk& chunk, size_t p) {
    StructureBytes s;  // a PES packet of its own: its bytes are never cut by another header
    s.count = kRdiPckExamined;
    for (size_t i = 0; i < s.count; ++i) {
        s.value[i] = chunk.data[p - 1 + i];
        s.offset[i] = chunk.fileOffset(p + i);
    }
    uint8_t work[2] = {s.value[kRdiPckFlagOffset], s.value[kRdiPckFlagOffset + 1]};
    bool changed = false;
    if (!(work[0] & 0x40))
        work[0] |= 0x40, changed = true;
    if (st.setting && (work[1] & 0xF0) != 0x10)
        work[1] = (work[1] & 0x0F) | 0x10, changed = true;
    if (!st.setting && work[1] > 0x0F)
        work[1] &= 0x0F, changed = true;
    if (changed)
        writeStructure(st, s, kRdiPckFlagOffset, work, 2);
}

SearchResult rdiPckStep(PatchState& st, const ScanChunk& chunk, size_t& start, size_t before, size_t& hit) {
    const uint8_t* b = chunk.data;
    for (;;) {
        const size_t p = chunk.find(kPrivateStream2, start, before);
        if (p == 0)
            return SearchResult::NotFound;
        if (p + kRdiPckExamined - 1 > chunk.length)
            return nearEnd(st, chunk, "RDI-PCK", p, hit);
        if (st.walk.active() && !st.walk.packetAt(chunk.fileOffset(p), kPrivateStream2)) {
            start = p + 1;  // the same bytes inside another packet's payload
            continue;
        }
        const bool rdi = isRdiPck(b[p + 3], b[p + 4], b[p + 5]);
        if (!st.setting && !rdi) {  // resetting looks for the seven bytes of an RDI-PCK only
            start = p + 1;
            continue;
        }
        if (rdi) {
            if (st.setting)
                ++st.priv2Count;
            editRdiPck(st, chunk, p);
        }
        start = p + kRdiPckExamined - 1;
        return SearchResult::Handled;
    }
}

void applySdeMode(PatchState& st, const StructureBytes& s, size_t d) {
    int h = 0, v = 0;
    decodeDisplaySize(&s.value[d], h, v);
    const SdeMode mode = st.ctx.settings.sdeMode;
    if (mode == SdeMode::Remove) {
        // A run of zero bytes is valid stuffing before the next start code: the extension is gone.
        const std::array<uint8_t, kSdeMaxLength> zeros{};
        writeStructure(st, s, 0, zeros.data(), d + 4);
        return;
    }
    const int wantH = mode == SdeMode::SequenceHeaderSize ? st.seqHorSize : 720;
    if ((mode != SdeMode::SequenceHeaderSize && mode != SdeMode::Width720) ||
        (h == wantH && v == st.seqVerSize))
        return;
    DisplaySizeBytes size;
    encodeDisplaySize(wantH, st.seqVerSize, size);
    writeStructure(st, s, d, size.data(), size.size());
}

void handleSde(PatchState& st, int64_t offset) {
    StructureBytes s;
    if (!mapVideoStructure(st, "sde", offset, kSdeIdentifierOffset + 1, s))
        return;
    const uint8_t b4 = s.value[kSdeIdentifierOffset];
    if (!isValidVideoFormat(b4) || (b4 >> 4) != kSequenceDisplayExtensionId)
        return;
    ++st.sdeCount;
    const size_t d = (b4 & 1) ? 8 : 5;  // colour_description adds three bytes
    if (!mapVideoStructure(st, "sde", offset, d + 4, s) || !st.walk.holdsVideoStructure(s))
        return;
    if (!isBitSet(s.value[d + 1], 1) || (s.value[d + 3] & 0x07) != 0)
        return;
    applySdeMode(st, s, d);
}

SearchResult sdeStep(PatchState& st, const ScanChunk& chunk, size_t& start, size_t before, size_t& hit) {
    const size_t p = findInVideo(st, chunk, kExtensionStartCode, start, before, mayBeDisplayExtension);
    if (p == 0)
        return SearchResult::NotFound;
    if (p + kSdeMaxLength > chunk.length)
        return nearEnd(st, chunk, "sde", p, hit);
    handleSde(st, chunk.fileOffset(p));
    start = p + 4;
    return SearchResult::Handled;
}

template <typename Step>
SearchKind kindOf(PatchState& st, uint8_t code, Step step) {
    SearchKind kind;
    kind.code = code;
    kind.step = [&st, step](const ScanChunk& chunk, size_t& start, size_t before, size_t& hit) {
        return step(st, chunk, start, before, hit);
    };
    return kind;
}

/// The searches of one pass, in their order: RDI-PCK, sequence header, extension.
std::vector<SearchKind> searchKinds(PatchState& st) {
    std::vector<SearchKind> kinds;
    if (!st.setting || st.ctx.settings.rdiPckMode != RdiPckMode::Keep)
        kinds.push_back(kindOf(st, kPrivateStream2, rdiPckStep));
    kinds.push_back(kindOf(st, kSequenceHeaderCode, sequenceHeaderStep));
    if (st.setting && st.ctx.settings.sdeMode != SdeMode::Keep)
        kinds.push_back(kindOf(st, kExtensionStartCode, sdeStep));
    return kinds;
}

void scanFile(PatchState& st) {
    std::vector<SearchKind> kinds = searchKinds(st);
    const auto walk = [&st](const ScanChunk& chunk) {
        st.walk.advance(chunk.data, chunk.length, chunk.offset, chunk.last);
        noteSkippedBytes(st);
    };
    ChunkDone hashed;
    if (st.digest)
        hashed = [&st](const ScanChunk& chunk, int64_t end) { st.digest->chunkDone(chunk, end); };
    runChunkScan(st.file, st.bytes, kinds, st.setting ? setTail : resetTail, walk, hashed);
    st.walk.finish();
    noteSkippedBytes(st);
}

int openForScan(platform::RandomAccessFile& raw, const std::string& path, const ScanOptions& options,
                bool writable) {
    raw.setFaults(options.faults);
    return raw.open(path, writable, options.noFollow);
}

void noteEntering(const RunContext& ctx, FlagChange change, const std::string& path) {
    if (change == FlagChange::Set)
        ctx.debug("entering setwsflag for file: " + path);
}

/// Plans every edit of change in the open file; the log says what setting found, as it always
/// has. The file stays open for the writes.
ScanPlan planOpenFile(platform::RandomAccessFile& raw, const std::string& path, FlagChange change,
                      const RunContext& ctx, bool takeDigest = false) {
    const bool setting = change == FlagChange::Set;
    if (setting)
        ctx.debug("got valid handle for file: " + path);
    StreamFile file(raw, true);
    ByteSource bytes(file);
    PatchState patch{ctx, file, bytes};
    patch.setting = setting;
    ScanDigest digest(file);
    if (takeDigest)
        patch.digest = &digest;
    scanFile(patch);
    if (setting) {
        ctx.debug("readcount=0, leaving setwsflag!");
        ctx.debug("setwsflag finish. # of WS:" + std::to_string(patch.wsCount) + "  # of priv2:" +
                  std::to_string(patch.priv2Count) + "  # of sde:" + std::to_string(patch.sdeCount));
    }
    ScanPlan plan{Outcome::fromError(file.error(), path), editsOfPlannedBytes(file.planned()), {}};
    int64_t size = 0;
    if (takeDigest && plan.outcome.ok() && raw.size(size) == 0)
        plan.digest = digest.result(size);
    return plan;
}

/// Plans and writes on one open file, so that the file planned is the file written. A reset
/// gives the file its times back.
ScanOutcome planAndApply(const std::string& path, FlagChange change, const RunContext& ctx,
                         const ScanOptions& options) {
    noteEntering(ctx, change, path);
    platform::RandomAccessFile raw;
    if (const int error = openForScan(raw, path, options, true))
        return {Outcome::failure(error, path), {}, {}, {}};
    platform::FileTimes times;
    const bool keepTimes = change == FlagChange::Reset && platform::getFileTimes(path, times) == 0;
    const ScanPlan plan = planOpenFile(raw, path, change, ctx, options.digest);
    // A file not read to its end gets none of its edits.
    ScanOutcome outcome = plan.outcome.ok() ? writeEditsAndClose(raw, path, plan.edits, options.flush)
                                            : ScanOutcome{plan.outcome, {}, {}, {}};
    if (outcome.outcome.ok())
        outcome.digest = plan.digest;
    raw.close();
    if (keepTimes)
        platform::setFileTimes(path, times);
    return outcome;
}

}  // namespace

bool isStreamExtension(std::string_view ext) {
    return platform::equalsNoCase(ext, "MPG") || platform::equalsNoCase(ext, "MOD");
}

ScanPlan planWideScreenEdits(const std::string& path, FlagChange change, const RunContext& ctx,
                             const ScanOptions& options) {
    noteEntering(ctx, change, path);
    platform::RandomAccessFile raw;
    if (const int error = openForScan(raw, path, options, false))
        return {Outcome::failure(error, path), {}, {}};
    return planOpenFile(raw, path, change, ctx);
}

ScanOutcome applyStreamEdits(const std::string& path, const std::vector<StreamEdit>& edits,
                             const ScanOptions& options) {
    if (edits.empty())
        return {};
    platform::RandomAccessFile raw;
    if (const int error = openForScan(raw, path, options, true))
        return {Outcome::failure(error, path), {}, {}, {}};
    return writeEditsAndClose(raw, path, edits, options.flush);
}

ScanOutcome setWideScreenFlag(const std::string& path, const RunContext& ctx, const ScanOptions& options) {
    return planAndApply(path, FlagChange::Set, ctx, options);
}

ScanOutcome resetWideScreenFlag(const std::string& path, const RunContext& ctx, const ScanOptions& options) {
    return planAndApply(path, FlagChange::Reset, ctx, options);
}

}  // namespace kadrel
