// Class ids and friendly names of the filters in libtarnplatform.so, and the
// ids of the interfaces of our own that they offer.
#pragma once

#include "media/com/Guid.h"

namespace tarn::platform {

inline constexpr CLSID kFileSourceClsid{0xEEC791FE, 0xF9B8, 0x4AA3, {0xAD, 0xA5, 0xB8, 0xC2, 0x67, 0xEE, 0x44, 0xBD}};
inline constexpr CLSID kNullRendererClsid{0x8C1605F9, 0x8406, 0x46FC, {0x89, 0xFA, 0xF9, 0xC4, 0x88, 0x95, 0x8F, 0xA3}};
inline constexpr CLSID kVideoRendererClsid{
    0xEE928A44, 0x3539, 0x4CA3, {0xA7, 0xAC, 0x20, 0xA0, 0x74, 0x1B, 0xD9, 0xD5}};
inline constexpr CLSID kAudioRendererClsid{
    0xD5531CA1, 0x593D, 0x4D44, {0xAF, 0x9B, 0xF0, 0x2F, 0xE5, 0x14, 0xA8, 0xBD}};
inline constexpr CLSID kMpegVideoDecoderClsid{
    0x7668123C, 0x136C, 0x4352, {0x8C, 0x7A, 0xB6, 0x7F, 0x2C, 0x1B, 0xCA, 0x8D}};
inline constexpr CLSID kAudioDecoderClsid{0xEFADD74D, 0xB3AC, 0x4736, {0x91, 0xDE, 0x28, 0xB7, 0xB2, 0xFF, 0x77, 0xC5}};
inline constexpr CLSID kAcmWrapperClsid{0xD6A2F280, 0xF753, 0x474A, {0x8A, 0x45, 0x70, 0x2C, 0x31, 0x5F, 0x56, 0x59}};

inline constexpr const wchar_t* kFileSourceName = L"Tarn File Source";
inline constexpr const wchar_t* kNullRendererName = L"Null Renderer";
inline constexpr const wchar_t* kVideoRendererName = L"Video Renderer";
inline constexpr const wchar_t* kAudioRendererName = L"Audio Renderer";
inline constexpr const wchar_t* kMpegVideoDecoderName = L"GPL MPEG-1/2 Decoder";
inline constexpr const wchar_t* kAudioDecoderName = L"Tarn Audio Decoder";
inline constexpr const wchar_t* kAcmWrapperName = L"ACM Wrapper";

}  // namespace tarn::platform
