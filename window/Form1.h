// The main window "Dirsheet Rizedazer": its controls and layout, its start-up sequence,
// and the Start, Stop and Save as commands that drive the listing engine.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "listing/Listing.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Twips.h"
#include "window/FolderTree.h"
#include "window/ShellNamespace.h"
#include "window/WindowText.h"

namespace dirsheet::skin::win32 {
class ClsSkinner;
}
namespace dirsheet::png::win32 {
class PictureBox;
}

namespace dirsheet::window {

// What the Save dialog is asked for: the preset name and one filter entry.
struct SaveRequest {
  std::string fileName;     // "Dirsheet"
  std::string description;  // "TXT file (.txt)"
  std::string pattern;      // "*.txt"
};

// The outside world of the window, replaceable in tests.
struct Form1Services {
  // Starts a program or opens a document: ShellExecuteA(open, file, parameters); false
  // when it could not be started.
  std::function<bool(const std::string& file, const std::string& parameters)> launch;
  // The viewers of the two formats, started with the listing's path; with no HTML viewer
  // the listing is opened with the system's browser for .html files.
  std::string textViewer = "notepad.exe";
  std::string htmlViewer;
  // Shows the Save dialog; the chosen name, or nothing on Cancel.
  std::function<std::optional<std::string>(HWND owner, const SaveRequest&)> askSaveName;
  // The shell namespace the tree reads; the real one when empty.
  std::unique_ptr<ShellNamespace> shell;
  // Folder of the working listings; the program's folder when empty.
  std::string listingFolder;
  // Owner window of the main window (none for the program itself).
  HWND owner = nullptr;
  // Ends the message loop when the window goes (the program's own window).
  bool quitOnDestroy = false;
};

// The two web addresses of the About page.
inline constexpr const char* kMakerSiteAddress = "https://dirsheet.example.org/";
inline constexpr const char* kMakerSecondAddress = "https://dirsheet.example.org/contact";

class Form1 {
 public:
  // Creates the window, runs the start-up sequence and shows it.
  static std::unique_ptr<Form1> Create(HINSTANCE instance, Form1Services services = {},
                                       int show = SW_SHOWNORMAL);
  ~Form1();
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;

  HWND Handle() const { return hwnd_; }
  // Keyboard handling of the window (tab order, Enter on a focused button); true when
  // the message was used. The message loop calls it before dispatching.
  bool PreTranslate(MSG& msg);

  // The commands, also reached by clicks on their buttons.
  void StartScan();
  void StopScan();
  void SaveListingAs();
  void OpenMakerSite(const char* address);

  // A picture for Command1..3 (which 1 to 3), shown above the caption. The window owns
  // the bitmap from then on.
  void SetButtonPicture(int which, HBITMAP picture);

  // Controls, by their names.
  HWND TabStrip1() const { return tab_; }
  HWND Frame1() const { return frame1_; }
  // The About page and its controls are made the first time they are asked for: nothing
  // of the page shows at start-up.
  HWND Frame2() {
    MakeAboutPage();
    return frame2_;
  }
  HWND Command(int which) const { return command_[which - 1]; }
  HWND Check(int which) const { return check_[which - 1]; }
  HWND Dir() const { return dir_; }
  HWND Filter() const { return filter_; }
  HWND OrderBy() const { return orderby_; }
  HWND SaveAs() const { return saveas_; }
  HWND TreeView1() const { return treeView_; }
  HWND Label(int which) {
    MakeAboutPage();
    return label_[which - 2];
  }
  HWND Logo() {
    MakeAboutPage();
    return logo_;
  }
  FolderTree& Tree() { return *tree_; }
  // The skin engine made at start-up (present even when no skin could be loaded).
  skin::win32::ClsSkinner* Skinner() const { return skinner_.get(); }
  // The pictures shown on the command buttons (1 to 3).
  HBITMAP ButtonPicture(int which) const { return picture_[which - 1].get(); }

  std::string StatusText() const;
  std::wstring StatusTextW() const;
  // Format ("Text" or "HTML") of the last scan that completed, whose listing Save as
  // copies; empty before the first.
  const std::string& CompletedFormat() const { return completedFormat_; }
  // Which command caption is bold (1 to 3), 0 for none.
  int BoldCommand() const { return bold_; }
  bool Scanning() const { return scanning_; }
  bool StopRequested() const { return stopRequested_; }
  bool ListingMade() const { return listingMade_; }
  std::string ListingBasePath() const;

 private:
  class ScanPump;
  friend class ScanPump;

  friend bool RegisterForm1Classes(HINSTANCE instance);
  explicit Form1(Form1Services services);
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

  // Start-up, in order.
  void SkinWindow();
  void CreateControls();
  void MakeFonts();
  void CreateMainPage();
  void CreateOptionFrames();
  void CreateTabStrip();
  void CreateStatusBar();
  void SetWindowIcons();
  void InitOptions();
  void LoadButtonPictures();
  void BuildTree(PreparedTopLevel topLevel);
  void MakeAboutPage();

  HWND AddControl(HWND parent, const char* cls, const char* text, DWORD style, int id, int left,
                  int top, int width, int height, DWORD exStyle = 0, bool shown = true);
  HWND AddFrame(HWND parent, const char* caption, int left, int top, int width, int height,
                bool shown = true);

  // Start, in order.
  bool CheckScanRequest(const std::wstring& chosen, const listing::ListingOptions& options,
                        std::string& source);
  void BeginScan(const listing::ListingOptions& options);
  void WriteListing(listing::ListingFile& listingFile, const listing::ListingOptions& options,
                    const std::string& source);
  void EndScan();
  void ReportScan(const listing::ListingFile& listingFile, const std::string& format);

  void OnCommand(int id, int code, HWND control);
  LRESULT OnNotify(NMHDR* header);
  void OnDrawItem(const DRAWITEMSTRUCT& dis);
  void OnClose();
  void OnPageSwitch();
  void MarkCommand(int which);
  void EnableOptions(bool enable);
  listing::ListingOptions ReadOptions() const;
  void SetStatus(const std::string& text);
  void SetStatus(const std::wstring& text);
  void ShowFailure(const std::string& what);
  void ShowFailure(const std::wstring& what);
  bool OpenViewer(const std::string& format, const std::string& listingPath);
  static void OnNodeClick(void* self, const ClickTexts& texts);

  Form1Services services_;
  HWND hwnd_ = nullptr;
  platform::win32::Twips twips_;
  platform::win32::Font font_, boldFont_;
  platform::win32::Icon smallIcon_;
  HWND tab_ = nullptr, frame1_ = nullptr, frame2_ = nullptr;
  HWND command_[3] = {};
  platform::win32::Bitmap picture_[3];
  HWND dir_ = nullptr, orderby_ = nullptr, saveas_ = nullptr, filter_ = nullptr;
  HWND check_[4] = {};
  HWND treeView_ = nullptr, status_ = nullptr;
  HWND label_[5] = {};  // Label2 .. Label6
  HWND logo_ = nullptr;
  HWND savelist_ = nullptr;   // picture box of the Save as button, when one is made
  HWND lastFocus_ = nullptr;  // control to focus again when the window is activated
  std::unique_ptr<FolderTree> tree_;
  std::unique_ptr<skin::win32::ClsSkinner> skinner_;
  std::unique_ptr<png::win32::PictureBox> pictureBox_[3];  // start, stoplist, savelist

  bool scanning_ = false;
  bool stopRequested_ = false;
  bool listingMade_ = false;
  bool walkRunning_ = false;  // the walk has not returned yet (also while winding down)
  bool closePending_ = false;
  int bold_ = 0;
  std::string completedFormat_;
  listing::ScanTotals totals_;
};

// Registers the window classes and common controls the window needs (once per process).
bool RegisterForm1Classes(HINSTANCE instance);

}  // namespace dirsheet::window
