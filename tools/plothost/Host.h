// Host.h: what the host does with a loaded driver: replay calls, show its
// descriptor and parameters, ask for the layer order, make the demo board.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "Check.h"
#include "Driver.h"
#include "Journal.h"

// What the driver's descriptor says a journal must fit.
JournalLimits LimitsOf(const Driver& D);

// Checks calls that plothost made up itself against the driver: their
// apertures must lie within its table. False with a message in Error.
bool CheckCalls(const std::vector<Call>& Calls, const Driver& D, std::string& Error);

// Makes one call. Output goes through the write callback that each
// OpenEquip hands over.
void Replay(const Call& C, const Driver& D);

// The descriptor and the parameters as a host shows them to its user.
void Describe(const Driver& D, FILE* To);

// The layer plotting order, position by position, as LayerOrdering answers.
void PrintLayers(const Driver& D, FILE* To);

// Layers 0 to 25 in the order the driver asks them to be plotted, each once.
std::vector<int32_t> PlottingOrder(const Driver& D);

// The built-in demo board: apertures, then one document whose layers follow
// the driver's plotting order.
std::vector<Call> DemoBoard(const Driver& D);
