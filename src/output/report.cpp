// The JSON report: built as text in one pass over the results, keys in a fixed order.
#include "output/report.h"

#include <cmath>
#include <cstdio>

#include "model/cp1251.h"
#include "model/numeric.h"
#include "output/numbers.h"

namespace lumi {

namespace {

// JSON is UTF-8: a text that is not (a path in another encoding) has each byte beyond ASCII
// written as the replacement character, so the report stays readable.
void append_string(std::string& out, std::string_view text) {
  const bool utf8 = is_valid_utf8(text);
  out += '"';
  for (const char c : text) {
    if (!utf8 && static_cast<unsigned char>(c) >= 0x80) {
      out += "\\ufffd";
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
      out += escape;
    } else {
      out += c;
    }
  }
  out += '"';
}

void append_elements(std::string& out, const Scheme& scheme, const TraceResults& results) {
  out += "  \"elements\": [";
  for (int k = 1; k <= scheme.count; ++k) {
    const float code = scheme.element(k).code();
    out += k == 1 ? "\n" : ",\n";
    out += "    {\"k\": " + std::to_string(k) + ", \"code\": ";
    append_number(out, std::abs(code));
    out += ", \"name\": ";
    append_string(out, kind_name(trunc_to_int(std::abs(code))));
    out += code >= 0.0f ? ", \"on\": true, \"count\": " : ", \"on\": false, \"count\": ";
    const auto i = static_cast<std::size_t>(k - 1);
    const bool counted = i < results.counts.size() && results.counts[i].has_value();
    out += counted ? std::to_string(*results.counts[i]) : "null";
    out += '}';
  }
  out += scheme.count > 0 ? "\n  ],\n" : "],\n";
}

void append_shift(std::string& out, const ShiftStats& s) {
  const std::pair<const char*, double> fields[] = {
      {"{\"d\": ", s.d},       {", \"dx\": ", s.dx}, {", \"dy\": ", s.dy},
      {", \"max\": ", s.max},  {", \"n\": ", static_cast<double>(s.n)},   {", \"cu\": ", s.cu},
      {", \"cz\": ", s.cz},    {", \"rms\": ", s.rms}};
  for (const auto& [key, value] : fields) {
    out += key;
    append_number(out, value);
  }
  out += '}';
}

void append_best(std::string& out, const char* key, const FocusSweep& f, std::optional<int> best) {
  out += key;
  if (best) {
    append_number(out, f.shifts[static_cast<std::size_t>(*best)].d);
  } else {
    out += "null";
  }
}

void append_focal_planes(std::string& out, const TraceResults& results) {
  out += "  \"focal_planes\": [";
  bool first = true;
  for (const FocusSweep& f : results.focus) {
    out += first ? "\n" : ",\n";
    first = false;
    out += "    {\"k\": " + std::to_string(f.k) + ", \"shifts\": [";
    for (std::size_t i = 0; i < f.shifts.size(); ++i) {
      out += i == 0 ? "\n      " : ",\n      ";
      append_shift(out, f.shifts[i]);
    }
    out += f.shifts.empty() ? "]," : "\n    ],";
    append_best(out, "\n     \"best_rms_d\": ", f, f.best_rms);
    append_best(out, ", \"best_max_d\": ", f, f.best_max);
    out += '}';
  }
  out += first ? "]\n" : "\n  ]\n";
}

}  // namespace

std::string report_json(const Scheme& scheme, const TraceResults& results, int rays) {
  std::string out = "{\n  \"format\": \"lumirastra-report\",\n  \"version\": 1,\n  \"scheme\": ";
  append_string(out, scheme.file_name);
  out += ",\n  \"rays\": " + std::to_string(rays) + ",\n";
  append_elements(out, scheme, results);
  append_focal_planes(out, results);
  out += "}\n";
  return out;
}

}  // namespace lumi
