// CamVsGerbv.h: the comparison of plothost --cam with gerbv's SVG export on
// gerbv's example boards (Debian package gerbv), and on the whole boards
// with tracespace's gerber-to-svg and pcb-stackup (npm).
#pragma once

#include <string>

// Runs Plothost and gerbv Reps times on each case under Examples, and on
// whole boards gerber-to-svg and pcb-stackup where npm installed them into
// Npm (node runs Scripts/tracespace-svg.js and stackup-svg.js), and prints a
// table of CPU time, peak memory and SVG size with the peers' ratios to
// ours; rows of a peer that is missing say "not installed". Returns 0, or 1
// when the examples are missing or plothost failed.
int RunCamVsGerbv(const std::string& Plothost, const std::string& Examples, const std::string& Npm,
                  const std::string& Scripts, int Reps);
