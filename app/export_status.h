#pragma once
#include <cstdint>
#include <string>

#include "app/export_flow.h"
#include "engine/grouped_number.h"

namespace tabulora {

// The status bar while an export runs: "Reading data.json…", "Converting data.json — 45 %", with
// "(file 2 of 5)" in the multiple-files export (`eachFile`).
std::string ProgressText(const ExportProgress& progress, bool eachFile);

// How much of the whole export is done, in thousandths, for the taskbar button.
unsigned ProgressPerMille(const ExportProgress& progress);

// The status bar once an export has ended: what was saved, how big and how fast ("Saved 661,358
// rows × 12 columns to data.csv in 0.9 s"), and any input whose reading stopped early; "Export
// cancelled." after a cancel; empty when a message box tells the outcome.
std::string SummaryText(const ExportResult& result);

}  // namespace tabulora
