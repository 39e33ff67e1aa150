// Scheme documents: files written back byte for byte, changes that read back as made, refusals
// that leave the document as it was, and saving that never damages the old file.
#include "model/scheme_document.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include "model/cp1251.h"
#include "model/element_kinds.h"
#include "model/scheme_error.h"
#include "support/scratch_dir.h"

namespace lumi {
namespace {

namespace fs = std::filesystem;

std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A source, a flat mirror and a focal plane, with comments, text right of the fields and a blank
// line, in the given line end.
std::string small_scheme(const std::string& end) {
  const char* lines[] = {
      "C a scheme", " -50. 550.-100. 250.   header", "        11        10   source",
      "                100.   W", "                100.   H", "0", "0", "0", "C between slots",
      "                  21", "21", "0.55", "0.55", "1", "", "! the mirror",
      "        31         5", "40.", "40.", "300.", "0.", "45.",
      "62                 8   plane (left)",
      "10", "10", "300", "200", "90", "-4", "4", "1", "after the end",
  };
  std::string text;
  for (const char* line : lines) text += std::string(line) + end;
  return text;
}

std::string refusal(const std::function<void()>& change) {
  try {
    change();
  } catch (const SchemeError& e) {
    return e.what();
  }
  return "";
}

TEST(SchemeDocument, WritesBackEveryReadableFileByteForByte) {
  std::vector<std::string> files = {small_scheme("\n"), small_scheme("\r\n"), small_scheme("\r"),
                                    "\xEF\xBB\xBF" + small_scheme("\n"),
                                    small_scheme("\n").substr(0, small_scheme("\n").size() - 1)};
  files.push_back(cp1251_to_utf8(small_scheme("\r\n") + "\xD1 comment in code page 1251\n"));
  for (const fs::path& dir :
       {fs::path(std::getenv("LUMI_EXAMPLES")), fs::path(LUMI_FUZZ_CORPUS_DIR)}) {
    for (const auto& entry : fs::directory_iterator(dir)) {
      if (entry.is_regular_file()) files.push_back(slurp(entry.path()));  // not examples/python
    }
  }
  ASSERT_GT(files.size(), 15u);
  for (const std::string& bytes : files) {
    EXPECT_EQ(SchemeDocument::parse(bytes, "s.ops").bytes(), bytes);
  }
}

TEST(SchemeDocument, ChangedValueGoesIntoItsOwnFieldAndReadsBack) {
  SchemeDocument doc = SchemeDocument::parse(small_scheme("\r\n"), "s.ops");
  doc.set_slot(1, 3, 47.5f);
  doc.set_slot(2, 7, 0.125f);   // a left-aligned field stays left-aligned
  doc.set_slot(3, 1, 62.0f);    // the same value written again
  doc.set_header(1, 600.0f);
  const std::string bytes = doc.bytes();
  EXPECT_NE(bytes.find("\r\n                47.5   W\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("\r\n0.125\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("\r\n62                 8   plane (left)\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("\r\n -50.  600-100. 250.   header\r\n"), std::string::npos);
  const SchemeDocument again = SchemeDocument::parse(bytes, "s.ops");
  EXPECT_EQ(again.element(1).slot(3), 47.5f);
  EXPECT_EQ(again.element(2).slot(7), 0.125f);
  EXPECT_EQ(again.file().x_max, 600.0f);
}

TEST(SchemeDocument, RefusedChangesLeaveTheDocumentAsItWas) {
  SchemeDocument doc = SchemeDocument::parse(small_scheme("\n"), "s.ops");
  const std::string before = doc.bytes();
  EXPECT_EQ(refusal([&] { doc.set_slot(2, 4, -1.0f); }),
            "s.ops, строка 17: элемент 2 (плоское зеркало), ячейка 4 (H) = -1: размер должен "
            "быть больше нуля");
  EXPECT_NE(refusal([&] { doc.set_header(0, -12345.0f); }).find("шириной 5 колонок"),
            std::string::npos);
  EXPECT_NE(refusal([&] { doc.set_slot(2, 1, 62.0f); }).find("только у последнего"),
            std::string::npos);
  EXPECT_NE(refusal([&] { doc.set_on(3, false); }).find("завершать схему"), std::string::npos);
  EXPECT_NE(refusal([&] { doc.set_slot(2, 8, 1.0f); }).find("нет ячейки 8"), std::string::npos);
  EXPECT_NE(refusal([&] { doc.set_slot(1, 3, INFINITY); }), "");
  EXPECT_NE(refusal([&] { doc.remove(1); }).find("первым элементом"), std::string::npos);
  EXPECT_EQ(doc.bytes(), before);
}

TEST(SchemeDocument, ParameterCountAddsAndTakesAwayLines) {
  SchemeDocument doc = SchemeDocument::parse(small_scheme("\n"), "s.ops");
  doc.set_slot(2, 2, 7.0f);
  EXPECT_EQ(doc.element(2).parameter_count(), 7);
  EXPECT_EQ(doc.element(3).slot(3), 10.0f);
  doc.set_slot(2, 2, 5.0f);
  EXPECT_EQ(doc.bytes(), small_scheme("\n"));
}

// Lines added at the very end of a file whose last line has no line end, behind a UTF-8 byte
// order mark with nothing but ASCII after it: the file keeps ending without one, and the new
// lines' text is UTF-8.
TEST(SchemeDocument, LinesAddedAtTheEndTakeTheFilesOwnForm) {
  std::string text = small_scheme("\r\n");
  text.erase(text.rfind("after the end"));
  text.erase(text.size() - 2);
  SchemeDocument doc = SchemeDocument::parse("\xEF\xBB\xBF" + text, "s.ops");
  doc.set_slot(3, 2, 10.0f);
  const std::string bytes = doc.bytes();
  text.replace(text.find("62                 8"), 20, "62                10");
  EXPECT_TRUE(bytes.starts_with("\xEF\xBB\xBF" + text + "\r\n"));
  EXPECT_FALSE(bytes.ends_with("\n"));
  EXPECT_TRUE(is_valid_utf8(bytes));
  EXPECT_EQ(SchemeDocument::parse(bytes, "s.ops").element(3).parameter_count(), 10);
}

TEST(SchemeDocument, InsertRemoveAndMoveKeepTheRestOfTheFile) {
  const std::string original = small_scheme("\r\n");
  SchemeDocument doc = SchemeDocument::parse(original, "s.ops");
  doc.insert(2, 21);
  ASSERT_EQ(doc.count(), 4);
  EXPECT_EQ(doc.element(2).code(), 21.0f);
  EXPECT_EQ(doc.element(2).slot(4), 250.0f);  // Xo in the middle of the window
  EXPECT_EQ(doc.element(3).code(), 31.0f);
  const std::string inserted = doc.bytes();
  EXPECT_NE(inserted.find("\r\n        21         4   \xEA\xF0\xF3"), std::string::npos)
      << "new lines in the file's line ends and code page";
  doc.move(2, 3);
  EXPECT_EQ(doc.element(2).code(), 31.0f);
  EXPECT_EQ(doc.element(3).code(), 21.0f);
  doc.move(3, 2);
  EXPECT_EQ(doc.bytes(), inserted);
  doc.remove(2);
  EXPECT_EQ(doc.bytes(), original);
}

TEST(SchemeDocument, SavingReplacesTheFileWholeOrNotAtAll) {
  const test::ScratchDir scratch("lumi-document-save");
  const fs::path& dir = scratch.path();
  const std::string path = (dir / "s.ops").string();
  SchemeDocument doc = SchemeDocument::parse(small_scheme("\n"), path);
  doc.save(path);
  EXPECT_EQ(slurp(path), small_scheme("\n"));

  doc.set_slot(2, 5, 301.0f);
  fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
  if (::access(dir.c_str(), W_OK) != 0) {  // root writes anywhere
    EXPECT_NE(refusal([&] { doc.save(path); }).find(path + ": не удалось записать файл"),
              std::string::npos);
    EXPECT_EQ(slurp(path), small_scheme("\n"));
  }
  fs::permissions(dir, fs::perms::owner_all);
  doc.save(path);
  EXPECT_EQ(SchemeDocument::read(path).element(2).slot(5), 301.0f);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);

  const fs::path link = dir / "link.ops";  // saved through a link: the file it names is saved
  fs::create_symlink("s.ops", link);
  doc.set_slot(2, 5, 302.0f);
  doc.save(link.string());
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(SchemeDocument::read(path).element(2).slot(5), 302.0f);
}

}  // namespace
}  // namespace lumi

namespace lumi {
namespace {

// The kind table's initial records meet the checks, and the names in the checks' messages are the
// table's: a kind added to one and not the other shows here.
TEST(SchemeDocument, EveryKindInsertedFromItsInitialRecordIsAcceptedAndReadsBack) {
  const SchemeDocument doc = SchemeDocument::parse(small_scheme("\n"), "s.ops");
  for (const ElementKind& kind : element_kinds()) {
    if (kind.code == 61 || kind.code == 62) continue;
    SchemeDocument changed = doc;
    changed.insert(2, kind.code);
    const ElementRecord& added = changed.element(2);
    EXPECT_EQ(added.parameter_count(), kind.initial_count) << kind.code;
    if (kind.xo_slot > 0) {
      EXPECT_EQ(added.slot(kind.xo_slot), 250.0f) << kind.code;
    }
    EXPECT_EQ(SchemeDocument::parse(changed.bytes(), "s.ops").file().count, 4) << kind.code;
  }
  SchemeDocument lens = doc;
  lens.insert(2, 42);
  EXPECT_NE(refusal([&] { lens.set_slot(2, 7, 1.0f); }).find("ячейка 7 (R1) = 1: радиус"),
            std::string::npos);
  EXPECT_EQ(describe_slot(lens.element(2), 13).name, "λ2");
}

}  // namespace
}  // namespace lumi
