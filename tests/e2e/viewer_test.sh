#!/usr/bin/env bash
# The viewer on its default data: no message at start-up, lit and textured
# rotating meshes with the glow, the control panel while the space bar is
# held, buttons that change their labels and the frame, and Escape.
source "$(dirname "$0")/lib.sh"
start_x_server

start_app "$1"
wait_window ZELQAd
wait_picture "lit meshes on screen" "$WID" start.png lit_meshes
no_boxes || fail "a message box is open at start-up"
grep -q "Failed" "$APP_LOG" && fail "start-up reported a failure"

# Background: the dimmed clear colour, untouched by the glow far from meshes.
near_colour "$(pixel "$ARTIFACTS/start.png" 1010 600)" 0D1115 3 ||
    fail "background is $(pixel "$ARTIFACTS/start.png" 1010 600)"
# They turn from frame to frame.
wait_turning "$WID" start.png

# Z shows the glow alone: mostly black, with glowing spots.
glow_alone() {
    above 0.05 "$(region_mean "$1" 1024x700+0+50)"
}
xdotool mousemove --window "$WID" 512 384 keydown z
wait_picture "glow alone while Z is held" "$WID" glow.png glow_alone
xdotool keyup z
above "$(region_max "$ARTIFACTS/glow.png" 1024x700+0+50)" 0.25 || fail "no glow"

# The control panel while the space bar is held.
drop_mesh_hint() {
    above "$(region_max "$1" 120x24+8+50)" 0.9
}
xdotool mousemove --window "$WID" 512 700
xdotool keydown space
wait_picture "control panel while the space bar is held" "$WID" panel.png drop_mesh_hint
above "$(region_max "$ARTIFACTS/panel.png" 120x24+896+50)" 0.9 || fail "no Drop Tex hint"
above "$(region_max "$ARTIFACTS/panel.png" 300x22+714+9)" 0.9 || fail "no camera position"
near_colour "$(pixel "$ARTIFACTS/panel.png" 303 13)" BFBFBF 40 || fail "no timing panel"
[ "$(differing "$ARTIFACTS/start.png" "$ARTIFACTS/panel.png" 330x30+674+718)" -gt 500 ] ||
    fail "no buttons"

# Each button changes its label; post-processing changes the clear colour.
click_button "$WID" 734 733 120x30+674+718
cp "$ARTIFACTS/.released.png" "$ARTIFACTS/pp.png"
[ "$(differing "$ARTIFACTS/panel.png" "$ARTIFACTS/pp.png" 120x30+674+718)" -gt 30 ] ||
    fail "the post-processing label did not change"
near_colour "$(pixel "$ARTIFACTS/pp.png" 1010 600)" 0F1419 1 ||
    fail "without post-processing the background is $(pixel "$ARTIFACTS/pp.png" 1010 600)"
click_button "$WID" 824 733 40x30+804+718
cp "$ARTIFACTS/.released.png" "$ARTIFACTS/grid.png"
[ "$(differing "$ARTIFACTS/pp.png" "$ARTIFACTS/grid.png" 40x30+804+718)" -gt 10 ] ||
    fail "the grid label did not change"
click_button "$WID" 929 733 150x30+854+718
cp "$ARTIFACTS/.released.png" "$ARTIFACTS/fixed.png"
[ "$(differing "$ARTIFACTS/grid.png" "$ARTIFACTS/fixed.png" 150x30+854+718)" -gt 30 ] ||
    fail "the shading label did not change"
xdotool keyup space

xdotool mousemove --window "$WID" 512 384 keydown Escape
wait_exit "end after Escape"
xdotool keyup Escape
[ "$EXIT_STATUS" = 1 ] || fail "exit status $EXIT_STATUS after Escape"
echo "PASS"
