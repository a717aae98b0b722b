// The product's name, version and web address as the window, the about box and the link areas
// show them.
#pragma once

namespace tarn::conv::ui {

inline constexpr char kProductName[] = "Tarn Media 转换器";  // converter
inline constexpr char kProductVersion[] = "2.0";
inline constexpr char kAboutYearLine[] = "Copyright (C) 2005";
inline constexpr char kWebAddress[] = "https://tarnmedia.example.org/";
inline constexpr char kHiddenLinkAddress[] = "https://tarnmedia.example.org/handheld/";

}  // namespace tarn::conv::ui
