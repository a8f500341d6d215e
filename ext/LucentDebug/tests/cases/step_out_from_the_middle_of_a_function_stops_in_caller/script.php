<?php
function work($x) {
  $y = $x * 2;
  $z = $y + 1;
  $w = $z * 3;
  return $w;
}
$a = work(2);
$b = $a + 1;
echo "b=$b\n";
