#include "window/ShellNamespace.h"

#include <windows.h>
#include <shldisp.h>

#include "platform/win32/Handles.h"

namespace dirsheet::window {
namespace {

using platform::win32::ComPtr;

// Owns a BSTR (automation's own string, freed with SysFreeString).
class Bstr {
 public:
  Bstr() = default;
  ~Bstr() { SysFreeString(s_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  // For the out-parameter of a call; whatever was held is freed first.
  BSTR* put() {
    SysFreeString(s_);
    s_ = nullptr;
    return &s_;
  }
  std::wstring Text() const { return s_ ? std::wstring(s_, SysStringLen(s_)) : std::wstring(); }

 private:
  BSTR s_ = nullptr;
};

const CLSID kClsidShell = {
    0x13709620, 0xc279, 0x11ce, {0xa4, 0x9e, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const IID kIidShellDispatch = {
    0xd8f015c0, 0xc278, 0x11ce, {0xa4, 0x9e, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

class DispatchNamespace : public ShellNamespace {
 public:
  // Each call makes its own automation object in the calling thread's apartment, so the
  // items can be read on any thread: the window's, or one that prepares the tree while
  // the window is being made. The apartment is entered for the call and left once every
  // object of the call is released (on the window's thread, in it since WinMain, this
  // only counts).
  std::vector<ShellItem> Items(int folder) override {
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::vector<ShellItem> result = ReadItems(folder);
    if (SUCCEEDED(com)) CoUninitialize();
    return result;
  }

 private:
  static std::vector<ShellItem> ReadItems(int folder) {
    std::vector<ShellItem> result;
    ComPtr<IShellDispatch> shell;
    if (FAILED(CoCreateInstance(kClsidShell, nullptr, CLSCTX_INPROC_SERVER, kIidShellDispatch,
                                shell.put_void())) ||
        !shell)
      return result;
    VARIANT which;
    VariantInit(&which);
    which.vt = VT_I4;
    which.lVal = folder;
    ComPtr<Folder> f;
    if (FAILED(shell->NameSpace(which, f.put())) || !f) return result;
    ComPtr<FolderItems> items;
    if (FAILED(f->Items(items.put())) || !items) return result;
    long count = 0;
    if (FAILED(items->get_Count(&count))) return result;
    for (long i = 0; i < count; ++i) {
      VARIANT index;
      VariantInit(&index);
      index.vt = VT_I4;
      index.lVal = i;
      ComPtr<FolderItem> item;
      if (FAILED(items->Item(index, item.put())) || !item) continue;
      ShellItem si;
      Bstr name, path;
      if (SUCCEEDED(item->get_Name(name.put()))) si.name = name.Text();
      if (SUCCEEDED(item->get_Path(path.put()))) si.path = path.Text();
      VARIANT_BOOL isFolder = VARIANT_FALSE;
      if (SUCCEEDED(item->get_IsFolder(&isFolder))) si.isFolder = isFolder != VARIANT_FALSE;
      result.push_back(std::move(si));
    }
    return result;
  }
};

}  // namespace

std::unique_ptr<ShellNamespace> MakeShellNamespace() {
  return std::make_unique<DispatchNamespace>();
}

}  // namespace dirsheet::window
