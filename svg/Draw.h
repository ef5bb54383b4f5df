// Draw.h: element writers shared between the line and pad entry points.
#pragma once

#include <cstdint>

#include "../host/DrvConf.h"

// The four quarters of a full circle, in drawing order.
constexpr int32_t Quarters[4] = {0, 90, 180, 270};

// One quarter circle, starting at angle Quarter (0, 90, 180 or 270), as a
// cubic Bezier path. CY is in host coordinates; the writer mirrors it. The
// stroke width ArcWidth is brought into force even for a quarter it does not
// draw.
DRV_FUNC void WriteQuarterArc(int32_t CX, int32_t CY, int32_t Radius, int32_t Quarter,
                              int32_t ArcWidth);
// The four quarters in drawing order, byte for byte as four WriteQuarterArc
// calls write them.
DRV_FUNC void WriteCircleArcs(int32_t CX, int32_t CY, int32_t Radius, int32_t ArcWidth);
// One circle of radius Diameter div 2; CY already mirrored.
DRV_FUNC void WriteCircle(int32_t CX, int32_t CY, int32_t Diameter);
