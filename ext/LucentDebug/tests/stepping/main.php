<?php
require __DIR__ . "/lib.php";
$a = work(1);
$b = work(2);
require __DIR__ . "/later.php";
$c = later(3);
$d = work(4);
echo "a=$a b=$b c=$c d=$d\n";
