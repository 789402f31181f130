#include "ui/skin_layout.h"

#include <algorithm>
#include <cstring>

namespace skin {

// ---- Image loading ---------------------------------------------------------

uint32_t KeyedPixel(uint32_t argb) {
  const uint32_t a = argb >> 24;
  if (a == 255) return argb & 0x00FFFFFF;
  if (a == 0) return kKeyColour;
  // The colour composited over white: a·c + (255 − a)·255, over 255.
  auto blend = [a](uint32_t c) -> uint32_t {
    return static_cast<uint32_t>((static_cast<int>(a) * (static_cast<int>(c) - 255) + 65025) / 255);
  };
  const uint32_t r = blend((argb >> 16) & 0xFF);
  const uint32_t g = blend((argb >> 8) & 0xFF);
  const uint32_t b = blend(argb & 0xFF);
  return (r << 16) | (g << 8) | b;
}

void ConvertToKeyedDib(const uint8_t* argb, int stride, int w, int h, uint32_t* dib) {
  for (int i = 0; i < h; ++i) {
    const uint8_t* row = argb + static_cast<ptrdiff_t>(i) * stride;
    uint32_t* out = dib + static_cast<ptrdiff_t>(h - 1 - i) * w;
    for (int j = 0; j < w; ++j) {
      const uint8_t* p = row + 4 * j;  // blue, green, red, alpha in memory
      const uint32_t px = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                          (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
      out[j] = KeyedPixel(px);
    }
  }
}

uint32_t PremultipliedPixel(uint32_t argb) {
  const uint32_t a = argb >> 24;
  if (a == 255) return argb;
  if (a == 0) return 0;
  // c·a/255 rounded to the nearest, without a division: the background art
  // has 693,000 pixels and start-up waits for them.
  auto scale = [a](uint32_t c) -> uint32_t {
    const uint32_t t = c * a + 128;
    return (t + (t >> 8)) >> 8;
  };
  return (a << 24) | (scale((argb >> 16) & 0xFF) << 16) | (scale((argb >> 8) & 0xFF) << 8) |
         scale(argb & 0xFF);
}

void ConvertToPremultiplied(const uint8_t* argb, int stride, int w, int h, uint32_t* out) {
  for (int i = 0; i < h; ++i) {
    uint32_t* line = out + static_cast<ptrdiff_t>(i) * w;
    // Rows hold blue, green, red, alpha in memory: little-endian 0xAARRGGBB.
    memcpy(line, argb + static_cast<ptrdiff_t>(i) * stride, static_cast<size_t>(w) * 4);
    for (int j = 0; j < w; ++j) {
      const uint32_t a = line[j] >> 24;
      if (a != 255) line[j] = a ? PremultipliedPixel(line[j]) : 0;
    }
  }
}

// ---- Skinned dialog --------------------------------------------------------

namespace {

Blit Copy(int dx, int dy, int dw, int dh, int sx, int sy) {
  return {dx, dy, dw, dh, sx, sy, dw, dh, false};
}

Blit Stretch(int dx, int dy, int dw, int dh, int sx, int sy, int sw, int sh) {
  return {dx, dy, dw, dh, sx, sy, sw, sh, true};
}

}  // namespace

std::vector<Blit> BackgroundPieces(int w, int h, int iw, int ih, int b, int ch, bool nineGrid) {
  std::vector<Blit> p;
  if (!nineGrid) {
    p.push_back(Copy(0, 0, w, h, 0, 0));
    if (ch == -1) {
      p.push_back(Copy(w - b, 0, b, b, iw - b, 0));
      p.push_back(Stretch(w - b, b, b, h - 2 * b, iw - b, b, b, ih - 2 * b));
    } else {
      p.push_back(Copy(w - b, 0, b, ch, iw - b, 0));
      p.push_back(Stretch(w - b, ch, b, h - ch - b, iw - b, ch, b, ih - ch - b));
    }
  } else if (ch == -1) {
    p.push_back(Copy(0, 0, b, b, 0, 0));
    p.push_back(Stretch(b, 0, w - 2 * b, b, b, 0, iw - 2 * b, b));
    p.push_back(Copy(w - b, 0, b, b, iw - b, 0));
    p.push_back(Stretch(0, b, b, h - 2 * b, 0, b, b, ih - 2 * b));
    p.push_back(Stretch(w - b, b, b, h - 2 * b, iw - b, b, b, ih - 2 * b));
    p.push_back(Stretch(b, b, w - 2 * b, h - 2 * b, b, b, iw - 2 * b, ih - 2 * b));
  } else {
    p.push_back(Copy(0, 0, b, ch, 0, 0));
    // The caption band is tiled, not stretched, so its pattern keeps its
    // proportions at every width; the right end covers the last overhang.
    const int tile = iw - 2 * b;
    if (tile > 0) {
      int x = b;
      do {
        p.push_back(Copy(x, 0, tile, ch, b, 0));
        x += tile;
      } while (x < w - b);
    }
    p.push_back(Copy(w - b, 0, b, ch, iw - b, 0));
    p.push_back(Stretch(0, ch, b, h - ch - b, 0, ch, b, ih - ch - b));
    p.push_back(Stretch(w - b, ch, b, h - ch - b, iw - b, ch, b, ih - ch - b));
    p.push_back(Stretch(b, ch, w - 2 * b, h - ch - b, b, ch, iw - 2 * b, ih - ch - b));
  }
  p.push_back(Copy(0, h - b, b, b, 0, ih - b));
  p.push_back(Stretch(b, h - b, w - 2 * b, b, b, ih - b, iw - 2 * b, b));
  p.push_back(Copy(w - b, h - b, b, b, iw - b, ih - b));
  return p;
}

std::vector<POINT> CornerCutouts(int w, int h, int iw, int ih,
                                 const std::function<bool(int x, int y)>& isKey) {
  std::vector<POINT> cut;
  const int cols = std::min(iw, 9);
  for (int i = 0; i < ih && i < 9; ++i) {
    for (int j = 0; j < cols; ++j) {
      if (isKey(j, i)) cut.push_back({j, i});
      if (isKey(iw - 1 - j, i)) cut.push_back({w - 1 - j, i});
    }
  }
  for (int r = std::max(ih - 9, 0); r < ih; ++r) {
    const int y = h - ih + r;
    for (int j = 0; j < cols; ++j) {
      if (isKey(j, r)) cut.push_back({j, y});
      if (isKey(iw - 1 - j, r)) cut.push_back({w - 1 - j, y});
    }
  }
  return cut;
}

int HitTest(int x, int y, int w, int h, int b, int ch, bool resizable, bool maximized) {
  const bool inCaption = ch == -1 || (y >= 0 && y < ch);
  if (maximized) return HTCLIENT;
  if (!resizable) return inCaption ? HTCAPTION : HTCLIENT;
  const bool left = x >= 0 && x < b;
  const bool right = x >= w - b && x < w;
  const bool top = y >= 0 && y < b;
  const bool bottom = y >= h - b && y < h;
  if (left) return top ? HTTOPLEFT : bottom ? HTBOTTOMLEFT : HTLEFT;
  if (right) return top ? HTTOPRIGHT : bottom ? HTBOTTOMRIGHT : HTRIGHT;
  // The top band is 3 pixels whatever the border, so that the caption
  // starts right under it.
  if (y >= 0 && y < 3) return HTTOP;
  if (ch == -1 || (y >= 3 && y < ch)) return HTCAPTION;
  if (bottom) return HTBOTTOM;
  return HTCLIENT;
}

int SizingEdge(int hitCode) {
  switch (hitCode) {
    case HTLEFT:
      return WMSZ_LEFT;
    case HTRIGHT:
      return WMSZ_RIGHT;
    case HTTOP:
      return WMSZ_TOP;
    case HTTOPLEFT:
      return WMSZ_TOPLEFT;
    case HTTOPRIGHT:
      return WMSZ_TOPRIGHT;
    case HTBOTTOM:
      return WMSZ_BOTTOM;
    case HTBOTTOMLEFT:
      return WMSZ_BOTTOMLEFT;
    case HTBOTTOMRIGHT:
      return WMSZ_BOTTOMRIGHT;
    default:
      return 0;
  }
}

int CaptionIconTop(int ch) {
  return ch == -1 ? 6 : (ch - 15) / 2;
}

POINT CaptionTextOrigin(int b, int ch, int indent, int iconWidth) {
  const int q = (ch - 11) / 2;
  return {b + 5 + indent + iconWidth, q < 0 ? 4 : q - 2};
}

int CaptionStripTop(int ch, int fontHeight) {
  const int q = (ch + 1 - fontHeight) / 2;
  return q < 0 ? 4 : q - 2;
}

RECT MaximizedRect(const RECT& work, SIZE maxSize) {
  RECT r = work;
  const int extraW = (r.right - r.left) - maxSize.cx;
  if (extraW > 0) {
    r.left += extraW / 2;
    r.right -= extraW / 2;
  }
  const int extraH = (r.bottom - r.top) - maxSize.cy;
  if (extraH > 0) {
    r.top += extraH / 2;
    r.bottom -= extraH / 2;
  }
  return r;
}

RECT InitialRestoreRect(const RECT& work) {
  const int dx = (work.right - work.left) / 8, dy = (work.bottom - work.top) / 8;
  return {work.left + dx, work.top + dy, work.right - dx, work.bottom - dy};
}

CaptionButtonX CaptionButtonRights(int right, int margin, int gap, int closeW, int maxW, int minW) {
  CaptionButtonX out = {0, 0, 0};
  int x = right - margin;
  if (closeW > 0) out.close = x;
  if (maxW > 0) {
    x -= closeW + gap;
    out.max = x;
  }
  if (minW > 0) {
    x -= (maxW > 0 ? maxW : closeW) + gap;
    out.min = x;
  }
  return out;
}

// ---- Image button ----------------------------------------------------------

int ButtonCell(UINT state, bool pressedLatch, bool hover) {
  if (state & (ODS_GRAYED | ODS_DISABLED)) return 3;
  if ((state & ODS_SELECTED) || pressedLatch) return 2;
  return hover ? 1 : 0;
}

// ---- Message box -----------------------------------------------------------

int MessageLines(const std::wstring& text) {
  return 1 + static_cast<int>(std::count(text.begin(), text.end(), L'\n'));
}

bool MessageHasTwoButtons(int type) {
  return type == MB_OKCANCEL || type == MB_YESNO;
}

MessageBoxLayout LayoutMessageBox(int tw, int th, int lines, int bw, int bh, int type) {
  MessageBoxLayout l = {};
  l.width = 2 * bw + 60 >= tw ? 2 * bw + 60 : tw + 60;
  l.height = 3 * lines + 90 + th + bh;
  const int top = l.height - 30 - bh, bottom = l.height - 30;
  if (MessageHasTwoButtons(type)) {
    l.button1 = {l.width / 2 - 10 - bw, top, l.width / 2 - 10, bottom};
    l.button2 = {l.width / 2 + 10, top, l.width / 2 + 10 + bw, bottom};
  } else {
    const int left = (l.width - bw) / 2;
    l.button1 = {left, top, left + bw, bottom};
  }
  return l;
}

std::wstring MessageButtonCaption(int type, int button) {
  if (type == MB_YESNO) return button == 1 ? L"是" : L"否";
  if (type == MB_OKCANCEL && button == 2) return L"取消";
  return L"确定";
}

int MessageBoxResult(int type, UINT command) {
  if (command == 5000) return type == MB_YESNO ? IDYES : IDOK;
  if (command == 5001) return type == MB_YESNO ? IDNO : IDCANCEL;
  return IDCANCEL;
}

// ---- Link label and progress bar ------------------------------------------

UINT LabelTextFormat(DWORD style) {
  const DWORD type = style & SS_TYPEMASK;
  UINT format;
  if (type == SS_CENTER) {
    format = DT_CENTER | DT_VCENTER | DT_WORDBREAK;
  } else if (type == SS_RIGHT) {
    format = DT_RIGHT | DT_WORDBREAK;
  } else {
    format = DT_WORDBREAK;
  }
  if (style & SS_ENDELLIPSIS) format |= DT_END_ELLIPSIS | DT_SINGLELINE;
  if (style & SS_PATHELLIPSIS) format |= DT_PATH_ELLIPSIS | DT_SINGLELINE;
  if (style & SS_CENTERIMAGE) format |= DT_VCENTER | DT_SINGLELINE;
  return format;
}

bool IsSingleLineFormat(UINT format) {
  return (format & DT_SINGLELINE) != 0;
}

std::vector<std::wstring> WrapLabel(const std::wstring& text, int width,
                                    const std::function<int(const std::wstring&)>& measure) {
  std::vector<std::wstring> lines;
  std::wstring line;
  for (wchar_t c : text) {
    if (c == L'\r') continue;
    if (c == L'\n') {
      lines.push_back(line);
      line.clear();
      continue;
    }
    line += c;
    // A character that does not fit starts the next line; one wider than the
    // whole label stays alone on its line rather than wrapping for ever.
    if (line.size() > 1 && measure(line) > width) {
      line.pop_back();
      lines.push_back(line);
      line.assign(1, c);
    }
  }
  lines.push_back(line);
  return lines;
}

int LabelHeight(int lineHeight, int spacing, int lines) {
  return lineHeight + (lineHeight + spacing) * (lines - 1);
}

ProgressFill ProgressFillParts(int pos, int lower, int upper, int fillWidth) {
  ProgressFill f = {0, 0, 0, fillWidth};
  // An empty range or a position outside it must not draw beyond the image.
  if (upper <= lower || fillWidth <= 0) return f;
  const double perStep = static_cast<double>(fillWidth) / (upper - lower);
  int length = static_cast<int>(pos * perStep);
  length = std::max(0, std::min(length, fillWidth));
  f.length = length;
  f.leftWidth = length / 2;
  f.rightWidth = length - f.leftWidth;
  f.rightSourceX = fillWidth - f.rightWidth;
  return f;
}

}  // namespace skin
