// A batch's summary.csv: one line per plan row, in plan order, built from the
// rows' run folders (see row_state.hpp), so that the in-process batch and
// `zeplo collect` after GNU parallel or Slurm write the same file.
//
//   name,status,message,nt,dt,unit,pga_in,pga_out,peak_amp,peak_amp_hz,out_min,out_max[,psa_...]
//
// The numbers are run.json's, written as run.json writes them. Report columns
// follow when any run.json holds them (see report_columns in summary.cpp).
#pragma once

#include <string>
#include <vector>

#include "batch_plan.hpp"
#include "row_state.hpp"

namespace zeplo {

// The summary's text for the rows and their states (same order and length).
std::string summary_csv(const std::vector<PlanRow>& rows, const std::vector<RowState>& states);

// Reads every row's state from the batch folder.
std::vector<RowState> row_states(const std::vector<PlanRow>& rows, const std::string& batch_dir);

}  // namespace zeplo
