#include "platform/content_digest.h"

#include <xxhash.h>

#include <cstdio>
#include <new>

namespace kadrel::platform {

struct DigestState::State {
    XXH3_state_t* xxh = XXH3_createState();
    ~State() { XXH3_freeState(xxh); }
};

DigestState::DigestState() : state_(std::make_unique<State>()) {
    if (!state_->xxh)
        throw std::bad_alloc();
    XXH3_128bits_reset(state_->xxh);
}

DigestState::~DigestState() = default;

void DigestState::update(const void* data, size_t n) {
    XXH3_128bits_update(state_->xxh, data, n);
}

Digest DigestState::digest() const {
    const XXH128_hash_t h = XXH3_128bits_digest(state_->xxh);
    return {h.high64, h.low64};
}

std::string Digest::hex() const {
    char text[33];
    std::snprintf(text, sizeof text, "%016llx%016llx", static_cast<unsigned long long>(high),
                  static_cast<unsigned long long>(low));
    return text;
}

}  // namespace kadrel::platform
