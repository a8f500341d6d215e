<?php
$a = 1; $b = 2;
$c = $a + $b;
echo "c=$c\n";
