<?php
function twice($x) {
  $y = $x * 2;
  return $y;
}
$a = twice(2);
$b = twice($a);
echo "b=$b\n";
