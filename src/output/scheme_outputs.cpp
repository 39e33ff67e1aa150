// The report and the hit tables of the last traced scheme, each file written whole.
#include "output/scheme_outputs.h"

#include <system_error>

#include "output/hit_table.h"
#include "model/system_error.h"
#include "model/text_file.h"
#include "output/report.h"

namespace lumi {

namespace {

void write_hit_tables(const Program& program, const std::filesystem::path& dir,
                      std::vector<std::string>& errors) {
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  if (error) {
    errors.push_back("не удалось создать папку " + dir.string() + ": " + system_error_text(error));
    return;
  }
  const TraceResults& results = program.results;
  // One file per element whose window marked hits
  for (std::size_t i = 0; i < results.hits.size(); ++i) {
    const HitRecord& record = results.hits[i];
    if (record.sweep == 0 && record.spare_sweep == 0) continue;
    const int k = static_cast<int>(i) + 1;
    const std::string text = hits_csv(hit_rows(record, program.rays));
    std::string failed = write_text_file(dir / hits_file_name(k), text);
    if (!failed.empty()) errors.push_back(std::move(failed));
  }
}

}  // namespace

OutputRequest request_for_scheme(const OutputRequest& asked, std::size_t schemes,
                                 const std::filesystem::path& folder) {
  if (schemes <= 1) return asked;
  OutputRequest request;
  if (!asked.report.empty()) request.report = folder / asked.report.filename();
  if (!asked.hits_dir.empty()) request.hits_dir = asked.hits_dir / folder.filename();
  return request;
}

std::vector<std::string> write_scheme_outputs(const Program& program,
                                              const OutputRequest& request) {
  std::vector<std::string> errors;
  if (!request.report.empty()) {
    const std::string text = report_json(program.scheme, program.results, program.rays.count);
    std::string failed = write_text_file(request.report, text);
    if (!failed.empty()) errors.push_back(std::move(failed));
  }
  if (!request.hits_dir.empty()) write_hit_tables(program, request.hits_dir, errors);
  return errors;
}

}  // namespace lumi
