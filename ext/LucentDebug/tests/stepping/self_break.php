<?php
require __DIR__ . "/lib.php";
$a = work(1);
ludbg_break();
$b = work(2);
echo "a=$a b=$b\n";
