// The abstract base of the overlay widgets: a rectangle in client pixels and
// a way to draw it. Widgets hold no device resources, so nothing of theirs
// needs attention when the device is lost or reset.
#pragma once

class KvGuiBase {
public:
    virtual ~KvGuiBase() = default;

    // The owner places a widget before its first update or draw.
    virtual void SetBounds(const float position[2], const float size[2]) {
        x = position[0];
        y = position[1];
        w = size[0];
        h = size[1];
    }
    // Called inside the device's scene, after the 3D content.
    virtual void Draw() = 0;

    float x = 0.0f, y = 0.0f; // top-left corner
    float w = 0.0f, h = 0.0f;
};
