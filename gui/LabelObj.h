// A line of text centred on its rectangle, with a shadow one pixel right of
// and below it, drawn with the framework's overlay font.
#pragma once

#include "gui/KvGuiBase.h"
#include "platform/d3d9/d3d9.h"

class LabelObj : public KvGuiBase {
public:
    // A label without text draws nothing.
    void Draw() override;

    D3DCOLOR colour = 0xFFFFFFFF;
    // Not owned: the owner keeps the characters alive and may point it
    // elsewhere at any time; the next draw shows whatever it points at.
    const char* text = nullptr;
    D3DCOLOR shadowColour = 0xFF000000;
};
