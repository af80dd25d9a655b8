#include "pixlib/core/FontEngine.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>
#include <map>
#include <mutex>
#include <string>
#include <tuple>

namespace {

using FaceKey = std::tuple<std::string, bool, bool>;  // family, bold, italic

int Round26(FT_Pos v) { return static_cast<int>((v + 32) >> 6); }

}  // namespace

struct FontEngine::State {
  std::mutex lock;
  FT_Library library = nullptr;
  FcConfig* config = nullptr;
  std::map<FaceKey, FT_Face> faces;  // a null face: nothing found for the key

  FT_Face Find(const FaceKey& key);
  FT_Face Sized(const LOGFONT& font);
};

FontEngine& FontEngine::Instance() {
  static FontEngine engine;
  return engine;
}

FontEngine::FontEngine() : m_state(std::make_unique<State>()) {
  if (FT_Init_FreeType(&m_state->library) != 0) m_state->library = nullptr;
  m_state->config = FcInitLoadConfigAndFonts();
}

FontEngine::~FontEngine() {
  for (auto& [key, face] : m_state->faces)
    if (face) FT_Done_Face(face);
  if (m_state->library) FT_Done_FreeType(m_state->library);
  if (m_state->config) FcConfigDestroy(m_state->config);
}

// The best face fontconfig offers for the family (an unknown family falls
// back to the configured default), weight and slant.
FT_Face FontEngine::State::Find(const FaceKey& key) {
  if (const auto found = faces.find(key); found != faces.end()) return found->second;
  FT_Face face = nullptr;
  const auto& [family, bold, italic] = key;
  if (library && config) {
    FcPattern* pattern = FcPatternCreate();
    if (!family.empty())
      FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config, pattern, &result);
    FcChar8* file = nullptr;
    int index = 0;
    if (match && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
      FcPatternGetInteger(match, FC_INDEX, 0, &index);
      if (FT_New_Face(library, reinterpret_cast<const char*>(file), index, &face) != 0 ||
          !FT_IS_SCALABLE(face)) {
        if (face) FT_Done_Face(face);
        face = nullptr;
      }
    }
    if (match) FcPatternDestroy(match);
    FcPatternDestroy(pattern);
  }
  faces.emplace(key, face);
  return face;
}

// The face at the font's size: a negative height is the character height, a
// positive one the cell height (ascent plus descent).
FT_Face FontEngine::State::Sized(const LOGFONT& font) {
  if (font.lfHeight == 0) return nullptr;
  FT_Face face = Find({font.lfFaceName, font.lfWeight >= FW_BOLD, font.lfItalic != 0});
  if (!face) return nullptr;
  double em = std::abs(static_cast<double>(font.lfHeight));
  if (font.lfHeight > 0 && face->ascender - face->descender > 0)
    em = em * face->units_per_EM / (face->ascender - face->descender);
  if (em < 1.0) return nullptr;
  if (FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(std::lround(em * 64)), 72, 72) != 0) return nullptr;
  return face;
}

bool FontEngine::Metrics(const LOGFONT& font, FontMetrics& out) {
  std::lock_guard guard(m_state->lock);
  FT_Face face = m_state->Sized(font);
  if (!face) return false;
  const FT_Size_Metrics& m = face->size->metrics;
  out.ascent = Round26(m.ascender);
  out.descent = Round26(-m.descender);
  const double unitsToPixels = static_cast<double>(m.y_ppem) / face->units_per_EM;
  out.underlineThickness =
      std::max(1, static_cast<int>(std::lround(face->underline_thickness * unitsToPixels)));
  out.underlinePosition = static_cast<int>(std::lround(-face->underline_position * unitsToPixels));
  return true;
}

bool FontEngine::Advances(const LOGFONT& font, std::u32string_view text, std::vector<int>& out) {
  std::lock_guard guard(m_state->lock);
  out.assign(text.size(), 0);
  FT_Face face = m_state->Sized(font);
  if (!face) return false;
  FT_Set_Transform(face, nullptr, nullptr);
  for (size_t i = 0; i < text.size(); ++i)
    if (FT_Load_Glyph(face, FT_Get_Char_Index(face, text[i]), FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) == 0)
      out[i] = Round26(face->glyph->advance.x);
  return true;
}

void FontEngine::Render(const LOGFONT& font, std::u32string_view text, const std::vector<int>& advances,
                        double x, double y, double angle, const InkPlot& plot) {
  std::lock_guard guard(m_state->lock);
  FT_Face face = m_state->Sized(font);
  if (!face || advances.size() != text.size()) return;
  // FreeType's y grows upwards: a counter-clockwise turn on the screen is one there too.
  const double c = std::cos(angle), s = std::sin(angle);
  FT_Matrix turn{
      static_cast<FT_Fixed>(std::lround(c * 65536)), static_cast<FT_Fixed>(std::lround(-s * 65536)),
      static_cast<FT_Fixed>(std::lround(s * 65536)), static_cast<FT_Fixed>(std::lround(c * 65536))};
  const double originX = std::floor(x), originY = std::floor(y);
  double pen = 0;
  for (size_t i = 0; i < text.size(); pen += advances[i], ++i) {
    FT_Vector delta{static_cast<FT_Pos>(std::lround((x - originX + c * pen) * 64)),
                    static_cast<FT_Pos>(std::lround((-(y - originY) + s * pen) * 64))};
    FT_Set_Transform(face, &turn, &delta);
    if (FT_Load_Glyph(face, FT_Get_Char_Index(face, text[i]), FT_LOAD_RENDER | FT_LOAD_NO_BITMAP) != 0)
      continue;
    const FT_GlyphSlot glyph = face->glyph;
    const FT_Bitmap& bitmap = glyph->bitmap;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) continue;
    const int left = static_cast<int>(originX) + glyph->bitmap_left,
              top = static_cast<int>(originY) - glyph->bitmap_top;
    for (unsigned row = 0; row < bitmap.rows; ++row) {
      const unsigned char* line = bitmap.buffer + static_cast<ptrdiff_t>(row) * bitmap.pitch;
      for (unsigned col = 0; col < bitmap.width; ++col)
        if (line[col]) plot(left + static_cast<int>(col), top + static_cast<int>(row), line[col]);
    }
  }
  FT_Set_Transform(face, nullptr, nullptr);
}
