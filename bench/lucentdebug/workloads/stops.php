<?php
// Stops at a given depth: recursion, or a chain of generators delegating with
// "yield from". Line 8 is where the stops happen.
$depth = (int)$argv[1];
$stops = (int)$argv[2];
function leaf($stops) {
  for ($i = 0; $i < $stops; $i++) {
    $x = $i;
  }
}
function recurse($d, $stops) {
  if ($d > 0) return recurse($d - 1, $stops);
  leaf($stops);
}
function delegate($d, $stops) {
  if ($d > 0) {
    yield from delegate($d - 1, $stops);
    return;
  }
  leaf($stops);
  yield 1;
}
if (($argv[3] ?? "") === "yield") {
  foreach (delegate($depth, $stops) as $v) {}
} else {
  recurse($depth, $stops);
}
echo "done\n";
