// Finding the font file of a face name through fontconfig. A name counts as found only when the
// match is the face itself or one of the faces fontconfig declares metrically equivalent to it
// (such as a libre face standing in for a commercial one), never an unrelated fallback.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lumi {

struct FaceFile {
  std::string path;
  int index = 0;  // face index inside the file
  std::string family;
};

struct FaceRequest {
  std::string_view family;  // a face name, or a generic one: "serif", "sans-serif", "monospace"
  bool bold = false;
  bool italic = false;
  bool monospace = false;  // only a face with fixed-width glyphs
};

// Names of old code-page variants ("Times New Roman Cyr") fall back to the name without the
// " Cyr" suffix when the full name is not known.
std::optional<FaceFile> resolve_face(const FaceRequest& request);

// How many font faces the system knows.
int count_system_faces();

}  // namespace lumi
