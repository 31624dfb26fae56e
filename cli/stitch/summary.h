// The few lines a finished run prints: arrangement, warnings, skew, crop, time, result.
#pragma once

#include <cstdio>
#include <string>

#include "run_record.h"

namespace tessaly::cli::stitch {

std::string summaryText(const RunRecord& record);

// "a.jpg", "b.jpg (turned 180)": a cell of an arrangement as the summary names it.
std::string cellText(const Arrangement& arrangement, size_t cell);

}  // namespace tessaly::cli::stitch
