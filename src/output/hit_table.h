// The hit tables: hits-KK.csv for element KK, one row per hit its window marked,
// "ray,u,v,wavelength,state" with state "passed" or "stopped".
#pragma once

#include <string>
#include <vector>

#include "tracing/hit_rows.h"

namespace lumi {

std::string hits_csv(const std::vector<HitRow>& rows);
std::string hits_file_name(int k);  // "hits-07.csv"

}  // namespace lumi
