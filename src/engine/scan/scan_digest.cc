#include "engine/scan/scan_digest.h"

#include <algorithm>
#include <vector>

namespace kadrel {

void ScanDigest::chunkDone(const ScanChunk& chunk, int64_t end) {
    if (chunk.offset > hashedUpTo_)
        gap_ = true;  // never in a scan that reads on from where it stopped; no digest then
    const int64_t from = std::max(hashedUpTo_, chunk.offset);
    end = std::min(end, chunk.offset + static_cast<int64_t>(chunk.length));
    if (gap_ || end <= from)
        return;
    std::vector<uint8_t> bytes(chunk.data + (from - chunk.offset), chunk.data + (end - chunk.offset));
    const auto& planned = file_.planned();
    for (auto it = planned.lower_bound(from); it != planned.end() && it->first < end; ++it) {
        bytes[static_cast<size_t>(it->first - from)] = it->second.after;
        hashedPlanned_[it->first] = it->second.after;
    }
    hash_.update(bytes.data(), bytes.size());
    hashedUpTo_ = end;
}

std::optional<platform::Digest> ScanDigest::result(int64_t size) const {
    if (gap_ || hashedUpTo_ != size || file_.planned().size() != hashedPlanned_.size())
        return std::nullopt;
    for (const auto& [offset, planned] : file_.planned()) {
        const auto hashed = hashedPlanned_.find(offset);
        if (hashed == hashedPlanned_.end() || hashed->second != planned.after)
            return std::nullopt;
    }
    return hash_.digest();
}

}  // namespace kadrel
