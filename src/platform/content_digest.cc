#include "platform/content_digest.h"

#include <xxhash.h>
#if defined(KADREL_XXH_DISPATCH)
#include <xxh_x86dispatch.h>
#endif

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
#if defined(KADREL_XXH_DISPATCH)
    // The library's build serves every x86-64 processor; this entry picks the widest vector
    // unit the processor has (AVX2, AVX-512) when first called. The digest is the same.
    XXH3_128bits_update_dispatch(state_->xxh, data, n);
#else
    XXH3_128bits_update(state_->xxh, data, n);
#endif
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
