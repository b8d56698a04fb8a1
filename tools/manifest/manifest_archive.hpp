// manifest_archive.hpp — the manifest archive that every MEX file carries.
//
// A MEX file embeds, in its initialised data, a small ZIP archive that names
// the bundle and the host interface it was built for. Its code never reads
// it; the host does. This header builds that archive, byte for byte:
//
//   makeBundleUuid()      a fresh random version-4 UUID, lower-case canonical
//   makeManifestJson()    the text of "mexVersioning/manifest.json"
//   toDosDateTime()       a POSIX time as a ZIP (MS-DOS) date and time
//   makeManifestArchive() the whole archive: two entries, central directory,
//                         end record, no comment
//
// Every field of the archive is fixed in manifest_archive.cpp, where the
// choices left open by the ZIP format are explained.
//
//   std::string json = makeManifestJson(makeBundleUuid());
//   std::vector<std::uint8_t> zip = makeManifestArchive(json, toDosDateTime(std::time(nullptr)));
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace armkin::manifest {

// A date and time in the two 16-bit words of a ZIP header (MS-DOS format):
// date = (year - 1980) << 9 | month << 5 | day, time = hour << 11 |
// minute << 5 | second / 2.
struct DosDateTime {
  std::uint16_t time;
  std::uint16_t date;
};

// 16 bytes from the system's random source, with the version (4) and
// variant (10xx) bits set, as "xxxxxxxx-xxxx-4xxx-yxxx-xxxxxxxxxxxx" in
// lower-case hexadecimal digits.
std::string makeBundleUuid();

// The manifest text for one bundle; `uuid` is inserted as given.
std::string makeManifestJson(const std::string& uuid);

// Seconds since 1970-01-01 00:00:00 UTC as a DOS date and time in UTC.
// Seconds are rounded down to an even number; times outside the range the
// format can hold (1980-01-01 00:00:00 to 2107-12-31 23:59:58) are clamped
// to its ends.
DosDateTime toDosDateTime(long long unixSeconds);

// The complete archive holding `json` as "mexVersioning/manifest.json",
// followed by the directory entry "mexVersioning/", both stamped `stamp`.
// Throws std::runtime_error if deflate fails.
std::vector<std::uint8_t> makeManifestArchive(const std::string& json, DosDateTime stamp);

}  // namespace armkin::manifest
