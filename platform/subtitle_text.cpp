#include "platform/subtitle_text.h"

extern "C" {
#include <ass/ass.h>
}
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace tarn::platform {

namespace {

// Where Debian keeps the fonts the package depends on: one with Chinese letters first.
constexpr std::array<const char*, 3> kFonts{"/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc",
                                            "/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc",
                                            "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"};

struct DefaultFont {
  std::string path;
  std::string family;
  // A style's font size is the letters' full height (the font's Windows ascent and descent,
  // as libass measures it); this many times the em gives a size whose em is the one asked for.
  double sizePerEm = 1.0;
};

double SizePerEm(FT_Face face) {
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  const int height = os2 != nullptr && os2->usWinAscent + os2->usWinDescent != 0 ? os2->usWinAscent + os2->usWinDescent
                                                                                 : face->ascender - face->descender;
  return face->units_per_EM > 0 && height > 0 ? static_cast<double>(height) / face->units_per_EM : 1.0;
}

// The first font that loads, with the family name the styles call it by.
bool FindDefaultFont(DefaultFont& font) {
  std::vector<const char*> candidates;
  if (const char* chosen = std::getenv("TARNMEDIA_SUBTITLE_FONT"); chosen != nullptr && *chosen != '\0')
    candidates.push_back(chosen);
  candidates.insert(candidates.end(), kFonts.begin(), kFonts.end());
  FT_Library freetype = nullptr;
  if (FT_Init_FreeType(&freetype) != 0) return false;
  bool found = false;
  for (const char* path : candidates) {
    FT_Face face = nullptr;
    if (FT_New_Face(freetype, path, 0, &face) != 0) continue;
    found = face->family_name != nullptr;
    if (found) font = {path, face->family_name, SizePerEm(face)};
    FT_Done_Face(face);
    if (found) break;
  }
  FT_Done_FreeType(freetype);
  return found;
}

// The plain-text look: letters whose em is a twelfth of the picture high (at least 12 pixels)
// with an edge a twelfth of that, a twentieth of the picture above its bottom and a thirtieth
// from its sides, on a script whose resolution is the picture's own.
std::string PlainScriptHeader(const DefaultFont& font, int width, int height) {
  const int em = std::max(12, height / 12);
  const int size = static_cast<int>(em * font.sizePerEm + 0.5);
  const int edge = std::max(1, em / 12);
  const int side = width / 30;
  return "[Script Info]\nScriptType: v4.00+\nPlayResX: " + std::to_string(width) +
         "\nPlayResY: " + std::to_string(height) +
         "\nScaledBorderAndShadow: yes\nWrapStyle: 0\n\n[V4+ Styles]\n"
         "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, "
         "Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, "
         "MarginL, MarginR, MarginV, Encoding\n"
         "Style: Default," +
         font.family + "," + std::to_string(size) +
         ",&H00FFFFFF,&H000000FF,&H00000000,&H00000000,0,0,0,0,100,100,0,0,1," + std::to_string(edge) + ",0,2," +
         std::to_string(side) + "," + std::to_string(side) + "," + std::to_string(height / 20) +
         ",1\n\n[Events]\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n";
}

// libass would print its notes (fonts it stands in for) on the host's standard error; they are
// kept for debugging under TARNMEDIA_FFMPEG_LOG=1, like FFmpeg's own.
void LibassMessage(int level, const char* format, va_list arguments, void*) {
  static const bool wanted = [] {
    const char* log = std::getenv("TARNMEDIA_FFMPEG_LOG");
    return log != nullptr && std::string_view(log) == "1";
  }();
  if (!wanted || level > 4) return;
  std::fputs("libass: ", stderr);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  std::vfprintf(stderr, format, arguments);
#pragma GCC diagnostic pop
  std::fputc('\n', stderr);
}

}  // namespace

struct SubtitleTextRenderer::Library {
  ASS_Library* library = nullptr;
  ASS_Renderer* renderer = nullptr;
  ASS_Track* track = nullptr;
  ~Library() {
    if (track != nullptr) ass_free_track(track);
    if (renderer != nullptr) ass_renderer_done(renderer);
    if (library != nullptr) ass_library_done(library);
  }
};

SubtitleTextRenderer::SubtitleTextRenderer() = default;
SubtitleTextRenderer::~SubtitleTextRenderer() = default;

bool SubtitleTextRenderer::Opened() const { return library_ != nullptr; }

bool SubtitleTextRenderer::Open(std::string_view scriptHeader, std::span<const AttachedFont> fonts, int width,
                                int height, std::string& error) {
  library_.reset();
  DefaultFont font;
  if (!FindDefaultFont(font)) {
    error = "no font for text subtitles (TARNMEDIA_SUBTITLE_FONT names one)";
    return false;
  }
  auto library = std::make_unique<Library>();
  if ((library->library = ass_library_init()) == nullptr) {
    error = "libass does not start";
    return false;
  }
  ass_set_message_cb(library->library, LibassMessage, nullptr);
  for (const AttachedFont& attached : fonts)
    ass_add_font(library->library, attached.name.c_str(), reinterpret_cast<const char*>(attached.data.data()),
                 static_cast<int>(attached.data.size()));
  library->renderer = ass_renderer_init(library->library);
  library->track = ass_new_track(library->library);
  if (library->renderer == nullptr || library->track == nullptr) {
    error = "libass does not start";
    return false;
  }
  ass_set_frame_size(library->renderer, width, height);
  ass_set_storage_size(library->renderer, width, height);
  ass_set_fonts(library->renderer, font.path.c_str(), font.family.c_str(), ASS_FONTPROVIDER_AUTODETECT, nullptr, 1);

  std::string header = scriptHeader.empty() ? PlainScriptHeader(font, width, height) : std::string(scriptHeader);
  ass_process_codec_private(library->track, header.data(), static_cast<int>(header.size()));
  library_ = std::move(library);
  return true;
}

void SubtitleTextRenderer::AddEvent(std::string_view line, std::int64_t startMs, std::int64_t durationMs) {
  if (!library_ || line.empty()) return;
  std::string chunk(line);  // libass reads the chunk and leaves it as it was
  ass_process_chunk(library_->track, chunk.data(), static_cast<int>(chunk.size()), startMs, durationMs);
}

void SubtitleTextRenderer::ClearEvents() {
  if (library_) ass_flush_events(library_->track);
}

const std::vector<TextImage>& SubtitleTextRenderer::Render(std::int64_t timeMs) {
  images_.clear();
  if (!library_) return images_;
  int changed = 0;
  for (const ASS_Image* image = ass_render_frame(library_->renderer, library_->track, timeMs, &changed);
       image != nullptr; image = image->next) {
    if (image->w <= 0 || image->h <= 0) continue;
    const std::uint32_t rgba = image->color;
    images_.push_back({image->dst_x, image->dst_y, image->w, image->h, image->stride, image->bitmap,
                       static_cast<std::uint8_t>(rgba >> 24), static_cast<std::uint8_t>(rgba >> 16),
                       static_cast<std::uint8_t>(rgba >> 8), static_cast<std::uint8_t>(255 - (rgba & 0xFF))});
  }
  return images_;
}

}  // namespace tarn::platform
