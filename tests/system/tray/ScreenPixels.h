// What is on the screen, pixel by pixel, and what an icon looks like drawn
// the way a window of the system draws it: for tests that see icons from
// outside (the notification area, the Control Panel's list).
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

namespace traytest {

// A cx x cy image as 0x00RRGGBB pixels, rows from the top: copied from
// `source` at (x, y), or what `draw` paints when given.
inline std::vector<DWORD> Pixels(HDC source, int x, int y, int cx, int cy, const std::function<void(HDC)>& draw = {}) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = cx;
  info.bmiHeader.biHeight = -cy;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  const HBITMAP bitmap = ::CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  std::vector<DWORD> pixels;
  if (!bitmap) return pixels;
  const HDC memory = ::CreateCompatibleDC(source);
  const HGDIOBJ old = ::SelectObject(memory, bitmap);
  if (draw) draw(memory);
  else ::BitBlt(memory, 0, 0, cx, cy, source, x, y, SRCCOPY);
  ::GdiFlush();
  pixels.assign(static_cast<DWORD*>(bits), static_cast<DWORD*>(bits) + cx * cy);
  for (DWORD& p : pixels) p &= 0xFFFFFF;
  ::SelectObject(memory, old);
  ::DeleteDC(memory);
  ::DeleteObject(bitmap);
  return pixels;
}

inline std::vector<DWORD> ScreenPixels(const RECT& r) {
  const HDC screen = ::GetDC(nullptr);
  std::vector<DWORD> pixels = Pixels(screen, r.left, r.top, r.right - r.left, r.bottom - r.top);
  ::ReleaseDC(nullptr, screen);
  return pixels;
}

// `image` drawn at size x size, centred in a cx x cy cell filled with
// `background` (0x00RRGGBB).
inline std::vector<DWORD> DrawnIcon(HICON image, int size, int cx, int cy, DWORD background) {
  const HDC screen = ::GetDC(nullptr);
  std::vector<DWORD> pixels = Pixels(screen, 0, 0, cx, cy, [&](HDC dc) {
    const HBRUSH brush = ::CreateSolidBrush(RGB(background >> 16, (background >> 8) & 0xFF, background & 0xFF));
    const RECT all = {0, 0, cx, cy};
    ::FillRect(dc, &all, brush);
    ::DeleteObject(brush);
    ::DrawIconEx(dc, (cx - size) / 2, (cy - size) / 2, image, size, size, 0, nullptr, DI_NORMAL);
  });
  ::ReleaseDC(nullptr, screen);
  return pixels;
}

}  // namespace traytest
