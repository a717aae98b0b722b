// Interfaces the platform filters offer: the framework's IFileSourceFilter and
// IVideoWindow, and two of our own, the file source's demuxer options and the
// decoder's subpicture control.
#pragma once

#include "media/dshow/Interfaces.h"

// Opens a file in a source filter. The type is a hint and may be null.
struct IFileSourceFilter : IUnknown {
  static constexpr IID kIid{0x56A868A6, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
  virtual HRESULT Load(LPCOLESTR fileName, const AM_MEDIA_TYPE* mediaType) = 0;
  // The file's name (CoTaskMemAlloc'd, the caller frees it) and its type.
  virtual HRESULT GetCurFile(LPOLESTR* fileName, AM_MEDIA_TYPE* mediaType) = 0;
};
inline constexpr IID IID_IFileSourceFilter = IFileSourceFilter::kIid;

// Window of a video renderer; window handles are integers of pointer size. Without a screen the renderer keeps every
// value it is told and answers it back, so that callers behave the same.
struct IVideoWindow : IUnknown {
  static constexpr IID kIid{0x56A868B4, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
  virtual HRESULT put_Caption(LPCWSTR caption) = 0;
  virtual HRESULT put_WindowStyle(LONG style) = 0;
  virtual HRESULT get_WindowStyle(LONG* style) = 0;
  virtual HRESULT put_WindowStyleEx(LONG style) = 0;
  virtual HRESULT get_WindowStyleEx(LONG* style) = 0;
  virtual HRESULT put_AutoShow(LONG autoShow) = 0;
  virtual HRESULT get_AutoShow(LONG* autoShow) = 0;
  virtual HRESULT put_Visible(LONG visible) = 0;
  virtual HRESULT get_Visible(LONG* visible) = 0;
  virtual HRESULT put_Owner(LONG_PTR owner) = 0;
  virtual HRESULT get_Owner(LONG_PTR* owner) = 0;
  virtual HRESULT put_MessageDrain(LONG_PTR drain) = 0;
  virtual HRESULT get_MessageDrain(LONG_PTR* drain) = 0;
  virtual HRESULT SetWindowPosition(LONG left, LONG top, LONG width, LONG height) = 0;
  virtual HRESULT GetWindowPosition(LONG* left, LONG* top, LONG* width, LONG* height) = 0;
  // The native size of the video, from the connected type.
  virtual HRESULT GetVideoSize(LONG* width, LONG* height) = 0;
  // The window's own width and height (as last placed, else the video's size).
  virtual HRESULT get_Width(LONG* width) = 0;
  virtual HRESULT get_Height(LONG* height) = 0;
};
inline constexpr IID IID_IVideoWindow = IVideoWindow::kIid;

// The video renderer draws into no window of its own: it hands each picture to a sink that its
// owner supplies, and the owner paints it (the same on X11, on Wayland and without a screen).
struct ITarnPictureSink : IUnknown {
  static constexpr IID kIid{0x3C0F6A52, 0x7D1E, 0x4B8A, {0x9E, 0x61, 0x2B, 0x40, 0xC7, 0x15, 0xA3, 0x08}};
  // One picture, top row first, four bytes a pixel in the order blue, green, red, unused, rows
  // `stride` bytes apart. Called on the streaming thread; the sink copies what it keeps.
  virtual HRESULT PresentPicture(const BYTE* pixels, LONG width, LONG height, LONG stride, REFERENCE_TIME start) = 0;
};
inline constexpr IID IID_ITarnPictureSink = ITarnPictureSink::kIid;

// Offered by the video renderer beside IVideoWindow: where its pictures go. A null sink detaches
// the last one; the renderer holds a reference to the sink while it is attached.
struct ITarnVideoOutput : IUnknown {
  static constexpr IID kIid{0x3C0F6A53, 0x7D1E, 0x4B8A, {0x9E, 0x61, 0x2B, 0x40, 0xC7, 0x15, 0xA3, 0x08}};
  virtual HRESULT SetPictureSink(ITarnPictureSink* sink) = 0;
};
inline constexpr IID IID_ITarnVideoOutput = ITarnVideoOutput::kIid;

// Window style bits callers set and test.
inline constexpr LONG WS_CHILD = 0x40000000;
inline constexpr LONG WS_CLIPSIBLINGS = 0x04000000;
inline constexpr LONG WS_CLIPCHILDREN = 0x02000000;
inline constexpr LONG WS_OVERLAPPEDWINDOW = 0x00CF0000;

// Demuxer settings of the file source, for raw input that carries no header
// (the names and values of FFmpeg's options: "format" "rawvideo",
// "pixel_format" "bgr24", "video_size" "720x480", "framerate" "25").
// Set before Load; an empty value removes the option.
struct ITarnFileSourceOptions : IUnknown {
  static constexpr IID kIid{0x9414CB71, 0x8EB5, 0x4E0B, {0xAE, 0xF7, 0xA0, 0x23, 0xAF, 0x10, 0x1E, 0x06}};
  virtual HRESULT SetOption(const char* name, const char* value) = 0;
  // Frames of the video stream and its length in 100 ns units, when known (else 0).
  virtual HRESULT GetStreamLength(LONGLONG* frames, REFERENCE_TIME* duration) = 0;
  // A readable text of the last Load failure ("" after a success).
  virtual HRESULT GetLastErrorText(char* buffer, ULONG size) = 0;
};
inline constexpr IID IID_ITarnFileSourceOptions = ITarnFileSourceOptions::kIid;

// The subpicture side of the MPEG video decoder. The navigator tells the
// palette of the title (16 entries of 0x00YYCrCb, as the disc stores them)
// and whether subpictures are shown; the packets themselves arrive on the
// decoder's "Subpicture" input pin.
struct ITarnSubpictureControl : IUnknown {
  static constexpr IID kIid{0x85887F98, 0xE0B7, 0x49BD, {0xB3, 0xC8, 0xD8, 0x74, 0x33, 0x3C, 0xFD, 0x5F}};
  virtual HRESULT SetPalette(const DWORD yCrCb[16]) = 0;
  virtual HRESULT SetSubpictureState(BOOL shown) = 0;
  virtual HRESULT GetSubpictureState(BOOL* shown) = 0;
};
inline constexpr IID IID_ITarnSubpictureControl = ITarnSubpictureControl::kIid;
