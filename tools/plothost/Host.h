// Host.h: what the host does with a loaded driver: replay calls, show its
// descriptor and parameters, ask for the layer order, make the demo board.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "Driver.h"
#include "Journal.h"

// Checks the calls against what the loaded driver publishes: every Aperture
// line must name a record of its table. Adds "NAME:LINE: ..." messages.
// Returns false when the driver has no table at all and an Aperture line
// needs one (a driver failure rather than a journal error).
bool CheckCalls(const std::vector<Call>& Calls, const Driver& D, const std::string& Name,
                std::vector<std::string>& JournalErrors, std::string& DriverError);

// Makes the calls, in order. Output goes through the write callback that
// each OpenEquip hands over.
void Replay(const std::vector<Call>& Calls, const Driver& D);

// The descriptor and the parameters as a host shows them to its user.
void Describe(const Driver& D, FILE* To);

// The layer plotting order, position by position, as LayerOrdering answers.
void PrintLayers(const Driver& D, FILE* To);

// Layers 0 to 25 in the order the driver asks them to be plotted, each once.
std::vector<int32_t> PlottingOrder(const Driver& D);

// The built-in demo board: apertures, then one document whose layers follow
// the driver's plotting order.
std::vector<Call> DemoBoard(const Driver& D);
