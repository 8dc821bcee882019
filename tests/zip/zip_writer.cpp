#include "tests/zip/zip_writer.h"

#include <zlib.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace ziptest {

namespace {

void Put16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(Bytes& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

// The traditional encryption: a 12-byte header ending in the check byte, then the data, all run through the key
// stream of the password.
Bytes Encrypt(const std::string& password, uint8_t check, const Bytes& data) {
  const z_crc_t* table = get_crc_table();
  auto crc = [table](uint32_t k, uint8_t b) { return static_cast<uint32_t>(table[(k ^ b) & 0xFF]) ^ (k >> 8); };
  uint32_t keys[3] = {0x12345678, 0x23456789, 0x34567890};
  auto update = [&](uint8_t c) {
    keys[0] = crc(keys[0], c);
    keys[1] = (keys[1] + (keys[0] & 0xFF)) * 134775813u + 1;
    keys[2] = crc(keys[2], static_cast<uint8_t>(keys[1] >> 24));
  };
  for (char c : password) update(static_cast<uint8_t>(c));
  Bytes plain = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB, check};
  plain.insert(plain.end(), data.begin(), data.end());
  Bytes out;
  for (uint8_t p : plain) {
    uint32_t t = (keys[2] | 2) & 0xFFFF;
    out.push_back(static_cast<uint8_t>(p ^ ((t * (t ^ 1)) >> 8)));
    update(p);
  }
  return out;
}

}  // namespace

Bytes ToBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

TestEntry MakeEntry(std::string name, Bytes data, uint16_t method) {
  TestEntry e;
  e.name = std::move(name);
  e.data = std::move(data);
  e.method = method;
  return e;
}

uint32_t Crc32Of(const Bytes& data) {
  return static_cast<uint32_t>(crc32(0L, data.data(), static_cast<uInt>(data.size())));
}

Bytes RawDeflate(const Bytes& data, int level, int strategy) {
  z_stream z{};
  if (deflateInit2(&z, level, Z_DEFLATED, -15, 8, strategy) != Z_OK) throw std::runtime_error("zlib");
  Bytes out(deflateBound(&z, data.size()) + 16);
  z.next_in = const_cast<Bytef*>(data.data());
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  if (deflate(&z, Z_FINISH) != Z_STREAM_END) throw std::runtime_error("zlib");
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

Bytes BuildZip(const TestArchive& archive) {
  Bytes out;
  Bytes central;
  for (const TestEntry& e : archive.entries) {
    Bytes data = !e.packed.empty() ? e.packed : e.method == 8 ? RawDeflate(e.data) : e.data;
    if (e.password) {
      // The check byte: the time's high byte when the sizes follow the data, else the CRC's.
      uint8_t check = static_cast<uint8_t>(e.flags & 8 ? e.dosDateTime >> 8 : Crc32Of(e.data) >> 24);
      data = Encrypt(*e.password, check, data);
    }
    // The fields from "version needed" to the extra length, shared by the local header and the central record.
    auto common = [&](Bytes& b, uint16_t extra) {
      Put16(b, e.versionNeeded);
      Put16(b, e.flags | (e.password ? 1 : 0));
      Put16(b, e.method);
      Put32(b, e.dosDateTime);
      Put32(b, Crc32Of(e.data));
      Put32(b, static_cast<uint32_t>(data.size()));
      Put32(b, static_cast<uint32_t>(static_cast<int64_t>(e.data.size()) + e.uncompressedDelta));
      Put16(b, static_cast<uint32_t>(e.name.size()));
      Put16(b, extra);
    };
    Put32(central, 0x02014B50);
    Put16(central, e.versionMadeBy);
    common(central, e.centralExtra);
    Put32(central, 0);  // comment length, disk
    Put16(central, e.internalAttributes);
    Put32(central, e.externalAttributes);
    Put32(central, static_cast<uint32_t>(out.size()));
    central.insert(central.end(), e.name.begin(), e.name.end());
    central.insert(central.end(), e.centralExtra, 0);

    Put32(out, 0x04034B50);
    common(out, e.localExtra);
    out.insert(out.end(), e.name.begin(), e.name.end());
    out.insert(out.end(), e.localExtra, 0);
    out.insert(out.end(), data.begin(), data.end());
  }
  const uint32_t centralStart = static_cast<uint32_t>(out.size());
  if (archive.writeCentral) out.insert(out.end(), central.begin(), central.end());
  if (archive.writeEnd) {
    Put32(out, 0x06054B50);
    Put32(out, 0);  // this disk, the directory's disk
    Put16(out, static_cast<uint32_t>(archive.entries.size()));
    Put16(out, static_cast<uint32_t>(archive.entries.size()));
    Put32(out, archive.writeCentral ? static_cast<uint32_t>(central.size()) : 0);
    Put32(out, centralStart);
    Put16(out, static_cast<uint32_t>(archive.comment.size() & 0xFFFF));
    out.insert(out.end(), archive.comment.begin(), archive.comment.end());
  }
  out.insert(out.end(), archive.trailer.begin(), archive.trailer.end());
  return out;
}

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + path);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const Bytes& data) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace ziptest
