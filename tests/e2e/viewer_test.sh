#!/usr/bin/env bash
# The viewer on its default data: no message at start-up, lit and textured
# rotating meshes with the glow, the control panel while the space bar is
# held, buttons that change their labels and the frame, and Escape.
source "$(dirname "$0")/lib.sh"

start_app "$1"
wid=$(wait_window ZELQAd) || fail "no window named ZELQAd"
sleep 3
no_boxes || fail "a message box is open at start-up"
grep -q "Failed" "$APP_LOG" && fail "start-up reported a failure"

capture "$wid" start.png
sleep 1
capture "$wid" later.png
# Background: the dimmed clear colour, untouched by the glow far from meshes.
near_colour "$(pixel "$ARTIFACTS/start.png" 1010 600)" 0D1115 3 ||
    fail "background is $(pixel "$ARTIFACTS/start.png" 1010 600)"
# The meshes: lit and textured, far brighter than the background.
above "$(region_mean "$ARTIFACTS/start.png" 700x300+162+230)" 0.12 || fail "no lit meshes"
# They turn from frame to frame.
[ "$(differing "$ARTIFACTS/start.png" "$ARTIFACTS/later.png" 700x300+162+230)" -gt 2000 ] ||
    fail "the meshes do not turn"
# Z shows the glow alone: mostly black, with glowing spots.
xdotool mousemove --window "$wid" 512 700
xdotool keydown z
sleep 1.2
capture "$wid" glow.png
xdotool keyup z
above "$(region_max "$ARTIFACTS/glow.png" 1024x700+0+50)" 0.25 || fail "no glow"
above 0.05 "$(region_mean "$ARTIFACTS/glow.png" 1024x700+0+50)" || fail "Z did not clear"

# The control panel while the space bar is held.
xdotool keydown space
sleep 1.2
capture "$wid" panel.png
above "$(region_max "$ARTIFACTS/panel.png" 120x24+8+50)" 0.9 || fail "no Drop Mesh hint"
above "$(region_max "$ARTIFACTS/panel.png" 120x24+896+50)" 0.9 || fail "no Drop Tex hint"
above "$(region_max "$ARTIFACTS/panel.png" 300x22+714+9)" 0.9 || fail "no camera position"
near_colour "$(pixel "$ARTIFACTS/panel.png" 303 13)" BFBFBF 40 || fail "no timing panel"
[ "$(differing "$ARTIFACTS/start.png" "$ARTIFACTS/panel.png" 330x30+674+718)" -gt 500 ] ||
    fail "no buttons"

# Each button changes its label; post-processing changes the clear colour.
click_at "$wid" 734 733
capture "$wid" pp.png
[ "$(differing "$ARTIFACTS/panel.png" "$ARTIFACTS/pp.png" 120x30+674+718)" -gt 30 ] ||
    fail "the post-processing label did not change"
near_colour "$(pixel "$ARTIFACTS/pp.png" 1010 600)" 0F1419 1 ||
    fail "without post-processing the background is $(pixel "$ARTIFACTS/pp.png" 1010 600)"
click_at "$wid" 824 733
capture "$wid" grid.png
[ "$(differing "$ARTIFACTS/pp.png" "$ARTIFACTS/grid.png" 40x30+804+718)" -gt 10 ] ||
    fail "the grid label did not change"
click_at "$wid" 929 733
capture "$wid" fixed.png
[ "$(differing "$ARTIFACTS/grid.png" "$ARTIFACTS/fixed.png" 150x30+854+718)" -gt 30 ] ||
    fail "the shading label did not change"
xdotool keyup space

hold_keys "$wid" Escape
wait_exit 20 || fail "Escape did not end the program"
[ "$EXIT_STATUS" = 1 ] || fail "exit status $EXIT_STATUS after Escape"
echo "PASS"
