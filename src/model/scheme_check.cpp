// Whole-scheme checks made before anything is drawn or traced: a drawing rectangle and element
// sizes the views can map, geometry whose square roots and arc sines exist, and work bounded by
// the ray bundle's capacity and a sane number of focal-plane shifts.
#include "model/scheme_check.h"

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "model/element_kinds.h"
#include "model/scheme_error.h"
#include "model/scheme_text.h"

namespace lumi {

namespace {

bool is_kind(const ElementRecord& record, float kind) { return std::fabs(record.code()) == kind; }

class Checker {
 public:
  Checker(const SchemeFile& file, std::string_view label, std::span<const SlotOrigin> origins)
      : file_(file), label_(label), origins_(origins) {}

  void header() const {
    if (!(file_.x_min < file_.x_max)) {
      fail_header("x минимум " + shortest_text(file_.x_min) + " должен быть меньше x максимума " +
                  shortest_text(file_.x_max));
    }
    if (!(file_.y_min < file_.y_max)) {
      fail_header("y минимум " + shortest_text(file_.y_min) + " должен быть меньше y максимума " +
                  shortest_text(file_.y_max));
    }
  }

  void element(int k, const ElementRecord& record) {
    k_ = k;
    record_ = &record;
    if (k == 1 && !is_kind(record, code::kSource)) {
      fail(1, "первым элементом схемы должен быть источник (код 11 или -11)");
    }
    if (is_kind(record, code::kOuterDiaphragm) || is_kind(record, code::kInnerDiaphragm) ||
        is_kind(record, code::kIdealLens)) {
      positive_size(3);
    } else if (is_kind(record, code::kRectDiaphragm) || is_kind(record, code::kFlatMirror) ||
               is_kind(record, code::kGrating)) {
      positive_size(3);
      positive_size(4);
    } else if (is_kind(record, code::kSphericalMirror)) {
      spherical_mirror();
    } else if (is_kind(record, code::kSphericalLens)) {
      positive_size(3);
      radius_holds(7, 3);
      radius_holds(8, 3);
    } else if (is_kind(record, code::kCylindricalLens)) {
      finite(3);
      radius_holds(9, 3);
      radius_holds(10, 3);
    } else if (is_kind(record, code::kFocalPlane)) {
      positive_size(3);
      positive_size(4);
      if (record.code() == code::kFocalPlane) shifts();
    }
    if (record.code() == code::kSource) rays();
  }

 private:
  float value(int slot) const { return record_->slot(slot); }
  std::string name(int slot) const { return describe_slot(*record_, slot).name; }

  [[noreturn]] void fail_header(const std::string& fault) const {
    throw SchemeError(std::string(label_) + ", строка " + std::to_string(file_.header_line) +
                      ": заголовок схемы: " + fault);
  }

  // Where the fault's values come from: the override that set one of `slots`, else the element's
  // line in the file.
  std::string where(std::initializer_list<int> slots) const {
    for (const SlotOrigin& origin : origins_) {
      for (int slot : slots) {
        if (origin.k == k_ && origin.slot == slot) return origin.where;
      }
    }
    return "строка " + std::to_string(file_.lines[static_cast<std::size_t>(k_ - 1)]);
  }

  // "<file>, <where>: элемент k (вид)" and the fault.
  [[noreturn]] void fail_element(std::initializer_list<int> slots, const std::string& fault) const {
    throw SchemeError(std::string(label_) + ", " + where(slots) + ": элемент " +
                      std::to_string(k_) + " (" +
                      std::string(kind_name(trunc_to_int(std::fabs(record_->code())))) + ")" +
                      fault);
  }

  [[noreturn]] void fail(int slot, const std::string& fault, int other_slot = 0) const {
    fail_element({slot, other_slot}, ", ячейка " + std::to_string(slot) + " (" + name(slot) +
                                         ") = " + shortest_text(value(slot)) + ": " + fault);
  }

  void finite(int slot) const {
    if (!std::isfinite(value(slot))) fail(slot, "значение должно быть конечным числом");
  }

  void positive_size(int slot) const {
    finite(slot);
    if (!(value(slot) > 0.0f)) fail(slot, "размер должен быть больше нуля");
  }

  // A curved surface (radius slot ≠ 0) must span the diameter or width in `size_slot`:
  // |size| ≤ 2|R|, or the cap's square root and arc sine have no value.
  void radius_holds(int slot, int size_slot) {
    finite(slot);
    const double radius = value(slot);
    const double size = value(size_slot);
    if (radius != 0.0 && std::fabs(size) > 2.0 * std::fabs(radius)) {
      fail(slot,
           "радиус кривизны меньше половины размера " + name(size_slot) + " = " +
               shortest_text(value(size_slot)) + " (ячейка " + std::to_string(size_slot) + ")",
           size_slot);
    }
  }

  void spherical_mirror() {
    positive_size(3);
    radius_holds(7, 3);
    if (record_->parameter_count() > 5) {
      finite(8);
      radius_holds(7, 8);
    }
  }

  void rays() const {
    const bool fan = value(2) == 16.0f;
    std::vector<int> counts = {8, 9, 12};
    if (fan) counts.insert(counts.begin(), {15, 18});
    for (int slot : counts) finite(slot);

    const long long n = source_ray_count(*record_);
    if (n <= kMaxRays) return;
    std::string product, slots;
    for (int slot : counts) {
      product += (product.empty() ? "" : " × ") + name(slot) + " " +
                 std::to_string(trunc_to_int(value(slot)));
      slots += (slots.empty() ? "" : ", ") + std::to_string(slot);
    }
    fail_element({8, 9, 12, 15, 18}, ": " + product + " (ячейки " + slots + ") дают больше " +
                 std::to_string(kMaxRays) + " лучей (" + std::to_string(n) + ")");
  }

  void shifts() const {
    finite(8);
    finite(9);
    finite(10);
    const long long n = focal_plane_shift_count(*record_);
    const bool unbounded = n == std::numeric_limits<long long>::max();
    if (n <= kMaxShifts && !unbounded) return;
    fail_element({8, 9, 10},
                 ": смещения от " + name(8) + " = " + shortest_text(value(8)) + " до " + name(9) +
                     " = " + shortest_text(value(9)) + " с шагом " + name(10) + " = " +
                     shortest_text(value(10)) + " (ячейки 8, 9, 10) дают больше " +
                     std::to_string(kMaxShifts) + " смещений" +
                     (unbounded ? std::string() : " (" + std::to_string(n) + ")"));
  }

  const SchemeFile& file_;
  std::string_view label_;
  std::span<const SlotOrigin> origins_;
  int k_ = 0;
  const ElementRecord* record_ = nullptr;
};

void check_records(const SchemeFile& file, std::string_view label,
                   const std::array<ElementRecord, kMaxElements>& records,
                   std::span<const SlotOrigin> origins) {
  if (file.count < 1) throw SchemeError(std::string(label) + ": в схеме нет элементов");
  Checker checker(file, label, origins);
  checker.header();
  for (int k = 1; k <= file.count; ++k) {
    checker.element(k, records[static_cast<std::size_t>(k - 1)]);
  }
}

// The shift count's quotient (d2 − d1 + h) / h, in single precision like the sweep itself.
float shift_quotient(const ElementRecord& plane) {
  const float d1 = plane.slot(8);
  const float d2 = plane.slot(9);
  float h = plane.slot(10);
  if (h == 0.0f) h = (d2 - d1) * 0.99999f;
  if (h == 0.0f) h = 1.0f;
  return (d2 - d1 + h) / h;
}

}  // namespace

void check_scheme(const SchemeFile& file, std::string_view file_label) {
  check_records(file, file_label, file.elements, {});
}

void check_scheme(const SchemeFile& file, std::string_view file_label, const Scheme& current,
                  std::span<const SlotOrigin> origins) {
  std::array<ElementRecord, kMaxElements> records{};
  for (int k = 1; k <= file.count && k <= kMaxElements; ++k) {
    records[static_cast<std::size_t>(k - 1)] = installed_record(file, k, current.element(k));
  }
  check_records(file, file_label, records, origins);
}

long long source_ray_count(const ElementRecord& source) {
  std::vector<int> factors = {trunc_to_int(source.slot(8)), trunc_to_int(source.slot(9)),
                              trunc_to_int(source.slot(12))};
  if (source.slot(2) == 16.0f) {
    factors.push_back(trunc_to_int(source.slot(15)));
    factors.push_back(trunc_to_int(source.slot(18)));
  }
  for (int f : factors) {
    if (f <= 0) return 0;
  }
  // Saturates instead of overflowing: five factors of up to 2^31 do not fit 64 bits.
  long long product = 1;
  for (int f : factors) {
    if (product > std::numeric_limits<long long>::max() / f) {
      return std::numeric_limits<long long>::max();
    }
    product *= f;
  }
  return product;
}

long long focal_plane_shift_count(const ElementRecord& plane) {
  const float quotient = shift_quotient(plane);
  if (std::isnan(quotient)) return std::numeric_limits<long long>::max();
  constexpr float kLimit = 0x1p62f;
  if (quotient >= kLimit) return std::numeric_limits<long long>::max();
  if (quotient <= -kLimit) return -std::numeric_limits<long long>::max();
  return static_cast<long long>(quotient);
}

}  // namespace lumi
