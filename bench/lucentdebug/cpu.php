<?php
// CPU-bound work for the debugger benchmark: calls, loops, strings, arrays.
function mix($a, $b) {
  return ($a * 31 + $b) % 1000003;
}

function unused_one() {
  $never = 1;
  return $never;
}

function unused_two() {
  $never = 2;
  return $never;
}

function words($n) {
  $parts = array();
  for ($i = 0; $i < $n; $i++) {
    $parts[] = "w" . ($i % 17);
  }
  return implode(" ", $parts);
}

$rounds = isset($argv[1]) ? (int)$argv[1] : 10000000;
$acc = 0;
$table = array();
for ($i = 0; $i < $rounds; $i++) {
  $acc = mix($acc, $i);
  $key = "k" . ($i % 500);
  if (!isset($table[$key])) {
    $table[$key] = 0;
  }
  $table[$key] += $acc & 7;
  if ($i % 1000 == 0) {
    $text = words(50);
    $acc += strlen(strtoupper($text));
  }
}
ksort($table);
echo $acc, " ", count($table), "\n";
