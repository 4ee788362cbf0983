# The chain of frames ends at a function called by native code (call()),
# and past the frame of the rule that the run-time entered.
function h() {
  printf "h: frame 2 %s, frame 3 %s\n", typeof(debug_get_frame(2)), typeof(debug_get_frame(3))
}
function g() { h() }
function direct() {
  printf "direct: frame 2 is the rule %d, frame 3 %s\n", debug_get_frame(2) != "", typeof(debug_get_frame(3))
}
BEGIN { call("g"); direct() }
{ direct() }
