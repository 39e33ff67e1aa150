// Face look-up with fontconfig.
#include "platform/raster/font_resolver.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <memory>

namespace lumi {

namespace {

struct PatternDeleter {
  void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
using PatternPtr = std::unique_ptr<FcPattern, PatternDeleter>;

const FcChar8* fc_text(const std::string& s) { return reinterpret_cast<const FcChar8*>(s.c_str()); }

bool is_generic(std::string_view family) {
  static constexpr std::array<std::string_view, 7> kGeneric = {
      "serif", "sans-serif", "sans", "monospace", "mono", "cursive", "fantasy"};
  const auto same_letter = [](unsigned char a, unsigned char b) {
    return std::tolower(a) == std::tolower(b);
  };
  return std::ranges::any_of(kGeneric, [&](std::string_view generic) {
    return std::ranges::equal(family, generic, same_letter);
  });
}

// True when one of the match's family names is among the names the request binds strongly:
// the requested name and the aliases the configuration marks as its equivalents. The weakly
// bound rest of the list is generic fallback.
bool matches_request(FcPattern* substituted, FcPattern* match) {
  FcChar8* found = nullptr;
  for (int m = 0; FcPatternGetString(match, FC_FAMILY, m, &found) == FcResultMatch; ++m) {
    FcValue value;
    FcValueBinding binding;
    for (int r = 0;
         FcPatternGetWithBinding(substituted, FC_FAMILY, r, &value, &binding) == FcResultMatch;
         ++r) {
      if (binding != FcValueBindingWeak && value.type == FcTypeString &&
          FcStrCmpIgnoreCase(value.u.s, found) == 0) {
        return true;
      }
    }
  }
  return false;
}

std::optional<FaceFile> resolve_family(const std::string& family, const FaceRequest& request) {
  PatternPtr pattern(FcPatternCreate());
  if (!pattern) return std::nullopt;
  FcPatternAddString(pattern.get(), FC_FAMILY, fc_text(family));
  FcPatternAddInteger(pattern.get(), FC_WEIGHT, request.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern.get(), FC_SLANT, request.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
  if (request.monospace) FcPatternAddInteger(pattern.get(), FC_SPACING, FC_MONO);
  if (!FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern)) return std::nullopt;
  FcDefaultSubstitute(pattern.get());

  FcResult result = FcResultNoMatch;
  PatternPtr match(FcFontMatch(nullptr, pattern.get(), &result));
  if (!match || result != FcResultMatch) return std::nullopt;
  if (!is_generic(family) && !matches_request(pattern.get(), match.get())) return std::nullopt;
  int spacing = FC_PROPORTIONAL;
  FcPatternGetInteger(match.get(), FC_SPACING, 0, &spacing);
  if (request.monospace && spacing != FC_MONO) return std::nullopt;

  FcChar8* file = nullptr;
  FcChar8* found_family = nullptr;
  if (FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch) return std::nullopt;
  FaceFile face;
  face.path = reinterpret_cast<const char*>(file);
  FcPatternGetInteger(match.get(), FC_INDEX, 0, &face.index);
  if (FcPatternGetString(match.get(), FC_FAMILY, 0, &found_family) == FcResultMatch) {
    face.family = reinterpret_cast<const char*>(found_family);
  }
  return face;
}

// fontconfig's configuration lives until the process ends; releasing it then keeps leak checkers
// quiet.
bool init_fontconfig() {
  static const bool ok = [] {
    if (FcInit() != FcTrue) return false;
    std::atexit([] { FcFini(); });
    return true;
  }();
  return ok;
}

}  // namespace

std::optional<FaceFile> resolve_face(const FaceRequest& request) {
  if (!init_fontconfig()) return std::nullopt;
  std::string family(request.family.empty() ? std::string_view("serif") : request.family);
  if (auto face = resolve_family(family, request)) return face;
  constexpr std::string_view kCodePageSuffix = " Cyr";
  if (family.size() > kCodePageSuffix.size() && family.ends_with(kCodePageSuffix)) {
    family.resize(family.size() - kCodePageSuffix.size());
    return resolve_family(family, request);
  }
  return std::nullopt;
}

int count_system_faces() {
  if (!init_fontconfig()) return 0;
  PatternPtr pattern(FcPatternCreate());
  FcObjectSet* objects = FcObjectSetBuild(FC_FILE, FC_INDEX, nullptr);
  FcFontSet* set = FcFontList(nullptr, pattern.get(), objects);
  const int count = set ? set->nfont : 0;
  if (set) FcFontSetDestroy(set);
  FcObjectSetDestroy(objects);
  return count;
}

}  // namespace lumi
