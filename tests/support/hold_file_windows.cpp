// SPDX-License-Identifier: GPL-3.0-or-later
// Another program that holds a file open without sharing it, as an editor
// or a virus scanner may: hold_file PATH SECONDS.  Says "held" on standard
// output once it holds the file, and lets go after SECONDS or when its
// standard input ends.
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return 2;
    const HANDLE h = ::CreateFileW(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "hold_file: cannot open (error %lu)\n", ::GetLastError());
        return 1;
    }
    std::puts("held");
    std::fflush(stdout);
    ::Sleep(static_cast<DWORD>(std::wcstol(argv[2], nullptr, 10)) * 1000);
    ::CloseHandle(h);
    return 0;
}
