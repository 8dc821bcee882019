// CRC-32 (reflected polynomial 0xEDB88320) and the traditional ZIP decryption.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/core/streams.h"

namespace zip {

// The bytes before an encrypted entry's data that carry the password check.
inline constexpr int kEncryptionHeaderSize = 12;

// The table of the byte-wise CRC-32.
const uint32_t* CrcTable();
// Runs count bytes through the CRC register crc (start with 0xFFFFFFFF, complement at the end).
void UpdateCRC(uint32_t& crc, const uint8_t* buffer, int64_t count);
inline uint32_t Crc32Byte(uint32_t crc, uint8_t b) { return CrcTable()[(crc ^ b) & 0xFF] ^ (crc >> 8); }

class ZipDecrypter {
 public:
  // Keys from their initial values and each byte of the password.
  void InitKeys(std::string_view password);
  void UpdateKeys(uint8_t c);
  uint8_t DecryptByte() const;
  // Decrypts count bytes in place.
  void DecryptBuffer(uint8_t* buffer, int64_t count);
  // Initialises the keys from password, decrypts the 12-byte header in place and returns its last byte (the
  // check byte).
  uint8_t DecryptHeader(std::string_view password, uint8_t* header);
  // Reads the 12 header bytes that precede the data, lowers remaining by 12 and returns the check byte. A stream
  // that ends first raises EFatalUnzipError "Premature end of file reached".
  uint8_t ReadEncryptionHeader(std::string_view password, pf::TStream& stream, int64_t& remaining);

  uint32_t key0 = 0x12345678;
  uint32_t key1 = 0x23456789;
  uint32_t key2 = 0x34567890;
};

}  // namespace zip
