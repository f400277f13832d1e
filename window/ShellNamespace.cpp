#include "window/ShellNamespace.h"

#include <windows.h>
#include <shldisp.h>

#include "window/Win32Util.h"

namespace dirsheet::window {
namespace {

// Releases a COM interface pointer when it goes.
template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() {
    if (p_) p_->Release();
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  T** out() { return &p_; }
  void reset() {
    if (p_) p_->Release();
    p_ = nullptr;
  }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

// Owns a BSTR.
class Bstr {
 public:
  ~Bstr() { SysFreeString(s_); }
  BSTR* out() { return &s_; }
  std::wstring Text() const { return s_ ? std::wstring(s_, SysStringLen(s_)) : std::wstring(); }

 private:
  BSTR s_ = nullptr;
};

const CLSID kClsidShell = {0x13709620, 0xc279, 0x11ce, {0xa4, 0x9e, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const IID kIidShellDispatch = {0xd8f015c0, 0xc278, 0x11ce, {0xa4, 0x9e, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

class DispatchNamespace : public ShellNamespace {
 public:
  DispatchNamespace() {
    // The window's thread is a single-threaded apartment for its whole life: the program
    // enters it in WinMain, and a second entry here only counts. It is not left here,
    // because leaving the last apartment of a thread tears down every COM object of the
    // thread and takes seconds under Wine.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    CoCreateInstance(kClsidShell, nullptr, CLSCTX_INPROC_SERVER, kIidShellDispatch,
                     reinterpret_cast<void**>(shell_.out()));
  }

  std::vector<ShellItem> Items(int folder) override {
    std::vector<ShellItem> result;
    if (!shell_) return result;
    VARIANT which;
    VariantInit(&which);
    which.vt = VT_I4;
    which.lVal = folder;
    ComPtr<Folder> f;
    if (FAILED(shell_->NameSpace(which, f.out())) || !f) return result;
    ComPtr<FolderItems> items;
    if (FAILED(f->Items(items.out())) || !items) return result;
    long count = 0;
    if (FAILED(items->get_Count(&count))) return result;
    for (long i = 0; i < count; ++i) {
      VARIANT index;
      VariantInit(&index);
      index.vt = VT_I4;
      index.lVal = i;
      ComPtr<FolderItem> item;
      if (FAILED(items->Item(index, item.out())) || !item) continue;
      ShellItem si;
      Bstr name, path;
      if (SUCCEEDED(item->get_Name(name.out()))) si.name = name.Text();
      if (SUCCEEDED(item->get_Path(path.out()))) si.path = path.Text();
      VARIANT_BOOL isFolder = VARIANT_FALSE;
      if (SUCCEEDED(item->get_IsFolder(&isFolder))) si.isFolder = isFolder != VARIANT_FALSE;
      result.push_back(std::move(si));
    }
    return result;
  }

 private:
  ComPtr<IShellDispatch> shell_;
};

}  // namespace

std::unique_ptr<ShellNamespace> MakeShellNamespace() {
  return std::make_unique<DispatchNamespace>();
}

}  // namespace dirsheet::window
