#include "window/Form1.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <uxtheme.h>

#include <cstring>
#include <functional>
#include <future>
#include <utility>

#include "platform/FileSystem.h"
#include "platform/win32/ProgramFolder.h"
#include "platform/win32/TextCodec.h"
#include "png/LoadPNG.h"
#include "png/win32/PictureBox.h"
#include "skin/win32/ClsSkinner.h"
#include "window/SourceFolder.h"

namespace dirsheet::window {

using platform::win32::Bitmap;
using platform::win32::MemoryDc;
using platform::win32::ProgramFolder;
using platform::win32::SelectGuard;
using platform::win32::WideFromCodePage;

namespace {

const char kFormClass[] = "DirsheetForm1";
const char kFrameClass[] = "DirsheetFrame";
const char kCaption[] = "Dirsheet Rizedazer";
const char kMessageTitle[] = "Dirsheet";
const char kNoFolder[] = "A valid folder must be specified.";
const char kDone[] = "Done.  You can save the dirsheet.";

// Client area of the window, in twips.
constexpr int kClientWidth = 7995;
constexpr int kClientHeight = 6960;
// Distance of the focus rectangle from the edge of a command button, in pixels: inside
// its two-pixel raised edge.
constexpr int kFocusInset = 3;
// How often a running scan lets the window process its messages and shows its path.
constexpr DWORD kPumpIntervalMs = 16;
// How often it repaints the status panel with the latest path: painting costs more than
// pumping, and the eye does not follow paths faster than this.
constexpr DWORD kStatusIntervalMs = 48;

enum ControlId {
  kIdTab = 100,
  kIdCommand1,
  kIdCommand2,
  kIdCommand3,
  kIdDir,
  kIdOrderBy,
  kIdSaveAs,
  kIdTree,
  kIdFilter,
  kIdCheck1,
  kIdCheck2,
  kIdCheck3,
  kIdCheck4,
  kIdStatus,
  kIdLabel2,
  kIdLabel3,
  kIdLabel4,
  kIdLabel5,
  kIdLabel6,
  kIdLogo,
};

// A frame is a container: it draws an etched border with its caption and passes the
// notifications of its controls on to the main window.
LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
      return SendMessageA(GetAncestor(hwnd, GA_ROOT), msg, wp, lp);
    case WM_SETFONT:
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, static_cast<LONG_PTR>(wp));
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT rc;
      GetClientRect(hwnd, &rc);
      auto font = reinterpret_cast<HFONT>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
      SelectGuard keep(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
      TEXTMETRICA tm;
      GetTextMetricsA(dc, &tm);
      std::string caption = GetText(hwnd);
      RECT border = rc;
      if (!caption.empty()) border.top += tm.tmHeight / 2;
      DrawEdge(dc, &border, EDGE_ETCHED, BF_RECT);
      if (!caption.empty()) {
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkMode(dc, OPAQUE);
        TextOutA(dc, 8, 0, (" " + caption + " ").c_str(), static_cast<int>(caption.size() + 2));
      }
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_SETTEXT: {
      LRESULT r = DefWindowProcA(hwnd, msg, wp, lp);
      InvalidateRect(hwnd, nullptr, TRUE);
      return r;
    }
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

std::optional<std::string> ShowSaveDialog(HWND owner, const SaveRequest& request) {
  char file[MAX_PATH * 2] = {};
  strncpy(file, request.fileName.c_str(), sizeof file - 1);
  // Description and pattern, each ending in NUL, and a final NUL.
  std::string filter = request.description;
  filter.push_back('\0');
  filter += request.pattern;
  filter.push_back('\0');
  filter.push_back('\0');
  OPENFILENAMEA ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file;
  ofn.nMaxFile = sizeof file;
  ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
  // The dialog library (and the printing libraries it brings) is loaded on first use,
  // not at every start of the program.
  static HMODULE dialogs = LoadLibraryA("comdlg32.dll");
  using SaveFn = BOOL(WINAPI*)(OPENFILENAMEA*);
  auto save = dialogs ? reinterpret_cast<SaveFn>(
                            reinterpret_cast<void*>(GetProcAddress(dialogs, "GetSaveFileNameA")))
                      : nullptr;
  if (!save || !save(&ofn)) return std::nullopt;  // Cancel or a failed dialog
  return std::string(file);
}

bool ShellOpen(const std::string& file, const std::string& parameters) {
  HINSTANCE result =
      ShellExecuteA(nullptr, "open", file.c_str(),
                    parameters.empty() ? nullptr : parameters.c_str(), nullptr, SW_SHOWNORMAL);
  // Values above 32 mean the program was started.
  return reinterpret_cast<INT_PTR>(result) > 32;
}

bool EndsWithNoCase(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         lstrcmpiA(text.c_str() + (text.size() - tail.size()), tail.c_str()) == 0;
}

std::string SystemMessage(DWORD code) {
  char* text = nullptr;
  DWORD n = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string s = n && text ? std::string(text, n) : "error " + std::to_string(code);
  if (text) LocalFree(text);
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
  return s;
}

}  // namespace

bool RegisterForm1Classes(HINSTANCE instance) {
  static bool done = false;
  if (done) return true;
  INITCOMMONCONTROLSEX icc = {
      sizeof icc, ICC_TAB_CLASSES | ICC_TREEVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = Form1::WindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kFormClass;
  if (!RegisterClassExA(&wc)) return false;
  wc.lpfnWndProc = FrameProc;
  wc.lpszClassName = kFrameClass;
  if (!RegisterClassExA(&wc)) return false;
  done = true;
  return true;
}

// The window side of a running scan: the stop flag, the status panel and the message
// pump. Pumping and painting cost far more than reading one directory entry, so both
// happen at most once per interval, always showing the latest path.
class Form1::ScanPump : public listing::ScanHost {
 public:
  explicit ScanPump(Form1& form) : form_(form) {}
  bool StopRequested() override { return form_.stopRequested_; }
  void SetStatus(const std::string& text) override {
    latest_ = text;
    dirty_ = true;
    Tick();
  }
  void PumpMessages() override { Tick(); }
  // Shows the latest path if it is not on the panel yet.
  void Flush() {
    if (dirty_) form_.SetStatus(platform::win32::WideFromUtf8(latest_));
    dirty_ = false;
  }

 private:
  void Tick() {
    // The tick count is read from memory the system keeps current: cheap enough for
    // every directory entry, unlike the message queue.
    DWORD now = GetTickCount();
    if (started_ && now - last_ < kPumpIntervalMs) return;
    started_ = true;
    last_ = now;
    if (now - lastStatus_ >= kStatusIntervalMs) {
      lastStatus_ = now;
      Flush();
    }
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        // The program is ending: stop the walk and leave the quit for the main loop.
        form_.stopRequested_ = true;
        PostQuitMessage(static_cast<int>(msg.wParam));
        return;
      }
      if (!form_.PreTranslate(msg)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
    }
  }

  Form1& form_;
  std::string latest_;
  bool dirty_ = false;
  bool started_ = false;
  DWORD last_ = 0;
  DWORD lastStatus_ = 0;
};

Form1::Form1(Form1Services services) : services_(std::move(services)) {
  if (!services_.launch) services_.launch = ShellOpen;
  if (!services_.askSaveName) services_.askSaveName = ShowSaveDialog;
  if (!services_.shell) services_.shell = MakeShellNamespace();
  if (services_.listingFolder.empty()) services_.listingFolder = ProgramFolder();
}

Form1::~Form1() {
  if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
  tree_.reset();
}

std::unique_ptr<Form1> Form1::Create(HINSTANCE instance, Form1Services services, int show) {
  if (!RegisterForm1Classes(instance)) return nullptr;
  std::unique_ptr<Form1> form(new Form1(std::move(services)));
  // The tree's top level is read from the shell on a thread of its own while the window
  // and its controls are made: under Wine the shell's items and their icons take about
  // as long as making all the controls.
  std::future<PreparedTopLevel> topLevel =
      std::async(std::launch::async, PrepareTopLevel, std::ref(*form->services_.shell));
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  RECT rc = {0, 0, form->twips_.X(kClientWidth), form->twips_.Y(kClientHeight)};
  AdjustWindowRectEx(&rc, style, FALSE, WS_EX_CONTROLPARENT);
  HWND hwnd = CreateWindowExA(WS_EX_CONTROLPARENT, kFormClass, kCaption, style, CW_USEDEFAULT,
                              CW_USEDEFAULT, rc.right - rc.left, rc.bottom - rc.top,
                              form->services_.owner, nullptr, instance, form.get());
  if (!hwnd) return nullptr;
  // Start-up sequence.
  form->SkinWindow();
  form->CreateControls();
  form->SetWindowIcons();
  form->InitOptions();
  form->LoadButtonPictures();
  form->BuildTree(topLevel.get());
  ShowWindow(hwnd, show);
  UpdateWindow(hwnd);
  // The folder is chosen first: the tree starts with the keyboard focus.
  form->lastFocus_ = form->treeView_;
  if (GetActiveWindow() == hwnd) SetFocus(form->treeView_);
  return form;
}

LRESULT CALLBACK Form1::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
    auto* self = static_cast<Form1*>(cs->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Form1*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    return DefWindowProcA(hwnd, msg, wp, lp);
  }
  return self->HandleMessage(msg, wp, lp);
}

LRESULT Form1::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
      return 0;
    case WM_NOTIFY:
      return OnNotify(reinterpret_cast<NMHDR*>(lp));
    case WM_DRAWITEM:
      OnDrawItem(*reinterpret_cast<DRAWITEMSTRUCT*>(lp));
      return TRUE;
    case WM_CTLCOLORSTATIC: {
      auto control = reinterpret_cast<HWND>(lp);
      if (control && (control == label_[3] || control == label_[4])) {
        // The web addresses look like links.
        LRESULT brush = DefWindowProcA(hwnd_, msg, wp, lp);
        SetTextColor(reinterpret_cast<HDC>(wp), RGB(0, 0, 192));
        return brush;
      }
      break;
    }
    case WM_ACTIVATE:
      // Keeps the focused control across switches to other windows, as dialogs do.
      if (LOWORD(wp) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(hwnd_, focus)) lastFocus_ = focus;
      } else if (lastFocus_ && IsWindow(lastFocus_)) {
        SetFocus(lastFocus_);
        return 0;
      }
      break;
    case WM_SETCURSOR: {
      // The web links show the hand, as links do.
      auto over = reinterpret_cast<HWND>(wp);
      if (over && (over == label_[3] || over == label_[4] || over == logo_)) {
        SetCursor(LoadCursor(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    }
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_DESTROY:
      if (services_.quitOnDestroy) PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(hwnd_, msg, wp, lp);
}

bool Form1::PreTranslate(MSG& msg) {
  if (!hwnd_ || (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd))) return false;
  if (msg.message == WM_SYSKEYDOWN && msg.wParam == VK_F4 && (HIWORD(msg.lParam) & KF_ALTDOWN)) {
    // Alt+F4 closes the window from whichever control has the focus: the tree control
    // keeps the key to itself, and no close command would follow.
    PostMessageA(hwnd_, WM_SYSCOMMAND, SC_CLOSE, 0);
    return true;
  }
  if (msg.message == WM_KEYDOWN && GetKeyState(VK_CONTROL) < 0 &&
      (msg.wParam == VK_TAB || msg.wParam == VK_NEXT || msg.wParam == VK_PRIOR)) {
    // Ctrl+Tab (Ctrl+Page Down/Up) turns the page, as in tabbed dialogs.
    int page = static_cast<int>(SendMessageA(tab_, TCM_GETCURSEL, 0, 0));
    SendMessageA(tab_, TCM_SETCURSEL, page == 0 ? 1 : 0, 0);
    OnPageSwitch();
    return true;
  }
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN) {
    for (HWND button : command_) {
      if (msg.hwnd == button) {
        SendMessageA(button, BM_CLICK, 0, 0);
        return true;
      }
    }
  }
  return IsDialogMessageA(hwnd_, &msg) != FALSE;
}

// The skin engine takes over the frame before anything else is made. Its results are not
// looked at: a missing or broken skin leaves the standard frame and start-up goes on.
void Form1::SkinWindow() {
  try {
    skinner_ = std::make_unique<skin::win32::ClsSkinner>();
    skinner_->PaintClientArea(false);
    skinner_->LoadSkinFromFile(ProgramFolder() + "\\images\\RAD.Skin");
    skinner_->HookForm(hwnd_);
  } catch (const std::exception&) {
    // Out of memory while reading the skin: the window keeps its standard frame.
  }
}

// Each button picture is decoded into its picture box against the box's own background,
// then copied onto its command button.
void Form1::LoadButtonPictures() {
  static const struct {
    long left;
    const char* file;
  } kTargets[3] = {{120, "start.png"}, {1320, "stop.png"}, {6240, "save.png"}};
  for (int i = 0; i < 3; ++i) {
    try {
      auto& box = pictureBox_[i];
      box = png::win32::PictureBox::CreateTwips(frame1_, kTargets[i].left, 240, 615, 495);
      if (!box) continue;
      ShowWindow(box->hWnd(), SW_HIDE);  // a decoding target: the button shows the picture
      box->SetBackColor(GetSysColor(COLOR_BTNFACE));
      box->Cls();
      png::LoadPNG decoder;
      decoder.PicBox(box.get());
      decoder.SetToBkgrnd(false, 0, 0);
      decoder.BackgroundPicture(box.get());
      decoder.SetAlpha(true);
      decoder.SetTrans(true);
      decoder.OpenPNG(ProgramFolder() + "\\images\\" + kTargets[i].file);
    } catch (const std::exception&) {
      // A missing images folder or a file that cannot be read: the button shows its
      // caption alone and start-up goes on.
    }
  }
  if (pictureBox_[2]) savelist_ = pictureBox_[2]->hWnd();
  for (int i = 0; i < 3; ++i)
    if (pictureBox_[i]) SetButtonPicture(i + 1, pictureBox_[i]->CopyPicture());
}

HWND Form1::AddControl(HWND parent, const char* cls, const char* text, DWORD style, int id,
                       int left, int top, int width, int height, DWORD exStyle, bool shown) {
  // Controls are made as UTF-16 windows, so that the tree, `dir` and the status bar show
  // folder names in any script.
  const DWORD visible = shown ? WS_VISIBLE : 0;
  HWND h = CreateWindowExW(exStyle, WideFromCodePage(cls, CP_ACP).c_str(),
                           WideFromCodePage(text, CP_ACP).c_str(), WS_CHILD | visible | style,
                           twips_.X(left), twips_.Y(top), twips_.X(width), twips_.Y(height), parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleA(nullptr), nullptr);
  SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  return h;
}

HWND Form1::AddFrame(HWND parent, const char* caption, int left, int top, int width, int height,
                     bool shown) {
  return AddControl(parent, kFrameClass, caption, WS_CLIPSIBLINGS, 0, left, top, width, height,
                    WS_EX_CONTROLPARENT, shown);
}

// The controls in tab order: the Main page first, then the tab strip beneath it, then the
// status bar.
void Form1::CreateControls() {
  // The controls are drawn in the classic style; only a frame the skin does not draw
  // follows the system's theme. Under Wine themed drawing is slow: the tab strip's pane
  // took over 150 ms a paint and the status panel over 10 ms (a scan repaints it many
  // times a second), and the themed controls added some 45 ms to every start-up.
  SetThemeAppProperties(STAP_ALLOW_NONCLIENT);
  MakeFonts();
  CreateMainPage();
  CreateOptionFrames();
  CreateTabStrip();
  CreateStatusBar();
}

// The system's message font, and its bold form for the About page's title.
void Form1::MakeFonts() {
  NONCLIENTMETRICSA ncm = {};
  ncm.cbSize = sizeof ncm;
  SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0);
  font_.reset(CreateFontIndirectA(&ncm.lfMessageFont));
  ncm.lfMessageFont.lfWeight = FW_BOLD;
  boldFont_.reset(CreateFontIndirectA(&ncm.lfMessageFont));
}

// The Main page with its command buttons, `dir` and the two lists.
void Form1::CreateMainPage() {
  frame1_ = AddFrame(hwnd_, "", 240, 600, 7500, 5655);
  const DWORD button = WS_TABSTOP | BS_OWNERDRAW;
  command_[0] = AddControl(frame1_, "BUTTON", "Start", button, kIdCommand1, 120, 240, 1215, 975);
  command_[1] = AddControl(frame1_, "BUTTON", "Stop", button, kIdCommand2, 1440, 240, 1215, 975);
  command_[2] =
      AddControl(frame1_, "BUTTON", "Save as...", button, kIdCommand3, 6000, 240, 1215, 975);
  dir_ = AddControl(frame1_, "EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, kIdDir, 120, 1320, 3015, 315,
                    WS_EX_CLIENTEDGE);
  const DWORD combo = WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL;
  orderby_ = AddControl(frame1_, "COMBOBOX", "", combo, kIdOrderBy, 3240, 1320, 1935, 2400);
  saveas_ = AddControl(frame1_, "COMBOBOX", "", combo, kIdSaveAs, 5880, 1320, 1455, 1600);
  SetText(orderby_, "No order");
  SetText(saveas_, "Text");
}

// The Main page's three frames: the folder tree, the filter and the attributes to save.
void Form1::CreateOptionFrames() {
  HWND source = AddFrame(frame1_, "Source Folder", 120, 1800, 4455, 3735);
  treeView_ =
      AddControl(source, WC_TREEVIEWA, "",
                 WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS,
                 kIdTree, 120, 240, 4215, 3375, WS_EX_CLIENTEDGE);
  HWND filter = AddFrame(frame1_, "Filter", 4800, 1800, 2535, 1095);
  filter_ = AddControl(filter, "EDIT", "*", WS_TABSTOP | ES_AUTOHSCROLL, kIdFilter, 240, 360, 2055,
                       375, WS_EX_CLIENTEDGE);
  HWND attributes = AddFrame(frame1_, "Attributes to save", 4800, 3600, 2535, 1935);
  const char* checks[4] = {"Type", "Size", "Created date", "Last modified date"};
  const int checkWidth[4] = {1215, 1215, 1215, 1815};
  for (int i = 0; i < 4; ++i)
    check_[i] = AddControl(attributes, "BUTTON", checks[i], WS_TABSTOP | BS_AUTOCHECKBOX,
                           kIdCheck1 + i, 120, 360 + 360 * i, checkWidth[i] + 360, 255);
}

// The tab strip "Main", "About", beneath the pages.
void Form1::CreateTabStrip() {
  tab_ = AddControl(hwnd_, WC_TABCONTROLA, "", WS_TABSTOP | WS_CLIPSIBLINGS, kIdTab, 240, 120, 7575,
                    6255);
  TCITEMA item = {};
  item.mask = TCIF_TEXT;
  item.pszText = const_cast<char*>("Main");
  SendMessageA(tab_, TCM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
  item.pszText = const_cast<char*>("About");
  SendMessageA(tab_, TCM_INSERTITEMA, 1, reinterpret_cast<LPARAM>(&item));
  SetWindowPos(tab_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// The status bar: one panel as wide as the bar.
void Form1::CreateStatusBar() {
  status_ =
      AddControl(hwnd_, STATUSCLASSNAMEA, "", CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER,
                 kIdStatus, 120, 6480, 7725, 375);
  int parts[1] = {-1};
  SendMessageA(status_, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(parts));
}

// The About page covers the same place as the Main page and reads from its top. It is
// made hidden, beneath the Main page, the first time it is needed.
void Form1::MakeAboutPage() {
  if (frame2_ || !hwnd_) return;
  frame2_ = AddFrame(hwnd_, "", 240, 600, 7500, 5655, false);
  SetWindowPos(frame2_, frame1_, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  label_[0] = AddControl(frame2_, "STATIC", kCaption, 0, kIdLabel2, 1080, 480, 3600, 255);
  SendMessageA(label_[0], WM_SETFONT, reinterpret_cast<WPARAM>(boldFont_.get()), FALSE);
  label_[1] =
      AddControl(frame2_, "STATIC", "Version 2009 (build 1.0)", 0, kIdLabel3, 1080, 780, 3600, 255);
  label_[2] = AddControl(frame2_, "STATIC", "Copyright (c) 2009 the Dirsheet authors.", 0,
                         kIdLabel4, 1080, 1260, 5400, 255);
  label_[3] =
      AddControl(frame2_, "STATIC", kMakerSiteAddress, SS_NOTIFY, kIdLabel5, 1080, 1740, 2655, 255);
  label_[4] = AddControl(frame2_, "STATIC", kMakerSecondAddress, SS_NOTIFY, kIdLabel6, 1080, 2040,
                         3255, 255);
  logo_ = AddControl(frame2_, "STATIC", "AAA", SS_ICON | SS_NOTIFY, kIdLogo, 360, 480, 480, 480);
  SendMessageA(logo_, STM_SETICON,
               reinterpret_cast<WPARAM>(
                   LoadImageA(GetModuleHandleA(nullptr), "AAA", IMAGE_ICON, 32, 32, LR_SHARED)),
               0);
}

void Form1::SetWindowIcons() {
  // Small icon from the icon file beside the program.
  std::string iconFile = ProgramFolder() + "\\images\\Dirsheet.ico";
  HICON small = nullptr;
  UINT extracted = ExtractIconExA(iconFile.c_str(), 0, nullptr, &small, 1);
  // A missing file gives a null icon (the places may hold junk then).
  smallIcon_.reset(extracted == 0 || extracted == UINT_MAX ? nullptr : small);
  SendMessageA(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
  // Large icon from the program's own resources, on the top owner first.
  HWND top = hwnd_;
  while (HWND owner = GetWindow(top, GW_OWNER)) top = owner;
  auto big = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), "AAA", IMAGE_ICON,
                                           GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON),
                                           LR_SHARED));
  SendMessageA(top, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  // A window without an owner is its own top owner and has its icon already: every
  // icon set costs some 15 ms under Wine (the icons go to the X server again).
  if (top != hwnd_) SendMessageA(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
}

void Form1::InitOptions() {
  SendMessageA(check_[0], BM_SETCHECK, BST_CHECKED, 0);
  SendMessageA(check_[1], BM_SETCHECK, BST_CHECKED, 0);
  // The About page is hidden: it is made only when first needed (MakeAboutPage).
  for (const char* entry : listing::kOrderEntries)
    SendMessageA(orderby_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
  SendMessageA(saveas_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Text"));
  SendMessageA(saveas_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("HTML"));
}

void Form1::BuildTree(PreparedTopLevel topLevel) {
  tree_ = std::make_unique<FolderTree>(treeView_, *services_.shell);
  tree_->SetClickHandler(&Form1::OnNodeClick, this);
  tree_->BuildTopLevel(std::move(topLevel));
}

void Form1::OnNodeClick(void* self, const ClickTexts& texts) {
  auto* form = static_cast<Form1*>(self);
  SetTextW(form->dir_, texts.dir);
  form->SetStatus(texts.status);
}

void Form1::OnCommand(int id, int code, HWND control) {
  switch (id) {
    case kIdCommand1:
      if (code == BN_CLICKED) StartScan();
      break;
    case kIdCommand2:
      if (code == BN_CLICKED) StopScan();
      break;
    case kIdCommand3:
      if (code == BN_CLICKED) SaveListingAs();
      break;
    case kIdLabel5:
    case kIdLogo:
      if (code == STN_CLICKED) OpenMakerSite(kMakerSiteAddress);
      break;
    case kIdLabel6:
      if (code == STN_CLICKED) OpenMakerSite(kMakerSecondAddress);
      break;
    case kIdSaveAs:
      // The format changed: the Save as picture is available again.
      if ((code == CBN_EDITCHANGE || code == CBN_SELCHANGE) && savelist_)
        EnableWindow(savelist_, TRUE);
      break;
  }
}

LRESULT Form1::OnNotify(NMHDR* header) {
  LRESULT result = 0;
  if (tree_ && tree_->OnNotify(header, result)) return result;
  if (header->hwndFrom == tab_ && header->code == TCN_SELCHANGE) OnPageSwitch();
  return 0;
}

void Form1::OnPageSwitch() {
  bool main = SendMessageA(tab_, TCM_GETCURSEL, 0, 0) == 0;
  if (!main) MakeAboutPage();
  ShowWindow(frame1_, main ? SW_SHOW : SW_HIDE);
  ShowWindow(frame2_, main ? SW_HIDE : SW_SHOW);
}

void Form1::OpenMakerSite(const char* address) { services_.launch("explorer.exe", address); }

void Form1::OnClose() {
  if (walkRunning_) {
    // The walk runs inside the Start click further up the stack: let it wind down, and
    // close when it has returned.
    closePending_ = true;
    stopRequested_ = true;
    scanning_ = false;
    return;
  }
  DestroyWindow(hwnd_);
}

void Form1::SetButtonPicture(int which, HBITMAP picture) {
  Bitmap owned(picture);
  if (which < 1 || which > 3) return;  // no such button: the picture goes
  picture_[which - 1] = std::move(owned);
  InvalidateRect(command_[which - 1], nullptr, TRUE);
}

void Form1::OnDrawItem(const DRAWITEMSTRUCT& dis) {
  int which = 0;
  for (int i = 0; i < 3; ++i)
    if (dis.hwndItem == command_[i]) which = i + 1;
  if (!which) return;
  RECT rc = dis.rcItem;
  bool pushed = (dis.itemState & ODS_SELECTED) != 0;
  UINT state = DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0);
  if (dis.itemState & ODS_DISABLED) state |= DFCS_INACTIVE;
  DrawFrameControl(dis.hDC, &rc, DFC_BUTTON, state);
  int shift = pushed ? 1 : 0;
  std::string caption = GetText(dis.hwndItem);
  SelectGuard keepFont(dis.hDC, bold_ == which ? boldFont_.get() : font_.get());
  TEXTMETRICA tm;
  GetTextMetricsA(dis.hDC, &tm);
  // The focus rectangle runs just inside the button's raised edge; picture and caption
  // keep a clear pixel from it on every side.
  RECT inner = rc;
  InflateRect(&inner, -kFocusInset, -kFocusInset);
  RECT text = inner;
  InflateRect(&text, -2, -2);
  // A graphical button: its picture in the middle of the space above its caption.
  if (HBITMAP picture = picture_[which - 1].get()) {
    text.top = text.bottom - tm.tmHeight;
    BITMAP bm = {};
    GetObjectA(picture, sizeof bm, &bm);
    const MemoryDc mem(CreateCompatibleDC(dis.hDC));
    const SelectGuard keepBitmap(mem.get(), picture);
    int areaTop = inner.top + 2;
    int areaHeight = text.top - areaTop;
    int x = rc.left + ((rc.right - rc.left) - bm.bmWidth) / 2 + shift;
    int y = areaTop + (areaHeight - bm.bmHeight) / 2 + shift;
    BitBlt(dis.hDC, x, y, bm.bmWidth, bm.bmHeight, mem.get(), 0, 0, SRCCOPY);
  }
  OffsetRect(&text, shift, shift);
  SetBkMode(dis.hDC, TRANSPARENT);
  SetTextColor(dis.hDC,
               GetSysColor((dis.itemState & ODS_DISABLED) ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
  DrawTextA(dis.hDC, caption.c_str(), -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  if (dis.itemState & ODS_FOCUS) DrawFocusRect(dis.hDC, &inner);
}

void Form1::MarkCommand(int which) {
  bold_ = which;
  for (HWND button : command_) InvalidateRect(button, nullptr, TRUE);
}

void Form1::EnableOptions(bool enable) {
  for (HWND h : {dir_, orderby_, saveas_, filter_, check_[0], check_[1], check_[2], check_[3]})
    EnableWindow(h, enable);
}

listing::ListingOptions Form1::ReadOptions() const {
  listing::ListingOptions o;
  o.filter = platform::win32::Utf8FromWide(GetTextW(filter_));
  auto ticked = [](HWND h) { return SendMessageA(h, BM_GETCHECK, 0, 0) == BST_CHECKED; };
  o.type = ticked(check_[0]);
  o.size = ticked(check_[1]);
  o.created = ticked(check_[2]);
  o.modified = ticked(check_[3]);
  o.order = GetText(orderby_);
  // The entry chosen from the list; typed text that names no entry sorts nothing.
  o.orderIndex = -1;
  for (int i = 0; i < 5; ++i)
    if (o.order == listing::kOrderEntries[i]) o.orderIndex = i;
  o.format = GetText(saveas_);
  return o;
}

std::string Form1::ListingBasePath() const { return services_.listingFolder + "\\Dirsheet"; }

void Form1::SetStatus(const std::string& text) {
  SendMessageA(status_, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void Form1::SetStatus(const std::wstring& text) {
  SendMessageW(status_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string Form1::StatusText() const {
  LRESULT info = SendMessageA(status_, SB_GETTEXTLENGTHA, 0, 0);
  std::string s(LOWORD(info) + 1, '\0');
  SendMessageA(status_, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(s.data()));
  s.resize(LOWORD(info));
  return s;
}

std::wstring Form1::StatusTextW() const {
  LRESULT info = SendMessageW(status_, SB_GETTEXTLENGTHW, 0, 0);
  std::wstring s(LOWORD(info) + 1, L'\0');
  SendMessageW(status_, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(s.data()));
  s.resize(LOWORD(info));
  return s;
}

void Form1::ShowFailure(const std::string& what) { ShowFailure(WideFromCodePage(what, CP_ACP)); }

void Form1::ShowFailure(const std::wstring& what) {
  MessageBoxW(hwnd_, what.c_str(), WideFromCodePage(kMessageTitle, CP_ACP).c_str(),
              MB_OK | MB_ICONERROR);
}

void Form1::StartScan() {
  std::wstring chosen = GetTextW(dir_);
  if (chosen.empty()) {
    MessageBoxA(hwnd_, kNoFolder, kMessageTitle, MB_OK);
    return;
  }
  // A stopped walk that is still winding down counts as running: scans never interleave.
  if (scanning_ || walkRunning_) return;
  listing::ListingOptions options = ReadOptions();
  std::string source;
  if (!CheckScanRequest(chosen, options, source)) return;
  BeginScan(options);
  // The engine takes and gives back its paths in UTF-8.
  listing::ListingFile listingFile(platform::win32::Utf8FromAnsi(ListingBasePath()), options);
  WriteListing(listingFile, options, source);
  EndScan();
  if (closePending_) {
    DestroyWindow(hwnd_);
    return;
  }
  ReportScan(listingFile, options.format);
}

// A format the window writes and an existing folder; otherwise the user is told why no
// listing is made and the answer is false. `source` is the folder as the engine takes it.
bool Form1::CheckScanRequest(const std::wstring& chosen, const listing::ListingOptions& options,
                             std::string& source) {
  if (options.format != "Text" && options.format != "HTML") {
    ShowFailure("No listing can be made in the format \"" + options.format +
                "\": choose Text or HTML.");
    return false;
  }
  // The tree's root stands for the desktop folder; what is no folder (a namespace item,
  // a typed path that is gone) is named to the user and no listing is made of it.
  std::wstring folder = ResolveSourceFolder(chosen);
  if (!IsExistingFolder(folder)) {
    ShowFailure(L"The folder \"" + folder +
                L"\" cannot be listed: it does not exist or is not a folder.");
    return false;
  }
  source = EnginePath(folder);
  return true;
}

void Form1::BeginScan(const listing::ListingOptions& options) {
  totals_ = listing::ScanTotals();
  MarkCommand(1);
  EnableOptions(false);
  stopRequested_ = false;
  listingMade_ = true;
  scanning_ = true;
  walkRunning_ = true;
  // The working listing of this format is about to be written anew.
  if (completedFormat_ == options.format) completedFormat_.clear();
}

// The working listing anew: the earlier one deleted, then the title, one block per
// folder below `source` (the window's messages pumped meanwhile) and the totals.
void Form1::WriteListing(listing::ListingFile& listingFile, const listing::ListingOptions& options,
                         const std::string& source) {
  if (!listingFile.DeleteExisting() || !listingFile.WriteListingHeader()) return;
  std::unique_ptr<platform::FileSystem> fs = platform::MakeFileSystem();
  ScanPump pump(*this);
  listing::FolderWalk walk(*fs, options, pump, listingFile, totals_);
  walk.ListFolder(source);
  pump.Flush();
  listingFile.AppendTotals(totals_);
}

void Form1::EndScan() {
  walkRunning_ = false;
  stopRequested_ = true;
  scanning_ = false;
  EnableOptions(true);
}

// A listing that could not be written is reported; a written one is shown in its viewer.
void Form1::ReportScan(const listing::ListingFile& listingFile, const std::string& format) {
  if (!listingFile.ok()) {
    SetStatus("The listing could not be written.");
    ShowFailure(L"The listing could not be written.\r\n\r\n" +
                platform::win32::WideFromUtf8(listingFile.Error()) + L"\r\n\r\nListing: " +
                platform::win32::WideFromUtf8(listingFile.Path()));
    return;
  }
  completedFormat_ = format;
  const std::string listingPath = platform::win32::AnsiFromUtf8(listingFile.Path());
  bool viewerStarted = OpenViewer(format, listingPath);
  SetStatus(kDone);
  if (!viewerStarted)
    ShowFailure(
        "The listing is done, but its viewer could not be started to show it.\r\n\r\n"
        "Listing: " +
        listingPath);
}

bool Form1::OpenViewer(const std::string& format, const std::string& listingPath) {
  const std::string quoted = "\"" + listingPath + "\"";
  if (format == "Text") return services_.launch(services_.textViewer, quoted);
  if (services_.htmlViewer.empty()) return services_.launch(listingPath, "");  // the browser
  return services_.launch(services_.htmlViewer, quoted);
}

void Form1::StopScan() {
  if (!listingMade_) return;
  MarkCommand(2);
  stopRequested_ = true;
  scanning_ = false;
}

void Form1::SaveListingAs() {
  // A stopped walk still winding down has not written its totals yet.
  if (!stopRequested_ || !listingMade_ || walkRunning_) return;
  // What is saved is the listing of the last completed scan, whatever the format box
  // reads now; without one there is nothing to save.
  const std::string format = completedFormat_;
  if (format.empty()) return;
  MarkCommand(3);
  SaveRequest request;
  request.fileName = "Dirsheet";
  std::string extension;
  if (format == "Text") {
    request.description = "TXT file (.txt)";
    request.pattern = "*.txt";
    extension = ".txt";
  } else {
    request.description = "HTML file (.html)";
    request.pattern = "*.html";
    extension = ".html";
  }
  // A working listing removed behind the program's back is reported before a name is
  // asked for, not after.
  std::string source = ListingBasePath() + extension;
  if (GetFileAttributesA(source.c_str()) == INVALID_FILE_ATTRIBUTES) {
    ShowFailure("There is no " + format + " listing to save: " + source +
                " does not exist any more.");
    return;
  }
  std::optional<std::string> name = services_.askSaveName(hwnd_, request);
  if (!name || name->empty()) return;  // Cancel copies nothing
  // The extension is added unless the name already ends in it, in any case.
  std::string destination = EndsWithNoCase(*name, extension) ? *name : *name + extension;
  if (!CopyFileA(source.c_str(), destination.c_str(), FALSE)) {
    DWORD error = GetLastError();
    ShowFailure("The listing could not be copied to " + destination + ".\r\n\r\n" +
                SystemMessage(error));
  }
}

}  // namespace dirsheet::window
