// Start, Stop and Save as through clicks on the real window, with real folders.
#include <gtest/gtest.h>

#include "tests/window/WindowTestSupport.h"

namespace dirsheet::window::test {
namespace {

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
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
    output_ = folder_.MakeFolder("out");
    form_ = MakeForm(rec_.Services(output_));
    ASSERT_TRUE(form_);
    SetText(form_->Dir(), source_);
  }
  std::string TextListing() const { return ReadFile(output_ + "\\Dirsheet.txt"); }
  void Click(int command) { PostClick(form_->Command(command)); }
  void ClickAndPump(int command) {
    Click(command);
    Pump(form_.get());
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
  Pump(form_.get());
  EXPECT_EQ(probe.runs, 1);
  EXPECT_TRUE(disabledDuring);
  EXPECT_TRUE(scanningDuring);

  std::string listing = TextListing();
  EXPECT_EQ(listing.rfind("Name", 0), 0u);
  EXPECT_NE(listing.find("\r\n" + source_ + "\r\n"), std::string::npos);
  EXPECT_NE(listing.find("\r\n" + source_ + "\\two\\deeper\r\n"), std::string::npos);
  EXPECT_NE(listing.find("Total Folder(s): 6\r\n"), std::string::npos);
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
  Pump(form_.get());
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
  Pump(form_.get());
  EXPECT_EQ(rec_.launched.size(), 1u);
  EXPECT_EQ(Count(TextListing(), "Total Folder(s): "), 1);
  EXPECT_EQ(Count(TextListing(), "\r\n" + source_ + "\r\n"), 1);

  // Stop, then Start while the stopped walk is still finishing its folder.
  Click(1);
  Click(2);
  Click(1);
  Pump(form_.get());
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
  EXPECT_EQ(ReadFile(folder_.Path() + "\\report.txt"), listing);
  EXPECT_EQ(form_->BoldCommand(), 3);

  rec_.saveAnswer = folder_.Path() + "\\report.txt";
  ClickAndPump(3);
  EXPECT_EQ(ReadFile(folder_.Path() + "\\report.txt.txt"), listing);

  // Over an existing file.
  std::string existing = folder_.MakeFile("old.txt", "older content");
  rec_.saveAnswer = folder_.Path() + "\\old";
  ClickAndPump(3);
  EXPECT_EQ(ReadFile(existing), listing);

  // Cancel copies nothing.
  rec_.saveAnswer.reset();
  ClickAndPump(3);
  EXPECT_EQ(rec_.saveRequests.size(), 4u);
  EXPECT_FALSE(FileExists(output_ + "\\Dirsheet.txt.txt"));
  EXPECT_FALSE(FileExists("Dirsheet.txt"));
}

TEST_F(ScanTest, HtmlScanOpensTheListingAndSavesAsHtml) {
  SetText(form_->SaveAs(), "HTML");
  ClickAndPump(1);
  ASSERT_EQ(rec_.launched.size(), 1u);
  EXPECT_EQ(rec_.launched[0].first, output_ + "\\Dirsheet.html");
  EXPECT_EQ(rec_.launched[0].second, "");
  EXPECT_EQ(ReadFile(output_ + "\\Dirsheet.html").rfind("<table>\r\n", 0), 0u);
  rec_.saveAnswer = folder_.Path() + "\\report";
  ClickAndPump(3);
  EXPECT_EQ(rec_.saveRequests.at(0).description, "HTML file (.html)");
  EXPECT_EQ(rec_.saveRequests.at(0).pattern, "*.html");
  EXPECT_EQ(ReadFile(folder_.Path() + "\\report.html"), ReadFile(output_ + "\\Dirsheet.html"));
}

TEST_F(ScanTest, SavingAFormatThatWasNotScannedIsReported) {
  ClickAndPump(1);  // a text listing
  SetText(form_->SaveAs(), "HTML");
  rec_.saveAnswer = folder_.Path() + "\\report";
  MessageBoxWatcher watcher;
  ClickAndPump(3);
  EXPECT_TRUE(watcher.Seen());
  EXPECT_NE(watcher.Text().find(output_ + "\\Dirsheet.html"), std::string::npos) << watcher.Text();
  EXPECT_FALSE(FileExists(folder_.Path() + "\\report.html"));
}

TEST_F(ScanTest, ClosingDuringAScanWaitsForTheWalk) {
  Click(1);
  PostMessageA(form_->Handle(), WM_CLOSE, 0, 0);
  Pump(form_.get());
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
  Pump(form.get());
  ASSERT_EQ(rec.launched.size(), 1u);

  std::string typed = folder.Path() + "\\chosen";
  std::string preset, fileType;
  {
    MessageBoxWatcher watcher([&](HWND dialog) {
      char text[MAX_PATH] = {};
      Sleep(200);  // let the dialog fill its controls
      GetDlgItemTextA(dialog, 0x47C, text, sizeof text);  // file name box
      preset = text;
      GetDlgItemTextA(dialog, 0x470, text, sizeof text);  // file type box
      fileType = text;
      SetDlgItemTextA(dialog, 0x47C, typed.c_str());
      PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    PostClick(form->Command(3));
    Pump(form.get());
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
    Pump(form.get());
    EXPECT_TRUE(watcher.Seen());
  }
  EXPECT_FALSE(FileExists(folder.Path() + "\\out\\Dirsheet.txt.txt"));
  EXPECT_FALSE(FileExists(ProgramFolder() + "\\Dirsheet.txt"));
}

TEST(ScanFailure, AListingThatCannotBeWrittenIsReportedNotDone) {
  ScratchFolder folder;
  Recorder rec;
  std::string missing = folder.Path() + "\\no\\such\\folder";
  auto form = MakeForm(rec.Services(missing));
  SetText(form->Dir(), folder.Path());
  MessageBoxWatcher watcher;
  PostClick(form->Command(1));
  Pump(form.get());
  EXPECT_TRUE(watcher.Seen());
  EXPECT_NE(watcher.Text().find(missing), std::string::npos) << watcher.Text();
  EXPECT_NE(form->StatusText(), "Done.  You can save the dirsheet.");
  EXPECT_TRUE(rec.launched.empty());
  EXPECT_TRUE(IsWindowEnabled(form->Dir()));
}

TEST(ScanKeyboard, EnterOnTheFocusedStartButtonRunsTheScan) {
  ScratchFolder folder;
  Recorder rec;
  auto form = MakeForm(rec.Services(folder.Path()), SW_SHOWNORMAL);
  SetText(form->Dir(), folder.MakeFolder("src"));
  SetForegroundWindow(form->Handle());
  SetFocus(form->Command(1));
  PostKey(form->Command(1), VK_RETURN);
  Pump(form.get());
  EXPECT_EQ(rec.launched.size(), 1u);
  EXPECT_EQ(form->StatusText(), "Done.  You can save the dirsheet.");
}

}  // namespace
}  // namespace dirsheet::window::test
