#include "platform/subtitle_text.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <array>
#include <cstdlib>

namespace tarn::platform {

namespace {

// Where Debian keeps the fonts the package depends on: one with Chinese letters first.
constexpr std::array<const char*, 3> kFonts{"/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc",
                                            "/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc",
                                            "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"};
// An ASS event line holds eight fields before its text.
constexpr int kFieldsBeforeText = 8;

// The code points of UTF-8 text; a broken sequence counts as one replacement character.
std::vector<char32_t> CodePoints(std::string_view text) {
  std::vector<char32_t> points;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const int length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
    if (length == 0 || i + static_cast<std::size_t>(length) > text.size()) {
      points.push_back(U'\uFFFD');
      ++i;
      continue;
    }
    char32_t point = length == 1 ? lead : lead & (0x7F >> length);
    for (int k = 1; k < length; ++k) point = point << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    points.push_back(point);
    i += static_cast<std::size_t>(length);
  }
  return points;
}

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  for (std::size_t start = 0;;) {
    const std::size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) return lines;
    start = end + 1;
  }
}

}  // namespace

std::string PlainTextOfAssLine(std::string_view line) {
  std::size_t at = 0;
  for (int field = 0; field < kFieldsBeforeText && at != std::string_view::npos; ++field) {
    at = line.find(',', at);
    if (at != std::string_view::npos) ++at;
  }
  if (at == std::string_view::npos) return {};
  std::string text;
  bool inOverride = false;
  for (std::size_t i = at; i < line.size(); ++i) {
    const char c = line[i];
    if (inOverride) {
      inOverride = c != '}';
    } else if (c == '{') {
      inOverride = true;
    } else if (c == '\\' && i + 1 < line.size() && (line[i + 1] == 'N' || line[i + 1] == 'n')) {
      text += '\n';
      ++i;
    } else if (c == '\\' && i + 1 < line.size() && line[i + 1] == 'h') {
      text += ' ';
      ++i;
    } else if (c != '\r') {
      text += c;
    }
  }
  return text;
}

struct SubtitleTextRenderer::Library {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  ~Library() {
    if (face != nullptr) FT_Done_Face(face);
    if (library != nullptr) FT_Done_FreeType(library);
  }
};

SubtitleTextRenderer::SubtitleTextRenderer() = default;
SubtitleTextRenderer::~SubtitleTextRenderer() = default;

bool SubtitleTextRenderer::Open(std::string& error) {
  auto library = std::make_unique<Library>();
  if (FT_Init_FreeType(&library->library) != 0) {
    error = "FreeType does not start";
    return false;
  }
  std::vector<const char*> candidates;
  if (const char* chosen = std::getenv("TARNMEDIA_SUBTITLE_FONT"); chosen != nullptr && *chosen != '\0')
    candidates.push_back(chosen);
  candidates.insert(candidates.end(), kFonts.begin(), kFonts.end());
  for (const char* font : candidates) {
    if (FT_New_Face(library->library, font, 0, &library->face) == 0) {
      library_ = std::move(library);
      return true;
    }
  }
  error = "no font for text subtitles (TARNMEDIA_SUBTITLE_FONT names one)";
  return false;
}

// White letters on a dark edge as wide as a twelfth of the letters' size, the block centred
// a twentieth of the frame above its bottom.
SubtitleBitmap SubtitleTextRenderer::Render(std::string_view text, int width, int height) const {
  SubtitleBitmap bitmap;
  if (!library_ || width <= 0 || height <= 0) return bitmap;
  FT_Face face = library_->face;
  const int size = std::max(12, height / 12);
  if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(size)) != 0) return bitmap;
  const int edge = std::max(1, size / 12);
  const int lineHeight = static_cast<int>(face->size->metrics.height >> 6);
  const int ascender = static_cast<int>(face->size->metrics.ascender >> 6);
  const std::vector<std::string_view> lines = Lines(text);

  std::vector<int> lineWidths;
  for (std::string_view line : lines) {
    int advance = 0;
    for (char32_t point : CodePoints(line))
      if (FT_Load_Char(face, point, FT_LOAD_DEFAULT) == 0) advance += static_cast<int>(face->glyph->advance.x >> 6);
    lineWidths.push_back(advance);
  }
  const int blockWidth = *std::max_element(lineWidths.begin(), lineWidths.end()) + 2 * edge;
  const int blockHeight = lineHeight * static_cast<int>(lines.size()) + 2 * edge;
  if (blockWidth <= 2 * edge) return bitmap;

  // Letter coverage, then the edge around it.
  std::vector<std::uint8_t> letters(static_cast<std::size_t>(blockWidth * blockHeight), 0);
  for (std::size_t n = 0; n < lines.size(); ++n) {
    int penX = edge + (blockWidth - 2 * edge - lineWidths[n]) / 2;
    const int baseline = edge + static_cast<int>(n) * lineHeight + ascender;
    for (char32_t point : CodePoints(lines[n])) {
      if (FT_Load_Char(face, point, FT_LOAD_RENDER) != 0) continue;
      const FT_GlyphSlot glyph = face->glyph;
      for (unsigned gy = 0; gy < glyph->bitmap.rows; ++gy)
        for (unsigned gx = 0; gx < glyph->bitmap.width; ++gx) {
          const int x = penX + glyph->bitmap_left + static_cast<int>(gx);
          const int y = baseline - glyph->bitmap_top + static_cast<int>(gy);
          if (x < 0 || y < 0 || x >= blockWidth || y >= blockHeight) continue;
          std::uint8_t& cell = letters[static_cast<std::size_t>(y * blockWidth + x)];
          cell = std::max(cell, glyph->bitmap.buffer[gy * static_cast<unsigned>(glyph->bitmap.pitch) + gx]);
        }
      penX += static_cast<int>(glyph->advance.x >> 6);
    }
  }
  bitmap.width = blockWidth;
  bitmap.height = blockHeight;
  bitmap.x = (width - blockWidth) / 2;
  bitmap.y = height - blockHeight - height / 20;
  bitmap.argb.assign(letters.size(), 0);
  for (int y = 0; y < blockHeight; ++y)
    for (int x = 0; x < blockWidth; ++x) {
      int outline = 0;
      for (int dy = std::max(0, y - edge); dy <= std::min(blockHeight - 1, y + edge); ++dy)
        for (int dx = std::max(0, x - edge); dx <= std::min(blockWidth - 1, x + edge); ++dx)
          outline = std::max<int>(outline, letters[static_cast<std::size_t>(dy * blockWidth + dx)]);
      const int letter = letters[static_cast<std::size_t>(y * blockWidth + x)];
      const int alpha = std::max(outline, letter);
      if (alpha == 0) continue;
      const auto white = static_cast<std::uint32_t>(255 * letter / alpha);
      bitmap.argb[static_cast<std::size_t>(y * blockWidth + x)] =
          static_cast<std::uint32_t>(alpha) << 24 | white << 16 | white << 8 | white;
    }
  return bitmap;
}

}  // namespace tarn::platform
