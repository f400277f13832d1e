// Small helpers shared by the walk, the folder contents and the writers: NUL cutting,
// stamps, byte scaling, the order column and the rows' text collation.
#include <algorithm>

#include "listing/Listing.h"
#include "platform/Wildcard.h"

namespace dirsheet::listing {

std::string& delete_Null(std::string& text) {
  const std::size_t nul = text.find('\0');
  if (nul != std::string::npos) text.erase(nul);
  return text;
}

namespace {

// Days since 1970-01-01 to a civil date (proleptic Gregorian), after H. Hinnant.
void CivilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  y = static_cast<std::int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  if (m <= 2) ++y;
}

struct Civil {
  std::int64_t year;
  unsigned month, day;
  std::int64_t secondOfDay;
};

Civil CivilFromFileTime(std::uint64_t fileTime) {
  // FILETIME counts 100 ns from 1601-01-01; 11644473600 s lie between 1601 and 1970.
  const std::int64_t seconds = static_cast<std::int64_t>(fileTime / 10000000ULL) - 11644473600LL;
  std::int64_t days = seconds / 86400;
  std::int64_t rest = seconds % 86400;
  if (rest < 0) {
    rest += 86400;
    --days;
  }
  Civil c;
  CivilFromDays(days, c.year, c.month, c.day);
  c.secondOfDay = rest;
  return c;
}

void TwoDigits(std::string& out, std::int64_t v) {
  out += static_cast<char>('0' + v / 10);
  out += static_cast<char>('0' + v % 10);
}

}  // namespace

std::string FormatStamp(std::uint64_t fileTime) {
  const Civil c = CivilFromFileTime(fileTime);
  std::string out = std::to_string(c.year);
  out += '/';
  out += std::to_string(c.month);
  out += '/';
  out += std::to_string(c.day);
  out += ' ';
  out += std::to_string(c.secondOfDay / 3600);
  out += ':';
  out += std::to_string(c.secondOfDay % 3600 / 60);
  return out;
}

std::string IsoStamp(std::uint64_t fileTime) {
  const Civil c = CivilFromFileTime(fileTime);
  std::string out = std::to_string(c.year);
  out += '-';
  TwoDigits(out, c.month);
  out += '-';
  TwoDigits(out, c.day);
  out += 'T';
  TwoDigits(out, c.secondOfDay / 3600);
  out += ':';
  TwoDigits(out, c.secondOfDay % 3600 / 60);
  out += ':';
  TwoDigits(out, c.secondOfDay % 60);
  out += 'Z';
  return out;
}

std::uint64_t ScaleBytesRounded(std::uint64_t value, int power) {
  if (power <= 0) return value;
  const unsigned shift = 10u * static_cast<unsigned>(power);
  if (shift >= 64) return 0;
  std::uint64_t whole = value >> shift;
  const std::uint64_t rest = value & ((std::uint64_t{1} << shift) - 1);
  const std::uint64_t half = std::uint64_t{1} << (shift - 1);
  if (rest > half || (rest == half && (whole & 1))) ++whole;
  return whole;
}

int OrderColumn(const ListingOptions& options) {
  if (options.order == "No order") return -1;
  if (options.orderIndex >= 0 && options.orderIndex < 5) return options.orderIndex;
  return -1;
}

bool FilterMatchesEverything(const std::string& filter) {
  return platform::MatchesEveryName(filter);
}

bool CellLess(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char ca = static_cast<unsigned char>(a[i]);
    unsigned char cb = static_cast<unsigned char>(b[i]);
    if (ca >= 'A' && ca <= 'Z') ca = static_cast<unsigned char>(ca + 32);
    if (cb >= 'A' && cb <= 'Z') cb = static_cast<unsigned char>(cb + 32);
    if (ca != cb) return ca < cb;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

}  // namespace dirsheet::listing
