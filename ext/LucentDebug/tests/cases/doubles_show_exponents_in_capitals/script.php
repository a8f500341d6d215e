<?php
$big = 1.0E+25;
$small = 1.0e-7;
$plain = 0.5;
echo "end\n";
