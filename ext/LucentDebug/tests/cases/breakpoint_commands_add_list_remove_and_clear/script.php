<?php
$a = 1;
$b = 2;
$c = 3;
echo "end\n";
