<?php
require __DIR__ . "/lib.php";
function inspect($n) {
  ludbg_break();
  $m = work($n);
  return $m + 1;
}
$a = work(1);
$b = inspect(2);
$c = work(3);
echo "a=$a b=$b c=$c\n";
