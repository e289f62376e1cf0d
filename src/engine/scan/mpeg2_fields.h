// Byte-level fields of the MPEG-2 structures the wide-screen scan reads and edits, named
// after ISO/IEC 13818-1 (program stream) and ISO/IEC 13818-2 (video).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace kadrel {

struct RunContext;

// Start code values: the byte after the 00 00 01 prefix.
inline constexpr uint8_t kSequenceHeaderCode = 0xB3;  ///< 13818-2 table 6-1
inline constexpr uint8_t kExtensionStartCode = 0xB5;  ///< 13818-2 table 6-1
inline constexpr uint8_t kProgramEndCode = 0xB9;      ///< 13818-1 table 2-18; lowest system code
inline constexpr uint8_t kPackStartCode = 0xBA;       ///< 13818-1 pack_header
inline constexpr uint8_t kSystemHeaderStartCode = 0xBB;
inline constexpr uint8_t kPrivateStream2 = 0xBF;    ///< stream_id of the RDI-PCK
inline constexpr uint8_t kVideoStreamFirst = 0xE0;  ///< stream_id 1110 xxxx
inline constexpr uint8_t kVideoStreamLast = 0xEF;

/// extension_start_code_identifier of sequence_display_extension (13818-2 table 6-2).
inline constexpr uint8_t kSequenceDisplayExtensionId = 2;
/// aspect_ratio_information codes (13818-2 table 6-3).
inline constexpr uint8_t kAspect4x3 = 2;
inline constexpr uint8_t kAspect16x9 = 3;

/// PES_packet_length and sub-stream byte that mark a private stream 2 packet as RDI-PCK.
inline constexpr uint8_t kRdiPckLengthHigh = 0x07;
inline constexpr uint8_t kRdiPckLengthLow = 0xD4;
inline constexpr uint8_t kRdiPckSubstream = 0x50;

// Offsets from the first byte of a structure's start code.
inline constexpr size_t kSeqHeaderFlagOffset = 7;  ///< aspect_ratio_information | frame_rate_code
inline constexpr size_t kSeqHeaderExamined = 8;    ///< bytes 0..7 are read
inline constexpr size_t kRdiPckFlagOffset = 28;    ///< bit 6 and the aspect nibble byte after it
inline constexpr size_t kRdiPckExamined = 30;
inline constexpr size_t kSdeIdentifierOffset = 4;
inline constexpr size_t kSdeMaxLength = 12;  ///< with colour_description

/// The four bytes of a display size as sequence_display_extension stores them.
using DisplaySizeBytes = std::array<uint8_t, 4>;

/// horizontal_size_value of a sequence header from its bytes 4 and 5.
int horizontalSize(uint8_t byte4, uint8_t byte5);
/// vertical_size_value of a sequence header from its bytes 5 and 6.
int verticalSize(uint8_t byte5, uint8_t byte6);
/// True when a sequence header's byte 7 holds aspect ratio 1..4 and frame rate code 1..8.
bool isAcceptedFlagByte(uint8_t byte7);
/// True when horizontal_size is 720, 704 or 352; logs the test when debugmode is on.
bool isValidHorizontalResolution(uint8_t byte4, uint8_t byte5, const RunContext& ctx);
/// The byte as two upper-case hexadecimal digits.
std::string byteToHex(uint8_t value);
/// count bytes from index start, each followed by a blank; from index 0 when they would
/// run past the end of the buffer.
std::string hexDump(const uint8_t* buffer, size_t bufferSize, size_t start, size_t count);
/// True when the video_format of an extension's byte 4 is 1 (PAL) or 2 (NTSC).
bool isValidVideoFormat(uint8_t byte4);
/// True when bit n (value 2^n) of the byte is set.
bool isBitSet(uint8_t value, int n);
/// display_horizontal_size, marker bit and display_vertical_size as four bytes.
void encodeDisplaySize(int h, int v, DisplaySizeBytes& out);
/// Decodes the four display-size bytes into horizontal and vertical size.
void decodeDisplaySize(const uint8_t* bytes, int& h, int& v);
/// True for the PES_packet_length and sub-stream bytes of an RDI-PCK.
bool isRdiPck(uint8_t byte4, uint8_t byte5, uint8_t byte6);

}  // namespace kadrel
