// Layers.h: the default host layer of a CAM file.
#pragma once

#include <cstdint>
#include <string>

namespace cam {

// The host layer for an X2 FileFunction value ("Copper,L1,Top"), or -1.
int32_t LayerByFunction(const std::string& FileFunction);
// The host layer by the file-name conventions of the common CAD tools, or -1.
int32_t LayerByName(const std::string& Path);
// The table as --layers-map prints it.
const char* LayersMapText();

}  // namespace cam
