#pragma once

#include <string>

// The table printed at the end of the run: one row per way of failing, one column per file kind.
// `outcome` is "yes", "NO" or "skipped"; a skipped cell says why.
void record_cell(const std::string& fault, const std::string& kind, const std::string& outcome,
                 const std::string& why_skipped);
void print_cell_summary();
