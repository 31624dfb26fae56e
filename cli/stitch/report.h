// The run's record as the JSON report that --report asks for.
#pragma once

#include <string>

#include "run_record.h"

namespace tessaly::cli::stitch {

std::string reportJson(const RunRecord& record);

// Writes the report through a staged file; throws Failure(WriteFailed).
void writeReport(const std::string& path, const RunRecord& record);

}  // namespace tessaly::cli::stitch
