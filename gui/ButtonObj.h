// A push button with a caption. It calls no one: it keeps a hovered flag and
// a pressed latch, and its owner updates it once per frame and then settles
// the latch with ConsumeClick.
#pragma once

#include "gui/KvGuiBase.h"
#include "gui/LabelObj.h"

class ButtonObj : public KvGuiBase {
public:
    ButtonObj();

    // Hit test against this frame's cursor: an edge counts as outside. A left
    // press that starts inside sets the latch; nothing here clears it.
    void Update();
    // A face shaded from the state's colour, shifted 2 pixels right and down
    // while pressed, with the caption drawn on it.
    void Draw() override;

    D3DCOLOR colour = 0xB27F7F7F; // red, green, blue 0.5, alpha 0.7
    bool hovered = false;
    bool pressed = false;
    LabelObj label; // its rectangle follows the face at every draw
};

// The owner's half of a click, right after Update: leaving the button while
// holding cancels the press; releasing inside is the click. True exactly on
// the frame of the click.
bool ConsumeClick(ButtonObj& button);
