#include "gui/LabelObj.h"

#include "framework/KvDX9Template.h"

void LabelObj::Draw() {
    KvDX9Template* framework = frameworkInstance;
    if (!text || !framework || !framework->font)
        return;
    // Truncated toward zero; the line's cell is centred on the rectangle.
    LONG left = LONG(x);
    LONG right = LONG(x + w);
    LONG centre = LONG(y + h / 2.0f);
    LONG top = centre - framework->fontHeight / 2;
    LONG bottom = framework->height; // unclipped, so only a bound
    const DWORD format = DT_CENTER | DT_NOCLIP;
    RECT shadow{left + 1, top + 1, right + 1, bottom};
    framework->font->DrawTextA(nullptr, text, -1, &shadow, format, shadowColour);
    RECT face{left, top, right, bottom};
    framework->font->DrawTextA(nullptr, text, -1, &face, format, colour);
}
