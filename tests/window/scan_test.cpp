// Start, Stop and Save as through clicks on the real window, with real folders.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstring>
#include <fstream>

#include "platform/win32/ProgramFolder.h"
#include "tests/window/FormTestSupport.h"

namespace dirsheet::window::test {
namespace {

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// A window whose WM_APP runs a callback: posted behind a click, it runs inside the
// scan that the click starts, when the scan lets the window process its messages.
class Probe {
 public:
  explicit Probe(std::function<void()> action) : action_(std::move(action)) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "DirsheetTestProbe";
    RegisterClassA(&wc);
    hwnd_ = CreateWindowA("DirsheetTestProbe", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                          wc.hInstance, nullptr);
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~Probe() { DestroyWindow(hwnd_); }
  void Post() { PostMessageA(hwnd_, WM_APP, 0, 0); }
  int runs = 0;

 private:
  static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_APP) {
      auto* self = reinterpret_cast<Probe*>(GetWindowLongPtrA(h, GWLP_USERDATA));
      ++self->runs;
      self->action_();
      return 0;
    }
    return DefWindowProcA(h, msg, wp, lp);
  }
  HWND hwnd_;
  std::function<void()> action_;
};

class ScanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    source_ = folder_.MakeFolder("source");
    folder_.MakeFile("source\\a.txt", std::string(1536, 'a'));
    folder_.MakeFile("source\\b.dat", std::string(10, 'b'));
    for (const char* sub : {"one", "two", "three"}) {
      std::string path = std::string("source\\") + sub;
      folder_.MakeFolder(path);
      folder_.MakeFile(path + "\\f.txt");
      folder_.MakeFolder(path + "\\deeper");
      folder_.MakeFile(path + "\\deeper\\g.txt");
    }
    // One branch goes on down a few more levels.
    std::string deep = "source\\one\\deeper";
    for (int level = 0; level < 4; ++level) folder_.MakeFolder(deep += "\\level");
    output_ = folder_.MakeFolder("out");
    form_ = MakeForm(rec_.Services(output_));
    ASSERT_TRUE(form_);
    SetText(form_->Dir(), source_);
  }
  std::string TextListing() const { return ReadFileBytes(output_ + "\\Dirsheet.txt"); }
  void Click(int command) { PostClick(form_->Command(command)); }
  void ClickAndPump(int command) {
    Click(command);
    PumpForm(form_.get());
  }
  bool OptionsEnabled() const {
    for (HWND h : {form_->Dir(), form_->OrderBy(), form_->SaveAs(), form_->Filter(),
                   form_->Check(1), form_->Check(2), form_->Check(3), form_->Check(4)})
      if (!IsWindowEnabled(h)) return false;
    return true;
  }
  bool OptionsDisabled() const {
    for (HWND h : {form_->Dir(), form_->OrderBy(), form_->SaveAs(), form_->Filter(),
                   form_->Check(1), form_->Check(2), form_->Check(3), form_->Check(4)})
      if (IsWindowEnabled(h)) return false;
    return true;
  }

  ScratchFolder folder_;
  Recorder rec_;
  std::string source_, output_;
  std::unique_ptr<Form1> form_;
};

TEST_F(ScanTest, CompleteScanWritesOpensAndReportsDone) {
  bool disabledDuring = false, scanningDuring = false;
  Probe probe([&] {
    disabledDuring = OptionsDisabled();
    scanningDuring = form_->Scanning();
  });
  Click(1);
  probe.Post();
  PumpForm(form_.get());
  EXPECT_EQ(probe.runs, 1);
  EXPECT_TRUE(disabledDuring);
  EXPECT_TRUE(scanningDuring);

  std::string listing = TextListing();
  EXPECT_EQ(listing.rfind("Name", 0), 0u);
  EXPECT_NE(listing.find("\r\n" + source_ + "\r\n"), std::string::npos);
  EXPECT_NE(listing.find("\r\n" + source_ + "\\two\\deeper\r\n"), std::string::npos);
  EXPECT_NE(listing.find("Total Folder(s): 10\r\n"), std::string::npos);
  EXPECT_NE(listing.find(source_ + "\\one\\deeper\\level\\level\\level\\level\r\n"),
            std::string::npos);
  EXPECT_NE(listing.find("Total File(s): 8\r\n"), std::string::npos);
  ASSERT_EQ(rec_.launched.size(), 1u);
  EXPECT_EQ(rec_.launched[0].first, "notepad.exe");
  EXPECT_EQ(rec_.launched[0].second, "\"" + output_ + "\\Dirsheet.txt\"");
  EXPECT_EQ(form_->StatusText(), "Done.  You can save the dirsheet.");
  EXPECT_TRUE(OptionsEnabled());
  EXPECT_EQ(form_->BoldCommand(), 1);
  EXPECT_FALSE(form_->Scanning());
  EXPECT_TRUE(form_->StopRequested());
  EXPECT_TRUE(form_->ListingMade());
}

TEST_F(ScanTest, StopEndsTheWalkAtTheNextFolderAndStillWritesTheTotals) {
  Click(1);
  Click(2);  // reaches the window while the scan lets it process messages
  PumpForm(form_.get());
  std::string listing = TextListing();
  // The source folder is listed in full; its subfolders are counted but not listed.
  EXPECT_NE(listing.find("\r\n" + source_ + "\r\n"), std::string::npos);
  EXPECT_EQ(listing.find(source_ + "\\one"), std::string::npos);
  EXPECT_NE(listing.find("Total Folder(s): 3\r\n"), std::string::npos);
  EXPECT_NE(listing.find("Total File(s): 2\r\n"), std::string::npos);
  EXPECT_TRUE(EndsWith(listing, std::string(62, '*') + "\r\n"));
  EXPECT_EQ(form_->StatusText(), "Done.  You can save the dirsheet.");
  EXPECT_TRUE(OptionsEnabled());
  EXPECT_EQ(form_->BoldCommand(), 2);
  EXPECT_EQ(rec_.launched.size(), 1u);
}

TEST_F(ScanTest, StartTwiceOrDuringTheWindDownRunsOneScan) {
  Click(1);
  Click(1);
  PumpForm(form_.get());
  EXPECT_EQ(rec_.launched.size(), 1u);
  EXPECT_EQ(Count(TextListing(), "Total Folder(s): "), 1);
  EXPECT_EQ(Count(TextListing(), "\r\n" + source_ + "\r\n"), 1);

  // Stop, then Start while the stopped walk is still finishing its folder.
  Click(1);
  Click(2);
  Click(1);
  PumpForm(form_.get());
  EXPECT_EQ(rec_.launched.size(), 2u);
  EXPECT_EQ(Count(TextListing(), "Total Folder(s): "), 1);
  EXPECT_EQ(Count(TextListing(), "\r\n" + source_ + "\r\n"), 1);
}

TEST_F(ScanTest, SaveAsCopiesWithTheFormatsExtension) {
  ClickAndPump(1);
  const std::string listing = TextListing();
  ASSERT_FALSE(listing.empty());

  rec_.saveAnswer = folder_.Path() + "\\report";
  ClickAndPump(3);
  ASSERT_EQ(rec_.saveRequests.size(), 1u);
  EXPECT_EQ(rec_.saveRequests[0].fileName, "Dirsheet");
  EXPECT_EQ(rec_.saveRequests[0].description, "TXT file (.txt)");
  EXPECT_EQ(rec_.saveRequests[0].pattern, "*.txt");
  EXPECT_EQ(ReadFileBytes(folder_.Path() + "\\report.txt"), listing);
  EXPECT_EQ(form_->BoldCommand(), 3);

  // The extension is added only where the name does not already end in it, in any case;
  // the file system says which names were made.
  struct Case {
    const char* typed;
    const char* made;
  } cases[] = {{"typed.txt", "typed.txt"},
               {"SHOUT.TXT", "SHOUT.TXT"},
               {"mixed.Txt", "mixed.Txt"},
               {"notes.txt.bak", "notes.txt.bak.txt"},
               {"dotted.", "dotted..txt"}};
  for (const Case& c : cases) {
    ScratchFolder target;
    rec_.saveAnswer = target.Path() + "\\" + c.typed;
    ClickAndPump(3);
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((target.Path() + "\\*.*").c_str(), &fd);
    std::vector<std::string> made;
    if (h != INVALID_HANDLE_VALUE) {
      do {
        if (std::string(fd.cFileName) != "." && std::string(fd.cFileName) != "..")
          made.push_back(fd.cFileName);
      } while (FindNextFileA(h, &fd));
      FindClose(h);
    }
    EXPECT_EQ(made, std::vector<std::string>{c.made}) << c.typed;
    EXPECT_EQ(ReadFileBytes(target.Path() + "\\" + c.made), listing) << c.typed;
  }

  // Over an existing file.
  std::string existing = folder_.MakeFile("old.txt", "older content");
  rec_.saveAnswer = folder_.Path() + "\\old";
  ClickAndPump(3);
  EXPECT_EQ(ReadFileBytes(existing), listing);

  // Cancel copies nothing.
  rec_.saveAnswer.reset();
  size_t asked = rec_.saveRequests.size();
  ClickAndPump(3);
  EXPECT_EQ(rec_.saveRequests.size(), asked + 1);
  EXPECT_FALSE(FileExists(output_ + "\\Dirsheet.txt.txt"));
  EXPECT_FALSE(FileExists("Dirsheet.txt"));
}

TEST_F(ScanTest, HtmlScanOpensTheListingAndSavesAsHtml) {
  SetText(form_->SaveAs(), "HTML");
  ClickAndPump(1);
  ASSERT_EQ(rec_.launched.size(), 1u);
  EXPECT_EQ(rec_.launched[0].first, output_ + "\\Dirsheet.html");
  EXPECT_EQ(rec_.launched[0].second, "");
  EXPECT_EQ(ReadFileBytes(output_ + "\\Dirsheet.html").rfind("<table>\r\n", 0), 0u);
  rec_.saveAnswer = folder_.Path() + "\\report";
  ClickAndPump(3);
  EXPECT_EQ(rec_.saveRequests.at(0).description, "HTML file (.html)");
  EXPECT_EQ(rec_.saveRequests.at(0).pattern, "*.html");
  EXPECT_EQ(ReadFileBytes(folder_.Path() + "\\report.html"),
            ReadFileBytes(output_ + "\\Dirsheet.html"));
}

// A folder named in a script the code page cannot spell is walked like any other: the
// text listing shows what the code page holds, the HTML listing the whole names.
TEST_F(ScanTest, FoldersNamedInAnotherScriptAreWalked) {
  const std::wstring japanese = L"\x65E5\x672C\x8A9E";  // 日本語
  const std::wstring greek = L"\x03A6\x03AC\x03BA";     // Φάκ
  folder_.MakeFolder("named");
  const std::wstring top = folder_.MakeFolder(L"named\\" + japanese);
  folder_.MakeFolder(L"named\\" + japanese + L"\\" + greek);
  auto makeFile = [](const std::wstring& path, const std::string& content) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(h);
  };
  makeFile(top + L"\\a.txt", "abc");
  makeFile(top + L"\\" + greek + L"\\" + greek + L".txt", "abcdef");
  SetTextW(form_->Dir(), top);
  SetText(form_->SaveAs(), "HTML");
  MessageBoxWatcher watcher;  // a refusal would wait for an answer
  ClickAndPump(1);
  EXPECT_FALSE(watcher.Seen()) << watcher.Text();
  const std::string html = ReadFileBytes(output_ + "\\Dirsheet.html");
  EXPECT_NE(html.find("&#26085;&#26412;&#35486;"), std::string::npos) << html;
  EXPECT_NE(html.find("&#934;&#940;&#954;.txt"), std::string::npos) << html;
  EXPECT_NE(html.find("Total Folder(s): 1"), std::string::npos) << html;  // below the source
  EXPECT_NE(html.find("Total File(s): 2"), std::string::npos) << html;
  EXPECT_EQ(form_->StatusText(), "Done.  You can save the dirsheet.");
}

// Save as copies the listing of the last completed scan, whatever the format box reads by
// then: not a working listing of the other format left from an earlier run.
TEST_F(ScanTest, SaveAsAfterSwitchingTheFormatCopiesTheLastScan) {
  const std::string stale = "<table>an HTML listing of some earlier scan</table>";
  folder_.MakeFile("out\\Dirsheet.html", stale);
  ClickAndPump(1);  // a text listing
  const std::string listing = TextListing();
  ASSERT_FALSE(listing.empty());
  SendMessageA(form_->SaveAs(), CB_SETCURSEL, 1, 0);  // "HTML"
  ASSERT_EQ(GetText(form_->SaveAs()), "HTML");
  rec_.saveAnswer = folder_.Path() + "\\report";
  {
    MessageBoxWatcher watcher;
    ClickAndPump(3);
    EXPECT_FALSE(watcher.Seen()) << watcher.Text();
  }
  ASSERT_EQ(rec_.saveRequests.size(), 1u);
  EXPECT_EQ(rec_.saveRequests[0].description, "TXT file (.txt)");
  EXPECT_EQ(rec_.saveRequests[0].pattern, "*.txt");
  EXPECT_EQ(ReadFileBytes(folder_.Path() + "\\report.txt"), listing);
  EXPECT_FALSE(FileExists(folder_.Path() + "\\report.html"));

  // An HTML scan completes: from then on its listing is the one saved.
  ClickAndPump(1);
  SendMessageA(form_->SaveAs(), CB_SETCURSEL, 0, 0);  // back to "Text"
  rec_.saveAnswer = folder_.Path() + "\\second";
  ClickAndPump(3);
  EXPECT_EQ(rec_.saveRequests.at(1).description, "HTML file (.html)");
  const std::string html = ReadFileBytes(output_ + "\\Dirsheet.html");
  EXPECT_NE(html, stale);
  EXPECT_EQ(ReadFileBytes(folder_.Path() + "\\second.html"), html);

  // The listing is removed behind the program's back: said before a name is asked for.
  DeleteFileA((output_ + "\\Dirsheet.html").c_str());
  MessageBoxWatcher watcher;
  ClickAndPump(3);
  EXPECT_NE(watcher.Text().find(output_ + "\\Dirsheet.html"), std::string::npos) << watcher.Text();
  EXPECT_EQ(rec_.saveRequests.size(), 2u);
}

// Puts the user's desktop folder somewhere else for the life of the object, the way the
// shell records it: the Desktop value of the user's shell folders.
class DesktopFolderAt {
 public:
  explicit DesktopFolderAt(const std::string& folder) {
    RegCreateKeyA(HKEY_CURRENT_USER, kKey, &key_);
    DWORD size = sizeof old_;
    had_ = RegQueryValueExA(key_, "Desktop", nullptr, &type_, reinterpret_cast<BYTE*>(old_),
                            &size) == ERROR_SUCCESS;
    RegSetValueExA(key_, "Desktop", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                   DWORD(folder.size() + 1));
  }
  ~DesktopFolderAt() {
    if (had_)
      RegSetValueExA(key_, "Desktop", 0, type_, reinterpret_cast<const BYTE*>(old_),
                     DWORD(strlen(old_) + 1));
    else
      RegDeleteValueA(key_, "Desktop");
    RegCloseKey(key_);
  }

 private:
  static constexpr const char* kKey =
      "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
  HKEY key_ = nullptr;
  char old_[MAX_PATH * 2] = {};
  DWORD type_ = REG_EXPAND_SZ;
  bool had_ = false;
};

// The root of the tree stands for the desktop folder, as the shell names it.
TEST_F(ScanTest, TheRootScansTheDesktopFolder) {
  const std::string desktop = folder_.MakeFolder("the desktop");
  folder_.MakeFile("the desktop\\on-the-desktop.txt");
  DesktopFolderAt moved(desktop);
  wchar_t asked[MAX_PATH] = {};
  ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, asked, CSIDL_DESKTOPDIRECTORY, FALSE));
  ASSERT_EQ(std::wstring(asked), Wide(desktop));
  ClickNode(form_->TreeView1(), form_->Tree().Find(L"Desktop"));
  PumpForm(form_.get());
  ASSERT_EQ(GetText(form_->Dir()), "Desktop");
  ClickAndPump(1);
  const std::string listing = TextListing();
  EXPECT_NE(listing.find("\r\n" + desktop + "\r\n"), std::string::npos) << listing;
  EXPECT_NE(listing.find("on-the-desktop.txt"), std::string::npos) << listing;
  EXPECT_NE(listing.find("Total File(s): 1\r\n"), std::string::npos) << listing;
  EXPECT_EQ(form_->StatusText(), "Done.  You can save the dirsheet.");
}

TEST_F(ScanTest, ASourceThatIsNoFolderIsNamedAndNotListed) {
  const std::string earlier = folder_.MakeFile("out\\Dirsheet.txt", "earlier listing");
  const std::string sources[] = {
      folder_.Path() + "\\gone",      // a typed path that does not exist (any more)
      source_ + "\\a.txt",            // a file
      "printers",                     // a namespace item's key, relative to nothing
      source_ + "\\one\\missing\\x",  // below a folder that does not exist
  };
  for (const std::string& typed : sources) {
    SetText(form_->Dir(), typed);
    MessageBoxWatcher watcher;
    ClickAndPump(1);
    EXPECT_TRUE(watcher.Seen()) << typed;
    EXPECT_NE(watcher.Text().find("\"" + typed + "\""), std::string::npos) << watcher.Text();
  }
  EXPECT_EQ(ReadFileBytes(earlier), "earlier listing");
  EXPECT_TRUE(rec_.launched.empty());
  EXPECT_FALSE(form_->ListingMade());
  EXPECT_EQ(form_->BoldCommand(), 0);
  EXPECT_TRUE(OptionsEnabled());
}

TEST_F(ScanTest, ACopyThatFailsAndAnUnknownFormatAreReported) {
  ClickAndPump(1);
  std::string nowhere = folder_.Path() + "\\missing\\report";
  rec_.saveAnswer = nowhere;
  {
    MessageBoxWatcher watcher;
    ClickAndPump(3);
    EXPECT_NE(watcher.Text().find(nowhere + ".txt"), std::string::npos) << watcher.Text();
  }
  SetText(form_->SaveAs(), "Excel");
  {
    MessageBoxWatcher watcher;
    ClickAndPump(1);
    EXPECT_NE(watcher.Text().find("\"Excel\""), std::string::npos) << watcher.Text();
  }
  EXPECT_EQ(rec_.launched.size(), 1u);  // only the first scan ran
}

TEST_F(ScanTest, ClosingDuringAScanWaitsForTheWalk) {
  Click(1);
  PostMessageA(form_->Handle(), WM_CLOSE, 0, 0);
  PumpForm(form_.get());
  EXPECT_FALSE(IsWindow(form_->Handle()));
  EXPECT_TRUE(rec_.launched.empty());
  EXPECT_NE(TextListing().find("Total Folder(s): "), std::string::npos);
}

// The real Save dialog: the preset name, the filter with its pattern, and the name typed.
TEST(SaveDialog, TheRealDialogGivesTheTypedNameAndCancelGivesNone) {
  ScratchFolder folder;
  Recorder rec;
  Form1Services services = rec.Services(folder.MakeFolder("out"));
  services.askSaveName = nullptr;  // the system's dialog
  auto form = MakeForm(std::move(services));
  SetText(form->Dir(), folder.MakeFolder("src"));
  PostClick(form->Command(1));
  PumpForm(form.get());
  ASSERT_EQ(rec.launched.size(), 1u);

  std::string typed = folder.Path() + "\\chosen";
  std::string preset, fileType;
  {
    MessageBoxWatcher watcher([&](HWND dialog) {
      char text[MAX_PATH] = {};
      Sleep(200);                                         // let the dialog fill its controls
      GetDlgItemTextA(dialog, 0x47C, text, sizeof text);  // file name box
      preset = text;
      GetDlgItemTextA(dialog, 0x470, text, sizeof text);  // file type box
      fileType = text;
      SetDlgItemTextA(dialog, 0x47C, typed.c_str());
      PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    PostClick(form->Command(3));
    PumpForm(form.get());
    EXPECT_TRUE(watcher.Seen());
  }
  EXPECT_EQ(preset, "Dirsheet");
  EXPECT_EQ(fileType, "TXT file (.txt)");
  EXPECT_TRUE(FileExists(typed + ".txt"));
  {
    MessageBoxWatcher watcher([](HWND dialog) {
      Sleep(200);
      PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    PostClick(form->Command(3));
    PumpForm(form.get());
    EXPECT_TRUE(watcher.Seen());
  }
  EXPECT_FALSE(FileExists(folder.Path() + "\\out\\Dirsheet.txt.txt"));
  EXPECT_FALSE(FileExists(platform::win32::ProgramFolder() + "\\Dirsheet.txt"));
}

TEST(ScanFailure, AListingThatCannotBeWrittenIsReportedNotDone) {
  ScratchFolder folder;
  Recorder rec;
  std::string missing = folder.Path() + "\\no\\such\\folder";
  auto form = MakeForm(rec.Services(missing));
  SetText(form->Dir(), folder.Path());
  MessageBoxWatcher watcher;
  PostClick(form->Command(1));
  PumpForm(form.get());
  EXPECT_TRUE(watcher.Seen());
  EXPECT_NE(watcher.Text().find(missing), std::string::npos) << watcher.Text();
  EXPECT_NE(form->StatusText(), "Done.  You can save the dirsheet.");
  EXPECT_TRUE(rec.launched.empty());
  EXPECT_TRUE(IsWindowEnabled(form->Dir()));
  // No scan has completed: Save as has nothing to copy and stays ignored.
  rec.saveAnswer = folder.Path() + "\\report";
  PostClick(form->Command(3));
  PumpForm(form.get());
  EXPECT_TRUE(rec.saveRequests.empty());
  EXPECT_NE(form->BoldCommand(), 3);
}

// Viewers that cannot be started, through the program's own launch path: the scan is
// done, and the user is told where the listing is.
TEST(ScanViewer, AViewerThatDoesNotStartIsReportedWithTheListingsPath) {
  for (const char* format : {"Text", "HTML"}) {
    ScratchFolder folder;
    Recorder rec;
    Form1Services services = rec.Services(folder.MakeFolder("out"));
    services.launch = nullptr;  // ShellExecute itself
    services.textViewer = folder.Path() + "\\no-viewer\\notepad.exe";
    services.htmlViewer = folder.Path() + "\\no-viewer\\iexplore.exe";
    auto form = MakeForm(std::move(services));
    SetText(form->Dir(), folder.MakeFolder("src"));
    SetText(form->SaveAs(), format);
    MessageBoxWatcher watcher;
    PostClick(form->Command(1));
    PumpForm(form.get());
    const std::string listing =
        folder.Path() + "\\out\\Dirsheet" + (std::string(format) == "Text" ? ".txt" : ".html");
    EXPECT_TRUE(watcher.Seen()) << format;
    EXPECT_NE(watcher.Text().find(listing), std::string::npos) << watcher.Text();
    EXPECT_TRUE(FileExists(listing));
    EXPECT_EQ(form->StatusText(), "Done.  You can save the dirsheet.");
    EXPECT_EQ(form->CompletedFormat(), format);
  }
}

TEST(ScanKeyboard, EnterOnTheFocusedStartButtonRunsTheScan) {
  ScratchFolder folder;
  Recorder rec;
  auto form = MakeForm(rec.Services(folder.Path()), SW_SHOWNORMAL);
  SetText(form->Dir(), folder.MakeFolder("src"));
  SetForegroundWindow(form->Handle());
  SetFocus(form->Command(1));
  PostKey(form->Command(1), VK_RETURN);
  PumpForm(form.get());
  EXPECT_EQ(rec.launched.size(), 1u);
  EXPECT_EQ(form->StatusText(), "Done.  You can save the dirsheet.");
}

}  // namespace
}  // namespace dirsheet::window::test
