// The skin's arithmetic: which piece of a background goes where, what a point
// of a skinned window means to the mouse, where buttons and text stand, how a
// progress fill is cut and how a label wraps. Plain functions without window
// handles, so that the controls stay thin and every rule can be checked alone.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace skin {

// Key colour of every strip and background: magenta, in GDI's 0x00BBGGRR and
// in a DIB pixel's 0x00RRGGBB order (the same value either way).
constexpr uint32_t kKeyColour = 0x00FF00FF;

// ---- Image loading ---------------------------------------------------------

// One decoded ARGB pixel (0xAARRGGBB) as the DIB pixel the controls blit
// (0x00RRGGBB): opaque pixels are copied, fully transparent ones become the
// key colour, partly transparent ones are blended over white.
uint32_t KeyedPixel(uint32_t argb);

// Converts a top-down ARGB image (`stride` bytes a row) into a bottom-up DIB
// of w × h pixels, so that the picture stays upright.
void ConvertToKeyedDib(const uint8_t* argb, int stride, int w, int h, uint32_t* dib);

// One decoded ARGB pixel with its colour premultiplied by its alpha (each
// channel c·a/255, rounded), the form a per-pixel-alpha layered window takes:
// a fully transparent pixel is 0 whatever colour it carried.
uint32_t PremultipliedPixel(uint32_t argb);

// Converts a top-down ARGB image (`stride` bytes a row) into w × h top-down
// premultiplied pixels.
void ConvertToPremultiplied(const uint8_t* argb, int stride, int w, int h, uint32_t* out);

// ---- Skinned dialog --------------------------------------------------------

// One block transfer: destination (dx, dy, dw, dh) from source (sx, sy, sw, sh);
// `stretch` false means a 1:1 copy of dw × dh.
struct Blit {
  int dx, dy, dw, dh;
  int sx, sy, sw, sh;
  bool stretch;
  bool operator==(const Blit& o) const {
    return dx == o.dx && dy == o.dy && dw == o.dw && dh == o.dh && sx == o.sx && sy == o.sy &&
           sw == o.sw && sh == o.sh && stretch == o.stretch;
  }
};

// The pieces that paint a w × h window from an iw × ih background, in order.
// `border` is the nine-grid slice, `caption` the caption band's height or -1.
std::vector<Blit> BackgroundPieces(int w, int h, int iw, int ih, int border, int caption,
                                   bool nineGrid);

// Window pixels to cut out of the region so that magenta corners (up to 9 × 9)
// of the background stay transparent at every window size.
std::vector<POINT> CornerCutouts(int w, int h, int iw, int ih,
                                 const std::function<bool(int x, int y)>& isKey);

// What the point (x, y) of a w × h skinned window means: an HT* code;
// HTCLIENT where the dialog's default answer applies.
int HitTest(int x, int y, int w, int h, int border, int caption, bool resizable, bool maximized);

// The system's sizing edge (1 left … 8 bottom-right) for a border hit code,
// 0 for anything else.
int SizingEdge(int hitCode);

// Top of the small icon in the caption band.
int CaptionIconTop(int caption);
// Where the caption text starts; `iconWidth` is 16 when an icon is drawn.
POINT CaptionTextOrigin(int border, int caption, int indent, int iconWidth);
// Top of the caption text strip measured with a font `fontHeight` pixels high.
int CaptionStripTop(int caption, int fontHeight);

// The own maximise: the work area, shrunk evenly to at most `maxSize`.
RECT MaximizedRect(const RECT& workArea, SIZE maxSize);
// The rectangle a window first restores to: the work area inset by an eighth.
RECT InitialRestoreRect(const RECT& workArea);

// Right edges of the caption buttons, standing right to left: close, maximise,
// minimise. A width of 0 means the button is absent; an absent button takes
// no room. Results are 0 for absent buttons.
struct CaptionButtonX {
  int close, max, min;
};
CaptionButtonX CaptionButtonRights(int right, int margin, int gap, int closeW, int maxW, int minW);

// ---- Image button ----------------------------------------------------------

// Cell of a four-cell strip for a button's draw state: 0 normal, 1 hover,
// 2 pressed, 3 disabled.
int ButtonCell(UINT itemState, bool pressedLatch, bool hover);

// ---- Message box -----------------------------------------------------------

struct MessageBoxLayout {
  int width, height;
  RECT button1;
  RECT button2;  // empty when the box has one button
};

// Lines of a message: one more than its "\n" characters.
int MessageLines(const std::wstring& text);
bool MessageHasTwoButtons(int type);
// Size and buttons of a box whose text measures tw × th in `lines` lines,
// with buttons of bw × bh.
MessageBoxLayout LayoutMessageBox(int tw, int th, int lines, int bw, int bh, int type);
// The captions of the first and second button.
std::wstring MessageButtonCaption(int type, int button);
// What the box returns for button command 5000 or 5001.
int MessageBoxResult(int type, UINT command);

// ---- Link label and progress bar ------------------------------------------

// DrawText format for a label of this static-control style.
UINT LabelTextFormat(DWORD style);
bool IsSingleLineFormat(UINT format);
// Wraps `text` into lines no wider than `width`; `measure` gives a piece's
// one-line width. "\r" is skipped, "\n" ends a line.
std::vector<std::wstring> WrapLabel(const std::wstring& text, int width,
                                    const std::function<int(const std::wstring&)>& measure);
// Height the label needs for `lines` lines of `lineHeight` `spacing` apart.
int LabelHeight(int lineHeight, int spacing, int lines);

// The visible fill: the first `leftWidth` pixels of the fill image, then its
// last `rightWidth` pixels, drawn side by side.
struct ProgressFill {
  int length, leftWidth, rightWidth, rightSourceX;
};
ProgressFill ProgressFillParts(int pos, int lower, int upper, int fillWidth);

}  // namespace skin
