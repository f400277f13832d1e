// The listing writers on hand-made blocks, and the small helpers they rely on.
#include <gtest/gtest.h>

#include <cstdio>

#include "Fixture.h"
#include "listing/Listing.h"
#include "platform/Wildcard.h"

using namespace dirsheet::listing;
using fixture::Lines;
using fixture::Spaces;

namespace {

const std::string kStars(62, '*');

ListingOptions Attributes(bool type, bool size, bool created, bool modified,
                          const char* format = "Text") {
  ListingOptions o;
  o.type = type;
  o.size = size;
  o.created = created;
  o.modified = modified;
  o.format = format;
  return o;
}

ListingRow Row(RowKind kind, std::string name, std::string type = "", std::string size = "",
               std::string created = "", std::string modified = "") {
  ListingRow row;
  row.kind = kind;
  row.cells = {name, type, size, created, modified};
  return row;
}

// Writes a header, one block and the totals through a real file and returns its bytes.
std::string Write(const ListingOptions& o, const std::vector<ListingRow>& rows,
                  const ScanTotals& totals) {
  fixture::TempTree tree;
  ListingFile file(tree.Path("Dirsheet"), o);
  EXPECT_TRUE(file.WriteListingHeader());
  EXPECT_TRUE(fixture::AppendBlock(file, rows));
  EXPECT_TRUE(file.AppendTotals(totals));
  EXPECT_TRUE(file.ok()) << file.Error();
  return file.Path().empty() ? std::string() : fixture::ReadFile(file.Path());
}

std::string TitleOf(const ListingOptions& o) {
  const std::string all = Write(o, {}, ScanTotals());
  return all.substr(0, all.find("\r\n"));
}

}  // namespace

TEST(Helpers, FormatStampIsUtcWithoutLeadingZeros) {
  // 100 ns units since 1601; 11644473600 s from 1601 to 1970.
  auto at = [](long long unixSeconds) {
    return static_cast<std::uint64_t>(unixSeconds + 11644473600LL) * 10000000ULL;
  };
  EXPECT_EQ(FormatStamp(at(1709802341)), "2024/3/7 9:5");      // 2024-03-07 09:05:41
  EXPECT_EQ(FormatStamp(at(1735689599)), "2024/12/31 23:59");  // one second before 2025
  EXPECT_EQ(FormatStamp(at(1709164800)), "2024/2/29 0:0");     // leap day
  EXPECT_EQ(FormatStamp(0), "1601/1/1 0:0");
}

TEST(Helpers, ScaledBytesRoundToTheEvenNeighbour) {
  // 512 B is half a KB (to 0), 1536 B one and a half (to 2), 2560 B two and a half (to 2).
  const std::uint64_t bytes[] = {
      0, 511, 512, 513, 1536, 2560, 1048576, 2147483648ULL, 0xFFFFFFFFFFFFFFFFULL};
  const std::uint64_t kb[] = {0, 0, 0, 1, 2, 2, 1024, 2097152, 18014398509481984ULL};
  for (std::size_t i = 0; i < sizeof bytes / sizeof bytes[0]; ++i)
    EXPECT_EQ(ScaleBytesRounded(bytes[i], 1), kb[i]) << bytes[i];
  EXPECT_EQ(ScaleBytesRounded(0xFFFFFFFFFFFFFFFFULL, 2), 17592186044416ULL);
}

TEST(Helpers, DeleteNullCutsInPlace) {
  std::string s("name.txt\0garbage", 16);
  EXPECT_EQ(&delete_Null(s), &s);
  EXPECT_EQ(s, "name.txt");
  std::string plain = "plain";
  EXPECT_EQ(delete_Null(plain), "plain");
}

TEST(Helpers, WildcardsMatchTheLongNameWithoutCase) {
  using dirsheet::platform::WildcardMatch;
  struct {
    const char* pattern;
    const char* name;
    bool match;
  } cases[] = {
      {"*", "anything", true},    {"*.*", "noextension", true},
      {"*.txt", "a.TXT", true},   {"*.txt", "a.txt.bak", false},
      {"?.c", "x.c", true},       {"?.c", "xy.c", false},
      {"a*b*c", "aXXbYYc", true}, {"a*b*c", "aXXbYY", false},
      {"", "a", false},           {"*a", "bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.match) << c.pattern << " " << c.name;
}

TEST(TextForm, TitleFillsDependOnTheTitleBefore) {
  EXPECT_EQ(TitleOf(Attributes(false, false, false, false)), "Name");
  EXPECT_EQ(TitleOf(Attributes(true, true, false, false)),
            "Name" + Spaces(41) + "Type" + Spaces(26) + "Size(KB)");
  EXPECT_EQ(TitleOf(Attributes(false, true, false, false)), "Name" + Spaces(26) + "Size(KB)");
  EXPECT_EQ(TitleOf(Attributes(false, false, false, true)),
            "Name" + Spaces(8) + "Last modified date");
  const std::string all = TitleOf(Attributes(true, true, true, true));
  EXPECT_EQ(all, "Name" + Spaces(41) + "Type" + Spaces(26) + "Size(KB)" + Spaces(12) +
                     "Created date" + Spaces(8) + "Last modified date");
  EXPECT_EQ(all.find("Type"), 45u);
  EXPECT_EQ(all.find("Size(KB)"), 75u);
  EXPECT_EQ(all.find("Created"), 95u);
  EXPECT_EQ(all.find("Last"), 115u);
}

TEST(TextForm, FillsAreMeasuredOnTheCellBeforeShownOrNot) {
  const std::vector<ListingRow> rows = {
      Row(RowKind::File, "f", "", "9"),
      Row(RowKind::File, std::string(50, 'n'), "", "0"),  // wider than its column
      Row(RowKind::File, "u", "", "", "", "2024/1/2 3:4")};
  const std::string text = Write(Attributes(false, true, false, true), rows, ScanTotals());
  // Before the modified date the fill is measured on the hidden, empty created cell.
  EXPECT_NE(text.find("\r\nf" + Spaces(44) + Spaces(30) + "9" + Spaces(20) + "\r\n" +
                      std::string(50, 'n') + Spaces(30) + "0" + Spaces(20) + "\r\n" + "u" +
                      Spaces(44) + Spaces(30) + Spaces(20) + "2024/1/2 3:4\r\n"),
            std::string::npos);
}

#if !defined(_WIN32)
TEST(TextForm, Utf8NamesTakeOneColumnPerCharacter) {
  const std::vector<ListingRow> rows = {Row(RowKind::Heading, "/\xC3\xA9"),
                                        Row(RowKind::File, "\xC3\xA9t\xC3\xA9.zzq", "T")};
  const std::string text = Write(Attributes(true, false, false, false), rows, ScanTotals());
  EXPECT_NE(text.find("/\xC3\xA9\r\n**\r\n\xC3\xA9t\xC3\xA9.zzq" + Spaces(38) + "T\r\n"),
            std::string::npos);
}
#endif

TEST(TextForm, TotalsRoundHalvesToEven) {
  struct {
    std::uint64_t bytes;
    const char* line;
  } cases[] = {
      {0, "Total Files Size: 0 MB; 0 KB; 0 Byte(s)."},
      {524288, "Total Files Size: 0 MB; 512 KB; 524288 Byte(s)."},
      {1572864, "Total Files Size: 2 MB; 1536 KB; 1572864 Byte(s)."},
      {2621440, "Total Files Size: 2 MB; 2560 KB; 2621440 Byte(s)."},
      {1536, "Total Files Size: 0 MB; 2 KB; 1536 Byte(s)."},
      {1023, "Total Files Size: 0 MB; 1 KB; 1023 Byte(s)."},
      {1048576, "Total Files Size: 1 MB; 1024 KB; 1048576 Byte(s)."},
      {6442450945ULL, "Total Files Size: 6144 MB; 6291456 KB; 6442450945 Byte(s)."},
  };
  for (const auto& c : cases) {
    const std::string text =
        Write(Attributes(true, true, false, false), {}, ScanTotals{0, 0, c.bytes});
    EXPECT_NE(text.find(std::string("\r\n") + c.line + "\r\n"), std::string::npos) << c.bytes;
  }
}

TEST(HtmlForm, NamesPathsAndTypesAreEscaped) {
  const std::vector<ListingRow> rows = {
      Row(RowKind::Heading, "C:\\Tom & <Jerry>"),
      Row(RowKind::File, "<img src=x onerror=alert(1)>.txt", "A \"quoted\" & type"),
      Row(RowKind::Summary, "Info", "File(s): 1 - Size: 0 Byte(s).")};
  const std::string html = Write(Attributes(true, false, false, false, "HTML"), rows, ScanTotals());
  EXPECT_NE(html.find("<td><b>C:\\Tom &amp; &lt;Jerry&gt;</b>\r\n<tr>\r\n<td>" +
                      std::string(16, '*') + "\r\n"),
            std::string::npos);
  EXPECT_NE(html.find(">&lt;img src=x onerror=alert(1)&gt;.txt\r\n"), std::string::npos);
  EXPECT_NE(html.find(">A &quot;quoted&quot; &amp; type\r\n"), std::string::npos);
  EXPECT_EQ(html.find("<img"), std::string::npos);
}

TEST(ListingFile, UnknownFormatWritesNothing) {
  fixture::TempTree tree;
  ListingOptions o;
  o.format = "PDF";
  ListingFile file(tree.Path("Dirsheet"), o);
  EXPECT_TRUE(file.Path().empty());
  EXPECT_TRUE(file.WriteListingHeader());
  EXPECT_TRUE(file.AppendTotals(ScanTotals()));
  EXPECT_TRUE(file.ok());
  EXPECT_TRUE(fixture::ReadFile(tree.Path("Dirsheet.txt")).empty());
}

TEST(ListingFile, FolderThatCannotHoldTheListingIsAnError) {
  fixture::TempTree tree;
  ListingFile file(tree.Path("no such folder/Dirsheet"), ListingOptions());
  EXPECT_FALSE(file.WriteListingHeader());
  EXPECT_FALSE(file.ok());
  EXPECT_NE(file.Error().find("cannot create the listing"), std::string::npos) << file.Error();
  // Later steps keep reporting it instead of succeeding silently.
  EXPECT_FALSE(fixture::AppendBlock(file, {}));
  EXPECT_FALSE(file.AppendTotals(ScanTotals()));
}

#if !defined(_WIN32)
TEST(ListingFile, FullDiskIsAnError) {
  std::FILE* full = std::fopen("/dev/full", "wb");
  ASSERT_NE(full, nullptr);
  ListingFile file(full, "/dev/full", ListingOptions());
  EXPECT_FALSE(file.WriteListingHeader());
  EXPECT_NE(file.Error().find("No space"), std::string::npos) << file.Error();
  std::fclose(full);
}
#endif

namespace {

// ISO 8859-1: every character up to U+00FF is one byte, nothing else fits. A code page
// simple enough to be its own reference.
class Latin1Page : public dirsheet::platform::CodePage {
 public:
  bool Append(char32_t c, std::string& out) const override {
    if (c > 0xFF) return false;
    out += static_cast<char>(c);
    return true;
  }
  bool IsUtf8() const override { return false; }
};

// One block with a heading and one file row, through a format made with `page`.
std::string Block(const char* format, std::unique_ptr<dirsheet::platform::CodePage> page,
                  const std::string& folder, const std::string& name) {
  ListingOptions o = Attributes(false, true, false, false, format);
  auto writer = MakeListingFormat(o, std::move(page));
  std::vector<ListingRow> rows = {Row(RowKind::Heading, folder), Row(RowKind::File, name, "", "1"),
                                  Row(RowKind::Summary, "Info", "File(s): 1 - Size: 9 Byte(s).")};
  std::string out;
  writer->FolderBlock(rows, out);
  return out;
}

}  // namespace

TEST(Encoding, NamesOutsideTheCodePage) {
  // "Größe" fits Latin-1, the two Japanese characters do not.
  const std::string name =
      "Gr\xC3\xB6\xC3\x9F"
      "e\xE6\x97\xA5\xE6\x9C\xAC.txt";           // Größe日本.txt
  const std::string folder = "/d/\xE6\x97\xA5";  // /d/日
  const std::string latin =
      "Gr\xF6\xDF"
      "e";

  EXPECT_EQ(Block("Text", std::make_unique<Latin1Page>(), folder, name),
            Lines({"", "", "/d/?", "****", latin + "??.txt" + Spaces(34) + Spaces(30) + "1", "",
                   "File(s): 1 - Size: 9 Byte(s)."}));
  EXPECT_EQ(
      Block("HTML", std::make_unique<Latin1Page>(), folder, name),
      Lines({"<table>", "<tr>", "<td><b>/d/&#26085;</b>", "<tr>", "<td>****", "</table>", "<table>",
             "<tr>", "<td style=\"width:450px;\">" + latin + "&#26085;&#26412;.txt",
             "<td style=\"width:200px;\">1", "</table>", "<table>",
             "<tr><td style=\"height:25px;\">", "<tr>", "<td>File(s): 1 - Size: 9 Byte(s).",
             "<tr><td style=\"height:50px;\">", "</table>"}));
  // UTF-8 keeps everything; columns count characters.
  EXPECT_EQ(Block("Text", dirsheet::platform::Utf8CodePage(), folder, name),
            Lines({"", "", folder, "****", name + Spaces(34) + Spaces(30) + "1", "",
                   "File(s): 1 - Size: 9 Byte(s)."}));
}

TEST(Encoding, ControlCharactersAndBrokenUtf8) {
  // A tab and an escape become "?"; a byte that is not UTF-8 is U+FFFD, "?" in Latin-1,
  // its reference in HTML.
  const std::string name =
      "a\tb\x1b"
      "c\xFF"
      "d";
  const std::string text = Block("Text", std::make_unique<Latin1Page>(), "/x", name);
  EXPECT_NE(text.find("a?b?c?d" + Spaces(38)), std::string::npos) << text;
  const std::string html = Block("HTML", std::make_unique<Latin1Page>(), "/x", name);
  EXPECT_NE(html.find("px;\">a?b?c&#65533;d\r\n"), std::string::npos) << html;
  const std::string utf8 = Block("Text", dirsheet::platform::Utf8CodePage(), "/x", name);
  EXPECT_NE(utf8.find("a?b?c\xEF\xBF\xBD"
                      "d" +
                      Spaces(38)),
            std::string::npos)
      << utf8;
}
