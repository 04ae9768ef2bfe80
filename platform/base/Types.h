// Plain value types and constants that the dialog code is written with.
#pragma once

#include <cstddef>
#include <cstdint>

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using UINT = unsigned int;
using INT_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using LONG_PTR = std::intptr_t;
using DWORD_PTR = std::uintptr_t;
using ULONG_PTR = std::uintptr_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using COLORREF = DWORD;
using LPCTSTR = const char*;
using LPCSTR = const char*;
using LPTSTR = char*;
using LPSTR = char*;
using TCHAR = char;
using LPVOID = void*;
using LPINT = int*;
using HRESULT = std::int32_t;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

#ifndef MAX_PATH
#define MAX_PATH 260
#endif

constexpr COLORREF RGB(int r, int g, int b) {
    return static_cast<COLORREF>((r & 0xff) | ((g & 0xff) << 8) | ((b & 0xff) << 16));
}
constexpr int GetRValue(COLORREF c) { return static_cast<int>(c & 0xff); }
constexpr int GetGValue(COLORREF c) { return static_cast<int>((c >> 8) & 0xff); }
constexpr int GetBValue(COLORREF c) { return static_cast<int>((c >> 16) & 0xff); }

// Opaque position in a list (CStringList, CObList, maps).
struct __POSITION {};
using POSITION = __POSITION*;

struct POINT {
    LONG x = 0;
    LONG y = 0;
};

struct SIZE {
    LONG cx = 0;
    LONG cy = 0;
};

struct RECT {
    LONG left = 0;
    LONG top = 0;
    LONG right = 0;
    LONG bottom = 0;
};
