<?php
function walk($n) {
  if ($n > 0) {
    yield from walk($n - 1);
  }
  yield $n;
}
function drive($times) {
  $s = 0;
  for ($i = 0; $i < $times; $i++) {
    foreach (walk(3) as $v) { $s += $v; }
  }
  return $s;
}
$t = drive(200);
$u = drive(1);
echo "t=$t u=$u\n";
