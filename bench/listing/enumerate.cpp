// The floor of any Win32 walk: find-first/find-next over every folder of a tree and
// nothing else (no type names, no times, no writing). Uses the same calls as the listing
// backend (wide, "\\?\" paths, basic information, large fetch); -a uses FindFirstFileA.
// usage: bench_enumerate [-a] FOLDER
#include <windows.h>

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

}  // namespace

int main(int argc, char** argv) {
  const bool ansi = argc == 3 && std::strcmp(argv[1], "-a") == 0;
  if (argc != 2 && !ansi) {
    std::fprintf(stderr, "usage: bench_enumerate [-a] FOLDER\n");
    return 2;
  }
  const std::string folder = argv[argc - 1];
  const DWORD start = GetTickCount();
  if (ansi) {
    WalkAnsi(folder);
  } else {
    std::wstring wide(folder.size(), L'\0');
    wide.resize(static_cast<std::size_t>(MultiByteToWideChar(
        CP_ACP, 0, folder.data(), static_cast<int>(folder.size()), &wide[0],
        static_cast<int>(wide.size()))));
    WalkWide(L"\\\\?\\" + wide);
  }
  std::printf("%llu files in %llu folders, %lu ms\n", g_files, g_folders,
              static_cast<unsigned long>(GetTickCount() - start));
  return 0;
}
