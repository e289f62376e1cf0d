// Where each byte of a program stream lies, learnt pack by pack and packet by packet as the
// scan's chunks arrive, so that the scan reads the file only once. A structure is edited only
// in the packets it belongs to: video structures in video payload, the RDI-PCK in its own
// private stream 2 packet. A file that does not begin with a pack header is not walked.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/scan/ps_continuation.h"

namespace kadrel {

class PacketWalk {
  public:
    /// Bytes the walk could not read as packets: from a header that does not parse up to the
    /// next pack header, or to the end of the file (toEnd).
    struct Skip {
        int64_t from = 0;
        int64_t count = 0;
        bool toEnd = false;
    };

    /// Takes the chunk of length bytes at file offset offset. Chunks come in file order; a
    /// chunk may begin before the end of the one before it, never after it. last: the file
    /// ends with this chunk.
    void advance(const uint8_t* data, size_t length, int64_t offset, bool last);
    /// The file ended after the last chunk given (even a full one).
    void finish();
    /// True when the file began with a pack header: only then do the answers below restrict.
    bool active() const { return state_ != State::Undecided && state_ != State::Off; }
    /// True when the walk has passed offset (its packet or the bytes it skipped).
    bool passed(int64_t offset) const { return offset < next_; }
    /// The end of the video PES payload that holds the byte at offset, or -1 when the byte lies
    /// anywhere else or was not passed yet.
    int64_t videoPayloadEnd(int64_t offset) const;
    /// False when the file is walked and a byte of the structure lies outside video payload, or
    /// the structure is cut anywhere but at the end of its packet. Bytes the walk has not passed
    /// yet lie in later packets, which locateStructure has read with the same rules.
    bool holdsVideoStructure(const StructureBytes& s) const;
    /// True when a packet of stream id begins at offset.
    bool packetAt(int64_t offset, uint8_t id) const;
    /// The skips completed since the last call.
    std::vector<Skip> takeSkips();

  private:
    enum class State { Undecided, Off, Packets, Resync, Ended };
    /// A video or private stream 2 packet passed: its start code, payload and end.
    struct Packet {
        int64_t header = 0;
        int64_t payload = 0;
        int64_t end = 0;
        uint8_t id = 0;
    };
    static constexpr size_t kLongestHeader = 40;  ///< more than any header needs to be read

    void decide(const uint8_t* data, size_t length, int64_t offset);
    void stepWholeHeader(const uint8_t* b);
    bool stepHeader(const uint8_t* data, size_t length, int64_t offset, bool last);
    void searchPack(const uint8_t* data, size_t length, int64_t offset, bool last);
    const uint8_t* headerBytes(const uint8_t* data, size_t length, int64_t offset, size_t& n);
    void startResync();
    void take(uint8_t id, size_t payload, size_t length);
    void forgetPacketsBefore(int64_t offset);

    State state_ = State::Undecided;
    int64_t next_ = 0;  ///< where the next header begins, or where the pack search goes on
    int64_t skipFrom_ = 0;
    int64_t end_ = 0;                              ///< the end of the last chunk given
    std::array<uint8_t, kLongestHeader> carry_{};  ///< header bytes from next_ left by the last chunk
    size_t carried_ = 0;
    std::array<uint8_t, 2 * kLongestHeader> joined_{};
    std::vector<Packet> packets_;   ///< video and private stream 2 packets from head_ on
    size_t head_ = 0;               ///< the first packet that may still hold a byte of a chunk
    mutable size_t lastFound_ = 0;  ///< index of the packet of the last look-up
    std::vector<Skip> skips_;
};

}  // namespace kadrel
