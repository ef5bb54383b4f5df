// CamVsGerbv.h: the comparison of plothost --cam with gerbv's SVG export on
// gerbv's example boards (Debian package gerbv).
#pragma once

#include <string>

// Runs Plothost and gerbv Reps times on each case under Examples and prints
// a table of CPU time, peak memory and SVG size. Returns 0, or 1 when the
// examples are missing or plothost failed.
int RunCamVsGerbv(const std::string& Plothost, const std::string& Examples, int Reps);
