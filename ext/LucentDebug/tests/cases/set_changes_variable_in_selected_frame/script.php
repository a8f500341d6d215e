<?php
function g($x) {
  $x = $x * 1;
  return $x;
}
$a = 1;
$b = g(5);
echo "a=$a b=$b\n";
