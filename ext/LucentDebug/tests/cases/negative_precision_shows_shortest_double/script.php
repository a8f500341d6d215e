<?php
$tenth = 0.1;
$sum = 0.1 + 0.2;
$third = 1 / 3;
$large = 1e100;
$whole = 2.0;
$tiny = -1.5e-9;
echo "end\n";
