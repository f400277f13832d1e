// The floor of any Win32 walk, and where a walk's time goes (Windows build only).
//   bench_enumerate FOLDER       find-first/find-next over every folder of a tree and
//                                nothing else (no type names, no times, no writing), with
//                                the calls the listing backend's pattern search uses (wide,
//                                "\\?\" paths, basic information, large fetch): the bare
//                                sequential enumeration the listing is measured against.
//   bench_enumerate -a FOLDER    the same with FindFirstFileA.
//   bench_enumerate -p FOLDER    one walk per way of reading a folder, each call timed:
//                                find-first (open, records, close), a handle to the folder
//                                with FILE_ID_BOTH_DIR_INFO records (as the listing reads),
//                                and the same with FILE_FULL_DIR_INFO (no short names, no IDs);
//                                counts, microseconds per call and the share of each step.
//   bench_enumerate -j N FOLDER  the handle walk on N threads sharing a stack of folders:
//                                what reading folders at once buys.
//   bench_enumerate -r FOLDER    the handle walk, each folder opened by its name relative
//                                to its parent's handle (NtOpenFile), timed as -p does.
#include <windows.h>
#include <winternl.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

unsigned long long g_files = 0, g_folders = 0;

void WalkWide(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  HANDLE h = FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &data,
                              FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (h == INVALID_HANDLE_VALUE) return;
  std::vector<std::wstring> subfolders;
  do {
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (wcscmp(data.cFileName, L".") && wcscmp(data.cFileName, L".."))
        subfolders.push_back(folder + L"\\" + data.cFileName);
    } else {
      ++g_files;
    }
  } while (FindNextFileW(h, &data));
  FindClose(h);
  for (const auto& s : subfolders) {
    ++g_folders;
    WalkWide(s);
  }
}

void WalkAnsi(const std::string& folder) {
  WIN32_FIND_DATAA data;
  HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return;
  std::vector<std::string> subfolders;
  do {
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (strcmp(data.cFileName, ".") && strcmp(data.cFileName, ".."))
        subfolders.push_back(folder + "\\" + data.cFileName);
    } else {
      ++g_files;
    }
  } while (FindNextFileA(h, &data));
  FindClose(h);
  for (const auto& s : subfolders) {
    ++g_folders;
    WalkAnsi(s);
  }
}

// Time spent in one kind of call: how often, and how long in all.
struct Step {
  const char* name;
  unsigned long long calls = 0;
  long long ticks = 0;
};

LARGE_INTEGER g_frequency;

long long Now() {
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return t.QuadPart;
}

double Micro(long long ticks) { return ticks * 1e6 / static_cast<double>(g_frequency.QuadPart); }

// Runs `call`, adding its time to `step`; returns what it returned.
template <class Call>
auto Timed(Step& step, Call call) {
  const long long start = Now();
  auto result = call();
  step.ticks += Now() - start;
  ++step.calls;
  return result;
}

void Report(const char* title, std::vector<Step>& steps, long long wall) {
  long long inCalls = 0;
  for (const Step& s : steps) inCalls += s.ticks;
  std::printf("%s: %.0f ms (%.0f ms in the calls below)\n", title, Micro(wall) / 1000,
              Micro(inCalls) / 1000);
  for (const Step& s : steps)
    std::printf("  %-34s %9llu calls %9.1f us each %6.1f %%\n", s.name, s.calls,
                s.calls ? Micro(s.ticks) / static_cast<double>(s.calls) : 0.0,
                wall ? 100.0 * static_cast<double>(s.ticks) / static_cast<double>(wall) : 0.0);
}

void ProfileFind(const std::wstring& root) {
  std::vector<Step> steps = {
      {"FindFirstFileExW (open, 1st batch)"}, {"FindNextFileW"}, {"FindClose"}};
  std::vector<std::wstring> stack = {root};
  const long long start = Now();
  while (!stack.empty()) {
    const std::wstring folder = std::move(stack.back());
    stack.pop_back();
    WIN32_FIND_DATAW data;
    HANDLE h = Timed(steps[0], [&] {
      return FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &data,
                              FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    });
    if (h == INVALID_HANDLE_VALUE) continue;
    do {
      if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && wcscmp(data.cFileName, L".") &&
          wcscmp(data.cFileName, L".."))
        stack.push_back(folder + L"\\" + data.cFileName);
    } while (Timed(steps[1], [&] { return FindNextFileW(h, &data); }));
    Timed(steps[2], [&] { return FindClose(h); });
  }
  Report("find-first walk", steps, Now() - start);
}

// Reads one folder through a handle; the subfolders' paths go to `subfolders`.
template <class Info>
void ReadByHandle(const std::wstring& folder, FILE_INFO_BY_HANDLE_CLASS kind,
                  std::vector<unsigned char>& buffer, std::vector<std::wstring>& subfolders,
                  std::vector<Step>* steps) {
  Step scratch[4] = {};
  Step* s = steps ? steps->data() : scratch;
  HANDLE h = Timed(s[0], [&] {
    return CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  });
  if (h == INVALID_HANDLE_VALUE) return;
  for (bool first = true;; first = false) {
    const BOOL got = Timed(s[first ? 1 : 2], [&] {
      return GetFileInformationByHandleEx(h, kind, buffer.data(),
                                          static_cast<DWORD>(buffer.size()));
    });
    if (!got) break;
    for (const unsigned char* p = buffer.data();;) {
      const auto* info = reinterpret_cast<const Info*>(p);
      const std::size_t n = info->FileNameLength / sizeof(wchar_t);
      if (info->FileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        const bool dot = (n == 1 && info->FileName[0] == L'.') ||
                         (n == 2 && info->FileName[0] == L'.' && info->FileName[1] == L'.');
        if (!dot) subfolders.push_back(folder + L"\\" + std::wstring(info->FileName, n));
      } else {
        InterlockedIncrement64(reinterpret_cast<volatile LONG64*>(&g_files));
      }
      if (!info->NextEntryOffset) break;
      p += info->NextEntryOffset;
    }
  }
  Timed(s[3], [&] { return CloseHandle(h); });
}

template <class Info>
void ProfileHandles(const std::wstring& root, FILE_INFO_BY_HANDLE_CLASS kind, const char* title) {
  std::vector<Step> steps = {{"CreateFileW (open the folder)"},
                             {"GetFileInformationByHandleEx 1st"},
                             {"GetFileInformationByHandleEx more"},
                             {"CloseHandle"}};
  std::vector<unsigned char> buffer(64 * 1024);
  std::vector<std::wstring> stack = {root};
  const long long start = Now();
  while (!stack.empty()) {
    const std::wstring folder = std::move(stack.back());
    stack.pop_back();
    ReadByHandle<Info>(folder, kind, buffer, stack, &steps);
  }
  Report(title, steps, Now() - start);
}

// The handle walk on several threads: a shared stack of folders still to read.
struct SharedWalk {
  SRWLOCK lock = SRWLOCK_INIT;
  CONDITION_VARIABLE more = CONDITION_VARIABLE_INIT;
  std::vector<std::wstring> stack;
  unsigned busy = 0;  // threads reading a folder
};

DWORD WINAPI Worker(void* arg) {
  SharedWalk& w = *static_cast<SharedWalk*>(arg);
  std::vector<unsigned char> buffer(64 * 1024);
  std::vector<std::wstring> found;
  AcquireSRWLockExclusive(&w.lock);
  for (;;) {
    while (w.stack.empty() && w.busy > 0) SleepConditionVariableSRW(&w.more, &w.lock, INFINITE, 0);
    if (w.stack.empty()) break;
    const std::wstring folder = std::move(w.stack.back());
    w.stack.pop_back();
    ++w.busy;
    ReleaseSRWLockExclusive(&w.lock);
    found.clear();
    ReadByHandle<FILE_ID_BOTH_DIR_INFO>(folder, FileIdBothDirectoryInfo, buffer, found, nullptr);
    AcquireSRWLockExclusive(&w.lock);
    --w.busy;
    for (std::wstring& f : found) w.stack.push_back(std::move(f));
    if (!found.empty() || w.busy == 0) WakeAllConditionVariable(&w.more);
  }
  ReleaseSRWLockExclusive(&w.lock);
  WakeAllConditionVariable(&w.more);
  return 0;
}

void ParallelHandles(const std::wstring& root, unsigned threads) {
  SharedWalk w;
  w.stack.push_back(root);
  const long long start = Now();
  std::vector<HANDLE> handles;
  for (unsigned i = 0; i < threads; ++i)
    handles.push_back(CreateThread(nullptr, 0, Worker, &w, 0, nullptr));
  WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), TRUE, INFINITE);
  for (HANDLE h : handles) CloseHandle(h);
  std::printf("handle walk on %u threads: %.0f ms, %llu files\n", threads,
              Micro(Now() - start) / 1000, g_files);
}

using OpenFileCall = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK,
                                      ULONG, ULONG);
OpenFileCall g_ntOpenFile;

// Opens `name` below the folder `parent` is open on (or the absolute NT path `name`).
HANDLE OpenRelative(HANDLE parent, const std::wstring& name) {
  UNICODE_STRING text;
  text.Buffer = const_cast<wchar_t*>(name.data());
  text.Length = text.MaximumLength = static_cast<USHORT>(name.size() * sizeof(wchar_t));
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, parent, nullptr);
  IO_STATUS_BLOCK io;
  HANDLE h = nullptr;
  const NTSTATUS status = g_ntOpenFile(
      &h, FILE_LIST_DIRECTORY | SYNCHRONIZE, &attributes, &io,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      FILE_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_FOR_BACKUP_INTENT);
  return status >= 0 ? h : nullptr;
}

void WalkRelative(HANDLE folder, std::vector<unsigned char>& buffer, std::vector<Step>& steps) {
  std::vector<std::wstring> subfolders;
  for (bool first = true;; first = false) {
    const BOOL got = Timed(steps[first ? 1 : 2], [&] {
      return GetFileInformationByHandleEx(folder, FileIdBothDirectoryInfo, buffer.data(),
                                          static_cast<DWORD>(buffer.size()));
    });
    if (!got) break;
    for (const unsigned char* p = buffer.data();;) {
      const auto* info = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(p);
      const std::size_t n = info->FileNameLength / sizeof(wchar_t);
      if (info->FileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        const bool dot = (n == 1 && info->FileName[0] == L'.') ||
                         (n == 2 && info->FileName[0] == L'.' && info->FileName[1] == L'.');
        if (!dot) subfolders.emplace_back(info->FileName, n);
      } else {
        ++g_files;
      }
      if (!info->NextEntryOffset) break;
      p += info->NextEntryOffset;
    }
  }
  for (const std::wstring& name : subfolders) {
    HANDLE child = Timed(steps[0], [&] { return OpenRelative(folder, name); });
    if (!child) continue;
    WalkRelative(child, buffer, steps);
    Timed(steps[3], [&] { return CloseHandle(child); });
  }
}

void ProfileRelative(const std::wstring& root) {
  g_ntOpenFile = reinterpret_cast<OpenFileCall>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtOpenFile")));
  std::vector<Step> steps = {{"NtOpenFile (relative to the parent)"},
                             {"GetFileInformationByHandleEx 1st"},
                             {"GetFileInformationByHandleEx more"},
                             {"CloseHandle"}};
  std::vector<unsigned char> buffer(64 * 1024);
  const long long start = Now();
  HANDLE h = CreateFileW(root.c_str(), FILE_LIST_DIRECTORY,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  WalkRelative(h, buffer, steps);
  CloseHandle(h);
  Report("handle walk, relative opens", steps, Now() - start);
}

// The bare program links nothing of the product: its own conversion.
std::wstring Wide(const std::string& text) {
  std::wstring wide(text.size(), L'\0');
  wide.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_ACP, 0, text.data(),
                                                           static_cast<int>(text.size()), &wide[0],
                                                           static_cast<int>(wide.size()))));
  return wide;
}

}  // namespace

int main(int argc, char** argv) {
  QueryPerformanceFrequency(&g_frequency);
  const std::string mode = argc >= 3 ? argv[1] : "";
  const bool ok = argc == 2 || (argc == 3 && (mode == "-a" || mode == "-p" || mode == "-r")) ||
                  (argc == 4 && mode == "-j" && std::atoi(argv[2]) > 0);
  if (!ok) {
    std::fprintf(stderr, "usage: bench_enumerate [-a | -p | -r | -j THREADS] FOLDER\n");
    return 2;
  }
  const std::string folder = argv[argc - 1];
  const std::wstring root = L"\\\\?\\" + Wide(folder);
  if (mode == "-p") {
    ProfileFind(root);
    ProfileHandles<FILE_ID_BOTH_DIR_INFO>(root, FileIdBothDirectoryInfo,
                                          "handle walk, FILE_ID_BOTH_DIR_INFO");
    ProfileHandles<FILE_FULL_DIR_INFO>(root, FileFullDirectoryInfo,
                                       "handle walk, FILE_FULL_DIR_INFO");
    return 0;
  }
  if (mode == "-r") {
    ProfileRelative(root);
    return 0;
  }
  if (mode == "-j") {
    ParallelHandles(root, static_cast<unsigned>(std::atoi(argv[2])));
    return 0;
  }
  const DWORD start = GetTickCount();
  if (mode == "-a")
    WalkAnsi(folder);
  else
    WalkWide(root);
  std::printf("%llu files in %llu folders, %lu ms\n", g_files, g_folders,
              static_cast<unsigned long>(GetTickCount() - start));
  return 0;
}
