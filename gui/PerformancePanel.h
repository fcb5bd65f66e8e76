// The timing panel: a text line per section with its average duration and
// share of the frame budget, and a timeline one frame budget wide on which
// each section is a bar from its average begin to its average end.
#pragma once

#include "gui/PerformanceMarker.h"
#include "platform/d3d9/d3d9.h"

class KvDX9Template;

constexpr int kPanelSections = 2;

// Section i's bar colour: entry i mod 8 of the palette, alpha 0.5.
D3DCOLOR PerformanceBarColour(int section);
// The bar colour brightened by 1.2 and made opaque, for the text line.
D3DCOLOR PerformanceTextColour(int section);

// Draws sections 0 and 1 of the marker. The frame budget is the framework's
// target frame period; the panel's width stands for one budget. Sets the
// pre-transformed vertex format and no texture for the rectangles.
void DrawPerformancePanel(KvDX9Template& framework, const PerformanceMarker& marker,
                          const char* const sectionNames[kPanelSections],
                          const float panelPosition[2], const float panelSize[2],
                          const float textPosition[2]);
