#include "zip/zip_crypt.h"

#include <array>

#include "zip/zip_errors.h"
#include "zip/zipheaders.h"

namespace zip {

namespace {

std::array<uint32_t, 256> MakeTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

}  // namespace

const uint32_t* CrcTable() {
  static const std::array<uint32_t, 256> table = MakeTable();
  return table.data();
}

void UpdateCRC(uint32_t& crc, const uint8_t* buffer, int64_t count) {
  const uint32_t* table = CrcTable();
  uint32_t c = crc;
  for (int64_t i = 0; i < count; ++i) c = table[(c ^ buffer[i]) & 0xFF] ^ (c >> 8);
  crc = c;
}

void ZipDecrypter::InitKeys(std::string_view password) {
  key0 = 0x12345678;
  key1 = 0x23456789;
  key2 = 0x34567890;
  for (char c : password) UpdateKeys(static_cast<uint8_t>(c));
}

void ZipDecrypter::UpdateKeys(uint8_t c) {
  key0 = Crc32Byte(key0, c);
  key1 = (key1 + (key0 & 0xFF)) * 134775813u + 1;
  key2 = Crc32Byte(key2, static_cast<uint8_t>(key1 >> 24));
}

uint8_t ZipDecrypter::DecryptByte() const {
  uint32_t t = (key2 | 2) & 0xFFFF;
  return static_cast<uint8_t>((t * (t ^ 1)) >> 8);
}

void ZipDecrypter::DecryptBuffer(uint8_t* buffer, int64_t count) {
  for (int64_t i = 0; i < count; ++i) {
    uint8_t plain = buffer[i] ^ DecryptByte();
    UpdateKeys(plain);
    buffer[i] = plain;
  }
}

uint8_t ZipDecrypter::DecryptHeader(std::string_view password, uint8_t* header) {
  InitKeys(password);
  DecryptBuffer(header, kEncryptionHeaderSize);
  return header[kEncryptionHeaderSize - 1];
}

uint8_t ZipDecrypter::ReadEncryptionHeader(std::string_view password, pf::TStream& stream, int64_t& remaining) {
  uint8_t header[kEncryptionHeaderSize];
  if (remaining < kEncryptionHeaderSize || ReadFully(stream, header, kEncryptionHeaderSize) < kEncryptionHeaderSize)
    throw EFatalUnzipError(kMsgPrematureEnd);
  remaining -= kEncryptionHeaderSize;
  return DecryptHeader(password, header);
}

}  // namespace zip
