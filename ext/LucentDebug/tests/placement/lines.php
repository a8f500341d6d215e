<?php
$total = 0;

// the loop
foreach ([1, 2, 3] as $value) {
  if ($value == 2) {
    break;
  }
  $total += $value;
}
echo "total=$total\n";
function unusedStore() {
  $unused = 1;
  return 2;
}
echo unusedStore(), "\n";
