// The hit table as CSV text, numbers in their shortest round-trip form.
#include "output/hit_table.h"

#include <cstdio>

#include "output/numbers.h"

namespace lumi {

std::string hits_csv(const std::vector<HitRow>& rows) {
  std::string out = "ray,u,v,wavelength,state\n";
  out.reserve(out.size() + rows.size() * 48);
  for (const HitRow& r : rows) {
    out += std::to_string(r.ray);
    out += ',';
    append_number(out, r.u);
    out += ',';
    append_number(out, r.v);
    out += ',';
    append_number(out, r.wavelength);
    out += r.passed ? ",passed\n" : ",stopped\n";
  }
  return out;
}

std::string hits_file_name(int k) {
  char name[32];
  std::snprintf(name, sizeof name, "hits-%02d.csv", k);
  return name;
}

}  // namespace lumi
