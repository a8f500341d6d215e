<?php
// Breakpoints on lines that cannot stop move to the next one that can.
$a = 1;

$b = 2;
require __DIR__ . "/moved_helper.php";
$c = twice($b);
echo "$c\n";
// nothing can stop here
