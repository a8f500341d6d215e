<?php
function twice($n) {
    $m = $n * 2;
    return $m + 1;
}
$a = twice(1);
$b = twice($a);
echo "a=$a b=$b\n";
