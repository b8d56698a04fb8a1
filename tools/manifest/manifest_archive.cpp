// manifest_archive.cpp — the manifest text and its ZIP archive.
//
// The archive, in file order (all numbers little-endian):
//
//   local header     "mexVersioning/manifest.json"  deflated, sizes deferred
//   deflate data     the JSON text, raw deflate (zlib level 6, the default)
//   data descriptor  signature, CRC-32, compressed size, uncompressed size
//   local header     "mexVersioning/"               stored, empty
//   central directory, one header per entry, in the same order
//   end of central directory record, no comment
//
// Fields the ZIP format leaves to the writer, and what this writer puts:
//
//   version made by     0x0014: 2.0, MS-DOS attribute compatibility, so the
//                       external attributes are the DOS attribute byte
//                       (0x10 = directory) and nothing else
//   version needed      2.0 for both entries (deflate; a folder)
//   flags               0x0808 for the deflated entry (bit 3: sizes and CRC
//                       in the trailing data descriptor, bit 11: UTF-8
//                       name); 0x0800 for the directory, whose sizes are
//                       known to be zero and need no descriptor; bits 1-2
//                       clear, matching deflate's default level
//   date and time       the same stamp on both entries: the time the tool
//                       runs, in UTC, or SOURCE_DATE_EPOCH when the build
//                       sets it (see mexmanifest.cpp)
//   data descriptor     with its optional signature 0x08074b50
//   extra fields        none; file comments none; internal attributes 0
//   external attributes 0 for the text, 0x10 for the directory
//   disk numbers        0
#include "manifest_archive.hpp"

#include <zlib.h>

#include <array>
#include <cstddef>
#include <random>
#include <stdexcept>

namespace armkin::manifest {
namespace {

// The manifest, line by line, exactly as it is written: one tab per level
// of indentation, " : " around every colon (the blank after the colon stays
// where a nested object follows on the next line), the opening brace of a
// nested object on a line of its own, and a line feed after every line,
// the last one included. "@UUID@" stands for the bundle's UUID.
constexpr const char* kManifestLines[] = {
    "{",
    "\t\"bundle.symbolic_name\" : \"@UUID@\",",
    "\t\"mw\" : ",
    "\t{",
    "\t\t\"mex\" : ",
    "\t\t{",
    "\t\t\t\"apiVersion\" : 0,",
    "\t\t\t\"release\" : \"R2024a\",",
    "\t\t\t\"threadpoolSafe\" : 0",
    "\t\t}",
    "\t}",
    "}",
};
constexpr const char kUuidPlaceholder[] = "@UUID@";

constexpr char kJsonName[] = "mexVersioning/manifest.json";
constexpr char kDirectoryName[] = "mexVersioning/";

constexpr std::uint32_t kLocalHeaderSignature = 0x04034b50;
constexpr std::uint32_t kDataDescriptorSignature = 0x08074b50;
constexpr std::uint32_t kCentralHeaderSignature = 0x02014b50;
constexpr std::uint32_t kEndOfCentralDirectorySignature = 0x06054b50;

constexpr std::uint16_t kVersionMadeBy = 0x0014;  // MS-DOS attributes, 2.0
constexpr std::uint16_t kVersionNeeded = 20;      // 2.0
constexpr std::uint16_t kFlagDataDescriptor = 1u << 3;
constexpr std::uint16_t kFlagUtf8Names = 1u << 11;
constexpr std::uint16_t kMethodStored = 0;
constexpr std::uint16_t kMethodDeflated = 8;
constexpr std::uint32_t kDosDirectoryAttribute = 0x10;

// One entry as the central directory describes it.
struct Entry {
  std::string name;
  std::uint16_t flags;
  std::uint16_t method;
  std::uint32_t crc;
  std::uint32_t compressedSize;
  std::uint32_t uncompressedSize;
  std::uint32_t externalAttributes;
  std::uint32_t localHeaderOffset;
};

class ByteWriter {
 public:
  void u16(std::uint16_t v) {
    bytes_.push_back(static_cast<std::uint8_t>(v & 0xffu));
    bytes_.push_back(static_cast<std::uint8_t>(v >> 8));
  }
  void u32(std::uint32_t v) {
    u16(static_cast<std::uint16_t>(v & 0xffffu));
    u16(static_cast<std::uint16_t>(v >> 16));
  }
  void raw(const std::uint8_t* data, std::size_t size) { bytes_.insert(bytes_.end(), data, data + size); }
  void text(const std::string& s) { raw(reinterpret_cast<const std::uint8_t*>(s.data()), s.size()); }
  std::uint32_t offset() const { return static_cast<std::uint32_t>(bytes_.size()); }
  std::vector<std::uint8_t> take() { return std::move(bytes_); }

 private:
  std::vector<std::uint8_t> bytes_;
};

std::vector<std::uint8_t> rawDeflate(const std::string& text) {
  z_stream stream{};
  // Negative window bits: raw deflate data, no zlib header or trailer.
  if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    throw std::runtime_error("deflateInit2 failed");
  }
  std::vector<std::uint8_t> out(deflateBound(&stream, static_cast<uLong>(text.size())));
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  stream.avail_in = static_cast<uInt>(text.size());
  stream.next_out = out.data();
  stream.avail_out = static_cast<uInt>(out.size());
  const int status = deflate(&stream, Z_FINISH);
  const uLong produced = stream.total_out;
  deflateEnd(&stream);
  if (status != Z_STREAM_END) {
    throw std::runtime_error("deflate failed");
  }
  out.resize(produced);
  return out;
}

// Local header; CRC and sizes are those known at this point (zero for an
// entry whose data descriptor follows its data).
void writeLocalHeader(ByteWriter& w, const Entry& e, DosDateTime stamp) {
  const bool deferred = (e.flags & kFlagDataDescriptor) != 0;
  w.u32(kLocalHeaderSignature);
  w.u16(kVersionNeeded);
  w.u16(e.flags);
  w.u16(e.method);
  w.u16(stamp.time);
  w.u16(stamp.date);
  w.u32(deferred ? 0 : e.crc);
  w.u32(deferred ? 0 : e.compressedSize);
  w.u32(deferred ? 0 : e.uncompressedSize);
  w.u16(static_cast<std::uint16_t>(e.name.size()));
  w.u16(0);  // extra field length
  w.text(e.name);
}

void writeCentralHeader(ByteWriter& w, const Entry& e, DosDateTime stamp) {
  w.u32(kCentralHeaderSignature);
  w.u16(kVersionMadeBy);
  w.u16(kVersionNeeded);
  w.u16(e.flags);
  w.u16(e.method);
  w.u16(stamp.time);
  w.u16(stamp.date);
  w.u32(e.crc);
  w.u32(e.compressedSize);
  w.u32(e.uncompressedSize);
  w.u16(static_cast<std::uint16_t>(e.name.size()));
  w.u16(0);  // extra field length
  w.u16(0);  // file comment length
  w.u16(0);  // disk number start
  w.u16(0);  // internal attributes
  w.u32(e.externalAttributes);
  w.u32(e.localHeaderOffset);
  w.text(e.name);
}

// Days since 1970-01-01 to a proleptic Gregorian year, month and day.
void civilFromDays(long long days, long long& year, unsigned& month, unsigned& day) {
  days += 719468;
  const long long era = (days >= 0 ? days : days - 146096) / 146097;
  const unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
  const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned shiftedMonth = (5 * dayOfYear + 2) / 153;  // March = 0
  day = dayOfYear - (153 * shiftedMonth + 2) / 5 + 1;
  month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
  year = static_cast<long long>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0);
}

}  // namespace

std::string makeBundleUuid() {
  std::random_device source;
  std::array<std::uint8_t, 16> b{};
  for (std::size_t i = 0; i < b.size(); i += 4) {
    const std::uint32_t word = source();
    for (std::size_t k = 0; k < 4; ++k) {
      b[i + k] = static_cast<std::uint8_t>(word >> (8 * k));
    }
  }
  b[6] = static_cast<std::uint8_t>((b[6] & 0x0fu) | 0x40u);  // version 4
  b[8] = static_cast<std::uint8_t>((b[8] & 0x3fu) | 0x80u);  // variant 10xx
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string uuid;
  for (std::size_t i = 0; i < b.size(); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) {
      uuid += '-';
    }
    uuid += kDigits[b[i] >> 4];
    uuid += kDigits[b[i] & 0x0fu];
  }
  return uuid;
}

std::string makeManifestJson(const std::string& uuid) {
  std::string json;
  for (const char* line : kManifestLines) {
    json += line;
    json += '\n';
  }
  json.replace(json.find(kUuidPlaceholder), sizeof kUuidPlaceholder - 1, uuid);
  return json;
}

DosDateTime toDosDateTime(long long unixSeconds) {
  constexpr long long kFirst = 315532800;   // 1980-01-01 00:00:00
  constexpr long long kLast = 4354819198;   // 2107-12-31 23:59:58
  const long long t = unixSeconds < kFirst ? kFirst : (unixSeconds > kLast ? kLast : unixSeconds);
  const long long days = t / 86400;
  const long long secondsOfDay = t % 86400;
  long long year = 0;
  unsigned month = 0;
  unsigned day = 0;
  civilFromDays(days, year, month, day);
  const auto hour = static_cast<unsigned>(secondsOfDay / 3600);
  const auto minute = static_cast<unsigned>(secondsOfDay / 60 % 60);
  const auto second = static_cast<unsigned>(secondsOfDay % 60);
  DosDateTime stamp{};
  stamp.date = static_cast<std::uint16_t>((static_cast<unsigned>(year - 1980) << 9) | (month << 5) | day);
  stamp.time = static_cast<std::uint16_t>((hour << 11) | (minute << 5) | (second / 2));
  return stamp;
}

std::vector<std::uint8_t> makeManifestArchive(const std::string& json, DosDateTime stamp) {
  const std::vector<std::uint8_t> deflated = rawDeflate(json);
  ByteWriter w;

  Entry text{};
  text.name = kJsonName;
  text.flags = kFlagDataDescriptor | kFlagUtf8Names;
  text.method = kMethodDeflated;
  text.crc = static_cast<std::uint32_t>(
      crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(json.data()), static_cast<uInt>(json.size())));
  text.compressedSize = static_cast<std::uint32_t>(deflated.size());
  text.uncompressedSize = static_cast<std::uint32_t>(json.size());
  text.externalAttributes = 0;
  text.localHeaderOffset = w.offset();
  writeLocalHeader(w, text, stamp);
  w.raw(deflated.data(), deflated.size());
  w.u32(kDataDescriptorSignature);
  w.u32(text.crc);
  w.u32(text.compressedSize);
  w.u32(text.uncompressedSize);

  Entry directory{};
  directory.name = kDirectoryName;
  directory.flags = kFlagUtf8Names;
  directory.method = kMethodStored;
  directory.externalAttributes = kDosDirectoryAttribute;
  directory.localHeaderOffset = w.offset();
  writeLocalHeader(w, directory, stamp);

  const std::uint32_t centralStart = w.offset();
  writeCentralHeader(w, text, stamp);
  writeCentralHeader(w, directory, stamp);
  const std::uint32_t centralSize = w.offset() - centralStart;

  w.u32(kEndOfCentralDirectorySignature);
  w.u16(0);  // number of this disk
  w.u16(0);  // disk where the central directory starts
  w.u16(2);  // entries on this disk
  w.u16(2);  // entries in all
  w.u32(centralSize);
  w.u32(centralStart);
  w.u16(0);  // comment length
  return w.take();
}

}  // namespace armkin::manifest
