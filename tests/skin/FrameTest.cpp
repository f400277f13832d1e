// The skinned frame on real windows under Wine: loading, hooking, the outline, the
// client rectangle, active and inactive looks, the caption text, client background,
// caption-button states and the skin built into the executable.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <utility>
#include <vector>

#include "skin/Image.h"
#include "platform/win32/ProgramFolder.h"
#include "skin/win32/ClsSkinner.h"
#include "tests/skin/SkinTestFiles.h"
#include "tests/skin/WinTestUtil.h"

namespace dirsheet::skin::testing {
namespace {

using win32::ClsSkinner;

std::string WriteSkin(const std::string& name, const TestSkin& skin) {
  const std::string path = TempPath(name);
  WriteFileBytes(path, SkinFileBytes(skin));
  return path;
}

class FrameTest : public ::testing::Test {
 protected:
  void TearDown() override {
    engine.reset();
    for (HWND h : windows)
      if (IsWindow(h)) DestroyWindow(h);
    Pump(1);
  }
  HWND Window(const char* caption = "Skinned", int cx = 300, int cy = 200, int x = 100) {
    HWND h = MakeTestWindow(caption, x, 100, cx, cy);
    windows.push_back(h);
    return h;
  }
  HWND Hooked(const TestSkinOptions& o = {}, const char* caption = "Skinned", int cx = 300,
              int cy = 200) {
    HWND h = Window(caption, cx, cy);
    engine = std::make_unique<ClsSkinner>();
    EXPECT_TRUE(engine->LoadSkinFromFile(WriteSkin("frame.skin", MakeTestSkin(o))));
    EXPECT_TRUE(engine->HookForm(h));
    SetForegroundWindow(h);
    SetActiveWindow(h);
    Pump();
    return h;
  }
  static SIZE WindowSize(HWND h) {
    RECT r;
    GetWindowRect(h, &r);
    return {r.right - r.left, r.bottom - r.top};
  }
  MessageRecorder boxes;
  std::unique_ptr<ClsSkinner> engine;
  std::vector<HWND> windows;
};

// A plain red 16 x 16 icon, gone with the object.
struct RedIcon {
  RedIcon() {
    std::vector<std::uint32_t> red(16 * 16, 0xFFFF0000);
    color = CreateBitmap(16, 16, 1, 32, red.data());
    mask = CreateBitmap(16, 16, 1, 1, std::vector<std::uint8_t>(32, 0).data());
    ICONINFO ii = {TRUE, 0, 0, mask, color};
    handle = CreateIconIndirect(&ii);
  }
  ~RedIcon() {
    DestroyIcon(handle);
    DeleteObject(color);
    DeleteObject(mask);
  }
  RedIcon(const RedIcon&) = delete;
  RedIcon& operator=(const RedIcon&) = delete;
  HBITMAP color, mask;
  HICON handle;
};

TEST_F(FrameTest, LoadingRejectsBadFilesAndKeepsTheCurrentSkin) {
  ClsSkinner e;
  EXPECT_FALSE(e.LoadSkinFromFile(TempPath("no-such.skin")));
  EXPECT_TRUE(boxes.Shown().empty());

  auto bytes = SkinFileBytes(MakeTestSkin());
  auto lower = bytes;
  std::memcpy(lower.data(), "skin#", 5);
  const std::string bad = TempPath("lower.skin");
  WriteFileBytes(bad, lower);
  EXPECT_FALSE(e.LoadSkinFromFile(bad));
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].Text,
            "Error: El arhivo no es v\xE1lido o puede estar da\xF1"
            "ado");
  EXPECT_EQ(boxes.Shown()[0].Caption, "skin_frame_test");
  EXPECT_EQ(boxes.Shown()[0].Type, UINT(MB_ICONERROR));
  EXPECT_FALSE(e.SkinLoaded());

  // After the rejected file (closed again: it can be deleted), a valid one loads.
  EXPECT_TRUE(DeleteFileA(bad.c_str()));
  const std::string good = WriteSkin("good.skin", MakeTestSkin());
  EXPECT_TRUE(e.LoadSkinFromFile(good));
  HDC first = e.SkinDC();

  // Silent failures that keep the loaded skin: header and record only, a file cut inside
  // the record, a picture block that does not decode.
  boxes.Clear();
  const std::string broken = TempPath("broken.skin");
  std::vector<std::vector<std::uint8_t>> brokenFiles;
  brokenFiles.emplace_back(bytes.begin(), bytes.begin() + kPictureBlockOffset);
  brokenFiles.emplace_back(bytes.begin(), bytes.begin() + 900);
  auto garbage = bytes;
  for (std::size_t i = kPictureBlockOffset + 30; i < garbage.size(); ++i) garbage[i] = 0x5A;
  brokenFiles.push_back(garbage);
  for (const auto& f : brokenFiles) {
    WriteFileBytes(broken, f);
    EXPECT_FALSE(e.LoadSkinFromFile(broken));
    EXPECT_EQ(e.SkinDC(), first);
    EXPECT_EQ(e.Skin().ActiveFrame[4].Width, 8);
  }
  EXPECT_TRUE(boxes.Shown().empty());
  DeleteFileA(broken.c_str());
  DeleteFileA(good.c_str());
}

TEST_F(FrameTest, HookingKeepsTheClientSizeAndCutsTheOutline) {
  HWND h = Window();
  RECT before;
  GetClientRect(h, &before);
  engine = std::make_unique<ClsSkinner>();
  EXPECT_FALSE(engine->HookForm(h));  // no skin yet: untouched
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(h, GWLP_WNDPROC)), TestWindowProc());
  ASSERT_TRUE(engine->LoadSkinFromFile(WriteSkin("frame.skin", MakeTestSkin())));
  ASSERT_TRUE(engine->HookForm(h));
  Pump();
  RECT after;
  GetClientRect(h, &after);
  EXPECT_EQ(after.right, before.right);
  EXPECT_EQ(after.bottom, before.bottom);
  const SIZE s = WindowSize(h);
  EXPECT_EQ(s.cx, before.right + 8);
  EXPECT_EQ(s.cy, before.bottom + 24);

  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(h, rgn), ERROR);
  EXPECT_FALSE(PtInRegion(rgn, 0, 0));
  EXPECT_FALSE(PtInRegion(rgn, s.cx - 1, 0));
  EXPECT_TRUE(PtInRegion(rgn, 3, 0));
  EXPECT_TRUE(PtInRegion(rgn, 0, s.cy - 1));
  EXPECT_TRUE(PtInRegion(rgn, s.cx - 1, s.cy - 1));
  DeleteObject(rgn);

  // Hooking again gives the window back first and takes it over anew, without an error.
  ASSERT_TRUE(engine->HookForm(h));
  EXPECT_EQ(engine->HookedWindow(), h);
  GetClientRect(h, &after);
  EXPECT_EQ(after.right, before.right);
  EXPECT_TRUE(boxes.Shown().empty());

  // Releasing the engine gives the window its own procedure, outline and frame back.
  engine.reset();
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(h, GWLP_WNDPROC)), TestWindowProc());
  rgn = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(h, rgn), ERROR);
  DeleteObject(rgn);
  RECT standard = {0, 0, 0, 0};
  AdjustWindowRectEx(&standard, WS_OVERLAPPEDWINDOW, FALSE, 0);
  GetClientRect(h, &after);
  EXPECT_EQ(WindowSize(h).cx - after.right, standard.right - standard.left);
}

TEST_F(FrameTest, OpaqueSkinGivesARectangularWindow) {
  TestSkinOptions o;
  o.RoundedCorners = false;
  HWND h = Hooked(o);
  const SIZE s = WindowSize(h);
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  HRGN full = CreateRectRgn(0, 0, s.cx, s.cy);
  ASSERT_NE(GetWindowRgn(h, rgn), ERROR);
  EXPECT_TRUE(EqualRgn(rgn, full));
  DeleteObject(rgn);
  DeleteObject(full);
}

// The outline follows the window's size and the skin in force: it is cut once per size,
// and a new skin of the same size still brings its own.
TEST_F(FrameTest, OutlineFollowsTheSizeAndANewSkin) {
  HWND h = Hooked();
  auto outline = [&] {
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    EXPECT_NE(GetWindowRgn(h, rgn), ERROR);
    return rgn;
  };
  auto rectangular = [&](HRGN rgn) {
    const SIZE s = WindowSize(h);
    HRGN full = CreateRectRgn(0, 0, s.cx, s.cy);
    const bool same = EqualRgn(rgn, full) != FALSE;
    DeleteObject(full);
    DeleteObject(rgn);
    return same;
  };
  EXPECT_FALSE(rectangular(outline()));  // rounded corners

  TestSkinOptions square;
  square.RoundedCorners = false;
  ASSERT_TRUE(engine->LoadSkinFromFile(WriteSkin("square.skin", MakeTestSkin(square))));
  Pump();
  EXPECT_TRUE(rectangular(outline()));
  // A size message for the size the window already has leaves the square outline square
  // (whether it was cut again cannot be seen from here: the outline is the same either way).
  const SIZE s = WindowSize(h);
  SendMessageA(h, WM_SIZE, SIZE_RESTORED, MAKELPARAM(s.cx, s.cy));
  EXPECT_TRUE(rectangular(outline()));

  ASSERT_TRUE(engine->LoadSkinFromFile(WriteSkin("rounded.skin", MakeTestSkin())));
  Pump();
  HRGN rgn = outline();
  EXPECT_FALSE(PtInRegion(rgn, 0, 0));
  EXPECT_TRUE(PtInRegion(rgn, 3, 0));
  DeleteObject(rgn);

  // A new size: the corners are cut at the new right edge.
  SetWindowPos(h, nullptr, 0, 0, s.cx + 40, s.cy + 30, SWP_NOMOVE | SWP_NOZORDER);
  Pump();
  rgn = outline();
  RECT box;
  GetRgnBox(rgn, &box);
  EXPECT_EQ(box.right, s.cx + 40);
  EXPECT_EQ(box.bottom, s.cy + 30);
  EXPECT_FALSE(PtInRegion(rgn, s.cx + 39, 0));
  EXPECT_TRUE(PtInRegion(rgn, s.cx + 39, s.cy + 29));
  DeleteObject(rgn);
}

// A window hooked while hidden gets its icon, caption and frame painted when it is shown,
// with everything that changed while it was hidden.
TEST_F(FrameTest, ChangesWhileHiddenShowWhenTheWindowIsShown) {
  HWND h = Window("Hidden");
  ShowWindow(h, SW_HIDE);
  Pump();
  engine = std::make_unique<ClsSkinner>();
  ASSERT_TRUE(engine->LoadSkinFromFile(WriteSkin("frame.skin", MakeTestSkin())));
  ASSERT_TRUE(engine->HookForm(h));
  RedIcon icon;
  SendMessageA(h, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon.handle));
  SetWindowTextA(h, "WWWWWWWWWWWWWW");
  SendMessageA(h, WM_GETICON, ICON_SMALL, 0);
  Pump();
  EXPECT_FALSE(IsWindowVisible(h));

  ShowWindow(h, SW_SHOW);
  SetForegroundWindow(h);
  SetActiveWindow(h);
  Pump();
  const SIZE s = WindowSize(h);
  const Capture cap = CaptureWindow(h);
  EXPECT_EQ(cap.At(s.cx / 2, 19), ToColorRef(kActiveCaption));  // below the caption text
  EXPECT_EQ(cap.At(1, s.cy / 2), ToColorRef(kActiveEdge));
  EXPECT_EQ(cap.At(6 + 8, 2 + 8), RGB(255, 0, 0));
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(h, rgn), ERROR);
  EXPECT_FALSE(PtInRegion(rgn, 0, 0));
  DeleteObject(rgn);
  // The caption shown is the long one set while hidden: a short one has fewer text pixels.
  const RECT text = {26, 2, s.cx - 50, 18};
  SetWindowTextA(h, "W");
  SendMessageA(h, WM_GETICON, ICON_SMALL, 0);
  Pump();
  EXPECT_GT(cap.Count(text, RGB(255, 255, 255)), CaptureWindow(h).Count(text, RGB(255, 255, 255)));
}

TEST_F(FrameTest, ActiveAndInactiveLooks) {
  HWND h = Hooked({}, "WWWWWWWW");
  ASSERT_TRUE(engine->Active());
  const SIZE s = WindowSize(h);
  Capture cap = CaptureWindow(h);
  EXPECT_EQ(cap.At(s.cx / 2, 10), ToColorRef(kActiveCaption));
  EXPECT_EQ(cap.At(1, s.cy / 2), ToColorRef(kActiveEdge));
  EXPECT_EQ(cap.At(s.cx - 2, s.cy / 2), ToColorRef(kActiveEdge));
  EXPECT_EQ(cap.At(s.cx / 2, s.cy - 2), ToColorRef(kActiveEdge));
  EXPECT_EQ(cap.At(s.cx - 18 + 5, 4 + 5), ToColorRef(kButtonState[0]));  // close, normal
  const RECT text = {26, 2, s.cx - 50, 18};
  EXPECT_GT(cap.Count(text, RGB(255, 255, 255)), 0);
  HRGN activeRgn = CreateRectRgn(0, 0, 0, 0);
  GetWindowRgn(h, activeRgn);

  HWND other = Window("other", 200, 100, 700);
  SetForegroundWindow(other);
  SetActiveWindow(other);
  Pump();
  EXPECT_FALSE(engine->Active());
  cap = CaptureWindow(h);
  EXPECT_EQ(cap.At(s.cx / 2, 10), ToColorRef(kInactiveCaption));
  EXPECT_EQ(cap.At(1, s.cy / 2), ToColorRef(kInactiveEdge));
  EXPECT_EQ(cap.At(s.cx - 18 + 5, 4 + 5), ToColorRef(kButtonState[3]));
  EXPECT_GT(cap.Count(text, RGB(0xC0, 0xC0, 0xC0)), 0);
  EXPECT_EQ(cap.Count(text, RGB(255, 255, 255)), 0);
  HRGN inactiveRgn = CreateRectRgn(0, 0, 0, 0);
  GetWindowRgn(h, inactiveRgn);
  EXPECT_TRUE(EqualRgn(activeRgn, inactiveRgn));  // the outline stays the active one
  DeleteObject(activeRgn);
  DeleteObject(inactiveRgn);
}

// The window's own procedure still hears of every change of activation, told not to draw
// the standard frame (-1 as the region): the engine draws its own frame in either look, and
// a minimized window that loses the activation counts as inactive.
TEST_F(FrameTest, TheWindowHearsOfActivationButTheEngineDrawsTheFrame) {
  HWND other = Window("other", 200, 100, 700);
  std::vector<std::pair<WPARAM, LPARAM>> heard;
  HWND h = MakeTestWindow("Noticing", 100, 100, 300, 200,
                          [&heard](HWND, UINT msg, WPARAM wp, LPARAM lp, LRESULT&) {
                            if (msg == WM_NCACTIVATE) heard.emplace_back(wp, lp);
                            return false;
                          });
  windows.push_back(h);
  engine = std::make_unique<ClsSkinner>();
  ASSERT_TRUE(engine->LoadSkinFromFile(WriteSkin("frame.skin", MakeTestSkin({}))));
  ASSERT_TRUE(engine->HookForm(h));
  const SIZE s = WindowSize(h);
  // Activates `target`; the hooked window then heard of its new state and shows it.
  auto activate = [&](HWND target, BOOL hookedActive, COLORREF caption) {
    heard.clear();
    SetForegroundWindow(target);
    SetActiveWindow(target);
    Pump();
    ASSERT_FALSE(heard.empty());
    EXPECT_EQ(heard.back().first, static_cast<WPARAM>(hookedActive));
    EXPECT_EQ(heard.back().second, -1);
    EXPECT_EQ(CaptureWindow(h).At(s.cx / 2, 10), caption);
  };
  activate(other, FALSE, ToColorRef(kInactiveCaption));
  activate(h, TRUE, ToColorRef(kActiveCaption));
  // A minimized window that loses the activation is told so with its minimized state in
  // the high word (Wine keeps a minimized window active, so the message is sent by hand).
  SendMessageA(h, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, TRUE), 0);
  EXPECT_FALSE(engine->Active());
}

TEST_F(FrameTest, LongCaptionEndsWithAnEllipsis) {
  const char* caption = "The quick brown fox jumps over the lazy dog and keeps on running";
  HWND h = Hooked({}, caption, 220, 120);
  const SIZE s = WindowSize(h);
  const RECT text = {26, 2, s.cx - 50, 18};
  const int tw = text.right - text.left, th = text.bottom - text.top;

  // The same text drawn by the platform with and without the word ellipsis.
  auto render = [&](UINT flags) {
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = tw;
    bi.bmiHeader.biHeight = -th;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC mem = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ oldBmp = SelectObject(mem, bmp);
    HBRUSH bg = CreateSolidBrush(ToColorRef(kActiveCaption));
    RECT all = {0, 0, tw, th};
    FillRect(mem, &all, bg);
    LOGFONTA lf;
    std::memcpy(&lf, engine->Skin().CaptionText.Font.Raw.data(), sizeof lf);
    HFONT font = CreateFontIndirectA(&lf);
    HGDIOBJ oldFont = SelectObject(mem, font);
    SetBkMode(mem, TRANSPARENT);
    SetTextColor(mem, RGB(255, 255, 255));
    DrawTextA(mem, caption, -1, &all, flags);
    GdiFlush();
    std::vector<COLORREF> px(std::size_t(tw) * th);
    for (std::size_t i = 0; i < px.size(); ++i) {
      const std::uint32_t v = static_cast<const std::uint32_t*>(bits)[i];
      px[i] = RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    SelectObject(mem, oldFont);
    SelectObject(mem, oldBmp);
    DeleteObject(font);
    DeleteObject(bg);
    DeleteObject(bmp);
    DeleteDC(mem);
    return px;
  };
  const auto withEllipsis = render(DT_SINGLELINE | DT_VCENTER | DT_WORD_ELLIPSIS);
  const auto cut = render(DT_SINGLELINE | DT_VCENTER);
  ASSERT_NE(withEllipsis, cut);
  const Capture cap = CaptureWindow(h);
  int mismatches = 0;
  for (int y = 0; y < th; ++y)
    for (int x = 0; x < tw; ++x)
      mismatches += cap.At(text.left + x, text.top + y) != withEllipsis[std::size_t(y) * tw + x];
  EXPECT_EQ(mismatches, 0);
}

TEST_F(FrameTest, ClientBackgroundOnlyWhenAsked) {
  TestSkinOptions o;
  o.ClientColor = RGB(0, 200, 0);
  HWND h = Hooked(o);
  EXPECT_EQ(ClientPixel(h, 10, 10), RGB(255, 255, 255));
  engine->PaintClientArea(true);
  Pump();
  EXPECT_EQ(ClientPixel(h, 10, 10), RGB(0, 200, 0));
  engine->PaintClientArea(false);
  Pump();
  EXPECT_EQ(ClientPixel(h, 10, 10), RGB(255, 255, 255));

  ClsSkinner idle;
  idle.PaintClientArea(true);  // no window hooked: nothing happens
  EXPECT_TRUE(idle.PaintClientArea());
}

TEST_F(FrameTest, ClientTileLinesUpWithTheClientOrigin) {
  TestSkinOptions o;
  o.ClientTile = true;
  HWND h = Hooked(o);
  engine->PaintClientArea(true);
  Pump();
  EXPECT_EQ(ClientPixel(h, 0, 0), ToColorRef(TileColor(0, 0)));
  EXPECT_EQ(ClientPixel(h, 21, 37), ToColorRef(TileColor(5, 5)));

  // Black out the client, then have only an area starting 5 pixels in painted again.
  HDC dc = GetDC(h);
  RECT client;
  GetClientRect(h, &client);
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  ReleaseDC(h, dc);
  RECT area = {5, 5, 45, 45};
  InvalidateRect(h, &area, TRUE);
  UpdateWindow(h);
  Pump();
  EXPECT_EQ(ClientPixel(h, 5, 5), ToColorRef(TileColor(5, 5)));
  EXPECT_EQ(ClientPixel(h, 20, 9), ToColorRef(TileColor(4, 9)));
  EXPECT_EQ(ClientPixel(h, 44, 44), ToColorRef(TileColor(12, 12)));
  EXPECT_EQ(ClientPixel(h, 4, 4), RGB(0, 0, 0));
  EXPECT_EQ(ClientPixel(h, 45, 45), RGB(0, 0, 0));
}

TEST_F(FrameTest, ResizeResetsButtonStatesAndKeepsTheMinimumSize) {
  HWND h = Hooked();
  RECT wr;
  GetWindowRect(h, &wr);
  const LPARAM overClose = MAKELPARAM(wr.right - 18 + 6, wr.top + 4 + 6);
  EXPECT_EQ(SendMessageA(h, WM_NCHITTEST, 0, overClose), HTCLOSE);
  EXPECT_EQ(engine->Buttons().State(3), ButtonState::Hot);
  SetWindowPos(h, nullptr, 0, 0, 320, 220, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(engine->Buttons().State(3), ButtonState::Normal);

  // Inactive buttons go back to 0 on a resize as well.
  HWND other = Window("other", 200, 100, 700);
  SetActiveWindow(other);
  Pump();
  EXPECT_EQ(engine->Buttons().State(0), ButtonState::Inactive);
  SetWindowPos(h, nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(engine->Buttons().State(i), ButtonState::Normal);

  SetWindowPos(h, nullptr, 0, 0, 50, 30, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  const SIZE s = WindowSize(h);
  EXPECT_GE(s.cx, 120);
  EXPECT_GE(s.cy, 60);

  // Caption and border answers of the frame.
  GetWindowRect(h, &wr);
  EXPECT_EQ(SendMessageA(h, WM_NCHITTEST, 0, MAKELPARAM(wr.left + 60, wr.top + 10)), HTCAPTION);
  EXPECT_EQ(SendMessageA(h, WM_NCHITTEST, 0, MAKELPARAM(wr.left + 1, wr.top + 40)), HTLEFT);
}

TEST_F(FrameTest, IconAndStyleChangesRepaintTheCaption) {
  HWND h = Hooked();
  const SIZE s = WindowSize(h);
  // A plain red 16 x 16 icon, set as the small icon: drawn at the skin's icon place.
  RedIcon icon;
  SendMessageA(h, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon.handle));
  Pump();
  Capture cap = CaptureWindow(h);
  EXPECT_EQ(cap.At(6 + 8, 2 + 8), RGB(255, 0, 0));
  EXPECT_EQ(cap.At(6 + 20, 2 + 8) == RGB(255, 0, 0), false);

  // Without minimize and maximize boxes only the close button is drawn.
  const int minX = s.cx - 46 + 5;
  EXPECT_EQ(cap.At(minX, 4 + 5), ToColorRef(kButtonState[0]));
  SetWindowLongA(h, GWL_STYLE, GetWindowLongA(h, GWL_STYLE) & ~(WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  Pump();
  cap = CaptureWindow(h);
  EXPECT_EQ(cap.At(minX, 4 + 5), ToColorRef(kActiveCaption));
  EXPECT_EQ(cap.At(s.cx - 18 + 5, 4 + 5), ToColorRef(kButtonState[0]));

  // A new caption shows once the window is asked for its icon.
  const RECT text = {26, 2, s.cx - 50, 18};
  const int before = cap.Count(text, RGB(255, 255, 255));
  SetWindowTextA(h, "WWWWWWWWWWWWWW");
  SendMessageA(h, WM_GETICON, ICON_SMALL, 0);
  Pump();
  cap = CaptureWindow(h);
  EXPECT_GT(cap.Count(text, RGB(255, 255, 255)), before);
  EXPECT_EQ(cap.At(s.cx / 2, 19),
            ToColorRef(kActiveCaption));  // the skin's, not a standard caption
}

TEST_F(FrameTest, CloseButtonClosesTheWindowAndDropShadowComesBack) {
  HWND h = Window("close");
  const ULONG_PTR classStyle = GetClassLongPtrA(h, GCL_STYLE);
  TestSkin skin = MakeTestSkin();
  skin.Data.DropShadow = 1;
  engine = std::make_unique<ClsSkinner>();
  ASSERT_TRUE(engine->LoadSkinFromFile(WriteSkin("shadow.skin", skin)));
  ASSERT_TRUE(engine->HookForm(h));
  EXPECT_EQ(GetClassLongPtrA(h, GCL_STYLE), classStyle | CS_DROPSHADOW);
  RECT wr;
  GetWindowRect(h, &wr);
  const LPARAM overClose = MAKELPARAM(wr.right - 18 + 6, wr.top + 4 + 6);
  SendMessageA(h, WM_NCLBUTTONDOWN, HTCLOSE, overClose);
  EXPECT_EQ(engine->Buttons().State(3), ButtonState::Pressed);
  EXPECT_TRUE(IsWindow(h));  // pressing alone does nothing
  SendMessageA(h, WM_NCLBUTTONUP, HTCLOSE, overClose);
  EXPECT_FALSE(IsWindow(h));
  // The class style went back with the window; the engine outlives its window and lets
  // go of it cleanly.
  HWND other = Window("after");
  EXPECT_EQ(GetClassLongPtrA(other, GCL_STYLE), classStyle);
  engine.reset();
  EXPECT_EQ(GetClassLongPtrA(other, GCL_STYLE), classStyle);
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(FrameTest, MenuColourDecidesWhoKeepsTheMenu) {
  for (std::int32_t color : {-1, 0x00C0FF}) {
    HWND h = Window("menu");
    HMENU menu = CreateMenu();
    AppendMenuA(menu, MF_STRING, 100, "&File");
    SetMenu(h, menu);
    TestSkinOptions o;
    o.MenuColor = color;
    engine = std::make_unique<ClsSkinner>();
    ASSERT_TRUE(engine->LoadSkinFromFile(WriteSkin("menu.skin", MakeTestSkin(o))));
    ASSERT_TRUE(engine->HookForm(h));
    EXPECT_EQ(GetMenu(h) == menu, color == -1) << color;
    MENUINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = MIM_BACKGROUND;
    GetMenuInfo(menu, &info);
    EXPECT_NE(info.hbrBack, nullptr);
    // Given back, the window has its menu again, with the background it had.
    engine.reset();
    EXPECT_EQ(GetMenu(h), menu) << color;
    GetMenuInfo(menu, &info);
    EXPECT_EQ(info.hbrBack, nullptr) << color;
  }
}

TEST_F(FrameTest, NewSkinWhileHookedSwapsInPlace) {
  HWND h = Hooked();
  const SIZE s = WindowSize(h);
  TestSkin second = MakeTestSkin();
  for (auto& px : second.Picture.Pixels)
    if (px == kActiveCaption) px = 0x804020;
  ASSERT_TRUE(engine->LoadSkinFromFile(WriteSkin("second.skin", second)));
  Pump();
  EXPECT_EQ(CaptureWindow(h).At(s.cx / 2, 10), ToColorRef(0x804020));

  // A rejected file afterwards leaves the second skin on the window.
  auto lower = SkinFileBytes(MakeTestSkin());
  lower[0] = 's';
  const std::string bad = TempPath("bad.skin");
  WriteFileBytes(bad, lower);
  EXPECT_FALSE(engine->LoadSkinFromFile(bad));
  RedrawWindow(h, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
  Pump();
  EXPECT_EQ(CaptureWindow(h).At(s.cx / 2, 10), ToColorRef(0x804020));
  DeleteFileA(bad.c_str());
}

TEST_F(FrameTest, ASkinWrittenByAnotherToolDrawsTheFrame) {
  // The picture in the platform's property-bag form, its name in UTF-16 and in ANSI.
  for (bool utf16 : {true, false}) {
    HWND h = Window("Elsewhere");
    const std::string path = TempPath("elsewhere.skin");
    WriteFileBytes(path, SkinFileBytesInPropertyBag(MakeTestSkin(), utf16));
    engine = std::make_unique<ClsSkinner>();
    ASSERT_TRUE(engine->LoadSkinFromFile(path)) << utf16;
    ASSERT_TRUE(engine->HookForm(h));
    SetForegroundWindow(h);
    SetActiveWindow(h);
    Pump();
    const SIZE s = WindowSize(h);
    const Capture cap = CaptureWindow(h);
    EXPECT_EQ(cap.At(s.cx / 2, 10), ToColorRef(kActiveCaption)) << utf16;
    EXPECT_EQ(cap.At(1, s.cy / 2), ToColorRef(kActiveEdge)) << utf16;
    EXPECT_EQ(cap.At(s.cx - 18 + 5, 4 + 5), ToColorRef(kButtonState[0])) << utf16;
    engine.reset();
    DeleteFileA(path.c_str());
  }
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(FrameTest, PiecesOutsideThePictureAreCutNotRefused) {
  TestSkin skin = MakeTestSkin();
  // The inactive frame and the menu bar wholly outside the 128-pixel picture, and the
  // close button's pressed piece half outside it (its inside half painted in a colour of
  // its own).
  for (PieceRect& p : skin.Data.InactiveFrame.Pieces) p.Top += 1000;
  for (PieceRect& p : skin.Data.MenuBar.Bar) p.Left = -50;
  constexpr std::uint32_t kHalf = 0x30D0A0;
  skin.Data.CaptionButtons[kClose].States[2] = {122, 100, 12, 12};
  for (int y = 100; y < 112; ++y)
    for (int x = 122; x < 128; ++x) skin.Picture.Pixels[std::size_t(y) * 128 + x] = kHalf;
  HWND h = Window("Outside");
  engine = std::make_unique<ClsSkinner>();
  ASSERT_TRUE(engine->LoadSkinFromFile(WriteSkin("outside.skin", skin)));
  ASSERT_TRUE(engine->HookForm(h));
  SetForegroundWindow(h);
  SetActiveWindow(h);
  Pump();
  RECT wr;
  GetWindowRect(h, &wr);
  const int W = wr.right - wr.left;
  // The close button pressed: its piece shows where it lies in the picture, and the
  // caption where it does not.
  SendMessageA(h, WM_NCLBUTTONDOWN, HTCLOSE, MAKELPARAM(wr.right - 18 + 2, wr.top + 4 + 6));
  ASSERT_EQ(engine->Buttons().State(kClose), ButtonState::Pressed);
  Pump();
  const Capture cap = CaptureWindow(h);
  EXPECT_EQ(cap.At(W - 18 + 2, 4 + 6), ToColorRef(kHalf));
  EXPECT_EQ(cap.At(W - 18 + 9, 4 + 6), ToColorRef(kActiveCaption));
  // Released away from it: nothing happens.
  SendMessageA(h, WM_NCLBUTTONUP, HTCAPTION, MAKELPARAM(wr.left + 60, wr.top + 10));
  EXPECT_TRUE(IsWindow(h));
  EXPECT_TRUE(boxes.Shown().empty());
}

// The example skin Ember: square corners, a top-left corner wider than the left edge,
// a right side narrower than the left one, inactive pieces of other sizes and a menu bar
// of its own. Each pixel is checked against the picture's pixel it comes from.
TEST_F(FrameTest, TheExampleSkinEmber) {
  const std::string dir = DIRSHEET_SOURCE_DIR "/tools/skin/examples/ember/";
  std::ifstream in(dir + "ember.png", std::ios::binary);
  const std::vector<std::uint8_t> png((std::istreambuf_iterator<char>(in)),
                                      std::istreambuf_iterator<char>());
  Image picture;
  ASSERT_TRUE(DecodePng(png.data(), png.size(), picture));
  auto pic = [&](int x, int y) { return ToColorRef(picture.At(x, y)); };

  HWND h = Window("Ember", 360, 240);
  HMENU menu = CreateMenu();
  AppendMenuA(menu, MF_STRING, 100, "&File");
  SetMenu(h, menu);
  engine = std::make_unique<ClsSkinner>();
  ASSERT_TRUE(engine->LoadSkinFromFile(dir + "ember.skin"));
  ASSERT_TRUE(engine->HookForm(h));
  SetForegroundWindow(h);
  SetActiveWindow(h);
  Pump();
  ASSERT_TRUE(engine->Active());
  const SIZE s = WindowSize(h);
  const int W = s.cx, H = s.cy;
  POINT client = {0, 0};
  ClientToScreen(h, &client);
  RECT wr;
  GetWindowRect(h, &wr);
  EXPECT_EQ(client.x - wr.left, 5);       // the left edge, not the wider corner above it
  EXPECT_EQ(client.y - wr.top, 26 + 22);  // caption and menu bar
  RECT cr;
  GetClientRect(h, &cr);
  EXPECT_EQ(W - cr.right, 5 + 3);  // left and right borders differ
  EXPECT_EQ(H - cr.bottom, 26 + 22 + 6);

  Capture cap = CaptureWindow(h);
  struct Point {
    const char* what;
    int x, y;
    COLORREF expected;
  };
  const Point active[] = {
      {"square top-left corner", 0, 0, pic(0, 0)},
      {"square top-right corner", W - 1, 0, pic(51, 0)},
      {"stripe of the wide corner", 4, 10, pic(4, 10)},
      {"wide corner past the edge", 8, 12, pic(8, 12)},
      {"left edge", 2, 60, pic(2, 26 + (60 - 26) % 8)},
      {"right edge", W - 2, 60, pic(50, 30)},
      {"right corner", W - 5, 12, pic(47, 12)},
      {"caption line", W / 2, 24, pic(24, 24)},
      {"bottom-left corner", 3, H - 3, pic(3, 37)},
      {"bottom edge", W / 2, H - 1, pic(24, 39)},
      {"bottom-right corner", W - 2, H - 2, pic(50, 38)},
      {"menu bar", W - 20, 30, pic(106, 4)},
      {"close button", W - 28 + 2, 4 + 2, pic(2, 162)},
  };
  for (const Point& p : active) EXPECT_EQ(cap.At(p.x, p.y), p.expected) << p.what;
  EXPECT_EQ(cap.At(6, 60), RGB(255, 255, 255)) << "the client area beside the left edge";
  EXPECT_EQ(cap.At(W - 4, 60), RGB(255, 255, 255)) << "the client area beside the right edge";
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  HRGN full = CreateRectRgn(0, 0, W, H);
  GetWindowRgn(h, rgn);
  EXPECT_TRUE(EqualRgn(rgn, full)) << "square corners: a rectangular window";
  DeleteObject(rgn);
  DeleteObject(full);

  // Inactive: the inactive pieces in the active pieces' places, cut where they are
  // larger and repeated where they are smaller.
  HWND other = Window("other", 200, 100, 760);
  SetForegroundWindow(other);
  SetActiveWindow(other);
  Pump();
  ASSERT_FALSE(engine->Active());
  cap = CaptureWindow(h);
  const Point inactive[] = {
      {"caption", W / 2, 10, pic(24, 58)},
      {"caption cut to the active height", W / 2, 25, pic(24, 48 + 25)},
      {"stripe of the corner", 4, 10, pic(4, 58)},
      {"left edge, wider than the active one", 2, 60, pic(2, 80)},
      {"narrower right corner at the outer edge", W - 1, 10, pic(49, 58)},
      {"caption beside the narrower right corner", W - 5, 10, pic(24, 58)},
      {"right edge cut at its inner side", W - 1, 60, pic(49, 80)},
      {"bottom edge cut at its inner side", W / 2, H - 1, pic(24, 93)},
  };
  for (const Point& p : inactive) EXPECT_EQ(cap.At(p.x, p.y), p.expected) << p.what;
  EXPECT_EQ(cap.At(6, 60), RGB(255, 255, 255)) << "nothing drawn over the client area";
}

TEST_F(FrameTest, SkinBuiltIntoTheExecutable) {
  ClsSkinner e;
  EXPECT_FALSE(e.LoadSkinFromResource(MAKEINTRESOURCEA(999), "SKIN"));
  EXPECT_TRUE(e.LoadSkinFromResource(MAKEINTRESOURCEA(101), "SKIN"));
  EXPECT_TRUE(e.SkinLoaded());
  const std::string temp = platform::win32::ProgramFolder() + "\\TempResourceSkin.skin";
  EXPECT_EQ(GetFileAttributesA(temp.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace dirsheet::skin::testing
