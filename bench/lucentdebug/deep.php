<?php
// A deep script for the cost of one stop: 30 frames, 1,000 variables in scope.
function descend($level) {
  if ($level < 30) {
    return descend($level + 1);
  }
  $vars = array();
  for ($i = 0; $i < 1000; $i++) {
    $vars["v$i"] = $i;
  }
  extract($vars);
  if (function_exists("ludbg_break")) {
    ludbg_break();
  }
  return $v500;
}
echo descend(1), "\n";
