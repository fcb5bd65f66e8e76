// A slot's mesh moving as its file animates it: which of the file's sets
// plays, its clock, and the pose written into the slot's vertex buffer.
#pragma once

#include "app/AnimationClock.h"
#include "mesh/MeshAnimation.h"
#include "utility/d3dx9mesh.h"

#include <memory>
#include <string>

class SlotAnimation {
public:
    // Plays the set `choice` names (by number from 1 or by name; empty: the
    // first) from `seconds` at `speed`, looping. Null `animation` leaves the
    // slot still. False when the file has sets but none that `choice`
    // names: its first set plays then.
    bool Start(std::unique_ptr<MeshAnimation> animation, const std::string& choice, double seconds,
               double speed);
    // Nothing plays; the mesh keeps the pose last written.
    void Stop() { animation.reset(); }
    bool Active() const { return animation != nullptr; }

    // The previous (-1) or next (+1) set, round the file's sets, from its
    // start; the speed, the pause and the looping stay.
    void ChooseSet(int step);

    // Writes the pose at the clock's time into `mesh`, the slot's mesh made
    // from the prepared one, unless it holds that pose already.
    void WritePose(ID3DXMesh* mesh);

    // What plays: "mesh 1: Walk (2/3) 1.25 / 3.60 s, x1", with ", paused"
    // and ", once" when they hold.
    std::string Status(int slot) const;

    AnimationClock clock;

private:
    const XAnimationSet& Set() const { return animation->data.sets[set]; }

    std::unique_ptr<MeshAnimation> animation;
    size_t set = 0;
    // The pose the mesh holds: the set and time it was written for.
    bool posed = false;
    size_t posedSet = 0;
    double posedTime = 0;
};
