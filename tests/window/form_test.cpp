// The main window after start-up, its pages, and the commands that do nothing yet.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/window/FormTestSupport.h"

namespace dirsheet::window::test {
namespace {

std::vector<std::string> ComboEntries(HWND combo) {
  std::vector<std::string> entries;
  int n = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    char buf[100] = {};
    SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buf));
    entries.push_back(buf);
  }
  return entries;
}

bool Checked(HWND check) { return SendMessageA(check, BM_GETCHECK, 0, 0) == BST_CHECKED; }

// Position of a control inside its container, in pixels.
RECT PlaceIn(HWND control) {
  RECT rc;
  GetWindowRect(control, &rc);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rc), 2);
  return rc;
}

TEST(Form1StartUp, ControlsHoldTheirInitialState) {
  ScratchFolder folder;
  Recorder rec;
  auto form = MakeForm(rec.Services(folder.Path()), SW_SHOWNORMAL);
  ASSERT_TRUE(form);
  EXPECT_EQ(GetText(form->Handle()), "Dirsheet Rizedazer");
  EXPECT_TRUE(IsWindowVisible(form->Handle()));

  EXPECT_TRUE(Checked(form->Check(1)));
  EXPECT_TRUE(Checked(form->Check(2)));
  EXPECT_FALSE(Checked(form->Check(3)));
  EXPECT_FALSE(Checked(form->Check(4)));
  EXPECT_EQ(GetText(form->Check(4)), "Last modified date");
  EXPECT_EQ(GetText(form->OrderBy()), "No order");
  EXPECT_EQ(
      ComboEntries(form->OrderBy()),
      (std::vector<std::string>{"Name", "Type", "Size", "Created date", "Last modified date"}));
  EXPECT_EQ(GetText(form->SaveAs()), "Text");
  EXPECT_EQ(ComboEntries(form->SaveAs()), (std::vector<std::string>{"Text", "HTML"}));
  EXPECT_EQ(GetText(form->Filter()), "*");
  EXPECT_EQ(GetText(form->Dir()), "");
  EXPECT_EQ(GetText(form->Command(1)), "Start");
  EXPECT_EQ(GetText(form->Command(2)), "Stop");
  EXPECT_EQ(GetText(form->Command(3)), "Save as...");
  EXPECT_EQ(GetText(form->Label(2)), "Dirsheet Rizedazer");
  EXPECT_EQ(GetText(form->Label(3)), "Version 2009 (build 1.0)");
  EXPECT_TRUE(IsWindowVisible(form->Frame1()));
  EXPECT_FALSE(IsWindowVisible(form->Frame2()));
  EXPECT_EQ(form->BoldCommand(), 0);
  EXPECT_FALSE(form->Scanning());
  EXPECT_FALSE(form->ListingMade());

  // Containers and places. The layout is in twips; at the test screen's 96 pixels per
  // inch a pixel is 15 twips, so Command3 at 6000, 240 twips, 1215 wide, lies at 400, 16
  // and is 81 pixels wide.
  EXPECT_EQ(GetParent(form->Command(3)), form->Frame1());
  EXPECT_EQ(GetParent(GetParent(form->TreeView1())), form->Frame1());
  const platform::win32::WindowDc screen(nullptr, true);
  const int dpiX = GetDeviceCaps(screen.get(), LOGPIXELSX);
  const int dpiY = GetDeviceCaps(screen.get(), LOGPIXELSY);
  if (dpiX != 96 || dpiY != 96) GTEST_SKIP() << "places are given for 96 pixels per inch";
  RECT c3 = PlaceIn(form->Command(3));
  EXPECT_EQ(c3.left, 400);
  EXPECT_EQ(c3.top, 16);
  EXPECT_EQ(c3.right - c3.left, 81);
  RECT tv = PlaceIn(form->TreeView1());
  EXPECT_EQ(tv.left, 8);               // 120 twips
  EXPECT_EQ(tv.bottom - tv.top, 225);  // 3375 twips
  RECT client;
  GetClientRect(form->Handle(), &client);
  EXPECT_EQ(client.right, 533);   // 7995 twips
  EXPECT_EQ(client.bottom, 464);  // 6960 twips
}

// The owner notes whether the main window already had its large icon when its own came.
int g_ownerIcons = 0;
bool g_windowHadIconFirst = false;

LRESULT CALLBACK OwnerProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_SETICON && wp == ICON_BIG) {
    ++g_ownerIcons;
    HWND form = FindWindowA("DirsheetForm1", nullptr);
    g_windowHadIconFirst = form && SendMessageA(form, WM_GETICON, ICON_BIG, 0) != 0;
  }
  return DefWindowProcA(h, msg, wp, lp);
}

TEST(Form1StartUp, IconsGoToTheTopOwnerFirstAndThenTheWindow) {
  ScratchFolder folder;
  Recorder rec;
  WNDCLASSA wc = {};
  wc.lpfnWndProc = OwnerProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "DirsheetTestOwner";
  RegisterClassA(&wc);
  HWND owner = CreateWindowExA(0, "DirsheetTestOwner", "owner", WS_POPUP, 0, 0, 10, 10, nullptr,
                               nullptr, wc.hInstance, nullptr);
  Form1Services services = rec.Services(folder.Path());
  services.owner = owner;
  auto form = MakeForm(std::move(services));
  ASSERT_TRUE(form);
  auto big = SendMessageA(form->Handle(), WM_GETICON, ICON_BIG, 0);
  EXPECT_NE(big, 0);
  EXPECT_EQ(SendMessageA(owner, WM_GETICON, ICON_BIG, 0), big);
  EXPECT_EQ(g_ownerIcons, 1);
  EXPECT_FALSE(g_windowHadIconFirst);
  // The small icon comes from images\Dirsheet.ico beside the test program.
  EXPECT_NE(SendMessageA(form->Handle(), WM_GETICON, ICON_SMALL, 0), 0);
  form.reset();
  DestroyWindow(owner);
}

TEST(Form1Pages, TabClicksSwitchBetweenMainAndAbout) {
  ScratchFolder folder;
  Recorder rec;
  auto form = MakeForm(rec.Services(folder.Path()));
  auto clickTab = [&](int index) {
    RECT rc;
    SendMessageA(form->TabStrip1(), TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&rc));
    PostClick(form->TabStrip1(), (rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    PumpForm(form.get());
  };
  clickTab(1);
  EXPECT_FALSE(Shown(form->Frame1()));
  EXPECT_TRUE(Shown(form->Frame2()));
  clickTab(0);
  EXPECT_TRUE(Shown(form->Frame1()));
  EXPECT_FALSE(Shown(form->Frame2()));
}

TEST(Form1Pages, CtrlTabTurnsThePage) {
  ScratchFolder folder;
  Recorder rec;
  auto form = MakeForm(rec.Services(folder.Path()));
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  PostKey(form->TreeView1(), VK_TAB);
  PumpForm(form.get());
  EXPECT_TRUE(Shown(form->Frame2()));
  PostKey(form->TreeView1(), VK_NEXT);
  PumpForm(form.get());
  keys[VK_CONTROL] = 0;
  SetKeyboardState(keys);
  EXPECT_TRUE(Shown(form->Frame1()));
  EXPECT_FALSE(Shown(form->Frame2()));
  EXPECT_EQ(SendMessageA(form->TabStrip1(), TCM_GETCURSEL, 0, 0), 0);
}

TEST(Form1Pages, AboutLinksOpenTheMakersAddresses) {
  ScratchFolder folder;
  Recorder rec;
  auto form = MakeForm(rec.Services(folder.Path()));
  ShowWindow(form->Frame2(), SW_SHOW);
  for (HWND h : {form->Label(5), form->Label(6), form->Logo()}) {
    PostClick(h);
    PumpForm(form.get());
  }
  // Each link opens the address it shows; the logo opens the first one.
  const std::string site = GetText(form->Label(5)), second = GetText(form->Label(6));
  EXPECT_EQ(site.rfind("https://", 0), 0u) << site;
  EXPECT_EQ(second.rfind("https://", 0), 0u) << second;
  ASSERT_EQ(rec.launched.size(), 3u);
  EXPECT_EQ(rec.launched[0], std::make_pair(std::string("explorer.exe"), site));
  EXPECT_EQ(rec.launched[1].second, second);
  EXPECT_EQ(rec.launched[2].second, site);
}

TEST(Form1Commands, StopAndSaveAsBeforeTheFirstScanDoNothing) {
  ScratchFolder folder;
  Recorder rec;
  rec.saveAnswer = folder.Path() + "\\report";
  auto form = MakeForm(rec.Services(folder.Path()));
  PostClick(form->Command(2));
  PostClick(form->Command(3));
  PumpForm(form.get());
  EXPECT_EQ(form->BoldCommand(), 0);
  EXPECT_TRUE(rec.saveRequests.empty());
  EXPECT_FALSE(FileExists(folder.Path() + "\\report.txt"));
  EXPECT_FALSE(form->StopRequested());
}

TEST(Form1Commands, StartWithoutAFolderShowsTheMessageAndLeavesTheListing) {
  ScratchFolder folder;
  Recorder rec;
  auto form = MakeForm(rec.Services(folder.Path()));
  std::string earlier = folder.MakeFile("Dirsheet.txt", "earlier listing");
  MessageBoxWatcher watcher;
  PostClick(form->Command(1));
  PumpForm(form.get());
  EXPECT_TRUE(watcher.Seen());
  EXPECT_EQ(watcher.Text(), "A valid folder must be specified.");
  EXPECT_EQ(ReadFileBytes(earlier), "earlier listing");
  EXPECT_FALSE(form->ListingMade());
  EXPECT_EQ(form->BoldCommand(), 0);
  EXPECT_TRUE(rec.launched.empty());
}

// Bounding box of the pixels in which two captures of the same window differ.
RECT Differences(const Capture& a, const Capture& b) {
  RECT box = {a.Width, a.Height, -1, -1};
  for (int y = 0; y < a.Height; ++y)
    for (int x = 0; x < a.Width; ++x)
      if (a.At(x, y) != b.At(x, y)) {
        box.left = std::min<LONG>(box.left, x);
        box.top = std::min<LONG>(box.top, y);
        box.right = std::max<LONG>(box.right, x);
        box.bottom = std::max<LONG>(box.bottom, y);
      }
  return box;
}

// What the screen shows of a command button: the focus rectangle is what focusing adds,
// the caption what naming it adds; the rectangle must enclose the caption with room.
TEST(Form1Look, TheFocusRectangleRunsClearOfTheCaption) {
  ScratchFolder folder;
  Recorder rec;
  auto form = MakeForm(rec.Services(folder.Path()), SW_SHOWNORMAL);
  SetForegroundWindow(form->Handle());
  for (int which = 1; which <= 3; ++which) {
    HWND button = form->Command(which);
    auto look = [&](bool focused) {
      SetFocus(focused ? button : form->Dir());
      RedrawWindow(button, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
      PumpForm(form.get(), 50);
      return CaptureWindow(button);
    };
    const Capture plain = look(false);
    const Capture focused = look(true);
    const std::string caption = GetText(button);
    SetWindowTextA(button, "");
    const Capture unnamed = look(false);
    SetWindowTextA(button, caption.c_str());

    const RECT focus = Differences(plain, focused);
    const RECT text = Differences(plain, unnamed);
    ASSERT_GT(focus.right, focus.left) << caption << ": no focus rectangle drawn";
    ASSERT_GT(text.right, text.left) << caption;
    EXPECT_GT(text.left, focus.left + 1) << caption;
    EXPECT_LT(text.right, focus.right - 1) << caption;
    EXPECT_GT(text.top, focus.top + 1) << caption;
    EXPECT_LT(text.bottom, focus.bottom - 1) << caption;
    // The rectangle lies inside the button's raised edge, around its whole inside.
    EXPECT_GE(focus.left, 2) << caption;
    EXPECT_LE(focus.left, 5) << caption;
    EXPECT_GE(plain.Height - 1 - focus.bottom, 2) << caption;
    EXPECT_LE(plain.Height - 1 - focus.bottom, 5) << caption;
  }
}

TEST(Form1Keyboard, TabMovesThroughTheOptionsInOrder) {
  ScratchFolder folder;
  Recorder rec;
  auto form = MakeForm(rec.Services(folder.Path()), SW_SHOWNORMAL);
  SetForegroundWindow(form->Handle());
  auto focusAfterTab = [&](HWND from) {
    SetFocus(from);
    PostKey(GetFocus(), VK_TAB);
    PumpForm(form.get());
    HWND f = GetFocus();
    return GetParent(f) == form->OrderBy() || GetParent(f) == form->SaveAs() ? GetParent(f) : f;
  };
  EXPECT_EQ(GetFocus(), form->TreeView1()) << "the tree has the focus first";
  EXPECT_EQ(focusAfterTab(form->Command(1)), form->Command(2));
  EXPECT_EQ(focusAfterTab(form->Command(2)), form->Command(3));
  EXPECT_EQ(focusAfterTab(form->Command(3)), form->Dir());
  EXPECT_EQ(focusAfterTab(form->Dir()), form->OrderBy());
  EXPECT_EQ(focusAfterTab(form->Check(1)), form->Check(2));
}

}  // namespace
}  // namespace dirsheet::window::test
