// The digest that stands for a file's contents: XXH3 with 128 bits, the hash Debian's xxh128sum
// checks. It is made for checksumming at memory speed, so taking it while a copy passes through
// memory costs next to nothing, and its 128 bits make an accidental match beyond reach.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace kadrel::platform {

/// A 128-bit digest; all zero until one was taken.
struct Digest {
    uint64_t high = 0;
    uint64_t low = 0;
    bool operator==(const Digest&) const = default;
    /// As xxh128sum prints it: 32 lowercase hex digits, the high half first.
    std::string hex() const;
};

/// Takes the digest of bytes fed in order, in as many pieces as they come.
class DigestState {
  public:
    DigestState();
    ~DigestState();
    DigestState(const DigestState&) = delete;
    DigestState& operator=(const DigestState&) = delete;

    void update(const void* data, size_t n);
    Digest digest() const;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace kadrel::platform
