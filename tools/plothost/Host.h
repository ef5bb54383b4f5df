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

// --only-layers: a host that plots only the layers its user chose makes no
// OpenLayer, and no drawing call, for the others. Configuration calls and
// the documents themselves pass.
struct LayerFilter {
  bool Active = false;
  bool Wanted[26] = {};
  bool Skipping = false;  // inside a layer that is left out
};

// "0,3,22-24": layer numbers and ranges from 0 to 25. False when Text is
// not such a list.
bool ParseLayerList(const std::string& Text, LayerFilter& F);

// Whether C is made under F; follows the document's OpenLayer calls.
bool Passes(LayerFilter& F, const Call& C);

// The descriptor and the parameters as a host shows them to its user.
void Describe(const Driver& D, FILE* To);

// The layer plotting order, position by position, as LayerOrdering answers.
void PrintLayers(const Driver& D, FILE* To);

// Layers 0 to 25 in the order the driver asks them to be plotted, each once.
std::vector<int32_t> PlottingOrder(const Driver& D);

// The built-in demo board: apertures, then one document whose layers follow
// the driver's plotting order.
std::vector<Call> DemoBoard(const Driver& D);
