// The files written from a scheme's results, as a user gets them from lumirastra-trace: the report
// agrees with the log (counts, shifts, spot extents as the log rounds them), its statistics with
// the hit table of the best shift, and two runs write the same bytes.
#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>
#include <vector>

#include "headless/trace_cli_fixture.h"
#include "model/cp1251.h"
#include "model/fixed_format.h"
#include "support/json_reader.h"

namespace lumi::test {
namespace {

const std::string kShiftText =
    " Фок.пл. с автопоиском: dd(смещение Ф.П.),dXmax,dYmax,MAX(dX,dY)=";

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::string> log_lines(const fs::path& path) {
  std::istringstream in(cp1251_to_utf8(read_file(path)));
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// The counts the log prints after the scheme's listing, in element order.
std::vector<int> logged_counts(const std::vector<std::string>& lines) {
  std::vector<int> counts;
  for (const std::string& l : lines) {
    for (const std::string unit : {"  лучей", "  точек"}) {
      if (l.size() > unit.size() + 8 && l.ends_with(unit)) {
        counts.push_back(std::stoi(l.substr(l.size() - unit.size() - 8, 8)));
      }
    }
  }
  return counts;
}

struct HitTable {
  std::vector<double> u, v;
  int stopped = 0;
};

HitTable read_hits(const fs::path& path) {
  std::istringstream in(read_file(path));
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line, "ray,u,v,wavelength,state");
  HitTable t;
  int last_ray = 0;
  while (std::getline(in, line)) {
    std::istringstream row(line);
    std::string ray, u, v, wavelength, state;
    std::getline(row, ray, ',');
    std::getline(row, u, ',');
    std::getline(row, v, ',');
    std::getline(row, wavelength, ',');
    std::getline(row, state);
    EXPECT_GT(std::stoi(ray), last_ray) << "rows in ray order";
    last_ray = std::stoi(ray);
    t.u.push_back(std::stod(u));
    t.v.push_back(std::stod(v));
    EXPECT_TRUE(state == "passed" || state == "stopped") << line;
    t.stopped += state == "stopped";
  }
  return t;
}

// The shift's statistics against a two-pass computation over its hits.
void expect_stats_of(const Json& shift, const HitTable& hits) {
  const double n = static_cast<double>(hits.u.size());
  ASSERT_EQ(shift["n"].number, n);
  double su = 0.0, sv = 0.0;
  for (std::size_t i = 0; i < hits.u.size(); ++i) su += hits.u[i], sv += hits.v[i];
  const double cu = su / n, cz = sv / n;
  double sq = 0.0;
  for (std::size_t i = 0; i < hits.u.size(); ++i) {
    sq += (hits.u[i] - cu) * (hits.u[i] - cu) + (hits.v[i] - cz) * (hits.v[i] - cz);
  }
  const double rms = std::sqrt(sq / n);
  const double scale = rms + std::abs(cu) + std::abs(cz);
  EXPECT_NEAR(shift["cu"].number, cu, 1e-12 * scale);
  EXPECT_NEAR(shift["cz"].number, cz, 1e-12 * scale);
  EXPECT_NEAR(shift["rms"].number, rms, 1e-9 * scale);
}

// The shifts' lines of the log, rebuilt from the report, and the best focus by both measures.
void expect_shifts_as_logged(const Json& plane, const std::vector<std::string>& lines) {
  std::vector<std::string> logged, rebuilt;
  for (const std::string& l : lines) {
    if (l.starts_with(kShiftText)) logged.push_back(l);
  }
  double best_rms = std::numeric_limits<double>::infinity();
  double best_max = best_rms;
  const Json* best_rms_shift = nullptr;
  for (const Json& s : plane["shifts"].items) {
    FixedText line(kShiftText);
    for (const char* key : {"d", "dx", "dy", "max"}) {
      const double v = s[key].number;
      EXPECT_EQ(static_cast<double>(static_cast<float>(v)), v) << "single precision, as logged";
      line.f(static_cast<float>(v), 10, 4);
    }
    rebuilt.emplace_back(line.view());
    if (s["n"].number > 0 && s["rms"].number < best_rms) {
      best_rms = s["rms"].number;
      best_rms_shift = &s;
    }
    if (s["n"].number > 0 && s["max"].number < best_max) best_max = s["max"].number;
  }
  EXPECT_EQ(rebuilt, logged);
  ASSERT_NE(best_rms_shift, nullptr);
  EXPECT_EQ(plane["best_rms_d"].number, (*best_rms_shift)["d"].number);
  for (const Json& s : plane["shifts"].items) {
    if (s["max"].number == best_max) {
      EXPECT_EQ(plane["best_max_d"].number, s["d"].number);
      break;
    }
  }
}

TEST_F(TraceCli, ReportAgreesWithTheLogAndTheBestShiftsHitTable) {
  for (const std::string name : {"singlet", "newton-telescope", "grating-spectrograph",
                                 "all-elements"}) {
    SCOPED_TRACE(name);
    const fs::path o = out(name);
    const std::string scheme = example(name + ".ops");
    ASSERT_EQ(trace("--out " + o.string() + " --report " + (o / "r.json").string() + " --hits " +
                    (o / "h").string() + " " + scheme).status, 0);
    const Json report = JsonReader::parse(read(o / "r.json"));
    EXPECT_EQ(report.keys, (std::vector<std::string>{"format", "version", "scheme", "rays",
                                                     "elements", "focal_planes"}));
    EXPECT_EQ(report["format"].text, "lumirastra-report");
    EXPECT_EQ(report["version"].number, 1.0);
    EXPECT_EQ(report["scheme"].text, scheme);

    const std::vector<std::string> lines = log_lines(o / kLog);
    std::vector<int> counts;
    for (const Json& e : report["elements"].items) {
      if (!e["count"].is_null()) counts.push_back(static_cast<int>(e["count"].number));
    }
    EXPECT_EQ(counts, logged_counts(lines));
    EXPECT_EQ(report["rays"].number, counts.at(0));  // every example starts with its source

    // Every other element with a window has a table with a row for each ray it counted (the lens
    // counts the rays out of its second surface, its table has the first surface's hits too)
    for (const Json& e : report["elements"].items) {
      char file[32];
      std::snprintf(file, sizeof file, "hits-%02d.csv", static_cast<int>(e["k"].number));
      const double code = e["code"].number;
      if (e["count"].is_null() || code == 11 || code == 62 || code == 42) continue;
      EXPECT_EQ(static_cast<double>(read_hits(o / "h" / file).u.size()), e["count"].number)
          << file;
    }

    for (const Json& plane : report["focal_planes"].items) {
      expect_shifts_as_logged(plane, lines);
      char file[32];
      std::snprintf(file, sizeof file, "hits-%02d.csv", static_cast<int>(plane["k"].number));
      for (const Json& s : plane["shifts"].items) {
        if (s["d"].number == plane["best_rms_d"].number) {
          expect_stats_of(s, read_hits(o / "h" / file));
          break;
        }
      }
    }
  }
}

TEST_F(TraceCli, ReportsOfTwoRunsAreTheSameBytesAndSeveralSchemesGetOneEach) {
  const std::string singlet = example("singlet.ops");
  ASSERT_EQ(trace("--out " + out("a").string() + " --report " + out("a.json").string() + " " +
                  singlet).status, 0);
  ASSERT_EQ(trace("--out " + out("b").string() + " --report " + out("b.json").string() + " " +
                  singlet).status, 0);
  EXPECT_EQ(read(out("a.json")), read(out("b.json")));
  EXPECT_FALSE(read(out("a.json")).empty());

  ASSERT_EQ(trace("--out " + out("m").string() + " --report r.json --hits " +
                  out("h").string() + " " + singlet + " " +
                  example("newton-telescope.ops")).status, 0);
  EXPECT_EQ(read(out("m") / "singlet" / "r.json").size(), read(out("a.json")).size());
  EXPECT_TRUE(fs::exists(out("m") / "newton-telescope" / "r.json"));
  EXPECT_TRUE(fs::exists(out("h") / "newton-telescope" / "hits-04.csv"));
  EXPECT_TRUE(fs::exists(out("h") / "singlet" / "hits-03.csv"));

  // A report that cannot be written fails the run with a message
  const TraceRun bad = trace("--out " + out("c").string() + " --report " +
                             (out("missing") / "r.json").string() + " " + singlet);
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.err.find("r.json"), std::string::npos) << bad.err;
}

TEST_F(TraceCli, FocusChartIsOneMoreImageAndLeavesTheWindowsAsTheyWere) {
  const std::string singlet = example("singlet.ops");
  ASSERT_EQ(trace("--out " + out("plain").string() + " " + singlet).status, 0);
  ASSERT_EQ(trace("--out " + out("chart").string() + " " + singlet).status, 0);
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(out("chart"))) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"focus-03.png", "window-01.png", "window-02.png",
                                             "window-03.png", kLog}));
  for (const std::string name : {"window-01.png", "window-02.png", "window-03.png", kLog.c_str()}) {
    EXPECT_EQ(read_file(out("plain") / name), read_file(out("chart") / name)) << name;
  }
}

}  // namespace
}  // namespace lumi::test
